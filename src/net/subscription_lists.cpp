#include "net/subscription_lists.h"

#include <map>
#include <unordered_set>

#include "platform/profile.h"
#include "platform/text.h"
#include "reference/reference_tables.h"
#include "reference/user_websites.h"

namespace brevio::net {

namespace {

std::size_t At(Group g) {
    return static_cast<std::size_t>(g);
}

// Decimal codes compare by value ("5" and "05"); anything else does not match.
bool SameNumber(std::string_view a, std::string_view b) {
    auto digits = [](std::string_view s) {
        if (s.empty()) return false;
        for (char c : s) {
            if (c < '0' || c > '9') return false;
        }
        return true;
    };
    if (!digits(a) || !digits(b)) return false;
    auto strip = [](std::string_view s) {
        std::size_t i = s.find_first_not_of('0');
        return i == std::string_view::npos ? std::string_view("0") : s.substr(i);
    };
    return strip(a) == strip(b);
}

// The trade codes of a trade text: the parts that end with "|", trimmed at their right end.
std::vector<std::string> TradeParts(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar = text.find('|'); bar != std::string_view::npos;
         bar = text.find('|', start)) {
        parts.emplace_back(platform::TrimRight(text.substr(start, bar - start)));
        start = bar + 1;
    }
    return parts;
}

// Runs an edit; the key, the group and the busy flag (which belongs to reception) stay.
void EditKeepingIdentity(SubscriptionRecord& record,
                         const std::function<void(SubscriptionRecord&)>& edit) {
    std::string id = record.categoryId;
    Group group = record.group;
    bool busy = record.busy;
    edit(record);
    record.categoryId = std::move(id);
    record.group = group;
    record.busy = busy;
}

}  // namespace

std::string RecordKey(Group group, std::string_view referenceCode) {
    std::string key;
    if (group == Group::kRegion) key += kRegionKeyPrefix;
    key += referenceCode;
    return key;
}

std::string ReferenceCode(Group group, std::string_view key) {
    if (group == Group::kRegion && !key.empty() && key.front() == kRegionKeyPrefix) {
        key.remove_prefix(1);
    }
    return std::string(key);
}

SubscriptionLists::Slot* SubscriptionLists::FindLocked(const RecordRef& ref) {
    List& list = lists_[At(ref.group)];
    auto it = list.index.find(ref.categoryId);
    return it == list.index.end() ? nullptr : &list.entries[it->second];
}

const SubscriptionLists::Slot* SubscriptionLists::FindLocked(Group group,
                                                             std::string_view key) const {
    const List& list = lists_[At(group)];
    auto it = list.index.find(std::string(key));
    return it == list.index.end() ? nullptr : &list.entries[it->second];
}

void SubscriptionLists::Touch(Slot& slot) {
    slot.record.changed = true;
    ++slot.version;
}

int SubscriptionLists::Build(const reference::RefList& publicCategories,
                             const reference::RefList& trades, const reference::RefList& regions,
                             std::string_view categoryFile) {
    std::lock_guard files(fileMutex_);
    const reference::RefList* sources[kGroupCount] = {&publicCategories, &trades, &regions};

    // Which keys exist already: only new records are read from the file. No other Build
    // runs meanwhile, so no key can appear between this look and the merge.
    std::array<std::unordered_set<std::string>, kGroupCount> existing;
    {
        std::lock_guard lock(mutex_);
        for (int g = 0; g < kGroupCount; ++g) {
            for (const auto& [key, pos] : lists_[g].index) existing[g].insert(key);
        }
    }

    std::array<List, kGroupCount> fresh;
    for (int g = 0; g < kGroupCount; ++g) {
        Group group = static_cast<Group>(g);
        for (const reference::RefEntry& entry : *sources[g]) {
            if (entry.code.empty()) continue;
            std::string key = RecordKey(group, entry.code);
            if (fresh[g].index.count(key)) continue;  // first entry of a code wins
            Slot slot;
            slot.record.categoryId = key;
            slot.record.categoryName = entry.name;
            slot.record.group = group;
            if (!existing[g].count(key)) LoadRecord(categoryFile, slot.record);
            fresh[g].index.emplace(key, fresh[g].entries.size());
            fresh[g].entries.push_back(std::move(slot));
        }
    }

    std::lock_guard lock(mutex_);
    int total = 0;
    for (int g = 0; g < kGroupCount; ++g) {
        for (Slot& slot : fresh[g].entries) {
            auto it = lists_[g].index.find(slot.record.categoryId);
            if (it != lists_[g].index.end()) {
                std::string name = std::move(slot.record.categoryName);
                slot = std::move(lists_[g].entries[it->second]);
                slot.record.categoryName = std::move(name);
            }
        }
        total += static_cast<int>(fresh[g].entries.size());
        lists_[g] = std::move(fresh[g]);
    }
    return total;
}

int SubscriptionLists::Build(const reference::ReferenceTables& tables,
                             std::string_view categoryFile) {
    reference::Snapshot s = tables.Current();
    static const reference::RefList kEmpty;
    auto orEmpty = [](const std::shared_ptr<const reference::RefList>& list) -> const auto& {
        return list ? *list : kEmpty;
    };
    return Build(orEmpty(s.publicCategories), orEmpty(s.trades), orEmpty(s.regions), categoryFile);
}

std::vector<SubscriptionRecord> SubscriptionLists::Records(Group group) const {
    std::lock_guard lock(mutex_);
    std::vector<SubscriptionRecord> out;
    out.reserve(lists_[At(group)].entries.size());
    for (const Slot& slot : lists_[At(group)].entries) out.push_back(slot.record);
    return out;
}

std::size_t SubscriptionLists::Size(Group group) const {
    std::lock_guard lock(mutex_);
    return lists_[At(group)].entries.size();
}

std::optional<SubscriptionRecord> SubscriptionLists::Get(const RecordRef& ref) const {
    std::lock_guard lock(mutex_);
    if (const Slot* slot = FindLocked(ref.group, ref.categoryId)) return slot->record;
    return std::nullopt;
}

std::optional<SubscriptionRecord> SubscriptionLists::FindByKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    for (int g = 0; g < kGroupCount; ++g) {
        if (const Slot* slot = FindLocked(static_cast<Group>(g), key)) return slot->record;
    }
    return std::nullopt;
}

bool SubscriptionLists::TrySetBusy(const RecordRef& ref) {
    std::lock_guard lock(mutex_);
    Slot* slot = FindLocked(ref);
    if (!slot || slot->record.busy) return false;
    slot->record.busy = true;
    return true;
}

void SubscriptionLists::ClearBusy(const RecordRef& ref) {
    std::lock_guard lock(mutex_);
    if (Slot* slot = FindLocked(ref)) slot->record.busy = false;
}

bool SubscriptionLists::SetMaxId(const RecordRef& ref, std::int32_t maxId) {
    std::lock_guard lock(mutex_);
    Slot* slot = FindLocked(ref);
    if (!slot) return false;
    slot->record.maxId = maxId;
    Touch(*slot);
    return true;
}

bool SubscriptionLists::SetTimeUpdate(const RecordRef& ref, std::int64_t time) {
    std::lock_guard lock(mutex_);
    Slot* slot = FindLocked(ref);
    if (!slot) return false;
    slot->record.timeUpdate = time;
    Touch(*slot);
    return true;
}

bool SubscriptionLists::Update(const RecordRef& ref,
                               const std::function<void(SubscriptionRecord&)>& edit) {
    std::lock_guard lock(mutex_);
    Slot* slot = FindLocked(ref);
    if (!slot) return false;
    EditKeepingIdentity(slot->record, edit);
    Touch(*slot);
    return true;
}

int SubscriptionLists::UpdateGroup(Group group,
                                   const std::function<void(SubscriptionRecord&)>& edit) {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (Slot& slot : lists_[At(group)].entries) {
        EditKeepingIdentity(slot.record, edit);
        Touch(slot);
        ++n;
    }
    return n;
}

int SubscriptionLists::ApplyWebsites(const RecordRef& ref,
                                     const std::vector<std::string>& siteCodes,
                                     bool wholePublicGroup, std::string_view userWebsitePath) {
    std::vector<std::string> ids;
    {
        std::lock_guard lock(mutex_);
        auto give = [&](Slot& slot) {
            slot.record.SetWebsites(siteCodes);
            Touch(slot);
            ids.push_back(slot.record.categoryId);
        };
        if (wholePublicGroup) {
            for (Slot& slot : lists_[At(Group::kPublic)].entries) give(slot);
        } else if (Slot* slot = FindLocked(ref)) {
            give(*slot);
        }
    }
    // One editor per file: a category lives in UserWebsite.tab or in its "Other" file.
    std::map<std::string, platform::ProfileEditor> editors;
    std::string value = reference::JoinSiteCodes(siteCodes);
    for (const std::string& id : ids) {
        if (!IsStorableCategoryId(id)) continue;
        std::string file = reference::UserWebsiteFileFor(userWebsitePath, id);
        auto it = editors.try_emplace(file, file).first;
        it->second.WriteString(id, reference::kUserWebsiteKey, value);
    }
    for (auto& [file, editor] : editors) editor.Commit();
    return static_cast<int>(ids.size());
}

bool SubscriptionLists::SaveIfChanged(const RecordRef& ref, std::string_view categoryFile) {
    std::lock_guard files(fileMutex_);
    SubscriptionRecord copy;
    std::uint64_t version = 0;
    {
        std::lock_guard lock(mutex_);
        Slot* slot = FindLocked(ref);
        if (!slot || !slot->record.changed) return true;
        copy = slot->record;
        version = slot->version;
    }
    if (!SaveRecord(categoryFile, copy)) return false;
    std::lock_guard lock(mutex_);
    if (Slot* slot = FindLocked(ref); slot && slot->version == version) {
        slot->record.changed = false;
    }
    return true;
}

bool SubscriptionLists::SaveAll(std::string_view categoryFile) {
    std::lock_guard files(fileMutex_);
    std::vector<SubscriptionRecord> copies;
    std::vector<std::pair<RecordRef, std::uint64_t>> versions;
    {
        std::lock_guard lock(mutex_);
        for (const List& list : lists_) {
            for (const Slot& slot : list.entries) {
                copies.push_back(slot.record);
                versions.push_back({{slot.record.group, slot.record.categoryId}, slot.version});
            }
        }
    }
    if (!SaveRecords(categoryFile, copies)) return false;
    std::lock_guard lock(mutex_);
    for (const auto& [ref, version] : versions) {
        if (Slot* slot = FindLocked(ref); slot && slot->version == version) {
            slot->record.changed = false;
        }
    }
    return true;
}

std::optional<std::int32_t> SubscriptionLists::RegionMaximum(std::string_view regionText) const {
    std::string key = RecordKey(Group::kRegion, regionText);
    std::lock_guard lock(mutex_);
    if (const Slot* slot = FindLocked(Group::kRegion, key)) return slot->record.maxId;
    return std::nullopt;
}

std::int32_t SubscriptionLists::TradeMaximum(std::string_view tradeText) const {
    std::vector<std::string> parts = TradeParts(tradeText);
    std::int32_t best = 0;
    std::lock_guard lock(mutex_);
    for (const std::string& part : parts) {
        const Slot* slot = FindLocked(Group::kTrade, part);
        if (slot && slot->record.maxId > best) best = slot->record.maxId;
    }
    return best;
}

std::int32_t SubscriptionLists::GroupMaximum(Group group) const {
    std::int32_t best = 0;
    std::lock_guard lock(mutex_);
    for (const Slot& slot : lists_[At(group)].entries) {
        if (slot.record.maxId > best) best = slot.record.maxId;
    }
    return best;
}

int SubscriptionLists::ApplySelection(const std::vector<CategoryChoice>& choices) {
    std::vector<ChosenCategory> chosen;
    for (const CategoryChoice& c : choices) {
        if (auto decoded = DecodeItemValue(c.categoryId)) chosen.push_back(std::move(*decoded));
    }
    std::lock_guard lock(mutex_);
    for (List& list : lists_) {
        for (Slot& slot : list.entries) slot.record.selected = false;
    }
    int selected = 0;
    for (const ChosenCategory& c : chosen) {
        List& list = lists_[At(c.group)];
        Slot* slot = nullptr;
        if (auto it = list.index.find(RecordKey(c.group, c.code)); it != list.index.end()) {
            slot = &list.entries[it->second];
        } else {
            for (Slot& s : list.entries) {
                if (SameNumber(ReferenceCode(c.group, s.record.categoryId), c.code)) {
                    slot = &s;
                    break;
                }
            }
        }
        if (slot && !slot->record.selected) {
            slot->record.selected = true;
            ++selected;
        }
    }
    return selected;
}

}  // namespace brevio::net
