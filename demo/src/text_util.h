// Small text helpers of the demo server. The server keeps its own texts in UTF-8 and turns
// them into GBK where they leave it on the wire; these helpers work on either kind of bytes.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::demo {

// UTF-8 to GBK and back (whole texts; see platform/text.h).
std::string ToGbk(std::string_view utf8);
std::string ToUtf8(std::string_view gbk);

// True when `gbk` is well-formed GBK (ASCII, or a lead byte 0x81-0xFE followed by a trail
// byte 0x40-0xFE other than 0x7F).
bool IsWellFormedGbk(std::string_view gbk);

// True when `needle` occurs in `haystack` starting at a character boundary of the GBK text,
// so that a keyword never matches the second half of one character and the first half of the
// next. An empty needle matches nothing.
bool GbkContains(std::string_view haystack, std::string_view needle);

// Splits at `sep`, trims blanks around each part and drops empty parts.
std::vector<std::string> SplitNonEmpty(std::string_view text, char sep);

std::string_view TrimSpace(std::string_view s);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Fields of one line of a tab-separated table: runs of tabs are one separator, quote marks
// are removed (a doubled one stands for one), trailing blanks are dropped.
std::vector<std::string> TabFields(std::string_view line);

// Reads a text file into lines (CR and LF removed). False when it cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines);

// Local time as "yyyy-m-d h:m:s", without leading zeros.
std::string FormatLocalTime(std::time_t t);
// Parses "yyyy-m-d h:m:s" (local time); nothing when the text does not have that form.
std::optional<std::time_t> ParseLocalTime(std::string_view text);

// Decodes %XX escapes; with `plusIsSpace`, "+" also becomes a blank. Malformed escapes stay.
std::string PercentDecode(std::string_view s, bool plusIsSpace);
// Escapes every byte that is not unreserved in a URL query value.
std::string PercentEncode(std::string_view s);
// Escapes the five XML/HTML special characters.
std::string XmlEscape(std::string_view s);

// Decimal value of a text made only of digits (1 to 18 of them), nothing otherwise.
std::optional<long long> ParseDecimal(std::string_view s);

}  // namespace brevio::demo

namespace brevio::demo {

// Reads a file of "[name]" sections holding one entry per line; empty lines and lines that
// start with "#" are skipped. False when the file cannot be read.
bool ReadSectionFile(const std::string& path,
                     std::vector<std::pair<std::string, std::vector<std::string>>>& sections);

}  // namespace brevio::demo
