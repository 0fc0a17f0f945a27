// How far each subscription record has received: MAXID moves only as items are filed.
//
// A record's MAXID tells the server where the next exchange starts, so it must never pass an
// item that is not yet in the news files: a crash would lose every item still waiting in the
// writer's queue, and the server would never send them again. The store writer therefore
// reports every item it has filed (NewsIntake::Options::onFiled), and FilingProgress raises
// the MAXID of the record that brought it and appends one line to the filing journal
// "Data/Filed.log" under the content folder:
//
//   <group digit>\t<record key>\t<news id>\r\n
//
// The journal is written with one append per item (no flush to disk: it is the process that
// dies far more often than the machine), so after a kill at any moment it holds every item
// filed since the records were last saved, save possibly the last line, cut short. At
// start-up Recover raises each record's MAXID to the highest id the journal names, saves the
// records and empties the journal; Checkpoint does the same save and empties it whenever it
// has grown, and at exit.
//
// An item that was in its news files but not yet in the journal when the process died is
// sent again by the server and filed with AppendMode::kOnce, which finds it already there.
//
// Threads: OnFiled runs on the store writer thread; Checkpoint and Recover on any thread.
// One mutex serialises the journal's appends with the save-and-empty of a checkpoint, so an
// item filed during a checkpoint is either in the saved records or in the emptied journal.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/subscription_lists.h"
#include "platform/fs.h"

namespace brevio::store {
struct NewsItem;
}

namespace brevio::net {

// The journal's file name under the content folder.
inline constexpr std::string_view kFilingJournalFile = "Data/Filed.log";
// A checkpoint is taken when the journal grows past this size.
inline constexpr long long kFilingJournalCheckpointBytes = 64 * 1024;

// One journal line.
struct FiledEntry {
    RecordRef ref;
    std::int32_t newsId = 0;
};
std::string FormatFiledEntry(const FiledEntry& entry);
// The entries of a journal's text: whole lines with a valid group, a key and an id > 0;
// anything else (a line cut short by a crash) is left out.
std::vector<FiledEntry> ParseFiledJournal(std::string_view text);

class FilingProgress {
  public:
    FilingProgress(SubscriptionLists& lists, std::string contentFolder);
    FilingProgress(const FilingProgress&) = delete;
    FilingProgress& operator=(const FilingProgress&) = delete;

    // Applies a journal left by an earlier run, saves the records and empties it. Returns the
    // number of records whose MAXID it raised, or -1 when the records could not be saved
    // (the journal is kept then).
    int Recover();
    // The store writer's report of an item filed for a subscription record (items without a
    // record are ignored). Takes a checkpoint when the journal has grown large.
    void OnFiled(const store::NewsItem& item);
    // Saves every record and empties the journal; false when the save failed (the journal is
    // kept, so nothing is lost).
    bool Checkpoint();

    std::string JournalPath() const { return journalPath_; }

  private:
    bool CheckpointLocked();

    SubscriptionLists& lists_;
    std::string categoryFile_;
    std::string journalPath_;
    std::mutex mutex_;
    platform::File journal_;  // open for appending between checkpoints
    long long journalBytes_ = 0;
};

}  // namespace brevio::net
