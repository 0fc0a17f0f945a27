// One news item as a text file or as an HTML page filled into a template, and its
// registration in the converted-news indexes.
//
// The text file holds "<title>\r\n<date text>   <site text>\r\n<content>"; the page is the
// conversion template filled with title, title, date text, site text and the content made
// HTML (three "&nbsp;" before each paragraph, keyword marks 0x04/0x05 as a red font). A text
// conversion is registered in the group's day index and in its index of all days, an HTML
// conversion in the group's HTML index, each with the converted file's base name and the
// item's code.
//
// File names: the safe title (characters a file name cannot hold replaced by look-alikes),
// made fit for a Linux file name: control bytes become '_', a name that is empty or only dots
// becomes the news ID, and a long name is cut (never inside a character) so that it stays
// within the file system's name limit in its UTF-8 form, extension and ID included. When the
// folder already holds a file of that name that belongs to another item, the new file gets
// "_<news ID>" after the name, so both are kept; the indexes always name the file written.
//
// Threads: any thread. A conversion holds the conversion path's output lock (shared) while it
// creates folders, writes and registers, so the tidy-up never deletes a folder half written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "conversion/output_layout.h"
#include "store/news_file_format.h"
#include "store/news_item.h"

namespace brevio::conversion {

struct ConversionSettings;

// WriteWholeFile results (besides the bytes written).
inline constexpr int kWriteFailed = -1;
inline constexpr int kCannotOpenFile = -10;

// The largest filled page.
inline constexpr std::size_t kMaxPageBytes = 102399;
// A received item's safe title of this many bytes or more keeps kReceivedTitleKeep bytes
// (the last turned into a blank when an odd number of them are 0xA1 or above) and "...".
inline constexpr std::size_t kReceivedTitleCutAt = 203;
inline constexpr std::size_t kReceivedTitleKeep = 198;
// The longest file base name in its UTF-8 form: with "_" and a ten-digit ID and a
// four-character extension it stays within the 255 bytes of a Linux file name.
inline constexpr std::size_t kMaxFileBaseUtf8 = 240;

// "yyyy-mm-dd hh:mm:ss" of a date (yyyymmdd) and a time (hhmmss).
std::string DateText(std::int32_t date, std::int32_t time);
// The web-site name; from 32 bytes on, its first 30 (never half a character).
std::string SiteText(std::string_view siteName);
// The trimmed title with "|" "/" "\" "?" "*" '"' "<" ":" ">" replaced by "§" "-" "-" "？" "×"
// "“" "《" "：" "》" (whole characters only: a trail byte of a double-byte character is left).
std::string SafeTitle(std::string_view title);
// The safe title of a received item, cut by the received-title rule.
std::string ReceivedSafeTitle(std::string_view title);
// The safe title made a file base name (see the file comment).
std::string FileBaseName(std::string_view safeTitle, std::int32_t newsId);
// A name that may stand as one folder level (a category name from the reference tables):
// the safe title rules; `fallback` when nothing usable is left.
std::string SafeFolderName(std::string_view name, std::string_view fallback);

// The content made HTML for a converted page: "&nbsp;&nbsp;&nbsp;" first, every CR LF as
// "<br>&nbsp;&nbsp;&nbsp;", 0x04 as "<font color=red>", 0x05 as "</font>".
std::string HtmlContent(std::string_view content);
// Fills a template: each "%s" takes the next value (none left: nothing), "%%" is one "%",
// any other "%" stays as it is. The page is cut to kMaxPageBytes.
std::string FillTemplate(std::string_view templateText,
                         std::initializer_list<std::string_view> values);

// Creates or replaces the file so that it holds exactly `text`. Returns the bytes written,
// kWriteFailed, or kCannotOpenFile (logged in the file error log).
int WriteWholeFile(std::string_view path, std::string_view text);

// One item to convert.
struct ConversionItem {
    int kind = kKindPublic;    // 10 public, 11 region, 12 trade
    std::int32_t code = 0;     // the category, trade or region code as a number
    store::NewsRecord record;  // title as stored, URL, site name, date, time
    std::string content;
    std::string fileTitle;  // the safe title the file is named after
    // Set for an item converted as it arrives: it is registered with RegisterItem (appended,
    // with its own URL and time text), otherwise with RegisterStored.
    const store::NewsItem* received = nullptr;
};

// What one conversion wrote.
struct ConvertedFile {
    int result = 0;        // 0, or the WriteWholeFile failure (nothing is registered then)
    std::string path;      // the file written
    std::string fileBase;  // its base name, as the indexes hold it
};

// Converts into `folder` (created when missing).
ConvertedFile ConvertToText(const ConversionSettings& settings, std::string_view folder,
                            const ConversionItem& item);
ConvertedFile ConvertToHtml(const ConversionSettings& settings, std::string_view folder,
                            const ConversionItem& item);

// Many stored items converted under one hold of the output lock, their registrations made at
// the end with one pass over each index (RegisterStoredBatch) instead of one per item: what
// the news list's convert command does over many items. The files are written as the
// conversions go; Finish (or the destructor) registers them and releases the lock.
class StoredConversionRun {
  public:
    explicit StoredConversionRun(const ConversionSettings& settings);
    ~StoredConversionRun();
    StoredConversionRun(const StoredConversionRun&) = delete;
    StoredConversionRun& operator=(const StoredConversionRun&) = delete;

    ConvertedFile Text(std::string_view folder, const ConversionItem& item);
    ConvertedFile Html(std::string_view folder, const ConversionItem& item);
    // Makes the registrations; the first failure, or 0.
    int Finish();

    struct Pending;

  private:
    const ConversionSettings& settings_;
    std::unique_ptr<class OutputLock> lock_;
    std::unique_ptr<Pending> pending_;
};

// The text file's bytes and the page's bytes of an item.
std::string TextFileBody(const store::NewsRecord& record, std::string_view content);
std::string HtmlPage(std::string_view templateText, const store::NewsRecord& record,
                     std::string_view content);

}  // namespace brevio::conversion
