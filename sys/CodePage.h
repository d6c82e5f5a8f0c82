// Text for files that other programs read: the program's ANSI strings as UTF-8.
#pragma once

#include <string>

namespace sys {

// The ANSI code page's bytes as UTF-8; a byte the code page has no character for becomes
// a replacement character.
std::string AnsiToUtf8(const std::string& text);

}  // namespace sys
