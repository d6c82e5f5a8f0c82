// ANSI to UTF-8 on the native build: its ANSI code page is the one the literals are
// compiled in, GBK.
#include <iconv.h>

#include <cerrno>

#include "sys/CodePage.h"

namespace sys {

std::string AnsiToUtf8(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* o = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    out.append(buffer, static_cast<size_t>(o - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte GBK has no character for (or a lead byte at the end): its replacement.
      out += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace sys
