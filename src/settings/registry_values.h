// The four operations on the program's registry key. Reads write the default when the value
// is missing, so every value read once exists afterwards; write failures are silent.
#pragma once

#include <string>
#include <string_view>

namespace brevio::settings {

// Strings longer than this are cut when read (the value buffer holds 5000 bytes).
constexpr std::size_t kMaxStringValue = 4999;

int ReadInt(std::string_view name, int defaultValue);
std::string ReadString(std::string_view name, std::string_view defaultValue);
void WriteInt(std::string_view name, int value);
void WriteString(std::string_view name, std::string_view value);

}  // namespace brevio::settings
