#include "radar/lcs_trace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace brevio::radar {
namespace {

using Word = std::uint64_t;
constexpr std::size_t kWordBits = 64;
constexpr Word kAllOnes = ~Word{0};

std::size_t WordsFor(std::size_t bits) {
    return (bits + kWordBits - 1) / kWordBits;
}

// Distinct keys numbered 0, 1, ... in the order they are first added (open addressing).
class KeyTable {
  public:
    static constexpr std::int32_t kAbsent = -1;

    explicit KeyTable(std::size_t expectedKeys) {
        unsigned bits = 4;
        while ((std::size_t{1} << bits) < 2 * expectedKeys) ++bits;
        shift_ = 32 - bits;
        keys_.assign(std::size_t{1} << bits, 0);
        ids_.assign(std::size_t{1} << bits, kAbsent);
    }

    // The key's id, numbering it first when it is new.
    std::int32_t Add(std::int32_t key) {
        const std::size_t slot = SlotOf(key);
        if (ids_[slot] == kAbsent) {
            keys_[slot] = key;
            ids_[slot] = static_cast<std::int32_t>(size_++);
        }
        return ids_[slot];
    }
    // The key's id, or kAbsent.
    std::int32_t Find(std::int32_t key) const { return ids_[SlotOf(key)]; }
    std::size_t Size() const { return size_; }

  private:
    // The key's slot, or the empty slot where it would go.
    std::size_t SlotOf(std::int32_t key) const {
        std::size_t slot = (static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> shift_;
        while (ids_[slot] != kAbsent && keys_[slot] != key) slot = (slot + 1) & (ids_.size() - 1);
        return slot;
    }

    unsigned shift_ = 0;
    std::size_t size_ = 0;
    std::vector<std::int32_t> keys_;
    std::vector<std::int32_t> ids_;
};

// The key ids of the pairable new lines and, for each id, the reversed positions
// (pairable columns - 1 - column) of its lines. Ids that occur on more lines than a row has
// words get a ready match mask; for the others the mask is put together for each row.
class ColumnIndex {
  public:
    ColumnIndex(const std::vector<std::int32_t>& idOfColumn, std::size_t ids)
        : words_(WordsFor(idOfColumn.size())) {
        const std::size_t cols = idOfColumn.size();
        start_.assign(ids + 1, 0);
        for (std::int32_t id : idOfColumn) ++start_[static_cast<std::size_t>(id) + 1];
        for (std::size_t id = 0; id < ids; ++id) start_[id + 1] += start_[id];
        positions_.resize(cols);
        std::vector<std::uint32_t> next(start_.begin(), start_.end() - 1);
        for (std::size_t p = 0; p < cols; ++p) {  // increasing reversed positions
            const auto id = static_cast<std::size_t>(idOfColumn[cols - 1 - p]);
            positions_[next[id]++] = static_cast<std::uint32_t>(p);
        }

        denseOf_.assign(ids, KeyTable::kAbsent);
        std::size_t dense = 0;
        for (std::size_t id = 0; id < ids; ++id) {
            if (start_[id + 1] - start_[id] > words_) {
                denseOf_[id] = static_cast<std::int32_t>(dense++);
            }
        }
        masks_.assign(dense * words_, 0);
        for (std::size_t id = 0; id < ids; ++id) {
            if (denseOf_[id] == KeyTable::kAbsent) continue;
            Word* mask = masks_.data() + static_cast<std::size_t>(denseOf_[id]) * words_;
            for (std::uint32_t k = start_[id]; k < start_[id + 1]; ++k) {
                mask[positions_[k] / kWordBits] |= Word{1} << (positions_[k] % kWordBits);
            }
        }
    }

    std::size_t Words() const { return words_; }
    // True when some pairable new line has the id.
    bool Occurs(std::int32_t id) const {
        return start_[static_cast<std::size_t>(id) + 1] > start_[static_cast<std::size_t>(id)];
    }

    // The ready match mask of an id, or nullptr when its mask is put together per row.
    const Word* Mask(std::int32_t id) const {
        const std::int32_t dense = denseOf_[static_cast<std::size_t>(id)];
        return dense == KeyTable::kAbsent
                   ? nullptr
                   : masks_.data() + static_cast<std::size_t>(dense) * words_;
    }
    const std::uint32_t* PositionsBegin(std::int32_t id) const {
        return positions_.data() + start_[static_cast<std::size_t>(id)];
    }
    const std::uint32_t* PositionsEnd(std::int32_t id) const {
        return positions_.data() + start_[static_cast<std::size_t>(id) + 1];
    }

  private:
    std::size_t words_;
    std::vector<std::uint32_t> start_;
    std::vector<std::uint32_t> positions_;
    std::vector<std::int32_t> denseOf_;
    std::vector<Word> masks_;
};

// One word of a row from the one before: (v + (v & m) + carry) | (v & ~m), carrying out.
#if defined(__x86_64__)
using Carry = unsigned char;
inline Word AddWord(Word v, Word m, Carry& carry) {
    unsigned long long sum;  // written by _addcarry_u64
    carry = _addcarry_u64(carry, v, v & m, &sum);
    return sum | (v & ~m);
}
#else
using Carry = Word;
inline Word AddWord(Word v, Word m, Carry& carry) {
    Word sum = v + (v & m);
    Word carryOut = sum < v;
    sum += carry;
    carryOut |= sum < carry;
    carry = carryOut;
    return sum | (v & ~m);
}
#endif

// One row from the one before, over the first `width` words; in and out may be the same.
void AddRow(const Word* in, const Word* match, Word* out, std::size_t width) {
    Carry carry = 0;
    for (std::size_t w = 0; w < width; ++w) out[w] = AddWord(in[w], match[w], carry);
}

// Two rows in one pass: mid = the row after `in` with match1, out = the row after mid with
// match2. Word w of the first row and word w - 1 of the second are computed together, so that
// the two carry chains run side by side. mid may be in, and out may be mid.
void AddTwoRows(const Word* in, const Word* match1, Word* mid, const Word* match2, Word* out,
                std::size_t width) {
    Carry carry1 = 0;
    Carry carry2 = 0;
    mid[0] = AddWord(in[0], match1[0], carry1);
    for (std::size_t w = 1; w < width; ++w) {
        mid[w] = AddWord(in[w], match1[w], carry1);
        out[w - 1] = AddWord(mid[w - 1], match2[w - 1], carry2);
    }
    out[width - 1] = AddWord(mid[width - 1], match2[width - 1], carry2);
}

class RowStepper {
  public:
    RowStepper(const ColumnIndex& index, std::size_t words)
        : index_(index), scratch_{std::vector<Word>(words, 0), std::vector<Word>(words, 0)} {}

    // The row that adds an old line with this id, over the first `width` words.
    void Step(std::int32_t id, const Word* in, Word* out, std::size_t width) {
        const Word* mask = MaskFor(id, 0, width);
        AddRow(in, mask, out, width);
        Clear(id, 0, width);
    }
    // Two rows one after the other: mid adds the line with id1 to in, out adds id2 to mid.
    void StepTwo(std::int32_t id1, std::int32_t id2, const Word* in, Word* mid, Word* out,
                 std::size_t width) {
        const Word* mask1 = MaskFor(id1, 0, width);
        const Word* mask2 = MaskFor(id2, 1, width);
        AddTwoRows(in, mask1, mid, mask2, out, width);
        Clear(id1, 0, width);
        Clear(id2, 1, width);
    }

  private:
    // The ready mask, or the id's positions set in a scratch mask.
    const Word* MaskFor(std::int32_t id, std::size_t scratch, std::size_t width) {
        if (const Word* mask = index_.Mask(id)) return mask;
        const std::size_t limit = width * kWordBits;
        for (const std::uint32_t* p = index_.PositionsBegin(id);
             p != index_.PositionsEnd(id) && *p < limit; ++p) {
            scratch_[scratch][*p / kWordBits] |= Word{1} << (*p % kWordBits);
        }
        return scratch_[scratch].data();
    }
    void Clear(std::int32_t id, std::size_t scratch, std::size_t width) {
        if (index_.Mask(id)) return;
        const std::size_t limit = width * kWordBits;
        for (const std::uint32_t* p = index_.PositionsBegin(id);
             p != index_.PositionsEnd(id) && *p < limit; ++p) {
            scratch_[scratch][*p / kWordBits] = 0;
        }
    }

    const ColumnIndex& index_;
    std::vector<Word> scratch_[2];
};

// How the rows are kept, level by level: level l keeps every every[l]-th row of one stretch
// of spacing[l] rows (level 0: the whole table), the last level every row.
struct KeepPlan {
    std::vector<std::size_t> spacing;
    std::vector<std::size_t> every;

    std::size_t KeptRows() const {
        std::size_t kept = 0;
        for (std::size_t l = 0; l < spacing.size(); ++l) kept += spacing[l] / every[l] + 1;
        return kept;
    }
};

constexpr std::size_t kMaxLevels = 4;

// Stretches of about rows^((levels - l) / levels) rows at level l: each level above the last
// costs one more computation of the rows, as wide as the trace can still reach.
KeepPlan PlanOfLevels(std::size_t rows, std::size_t levels) {
    KeepPlan plan;
    plan.spacing.push_back(rows);
    for (std::size_t l = 1; l < levels; ++l) {
        const double power = static_cast<double>(levels - l) / static_cast<double>(levels);
        auto spacing =
            static_cast<std::size_t>(std::ceil(std::pow(static_cast<double>(rows), power)));
        spacing = std::clamp<std::size_t>(spacing, 1, plan.spacing.back());
        plan.every.push_back(spacing);
        plan.spacing.push_back(spacing);
    }
    plan.every.push_back(1);
    return plan;
}

// The fewest levels whose kept rows fit in keptBits (every row when the whole table does).
KeepPlan PlanFor(std::size_t rows, std::size_t words, std::uint64_t keptBits) {
    const std::uint64_t rowBits = std::uint64_t{words} * kWordBits;
    for (std::size_t levels = 1;; ++levels) {
        KeepPlan plan = PlanOfLevels(rows, levels);
        if (levels == kMaxLevels || plan.KeptRows() <= keptBits / rowBits) return plan;
    }
}

// Rows of the reversed table, counted by how many old lines they add: row r adds the old line
// rows - r, and row r of the reversed table is row rows - r of the trace's table. rowIds[r] is
// the key id of the line row r adds, kAbsent when no pairable new line has that key. Such a
// row equals the one before it and shares its slot.
class RowSource {
  public:
    RowSource(ColumnIndex index, std::vector<std::int32_t> rowIds, const KeepPlan& plan)
        : rows_(rowIds.size() - 1),
          words_(index.Words()),
          index_(std::move(index)),
          stepper_(index_, words_),
          rowIds_(std::move(rowIds)),
          working_(words_) {
        for (std::size_t l = 0; l < plan.spacing.size(); ++l) {
            Level level;
            level.spacing = plan.spacing[l];
            level.every = plan.every[l];
            level.slotOf.resize(level.spacing / level.every + 1);
            level.rows.resize(level.slotOf.size() * words_);
            levels_.push_back(std::move(level));
        }
    }
    RowSource(const RowSource&) = delete;
    RowSource& operator=(const RowSource&) = delete;

    // Row r (1 <= r <= rows), valid for the columns the caller could still reach when it
    // asked for the stretches holding r the first time: `width` words from bit 0. The caller
    // asks for rows downwards and never for more width than before.
    const Word* Row(std::size_t r, std::size_t width) {
        std::size_t base = 0;  // level 0 covers the whole table
        for (std::size_t l = 0; l < levels_.size(); ++l) {
            // A stretch of level l starts at a row the level above keeps.
            base += (r - 1 - base) / levels_[l].spacing * levels_[l].spacing;
            if (levels_[l].base != base) Fill(l, base, width);
        }
        const Level& last = levels_.back();
        return last.rows.data() + last.slotOf[r - last.base] * words_;
    }

  private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    struct Level {
        std::size_t spacing = 0;          // rows in one stretch
        std::size_t every = 1;            // the level keeps every every-th row of its stretch
        std::size_t base = kNone;         // the row before the loaded stretch
        std::vector<Word> rows;           // slots of words_ words
        std::vector<std::size_t> slotOf;  // row base + t * every is in slot slotOf[t]
    };

    Word* Slot(Level& level, std::size_t slot) { return level.rows.data() + slot * words_; }

    // Computes the kept rows of the level's stretch after row `base`, starting from row base
    // as the level above keeps it (all ones for row 0).
    void Fill(std::size_t l, std::size_t base, std::size_t width) {
        Level& level = levels_[l];
        if (l == 0) {
            std::fill_n(level.rows.begin(), width, kAllOnes);
        } else {
            Level& above = levels_[l - 1];
            const Word* start = Slot(above, above.slotOf[(base - above.base) / above.every]);
            std::copy_n(start, width, level.rows.begin());
        }
        level.slotOf[0] = 0;
        const std::size_t count = (std::min(base + level.spacing, rows_) - base) / level.every;
        if (level.every == 1) {
            FillEveryRow(level, base, count, width);
        } else {
            FillSomeRows(level, base, count, width);
        }
        level.base = base;
        for (std::size_t below = l + 1; below < levels_.size(); ++below) {
            levels_[below].base = kNone;
        }
    }

    // Rows base + 1 .. base + count, each in a slot of its own unless it equals the row
    // before it; two rows at a time where they follow each other.
    void FillEveryRow(Level& level, std::size_t base, std::size_t count, std::size_t width) {
        std::size_t next = 1;
        std::size_t t = 1;
        while (t <= count) {
            const std::int32_t id = rowIds_[base + t];
            if (id == KeyTable::kAbsent) {
                level.slotOf[t] = level.slotOf[t - 1];
                ++t;
                continue;
            }
            std::size_t u = t + 1;  // the next row that changes anything
            while (u <= count && rowIds_[base + u] == KeyTable::kAbsent) ++u;
            const Word* in = Slot(level, level.slotOf[t - 1]);
            if (u > count) {
                stepper_.Step(id, in, Slot(level, next), width);
            } else {
                stepper_.StepTwo(id, rowIds_[base + u], in, Slot(level, next),
                                 Slot(level, next + 1), width);
            }
            for (std::size_t v = t; v < u && v <= count; ++v) level.slotOf[v] = next;
            ++next;
            if (u <= count) level.slotOf[u] = next++;
            t = u + 1;
        }
    }

    // Rows base + every, base + 2 every, ... (count of them), computed in one working row.
    void FillSomeRows(Level& level, std::size_t base, std::size_t count, std::size_t width) {
        Word* row = working_.data();
        std::copy_n(level.rows.begin(), width, row);
        std::size_t next = 1;
        for (std::size_t t = 1; t <= count; ++t) {
            std::int32_t pending = KeyTable::kAbsent;  // a row not yet added, to pair with
            bool changed = false;
            for (std::size_t k = (t - 1) * level.every + 1; k <= t * level.every; ++k) {
                const std::int32_t id = rowIds_[base + k];
                if (id == KeyTable::kAbsent) continue;
                changed = true;
                if (pending == KeyTable::kAbsent) {
                    pending = id;
                } else {
                    stepper_.StepTwo(pending, id, row, row, row, width);
                    pending = KeyTable::kAbsent;
                }
            }
            if (pending != KeyTable::kAbsent) stepper_.Step(pending, row, row, width);
            if (!changed) {
                level.slotOf[t] = level.slotOf[t - 1];
                continue;
            }
            std::copy_n(row, width, Slot(level, next));
            level.slotOf[t] = next++;
        }
    }

    std::size_t rows_;
    std::size_t words_;
    ColumnIndex index_;
    RowStepper stepper_;
    std::vector<std::int32_t> rowIds_;
    std::vector<Level> levels_;
    std::vector<Word> working_;
};

}  // namespace

LcsTraceEnd TraceLcs(const std::int32_t* a, std::size_t rows, const std::int32_t* b,
                     std::size_t cols, std::size_t base, std::uint64_t keptBits, PairSink& pairs) {
    std::size_t i = 0;
    std::size_t j = 0;
    if (rows == 0 || cols == 0) return {i, j};
    // Key ids and reversed positions are 32-bit; pages of more lines would not fit in memory
    // anyway.
    constexpr std::size_t kMostLines = std::numeric_limits<std::int32_t>::max() / 2;
    if (rows > kMostLines || cols > kMostLines) throw std::bad_alloc();

    // A new line whose key no old line has never pairs: the lengths do not step at its column,
    // so the trace always skips it. The rows only cover the other columns. Keys are numbered
    // by the old lines.
    std::vector<bool> pairable(cols);
    std::vector<std::int32_t> columnIds;  // of the pairable new lines, in order
    std::vector<std::int32_t> rowIds(rows + 1, KeyTable::kAbsent);
    std::size_t ids = 0;
    {
        KeyTable oldKeys(rows);
        for (std::size_t k = 0; k < rows; ++k) rowIds[rows - k] = oldKeys.Add(a[k]);
        for (std::size_t k = 0; k < cols; ++k) {
            const std::int32_t id = oldKeys.Find(b[k]);
            pairable[k] = id != KeyTable::kAbsent;
            if (pairable[k]) columnIds.push_back(id);
        }
        ids = oldKeys.Size();
    }
    if (columnIds.empty()) return {i, cols};
    const std::size_t pairableColumns = columnIds.size();
    ColumnIndex index(columnIds, ids);
    columnIds = {};
    for (std::int32_t& id : rowIds) {
        if (id != KeyTable::kAbsent && !index.Occurs(id)) id = KeyTable::kAbsent;
    }
    const KeepPlan plan = PlanFor(rows, index.Words(), keptBits);
    RowSource source(std::move(index), std::move(rowIds), plan);

    std::size_t pairableLeft = pairableColumns;  // pairable columns from j on
    while (i < rows && j < cols) {
        if (a[i] == b[j]) {
            pairs.Add(base + i, base + j);
            ++i;
            ++j;
            --pairableLeft;
            continue;
        }
        if (!pairable[j]) {
            ++j;
            continue;
        }
        // The step of row i at column j is bit pairableLeft - 1 (the pairable columns after j)
        // of reversed row rows - i; a set bit means no step, so the trace skips the new line.
        const std::size_t bit = pairableLeft - 1;
        const Word* row = source.Row(rows - i, bit / kWordBits + 1);
        if ((row[bit / kWordBits] >> (bit % kWordBits)) & 1) {
            ++j;
            --pairableLeft;
        } else {
            ++i;
        }
    }
    return {i, j};
}

}  // namespace brevio::radar
