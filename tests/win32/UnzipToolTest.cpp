// The Windows build of zorvik-unzip on an archive with GBK names made on MS-DOS: the names,
// dates and attributes that Windows reports for what it extracted; and its listing, where
// names keep their "\" separators and control bytes are escaped.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/common/Checks.h"

namespace {

// With output, the program's standard output goes to that file.
DWORD RunProgram(std::string commandLine, HANDLE output = nullptr) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (output) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &si, &pi))
    return 0xFFFFFFFF;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

TEST(UnzipTool, GbkNamesDatesAndAttributesAsWindowsReportsThem) {
  std::string archive = common::WindowsPath(ZORVIK_TESTDATA_DIR "/gbk-names-dos.zip");
  std::string dest = "C:\\win32-tests\\gbk-names";
  CreateDirectoryA("C:\\win32-tests", nullptr);
  std::string command = "\"";
  command += common::WindowsPath(ZORVIK_UNZIP_EXE);
  command += "\" -q -o -r -d \"" + dest;
  command += "\" \"" + archive + "\"";
  ASSERT_EQ(RunProgram(command), 0u);

  std::vector<common::ArchiveEntry> entries = common::ListArchive(common::ReadFile(archive));
  ASSERT_EQ(entries.size(), 6u);
  for (const auto& e : entries) {
    std::string name = e.name;
    for (char& c : name)
      if (c == '/') c = '\\';
    bool directory = !name.empty() && name.back() == '\\';
    std::string path = dest + "\\" + (directory ? name.substr(0, name.size() - 1) : name);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << "missing: " << path;
    if (directory) {
      EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) << path;
      continue;
    }
    EXPECT_EQ(data.nFileSizeLow, e.size) << path;
    // The MS-DOS attribute byte is kept whole.
    EXPECT_EQ(data.dwFileAttributes & 0xFF, e.externalAttributes & 0xFF) << path;
    FILETIME local{}, stored{};
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    DosDateTimeToFileTime(e.dosDate, e.dosTime, &stored);
    EXPECT_EQ(CompareFileTime(&local, &stored), 0) << path;
  }
}

TEST(UnzipTool, TheListingEscapesControlBytesAndKeepsBackslashes) {
  CreateDirectoryA("C:\\win32-tests", nullptr);
  const std::string archive = "C:\\win32-tests\\escapes.zip";
  const std::string listing = "C:\\win32-tests\\escapes.txt";
  { ASSERT_TRUE(common::WriteFile(archive, common::MakeArchive({{"dir/\x1b]0;title\x07x\x1b[2J.txt", "data"}}))); }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(listing.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  std::string command = "\"" + common::WindowsPath(ZORVIK_UNZIP_EXE) + "\" -l \"" + archive + "\"";
  DWORD status = RunProgram(command, out);
  CloseHandle(out);
  ASSERT_EQ(status, 0u);
  std::string shown = common::ReadFile(listing);
  EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
  EXPECT_EQ(shown.find('\x07'), std::string::npos) << shown;
  EXPECT_NE(shown.find("dir\\\\x1b]0;title\\x07x\\x1b[2J.txt"), std::string::npos) << shown;
}

// -p writes an entry's bytes unchanged: line ends and Ctrl+Z as stored, as the native
// build does; -t writes nothing and says so in its status.
TEST(UnzipTool, PipeWritesTheBytesUnchangedAndTestWritesNothing) {
  CreateDirectoryA("C:\\win32-tests", nullptr);
  const std::string archive = "C:\\win32-tests\\pipe.zip";
  const std::string piped = "C:\\win32-tests\\piped.bin";
  const std::string data = "line\nnext\r\nend\x1a tail\n";
  { ASSERT_TRUE(common::WriteFile(archive, common::MakeArchive({{"sub/data.bin", data}}))); }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(piped.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  std::string exe = "\"" + common::WindowsPath(ZORVIK_UNZIP_EXE) + "\" ";
  DWORD status = RunProgram(exe + "-p \"" + archive + "\" sub/data.bin", out);
  CloseHandle(out);
  ASSERT_EQ(status, 0u);
  EXPECT_EQ(common::ReadFile(piped), data);
  EXPECT_EQ(RunProgram(exe + "-t -q \"" + archive + "\" -d C:\\win32-tests\\never"), 0u);
  EXPECT_EQ(GetFileAttributesA("C:\\win32-tests\\never"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(RunProgram(exe + "-t \"C:\\win32-tests\\no-such-archive\""), 9u);
}

// A stored "/" separates folders whatever byte comes before it: names written as UTF-8 or
// CP437 put bytes GBK reads as lead bytes before it, and those must not swallow it.
TEST(UnzipTool, AStoredSlashAfterALoneLeadByteStillMakesAFolder) {
  CreateDirectoryA("C:\\win32-tests", nullptr);
  const std::string archive = "C:\\win32-tests\\slashes.zip";
  const std::string dest = "C:\\win32-tests\\slashes";
  {
    ASSERT_TRUE(common::WriteFile(
        archive, common::MakeArchive({{"\xE3\x82\x88/a.txt", "a"}, {"\x84/", ""}, {"\x84/b.txt", "b"}})));
  }
  std::string command = "\"" + common::WindowsPath(ZORVIK_UNZIP_EXE) + "\" -q -o -d " + dest + " " + archive;
  ASSERT_EQ(RunProgram(command), 0u);
  EXPECT_EQ(common::ReadFile(dest + "\\\xE3\x82_\\a.txt"), "a");
  EXPECT_EQ(common::ReadFile(dest + "\\_\\b.txt"), "b");
}

}  // namespace
