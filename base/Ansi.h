// Byte-string helpers for text in the ANSI code page (GBK): trimming, ASCII-only case
// changes, and path splitting that never mistakes a GBK trail byte 0x5C for a "\".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// A GBK lead byte starts a two-byte character.
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Removes leading and trailing bytes of value 32 or less.
std::string Trim(std::string_view s);

// Byte by byte: a to z and A to Z change wherever they stand, trail bytes included.
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);

// The same for text in the ANSI code page: a GBK character is left whole, so no trail byte
// that happens to be a letter's code changes and two different characters never fold to one.
std::string AnsiUpper(std::string_view s);
std::string AnsiLower(std::string_view s);

// Index of the first byte of the last character (lead byte and trail byte count as one),
// or npos for an empty string.
std::size_t LastCharStart(std::string_view s);

// Index of the last "\" that is a character of its own (not a GBK trail byte), or npos.
std::size_t LastBackslash(std::string_view s);

// The one forward path splitter: the index of the first "\" at or after `from` that is a
// character of its own, or npos. `from` must start a character (0, or just past a "\").
std::size_t NextBackslash(std::string_view s, std::size_t from = 0);
// The path's components between its "\" separators, empty ones included ("c:\a\" gives
// "c:", "a" and "").
std::vector<std::string_view> SplitAtBackslashes(std::string_view path);

// True when the byte at index starts a character: it is not the trail byte of a GBK pair.
bool IsCharStart(std::string_view s, std::size_t index);

// A stored name in the form the paths here take: every "/" becomes "\". A "/" is never a
// GBK trail byte, so it always separates; a lead byte standing alone before one (a name
// written in another code page) would take the "\" for its trail and join the two parts
// into one character, and the system reads it as no character a name may hold: it becomes
// "_". A stored "\" is left as it is, trail byte or separator.
void SlashesToBackslashes(std::string& name);
// Adds the "\" that makes a path a folder's, when it has none; a lone lead byte at the end
// becomes "_" first, for the same reason.
void AppendBackslash(std::string& path);

// Everything up to and including the last "\" (empty when there is none).
std::string ExtractFilePath(std::string_view path);
// Everything after the last "\".
std::string ExtractFileName(std::string_view path);
// The path without its trailing "\" (GBK-aware), when it has one.
std::string ExcludeTrailingBackslash(std::string_view path);

// Printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace base
