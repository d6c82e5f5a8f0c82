// Read-back helpers of the end-to-end tests.
#include "Checks.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "zip/codec/Crc32.h"

namespace common {
namespace {

uint32_t Le(const std::string& s, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

std::string Folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

}  // namespace

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA f;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &f);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = f.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      // A junction is removed as the link it is, never by emptying what it leads to.
      if ((f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(path);
      else if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        /* result not examined */ RemoveDirectoryA(path.c_str());
      else
        /* result not examined */ DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &f));
    FindClose(h);
  }
  /* result not examined */ RemoveDirectoryA(dir.c_str());
}

std::string ReadFile(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::vector<ArchiveEntry> ListArchive(const std::string& zip) {
  std::vector<ArchiveEntry> out;
  if (zip.size() < 22) return out;
  size_t end = zip.size() - 22;
  while (end > 0 && Le(zip, end, 4) != 0x06054B50) --end;  // past any archive comment
  if (Le(zip, end, 4) != 0x06054B50) return out;
  size_t at = Le(zip, end + 16, 4);
  for (uint32_t i = 0, n = Le(zip, end + 10, 2); i < n && at + 46 <= zip.size(); ++i) {
    ArchiveEntry e;
    e.dosTime = static_cast<uint16_t>(Le(zip, at + 12, 2));
    e.dosDate = static_cast<uint16_t>(Le(zip, at + 14, 2));
    e.size = Le(zip, at + 24, 4);
    e.externalAttributes = Le(zip, at + 38, 4);
    uint32_t nameLength = Le(zip, at + 28, 2);
    e.name = zip.substr(at + 46, nameLength);
    out.push_back(e);
    at += 46 + nameLength + Le(zip, at + 30, 2) + Le(zip, at + 32, 2);
  }
  return out;
}

void ExpectTemplates(const std::string& reportDir, const std::vector<ArchiveEntry>& entries) {
  for (const auto& e : entries) {
    std::string path = reportDir + "\\" + e.name;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << path;
    EXPECT_EQ(data.nFileSizeLow, e.size) << path;
    FILETIME local{}, expected{};
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    DosDateTimeToFileTime(e.dosDate, e.dosTime, &expected);
    EXPECT_EQ(CompareFileTime(&local, &expected), 0) << path << ": last-write time differs from the stored date";
  }
  // Nothing but the templates.
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((reportDir + "\\*").c_str(), &fd);
  size_t files = 0;
  if (h != INVALID_HANDLE_VALUE) {
    do files += !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  EXPECT_EQ(files, entries.size());
}

LinkInfo LoadLink(const std::string& path) {
  LinkInfo info;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return info;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char buf[MAX_PATH * 2] = {};
      info.loaded = true;
      link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH);
      info.target = buf;
      buf[0] = 0;
      link->GetWorkingDirectory(buf, sizeof buf);
      info.workingDirectory = buf;
      buf[0] = 0;
      link->GetArguments(buf, sizeof buf);
      info.arguments = buf;
    }
    file->Release();
  }
  link->Release();
  return info;
}

std::string ProgramsFolder() { return Folder(CSIDL_PROGRAMS); }
std::string DesktopFolder() { return Folder(CSIDL_DESKTOPDIRECTORY); }
std::string StartMenuFolder() { return Folder(CSIDL_STARTMENU); }

bool WriteFile(const std::string& path, const std::string& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  BOOL ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(f);
  return ok && done == bytes.size();
}

namespace {

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
}

}  // namespace

std::string MakeArchive(const std::vector<ArchiveItem>& items, uint32_t dosDateTime) {
  std::string zip, central;
  for (const ArchiveItem& e : items) {
    const uint32_t offset = static_cast<uint32_t>(zip.size());
    const uint32_t crc = e.method == 0 ? ~zip::codec::Crc32Update(
                                             0xFFFFFFFF, reinterpret_cast<const uint8_t*>(e.data.data()), e.data.size())
                                       : 0x12345678;
    std::string fixed;
    Put(fixed, 20, 2);  // version needed
    Put(fixed, 0, 2);   // flags
    Put(fixed, e.method, 2);
    Put(fixed, dosDateTime & 0xFFFF, 2);
    Put(fixed, dosDateTime >> 16, 2);
    Put(fixed, crc, 4);
    Put(fixed, static_cast<uint32_t>(e.data.size()), 4);
    Put(fixed, static_cast<uint32_t>(e.data.size()), 4);
    Put(fixed, static_cast<uint32_t>(e.name.size()), 2);
    Put(fixed, 0, 2);  // extra field
    Put(zip, 0x04034B50, 4);
    zip += fixed + e.name + e.data;
    Put(central, 0x02014B50, 4);
    Put(central, 20, 2);  // made by MS-DOS
    central += fixed;
    Put(central, 0, 2);     // comment
    Put(central, 0, 2);     // disk
    Put(central, 0, 2);     // internal attributes
    Put(central, 0x20, 4);  // archive bit
    Put(central, offset, 4);
    central += e.name;
  }
  const uint32_t centralOffset = static_cast<uint32_t>(zip.size());
  zip += central;
  Put(zip, 0x06054B50, 4);
  Put(zip, 0, 4);
  Put(zip, static_cast<uint32_t>(items.size()), 2);
  Put(zip, static_cast<uint32_t>(items.size()), 2);
  Put(zip, static_cast<uint32_t>(central.size()), 4);
  Put(zip, centralOffset, 4);
  Put(zip, 0, 2);
  return zip;
}

}  // namespace common
