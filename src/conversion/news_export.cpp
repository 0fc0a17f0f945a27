#include "conversion/news_export.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "conversion/conversion_settings.h"
#include "conversion/output_lock.h"
#include "conversion/templates.h"
#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "store/converted_index.h"

namespace brevio::conversion {
namespace {

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// The replacement of one single-byte character in a safe title, or nothing.
const char* SafeReplacement(char c) {
    switch (c) {
        case '|':
            return "§";
        case '/':
        case '\\':
            return "-";
        case '?':
            return "？";
        case '*':
            return "×";
        case '"':
            return "“";
        case '<':
            return "《";
        case ':':
            return "：";
        case '>':
            return "》";
        default:
            return nullptr;
    }
}

bool OnlyDots(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c == '.'; });
}

// Control bytes (outside double-byte characters) as '_'.
std::string WithoutControlBytes(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c) && i + 1 < name.size()) {
            out += name[i];
            out += name[++i];
        } else if (c < 0x20 || c == 0x7F) {
            out += '_';
        } else {
            out += name[i];
        }
    }
    return out;
}

// The longest prefix whose UTF-8 form has at most `limit` bytes (never half a character).
std::string FitUtf8(std::string name, std::size_t limit) {
    std::size_t utf8 = platform::GbkToUtf8(name).size();
    while (utf8 > limit && !name.empty()) {
        // GBK bytes never grow by more than three times; shrink in proportion, then on.
        std::size_t keep = std::min(name.size() - 1, name.size() * limit / utf8);
        name.resize(platform::DbcsPrefix(name, keep).size());
        utf8 = platform::GbkToUtf8(name).size();
    }
    return name;
}

std::string UsableName(std::string_view safeName, std::string_view fallback) {
    std::string name = WithoutControlBytes(safeName);
    if (name.empty() || OnlyDots(name)) name = WithoutControlBytes(fallback);
    if (name.empty() || OnlyDots(name)) name = "_";
    return FitUtf8(std::move(name), kMaxFileBaseUtf8);
}

bool SameFileBytes(const std::string& path, std::string_view bytes) {
    if (platform::FileSize(path) != static_cast<long long>(bytes.size())) return false;
    std::string existing;
    return platform::ReadWholeFile(path, existing) && existing == bytes;
}

}  // namespace

// Registrations of a StoredConversionRun, by index.
struct StoredConversionRun::Pending {
    using Key = std::tuple<std::string, std::int32_t, std::int32_t, std::string>;
    std::map<std::string, std::vector<store::StoredRegistration>> byIndex;
    std::set<Key> keys;  // index, news ID, code, file base name

    void Add(const std::string& index, store::StoredRegistration r) {
        keys.insert({index, r.record.newsId, r.code, r.fileBase});
        byIndex[index].push_back(std::move(r));
    }
    bool Holds(const std::string& index, std::string_view fileBase, std::int32_t code,
               std::int32_t id) const {
        return keys.count({index, id, code, std::string(fileBase)}) > 0;
    }
};

namespace {

using Pending = StoredConversionRun::Pending;

// The base name of the file to write in `folder`: the item's name, or with "_<ID>" when a
// file of that name belongs to another item (it is neither registered for this item nor
// holds exactly the bytes about to be written).
std::string ChooseFileBase(std::string_view folder, std::string_view extension,
                           const ConversionItem& item, std::string_view body,
                           const std::string& ownerIndex, const Pending* pending) {
    std::string base = FileBaseName(item.fileTitle, item.record.newsId);
    const std::string path = std::string(folder) + base + std::string(extension);
    if (!platform::PathExists(path)) return base;
    const std::int32_t id = item.record.newsId;
    // Cheapest first: converting an unchanged item again finds its own bytes; the index is
    // read only for an item whose file changed (an edited item).
    if (platform::FileExists(path) &&
        (SameFileBytes(path, body) ||
         (pending && pending->Holds(ownerIndex, base, item.code, id)) ||
         store::ConvertedFileBelongsTo(ownerIndex, base, item.code, id))) {
        return base;
    }
    return base + "_" + std::to_string(id);
}

void Register(const std::string& indexBase, const std::string& fileBase, const ConversionItem& item,
              Pending* pending) {
    if (item.received) {
        store::RegisterItem(indexBase, fileBase, item.code, *item.received, item.record.WebSite());
    } else if (pending) {
        pending->Add(indexBase, {fileBase, item.code, item.record});
    } else {
        store::RegisterStored(indexBase, fileBase, item.code, item.record);
    }
}

// Writes the body under the chosen name; the file written, or the write's failure.
ConvertedFile WriteConverted(std::string_view folder, std::string_view extension,
                             const ConversionItem& item, std::string_view body,
                             const std::string& ownerIndex, const Pending* pending) {
    ConvertedFile out;
    std::string dir = platform::WithSlash(std::string(folder));
    platform::CreateFolders(dir);
    out.fileBase = ChooseFileBase(dir, extension, item, body, ownerIndex, pending);
    out.path = dir + out.fileBase + std::string(extension);
    int written = WriteWholeFile(out.path, body);
    out.result = written < 0 ? written : 0;
    return out;
}

// The conversions; the caller holds the output lock.
ConvertedFile TextUnlocked(const ConversionSettings& settings, std::string_view folder,
                           const ConversionItem& item, Pending* pending) {
    const std::string body = TextFileBody(item.record, item.content);
    const std::string dayIndex = DayIndexBase(settings.convertPath, item.kind, item.record.date);
    ConvertedFile out = WriteConverted(folder, ".txt", item, body, dayIndex, pending);
    if (out.result < 0) return out;
    platform::CreateFolders(DayIndexFolder(settings.convertPath, item.kind, item.record.date));
    Register(dayIndex, out.fileBase, item, pending);
    Register(GroupIndexBase(settings.convertPath, item.kind, OutputForm::kText), out.fileBase, item,
             pending);
    return out;
}

ConvertedFile HtmlUnlocked(const ConversionSettings& settings, std::string_view folder,
                           const ConversionItem& item, Pending* pending) {
    const std::string page = HtmlPage(settings.templateText, item.record, item.content);
    const std::string groupIndex =
        GroupIndexBase(settings.convertPath, item.kind, OutputForm::kHtml);
    ConvertedFile out = WriteConverted(folder, ".htm", item, page, groupIndex, pending);
    if (out.result < 0) return out;
    platform::CreateFolders(settings.convertPath);
    Register(groupIndex, out.fileBase, item, pending);
    return out;
}

}  // namespace

std::string DateText(std::int32_t date, std::int32_t time) {
    return store::RecordTimeText(date, time);
}

std::string SiteText(std::string_view siteName) {
    return store::ConvertedWebSite(siteName);
}

std::string SafeTitle(std::string_view title) {
    title = platform::Trim(title);
    std::string out;
    out.reserve(title.size() + 8);
    for (std::size_t i = 0; i < title.size(); ++i) {
        auto c = static_cast<unsigned char>(title[i]);
        if (IsLeadByte(c) && i + 1 < title.size()) {
            out += title[i];
            out += title[++i];
        } else if (const char* r = SafeReplacement(title[i])) {
            out += r;
        } else {
            out += title[i];
        }
    }
    return out;
}

std::string ReceivedSafeTitle(std::string_view title) {
    std::string safe = SafeTitle(title);
    if (safe.size() >= kReceivedTitleCutAt) return platform::ShortenTitle(safe, kReceivedTitleKeep);
    return safe;
}

std::string FileBaseName(std::string_view safeTitle, std::int32_t newsId) {
    return UsableName(safeTitle, std::to_string(newsId));
}

std::string SafeFolderName(std::string_view name, std::string_view fallback) {
    return UsableName(SafeTitle(name), SafeTitle(fallback));
}

std::string HtmlContent(std::string_view content) {
    static constexpr std::string_view kIndent = "&nbsp;&nbsp;&nbsp;";
    std::string out(kIndent);
    out.reserve(content.size() + content.size() / 4 + 32);
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
            out += "<br>";
            out += kIndent;
            ++i;
        } else if (c == '\x04') {
            out += "<font color=red>";
        } else if (c == '\x05') {
            out += "</font>";
        } else {
            out += c;
        }
    }
    return out;
}

std::string FillTemplate(std::string_view templateText,
                         std::initializer_list<std::string_view> values) {
    std::string page;
    page.reserve(templateText.size() + 8192);
    auto next = values.begin();
    for (std::size_t i = 0; i < templateText.size(); ++i) {
        const char c = templateText[i];
        if (c == '%' && i + 1 < templateText.size()) {
            const char d = templateText[i + 1];
            if (d == '%') {
                page += '%';
                ++i;
                continue;
            }
            if (d == 's') {
                if (next != values.end()) page += *next++;
                ++i;
                continue;
            }
        }
        page += c;
    }
    if (page.size() > kMaxPageBytes) page.resize(platform::DbcsPrefix(page, kMaxPageBytes).size());
    return page;
}

int WriteWholeFile(std::string_view path, std::string_view text) {
    platform::File f;
    if (!f.Open(path, platform::File::kCreate)) {
        platform::LogFileError(path, platform::LastError());
        return kCannotOpenFile;
    }
    if (!f.Write(text)) {
        platform::LogFileError(path, platform::LastError());
        return kWriteFailed;
    }
    return static_cast<int>(text.size());
}

std::string TextFileBody(const store::NewsRecord& record, std::string_view content) {
    std::string body = record.Title();
    body += "\r\n";
    body += DateText(record.date, record.time);
    body += "   ";
    body += SiteText(record.WebSite());
    body += "\r\n";
    body += content;
    return body;
}

std::string HtmlPage(std::string_view templateText, const store::NewsRecord& record,
                     std::string_view content) {
    const std::string title = record.Title();
    return FillTemplate(templateText.empty() ? std::string_view(BuiltInTemplate()) : templateText,
                        {title, title, DateText(record.date, record.time),
                         SiteText(record.WebSite()), HtmlContent(content)});
}

ConvertedFile ConvertToText(const ConversionSettings& settings, std::string_view folder,
                            const ConversionItem& item) {
    OutputLock lock(settings.convertPath, OutputLock::kShared);
    return TextUnlocked(settings, folder, item, nullptr);
}

ConvertedFile ConvertToHtml(const ConversionSettings& settings, std::string_view folder,
                            const ConversionItem& item) {
    OutputLock lock(settings.convertPath, OutputLock::kShared);
    return HtmlUnlocked(settings, folder, item, nullptr);
}

StoredConversionRun::StoredConversionRun(const ConversionSettings& settings)
    : settings_(settings),
      lock_(std::make_unique<OutputLock>(settings.convertPath, OutputLock::kShared)),
      pending_(std::make_unique<Pending>()) {}

StoredConversionRun::~StoredConversionRun() {
    Finish();
}

ConvertedFile StoredConversionRun::Text(std::string_view folder, const ConversionItem& item) {
    return TextUnlocked(settings_, folder, item, pending_.get());
}

ConvertedFile StoredConversionRun::Html(std::string_view folder, const ConversionItem& item) {
    return HtmlUnlocked(settings_, folder, item, pending_.get());
}

int StoredConversionRun::Finish() {
    int result = 0;
    for (auto& [index, batch] : pending_->byIndex) {
        int rc = store::RegisterStoredBatch(index, batch);
        if (rc < 0 && result == 0) result = rc;
    }
    pending_->byIndex.clear();
    pending_->keys.clear();
    lock_.reset();
    return result;
}

}  // namespace brevio::conversion
