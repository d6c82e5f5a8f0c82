// GBK-aware byte-string helpers shared by every path rule of the program.
#include "base/Ansi.h"

#include <cstdarg>
#include <cstdio>

namespace base {

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

namespace {

std::string AnsiFold(std::string_view s, char from, char to) {
  std::string r(s);
  for (std::size_t i = 0; i < r.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(r[i])) && i + 1 < r.size()) {
      ++i;
      continue;
    }
    if (r[i] >= from && r[i] <= static_cast<char>(from + 25)) r[i] = static_cast<char>(r[i] - from + to);
  }
  return r;
}

}  // namespace

std::string AnsiUpper(std::string_view s) { return AnsiFold(s, 'a', 'A'); }

std::string AnsiLower(std::string_view s) { return AnsiFold(s, 'A', 'a'); }

bool IsCharStart(std::string_view s, std::size_t index) {
  // Walk from the start: only a forward scan knows which bytes are trail bytes.
  std::size_t i = 0;
  while (i < index) i += (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  return i == index;
}

std::size_t LastCharStart(std::string_view s) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < s.size();) {
    last = i;
    i += (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
  return last;
}

std::size_t LastBackslash(std::string_view s) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == '\\') found = i;
    i += (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
  return found;
}

std::string ExtractFilePath(std::string_view path) {
  std::size_t p = LastBackslash(path);
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path) {
  std::size_t p = LastBackslash(path);
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  std::size_t p = LastBackslash(path);
  if (p != std::string_view::npos && p + 1 == path.size()) return std::string(path.substr(0, p));
  return std::string(path);
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  va_end(args);
  return out;
}

}  // namespace base
