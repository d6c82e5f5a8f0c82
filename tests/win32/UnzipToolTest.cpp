// The Windows build of zorvik-unzip on an archive with GBK names made on MS-DOS: the names,
// dates and attributes that Windows reports for what it extracted.
#include <windows.h>

#include <gtest/gtest.h>


#include "tests/e2e/Checks.h"

namespace {

DWORD RunProgram(std::string commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 0xFFFFFFFF;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

TEST(UnzipTool, GbkNamesDatesAndAttributesAsWindowsReportsThem) {
  std::string archive = e2e::WindowsPath(ZORVIK_TESTDATA_DIR "/gbk-names-dos.zip");
  std::string dest = "C:\\win32-tests\\gbk-names";
  CreateDirectoryA("C:\\win32-tests", nullptr);
  std::string command = "\"";
  command += e2e::WindowsPath(ZORVIK_UNZIP_EXE);
  command += "\" -q -o -r -d \"" + dest;
  command += "\" \"" + archive + "\"";
  ASSERT_EQ(RunProgram(command), 0u);

  std::vector<e2e::ArchiveEntry> entries = e2e::ListArchive(e2e::ReadFile(archive));
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

}  // namespace
