#include "text_util.h"

#include <cctype>
#include <cstdio>
#include <fstream>

#include "platform/text.h"

namespace brevio::demo {

std::string ToGbk(std::string_view utf8) {
    return platform::Utf8ToGbk(utf8);
}

std::string ToUtf8(std::string_view gbk) {
    return platform::GbkToUtf8(gbk);
}

namespace {

bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool IsTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

}  // namespace

bool IsWellFormedGbk(std::string_view gbk) {
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        auto c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80) continue;
        if (!IsLead(c) || i + 1 >= gbk.size() || !IsTrail(static_cast<unsigned char>(gbk[i + 1])))
            return false;
        ++i;
    }
    return true;
}

bool GbkContains(std::string_view haystack, std::string_view needle) {
    if (needle.empty() || needle.size() > haystack.size()) return false;
    std::size_t i = 0;
    while (i + needle.size() <= haystack.size()) {
        if (haystack.compare(i, needle.size(), needle) == 0) return true;
        auto c = static_cast<unsigned char>(haystack[i]);
        i += (IsLead(c) && i + 1 < haystack.size()) ? 2 : 1;
    }
    return false;
}

std::string_view TrimSpace(std::string_view s) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string> SplitNonEmpty(std::string_view text, char sep) {
    std::vector<std::string> parts;
    while (true) {
        std::size_t at = text.find(sep);
        std::string_view part = TrimSpace(text.substr(0, at));
        if (!part.empty()) parts.emplace_back(part);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::vector<std::string> TabFields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == '\t') ++i;
        if (i >= line.size()) break;
        std::size_t end = line.find('\t', i);
        if (end == std::string_view::npos) end = line.size();
        std::string_view raw = line.substr(i, end - i);
        std::string field;
        for (std::size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] != '"') {
                field += raw[k];
            } else if (k + 1 < raw.size() && raw[k + 1] == '"') {
                field += '"';
                ++k;
            }
        }
        while (!field.empty() && field.back() == ' ') field.pop_back();
        fields.push_back(std::move(field));
        i = end;
    }
    return fields;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    lines.clear();
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        lines.push_back(line);
    }
    return true;
}

std::string FormatLocalTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d-%d-%d %d:%d:%d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::optional<std::time_t> ParseLocalTime(std::string_view text) {
    std::string copy(TrimSpace(text));
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(copy.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return std::nullopt;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 ||
        s < 0 || s > 60)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return t;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string PercentDecode(std::string_view s, bool plusIsSpace) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            int hi = HexValue(s[i + 1]);
            int lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += (plusIsSpace && s[i] == '+') ? ' ' : s[i];
    }
    return out;
}

std::string PercentEncode(std::string_view s) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string XmlEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::optional<long long> ParseDecimal(std::string_view s) {
    if (s.empty() || s.size() > 18) return std::nullopt;
    long long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace brevio::demo

namespace brevio::demo {

bool ReadSectionFile(const std::string& path,
                     std::vector<std::pair<std::string, std::vector<std::string>>>& sections) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines)) return false;
    sections.clear();
    for (const std::string& raw : lines) {
        std::string_view line = TrimSpace(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.emplace_back(std::string(line.substr(1, line.size() - 2)),
                                  std::vector<std::string>{});
        } else if (!sections.empty()) {
            sections.back().second.emplace_back(line);
        }
    }
    return true;
}

}  // namespace brevio::demo
