// The five pages of the options dialog as form objects: what each page shows when it opens,
// the ranges of its boxes, the checks of apply with their messages and the box that gets the
// focus, and what gets stored and handed to the running client. The dialog pages are thin
// views over these. Every text is GBK.
//
//   ReadingOptions   automatic marking, colours, font sizes ("阅读")
//   PathOptions      the content folder ("路径")
//   UpdateOptions    the automatic reference-list refresh switches ("更新")
//   HistoryOptions   how much news the clean-up keeps, when it runs, the bulletin flag
//                    ("历史新闻")
//   TuningOptions    reception threads, socket and disk pauses ("搜索优化")
//
// A page loads its values once (Load), the view edits the public values, Apply checks and
// stores them. A failed check returns the message and the box to focus; nothing is stored.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/form_message.h"

namespace brevio::net {
class SubscriptionLists;
}

namespace brevio::client {

using store::FormMessage;

// What the running client takes over at once when a page is applied. Unset members are
// skipped (a page applied without a running client only stores its values).
struct OptionsTargets {
    // The news list's automatic marking and its redraw with the read colour.
    std::function<void(bool autoMark, int markSeconds, int readColor)> reading;
    // A new content folder (ends in "/"), already created with its sub-folders.
    std::function<void(const std::string& contentFolder)> contentFolder;
    // Reception threads, pause between socket steps, store writer's pause after each item.
    std::function<void(int threads, int socketInterval, int diskInterval)> tuning;
};

// The box that gets the focus after a failed check.
enum class OptionsField {
    kNone,
    kContentPath,
    kRegionRemain,
    kTradeRemain,
    kStockRemain,
    kPeopleRemain
};

struct OptionsRefusal {
    std::vector<FormMessage> messages;  // shown in order
    OptionsField focus = OptionsField::kNone;
};
using ApplyResult = std::optional<OptionsRefusal>;  // nothing: applied

// Page titles in their order.
std::vector<std::string> OptionsPageTitles();

// ---- 阅读 -------------------------------------------------------------------------------
class ReadingOptions {
  public:
    static constexpr int kMarkSecondsMin = 0, kMarkSecondsMax = 60;
    // The font sizes of the two lists: 12, 14, 16 at positions 0, 1, 2.
    static int FontSizeAt(int position) { return 12 + 2 * position; }
    static int PositionOfSize(int size);              // (size - 12) / 2, kept within the list
    static std::vector<std::string> FontSizeTexts();  // "12", "14", "16"

    void Load();
    // Ticking "在新闻上停留" enables the seconds box.
    bool SecondsEnabled() const { return autoMark; }
    void SetMarkSeconds(int seconds);  // kept within 0..60
    ApplyResult Apply(const OptionsTargets& targets) const;

    bool autoMark = true;
    int markSeconds = 0;
    int backgroundColor = 0xFFFFFF, titleColor = 255, contentColor = 0, readColor = 102;
    int titleSizePosition = 1, contentSizePosition = 1;
};

// ---- 路径 -------------------------------------------------------------------------------
class PathOptions {
  public:
    static constexpr std::size_t kMaxLength = 256;
    static std::string BrowseTitle();  // "选择新闻存放路径"

    // Shows the content folder in use.
    void Load(const std::string& contentFolder) { path = contentFolder; }
    // A folder chosen with "...": refused with "请选择一个本地硬盘或软盘!" when it lies on a
    // network file system or an optical disc (the text box keeps its value); otherwise it
    // gets a trailing "/" and replaces the text when it differs.
    std::optional<FormMessage> Choose(const std::string& folder);
    // Adds the trailing "/", creates the folder (one level) and its sub-folders and makes it
    // the content folder. A folder that cannot be created gives the content-folder error and
    // "非法路径!" and leaves everything as it was.
    ApplyResult Apply(const OptionsTargets& targets);

    std::string path;  // the text box
};

// True when the folder (or the nearest existing folder above it) lies on a network file
// system or on an optical disc.
bool IsNetworkOrOpticalFolder(const std::string& folder);

// ---- 更新 -------------------------------------------------------------------------------
class UpdateOptions {
  public:
    explicit UpdateOptions(std::string pemloIni) : pemloIni_(std::move(pemloIni)) {}
    void Load();
    ApplyResult Apply() const;

    bool classify = false, region = false, trade = false, websites = false, stock = false;

  private:
    std::string pemloIni_;
};

// ---- 历史新闻 ------------------------------------------------------------------------------
class HistoryOptions {
  public:
    static constexpr int kRemainMin = 50, kRemainMax = 5000;
    static constexpr int kShownRemain = 1000;  // shown for a stored count of 50 or less
    static constexpr int kShownDays = 5;       // shown for stored days of 0 or less

    // `bulletinFile` is the content folder's "Data/Bullient.tab"; `lists` (may be null) gets
    // the days of every public category.
    HistoryOptions(std::string bulletinFile, net::SubscriptionLists* lists)
        : bulletinFile_(std::move(bulletinFile)), lists_(lists) {}

    void Load();
    // The bulletin check box: rewrites the bulletin file's show-at-start flag at once.
    bool SetBulletinFlag(bool showAtStart);
    ApplyResult Apply() const;

    int whenCleanup = 0;  // 0 start-up, 1 exit, 2 by hand
    int regionRemain = kShownRemain, tradeRemain = kShownRemain, stockRemain = kShownRemain;
    int peopleRemain = kShownDays;
    bool bulletinAtStart = false;

  private:
    std::string bulletinFile_;
    net::SubscriptionLists* lists_;
};

// ---- 搜索优化 ------------------------------------------------------------------------------
class TuningOptions {
  public:
    static constexpr int kThreadsMin = 1, kThreadsMax = 5;
    static constexpr int kIntervalMin = 1, kIntervalMax = 1000;

    void Load();
    void Defaults();  // "默认值": 3 threads, 10 and 10
    void SetThreads(int n);
    void SetSocketInterval(int ms);
    void SetDiskInterval(int ms);
    ApplyResult Apply(const OptionsTargets& targets) const;

    int threads = 3, socketInterval = 10, diskInterval = 10;
};

}  // namespace brevio::client
