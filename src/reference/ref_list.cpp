#include "reference/ref_list.h"

namespace brevio::reference {

int RefList::Find(std::string_view code, std::size_t from) const {
    for (std::size_t i = from; i < entries_.size(); ++i) {
        if (entries_[i].code == code) return static_cast<int>(i);
    }
    return kNotFound;
}

const RefEntry* RefList::FindByCode(std::string_view code) const {
    int i = Find(code);
    return i == kNotFound ? nullptr : &entries_[static_cast<std::size_t>(i)];
}

std::optional<std::string> RefList::FindCodeByName(std::string_view name) const {
    for (const RefEntry& e : entries_) {
        if (e.name == name) return e.code;
    }
    return std::nullopt;
}

std::optional<std::string> RefList::NameOf(std::string_view code) const {
    const RefEntry* e = FindByCode(code);
    if (!e) return std::nullopt;
    return e->name;
}

bool RefList::SetFlag(std::string_view code, bool selected) {
    int i = Find(code);
    if (i == kNotFound) return false;
    entries_[static_cast<std::size_t>(i)].flag = selected ? kFlagSelected : kFlagNotSelected;
    return true;
}

bool BelongsToMajorCategory(std::string_view categoryCode, std::string_view majorCode) {
    return majorCode.size() == 2 && categoryCode.size() >= 2 &&
           categoryCode.substr(0, 2) == majorCode;
}

std::vector<RefEntry> CategoriesOfMajor(const RefList& publicCategories,
                                        std::string_view majorCode) {
    std::vector<RefEntry> members;
    for (const RefEntry& e : publicCategories) {
        if (BelongsToMajorCategory(e.code, majorCode)) members.push_back(e);
    }
    return members;
}

}  // namespace brevio::reference
