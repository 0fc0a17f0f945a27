// What the store commands share: folder kinds by name, news ids, and the TSV row of a record.
#pragma once

#include <cstdint>
#include <string>

#include "store/news_file.h"

namespace brevio::cli {

// A folder kind: one of public, stock, favorite, subscription, region, trade, or its number.
bool ParseFolderKind(const std::string& text, store::FolderKind& kind);
// The name of a kind as ParseFolderKind reads it (unnamed kinds as their number).
std::string FolderKindName(store::FolderKind kind);
bool ParseNewsId(const std::string& text, std::int32_t& id);

// A text as one TSV cell: tabs and line ends become blanks.
std::string TsvCell(std::string text);

// The columns a listed record prints as, and its row (with "\n").
inline constexpr const char* kRecordColumns = "id\ttime\twebsite\tread\ttitle";
std::string RecordRow(const store::NewsRecord& record);

}  // namespace brevio::cli
