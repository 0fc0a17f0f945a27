// The page comparison engine: two pages cut from the input go through line reading, line
// keys, matching and the change page, each held against a plain implementation of the
// engine's documented rules (full matching table, no prefix or suffix shortcut), and through
// Compare over real files.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "radar/page_diff.h"

namespace {

using namespace brevio;
using radar::LinePair;
using radar::PageDiff;

// Small enough that the plain table stays cheap, large enough for real pages of a few
// hundred lines; the engine gets the same bound.
constexpr std::uint64_t kMaxCells = std::uint64_t{1} << 16;

std::vector<std::string> PlainSplit(std::string_view bytes) {
    std::string text;  // CR LF read as LF
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (true) {
        std::string line;
        bool end = false;
        while (true) {
            if (line.size() == PageDiff::kMaxLineBytes) break;
            if (pos == text.size()) {
                end = true;
                break;
            }
            const char c = text[pos++];
            if (c == '\n') break;
            line += c;
        }
        line.resize(std::min(line.size(), line.find('\0')));
        lines.push_back(std::move(line));
        if (end) return lines;
    }
}

std::int32_t PlainKey(std::string_view line) {
    std::uint32_t sum = 0;
    std::uint32_t position = 0;
    for (char c : line) {
        if (c == ' ') continue;
        ++position;
        sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c))) *
               position;
    }
    return static_cast<std::int32_t>(sum);
}

std::vector<LinePair> PlainMatch(const std::vector<std::int32_t>& a,
                                 const std::vector<std::int32_t>& b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::uint32_t> len((n + 1) * (m + 1), 0);
    std::vector<char> down((n + 1) * (m + 1), 0);
    auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            if (a[i] == b[j]) {
                len[at(i, j)] = len[at(i + 1, j + 1)] + 1;
            } else if (len[at(i + 1, j)] > len[at(i, j + 1)]) {
                len[at(i, j)] = len[at(i + 1, j)];
                down[at(i, j)] = 1;
            } else {
                len[at(i, j)] = len[at(i, j + 1)];
            }
        }
    }
    std::vector<LinePair> pairs;
    std::size_t i = 0, j = 0;
    while (i < n && j < m) {
        if (a[i] == b[j]) {
            pairs.push_back({i++, j++});
        } else if (down[at(i, j)]) {
            ++i;
        } else {
            ++j;
        }
    }
    return pairs;
}

bool PlainChangePage(const std::vector<LinePair>& pairs, const std::vector<std::string>& lines,
                     std::string& page) {
    page.clear();
    bool changed = false;
    LinePair before{0, 0};
    for (const LinePair& p : pairs) {
        const std::size_t oldGap = p.oldIndex - before.oldIndex;
        const std::size_t newGap = p.newIndex - before.newIndex;
        if (!(oldGap == 1 && newGap == 1) && std::max(oldGap, newGap) >= 2) {
            changed = true;
            for (std::size_t k = before.newIndex + 1; k < p.newIndex; ++k) page += lines[k];
        }
        before = p;
    }
    return changed;
}

std::vector<std::int32_t> Keys(const std::vector<std::string>& lines) {
    std::vector<std::int32_t> keys;
    for (const std::string& line : lines) keys.push_back(PageDiff::LineKey(line));
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputCursor in(data, size);
    const std::string_view oldPage = in.Take(in.Short());
    const std::string_view newPage = in.Rest();

    const std::vector<std::string> oldLines = PageDiff::SplitLines(oldPage);
    const std::vector<std::string> newLines = PageDiff::SplitLines(newPage);
    FUZZ_CHECK(oldLines == PlainSplit(oldPage));
    FUZZ_CHECK(newLines == PlainSplit(newPage));
    const std::vector<std::int32_t> oldKeys = Keys(oldLines);
    const std::vector<std::int32_t> newKeys = Keys(newLines);
    for (std::size_t i = 0; i < oldLines.size(); ++i) {
        FUZZ_CHECK(oldKeys[i] == PlainKey(oldLines[i]));
    }

    PageDiff engine(PageDiff::Options{nullptr, kMaxCells});
    std::vector<LinePair> pairs;
    const bool matched = engine.Match(oldKeys, newKeys, pairs);
    const bool plainFits = static_cast<std::uint64_t>(oldKeys.size()) * newKeys.size() <= kMaxCells;
    if (plainFits) {
        // The engine tabulates only part of the full table, so it never refuses what fits whole.
        FUZZ_CHECK(matched);
        FUZZ_CHECK(pairs == PlainMatch(oldKeys, newKeys));
    }
    std::string page;
    bool changed = false;
    if (matched) {
        changed = PageDiff::BuildChangePage(pairs, newLines, page);
        std::string plainPage;
        FUZZ_CHECK(changed == PlainChangePage(pairs, newLines, plainPage));
        FUZZ_CHECK(page == plainPage);
    } else {
        FUZZ_CHECK(pairs.empty());
    }

    const std::string& scratch = fuzz::ScratchFolder();
    fuzz::WriteBytes(scratch + "old.htm", oldPage);
    fuzz::WriteBytes(scratch + "new.htm", newPage);
    FUZZ_CHECK(engine.Compare(scratch + "old.htm", scratch + "new.htm", scratch + "change.htm") ==
               changed);
    FUZZ_CHECK(fuzz::ReadBytes(scratch + "change.htm") == page);
    FUZZ_CHECK(!engine.Compare(scratch + "old.htm", scratch + "missing.htm", scratch + "x.htm"));
    return 0;
}
