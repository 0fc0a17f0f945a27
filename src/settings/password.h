// Scrambling of the stored password: every byte XOR 0x3A as two lower-case hex digits.
#pragma once

#include <string>
#include <string_view>

namespace brevio::settings {

std::string ScramblePassword(std::string_view plain);
// An odd length gives an empty password; decoding stops at a pair that cannot be read and at
// a decoded NUL byte; at most 127 bytes are kept.
std::string UnscramblePassword(std::string_view scrambled);

}  // namespace brevio::settings
