// The application's subscription records: three lists, public ("大众"), trade ("行业")
// and regional ("地区"), with one record per category of the public-category, trade and
// region reference lists, in reference-list order (a code listed twice gets one record).
//
// Keys. Every record is addressed by its group and its category id, which is also its
// Category.dat section, its CLASSIFY value and its UserWebsite.tab section:
//   public and trade records: the reference code itself ("10001", "05");
//   region records:           "R" + the region code ("R17"),
// so a region and a trade with the same code keep separate settings and last ids, and the
// acceptance of received items finds a region record under "R" + the item's region text.
// RecordKey/ReferenceCode convert between reference codes and keys.
//
// Concurrency. This object is the only owner of the records; one mutex guards all of their
// fields. Nobody gets a reference into the lists: readers receive copies (Records, Get,
// FindByKey, the maxima) and writers change a record through the methods below, each of
// which is atomic. Reception threads use TrySetBusy/ClearBusy, SetMaxId, SetTimeUpdate and
// SaveIfChanged on their own record while the user-interface thread walks and edits the
// lists and AcceptRecord (on any reception thread) asks for the maxima. Callbacks given to
// Update/UpdateGroup run with the mutex held and must not call back into this object.
// File work (Build's loading, the saves) is serialised by a second mutex that is taken
// before the first and never while only the first is held; the state mutex is not held
// while a file is read or written, so saving never blocks the maxima queries.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "net/subscription_record.h"
#include "net/subscription_selection.h"
#include "reference/ref_list.h"

namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::net {

// Region records are keyed by this prefix followed by the region code.
inline constexpr char kRegionKeyPrefix = 'R';

// The key of a group's reference code, and back (a region key without the prefix is
// returned unchanged).
std::string RecordKey(Group group, std::string_view referenceCode);
std::string ReferenceCode(Group group, std::string_view key);

// A reception job's reference to one record; two refs are the same job when equal.
struct RecordRef {
    Group group = Group::kPublic;
    std::string categoryId;  // the record's key
    bool operator==(const RecordRef&) const = default;
};

class SubscriptionLists {
  public:
    SubscriptionLists() = default;
    SubscriptionLists(const SubscriptionLists&) = delete;
    SubscriptionLists& operator=(const SubscriptionLists&) = delete;

    // Fills the three lists from the reference lists; records new to the lists are loaded
    // from their section of `categoryFile`. Records that already exist keep their state
    // (rebuilding after a reference list update loses no unsaved change and no busy flag)
    // and take the current name; categories no longer listed are dropped. Returns the
    // number of records.
    int Build(const reference::RefList& publicCategories, const reference::RefList& trades,
              const reference::RefList& regions, std::string_view categoryFile);
    int Build(const reference::ReferenceTables& tables, std::string_view categoryFile);

    // Copies of a list in order, of one record, of the record with a key in any group
    // (public, then trade, then region).
    std::vector<SubscriptionRecord> Records(Group group) const;
    std::size_t Size(Group group) const;
    std::optional<SubscriptionRecord> Get(const RecordRef& ref) const;
    std::optional<SubscriptionRecord> FindByKey(std::string_view key) const;
    // The ref of a group's reference code (whether or not such a record exists).
    static RecordRef RefFor(Group group, std::string_view referenceCode) {
        return {group, RecordKey(group, referenceCode)};
    }

    // Reception. TrySetBusy sets the busy flag and returns true only when the record exists
    // and was not busy, so two threads can never both receive for one record.
    bool TrySetBusy(const RecordRef& ref);
    void ClearBusy(const RecordRef& ref);
    // Set MAXID / TIMEUPDATE and mark the record changed; false when there is no record.
    bool SetMaxId(const RecordRef& ref, std::int32_t maxId);
    bool SetTimeUpdate(const RecordRef& ref, std::int64_t time);

    // Edits one record, or every record of a group, and marks them changed. The category
    // id, the group and the busy flag cannot be changed this way. Returns whether the record exists
    // / the number of records edited.
    bool Update(const RecordRef& ref, const std::function<void(SubscriptionRecord&)>& edit);
    int UpdateGroup(Group group, const std::function<void(SubscriptionRecord&)>& edit);

    // The web-site dialog's choice: gives the sites to the record, or to every record of the
    // public group, marks them changed and stores the list of each in UserWebsite.tab (or
    // its "Other" file) with one rewrite per file. Returns the number of records given the
    // list; the file writes are not reported.
    int ApplyWebsites(const RecordRef& ref, const std::vector<std::string>& siteCodes,
                      bool wholePublicGroup, std::string_view userWebsitePath);

    // Writes the record's section when it is changed; the changed flag is cleared when the
    // write succeeded and the record was not changed again meanwhile. True when nothing
    // needed writing or the write succeeded.
    bool SaveIfChanged(const RecordRef& ref, std::string_view categoryFile);
    // Writes every record of the three lists with one rewrite of the file (at exit).
    bool SaveAll(std::string_view categoryFile);

    // Acceptance of received items. The region maximum is the MAXID of the region record
    // keyed "R" + the whole region text, nothing when there is none. The trade maximum is
    // the largest MAXID among the trade records named by the parts of the trade text that
    // end with "|" (each part trimmed at its right end), 0 when none is found. The public
    // maximum is the largest MAXID of the public records, 0 when there are none.
    std::optional<std::int32_t> RegionMaximum(std::string_view regionText) const;
    std::int32_t TradeMaximum(std::string_view tradeText) const;
    std::int32_t PublicMaximum() const { return GroupMaximum(Group::kPublic); }
    // The largest MAXID of a group, 0 when the group is empty or all are below 0.
    std::int32_t GroupMaximum(Group group) const;

    // Sets the selected flag of exactly the records named by the entries of the user's
    // category selection ("Vantory.ini"): an entry's item value is decoded to a group and a
    // code, which names the record with that code (or, failing that, the first whose code
    // reads as the same number, so "5" and "05" are one trade). Entries that name nothing
    // are ignored. Returns the number of records selected.
    int ApplySelection(const std::vector<CategoryChoice>& choices);

  private:
    struct Slot {
        SubscriptionRecord record;
        std::uint64_t version = 0;  // counts changes, so a save knows whether it is current
    };
    struct List {
        std::vector<Slot> entries;
        std::unordered_map<std::string, std::size_t> index;  // key -> position
    };

    Slot* FindLocked(const RecordRef& ref);
    const Slot* FindLocked(Group group, std::string_view key) const;
    void Touch(Slot& slot);

    mutable std::mutex fileMutex_;  // Build and saves; taken before mutex_
    mutable std::mutex mutex_;      // every field of every record, and the lists
    std::array<List, kGroupCount> lists_;
};

}  // namespace brevio::net
