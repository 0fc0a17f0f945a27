#include "platform/text.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace brevio::platform {
namespace {

// Converts with iconv, replacing each byte that cannot be converted by `replacement` and
// going on after it, so damaged input never stops or breaks the conversion.
// Bytes to skip at an unconvertible position: a whole UTF-8 sequence when the input is
// UTF-8 (so one character outside GBK becomes one '?'), else one byte.
std::size_t SkipWidth(const char* from, const char* at, std::size_t left) {
    if (std::strcmp(from, "UTF-8") != 0) return 1;
    unsigned char c = static_cast<unsigned char>(*at);
    std::size_t width = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    for (std::size_t i = 1; i < width; ++i) {
        if (i >= left || (static_cast<unsigned char>(at[i]) & 0xC0) != 0x80) return i;
    }
    return width;
}

std::string Convert(std::string_view input, const char* to, const char* from,
                    std::string_view replacement) {
    std::string out;
    if (input.empty()) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    out.reserve(input.size() * 2);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, o - buf);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence at the end): skip one byte.
            out.append(replacement);
            std::size_t skip = SkipWidth(from, in, inLeft);
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* o = buf;
    size_t oLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    out.append(buf, o - buf);
    iconv_close(cd);
    return out;
}

bool IsWhite(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

// GB18030 is a superset of GBK that decodes every GBK sequence the same way; using it for
// decoding also accepts the few code points GBK encoders emit outside strict CP936.
std::string GbkToUtf8(std::string_view gbk) {
    return Convert(gbk, "UTF-8", "GB18030", "\xEF\xBF\xBD");
}

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert(utf8, "GBK", "UTF-8", "?");
}

std::string_view DbcsPrefix(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t i = 0;
    while (i < maxBytes) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t width = (c >= 0x81 && c <= 0xFE) ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
    }
    return text.substr(0, i);
}

void CopyToField(char* field, std::size_t fieldSize, std::string_view text) {
    if (fieldSize == 0) return;
    std::memset(field, 0, fieldSize);
    // A text holding a NUL ends there, as it would in the stored field.
    std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    std::string_view kept = DbcsPrefix(text, fieldSize - 1);
    std::memcpy(field, kept.data(), kept.size());
}

std::string FieldText(const char* field, std::size_t fieldSize) {
    const void* nul = std::memchr(field, 0, fieldSize);
    std::size_t len = nul ? static_cast<const char*>(nul) - field : fieldSize;
    return std::string(field, len);
}

std::string ShortenTitle(std::string_view title, std::size_t n) {
    std::string kept(title.substr(0, std::min(n, title.size())));
    std::size_t high = 0;
    for (unsigned char c : kept) high += IsHighByte(c) ? 1 : 0;
    if (high % 2 == 1 && !kept.empty()) kept.back() = ' ';
    kept += "...";
    return kept;
}

std::string_view TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsWhite(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && IsWhite(static_cast<unsigned char>(s[n - 1]))) --n;
    return s.substr(0, n);
}

std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

std::string_view TrimRightBlanks(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

std::string_view TrimBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return TrimRightBlanks(s.substr(i));
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t pos = s.find(sep, start);
        if (pos == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, pos - start));
        start = pos + 1;
    }
}

// Letter case is folded only for single-byte characters: the trail byte of a GBK character
// (0x40-0xFE) may look like an ASCII letter and must compare exactly.
std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char u = static_cast<unsigned char>(out[i]);
        if (u >= 0x81 && u <= 0xFE) {
            ++i;  // skip the trail byte
        } else if (u < 0x80) {
            out[i] = static_cast<char>(std::tolower(u));
        }
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

long long ParseLeadingInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsWhite(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (value > (1LL << 53)) break;  // far beyond any 32-bit field; stop growing
        value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(ap);
    return out;
}

}  // namespace brevio::platform
