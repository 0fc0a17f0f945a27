// Reference table files: every loader over any bytes, then the writers' promise that what
// they write reads back the same, over the rows just loaded.
#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/text.h"
#include "reference/tab_files.h"

namespace {

using namespace brevio;
using reference::kTabLineBuffer;

// A value as it reads back after a write: tabs, CR and LF become blanks, trailing blanks go.
std::string AsWritten(std::string_view value) {
    std::string v(value);
    std::replace_if(
        v.begin(), v.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    v.erase(v.find_last_not_of(' ') + 1);
    return v;
}

// True when every line of the file fits the reading buffer whole (a longer one would be
// read in pieces and could not read back the same).
bool LinesFitBuffer(const std::string& path) {
    const std::string text = fuzz::ReadBytes(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        if (end - start >= kTabLineBuffer) return false;
        start = end;
    }
    return true;
}

// The written forms of a value read back as the value, for every value the writers keep as
// it is: one without tabs, CR and LF (which they turn into blanks) and without trailing
// blanks (which reading drops).
void CheckQuoting(std::string_view text) {
    const std::string unquoted = reference::UnquoteField(text);
    FUZZ_CHECK(unquoted.size() <= text.size());
    FUZZ_CHECK(unquoted.empty() || unquoted.back() != ' ');
    std::string value(text);
    value.erase(std::remove_if(value.begin(), value.end(),
                               [](char c) { return c == '\t' || c == '\r' || c == '\n'; }),
                value.end());
    value.erase(value.find_last_not_of(' ') + 1);
    FUZZ_CHECK(reference::UnquoteField(reference::EscapeField(value)) == value);
    FUZZ_CHECK(reference::UnquoteQuotedValue(reference::QuoteField(value)) == value);
}

void CheckLines(const std::string& path) {
    const bool opened = reference::ForEachTabLine(path, [](std::vector<std::string>& fields) {
        FUZZ_CHECK(!fields.empty());
        for (const std::string& f : fields) {
            FUZZ_CHECK(f.size() < kTabLineBuffer);
            FUZZ_CHECK(f.find_first_of("\t\n") == std::string::npos);
            FUZZ_CHECK(f.empty() || f.back() != ' ');
        }
    });
    FUZZ_CHECK(opened);
}

void CheckRefList(const std::string& path, const std::string& copy, bool withFlags) {
    reference::RefList list;
    const int loaded = reference::LoadRefList(path, withFlags, list);
    FUZZ_CHECK(loaded == static_cast<int>(list.size()));
    reference::RefList expected;
    for (const reference::RefEntry& e : list) {
        CheckQuoting(e.code);
        CheckQuoting(e.name);
        if (!withFlags) FUZZ_CHECK(e.flag == reference::kFlagNotSelected);
        reference::RefEntry w{AsWritten(e.code), AsWritten(e.name), e.flag};
        if (w.code.empty()) continue;
        // A flag the line cannot carry is written as not selected.
        static const std::string_view kUnwritable{"\0\t\r\n \"", 6};
        if (!withFlags || w.name.empty() || kUnwritable.find(w.flag) != std::string_view::npos) {
            w.flag = reference::kFlagNotSelected;
        }
        expected.push_back(std::move(w));
    }
    const int saved = reference::SaveRefList(copy, list, withFlags);
    FUZZ_CHECK(saved == static_cast<int>(expected.size()));
    if (!LinesFitBuffer(copy)) return;
    reference::RefList back;
    FUZZ_CHECK(reference::LoadRefList(copy, withFlags, back) == saved);
    FUZZ_CHECK(back == expected);
}

void CheckSiteCategories(const std::string& path, const std::string& copy) {
    reference::SiteCategoryList list;
    FUZZ_CHECK(reference::LoadSiteCategoryList(path, list) == static_cast<int>(list.size()));
    reference::SiteCategoryList expected;
    for (const reference::SiteCategoryPair& p : list) {
        reference::SiteCategoryPair w{AsWritten(p.category), AsWritten(p.site)};
        if (w.site.empty() || w.category.empty()) continue;
        expected.push_back(std::move(w));
    }
    const int saved = reference::SaveSiteCategoryList(copy, list);
    FUZZ_CHECK(saved == static_cast<int>(expected.size()));
    if (!LinesFitBuffer(copy)) return;
    reference::SiteCategoryList back;
    FUZZ_CHECK(reference::LoadSiteCategoryList(copy, back) == saved);
    FUZZ_CHECK(back.size() == expected.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        FUZZ_CHECK(back[i].site == expected[i].site);
        FUZZ_CHECK(back[i].category == expected[i].category);
    }
}

// Stock codes and names as they read back: the reader trims codes of white space and names
// of blanks at both ends.
std::string StockCode(std::string_view code) {
    return std::string(platform::Trim(AsWritten(code)));
}
std::string StockName(std::string_view name) {
    return std::string(platform::TrimBlanks(AsWritten(name)));
}

void CheckStocks(const std::string& path, const std::string& copy) {
    reference::StockTable table;
    FUZZ_CHECK(reference::LoadStockTable(path, table) == static_cast<int>(table.size()));
    std::size_t writable = 0;
    for (const reference::StockEntry& s : table) {
        FUZZ_CHECK(s.aliases != "\"" && s.trade != "\"");
        if (s.aliases.empty()) FUZZ_CHECK(s.aliasList.empty());
        if (!StockCode(s.code).empty() && !StockName(s.name).empty()) ++writable;
    }
    const int saved = reference::SaveStockTable(copy, table);
    FUZZ_CHECK(saved == static_cast<int>(writable));
    if (!LinesFitBuffer(copy)) return;
    reference::StockTable back;
    FUZZ_CHECK(reference::LoadStockTable(copy, back) == saved);
    // Codes and names read back as written; aliases and trade go through the quoted form.
    std::size_t i = 0;
    for (const reference::StockEntry& s : table) {
        if (StockCode(s.code).empty() || StockName(s.name).empty()) continue;
        FUZZ_CHECK(back[i].code == StockCode(s.code));
        FUZZ_CHECK(back[i].name == StockName(s.name));
        ++i;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::ScratchFolder() + "table.tab";
    const std::string copy = fuzz::ScratchFolder() + "written.tab";
    fuzz::WriteBytes(path, text);
    CheckLines(path);
    CheckRefList(path, copy, true);
    CheckRefList(path, copy, false);
    CheckSiteCategories(path, copy);
    CheckStocks(path, copy);
    CheckQuoting(text.substr(0, 256));
    fuzz::ClearErrorLogs();
    return 0;
}
