// The stock table: every stock's code, name, aliases and trade.
#pragma once

#include <string>
#include <vector>

namespace brevio::reference {

inline constexpr char kAliasSeparator = ',';

struct StockEntry {
    std::string code;                    // white space trimmed at both ends
    std::string name;                    // blanks trimmed at both ends
    std::string aliases;                 // the alias text, white space trimmed
    std::vector<std::string> aliasList;  // `aliases` split at the separator; empty for no aliases
    std::string trade;                   // the trade text as read
    char separator = kAliasSeparator;

    bool operator==(const StockEntry&) const = default;
};

using StockTable = std::vector<StockEntry>;

// Fills `aliasList` from `aliases`.
void SplitAliases(StockEntry& entry);

// The first stock with that code, or nullptr.
const StockEntry* FindStock(const StockTable& table, const std::string& code);

}  // namespace brevio::reference
