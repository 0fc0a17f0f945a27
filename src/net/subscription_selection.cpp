#include "net/subscription_selection.h"

#include <climits>

#include "platform/profile.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::net {

namespace {

constexpr long long kPublicLow = 1000;       // public ids are above this
constexpr long long kTradeLimit = 1000;      // trade values are below this
constexpr long long kTradeOffset = 200;      // trade value = code + 200
constexpr long long kRegionOffset = 100000;  // region value = code + 100000, above it
constexpr long long kMaxItemValue = INT32_MAX;

// Every byte a decimal digit; numbers of more than nine digits are outside every range.
std::optional<long long> CodeNumber(std::string_view code) {
    if (code.empty() || code.size() > 9) return std::nullopt;
    for (char c : code) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    return platform::ParseLeadingInt(code);
}

std::string SectionName(int index) {
    return std::to_string(index);
}

}  // namespace

std::string VantoryFilePath(std::string_view programFolder) {
    std::string path(programFolder);
    if (!path.empty() && path.back() != '/') path += '/';
    return path + std::string(kVantoryFileName);
}

std::optional<long long> EncodeItemValue(Group group, std::string_view code) {
    std::optional<long long> n = CodeNumber(code);
    if (!n) return std::nullopt;
    switch (group) {
        case Group::kPublic:
            if (*n > kPublicLow && *n < kRegionOffset) return *n;
            break;
        case Group::kTrade:
            if (*n + kTradeOffset < kTradeLimit) return *n + kTradeOffset;
            break;
        case Group::kRegion:
            if (*n > 0 && *n + kRegionOffset <= kMaxItemValue) return *n + kRegionOffset;
            break;
    }
    return std::nullopt;
}

std::optional<ChosenCategory> DecodeItemValue(long long value) {
    if (value > kPublicLow && value < kRegionOffset) {
        std::string code = std::to_string(value);
        if (value <= 9999) code = "0" + code;
        return ChosenCategory{Group::kPublic, code};
    }
    if (value >= kTradeOffset && value < kTradeLimit) {
        long long n = value - kTradeOffset;
        std::string code = std::to_string(n);
        if (n < 10) code = "0" + code;
        return ChosenCategory{Group::kTrade, code};
    }
    if (value > kRegionOffset && value <= kMaxItemValue) {
        return ChosenCategory{Group::kRegion, std::to_string(value - kRegionOffset)};
    }
    return std::nullopt;
}

std::optional<ChosenCategory> DecodeItemValue(std::string_view text) {
    std::string_view t = platform::Trim(text);
    if (t.empty() || t[0] < '0' || t[0] > '9') return std::nullopt;
    return DecodeItemValue(platform::ParseLeadingInt(t));
}

std::vector<CategoryChoice> ReadSelection(std::string_view file) {
    std::vector<CategoryChoice> choices;
    for (int i = 0; i < kMaxSelectionSections; ++i) {
        std::string section = SectionName(i);
        std::string id = platform::ProfileGetString(file, section, kKeyCategoryId, "", 4096);
        if (id.empty()) break;
        std::string name = platform::ProfileGetString(file, section, kKeyCategoryName, "", 4096);
        choices.push_back({std::string(platform::DbcsPrefix(id, kMaxSelectionIdBytes)),
                           std::string(platform::DbcsPrefix(name, kMaxSelectionNameBytes))});
    }
    return choices;
}

bool WriteSelection(std::string_view file, const std::vector<CategoryChoice>& choices) {
    platform::ProfileEditor editor{std::string(file)};
    int n = static_cast<int>(std::min<std::size_t>(choices.size(), kMaxSelectionSections));
    for (int i = 0; i < kMaxSelectionSections; ++i) editor.DeleteSection(SectionName(i));
    for (int i = 0; i < n; ++i) {
        const CategoryChoice& c = choices[static_cast<std::size_t>(i)];
        editor.WriteString(SectionName(i), kKeyCategoryId,
                           platform::StorableProfileValue(c.categoryId));
        editor.WriteString(SectionName(i), kKeyCategoryName,
                           platform::StorableProfileValue(c.categoryName));
    }
    if (!editor.Commit()) return false;
    settings::WriteInt(settings::keys::kMyFolderCount, n);
    return true;
}

}  // namespace brevio::net
