// Reading and writing the ".tab" files of the reference tables.
//
// Reading rules shared by every table file:
//  - the file is read through a line buffer of 2048 bytes, so a line of more than 2047 bytes
//    arrives in pieces and each piece counts as a line; trailing CR and LF bytes are removed;
//  - a line is cut into fields at tabs; a run of tabs is one separator and leading or
//    trailing tabs make no field, so no field is ever empty; a line without fields is skipped;
//  - in every field a lone double quote is removed and a doubled one becomes one quote, then
//    trailing blanks are removed.
// Files are written with CR LF line ends, atomically (a crash leaves the old or the new file).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reference/ref_list.h"
#include "reference/site_category_list.h"
#include "reference/stock_table.h"

namespace brevio::reference {

// Result codes of the loaders and writers (counts are 0 or more).
inline constexpr int kTableOpenFailed = -12;   // the file cannot be opened
inline constexpr int kTableWriteFailed = -13;  // the file cannot be created or written

inline constexpr std::size_t kTabLineBuffer = 2048;

// The fields of one line (line ends already removed), unquoted, trailing blanks removed.
std::vector<std::string> SplitTabLine(std::string_view line);

// One field: lone quotes removed, doubled quotes made single, trailing blanks removed.
std::string UnquoteField(std::string_view field);

// Calls `onLine` with the fields of every line that has any, in file order; false when the
// file cannot be opened.
bool ForEachTabLine(std::string_view path,
                    const std::function<void(std::vector<std::string>& fields)>& onLine);

// The loaders empty their target first; they return the number of rows loaded, or
// kTableOpenFailed with the target left empty.
//   withFlags: code, name, flag (the first byte of the third field; 'F' when missing).
//   without:   code, name; every flag 'F'.
int LoadRefList(std::string_view path, bool withFlags, RefList& list);
// site code, category code.
int LoadSiteCategoryList(std::string_view path, SiteCategoryList& list);
// code, name, "aliases", "trade".
int LoadStockTable(std::string_view path, StockTable& table);

// The writers return the number of rows written or kTableWriteFailed (logged in the file
// error log). Text that the line format cannot carry is made safe: tabs, CR and LF inside a
// value become blanks and quotes are doubled, so that what is written reads back the same.
// Rows without a code (stocks: without a code or a name) are left out.
//   code TAB name [TAB flag] CR LF
int SaveRefList(std::string_view path, const RefList& list, bool withFlags);
//   site code TAB category code CR LF
int SaveSiteCategoryList(std::string_view path, const SiteCategoryList& list);
//   code TAB name TAB "aliases" TAB "trade" CR LF
int SaveStockTable(std::string_view path, const StockTable& table);

// A value as the writers put it into a line: tabs, CR and LF made blanks, quotes doubled.
std::string EscapeField(std::string_view value);
// A value in the quoted form ("value"), as the stock table and the bulletin store them.
std::string QuoteField(std::string_view value);
// The reading side of QuoteField: the general field rule, where the empty value, written as
// two quote marks, reads back as one quote mark and is taken as empty again, and a value of
// quote marks only (written doubled between the enclosing pair) reads back as it was.
std::string UnquoteQuotedValue(std::string_view field);

}  // namespace brevio::reference
