// ANSI to UTF-8 through the system's UTF-16 conversions.
#include <windows.h>

#include "sys/CodePage.h"

namespace sys {

std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return {};
  int n = static_cast<int>(text.size());
  int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), n, nullptr, 0);
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), n, w.data(), wide);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace sys
