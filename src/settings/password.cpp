#include "settings/password.h"

#include <cstdio>

namespace brevio::settings {

namespace {
constexpr unsigned char kMask = 0x3A;
constexpr std::size_t kBufferSize = 128;
}  // namespace

std::string ScramblePassword(std::string_view plain) {
    std::string out;
    char pair[3];
    for (unsigned char c : plain) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(c ^ kMask));
        out += pair;
    }
    return out;
}

std::string UnscramblePassword(std::string_view scrambled) {
    std::string plain;
    if (scrambled.size() % 2 != 0) return plain;
    for (std::size_t i = 0; i + 1 < scrambled.size() && plain.size() < kBufferSize - 1; i += 2) {
        // Each pair is read as scanf's "%x" reads it: blanks skipped, a sign allowed, digits
        // up to the first non-hex character.
        char pair[3] = {scrambled[i], scrambled[i + 1], 0};
        unsigned value = 0;
        if (std::sscanf(pair, "%x", &value) != 1) break;
        char c = static_cast<char>((value & 0xFF) ^ kMask);
        if (c == '\0') break;  // the buffer is a C string: a NUL ends the password
        plain += c;
    }
    return plain;
}

}  // namespace brevio::settings
