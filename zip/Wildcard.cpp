// Wildcard matching for FilesList lines: "?" one character, "*" any run, "<...>" a set of
// characters and ranges (negated by a leading "!" or "^"); ASCII case is ignored and a GBK
// double-byte character counts as one.
#include <string>
#include <vector>

#include "base/Ansi.h"
#include "zip/ZipExtractor.h"

namespace zip {

namespace {

using Chars = std::vector<unsigned>;

Chars Split(const std::string& s) {
  std::string lower = base::AnsiLower(s);
  Chars out;
  for (size_t i = 0; i < lower.size();) {
    unsigned c = static_cast<unsigned char>(lower[i]);
    if (base::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < lower.size()) {
      out.push_back(c << 8 | static_cast<unsigned char>(lower[i + 1]));
      i += 2;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

// Matches one name character against the pattern item at p; end receives the index after
// the item. False when the item does not match (or is a set without its ">").
bool MatchItem(const Chars& p, size_t at, unsigned c, size_t& end) {
  if (p[at] == '?') {
    end = at + 1;
    return true;
  }
  if (p[at] != '<') {
    end = at + 1;
    return p[at] == c;
  }
  size_t i = at + 1;
  bool negate = i < p.size() && (p[i] == '!' || p[i] == '^');
  if (negate) ++i;
  bool hit = false;
  while (i < p.size() && p[i] != '>') {
    unsigned low = p[i], high = p[i];
    if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != '>') {
      high = p[i + 2];
      i += 3;
    } else {
      ++i;
    }
    if (c >= low && c <= high) hit = true;
  }
  if (i >= p.size()) return false;
  end = i + 1;
  return hit != negate;
}

}  // namespace

bool IsMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*") return true;
  Chars p = Split(pattern), s = Split(name);
  size_t pi = 0, si = 0;
  size_t starP = std::string::npos, starS = 0;
  while (si < s.size()) {
    size_t next = 0;
    if (pi < p.size() && p[pi] == '*') {
      starP = ++pi;
      starS = si;
      continue;
    }
    if (pi < p.size() && MatchItem(p, pi, s[si], next)) {
      pi = next;
      ++si;
      continue;
    }
    // Let the last "*" take one more character and try again from there.
    if (starP == std::string::npos) return false;
    pi = starP;
    si = ++starS;
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace zip
