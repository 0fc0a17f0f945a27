// The user's own category selection, "Vantory.ini" in the program folder: sections "0" to
// "127", each with CategoryID (an item value as decimal text, at most 19 bytes) and
// CategoryName (at most 29 bytes); the list ends at the first section without CategoryID.
// The portal writes the file at login and the category selection dialog rewrites it; the
// number of sections written is kept in the registry value MyFolderCount.
//
// Item values put the three groups into one number:
//   public category  code read as a number n, 1000 < n < 100000; decoded with five digits
//   trade            n + 200, below 1000; decoded as value - 200 with at least two digits
//   region           n + 100000, above 100000; decoded as value - 100000
// 1000, 100000 and values below 200 name nothing. Codes that would not come back as the
// same category (not all digits, or outside their group's range) have no item value.
//
// Selection rule: a subscription record is selected exactly when its category is named by an
// entry of this file (SubscriptionLists::ApplySelection).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/subscription_record.h"

namespace brevio::net {

inline constexpr std::string_view kVantoryFileName = "Vantory.ini";
inline constexpr int kMaxSelectionSections = 128;
inline constexpr std::size_t kMaxSelectionIdBytes = 19;
inline constexpr std::size_t kMaxSelectionNameBytes = 29;
// The category selection dialog accepts at most this many categories.
inline constexpr int kMaxChosenCategories = 16;

inline constexpr const char* kKeyCategoryId = "CategoryID";
inline constexpr const char* kKeyCategoryName = "CategoryName";

// program folder (ending in "/") + "Vantory.ini".
std::string VantoryFilePath(std::string_view programFolder);

// One section of "Vantory.ini".
struct CategoryChoice {
    std::string categoryId;  // item value as decimal text
    std::string categoryName;
    bool operator==(const CategoryChoice&) const = default;
};

// A category named by an item value: its group and its code in the group's reference list.
struct ChosenCategory {
    Group group = Group::kPublic;
    std::string code;
    bool operator==(const ChosenCategory&) const = default;
};

// The item value of a category, or nothing when its code cannot be encoded.
std::optional<long long> EncodeItemValue(Group group, std::string_view code);
// The category of an item value (number or decimal text), or nothing.
std::optional<ChosenCategory> DecodeItemValue(long long value);
std::optional<ChosenCategory> DecodeItemValue(std::string_view text);

// Sections "0", "1", ... up to the first without CategoryID (at most 128). The id and the
// name are cut to their byte limits without splitting a double-byte character.
std::vector<CategoryChoice> ReadSelection(std::string_view file);

// Writes sections "0" to n-1 in list order and removes every other numbered section, so a
// shorter selection does not leave earlier entries behind; one rewrite of the file. At most
// 128 entries are written; MyFolderCount is set to the number written. False when the file
// cannot be written (MyFolderCount is then left alone).
bool WriteSelection(std::string_view file, const std::vector<CategoryChoice>& choices);

}  // namespace brevio::net
