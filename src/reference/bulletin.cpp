#include "reference/bulletin.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "reference/tab_files.h"

namespace brevio::reference {
namespace {

constexpr std::size_t kFlagLine = 3;  // zero-based index of the show-at-start line
constexpr std::size_t kContentLine = 4;

// The file's lines, split at LF, CR LF removed; a last line without LF counts too.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
        lines.push_back(platform::StripLineEnd(text.substr(pos, end - pos)));
        pos = end;
    }
    return lines;
}

std::string Cut(std::string_view value, std::size_t max) {
    return std::string(platform::DbcsPrefix(value, max));
}

std::string FlagText(int showAtStart) {
    return showAtStart != 0 ? "1" : "0";
}

std::string QuotedLine(std::string_view value) {
    std::string line = QuoteField(value);
    line += "\r\n";
    return line;
}

int StoreFile(std::string_view path, const std::string& text) {
    if (!platform::WriteFileAtomic(path, text)) {
        platform::LogFileError("Write " + std::string(path), platform::LastError());
        return kBulletinWriteFailed;
    }
    return 0;
}

}  // namespace

bool IsBulletinItem(std::string_view categoryCode, std::string_view categoryGroup) {
    return categoryCode == kBulletinCategoryCode && categoryGroup == "大众";
}

int ReadBulletin(std::string_view path, Bulletin& out) {
    out = Bulletin{};
    std::string text;
    if (!platform::ReadWholeFile(path, text)) return kBulletinMissing;
    std::vector<std::string_view> lines = SplitLines(text);
    auto value = [&](std::size_t i) {
        return i < lines.size() ? UnquoteQuotedValue(lines[i]) : std::string();
    };
    out.title = Cut(value(0), kBulletinTitleMax);
    out.time = Cut(value(1), kBulletinTimeMax);
    out.category = Cut(value(2), kBulletinCategoryMax);
    out.showAtStart = platform::ParseLeadingInt(value(kFlagLine)) != 0 ? 1 : 0;
    std::string content;
    for (std::size_t i = kContentLine; i < lines.size(); ++i) {
        if (i > kContentLine) content += "\r\n";
        // Only a content of one line can be the empty value written as two quote marks.
        content += lines.size() == kContentLine + 1 ? UnquoteQuotedValue(lines[i])
                                                    : UnquoteField(lines[i]);
        if (content.size() > kBulletinContentMax) break;
    }
    out.content = Cut(content, kBulletinContentMax);
    if (out.title.empty()) out.showAtStart = 0;
    return 0;
}

int WriteBulletin(std::string_view path, const Bulletin& item, int showAtStart) {
    std::string content;
    content.reserve(item.content.size());
    for (char c : platform::DbcsPrefix(item.content, kBulletinContentMax)) {
        if (c != '\t') content += c;
    }
    // Line breaks of the content stay: the content then runs over several lines, which the
    // reader joins again. Every other value is kept to one line.
    std::string quotedContent = "\"";
    for (char c : content) {
        if (c == '"') {
            quotedContent += "\"\"";
        } else {
            quotedContent += c;
        }
    }
    quotedContent += "\"\r\n";

    std::string text = QuotedLine(Cut(item.title, kBulletinTitleMax));
    text += QuotedLine(Cut(item.time, kBulletinTimeMax));
    text += QuotedLine(Cut(item.category, kBulletinCategoryMax));
    text += QuotedLine(FlagText(showAtStart));
    text += quotedContent;
    return StoreFile(path, text);
}

int SetBulletinFlag(std::string_view path, int showAtStart) {
    std::string text;
    if (!platform::ReadWholeFile(path, text)) return kBulletinMissing;
    std::vector<std::string_view> lines = SplitLines(text);
    std::string rewritten;
    rewritten.reserve(text.size() + 8);
    std::size_t count = std::max(lines.size(), kFlagLine + 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (i == kFlagLine) {
            rewritten += QuotedLine(FlagText(showAtStart));
        } else if (i < lines.size()) {
            rewritten += lines[i];
            rewritten += "\r\n";
        } else {
            rewritten += "\"\"\r\n";  // a missing line before the flag: an empty value
        }
    }
    return StoreFile(path, rewritten);
}

}  // namespace brevio::reference
