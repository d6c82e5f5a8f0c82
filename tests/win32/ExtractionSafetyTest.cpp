// The Windows console extractor on hostile archives: nothing is written outside the
// destination (drive prefixes, names too long for the system, junctions put there by
// someone else), and an entry it cannot decode is reported on standard error while the run
// goes on, with no window waiting for a click and no temporary file left behind.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/Checks.h"

namespace {

const char kRoot[] = "C:\\win32-tests\\safety";

using Entry = common::ArchiveItem;

// Every name below dir, folders marked with a trailing "\".
void ListTree(const std::string& dir, const std::string& prefix, std::vector<std::string>& out) {
  WIN32_FIND_DATAA f;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = f.cFileName;
    if (name == "." || name == "..") continue;
    if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(prefix + name + "\\");
      if (!(f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ListTree(dir + "\\" + name, prefix + name + "\\", out);
    } else {
      out.push_back(prefix + name);
    }
  } while (FindNextFileA(h, &f));
  FindClose(h);
}

std::vector<std::string> Tree(const std::string& dir) {
  std::vector<std::string> names;
  ListTree(dir, "", names);
  return names;
}

struct Outcome {
  DWORD exitCode = 0xFFFFFFFF;
  bool finished = false;
  std::string errors;
};

// Runs the extractor with its standard error in a file; a run that does not end within the
// time (a window waiting for a click) is ended and reported as unfinished.
Outcome Extract(const std::string& archive, const std::string& dest, const std::string& options) {
  Outcome run;
  const std::string errFile = std::string(kRoot) + "\\stderr.txt";
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE err = CreateFileA(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  if (err == INVALID_HANDLE_VALUE) return run;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = err;
  si.hStdError = err;
  std::string command =
      "\"" + common::WindowsPath(ZORVIK_UNZIP_EXE) + "\" " + options + " -d \"" + dest + "\" \"" + archive + "\"";
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    run.finished = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
    if (!run.finished) {
      TerminateProcess(pi.hProcess, 99);
      WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(err);
  run.errors = common::ReadFile(errFile);
  DeleteFileA(errFile.c_str());
  return run;
}

class ExtractionSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA("C:\\win32-tests", nullptr);
    common::RemoveTree(kRoot);
    ASSERT_TRUE(CreateDirectoryA(kRoot, nullptr));
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(dest_.c_str(), nullptr));
  }
  void TearDown() override { common::RemoveTree(kRoot); }

  std::string WriteArchive(const std::vector<Entry>& entries) {
    std::string path = std::string(kRoot) + "\\test.zip";
    EXPECT_TRUE(common::WriteFile(path, common::MakeArchive(entries, 0x59210000)));
    return path;
  }

  const std::string base_ = std::string(kRoot) + "\\base";  // holds dest only, unless something escaped
  const std::string dest_ = base_ + "\\dest";
};

// Every form that could reach the destination's parent after the drive prefix is cut, the
// separators mapped or "..\" taken apart: all stay inside.
TEST_F(ExtractionSafety, DrivePrefixesAndDotsNeverLeaveTheDestination) {
  const std::vector<std::string> names = {
      "C:../x1", "c:..\\x2",      "\x95:../x3",           "C:/../x4",  "C:\\..\\x5", "D:x6/../../x7", "../x8",
      "..\\x9",  "sub/../../x10", "\\\\host\\share\\x11", "C:.. /x12", "//x13"};
  std::vector<Entry> entries;
  for (const std::string& n : names) entries.push_back({n, "escape?", 0});
  entries.push_back({"ok/inside.txt", "kept", 0});
  std::string archive = WriteArchive(entries);
  Outcome run = Extract(archive, dest_, "-q -o -r");
  ASSERT_TRUE(run.finished);
  SCOPED_TRACE("exit " + std::to_string(run.exitCode) + ": " + run.errors);
  std::vector<std::string> beside = Tree(base_);
  for (const std::string& n : beside) EXPECT_EQ(n.rfind("dest\\", 0), 0u) << "written outside: " << n;
  std::vector<std::string> above = Tree(kRoot);
  for (const std::string& n : above)
    EXPECT_TRUE(n == "base\\" || n.rfind("base\\", 0) == 0 || n == "test.zip" || n == "stderr.txt")
        << "written outside: " << n;
  EXPECT_EQ(common::ReadFile(dest_ + "\\ok\\inside.txt"), "kept");
}

// A path over the system's limit is refused for that entry, never cut short into another
// folder; the entries that fit are extracted.
TEST_F(ExtractionSafety, NamesLongerThanTheSystemAllowsAreRefusedNotCut) {
  std::string deep;
  while (deep.size() < 300) deep += "abcdefghij/";
  std::string gbkDeep;
  while (gbkDeep.size() < 600) gbkDeep += "\xd6\xd0\xce\xc4\xc4\xbf\xc2\xbc/";  // 中文目录
  std::vector<Entry> entries = {
      {deep + "long.txt", "long", 0}, {gbkDeep + "gbk.txt", "gbk", 0}, {"short.txt", "short", 0}};
  std::string archive = WriteArchive(entries);
  Outcome run = Extract(archive, dest_, "-q -o -r");
  ASSERT_TRUE(run.finished);
  SCOPED_TRACE("exit " + std::to_string(run.exitCode) + ": " + run.errors);
  EXPECT_EQ(run.exitCode, 1u) << run.errors;
  EXPECT_EQ(common::ReadFile(dest_ + "\\short.txt"), "short");
  for (const std::string& n : Tree(kRoot))
    EXPECT_TRUE(n.rfind("base\\dest\\", 0) == 0 || n == "base\\" || n == "base\\dest\\" || n == "test.zip")
        << "written outside: " << n;
  // Whatever folders were made on the way, no file of the long entries exists anywhere.
  for (const std::string& n : Tree(dest_)) {
    EXPECT_EQ(n.find("long.txt"), std::string::npos) << n;
    EXPECT_EQ(n.find("gbk.txt"), std::string::npos) << n;
  }
}

// Methods the component does not decode: each is reported on standard error, the run goes
// on to the next entry and ends by itself, and no temporary file stays in the destination.
TEST_F(ExtractionSafety, UnsupportedMethodsAreReportedWithoutAWindowAndLeaveNoTemporary) {
  std::vector<Entry> entries;
  for (uint16_t method : {7, 9, 12, 14, 99})
    entries.push_back({"m" + std::to_string(method) + ".bin", std::string(64, 'z'), method});
  entries.push_back({"plain.txt", "plain data", 0});
  std::string archive = WriteArchive(entries);
  Outcome run = Extract(archive, dest_, "-o");
  ASSERT_TRUE(run.finished) << "the run waited for something: a message box?";
  EXPECT_EQ(run.exitCode, 81u);  // unzip's status for a method it cannot decode
  for (uint16_t method : {7, 9, 12, 14, 99})
    EXPECT_NE(run.errors.find("m" + std::to_string(method) + ".bin"), std::string::npos) << run.errors;
  EXPECT_EQ(Tree(dest_), std::vector<std::string>{"plain.txt"});
  EXPECT_EQ(common::ReadFile(dest_ + "\\plain.txt"), "plain data");
}

// Makes link a junction (mount point) to target; false where the system makes none.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
  HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::wstring substitute = L"\\??\\";
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wide, MAX_PATH);
  substitute += wide;
  std::wstring print = wide;
  // The mount-point layout of REPARSE_DATA_BUFFER: tag, length, reserved, then the two
  // names' offsets and lengths and the names themselves, each ending in a null.
  std::vector<uint8_t> buffer(8 + 8 + (substitute.size() + 1 + print.size() + 1) * 2);
  auto put16 = [&](size_t at, uint16_t v) { memcpy(&buffer[at], &v, 2); };
  uint32_t tag = IO_REPARSE_TAG_MOUNT_POINT;
  memcpy(&buffer[0], &tag, 4);
  put16(4, static_cast<uint16_t>(buffer.size() - 8));
  put16(8, 0);
  put16(10, static_cast<uint16_t>(substitute.size() * 2));
  put16(12, static_cast<uint16_t>((substitute.size() + 1) * 2));
  put16(14, static_cast<uint16_t>(print.size() * 2));
  memcpy(&buffer[16], substitute.c_str(), (substitute.size() + 1) * 2);
  memcpy(&buffer[16 + (substitute.size() + 1) * 2], print.c_str(), (print.size() + 1) * 2);
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0,
                            &returned, nullptr);
  CloseHandle(h);
  if (!ok) RemoveDirectoryA(link.c_str());
  return ok && (GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction already inside the destination that leads outside it is never written through.
TEST_F(ExtractionSafety, AJunctionInTheDestinationIsNotWrittenThrough) {
  const std::string outside = std::string(kRoot) + "\\outside";
  ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
  if (!MakeJunction(dest_ + "\\pdir", outside)) GTEST_SKIP() << "this system makes no junctions";
  std::string archive = WriteArchive({{"pdir/x.txt", "through the link", 0}, {"y.txt", "plain", 0}});
  Outcome run = Extract(archive, dest_, "-q -o -r");
  ASSERT_TRUE(run.finished);
  SCOPED_TRACE("exit " + std::to_string(run.exitCode) + ": " + run.errors);
  EXPECT_EQ(run.exitCode, 1u) << run.errors;
  EXPECT_TRUE(Tree(outside).empty());
  EXPECT_EQ(common::ReadFile(dest_ + "\\y.txt"), "plain");
}

}  // namespace
