// The dialogs of the favourites and subscription folders as form objects: what each dialog
// shows, the checks of its buttons with their messages, and what gets stored. The dialogs
// themselves are thin views over these.
//
//   FolderOrganizer      the organising dialog of either list (add, delete, rename,
//                        properties, OK, Cancel); works on its own copy of the list
//   NewFolderForm        the new-entry dialog (name, keywords)
//   RenameForm           the rename dialog
//   PropertiesForm       the properties dialog (keywords)
//   ChooseFavouriteForm  "add to favourites": pick the folder that selected news go into
//
// A check that fails returns a FormMessage; the dialog shows it and stays open. Every text
// is GBK.
//
// Threads: the forms run on the user-interface thread. The store writer thread files into the
// subscription folders with the list of the subscriptions' FolderListHolder while OK and
// Cancel reload that list: the holder is copy-on-write, so the reload publishes a new list
// and the writer keeps filing with the snapshot it took for the item at hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "store/folder_list.h"
#include "store/form_message.h"
#include "store/news_file.h"

namespace brevio::store {

enum class FolderListKind { kFavorites, kSubscriptions };

// The folder kind of a list's news files, which is also the navigation part the main window
// refreshes after a change (8 favourites, 9 subscriptions).
FolderKind FolderKindOf(FolderListKind list);

// Texts and resource numbers of a list's dialogs.
struct FolderDialogTexts {
    int organizerResource = 0;
    std::string organizerTitle, organizerText;
    int newEntryResource = 0;
    std::string newEntryTitle, newEntryText, keywordHint;
    int propertiesResource = 0;
    std::string propertiesTitle;
};
const FolderDialogTexts& DialogTexts(FolderListKind list);

// The buttons of the organising dialog.
struct OrganizerButtons {
    std::string add, remove, rename, properties, ok, cancel;
};
const OrganizerButtons& OrganizerButtonTexts();

// Lengths the dialogs' edit boxes accept (bytes); the forms cut longer input the same way,
// never inside a double-byte character.
inline constexpr std::size_t kFolderNameInputMax = kFolderNameMaxChars;  // 64
inline constexpr std::size_t kFolderKeywordInputMax = 128;

// The application's two folder lists with their files ("Pemlo.ini", "Pemlo2.ini").
class FolderLists {
  public:
    FolderLists(FolderListHolder& favorites, std::string favoritesFile,
                FolderListHolder& subscriptions, std::string subscriptionsFile);
    FolderListHolder& Holder(FolderListKind list) const;
    const std::string& File(FolderListKind list) const;

    // Who is told that a list was saved, with the navigation part to rebuild (8 favourites,
    // 9 subscriptions): the main window's refresh.
    void SetOnSaved(std::function<void(int)> onSaved) { onSaved_ = std::move(onSaved); }
    void NotifySaved(int navigationCode) const {
        if (onSaved_) onSaved_(navigationCode);
    }

  private:
    FolderListHolder* holders_[2];
    std::string files_[2];
    std::function<void(int)> onSaved_;
};

class NewFolderForm {
  public:
    enum class Field { kName, kKeywords };
    struct Refusal {
        FormMessage message;
        Field focus = Field::kName;  // the box that gets the focus back
    };

    NewFolderForm(FolderListKind list, const FolderLists& lists);
    const FolderDialogTexts& Texts() const { return DialogTexts(list_); }

    // OK: both texts are trimmed. A name that is empty, or that an entry of the stored list
    // (as loaded, not as edited in the organising dialog) already has regardless of letter
    // case, is refused. Otherwise the entry gets a new ID (FavMaxID + 1, past the IDs the
    // loaded lists hold; FavMaxID is stored at once) and its keywords split at ",".
    std::optional<Refusal> Ok(std::string_view name, std::string_view keywords);
    // The accepted entry.
    const FolderEntry& Entry() const { return entry_; }

  private:
    FolderListKind list_;
    const FolderLists& lists_;
    FolderEntry entry_;
};

class RenameForm {
  public:
    explicit RenameForm(std::string oldName) : oldName_(std::move(oldName)) {}
    static constexpr int kResource = 164;
    static std::string Title();
    static std::string OldNameLabel();  // "原名称:"
    static std::string NewNameLabel();  // "新名称:"
    const std::string& OldName() const { return oldName_; }

    // OK: the trimmed new name; an empty one is refused. Names are not checked for
    // duplicates here.
    std::optional<FormMessage> Ok(std::string_view newName);
    const std::string& NewName() const { return newName_; }

  private:
    std::string oldName_;
    std::string newName_;
};

class PropertiesForm {
  public:
    PropertiesForm(FolderListKind list, const FolderEntry& entry);
    const FolderDialogTexts& Texts() const { return DialogTexts(list_); }
    const std::string& Name() const { return name_; }
    // The keywords joined with ",", as the keyword box shows them.
    const std::string& KeywordText() const { return keywordText_; }

    // OK: the keyword text, trimmed and split at ",", replaces the keywords; the name stays.
    void Ok(std::string_view keywordText);
    const std::vector<std::string>& Keywords() const { return keywords_; }

  private:
    FolderListKind list_;
    std::string name_;
    std::string keywordText_;
    std::vector<std::string> keywords_;
};

class FolderOrganizer {
  public:
    // Starts from the list as loaded.
    FolderOrganizer(FolderListKind list, FolderLists& lists);
    const FolderDialogTexts& Texts() const { return DialogTexts(list_); }

    // The dialog's list and its rows.
    const FolderList& Entries() const { return entries_; }
    std::vector<std::string> Names() const;

    // Add: the new-entry dialog's form; once it accepted, Add(form) appends the entry and
    // returns its row.
    NewFolderForm NewEntry() const { return NewFolderForm(list_, lists_); }
    std::size_t Add(const NewFolderForm& accepted);

    // Delete: without a selected row the "select a folder" message; otherwise the entry
    // leaves the dialog's list (its news files stay on disk).
    std::optional<FormMessage> Delete(std::optional<std::size_t> row);

    // Rename and Properties: the message without a selection, otherwise the dialog's form;
    // once it accepted, Apply writes the change into the row.
    std::variant<FormMessage, RenameForm> Rename(std::optional<std::size_t> row) const;
    void Apply(std::size_t row, const RenameForm& accepted);
    std::variant<FormMessage, PropertiesForm> Properties(std::optional<std::size_t> row) const;
    void Apply(std::size_t row, const PropertiesForm& accepted);

    // OK: the whole "Favorite" section of the list's file is rewritten from the dialog's
    // list, the list is reloaded from the file and the main window refreshes that part of the
    // navigation. False when the file could not be written (the loaded list is then
    // reloaded all the same and the navigation not refreshed).
    bool Ok();
    // Cancel: the dialog's changes are dropped (FavMaxID stays advanced) and the list is
    // reloaded from its file.
    void Cancel();

  private:
    std::optional<FormMessage> RequireSelection(std::optional<std::size_t> row) const;

    FolderListKind list_;
    FolderLists& lists_;
    FolderList entries_;
};

// "请选择一个收藏文件夹!": OK, delete, rename or properties without a selected folder.
FormMessage SelectFolderMessage();

class ChooseFavouriteForm {
  public:
    static constexpr int kResource = 160;
    static constexpr int kRowHeight = 20;
    static std::string Title();           // "添加到收藏夹"
    static std::string Text();            // "将选择的新闻添加到指定的收藏夹中."
    static std::string OrganizeButton();  // "整理收藏夹"

    explicit ChooseFavouriteForm(FolderLists& lists);
    // The favourites' names; the first is preselected (nothing when there is none).
    const std::vector<std::string>& Names() const { return names_; }
    const FolderList& Entries() const { return entries_; }
    std::optional<std::size_t> InitialSelection() const;

    // The organise button: the favourites' organising dialog. After it closed with OK,
    // Refill takes the favourites as reloaded.
    FolderOrganizer Organize() const { return FolderOrganizer(FolderListKind::kFavorites, lists_); }
    void Refill();

    // OK: the "select a folder" message without a selection, otherwise the chosen folder.
    std::optional<FormMessage> Ok(std::optional<std::size_t> row);
    std::int32_t ChosenId() const { return chosenId_; }

  private:
    FolderLists& lists_;
    FolderList entries_;
    std::vector<std::string> names_;
    std::int32_t chosenId_ = 0;
};

// Copies the item with `newsId` of the news file (sourceKind, sourceBase) into the folder
// (targetKind, folderId): the record keeps every byte of its source but its Offset and
// Length. Returns the copied content length, or the failure of ReadItem / AppendRecord.
int CopyItemToFolder(std::string_view contentFolder, FolderKind sourceKind,
                     std::string_view sourceBase, std::int32_t newsId, FolderKind targetKind,
                     std::int32_t folderId);

}  // namespace brevio::store
