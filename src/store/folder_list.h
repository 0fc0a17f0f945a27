// The two lists of named news folders: favourites ("Pemlo.ini") and personalised
// subscriptions ("Pemlo2.ini"), each kept in the section "Favorite" of its file:
//
//   Count=<number of entries>
//   FavID<n>=<ID>            n counts from 0
//   FavName<n>=<name>
//   Keywords<n>=<kw>,<kw>    absent for an entry without keywords
//
// An entry's ID is the base name of its news file (Favorite/<ID> or Favorite2/<ID>). IDs come
// from the registry value FavMaxID, which both lists share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::store {

inline constexpr std::string_view kFolderSection = "Favorite";
// Names are entered with at most this many characters.
inline constexpr std::size_t kFolderNameMaxChars = 64;
// Reading buffers (bytes, terminating NUL included): a value keeps one byte less.
inline constexpr std::size_t kFolderCountBuffer = 10;
inline constexpr std::size_t kFolderIdBuffer = 8;
inline constexpr std::size_t kFolderNameBuffer = 62;
inline constexpr std::size_t kFolderKeywordsBuffer = 254;
// The largest ID that the ID buffer reads back whole (seven digits).
inline constexpr std::int32_t kMaxFolderId = 9999999;

struct FolderEntry {
    std::int32_t id = 0;
    std::string name;
    std::vector<std::string> keywords;

    std::int32_t KeywordCount() const { return static_cast<std::int32_t>(keywords.size()); }
    // The keywords joined with ",".
    std::string KeywordText() const;
    bool operator==(const FolderEntry&) const = default;
};

using FolderList = std::vector<FolderEntry>;

// Keyword text as entered or stored: blanks at both ends of the whole text are trimmed, the
// rest is split at every ","; empty parts are dropped, the others are kept as they are.
std::vector<std::string> SplitFolderKeywords(std::string_view text);

// Reads the "Favorite" section of `iniFile`. A Count of 0 or less, or none, gives an empty
// list. Values are read as through the reading buffers above, but cut safely: a name never
// ends in half a double-byte character, and a keyword text cut by its buffer drops the
// keyword that the cut went through instead of keeping a shorter one. Entries without a
// positive ID are skipped, and a Count larger than the section's number of keys reads no
// further than those keys. The number of entries read is the list's size.
FolderList LoadFolders(std::string_view iniFile);

// Replaces the whole "Favorite" section by Count and the entries in list order, with one
// rewrite of the file; other sections stay. False when the file cannot be written.
bool SaveFolders(std::string_view iniFile, const FolderList& list);

// True when an entry of `list` has `name` (trimmed), without regard to letter case.
bool HasFolderNamed(const FolderList& list, std::string_view name);

// The ID of a new entry: FavMaxID + 1, increased by 1 as long as either list already holds an
// entry with it. The ID is stored back as FavMaxID at once. -1 when no ID up to kMaxFolderId
// is free (FavMaxID is then left alone).
std::int32_t NextFolderId(const FolderList& favourites, const FolderList& subscriptions);

// The subscription list as the store writer thread files with it while the user-interface
// thread may reload it. Copy-on-write: the list is an immutable object behind a shared_ptr;
// Get hands out the current one (a reader keeps iterating its copy for as long as it holds
// it, unaffected by reloads), and Replace/Reload publish a new list by swapping the pointer
// under the mutex. The mutex is held only for the swap or the copy of the pointer.
class FolderListHolder {
  public:
    FolderListHolder();
    std::shared_ptr<const FolderList> Get() const;
    void Replace(FolderList list);
    // LoadFolders(iniFile) and publish it; returns the number of entries.
    int Reload(std::string_view iniFile);

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<const FolderList> list_;
};

}  // namespace brevio::store
