// The names of the temporaries written beside their targets until they are complete: "~z",
// a letter that tells whose they are, eight lowercase hexadecimal digits of a counter and
// ".tmp". One length for all, so one path stands for every temporary when paths are
// measured; built digit by digit, as the extractor makes one for every entry.
#pragma once

#include <algorithm>
#include <string>

namespace base {

inline constexpr char kInstallTemporaries = 's';    // the install's payload files and copies
inline constexpr char kExtractorTemporaries = 'v';  // the zip extractor's entries

inline std::string TemporaryName(char owner, unsigned counter) {
  std::string name = "~z?00000000.tmp";
  name[2] = owner;
  for (int i = 10; i >= 3; --i, counter >>= 4) name[static_cast<size_t>(i)] = "0123456789abcdef"[counter & 0xF];
  return name;
}

// The pattern a folder search is given; IsTemporaryName then keeps the exact form only.
inline std::string TemporaryPattern(char owner) { return std::string("~z") + owner + "????????.tmp"; }

inline bool IsTemporaryName(const std::string& name, char owner) {
  if (name.size() != 15 || name.compare(0, 2, "~z") != 0 || name[2] != owner || name.compare(11, 4, ".tmp") != 0)
    return false;
  return std::all_of(name.begin() + 3, name.begin() + 11,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace base
