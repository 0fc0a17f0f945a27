// The trace of the comparison engine's longest-common-subsequence table, computed 64 cells per
// machine word.
//
// The table is L(i, j), the length of the longest common subsequence of old keys a[i..] and new
// keys b[j..]. The trace starts at (0, 0): equal keys record a pair and advance both sides;
// otherwise it skips the old line ("down") only when L(i + 1, j) > L(i, j + 1), and the new
// line in every other case, ties included. Where the keys differ, L(i, j) is the larger of
// L(i + 1, j) and L(i, j + 1), so "down" holds exactly when L(i, j) - L(i, j + 1) is 1: the
// direction of a cell is read off the steps of its own row, and the rows can be computed
// without the lengths themselves.
//
// Row i of L over the suffixes is row rows - i of the table over the prefixes of the reversed
// key lists. Each such row is kept as one bit per column, bit k set when the length does NOT
// step between prefixes of k and k + 1 reversed new keys, and the next row follows from the one
// before with an addition and two masks per word:
//     U = V & match(key);  V' = (V + U) | (V & ~match(key))
// where match(key) has a bit for each reversed new line with that key. The carry of the
// addition only runs towards higher bits, which are lower new-line indices, so the part of a row
// that covers the new lines from j on can be computed on its own. Two rows in a row are computed
// in one pass, the second one word behind the first, so that their carry chains overlap.
//
// Columns. A new line whose key no old line has can never be paired: the lengths never step at
// its column and the trace always skips it, so the rows only hold the other columns.
//
// Memory. When the whole table fits in the bits allowed, every row is kept. Otherwise only some
// rows are kept: with two levels every k-th row (k about the square root of the row count),
// and the trace recomputes the k rows of a stretch from the kept row below it when it enters
// that stretch, only as wide as the columns it can still reach. That is about 2 x sqrt(rows)
// rows, at the cost of computing the rows once more. With three or four levels the stretches
// are themselves kept in part and recomputed in smaller pieces: about 3 x rows^(1/3) or
// 4 x rows^(1/4) rows, each level one more computation. The fewest levels that fit are used.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brevio::radar {

// Receives the pairs of a trace, in order.
class PairSink {
  public:
    virtual void Add(std::size_t oldIndex, std::size_t newIndex) = 0;

  protected:
    ~PairSink() = default;
};

// The first old and new index (within the block) that the trace did not pass.
struct LcsTraceEnd {
    std::size_t oldIndex = 0;
    std::size_t newIndex = 0;
};

// Traces the table of old keys a[0, rows) and new keys b[0, cols) from (0, 0) until one side is
// used up, giving (base + i, base + j) to pairs for every pair the trace records. The rows it
// keeps at once hold at most keptBits bits when that is possible with up to four levels.
// Throws std::bad_alloc when memory runs out.
LcsTraceEnd TraceLcs(const std::int32_t* a, std::size_t rows, const std::int32_t* b,
                     std::size_t cols, std::size_t base, std::uint64_t keptBits, PairSink& pairs);

}  // namespace brevio::radar
