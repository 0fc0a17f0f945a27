#include "radar/lcs_trace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace brevio::radar {
namespace {

using Word = std::uint64_t;
constexpr std::size_t kWordBits = 64;
constexpr Word kAllOnes = ~Word{0};

std::size_t WordsFor(std::size_t bits) {
    return (bits + kWordBits - 1) / kWordBits;
}

std::size_t CeilSqrt(std::size_t value) {
    auto root = static_cast<std::size_t>(std::sqrt(static_cast<double>(value)));
    while (root > 0 && root * root > value) --root;
    while (root * root < value) ++root;
    return std::max<std::size_t>(root, 1);
}

// The new keys of the block as small ids, and for each id the reversed positions (cols - 1 - j)
// of its new lines. Ids that occur on more lines than a row has words get a ready match mask;
// for the others the mask is put together for each row that needs it.
class ColumnIndex {
  public:
    static constexpr std::int32_t kAbsent = -1;

    ColumnIndex(const std::int32_t* keys, std::size_t cols) : words_(WordsFor(cols)) {
        unsigned bits = 4;
        while ((std::size_t{1} << bits) < 2 * cols) ++bits;
        shift_ = 32 - bits;
        slotKeys_.assign(std::size_t{1} << bits, 0);
        slotIds_.assign(std::size_t{1} << bits, kAbsent);

        std::vector<std::int32_t> idOfColumn(cols);
        std::vector<std::uint32_t> counts;
        for (std::size_t j = 0; j < cols; ++j) {
            std::size_t slot = SlotOf(keys[j]);
            while (slotIds_[slot] != kAbsent && slotKeys_[slot] != keys[j]) slot = NextSlot(slot);
            if (slotIds_[slot] == kAbsent) {
                slotKeys_[slot] = keys[j];
                slotIds_[slot] = static_cast<std::int32_t>(counts.size());
                counts.push_back(0);
            }
            idOfColumn[j] = slotIds_[slot];
            ++counts[static_cast<std::size_t>(slotIds_[slot])];
        }

        const std::size_t ids = counts.size();
        start_.assign(ids + 1, 0);
        for (std::size_t id = 0; id < ids; ++id) start_[id + 1] = start_[id] + counts[id];
        positions_.resize(cols);
        std::vector<std::uint32_t> next(start_.begin(), start_.end() - 1);
        for (std::size_t p = 0; p < cols; ++p) {  // increasing reversed positions
            const auto id = static_cast<std::size_t>(idOfColumn[cols - 1 - p]);
            positions_[next[id]++] = static_cast<std::uint32_t>(p);
        }

        denseOf_.assign(ids, kAbsent);
        std::size_t dense = 0;
        for (std::size_t id = 0; id < ids; ++id) {
            if (counts[id] > words_) denseOf_[id] = static_cast<std::int32_t>(dense++);
        }
        masks_.assign(dense * words_, 0);
        for (std::size_t id = 0; id < ids; ++id) {
            if (denseOf_[id] == kAbsent) continue;
            Word* mask = masks_.data() + static_cast<std::size_t>(denseOf_[id]) * words_;
            for (std::uint32_t k = start_[id]; k < start_[id + 1]; ++k) {
                mask[positions_[k] / kWordBits] |= Word{1} << (positions_[k] % kWordBits);
            }
        }
    }

    // The id of a key, or kAbsent when no new line of the block has it.
    std::int32_t Find(std::int32_t key) const {
        for (std::size_t slot = SlotOf(key);; slot = NextSlot(slot)) {
            if (slotIds_[slot] == kAbsent || slotKeys_[slot] == key) return slotIds_[slot];
        }
    }

    // The ready match mask of an id, or nullptr when its mask is put together per row.
    const Word* Mask(std::int32_t id) const {
        const std::int32_t dense = denseOf_[static_cast<std::size_t>(id)];
        return dense == kAbsent ? nullptr
                                : masks_.data() + static_cast<std::size_t>(dense) * words_;
    }
    const std::uint32_t* PositionsBegin(std::int32_t id) const {
        return positions_.data() + start_[static_cast<std::size_t>(id)];
    }
    const std::uint32_t* PositionsEnd(std::int32_t id) const {
        return positions_.data() + start_[static_cast<std::size_t>(id) + 1];
    }

  private:
    std::size_t SlotOf(std::int32_t key) const {
        return (static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> shift_;
    }
    std::size_t NextSlot(std::size_t slot) const { return (slot + 1) & (slotIds_.size() - 1); }

    std::size_t words_;
    unsigned shift_ = 0;
    std::vector<std::int32_t> slotKeys_;
    std::vector<std::int32_t> slotIds_;
    std::vector<std::uint32_t> start_;
    std::vector<std::uint32_t> positions_;
    std::vector<std::int32_t> denseOf_;
    std::vector<Word> masks_;
};

// One row from the one before: out = (in + (in & match)) | (in & ~match) over the first
// `width` words; in and out may be the same.
void AddRow(const Word* in, const Word* match, Word* out, std::size_t width) {
    Word carry = 0;
    for (std::size_t w = 0; w < width; ++w) {
        const Word v = in[w];
        const Word m = match[w];
        Word sum = v + (v & m);
        Word carryOut = sum < v;
        sum += carry;
        carryOut |= sum < carry;
        carry = carryOut;
        out[w] = sum | (v & ~m);
    }
}

class RowStepper {
  public:
    RowStepper(const ColumnIndex& index, std::size_t words) : index_(index), scratch_(words, 0) {}

    // The row that adds an old line with this id, over the first `width` words.
    void Step(std::int32_t id, const Word* in, Word* out, std::size_t width) {
        const Word* mask = index_.Mask(id);
        if (mask) {
            AddRow(in, mask, out, width);
            return;
        }
        const std::uint32_t* begin = index_.PositionsBegin(id);
        const std::uint32_t* end = index_.PositionsEnd(id);
        const std::size_t limit = width * kWordBits;
        while (end != begin && end[-1] >= limit) --end;
        for (const std::uint32_t* p = begin; p != end; ++p) {
            scratch_[*p / kWordBits] |= Word{1} << (*p % kWordBits);
        }
        AddRow(in, scratch_.data(), out, width);
        for (const std::uint32_t* p = begin; p != end; ++p) scratch_[*p / kWordBits] = 0;
    }

  private:
    const ColumnIndex& index_;
    std::vector<Word> scratch_;
};

// Rows of the reversed table, counted by how many old lines they add: row r adds the old line
// rows - r, and row r of the reversed table is row rows - r of the trace's table.
class RowSource {
  public:
    RowSource(const std::int32_t* a, std::size_t rows, const std::int32_t* b, std::size_t cols,
              bool keepEveryRow)
        : rows_(rows),
          words_(WordsFor(cols)),
          index_(b, cols),
          stepper_(index_, words_),
          stretch_(keepEveryRow ? rows : CeilSqrt(rows)),
          rowIds_(rows + 1, ColumnIndex::kAbsent) {
        for (std::size_t r = 1; r <= rows; ++r) rowIds_[r] = index_.Find(a[rows - r]);
        KeepStretchEnds();
        slots_.resize((stretch_ + 1) * words_);
        slotOf_.resize(stretch_ + 1);
    }

    // Row r (1 <= r <= rows), valid for the columns the caller could still reach when it
    // asked for this stretch the first time: `width` words from bit 0.
    const Word* Row(std::size_t r, std::size_t width) {
        const std::size_t stretch = (r - 1) / stretch_;
        if (stretch != loaded_) Load(stretch, width);
        return slots_.data() + slotOf_[r - stretch * stretch_] * words_;
    }

  private:
    // The forward pass: keeps rows stretch_, 2 stretch_, ... below the last stretch.
    void KeepStretchEnds() {
        const std::size_t stretches = (rows_ + stretch_ - 1) / stretch_;
        if (stretches < 2) return;
        kept_.resize((stretches - 1) * words_);
        std::vector<Word> row(words_, kAllOnes);
        for (std::size_t r = 1; r <= (stretches - 1) * stretch_; ++r) {
            if (rowIds_[r] != ColumnIndex::kAbsent) {
                stepper_.Step(rowIds_[r], row.data(), row.data(), words_);
            }
            if (r % stretch_ == 0) {
                std::copy(row.begin(), row.end(), kept_.begin() + (r / stretch_ - 1) * words_);
            }
        }
    }

    // Computes the rows of one stretch into the slots. A row that adds a line of no new key
    // equals the row before it and shares its slot.
    void Load(std::size_t stretch, std::size_t width) {
        const std::size_t first = stretch * stretch_;
        const std::size_t last = std::min(first + stretch_, rows_);
        if (stretch == 0) {
            std::fill_n(slots_.begin(), width, kAllOnes);
        } else {
            std::copy_n(kept_.begin() + (stretch - 1) * words_, width, slots_.begin());
        }
        slotOf_[0] = 0;
        std::size_t next = 1;
        for (std::size_t r = first + 1; r <= last; ++r) {
            const std::size_t t = r - first;
            if (rowIds_[r] == ColumnIndex::kAbsent) {
                slotOf_[t] = slotOf_[t - 1];
                continue;
            }
            stepper_.Step(rowIds_[r], slots_.data() + slotOf_[t - 1] * words_,
                          slots_.data() + next * words_, width);
            slotOf_[t] = next++;
        }
        loaded_ = stretch;
    }

    std::size_t rows_;
    std::size_t words_;
    ColumnIndex index_;
    RowStepper stepper_;
    std::size_t stretch_;
    std::vector<std::int32_t> rowIds_;
    std::vector<Word> kept_;
    std::vector<Word> slots_;
    std::vector<std::size_t> slotOf_;
    std::size_t loaded_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace

LcsTraceEnd TraceLcs(const std::int32_t* a, std::size_t rows, const std::int32_t* b,
                     std::size_t cols, std::size_t base, bool keepEveryRow,
                     std::vector<LinePair>& pairs) {
    std::size_t i = 0;
    std::size_t j = 0;
    if (rows == 0 || cols == 0) return {i, j};
    // Reversed positions are 32-bit; a page of more lines would not fit in memory anyway.
    if (cols > std::numeric_limits<std::uint32_t>::max() / 2) throw std::bad_alloc();
    RowSource source(a, rows, b, cols, keepEveryRow);
    while (i < rows && j < cols) {
        if (a[i] == b[j]) {
            pairs.push_back({base + i, base + j});
            ++i;
            ++j;
            continue;
        }
        // The step of row i between columns j and j + 1 is bit cols - 1 - j of reversed row
        // rows - i; a set bit means no step, so the trace skips the new line.
        const std::size_t bit = cols - 1 - j;
        const Word* row = source.Row(rows - i, bit / kWordBits + 1);
        if ((row[bit / kWordBits] >> (bit % kWordBits)) & 1) {
            ++j;
        } else {
            ++i;
        }
    }
    return {i, j};
}

}  // namespace brevio::radar
