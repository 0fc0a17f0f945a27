#include "radar/page_diff.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "radar/lcs_trace.h"

namespace brevio::radar {
namespace {

// ---- File access: the engine's only contact with the file system. ----

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& nativePath, std::string& bytes) {
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
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

// A file written piece by piece: created or truncated when constructed, closed by Close.
class OutputFile {
  public:
    explicit OutputFile(const std::string& nativePath)
        : file_(std::fopen(nativePath.c_str(), "wb")) {}
    ~OutputFile() {
        if (file_) std::fclose(file_);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Append(std::string_view bytes) {
        if (ok_ && file_ && !bytes.empty()) {
            ok_ = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
        }
    }
    // True when the file was opened and every piece written.
    bool Close() {
        if (!file_) return false;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok_ && closed;
    }

  private:
    std::FILE* file_;
    bool ok_ = true;
};

// ---- Lines ----

// A line as a piece of the file's bytes. Reading in text mode only changes what ends a line (a
// CR LF pair), never the bytes inside it, so every line is a piece of the file as it is.
struct LineSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};

// Calls visit(LineSpan) for every line of the bytes, by the line reading rule.
template <class Visit>
void ForEachLine(std::string_view bytes, Visit&& visit) {
    constexpr std::size_t kMax = PageDiff::kMaxLineBytes;
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    for (;;) {
        const std::size_t room = size - pos;
        const std::size_t window = std::min(room, kMax);
        const char* begin = bytes.data() + pos;
        const void* lineFeed = window > 0 ? std::memchr(begin, '\n', window) : nullptr;
        std::size_t length = window;
        std::size_t next = pos + window;
        bool endOfFile = false;
        if (lineFeed) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - begin);
            length = at > 0 && begin[at - 1] == '\r' ? at - 1 : at;
            next = pos + at + 1;
        } else if (window == kMax) {
            // kMax characters without a line feed, unless the last one is a CR LF pair: then
            // that pair is the line feed, read as the kMax-th character.
            if (begin[kMax - 1] == '\r' && room > kMax && begin[kMax] == '\n') {
                length = kMax - 1;
                next = pos + kMax + 1;
            }
        } else {
            endOfFile = true;
        }
        const void* zero = length > 0 ? std::memchr(begin, '\0', length) : nullptr;
        if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - begin);
        visit(LineSpan{pos, length});
        if (endOfFile) return;
        pos = next;
    }
}

std::vector<std::int32_t> KeysOf(std::string_view bytes, std::vector<LineSpan>* lines) {
    std::vector<std::int32_t> keys;
    ForEachLine(bytes, [&](LineSpan line) {
        keys.push_back(PageDiff::LineKey(bytes.substr(line.start, line.length)));
        if (lines) lines->push_back(line);
    });
    return keys;
}

// ---- Report ----

// Walks the gaps between the pairs and calls write(k) for every new line k that belongs on the
// change page, in order; true when the pairs show a change. The gap before the first pair is
// measured from (0, 0); the gap after the last pair is not looked at.
template <class Write>
bool ForEachChangedLine(const std::vector<LinePair>& pairs, std::size_t newLineCount,
                        Write&& write) {
    bool changed = false;
    std::size_t prevOld = 0;
    std::size_t prevNew = 0;
    for (const LinePair& pair : pairs) {
        const std::size_t oldGap = pair.oldIndex - prevOld;
        const std::size_t newGap = pair.newIndex - prevNew;
        // Gaps of 1 on both sides: the two pairs are neighbours in both files.
        if (std::max(oldGap, newGap) >= 2) {
            changed = true;
            const std::size_t end = std::min(pair.newIndex, newLineCount);
            for (std::size_t k = prevNew + 1; k < end; ++k) write(k);
        }
        prevOld = pair.oldIndex;
        prevNew = pair.newIndex;
    }
    return changed;
}

}  // namespace

std::string PageDiff::NativePath(const std::string& path) const {
    return options_.nativePath ? options_.nativePath(path) : path;
}

std::vector<std::string> PageDiff::SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    ForEachLine(bytes,
                [&](LineSpan line) { lines.emplace_back(bytes.substr(line.start, line.length)); });
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
            lastTableCells_ = std::uint64_t{rows} * cols;
            const bool keepEveryRow = cols <= options_.maxTableCells / rows;
            const LcsTraceEnd end = TraceLcs(a.data() + prefix, rows, b.data() + prefix, cols,
                                             prefix, keepEveryRow, pairs);
            i = prefix + end.oldIndex;
            j = prefix + end.newIndex;
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
    return ForEachChangedLine(pairs, newLines.size(), [&](std::size_t k) { page += newLines[k]; });
}

bool PageDiff::Compare(const std::string& oldPath, const std::string& newPath,
                       const std::string& changePath) {
    std::string changeNative;
    try {
        changeNative = NativePath(changePath);
        // Only the keys of the old copy are needed, so its bytes go before the new copy is read;
        // the new copy stays as read and its lines are pieces of it.
        std::vector<std::int32_t> oldKeys;
        {
            std::string oldBytes;
            if (!ReadFileBytes(NativePath(oldPath), oldBytes)) {
                WriteFileBytes(changeNative, {});
                return false;
            }
            oldKeys = KeysOf(oldBytes, nullptr);
        }
        std::string newBytes;
        if (!ReadFileBytes(NativePath(newPath), newBytes)) {
            WriteFileBytes(changeNative, {});
            return false;
        }
        std::vector<LineSpan> newLines;
        const std::vector<std::int32_t> newKeys = KeysOf(newBytes, &newLines);

        std::vector<LinePair> pairs;
        if (!Match(oldKeys, newKeys, pairs)) {
            WriteFileBytes(changeNative, {});
            return false;
        }
        OutputFile page(changeNative);
        const bool changed = ForEachChangedLine(pairs, newLines.size(), [&](std::size_t k) {
            page.Append(std::string_view(newBytes).substr(newLines[k].start, newLines[k].length));
        });
        if (!page.Close()) {
            WriteFileBytes(changeNative, {});
            return false;
        }
        return changed;
    } catch (...) {
        if (!changeNative.empty()) WriteFileBytes(changeNative, {});
        return false;
    }
}

}  // namespace brevio::radar
