// Code lists of the reference tables: the major and public news categories, the regions, the
// trades and the news web sites. A list keeps the file order; duplicate codes stay in it and
// every lookup answers with the first match.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::reference {

// The values that name a code list to the main window and to the lookup by kind.
inline constexpr int kKindPublicCategories = 10;
inline constexpr int kKindRegions = 11;
inline constexpr int kKindTrades = 12;

inline constexpr char kFlagSelected = 'T';
inline constexpr char kFlagNotSelected = 'F';

struct RefEntry {
    std::string code;  // the key, compared byte for byte
    std::string name;  // shown to the user
    char flag = kFlagNotSelected;

    bool Selected() const { return flag == kFlagSelected; }
    bool operator==(const RefEntry&) const = default;
};

class RefList {
  public:
    using value_type = RefEntry;
    static constexpr int kNotFound = -1;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void clear() { entries_.clear(); }
    void reserve(std::size_t n) { entries_.reserve(n); }
    void push_back(RefEntry entry) { entries_.push_back(std::move(entry)); }
    const RefEntry& operator[](std::size_t i) const { return entries_[i]; }
    RefEntry& operator[](std::size_t i) { return entries_[i]; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }
    bool operator==(const RefList&) const = default;

    // Index of the first entry at or after `from` whose code equals `code`; kNotFound when
    // there is none. Visiting every match: for (i = Find(c); i >= 0; i = Find(c, i + 1)).
    int Find(std::string_view code, std::size_t from = 0) const;

    // The first entry with that code, or nullptr.
    const RefEntry* FindByCode(std::string_view code) const;

    // The code of the first entry with that name.
    std::optional<std::string> FindCodeByName(std::string_view name) const;

    // The name of the first entry with that code.
    std::optional<std::string> NameOf(std::string_view code) const;

    // Sets 'T' (selected) or 'F' on the first entry with that code; false when it is absent.
    bool SetFlag(std::string_view code, bool selected);

  private:
    std::vector<RefEntry> entries_;
};

// A public category belongs to a major category when the first two characters of its code
// are the major category's code ("10001" belongs to "10"). Major codes are two characters,
// so a code of any other length has no members.
bool BelongsToMajorCategory(std::string_view categoryCode, std::string_view majorCode);

// The public categories of one major category, in list order.
std::vector<RefEntry> CategoriesOfMajor(const RefList& publicCategories,
                                        std::string_view majorCode);

}  // namespace brevio::reference
