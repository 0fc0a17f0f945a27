#include "radar/page_diff.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

namespace brevio::radar {
namespace {

// ---- File access: the engine's only contact with the file system. ----

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& nativePath, std::string& bytes) {
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    char chunk[64 * 1024];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Creates or truncates the file and writes the bytes; false when any step fails.
bool WriteFileBytes(const std::string& nativePath, std::string_view bytes) {
    std::FILE* file = std::fopen(nativePath.c_str(), "wb");
    if (!file) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

// ---- Matching ----

constexpr std::size_t kFlagBits = 64;

std::vector<std::int32_t> KeysOf(const std::vector<std::string>& lines) {
    std::vector<std::int32_t> keys;
    keys.reserve(lines.size());
    for (const auto& line : lines) keys.push_back(PageDiff::LineKey(line));
    return keys;
}

}  // namespace

std::string PageDiff::NativePath(const std::string& path) const {
    return options_.nativePath ? options_.nativePath(path) : path;
}

std::vector<std::string> PageDiff::SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t pos = 0;
    const std::size_t size = bytes.size();
    for (;;) {
        line.clear();
        bool endOfFile = false;
        std::size_t read = 0;  // characters of this line as the text-mode stream delivers them
        for (;;) {
            if (read == kMaxLineBytes) break;
            if (pos == size) {
                endOfFile = true;
                break;
            }
            char c = bytes[pos++];
            if (c == '\r' && pos < size && bytes[pos] == '\n') c = bytes[pos++];
            ++read;
            if (c == '\n') break;
            line.push_back(c);
        }
        const std::size_t zero = line.find('\0');
        if (zero != std::string::npos) line.resize(zero);
        lines.push_back(line);
        if (endOfFile) break;
    }
    return lines;
}

std::int32_t PageDiff::LineKey(std::string_view line) {
    std::uint32_t sum = 0;
    std::uint32_t position = 0;
    for (char c : line) {
        if (c == ' ') continue;
        ++position;
        const auto value = static_cast<std::int32_t>(static_cast<signed char>(c));
        sum += static_cast<std::uint32_t>(value) * position;
    }
    return static_cast<std::int32_t>(sum);
}

bool PageDiff::Match(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b,
                     std::vector<LinePair>& pairs) const {
    pairs.clear();
    lastTableCells_ = 0;
    const std::size_t n = a.size();
    const std::size_t m = b.size();

    // The trace pairs every line of the common prefix with its counterpart.
    std::size_t prefix = 0;
    while (prefix < n && prefix < m && a[prefix] == b[prefix]) ++prefix;
    std::size_t suffix = 0;
    const std::size_t suffixRoom = std::min(n, m) - prefix;
    while (suffix < suffixRoom && a[n - 1 - suffix] == b[m - 1 - suffix]) ++suffix;

    try {
        pairs.reserve(std::min(n, m));
        for (std::size_t k = 0; k < prefix; ++k) pairs.push_back({k, k});

        // The middle block: old lines [prefix, oldEnd), new lines [prefix, newEnd).
        const std::size_t oldEnd = n - suffix;
        const std::size_t newEnd = m - suffix;
        const std::size_t rows = oldEnd - prefix;
        const std::size_t cols = newEnd - prefix;
        std::size_t i = prefix;
        std::size_t j = prefix;
        if (rows > 0 && cols > 0) {
            if (cols > options_.maxTableCells / rows) {
                pairs.clear();
                return false;
            }
            lastTableCells_ = std::uint64_t{rows} * cols;
            const std::int32_t* oldKeys = a.data() + prefix;
            const std::int32_t* newKeys = b.data() + prefix;
            const std::size_t words = (cols + kFlagBits - 1) / kFlagBits;
            // Every word is written by the fill below before the trace reads it.
            std::unique_ptr<std::uint64_t[]> down(new std::uint64_t[rows * words]);
            std::vector<std::uint32_t> below(cols + 1, 0);  // L(r + 1, .) of the block
            std::vector<std::uint32_t> here(cols + 1, 0);   // L(r, .) of the block
            for (std::size_t r = rows; r-- > 0;) {
                const std::int32_t key = oldKeys[r];
                std::uint64_t* rowFlags = down.get() + r * words;
                std::uint64_t word = 0;
                here[cols] = 0;
                for (std::size_t c = cols; c-- > 0;) {
                    std::uint32_t length;
                    if (key == newKeys[c]) {
                        length = below[c + 1] + 1;
                    } else if (below[c] > here[c + 1]) {
                        length = below[c];
                        word |= std::uint64_t{1} << (c % kFlagBits);
                    } else {
                        length = here[c + 1];
                    }
                    here[c] = length;
                    if (c % kFlagBits == 0) {
                        rowFlags[c / kFlagBits] = word;
                        word = 0;
                    }
                }
                std::swap(below, here);
            }
            std::size_t r = 0;
            std::size_t c = 0;
            while (r < rows && c < cols) {
                if (oldKeys[r] == newKeys[c]) {
                    pairs.push_back({prefix + r, prefix + c});
                    ++r;
                    ++c;
                } else if ((down[r * words + c / kFlagBits] >> (c % kFlagBits)) & 1) {
                    ++r;
                } else {
                    ++c;
                }
            }
            i = prefix + r;
            j = prefix + c;
        }

        // The trace has left the middle block. From here on, every remaining line of the side
        // whose middle lines are used up belongs to the common suffix and is paired in the full
        // table, so the trace never skips one of them: it pairs equal keys and otherwise skips
        // a line of the other side.
        if (i == oldEnd) {
            while (i < n && j < m) {
                if (a[i] == b[j]) {
                    pairs.push_back({i, j});
                    ++i;
                }
                ++j;
            }
        } else {
            while (i < n && j < m) {
                if (a[i] == b[j]) {
                    pairs.push_back({i, j});
                    ++j;
                }
                ++i;
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        pairs.clear();
        pairs.shrink_to_fit();
        return false;
    }
}

bool PageDiff::BuildChangePage(const std::vector<LinePair>& pairs,
                               const std::vector<std::string>& newLines, std::string& page) {
    page.clear();
    bool changed = false;
    // The gap before the first pair is measured from (0, 0).
    std::size_t prevOld = 0;
    std::size_t prevNew = 0;
    for (const LinePair& pair : pairs) {
        const std::size_t oldGap = pair.oldIndex - prevOld;
        const std::size_t newGap = pair.newIndex - prevNew;
        // Gaps of 1 on both sides: the two pairs are neighbours in both files.
        if (std::max(oldGap, newGap) >= 2) {
            changed = true;
            const std::size_t end = std::min(pair.newIndex, newLines.size());
            for (std::size_t k = prevNew + 1; k < end; ++k) page += newLines[k];
        }
        prevOld = pair.oldIndex;
        prevNew = pair.newIndex;
    }
    return changed;
}

bool PageDiff::Compare(const std::string& oldPath, const std::string& newPath,
                       const std::string& changePath) {
    std::string changeNative;
    try {
        changeNative = NativePath(changePath);
        std::vector<std::string> oldLines;
        std::vector<std::string> newLines;
        {
            std::string oldBytes;
            std::string newBytes;
            if (ReadFileBytes(NativePath(oldPath), oldBytes) &&
                ReadFileBytes(NativePath(newPath), newBytes)) {
                oldLines = SplitLines(oldBytes);
                newLines = SplitLines(newBytes);
            }
        }
        std::vector<LinePair> pairs;
        if (!Match(KeysOf(oldLines), KeysOf(newLines), pairs)) {
            WriteFileBytes(changeNative, {});
            return false;
        }
        std::string page;
        const bool changed = BuildChangePage(pairs, newLines, page);
        return WriteFileBytes(changeNative, page) && changed;
    } catch (...) {
        if (!changeNative.empty()) WriteFileBytes(changeNative, {});
        return false;
    }
}

}  // namespace brevio::radar
