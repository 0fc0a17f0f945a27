#include "radar/page_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
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

// The reading rule done one character at a time, as a text-mode stream delivers them.
Lines ReadLikeATextStream(const std::string& bytes) {
    Lines lines;
    std::size_t pos = 0;
    for (;;) {
        std::string line;
        bool endOfFile = false;
        for (std::size_t read = 0; read < PageDiff::kMaxLineBytes; ++read) {
            if (pos == bytes.size()) {
                endOfFile = true;
                break;
            }
            char c = bytes[pos++];
            if (c == '\r' && pos < bytes.size() && bytes[pos] == '\n') c = bytes[pos++];
            if (c == '\n') break;
            line.push_back(c);
        }
        lines.push_back(line.substr(0, line.find('\0')));
        if (endOfFile) return lines;
    }
}

TEST(PageDiffLines, LinesNearTheReadLengthSplitLikeATextStream) {
    std::mt19937 rng(399);
    const std::vector<std::string> endings = {"\n",   "\r\n", "\r",  "\r\r\n",
                                              "\n\n", ""s,    "\0"s, "\0\r\n"s};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (int piece = std::uniform_int_distribution<int>(0, 6)(rng); piece > 0; --piece) {
            bytes += std::string(std::uniform_int_distribution<std::size_t>(394, 402)(rng), 'x');
            bytes +=
                endings[std::uniform_int_distribution<std::size_t>(0, endings.size() - 1)(rng)];
        }
        ASSERT_EQ(PageDiff::SplitLines(bytes), ReadLikeATextStream(bytes)) << "round " << round;
    }
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

// The key rule byte by byte, without shortcuts.
std::int32_t PlainKey(const std::string& line) {
    std::int64_t sum = 0;
    std::int64_t position = 0;
    for (char c : line) {
        if (c != ' ') sum += static_cast<signed char>(c) * ++position;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(sum)));
}

TEST(PageDiffKey, AnyBytesAndLengthsGiveThePlainSum) {
    std::mt19937 rng(1601);
    auto below = [&rng](int bound) {
        return std::uniform_int_distribution<int>(0, bound - 1)(rng);
    };
    for (int round = 0; round < 3000; ++round) {
        // Blanks from none to most; runs of them cross the 16-byte blocks.
        const int blankShare = below(4) == 0 ? 0 : below(100);
        std::string line(static_cast<std::size_t>(round % 100 == 0 ? below(70000) : below(450)),
                         'x');
        for (auto& c : line) c = below(100) < blankShare ? ' ' : static_cast<char>(below(256));
        ASSERT_EQ(PageDiff::LineKey(line), PlainKey(line)) << "round " << round;
    }
}

// ---- The plain full table that the engine is checked against ----

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

TEST_F(PageDiffCompare, TableBoundOnlyChangesHowRowsAreKept) {
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
    // Far beyond the bound the rows are recomputed; the answer stays the same.
    WriteFileBytes(ChangePath(), "stale");
    EXPECT_TRUE(Diff(Page(oldLines), Page(newLines), small));
    EXPECT_EQ(page_, "<li>changed</li><li>last</li>");
}

// Pages far larger than any table of direction bits that would fit in memory: the report is
// still exact. Every line's key is unique, so the pairs, and with them the page, are known.
TEST_F(PageDiffCompare, HugePagesReportEveryChange) {
    constexpr int kLines = 60000;
    std::mt19937 rng(1187);
    std::set<std::int32_t> usedKeys;
    auto freshLine = [&] {
        for (;;) {
            std::string line = "<p>";
            for (int k = std::uniform_int_distribution<int>(20, 60)(rng); k > 0; --k) {
                line += static_cast<char>('a' + std::uniform_int_distribution<int>(0, 25)(rng));
            }
            if (usedKeys.insert(PageDiff::LineKey(line)).second) return line;
        }
    };
    Lines oldLines;
    for (int k = 0; k < kLines; ++k) oldLines.push_back(freshLine());
    oldLines.push_back("");       // both pages end with a line feed
    Lines newLines{freshLine()};  // line 0 differs: the table spans both pages whole
    std::string expected;
    for (int k = 1; k <= kLines; ++k) {
        if (k % 1000 == 7) {  // replaced
            newLines.push_back(freshLine());
            expected += newLines.back();
        } else if (k % 1000 == 300) {  // removed: writes nothing
        } else if (k % 1000 == 600) {  // followed by an inserted line
            newLines.push_back(oldLines[k]);
            newLines.push_back(freshLine());
            expected += newLines.back();
        } else {
            newLines.push_back(oldLines[k]);
        }
    }
    auto text = [](const Lines& lines) {
        std::string joined;
        for (const auto& line : lines) joined += line + (&line == &lines.back() ? "" : "\n");
        return joined;
    };
    EXPECT_TRUE(Diff(text(oldLines), text(newLines)));
    EXPECT_EQ(page_, expected);
    // One removed line alone is reported too, with an empty page.
    Lines shorter = oldLines;
    shorter.erase(shorter.begin() + 45678);
    shorter.front() = newLines.front();
    EXPECT_TRUE(Diff(text(oldLines), text(shorter)));
    EXPECT_EQ(page_, "");
}

// Whole comparisons on random bytes (line feeds, CR LF pairs, lone CRs, zero bytes, blanks and
// lines longer than a read) against the building blocks put together in the plainest way.
TEST_F(PageDiffCompare, RandomFilesMatchTheBuildingBlocks) {
    std::mt19937 rng(7031);
    const std::string alphabet = "ab  \t\r\n\n\n"s + '\0' + "\xD6\xD0";
    auto below = [&rng](std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(rng);
    };
    auto draw = [&](std::size_t maxBytes) {
        std::string bytes(below(maxBytes + 1), 'x');
        const bool longLines = below(10) == 0;
        for (auto& c : bytes) {
            c = longLines && below(100) > 0 ? 'L' : alphabet[below(alphabet.size())];
        }
        return bytes;
    };
    auto keysOf = [](const Lines& lines) {
        Keys keys;
        for (const auto& line : lines) keys.push_back(PageDiff::LineKey(line));
        return keys;
    };
    int changedCases = 0;
    for (int round = 0; round < 600; ++round) {
        const std::string oldText = draw(round % 10 == 0 ? 2000 : 60);
        std::string newText = oldText;
        if (round % 2 == 0) {
            newText = draw(round % 10 == 0 ? 2000 : 60);
        } else {  // a few edits of the old text
            for (std::size_t edit = below(3) + 1; edit > 0; --edit) {
                newText.insert(below(newText.size() + 1), draw(6));
            }
        }
        const Lines newLines = PageDiff::SplitLines(newText);
        std::string expectedPage;
        const bool expected = PageDiff::BuildChangePage(
            ReferencePairs(keysOf(PageDiff::SplitLines(oldText)), keysOf(newLines)), newLines,
            expectedPage);
        PageDiff::Options recompute;
        recompute.maxTableCells = 0;
        for (const auto& options : {PageDiff::Options{}, recompute}) {
            ASSERT_EQ(Diff(oldText, newText, options), expected) << "round " << round;
            ASSERT_EQ(page_, expectedPage) << "round " << round;
            // New files each time: truncating written files makes some file systems flush.
            for (const auto& path : {OldPath(), NewPath(), ChangePath()}) std::remove(path.c_str());
        }
        changedCases += expected;
    }
    EXPECT_GT(changedCases, 200);
}

TEST_F(PageDiffCompare, PathsPassThroughTheNativePathHook) {
    WriteFileBytes(OldPath(), Page({"h", "t"}));
    WriteFileBytes(NewPath(), Page({"h", "a", "t"}));
    PageDiff::Options options;
    options.nativePath = [this](const std::string& path) { return Home() + path; };
    EXPECT_TRUE(PageDiff(options).Compare("page_old.html", "page.html", "page_change.html"));
    EXPECT_EQ(ReadFileBytes(ChangePath()), "a");
}

// ---- Matching against the plain full table ----

// Engines that keep whole tables, some rows of them at two or three levels, or the fewest rows
// (four levels): the bound on kept bits only changes how much is recomputed.
std::vector<PageDiff> Engines() {
    std::vector<PageDiff> engines;
    for (std::uint64_t keptBits : {PageDiff::kDefaultMaxTableCells, std::uint64_t{1} << 16,
                                   std::uint64_t{1} << 10, std::uint64_t{0}}) {
        PageDiff::Options options;
        options.maxTableCells = keptBits;
        engines.emplace_back(options);
    }
    return engines;
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
    const std::vector<PageDiff> engines = Engines();
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
        for (const PageDiff& engine : engines) {
            std::vector<LinePair> pairs;
            ASSERT_TRUE(engine.Match(a, b, pairs));
            ASSERT_EQ(pairs, expected) << "round " << round;
        }
        if (!SuffixPairedInPlace(a, b, expected)) ++suffixMovedCases;
    }
    // The cases where cutting the suffix naively would go wrong were really exercised.
    EXPECT_GT(suffixMovedCases, 1000);
}

// Key lists of hundreds to thousands of lines, many rows of 64-cell words, few distinct keys and
// therefore ties everywhere; some keys on most lines, others on a few (the two ways a row's
// match mask is made), edited copies whose trace runs near the diagonal, and lopsided blocks.
TEST(PageDiffMatch, LargeKeyListsWithManyTiesGiveTheFullTablePairs) {
    std::mt19937 rng(5113);
    auto uniform = [&rng](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    auto draw = [&](int length, int common, int rare) {
        Keys keys(static_cast<std::size_t>(length));
        for (auto& key : keys) {
            key = rare == 0 || uniform(0, 1) == 0 ? uniform(0, common - 1)
                                                  : common + uniform(0, rare - 1);
        }
        return keys;
    };
    auto edit = [&](Keys keys, int common, int rare) {
        for (int edits = uniform(1, 40); edits > 0; --edits) {
            const auto at = static_cast<std::ptrdiff_t>(uniform(0, static_cast<int>(keys.size())));
            const auto length = uniform(1, 60);
            const auto cut = std::min<std::ptrdiff_t>(length, std::ssize(keys) - at);
            switch (uniform(0, 2)) {
                case 0:
                    keys.erase(keys.begin() + at, keys.begin() + at + cut);
                    break;
                case 1: {
                    const Keys added = draw(length, common, rare);
                    keys.insert(keys.begin() + at, added.begin(), added.end());
                    break;
                }
                default: {
                    const Keys added = draw(static_cast<int>(cut), common, rare);
                    std::copy(added.begin(), added.end(), keys.begin() + at);
                    break;
                }
            }
        }
        return keys;
    };
    const std::vector<PageDiff> engines = Engines();
    for (int round = 0; round < 200; ++round) {
        const int common = uniform(1, 6);
        const int rare = round % 2 == 0 ? 0 : uniform(20, 2000);
        const int longest = round % 10 == 0 ? 3000 : 1200;
        Keys a = draw(uniform(200, longest), common, rare);
        Keys b;
        switch (round % 4) {
            case 0:
            case 1:
                b = draw(uniform(200, longest), common, rare);
                break;
            case 2:
                b = edit(a, common, rare);
                break;
            default:  // a narrow block against a long one, either way round
                b = draw(uniform(1, 130), common, rare);
                if (uniform(0, 1) == 0) std::swap(a, b);
                break;
        }
        const std::vector<LinePair> expected = ReferencePairs(a, b);
        for (const PageDiff& engine : engines) {
            std::vector<LinePair> pairs;
            ASSERT_TRUE(engine.Match(a, b, pairs));
            ASSERT_EQ(pairs, expected) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace brevio::radar
