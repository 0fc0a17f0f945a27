// brevio-cli tables show KIND: a reference table of the content folder as TSV.
#include <functional>
#include <string>
#include <vector>

#include "commands.h"
#include "reference/bulletin.h"
#include "reference/file_names.h"
#include "reference/tab_files.h"
#include "settings/app_settings.h"

namespace brevio::cli {
namespace {

using namespace brevio::reference;

// One TSV cell: backslash, tab, CR and LF written as \\, \t, \r and \n.
std::string Cell(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void Row(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) line += '\t';
        line += Cell(cells[i]);
    }
    PrintLineGbk(line);
}

struct Kind {
    const char* name;
    std::string_view file;
    const char* header;
    // Prints the rows; false when the file cannot be opened.
    std::function<bool(const std::string& path)> print;
};

bool PrintRefList(const std::string& path, bool withFlags) {
    RefList list;
    if (LoadRefList(path, withFlags, list) == kTableOpenFailed) return false;
    for (const RefEntry& e : list) {
        if (withFlags) {
            Row({e.code, e.name, std::string(1, e.flag)});
        } else {
            Row({e.code, e.name});
        }
    }
    return true;
}

bool PrintSites(const std::string& path) {
    SiteCategoryList list;
    if (LoadSiteCategoryList(path, list) == kTableOpenFailed) return false;
    for (const SiteCategoryPair& p : list) Row({p.site, p.category});
    return true;
}

bool PrintStocks(const std::string& path) {
    StockTable table;
    if (LoadStockTable(path, table) == kTableOpenFailed) return false;
    for (const StockEntry& s : table) Row({s.code, s.name, s.aliases, s.trade});
    return true;
}

bool PrintBulletin(const std::string& path) {
    Bulletin b;
    if (ReadBulletin(path, b) == kBulletinMissing) return false;
    if (!b.Empty()) Row({b.title, b.time, b.category, std::to_string(b.showAtStart), b.content});
    return true;
}

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"kinds", kNewsKindFile, "code\tname\tflag",
         [](const std::string& p) { return PrintRefList(p, true); }},
        {"public", kNewsClassifyFile, "code\tname\tflag",
         [](const std::string& p) { return PrintRefList(p, true); }},
        {"region", kRegionFile, "code\tname\tflag",
         [](const std::string& p) { return PrintRefList(p, true); }},
        {"trade", kTradeFile, "code\tname\tflag",
         [](const std::string& p) { return PrintRefList(p, true); }},
        {"websites", kWebsitesFile, "code\tname",
         [](const std::string& p) { return PrintRefList(p, false); }},
        {"stocks", kStockTableFile, "code\tname\taliases\ttrade", PrintStocks},
        {"websitenews", kWebsiteNewsFile, "site\tcategory", PrintSites},
        {"websitetrade", kWebsiteTradeFile, "site\tcategory", PrintSites},
        {"websiteregion", kWebsiteRegionFile, "site\tcategory", PrintSites},
        {"bulletin", kBulletinFile, "title\ttime\tcategory\tshowAtStart\tcontent", PrintBulletin},
    };
    return kinds;
}

int TablesCommand(const Args& args) {
    if (args.size() != 2 || args[0] != "show") return Usage("tables");
    for (const Kind& kind : Kinds()) {
        if (args[1] != kind.name) continue;
        std::string path = DataPath(settings::LoadAppSettings().contentFolder, kind.file);
        PrintLineGbk(kind.header);
        if (!kind.print(path)) ErrorLine("cannot open " + path + "; the table is empty");
        return kExitOk;
    }
    ErrorLine("unknown table " + ToGbk(args[1]));
    return Usage("tables");
}

}  // namespace

BREVIO_COMMAND(
    "tables",
    "  tables show KIND      print a reference table of the content folder as TSV\n"
    "                        KIND: kinds public region trade websites stocks\n"
    "                        websitenews websitetrade websiteregion bulletin\n"
    "                        (tab, CR, LF and \\ inside a value print as \\t \\r \\n \\\\)",
    TablesCommand);

}  // namespace brevio::cli
