// What setup.exe says it is, to Explorer, the elevation prompt and deployment tools: its
// version resource and its icon, read back as the system reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

const std::string kTitle = "Zorvik电子帐本安装程序";

std::string VersionText(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT size = 0;
  std::string key = std::string("\\StringFileInfo\\080403a8\\") + name;
  if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &size) || !value) return "";
  return std::string(value);
}

TEST(ProgramResources, VersionResourceNamesTheProductInChinese) {
  DWORD ignored = 0, size = GetFileVersionInfoSizeA(setupPath.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(setupPath.c_str(), 0, size, info.data()));
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);
  EXPECT_EQ(VersionText(info, "ProductName"), "Zorvik电子帐本");
  EXPECT_EQ(VersionText(info, "ProductVersion"), "4.4");
  EXPECT_EQ(VersionText(info, "FileDescription"), kTitle);
  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00040004u);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00040004u);
}

BOOL CALLBACK FirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
  auto* s = reinterpret_cast<std::string*>(found);
  *s = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name;
  return FALSE;
}

TEST(ProgramResources, IconHoldsPicturesOfSixteenThirtyTwoAndFortyEightPixels) {
  HMODULE m = LoadLibraryExA(setupPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(m);
  std::string name;
  EnumResourceNamesA(m, MAKEINTRESOURCEA(14), FirstName, reinterpret_cast<LONG_PTR>(&name));  // RT_GROUP_ICON
  ASSERT_FALSE(name.empty()) << "no icon";
  HRSRC r = FindResourceA(m, name.c_str(), MAKEINTRESOURCEA(14));
  ASSERT_TRUE(r);
  // GRPICONDIR: reserved, type, count, then 14-byte entries that begin with width, height.
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(m, r)));
  int count = group[4] | group[5] << 8;
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    const BYTE* entry = group + 6 + 14 * i;
    EXPECT_EQ(entry[0], entry[1]);
    sizes.push_back(entry[0]);
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
  // The system finds the 32-pixel picture among them and makes an icon of it.
  HICON icon = static_cast<HICON>(LoadImageA(m, name.c_str(), IMAGE_ICON, 32, 32, 0));
  EXPECT_TRUE(icon);
  if (icon) DestroyIcon(icon);
  FreeLibrary(m);
}

}  // namespace
}  // namespace e2e
