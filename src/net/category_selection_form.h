// The category selection dialog ("自选信息") as a form object: the user's own choice of at most
// 16 categories out of the public categories, trades and regions, kept in "Vantory.ini".
//
// The group box lists the three groups; the left list shows the categories of the chosen
// group with their item values (subscription_selection.h):
//   public  for each major category, the categories whose code starts with its two
//           characters, value = the code as a number; a category above 40000 named
//           "新闻快递" is left out;
//   trade   every trade, value = code + 200;
//   region  every region, value = code + 100000.
// Categories whose code has no item value are not listed. The right list is the selection.
//
// OK writes the selection to "Vantory.ini" and MyFolderCount; the running client then selects
// the records it names and rebuilds its conversion category lists from the file. Every text
// is GBK; the form runs on the user-interface thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "net/subscription_lists.h"
#include "net/subscription_selection.h"
#include "reference/ref_list.h"
#include "store/form_message.h"

namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::net {

class CategorySelectionForm {
  public:
    static constexpr int kResource = 222;
    static constexpr int kRemoveButton = 1116;
    static constexpr int kAddButton = 1117;
    static constexpr int kWebsitesButton = 1118;
    static constexpr int kAvailableList = 1218;
    static constexpr int kChosenList = 1219;
    static constexpr int kGroupBox = 1220;
    static constexpr int kOkButton = 1221;
    static std::string Title();         // "自选信息"
    static std::string AddText();       // "添加>>"
    static std::string RemoveText();    // "<<删除"
    static std::string WebsitesText();  // "定制网站"

    struct Item {
        std::string name;
        long long value = 0;  // item value
        bool operator==(const Item&) const = default;
    };

    // The groups of the group box, in its order.
    static const std::vector<Group>& Groups();

    // Starts with the public group shown and `current` (as read from "Vantory.ini") chosen.
    CategorySelectionForm(const reference::ReferenceTables& tables,
                          const std::vector<CategoryChoice>& current);

    void ShowGroup(Group group);
    Group ShownGroup() const { return group_; }
    const std::vector<Item>& Available() const { return available_; }

    const std::vector<Item>& Chosen() const { return chosen_; }
    std::optional<std::size_t> ChosenSelection() const { return chosenSelection_; }

    // Add (button or double click in the left list): refused with its message when 16 are
    // chosen already or when an entry of that name is chosen; otherwise appended and selected.
    std::optional<store::FormMessage> Add(std::optional<std::size_t> availableRow);
    // Remove: the selected entry goes; the entry now at its place, or the one before it when
    // the last was removed, becomes selected.
    void Remove(std::optional<std::size_t> chosenRow);

    // The web-site button: the record of the category selected in the left list, or the
    // message asking for a category.
    std::variant<store::FormMessage, RecordRef> Websites(
        std::optional<std::size_t> availableRow) const;

    // OK: sections "0" to n-1 of `vantoryFile` in list order (CategoryID = item value,
    // CategoryName = name) and MyFolderCount = n. False when the file cannot be written.
    bool Ok(std::string_view vantoryFile) const;
    std::vector<CategoryChoice> Choices() const;

  private:
    void AddAvailable(Group group, const reference::RefEntry& entry);

    const reference::ReferenceTables& tables_;
    Group group_ = Group::kPublic;
    std::vector<Item> available_;
    std::vector<std::string> availableCodes_;  // reference code of each available entry
    std::vector<Item> chosen_;
    std::vector<std::string> chosenIds_;  // CategoryID of each chosen entry, as it will be written
    std::optional<std::size_t> chosenSelection_;
};

}  // namespace brevio::net
