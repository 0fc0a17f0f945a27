#pragma once
#include <string>
#include <string_view>

namespace brevio::platform {
// RFC 1321 digest of the bytes, as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);
}  // namespace brevio::platform
