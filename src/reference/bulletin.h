// The last bulletin sent by the server, kept in "Bullient.tab": five lines, each a value in
// double quotes followed by CR LF: title, time, category code, show-at-start flag (decimal),
// content. The content never holds tabs; a multi-line content runs over several lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brevio::reference {

inline constexpr std::size_t kBulletinTitleMax = 511;
inline constexpr std::size_t kBulletinTimeMax = 63;
inline constexpr std::size_t kBulletinCategoryMax = 19;
inline constexpr std::size_t kBulletinContentMax = 5999;

inline constexpr int kBulletinMissing = -1;       // the file cannot be opened
inline constexpr int kBulletinWriteFailed = -11;  // the file cannot be written

// The category code of the server's bulletin.
inline constexpr std::string_view kBulletinCategoryCode = "40005";

// True for a received item that is the server's bulletin: category code "40005" in the public
// category group.
bool IsBulletinItem(std::string_view categoryCode, std::string_view categoryGroup);

struct Bulletin {
    std::string title;     // at most kBulletinTitleMax bytes
    std::string time;      // at most kBulletinTimeMax bytes
    std::string category;  // at most kBulletinCategoryMax bytes
    int showAtStart = 0;   // 0 or 1
    std::string content;   // at most kBulletinContentMax bytes

    // An empty title means that there is no bulletin.
    bool Empty() const { return title.empty(); }
    bool operator==(const Bulletin&) const = default;
};

// Reads the bulletin file; 0, or kBulletinMissing with `out` cleared. A file without a title
// holds no bulletin: its showAtStart reads as 0. Values longer than their limits are cut
// without splitting a double-byte character; the lines of a multi-line content are joined
// with CR LF.
int ReadBulletin(std::string_view path, Bulletin& out);

// Writes the five lines of `item` with the given show-at-start flag; 0 or
// kBulletinWriteFailed (logged in the file error log).
int WriteBulletin(std::string_view path, const Bulletin& item, int showAtStart);

// Rewrites the bulletin file with only its show-at-start line changed; 0, kBulletinMissing
// when there is no file, kBulletinWriteFailed when it cannot be rewritten.
int SetBulletinFlag(std::string_view path, int showAtStart);

}  // namespace brevio::reference
