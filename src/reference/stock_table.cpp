#include "reference/stock_table.h"

#include "platform/text.h"

namespace brevio::reference {

void SplitAliases(StockEntry& entry) {
    entry.aliasList.clear();
    if (entry.aliases.empty()) return;
    // Blank pieces ("a,,b", "a, ") are dropped: an empty alias would match any text.
    for (const std::string& piece : platform::Split(entry.aliases, entry.separator)) {
        std::string_view alias = platform::Trim(piece);
        if (!alias.empty()) entry.aliasList.emplace_back(alias);
    }
}

const StockEntry* FindStock(const StockTable& table, const std::string& code) {
    for (const StockEntry& s : table) {
        if (s.code == code) return &s;
    }
    return nullptr;
}

}  // namespace brevio::reference
