// Text helpers for GBK byte strings: code-page conversion, DBCS-safe cuts, trimming.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::platform {

// Whole-text conversion between GBK (code page 936) and UTF-8. Invalid or truncated input
// never fails: each byte that cannot be converted becomes U+FFFD (to UTF-8) or '?' (to GBK).
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// True when a byte counts as part of a double-byte character in the system's byte rules.
inline bool IsHighByte(unsigned char c) {
    return c > 0xA0;
}

// Longest prefix of `text` of at most `maxBytes` bytes that does not end inside a GBK
// double-byte character (lead bytes 0x81-0xFE are followed by their trail byte).
std::string_view DbcsPrefix(std::string_view text, std::size_t maxBytes);

// Copies `text` into a fixed-size field of `fieldSize` bytes: at most fieldSize-1 bytes, cut
// without splitting a double-byte character, NUL-terminated, rest of the field zeroed.
void CopyToField(char* field, std::size_t fieldSize, std::string_view text);

// Reads a NUL-terminated text out of a fixed-size field (never past the field).
std::string FieldText(const char* field, std::size_t fieldSize);

// Title shortening: keep the first n bytes, turn the last kept byte into a blank when an odd
// number of the kept bytes are above 0xA0, append "...".
std::string ShortenTitle(std::string_view title, std::size_t n);

// White-space trimming (blank, tab, CR, LF, VT, FF).
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);
std::string_view Trim(std::string_view s);
// Trims blanks (' ') only.
std::string_view TrimBlanks(std::string_view s);
std::string_view TrimRightBlanks(std::string_view s);

// Splits on a single separator byte; empty parts are kept.
std::vector<std::string> Split(std::string_view s, char sep);

// Case-insensitive ASCII comparison (GBK bytes above 0x7F compare exactly).
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view s);

// Leading decimal digits as a number ("12ab" -> 12, "x" -> 0), optional sign, like atoi.
long long ParseLeadingInt(std::string_view s);

// printf into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace brevio::platform
