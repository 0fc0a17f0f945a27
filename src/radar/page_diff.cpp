#include "radar/page_diff.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "radar/lcs_trace.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brevio::radar {
namespace {

// ---- File access: the engine's only contact with the file system. ----

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& nativePath, std::string& bytes) {
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (!file) return false;
    // Read straight into the string: the size the file has now, then whatever may follow.
    struct stat info {};
    std::size_t size = 0;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        size = static_cast<std::size_t>(info.st_size);
    }
    bytes.resize(size);
    std::size_t got = size > 0 ? std::fread(bytes.data(), 1, size, file) : 0;
    bytes.resize(got);
    char chunk[4096];
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

// Reads the lines of a file's bytes one after the other, by the line reading rule. Reading in
// text mode only changes what ends a line (a CR LF pair), never the bytes inside it, so every
// line is a piece of the bytes as they are.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

    // The next line; false after the last one.
    bool Next(std::string_view& line) {
        if (done_) return false;
        constexpr std::size_t kMax = PageDiff::kMaxLineBytes;
        const std::size_t room = bytes_.size() - pos_;
        const std::size_t window = std::min(room, kMax);
        const char* begin = bytes_.data() + pos_;
        const void* lineFeed = window > 0 ? std::memchr(begin, '\n', window) : nullptr;
        std::size_t length = window;
        std::size_t next = pos_ + window;
        if (lineFeed) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - begin);
            length = at > 0 && begin[at - 1] == '\r' ? at - 1 : at;
            next = pos_ + at + 1;
        } else if (window == kMax) {
            // kMax characters without a line feed, unless the last one is a CR LF pair: then
            // that pair is the line feed, read as the kMax-th character.
            if (begin[kMax - 1] == '\r' && room > kMax && begin[kMax] == '\n') {
                length = kMax - 1;
                next = pos_ + kMax + 1;
            }
        } else {
            done_ = true;  // the read reached the end of the file
        }
        const void* zero = length > 0 ? std::memchr(begin, '\0', length) : nullptr;
        if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - begin);
        line = std::string_view(begin, length);
        pos_ = next;
        return true;
    }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool done_ = false;
};

#if defined(__SSE2__)
// The line key, sixteen bytes at a time from the start of the line, for as many blocks as the
// positions fit in 16 bits; adds to sum and position as the byte-by-byte loop would and answers
// how many bytes it took. In a block the position of each byte that counts is the position
// before the block plus the number of non-blank bytes up to it, a running sum across the lanes;
// blanks take the value 0. The products are added in 32-bit lanes that wrap like the sum.
std::size_t AddKeyOfBlocks(std::string_view line, std::uint32_t& sum, std::uint32_t& position) {
    constexpr std::size_t kBlock = 16;
    constexpr std::uint32_t kLastPosition = 32000;  // positions stay below 2^15
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i one = _mm_set1_epi8(1);
    const __m128i zero = _mm_setzero_si128();
    __m128i total = zero;
    std::size_t done = 0;
    for (; done + kBlock <= line.size() && position < kLastPosition; done += kBlock) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + done));
        const __m128i isBlank = _mm_cmpeq_epi8(bytes, blank);
        const __m128i values = _mm_andnot_si128(isBlank, bytes);
        __m128i counted = _mm_andnot_si128(isBlank, one);
        counted = _mm_add_epi8(counted, _mm_slli_si128(counted, 1));
        counted = _mm_add_epi8(counted, _mm_slli_si128(counted, 2));
        counted = _mm_add_epi8(counted, _mm_slli_si128(counted, 4));
        counted = _mm_add_epi8(counted, _mm_slli_si128(counted, 8));
        const __m128i sign = _mm_cmpgt_epi8(zero, values);
        const __m128i before = _mm_set1_epi16(static_cast<short>(position));
        const __m128i lowPositions = _mm_add_epi16(_mm_unpacklo_epi8(counted, zero), before);
        const __m128i highPositions = _mm_add_epi16(_mm_unpackhi_epi8(counted, zero), before);
        total = _mm_add_epi32(total, _mm_madd_epi16(_mm_unpacklo_epi8(values, sign), lowPositions));
        total =
            _mm_add_epi32(total, _mm_madd_epi16(_mm_unpackhi_epi8(values, sign), highPositions));
        position += static_cast<std::uint32_t>(_mm_extract_epi16(counted, 7)) >> 8;
    }
    total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0x4E));
    total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0xB1));
    sum += static_cast<std::uint32_t>(_mm_cvtsi128_si32(total));
    return done;
}
#endif

std::vector<std::int32_t> KeysOf(std::string_view bytes) {
    std::vector<std::int32_t> keys;
    LineReader reader(bytes);
    for (std::string_view line; reader.Next(line);) keys.push_back(PageDiff::LineKey(line));
    return keys;
}

// ---- Matching ----

// The pairs of the full table over old keys a and new keys b, given to pairs in order. cells is
// set to the size of the table traced between the common prefix and suffix. Throws
// std::bad_alloc when memory runs out.
void MatchKeys(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b,
               std::uint64_t keptBits, std::uint64_t& cells, PairSink& pairs) {
    cells = 0;
    const std::size_t n = a.size();
    const std::size_t m = b.size();

    // The trace pairs every line of the common prefix with its counterpart.
    std::size_t prefix = 0;
    while (prefix < n && prefix < m && a[prefix] == b[prefix]) ++prefix;
    std::size_t suffix = 0;
    const std::size_t suffixRoom = std::min(n, m) - prefix;
    while (suffix < suffixRoom && a[n - 1 - suffix] == b[m - 1 - suffix]) ++suffix;
    for (std::size_t k = 0; k < prefix; ++k) pairs.Add(k, k);

    // The middle block: old lines [prefix, oldEnd), new lines [prefix, newEnd).
    const std::size_t oldEnd = n - suffix;
    const std::size_t newEnd = m - suffix;
    const std::size_t rows = oldEnd - prefix;
    const std::size_t cols = newEnd - prefix;
    std::size_t i = prefix;
    std::size_t j = prefix;
    if (rows > 0 && cols > 0) {
        cells = std::uint64_t{rows} * cols;
        const LcsTraceEnd end =
            TraceLcs(a.data() + prefix, rows, b.data() + prefix, cols, prefix, keptBits, pairs);
        i = prefix + end.oldIndex;
        j = prefix + end.newIndex;
    }
    // The trace has left the middle block. From here on, every remaining line of the side whose
    // middle lines are used up belongs to the common suffix and is paired in the full table, so
    // the trace never skips one of them: it pairs equal keys and otherwise skips a line of the
    // other side.
    if (i == oldEnd) {
        while (i < n && j < m) {
            if (a[i] == b[j]) {
                pairs.Add(i, j);
                ++i;
            }
            ++j;
        }
    } else {
        while (i < n && j < m) {
            if (a[i] == b[j]) {
                pairs.Add(i, j);
                ++j;
            }
            ++i;
        }
    }
}

class PairList final : public PairSink {
  public:
    explicit PairList(std::vector<LinePair>& pairs) : pairs_(pairs) {}
    void Add(std::size_t oldIndex, std::size_t newIndex) override {
        pairs_.push_back({oldIndex, newIndex});
    }

  private:
    std::vector<LinePair>& pairs_;
};

// ---- Report ----

// Takes the pairs in order and calls write(first, end) for each run of new lines [first, end)
// that belongs on the change page. The gap before the first pair is measured from (0, 0); the
// gap after the last pair is not looked at.
template <class Write>
class ChangeReport final : public PairSink {
  public:
    explicit ChangeReport(Write write) : write_(std::move(write)) {}

    void Add(std::size_t oldIndex, std::size_t newIndex) override {
        const std::size_t oldGap = oldIndex - prevOld_;
        const std::size_t newGap = newIndex - prevNew_;
        // Gaps of 1 on both sides: the two pairs are neighbours in both files.
        if (std::max(oldGap, newGap) >= 2) {
            changed_ = true;
            if (newGap >= 2) write_(prevNew_ + 1, newIndex);
        }
        prevOld_ = oldIndex;
        prevNew_ = newIndex;
    }
    // True when the pairs so far show a change.
    bool Changed() const { return changed_; }

  private:
    Write write_;
    bool changed_ = false;
    std::size_t prevOld_ = 0;
    std::size_t prevNew_ = 0;
};

}  // namespace

std::string PageDiff::NativePath(const std::string& path) const {
    return options_.nativePath ? options_.nativePath(path) : path;
}

std::vector<std::string> PageDiff::SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    LineReader reader(bytes);
    for (std::string_view line; reader.Next(line);) lines.emplace_back(line);
    return lines;
}

std::int32_t PageDiff::LineKey(std::string_view line) {
    std::uint32_t sum = 0;
    std::uint32_t position = 0;  // of the last byte that counted, from 1
    std::size_t done = 0;
#if defined(__SSE2__)
    done = AddKeyOfBlocks(line, sum, position);
#endif
    for (char c : line.substr(done)) {
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
    try {
        pairs.reserve(std::min(a.size(), b.size()));
        PairList list(pairs);
        MatchKeys(a, b, options_.maxTableCells, lastTableCells_, list);
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
    ChangeReport report([&](std::size_t first, std::size_t end) {
        for (std::size_t k = first; k < std::min(end, newLines.size()); ++k) page += newLines[k];
    });
    for (const LinePair& pair : pairs) report.Add(pair.oldIndex, pair.newIndex);
    return report.Changed();
}

bool PageDiff::Compare(const std::string& oldPath, const std::string& newPath,
                       const std::string& changePath) {
    std::string changeNative;
    try {
        changeNative = NativePath(changePath);
        // Only the keys of the old copy are needed, so its bytes go before the new copy is read.
        // The new copy stays as read: its changed lines are read again for the change page.
        std::vector<std::int32_t> oldKeys;
        {
            std::string oldBytes;
            if (!ReadFileBytes(NativePath(oldPath), oldBytes)) {
                WriteFileBytes(changeNative, {});
                return false;
            }
            oldKeys = KeysOf(oldBytes);
        }
        std::string newBytes;
        if (!ReadFileBytes(NativePath(newPath), newBytes)) {
            WriteFileBytes(changeNative, {});
            return false;
        }
        const std::vector<std::int32_t> newKeys = KeysOf(newBytes);

        // The change page is written while the pairs are found.
        OutputFile page(changeNative);
        LineReader reader(newBytes);
        std::size_t linesRead = 0;
        std::string_view line;
        ChangeReport report([&](std::size_t first, std::size_t end) {
            for (std::size_t k = first; k < end; ++k) {
                while (linesRead <= k && reader.Next(line)) ++linesRead;  // k only grows
                page.Append(line);
            }
        });
        MatchKeys(oldKeys, newKeys, options_.maxTableCells, lastTableCells_, report);
        if (!page.Close()) {
            WriteFileBytes(changeNative, {});
            return false;
        }
        return report.Changed();
    } catch (...) {
        // Memory ran out or a path could not be mapped; a change page written in part has
        // been closed by now.
        if (!changeNative.empty()) WriteFileBytes(changeNative, {});
        return false;
    }
}

}  // namespace brevio::radar
