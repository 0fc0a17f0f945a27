#include "radar/page_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/temp_home.h"

namespace brevio::radar {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Keys = std::vector<std::int32_t>;
using test::ReadFileBytes;
using test::WriteFileBytes;

// A page as the radar stores it: every line followed by "\n".
std::string Page(const Lines& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// ---- Line reading ----

TEST(PageDiffLines, CrLfReadsAsOneLineFeedAndLoneCrStays) {
    EXPECT_EQ(PageDiff::SplitLines("a\r\nb\rc\r\r\nd"), (Lines{"a", "b\rc\r", "d"}));
    EXPECT_EQ(PageDiff::SplitLines("a\r"), (Lines{"a\r"}));
}

TEST(PageDiffLines, EndOfFileRule) {
    EXPECT_EQ(PageDiff::SplitLines(""), (Lines{""}));
    EXPECT_EQ(PageDiff::SplitLines("a"), (Lines{"a"}));
    EXPECT_EQ(PageDiff::SplitLines("a\n"), (Lines{"a", ""}));
    EXPECT_EQ(PageDiff::SplitLines("a\r\n\n"), (Lines{"a", "", ""}));
}

TEST(PageDiffLines, LongLinesArePiecesOf399Bytes) {
    const std::string x399(399, 'x');
    const std::string y399(399, 'y');
    const std::string z202(202, 'z');
    EXPECT_EQ(PageDiff::SplitLines(x399 + y399 + z202 + "\n"), (Lines{x399, y399, z202, ""}));
    // The line ends after 399 bytes without looking at the line feed that follows.
    EXPECT_EQ(PageDiff::SplitLines(x399 + "\n"), (Lines{x399, "", ""}));
    EXPECT_EQ(PageDiff::SplitLines(x399 + "\r\n"), (Lines{x399, "", ""}));
    EXPECT_EQ(PageDiff::SplitLines(x399), (Lines{x399, ""}));
    // 398 bytes and the line feed fit: the line feed is consumed.
    EXPECT_EQ(PageDiff::SplitLines(x399.substr(1) + "\r\n"), (Lines{x399.substr(1), ""}));
}

TEST(PageDiffLines, ZeroByteEndsTheLineTextButNotTheRead) {
    EXPECT_EQ(PageDiff::SplitLines("ab\0cd\nef"s), (Lines{"ab", "ef"}));
    // The bytes after the zero still count towards the 399 of the read.
    const std::string head(10, 'h');
    const std::string tail(500, 't');
    EXPECT_EQ(PageDiff::SplitLines(head + "\0"s + tail + "\n"),
              (Lines{head, tail.substr(388), ""}));
}

// ---- Line key ----

TEST(PageDiffKey, WeightsSignedBytesByPositionWithoutBlanks) {
    EXPECT_EQ(PageDiff::LineKey(""), 0);
    EXPECT_EQ(PageDiff::LineKey("   "), 0);
    EXPECT_EQ(PageDiff::LineKey("ab"), 97 + 2 * 98);
    EXPECT_EQ(PageDiff::LineKey(" a  b "), 97 + 2 * 98);
    EXPECT_EQ(PageDiff::LineKey("a\tb"), 97 + 2 * 9 + 3 * 98);
    EXPECT_EQ(PageDiff::LineKey("A"), 65);
    ASSERT_EQ("中"s, "\xD6\xD0"s);  // the test is compiled to GBK like the engine
    EXPECT_EQ(PageDiff::LineKey("中"), -42 + 2 * -48);
}

TEST(PageDiffKey, SumWrapsIn32Bits) {
    // 127 * (1 + ... + 70000) = 311154445000, which is 1916799688 modulo 2^32.
    EXPECT_EQ(PageDiff::LineKey(std::string(70000, '\x7F')), 1916799688);
    // -128 * (1 + ... + 70000) = -313604480000, which is -71867392 modulo 2^32.
    EXPECT_EQ(PageDiff::LineKey(std::string(70000, '\x80')), -71867392);
}

// ---- Compare on files ----

class PageDiffCompare : public test::TempHomeTest {
  protected:
    std::string OldPath() const { return Home() + "page_old.html"; }
    std::string NewPath() const { return Home() + "page.html"; }
    std::string ChangePath() const { return Home() + "page_change.html"; }

    bool Diff(const std::string& oldText, const std::string& newText,
              PageDiff::Options options = {}) {
        WriteFileBytes(OldPath(), oldText);
        WriteFileBytes(NewPath(), newText);
        const bool changed = PageDiff(options).Compare(OldPath(), NewPath(), ChangePath());
        page_ = ReadFileBytes(ChangePath());
        return changed;
    }

    std::string page_;
};

struct CompareCase {
    const char* what;
    std::string oldText;
    std::string newText;
    bool changed;
    std::string page;
};

TEST_F(PageDiffCompare, ResultAndChangePage) {
    const std::string x399(399, 'x');
    const std::string pre798 = std::string(399, 'p') + std::string(399, 'q');
    const std::vector<CompareCase> cases = {
        {"identical", Page({"<html>", "<p>news</p>", "</html>"}),
         Page({"<html>", "<p>news</p>", "</html>"}), false, ""},
        {"CR LF against LF", "h\r\n<p>x</p>\r\n", "h\n<p>x</p>\n", false, ""},
        {"blanks only", Page({"h", "<p>a b</p>", "t"}), Page({"h", "<p>ab</p>", "t"}), false, ""},
        {"blanks in GBK text", Page({"h", "<p>今日 要闻</p>", "t"}),
         Page({"h", "<p>今日要闻</p>", "t"}), false, ""},
        {"tab", Page({"h", "a b", "t"}), Page({"h", "a\tb", "t"}), true, "a\tb"},
        {"letter case", Page({"h", "News", "t"}), Page({"h", "news", "t"}), true, "news"},
        {"inserted", Page({"h", "a", "t"}), Page({"h", "a", "<p>new</p>", "t"}), true,
         "<p>new</p>"},
        {"inserted GBK", Page({"h", "a", "t"}), Page({"h", "a", "<p>新增内容</p>", "t"}), true,
         "<p>新增内容</p>"},
        {"deleted", Page({"h", "a", "gone", "t"}), Page({"h", "a", "t"}), true, ""},
        {"replaced", Page({"h", "old", "t"}), Page({"h", "new", "t"}), true, "new"},
        {"several changes", Page({"h", "a", "b", "old", "c", "t"}),
         Page({"h", "X", "a", "b", "new", "c", "Z", "t"}), true, "XnewZ"},
        {"1000-byte line is three lines", Page({"h", pre798 + std::string(202, 'z'), "t"}),
         Page({"h", pre798 + std::string(202, 'w'), "t"}), true, std::string(202, 'w')},
        {"399-byte line has an empty line after it", Page({"h", x399, "t"}), "h\n" + x399 + "t\n",
         true, ""},
        {"zero byte hides the rest", "h\nB\0xyz\nt\n"s, "h\nB\0abc\nt\n"s, false, ""},
        {"zero byte cuts the written line", "h\nt\n", "h\nN\0hidden\nt\n"s, true, "N"},
        {"equal keys", Page({"h", "ab", "t"}), Page({"h", "ca", "t"}), false, ""},
        {"equal keys with signed bytes", Page({"h", "\xFF", "t"}), Page({"h", "\x01\xFF", "t"}),
         false, ""},
        {"final empty lines match", "h\nb\n", "h\nb\nc\n", true, "c"},
        {"no gap after the last pair", "h\nb", "h\nb\nc", false, ""},
        {"difference after the last pair", "h\na", "h\nb", false, ""},
        {"no common line", "a", "b", false, ""},
        {"line 0 of both files", "x\na\n", "y\na\n", false, ""},
        {"one line added at the top", "a\n", "n\na\n", false, ""},
        {"two lines added at the top", "a\nb\n", "n\nm\na\nb\n", true, "m"},
        {"two lines removed at the top", "x\ny\na\n", "a\n", true, ""},
        {"tie skips the new line", Page({"h", "A", "B", "t"}), Page({"h", "B", "A", "t"}), true,
         "B"},
        {"both empty", "", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Diff(c.oldText, c.newText), c.changed);
        EXPECT_EQ(page_, c.page);
    }
}

TEST_F(PageDiffCompare, UnreadableInputGivesEmptyPageAndNoChange) {
    WriteFileBytes(NewPath(), Page({"h", "a", "t"}));
    WriteFileBytes(ChangePath(), "stale");
    EXPECT_FALSE(PageDiff().Compare(Home() + "missing.html", NewPath(), ChangePath()));
    EXPECT_EQ(ReadFileBytes(ChangePath()), "");

    WriteFileBytes(OldPath(), Page({"h", "t"}));
    WriteFileBytes(ChangePath(), "stale");
    EXPECT_FALSE(PageDiff().Compare(OldPath(), Home() + "missing.html", ChangePath()));
    EXPECT_EQ(ReadFileBytes(ChangePath()), "");
    EXPECT_FALSE(PageDiff().Compare(OldPath(), Home(), ChangePath()));  // a folder
}

TEST_F(PageDiffCompare, UnwritableChangePageGivesNoChangeAndKeepsInputs) {
    const std::string oldText = Page({"h", "t"});
    const std::string newText = Page({"h", "a", "t"});
    WriteFileBytes(OldPath(), oldText);
    WriteFileBytes(NewPath(), newText);
    EXPECT_FALSE(PageDiff().Compare(OldPath(), NewPath(), Home() + "no/such/folder/c.html"));
    EXPECT_EQ(ReadFileBytes(OldPath()), oldText);
    EXPECT_EQ(ReadFileBytes(NewPath()), newText);
}

TEST_F(PageDiffCompare, TableBeyondTheBoundAnswersNoChange) {
    Lines oldLines;
    for (int k = 0; k < 1000; ++k) oldLines.push_back("<li>item " + std::to_string(k) + "</li>");
    Lines newLines = oldLines;
    newLines[500] = "<li>changed</li>";
    PageDiff::Options small;
    small.maxTableCells = 100;
    // Only the block between the common prefix and suffix is tabulated.
    EXPECT_TRUE(Diff(Page(oldLines), Page(newLines), small));
    EXPECT_EQ(page_, "<li>changed</li>");
    newLines.front() = "<html>";
    newLines.back() = "<li>last</li>";
    EXPECT_TRUE(Diff(Page(oldLines), Page(newLines)));
    EXPECT_EQ(page_, "<li>changed</li><li>last</li>");
    WriteFileBytes(ChangePath(), "stale");
    EXPECT_FALSE(Diff(Page(oldLines), Page(newLines), small));
    EXPECT_EQ(page_, "");
}

TEST_F(PageDiffCompare, PathsPassThroughTheNativePathHook) {
    WriteFileBytes(OldPath(), Page({"h", "t"}));
    WriteFileBytes(NewPath(), Page({"h", "a", "t"}));
    PageDiff::Options options;
    options.nativePath = [this](const std::string& path) { return Home() + path; };
    EXPECT_TRUE(PageDiff(options).Compare("page_old.html", "page.html", "page_change.html"));
    EXPECT_EQ(ReadFileBytes(ChangePath()), "a");
}

// ---- Matching against a plain full table ----

// The whole (n + 1) x (m + 1) table, the same tie rule, the same trace; no shortcuts.
std::vector<LinePair> ReferencePairs(const Keys& a, const Keys& b) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    std::vector<std::vector<int>> length(n + 1, std::vector<int>(m + 1, 0));
    std::vector<std::vector<bool>> down(n + 1, std::vector<bool>(m + 1, false));
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            if (a[i] == b[j]) {
                length[i][j] = length[i + 1][j + 1] + 1;
            } else if (length[i + 1][j] > length[i][j + 1]) {
                length[i][j] = length[i + 1][j];
                down[i][j] = true;
            } else {
                length[i][j] = length[i][j + 1];
            }
        }
    }
    std::vector<LinePair> pairs;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n && j < m) {
        if (a[i] == b[j]) {
            pairs.push_back({i++, j++});
        } else if (down[i][j]) {
            ++i;
        } else {
            ++j;
        }
    }
    return pairs;
}

// True when the reference pairs every line of the common suffix with its counterpart, which is
// what a plain cut of the suffix would assume.
bool SuffixPairedInPlace(const Keys& a, const Keys& b, const std::vector<LinePair>& pairs) {
    std::size_t prefix = 0;
    while (prefix < std::min(a.size(), b.size()) && a[prefix] == b[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < std::min(a.size(), b.size()) - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
        ++suffix;
    }
    for (std::size_t k = 1; k <= suffix; ++k) {
        const LinePair inPlace{a.size() - k, b.size() - k};
        if (std::find(pairs.begin(), pairs.end(), inPlace) == pairs.end()) return false;
    }
    return true;
}

TEST(PageDiffMatch, TrimmedTableGivesTheFullTablePairs) {
    std::mt19937 rng(20240611);
    auto draw = [&rng](std::size_t maxLength, int alphabet) {
        Keys keys(std::uniform_int_distribution<std::size_t>(0, maxLength)(rng));
        for (auto& key : keys) key = std::uniform_int_distribution<int>(0, alphabet - 1)(rng);
        return keys;
    };
    const PageDiff engine;
    int suffixMovedCases = 0;
    for (int round = 0; round < 30000; ++round) {
        const int alphabet = std::uniform_int_distribution<int>(1, 6)(rng);
        Keys a;
        Keys b;
        if (round % 3 == 0) {  // unrelated texts
            a = draw(20, alphabet);
            b = draw(20, alphabet);
        } else {  // shared head and tail around two middles that reuse the tail's keys
            const Keys head = draw(4, alphabet);
            const Keys tail = draw(8, alphabet);
            const bool wide = round % 50 == 1;  // crosses the 64-cell words of a flag row
            a = head;
            b = head;
            for (int key : draw(wide ? 150 : 10, alphabet)) a.push_back(key);
            for (int key : draw(wide ? 150 : 10, alphabet)) b.push_back(key);
            a.insert(a.end(), tail.begin(), tail.end());
            b.insert(b.end(), tail.begin(), tail.end());
        }
        const std::vector<LinePair> expected = ReferencePairs(a, b);
        std::vector<LinePair> pairs;
        ASSERT_TRUE(engine.Match(a, b, pairs));
        ASSERT_EQ(pairs, expected) << "round " << round;
        if (!SuffixPairedInPlace(a, b, expected)) ++suffixMovedCases;
    }
    // The cases where cutting the suffix naively would go wrong were really exercised.
    EXPECT_GT(suffixMovedCases, 1000);
}

}  // namespace
}  // namespace brevio::radar
