// The system's own text for an error or HRESULT code, in the ANSI code page, as the error
// display shows it (trailing line breaks are trimmed there, not here).
#pragma once

#include <windows.h>

#include <string>

namespace sys::win32 {

inline std::string SystemMessageText(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string r = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  return r;
}

}  // namespace sys::win32
