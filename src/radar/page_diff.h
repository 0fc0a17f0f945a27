// The radar's text difference engine: decides whether a watched page changed between two
// fetches and writes its change page, the lines of the new copy that are not part of the text
// both copies share.
//
// The engine is self-contained: it uses nothing of the rest of the program. All of its file
// access goes through the file functions at the top of page_diff.cpp; the path bytes are handed
// to the operating system unchanged unless Options::nativePath maps them first (the radar
// thread and brevio-cli pass the platform layer's GBK-to-native conversion there).
//
// How a comparison works
//
// Line reading. Each file is read like a text-mode stream in which a CR LF pair reads as one
// LF (a lone CR stays a CR; no other byte is translated). A line is read up to the next LF
// but at most kMaxLineBytes bytes; the LF is consumed and not kept. When kMaxLineBytes bytes
// have been read the line ends there, and whatever follows (even just its LF) begins the next
// line. A line keeps its bytes up to its first zero byte only. Reading stops after the read
// that reached the end of the file, so a file that ends with an LF has a last line that is
// empty, and an empty file has one empty line.
//
// Line key. The blanks (0x20) of the line are removed, other white space stays. The key is
// the sum of every remaining byte, taken as a signed 8-bit number (GBK bytes 0x80-0xFF count
// as -128..-1), times its 1-based position, in 32-bit arithmetic that wraps. Two lines match
// when their keys are equal; their texts are not compared.
//
// Matching. A longest-common-subsequence table L(i, j) over the keys of old lines i.. and new
// lines j.. decides the pairs, with one direction per cell: "down" (skip the old line) only
// when that gives a strictly longer common subsequence, otherwise "right" (skip the new line),
// so ties skip the new line. The trace starts at (0, 0): equal keys record a pair and advance
// both, otherwise the cell's direction is followed.
//
// Before the table is built, the common prefix (which the trace always pairs line by line) and
// the common suffix are set aside and the table covers only the lines between them. This
// gives exactly the pairs of the full table: inside the middle block every length is the
// block's own length plus the suffix length, so every direction is the same; once the trace
// leaves the block, the rest of the full table's trace is forced (every remaining line of the
// exhausted side has to be paired), and the engine walks it directly.
//
// The table itself is never written out as lengths. A cell's direction only depends on whether
// its row's length steps down between that cell and the next one to the right, and a whole row
// of such steps is one bit per new line, computed from the row below 64 columns per machine
// word (lcs_trace.h). A table within Options::maxTableCells keeps every row; a larger one keeps
// only some rows (every k-th, k about the square root of the row count, or fewer at more
// levels) and recomputes the others while tracing, so two pages of 50,000 changed lines need
// well under a megabyte for it. Either way the pairs are those of the full table with the tie
// rule above; page_diff_test checks this against a plain full-table implementation.
//
// Report. The pairs are walked in order with the pair before each one; the gaps are the
// differences of the old and of the new indices. When both gaps are 1 nothing happens;
// otherwise, when the larger gap is 2 or more, the page counts as changed and the new lines
// strictly between the two pairs are appended to the change page exactly as read (blanks
// kept), with nothing in between: no line feed, no separator. Old-only lines write nothing but
// still count as a change. Compare keeps only the keys of the old copy and the bytes of the new
// one, and writes the change page while the trace finds the pairs.
//
// Boundary gaps, kept as change pages always were: the gap before the first pair is measured
// from the pair (0, 0), as if it had been recorded, so line 0 of either file is never written
// and a difference confined to line 0 of both files is not reported; the gap after the last
// pair is not examined, so a difference after the last matched line, or two files without a
// common line, count as unchanged. The radar stores every page with a final empty line, so in
// practice both copies end in matching lines and nothing falls after the last pair.
//
// Failures. Compare never throws. It reads both files first and only then creates (or
// truncates) the change page, so it never damages its inputs before they are read. If either
// file cannot be opened, the change page is written empty and the answer is "unchanged". If
// memory runs out or the change page cannot be written, the answer is "unchanged" and the change
// page is left empty where it can still be truncated. The size of the pages alone never turns a
// change into "unchanged".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brevio::radar {

// One matched line: its index in the old and in the new file (0-based).
struct LinePair {
    std::size_t oldIndex = 0;
    std::size_t newIndex = 0;
    friend bool operator==(const LinePair&, const LinePair&) = default;
};

class PageDiff {
  public:
    // Longest piece of a file line that is read as one line.
    static constexpr std::size_t kMaxLineBytes = 399;
    // Default bound of the direction bits the matching keeps in memory at once: 2^24 bits,
    // 2 MiB, the whole table of two pages of 4,096 changed lines each.
    static constexpr std::uint64_t kDefaultMaxTableCells = std::uint64_t{1} << 24;

    struct Options {
        // Turns a path given to Compare into the path the operating system is called with;
        // empty: the path bytes are used as they are.
        std::function<std::string(const std::string&)> nativePath;
        // Direction bits (table cells) kept in memory at once. A larger table keeps only some
        // of its rows and recomputes the others while tracing: less memory, more time, the
        // same pairs. Even 0 gives the full answer, in the least memory.
        std::uint64_t maxTableCells = kDefaultMaxTableCells;
    };

    PageDiff() = default;
    explicit PageDiff(Options options) : options_(std::move(options)) {}

    // Compares the old copy with the new copy and writes the change page. True when a change
    // was found. The change page is created or truncated in every case the file system allows.
    bool Compare(const std::string& oldPath, const std::string& newPath,
                 const std::string& changePath);

    // The building blocks of Compare, for tests and tools.

    // Splits a file's bytes into lines by the line reading rule above.
    static std::vector<std::string> SplitLines(std::string_view fileBytes);
    // The blank-free key of one line.
    static std::int32_t LineKey(std::string_view line);
    // The matched pairs of two key lists, both indices increasing. False (and no pairs) only
    // when memory runs out.
    bool Match(const std::vector<std::int32_t>& oldKeys, const std::vector<std::int32_t>& newKeys,
               std::vector<LinePair>& pairs) const;
    // Builds the change page from the pairs (as Match gives them) and the new file's lines;
    // true when changed.
    static bool BuildChangePage(const std::vector<LinePair>& pairs,
                                const std::vector<std::string>& newLines, std::string& page);

    // Cells of the table traced by the last Match, old x new lines between the common prefix
    // and suffix (0 when they left nothing to tabulate).
    std::uint64_t LastTableCells() const { return lastTableCells_; }

  private:
    std::string NativePath(const std::string& path) const;

    Options options_;
    mutable std::uint64_t lastTableCells_ = 0;
};

}  // namespace brevio::radar
