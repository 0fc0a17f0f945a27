#include "net/category_selection_form.h"

#include <algorithm>

#include "platform/text.h"
#include "reference/reference_tables.h"

namespace brevio::net {
namespace {

// Public categories above this number named like the express service are not offered.
constexpr long long kExpressAbove = 40000;

std::string ExpressName() {
    return "新闻快递";
}

}  // namespace

void CategorySelectionForm::AddAvailable(Group group, const reference::RefEntry& entry) {
    std::optional<long long> value = EncodeItemValue(group, entry.code);
    if (!value) return;
    available_.push_back({entry.name, *value});
    availableCodes_.push_back(entry.code);
}

std::string CategorySelectionForm::Title() {
    return "自选信息";
}
std::string CategorySelectionForm::AddText() {
    return "添加>>";
}
std::string CategorySelectionForm::RemoveText() {
    return "<<删除";
}
std::string CategorySelectionForm::WebsitesText() {
    return "定制网站";
}

const std::vector<Group>& CategorySelectionForm::Groups() {
    static const std::vector<Group> groups{Group::kPublic, Group::kTrade, Group::kRegion};
    return groups;
}

CategorySelectionForm::CategorySelectionForm(const reference::ReferenceTables& tables,
                                             const std::vector<CategoryChoice>& current)
    : tables_(tables) {
    for (const CategoryChoice& choice : current) {
        chosen_.push_back({choice.categoryName, platform::ParseLeadingInt(choice.categoryId)});
        chosenIds_.push_back(choice.categoryId);
    }
    ShowGroup(Group::kPublic);
}

void CategorySelectionForm::ShowGroup(Group group) {
    group_ = group;
    available_.clear();
    availableCodes_.clear();
    const reference::Snapshot tables = tables_.Current();
    switch (group) {
        case Group::kPublic: {
            if (!tables.kinds || !tables.publicCategories) return;
            for (const reference::RefEntry& major : *tables.kinds) {
                for (const reference::RefEntry& entry :
                     reference::CategoriesOfMajor(*tables.publicCategories, major.code)) {
                    if (platform::ParseLeadingInt(entry.code) > kExpressAbove &&
                        entry.name == ExpressName()) {
                        continue;
                    }
                    AddAvailable(group, entry);
                }
            }
            return;
        }
        case Group::kTrade:
            if (tables.trades) {
                for (const reference::RefEntry& entry : *tables.trades) {
                    AddAvailable(group, entry);
                }
            }
            return;
        case Group::kRegion:
            if (tables.regions) {
                for (const reference::RefEntry& entry : *tables.regions) {
                    AddAvailable(group, entry);
                }
            }
            return;
    }
}

std::optional<store::FormMessage> CategorySelectionForm::Add(
    std::optional<std::size_t> availableRow) {
    if (!availableRow || *availableRow >= available_.size()) return std::nullopt;
    if (chosen_.size() >= static_cast<std::size_t>(kMaxChosenCategories)) {
        return store::FormMessage{platform::Format("您只能选择%d种类别!!", kMaxChosenCategories),
                                  store::ProgramMessageTitle(), platform::MessageBoxSink::kWarning};
    }
    const Item& item = available_[*availableRow];
    const bool present = std::any_of(chosen_.begin(), chosen_.end(),
                                     [&](const Item& c) { return c.name == item.name; });
    if (present) {
        return store::FormMessage{"此类别已经添加啦!!", store::ProgramMessageTitle(),
                                  platform::MessageBoxSink::kWarning};
    }
    chosen_.push_back(item);
    chosenIds_.push_back(std::to_string(item.value));
    chosenSelection_ = chosen_.size() - 1;
    return std::nullopt;
}

void CategorySelectionForm::Remove(std::optional<std::size_t> chosenRow) {
    if (!chosenRow || *chosenRow >= chosen_.size()) return;
    const auto at = static_cast<std::ptrdiff_t>(*chosenRow);
    chosen_.erase(chosen_.begin() + at);
    chosenIds_.erase(chosenIds_.begin() + at);
    if (chosen_.empty()) {
        chosenSelection_.reset();
    } else {
        chosenSelection_ = std::min(*chosenRow, chosen_.size() - 1);
    }
}

std::variant<store::FormMessage, RecordRef> CategorySelectionForm::Websites(
    std::optional<std::size_t> availableRow) const {
    if (availableRow && *availableRow < available_.size()) {
        return SubscriptionLists::RefFor(group_, availableCodes_[*availableRow]);
    }
    return store::FormMessage{"请先在右侧窗口选择新闻类别", store::ProgramMessageTitle(),
                              platform::MessageBoxSink::kWarning};
}

std::vector<CategoryChoice> CategorySelectionForm::Choices() const {
    std::vector<CategoryChoice> choices;
    choices.reserve(chosen_.size());
    for (std::size_t i = 0; i < chosen_.size(); ++i) {
        choices.push_back({chosenIds_[i], chosen_[i].name});
    }
    return choices;
}

bool CategorySelectionForm::Ok(std::string_view vantoryFile) const {
    return WriteSelection(vantoryFile, Choices());
}

}  // namespace brevio::net
