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

namespace {

// Moves the 26 letters starting at `from` to those starting at `to`; with keepGbk, the two
// bytes of a GBK character are passed over together.
std::string FoldLetters(std::string_view s, char from, char to, bool keepGbk) {
  std::string r(s);
  for (std::size_t i = 0; i < r.size(); ++i) {
    if (keepGbk && IsLeadByte(static_cast<unsigned char>(r[i])) && i + 1 < r.size()) {
      ++i;
      continue;
    }
    if (r[i] >= from && r[i] <= static_cast<char>(from + 25)) r[i] = static_cast<char>(r[i] - from + to);
  }
  return r;
}

}  // namespace

std::string UpperAscii(std::string_view s) { return FoldLetters(s, 'a', 'A', false); }

std::string LowerAscii(std::string_view s) { return FoldLetters(s, 'A', 'a', false); }

std::string AnsiUpper(std::string_view s) { return FoldLetters(s, 'a', 'A', true); }

std::string AnsiLower(std::string_view s) { return FoldLetters(s, 'A', 'a', true); }

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

std::size_t NextBackslash(std::string_view s, std::size_t from) {
  for (std::size_t i = from; i < s.size();) {
    if (s[i] == '\\') return i;
    i += (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

std::vector<std::string_view> SplitAtBackslashes(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = NextBackslash(path); i != std::string_view::npos; i = NextBackslash(path, i + 1)) {
    parts.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  parts.push_back(path.substr(start));
  return parts;
}

void SlashesToBackslashes(std::string& name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool lead = IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size();
    if (lead && name[i + 1] == '/')
      name[i] = '_';
    else if (lead)
      ++i;
    else if (name[i] == '/')
      name[i] = '\\';
  }
}

void AppendBackslash(std::string& path) {
  const std::size_t last = LastCharStart(path);
  if (last != std::string::npos && path[last] == '\\') return;
  if (last != std::string::npos && last + 1 == path.size() && IsLeadByte(static_cast<unsigned char>(path[last])))
    path[last] = '_';
  path += '\\';
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
