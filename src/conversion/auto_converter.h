// Automatic conversion of received news: the store writer thread hands every item to
// OnFiled right after it has filed it, and the item is converted when the settings say so.
//
// An item is converted when "ConvertAuto" is 1, the special conversion ("pxEspeTransAuto")
// is off, a reception was started in this run, and "ConvertFormat" is 0 (text), 1 (web page)
// or 2 (both). It is converted once per code it carries:
//   public news  each code of its category text ("|"-separated, trimmed, empty ones skipped)
//                that the public list has;
//   trades       each code of its trade text whose entry in the trade conversion list is 'T';
//   regions      each code of its region text whose entry in the region conversion list is 'T'.
// The files go to P 文本格式|网页格式/<group>/<date>/<category name>/ and are registered with
// RegisterItem in the group's day index and index of all days (text) or in its HTML index.
// After each converted item the recent-news index page is written when it is set up
// ("pxRecentNewsNum" above 0 and a folder in "pxTitleFilePath").
//
// Threads: OnFiled runs on the store writer thread only. ReloadSettings (after the settings
// dialog's OK) may run on any thread: the settings are an immutable snapshot swapped under a
// lock, and an item being converted finishes with the snapshot it started with.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "conversion/conversion_settings.h"
#include "conversion/output_layout.h"
#include "conversion/recent_index.h"
#include "reference/reference_tables.h"
#include "store/news_item.h"

namespace brevio::conversion {

// One code an item is converted under.
struct AutoTarget {
    int kind = kKindPublic;
    std::string code;
    std::string categoryFolder;  // the code's name made a folder name
    bool operator==(const AutoTarget&) const = default;
};
// The codes of a received item that convert, public first, then trades, then regions.
std::vector<AutoTarget> AutoTargets(const ConversionSettings& settings,
                                    const reference::ReferenceTables& tables,
                                    const store::NewsItem& item);

class AutoConverter {
  public:
    // `receptionStarted` tells whether a receive command was given in this run (empty:
    // always). The settings are loaded here.
    AutoConverter(const reference::ReferenceTables& tables, std::string programFolder,
                  std::function<bool()> receptionStarted = {});

    // Loads the settings again from the registry (the in-memory copy after a change).
    void ReloadSettings();
    // Replaces the in-memory copy.
    void SetSettings(ConversionSettings settings);
    std::shared_ptr<const ConversionSettings> Settings() const;

    // True when a received item would be converted now.
    bool Enabled() const;

    // Converts one filed item (store writer thread).
    void OnFiled(const store::NewsItem& item);

    int ConvertedItems() const { return items_.load(); }
    int WrittenFiles() const { return files_.load(); }
    int FailedFiles() const { return failures_.load(); }
    const RecentNewsIndex& Recent() const { return recent_; }

  private:
    static bool Enabled(const ConversionSettings& s);

    const reference::ReferenceTables& tables_;
    std::string programFolder_;
    std::function<bool()> receptionStarted_;
    mutable std::mutex mutex_;
    std::shared_ptr<const ConversionSettings> settings_;
    RecentNewsIndex recent_;
    std::atomic<int> items_{0};
    std::atomic<int> files_{0};
    std::atomic<int> failures_{0};
};

}  // namespace brevio::conversion
