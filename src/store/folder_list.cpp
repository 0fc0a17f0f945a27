#include "store/folder_list.h"

#include <limits>

#include "platform/profile.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::store {

namespace {

// Values are read whole and then cut as the reading buffers would, at a safe place.
constexpr std::size_t kWholeValue = 65536;

std::string Key(const char* prefix, std::size_t n) {
    return prefix + std::to_string(n);
}

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// ASCII letters fold; double-byte characters compare exactly (their second byte may look
// like a letter).
bool EqualsNoCaseGbk(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto fold = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (fold(x) != fold(y)) {
            return false;
        }
    }
    return true;
}

// The keyword text as far as its buffer holds it; when the buffer cuts through a keyword,
// that keyword is dropped rather than kept shortened.
std::string CutKeywordText(const std::string& whole) {
    const std::size_t limit = kFolderKeywordsBuffer - 1;
    if (whole.size() <= limit) return whole;
    std::string_view kept = platform::DbcsPrefix(whole, limit);
    if (whole[kept.size()] == ',') return std::string(kept);
    std::size_t comma = kept.rfind(',');
    return comma == std::string_view::npos ? std::string() : std::string(kept.substr(0, comma));
}

}  // namespace

std::string FolderEntry::KeywordText() const {
    std::string text;
    for (const std::string& k : keywords) {
        if (!text.empty()) text += ',';
        text += k;
    }
    return text;
}

std::vector<std::string> SplitFolderKeywords(std::string_view text) {
    std::vector<std::string> keywords;
    for (std::string& part : platform::Split(platform::TrimBlanks(text), ',')) {
        if (!part.empty()) keywords.push_back(std::move(part));
    }
    return keywords;
}

FolderList LoadFolders(std::string_view iniFile) {
    FolderList list;
    long long count = platform::ParseLeadingInt(
        platform::ProfileGetString(iniFile, kFolderSection, "Count", "", kFolderCountBuffer));
    if (count <= 0) return list;
    // No entry can be read beyond the keys that are there; a damaged Count does not make the
    // reading run through millions of missing keys.
    const std::size_t keys = platform::ProfileGetSection(iniFile, kFolderSection,
                                                         std::numeric_limits<std::size_t>::max())
                                 .size();
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), keys);
    for (std::size_t i = 0; i < n; ++i) {
        std::string idText = platform::ProfileGetString(iniFile, kFolderSection, Key("FavID", i),
                                                        "", kFolderIdBuffer);
        long long id = platform::ParseLeadingInt(idText);
        if (id <= 0) continue;  // no news file can belong to it
        FolderEntry entry;
        entry.id = static_cast<std::int32_t>(id);
        std::string name =
            platform::ProfileGetString(iniFile, kFolderSection, Key("FavName", i), "", kWholeValue);
        entry.name = std::string(platform::DbcsPrefix(name, kFolderNameBuffer - 1));
        std::string keywords = platform::ProfileGetString(iniFile, kFolderSection,
                                                          Key("Keywords", i), "", kWholeValue);
        entry.keywords = SplitFolderKeywords(CutKeywordText(keywords));
        list.push_back(std::move(entry));
    }
    return list;
}

bool SaveFolders(std::string_view iniFile, const FolderList& list) {
    std::vector<std::string> lines;
    lines.reserve(1 + 3 * list.size());
    lines.push_back("Count=" + std::to_string(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FolderEntry& e = list[i];
        lines.push_back(Key("FavID", i) + "=" + std::to_string(e.id));
        lines.push_back(Key("FavName", i) + "=" + platform::StorableProfileValue(e.name));
        if (!e.keywords.empty()) {
            lines.push_back(Key("Keywords", i) + "=" +
                            platform::StorableProfileValue(e.KeywordText()));
        }
    }
    return platform::ProfileWriteSection(iniFile, kFolderSection, lines);
}

bool HasFolderNamed(const FolderList& list, std::string_view name) {
    std::string_view wanted = platform::Trim(name);
    for (const FolderEntry& e : list) {
        if (EqualsNoCaseGbk(platform::Trim(e.name), wanted)) return true;
    }
    return false;
}

std::int32_t NextFolderId(const FolderList& favourites, const FolderList& subscriptions) {
    auto taken = [&](std::int32_t id) {
        for (const FolderList* list : {&favourites, &subscriptions}) {
            for (const FolderEntry& e : *list) {
                if (e.id == id) return true;
            }
        }
        return false;
    };
    int last = settings::ReadInt(settings::keys::kFavMaxID, settings::keys::kFavMaxIDDefault);
    std::int32_t id = (last < 0 ? 0 : last) + 1;
    while (id <= kMaxFolderId && taken(id)) ++id;
    if (id > kMaxFolderId || id <= 0) return -1;
    settings::WriteInt(settings::keys::kFavMaxID, id);
    return id;
}

FolderListHolder::FolderListHolder() : list_(std::make_shared<const FolderList>()) {}

std::shared_ptr<const FolderList> FolderListHolder::Get() const {
    std::lock_guard lock(mutex_);
    return list_;
}

void FolderListHolder::Replace(FolderList list) {
    auto fresh = std::make_shared<const FolderList>(std::move(list));
    std::lock_guard lock(mutex_);
    list_.swap(fresh);
    // The old list is released after the lock, by whoever holds it last.
}

int FolderListHolder::Reload(std::string_view iniFile) {
    FolderList list = LoadFolders(iniFile);
    int n = static_cast<int>(list.size());
    Replace(std::move(list));
    return n;
}

}  // namespace brevio::store
