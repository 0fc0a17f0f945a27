#include "reference/tab_files.h"

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::reference {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// What the writers cannot put into a value: a value that reads back empty is left out.
std::string SafeValue(std::string_view value) {
    return std::string(platform::TrimRightBlanks(EscapeField(value)));
}

// The empty value in quoted form reads back as one quote mark.
void EmptyIfLoneQuote(std::string& value) {
    if (value == "\"") value.clear();
}

int WriteTable(std::string_view path, const std::string& text, int rows) {
    if (!platform::WriteFileAtomic(path, text)) {
        platform::LogFileError("Write " + std::string(path), platform::LastError());
        return kTableWriteFailed;
    }
    return rows;
}

}  // namespace

std::string UnquoteField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '"') {
            out += field[i];
        } else if (i + 1 < field.size() && field[i + 1] == '"') {
            out += '"';
            ++i;
        }
    }
    out.resize(platform::TrimRightBlanks(out).size());
    return out;
}

std::vector<std::string> SplitTabLine(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line[pos] == '\t') {
            ++pos;
            continue;
        }
        std::size_t end = line.find('\t', pos);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(UnquoteField(line.substr(pos, end - pos)));
        pos = end;
    }
    return fields;
}

bool ForEachTabLine(std::string_view path,
                    const std::function<void(std::vector<std::string>& fields)>& onLine) {
    platform::LineReader reader(kTabLineBuffer);
    if (!reader.Open(path)) return false;
    std::string piece;
    while (reader.Next(piece)) {
        std::vector<std::string> fields = SplitTabLine(platform::StripLineEnd(piece));
        if (!fields.empty()) onLine(fields);
    }
    return true;
}

int LoadRefList(std::string_view path, bool withFlags, RefList& list) {
    list.clear();
    bool opened = ForEachTabLine(path, [&](std::vector<std::string>& f) {
        RefEntry e;
        e.code = std::move(f[0]);
        if (f.size() >= 2) e.name = std::move(f[1]);
        if (withFlags && f.size() >= 3 && !f[2].empty()) e.flag = f[2][0];
        list.push_back(std::move(e));
    });
    return opened ? static_cast<int>(list.size()) : kTableOpenFailed;
}

int LoadSiteCategoryList(std::string_view path, SiteCategoryList& list) {
    list.clear();
    bool opened = ForEachTabLine(path, [&](std::vector<std::string>& f) {
        SiteCategoryPair p;
        p.site = std::move(f[0]);
        if (f.size() >= 2) p.category = std::move(f[1]);
        list.push_back(std::move(p));
    });
    return opened ? static_cast<int>(list.size()) : kTableOpenFailed;
}

int LoadStockTable(std::string_view path, StockTable& table) {
    table.clear();
    bool opened = ForEachTabLine(path, [&](std::vector<std::string>& f) {
        StockEntry s;
        s.code = platform::Trim(f[0]);
        if (f.size() >= 2) s.name = platform::TrimBlanks(f[1]);
        if (f.size() >= 3) s.aliases = platform::Trim(f[2]);
        if (f.size() >= 4) s.trade = std::move(f[3]);
        EmptyIfLoneQuote(s.aliases);
        EmptyIfLoneQuote(s.trade);
        SplitAliases(s);
        table.push_back(std::move(s));
    });
    return opened ? static_cast<int>(table.size()) : kTableOpenFailed;
}

std::string EscapeField(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        if (c == '\t' || c == '\r' || c == '\n') {
            out += ' ';
        } else if (c == '"') {
            out += "\"\"";
        } else {
            out += c;
        }
    }
    return out;
}

std::string QuoteField(std::string_view value) {
    return '"' + EscapeField(value) + '"';
}

std::string UnquoteQuotedValue(std::string_view field) {
    // Quote marks only: QuoteField doubled each one inside the enclosing pair, which the
    // general rule would read as pairs throughout and so keep one quote mark too many.
    if (field.size() >= 2 && field.size() % 2 == 0 &&
        field.find_first_not_of('"') == std::string_view::npos) {
        return std::string((field.size() - 2) / 2, '"');
    }
    std::string value = UnquoteField(field);
    EmptyIfLoneQuote(value);
    return value;
}

int SaveRefList(std::string_view path, const RefList& list, bool withFlags) {
    std::string text;
    int rows = 0;
    for (const RefEntry& e : list) {
        std::string code = SafeValue(e.code);
        if (code.empty()) continue;
        std::string name = SafeValue(e.name);
        text += code;
        // A line with the code alone is the only form that reads back with an empty name.
        if (!name.empty()) {
            text += '\t';
            text += name;
            if (withFlags) {
                char flag = e.flag;
                if (flag == '\0' || flag == '\t' || flag == '\r' || flag == '\n' || flag == ' ' ||
                    flag == '"') {
                    flag = kFlagNotSelected;
                }
                text += '\t';
                text += flag;
            }
        }
        text += kLineEnd;
        ++rows;
    }
    return WriteTable(path, text, rows);
}

int SaveSiteCategoryList(std::string_view path, const SiteCategoryList& list) {
    std::string text;
    int rows = 0;
    for (const SiteCategoryPair& p : list) {
        std::string site = SafeValue(p.site);
        std::string category = SafeValue(p.category);
        if (site.empty() || category.empty()) continue;
        text += site;
        text += '\t';
        text += category;
        text += kLineEnd;
        ++rows;
    }
    return WriteTable(path, text, rows);
}

int SaveStockTable(std::string_view path, const StockTable& table) {
    std::string text;
    int rows = 0;
    for (const StockEntry& s : table) {
        std::string code = SafeValue(platform::Trim(s.code));
        std::string name = SafeValue(platform::TrimBlanks(s.name));
        if (code.empty() || name.empty()) continue;
        text += code;
        text += '\t';
        text += name;
        text += '\t';
        text += QuoteField(s.aliases);
        text += '\t';
        text += QuoteField(s.trade);
        text += kLineEnd;
        ++rows;
    }
    return WriteTable(path, text, rows);
}

}  // namespace brevio::reference
