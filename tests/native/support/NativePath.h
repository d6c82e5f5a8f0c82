// A component path ("\" separators) as the POSIX layer hands it to the kernel: only a "\"
// that is a character of its own becomes "/", a GBK trail byte 0x5C stays.
#pragma once

#include <string>

#include "base/Ansi.h"

namespace support {

inline std::string NativePath(const std::string& path) {
  std::string p = path;
  for (size_t i = 0; i < p.size(); ++i) {
    if (base::IsLeadByte(static_cast<unsigned char>(p[i])) && i + 1 < p.size())
      ++i;
    else if (p[i] == '\\')
      p[i] = '/';
  }
  return p;
}

}  // namespace support
