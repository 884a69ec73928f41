// Alignment score of two short texts: a unit-cost edit distance, two alignments read back
// from the cost matrix, the longer one kept, matches counted with small bonuses and
// penalties, scaled to a caller-given maximum.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "quarrymink/keycoding.h"
#include "textutil.h"

namespace quarrymink {
namespace {

enum Step : std::uint8_t { kMatch = 0, kSubstitute = 64, kDelete = 128, kInsert = 192 };

// Storage on the stack for the usual short key parts, on the heap beyond that.
template <typename T, std::size_t N>
class ScratchArray {
public:
    explicit ScratchArray(std::size_t size) {
        if (size > N) {
            heap_.resize(size);
            data_ = heap_.data();
        }
    }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T* data() { return data_; }

private:
    std::array<T, N> stack_;
    std::vector<T> heap_;
    T* data_ = stack_.data();
};

// One cell: its cost from the three neighbours, and the step that produced it.
// Preference on ties: left, then up, then the diagonal.
struct Cell {
    std::uint32_t cost;
    std::uint8_t step;
};

inline Cell ChooseStep(std::uint32_t diag, std::uint32_t up, std::uint32_t left, bool same) {
    Cell c{diag + (same ? 0u : 1u), same ? kMatch : kSubstitute};
    if (up + 1 <= c.cost) c = {up + 1, kInsert};
    if (left + 1 <= c.cost) c = {left + 1, kDelete};
    return c;
}

// The step matrix, one cell per (i, j), with the costs of the last row kept aside: those
// are all the reading needs. Costs are whole numbers, never wrapped to 6 bits, so texts of
// any length are scored as the algorithm defines. Used only for a second text longer than
// BitCostMatrix takes.
class CostMatrix {
public:
    CostMatrix(std::u16string_view a, std::u16string_view b)
        : cols_(b.size() + 1), step_((a.size() + 1) * cols_), rows_(3 * cols_) {
        const std::size_t la = a.size(), lb = b.size();
        std::uint32_t* previous = rows_.data();
        // Row 0 and column 0 hold plain costs whose step reads as a match.
        for (std::size_t j = 0; j <= lb; ++j) {
            previous[j] = static_cast<std::uint32_t>(j);
            step_[j] = kMatch;
        }
        std::uint32_t* upper = previous + cols_;
        std::uint32_t* lower = upper + cols_;
        std::size_t i = 1;
        // Two rows at a time, the second one column behind the first: each cell waits on
        // its left neighbour, so two independent chains keep the processor busy.
        for (; i + 1 <= la && lb > 0; i += 2) {
            std::uint8_t* steps1 = &step_[i * cols_];
            std::uint8_t* steps2 = steps1 + cols_;
            const char16_t a1 = a[i - 1], a2 = a[i];
            upper[0] = static_cast<std::uint32_t>(i);
            lower[0] = static_cast<std::uint32_t>(i + 1);
            steps1[0] = steps2[0] = kMatch;
            Cell c = ChooseStep(previous[0], previous[1], upper[0], a1 == b[0]);
            upper[1] = c.cost;
            steps1[1] = c.step;
            for (std::size_t j = 2; j <= lb; ++j) {
                c = ChooseStep(previous[j - 1], previous[j], upper[j - 1], a1 == b[j - 1]);
                const Cell d = ChooseStep(upper[j - 2], upper[j - 1], lower[j - 2], a2 == b[j - 2]);
                upper[j] = c.cost;
                steps1[j] = c.step;
                lower[j - 1] = d.cost;
                steps2[j - 1] = d.step;
            }
            c = ChooseStep(upper[lb - 1], upper[lb], lower[lb - 1], a2 == b[lb - 1]);
            lower[lb] = c.cost;
            steps2[lb] = c.step;
            std::swap(previous, lower);
        }
        for (; i <= la; ++i) {
            std::uint8_t* steps = &step_[i * cols_];
            upper[0] = static_cast<std::uint32_t>(i);
            steps[0] = kMatch;
            for (std::size_t j = 1; j <= lb; ++j) {
                const Cell c = ChooseStep(previous[j - 1], previous[j], upper[j - 1], a[i - 1] == b[j - 1]);
                upper[j] = c.cost;
                steps[j] = c.step;
            }
            std::swap(previous, upper);
        }
        lastRow_ = previous;
    }
    // The rightmost cheapest column of the last row, from 1 on (0 for an empty b).
    std::size_t CheapestInLastRow() const {
        std::size_t at = 0;
        for (std::size_t j = 1; j < cols_; ++j)
            if (at == 0 || lastRow_[j] <= lastRow_[at]) at = j;
        return at;
    }
    std::uint8_t StepAt(std::size_t i, std::size_t j) const { return step_[i * cols_ + j]; }

private:
    std::size_t cols_;
    ScratchArray<std::uint8_t, 512> step_;
    ScratchArray<std::uint32_t, 192> rows_;
    const std::uint32_t* lastRow_ = nullptr;
};

// The same costs for texts whose second one has at most 64 characters, kept as differences
// between neighbouring cells, a few bits per row rather than a cell per pair: memory grows
// with the length of a only. Bit j - 1 of a row's plus (minus) word says that the cost rises
// (falls) by one from column j - 1 to column j; bit j of its down words, that it rises
// (falls) from the row above to this one in column j. The rows follow from one another a word
// at a time (the bit-parallel edit distance, with row 0 and column 0 rising by one per cell
// as above). A step depends only on the differences of the three neighbours' costs, so the
// walk reads it from these bits without adding anything up.
class BitCostMatrix {
public:
    static constexpr std::size_t kMaxColumns = 64;

    BitCostMatrix(std::u16string_view a, std::u16string_view b) : a_(a), b_(b), rows_(a.size() + 1) {
        const std::size_t lb = b.size();
        const std::uint64_t all = lb == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << lb) - 1;
        std::uint64_t plus = all, minus = 0;
        rows_[0] = {plus, minus, 0, 0};
        for (std::size_t i = 1; i <= a.size(); ++i) {
            const std::uint64_t equal = EqualMask(a[i - 1]);
            const std::uint64_t xv = equal | minus;
            const std::uint64_t xh = (((equal & plus) + plus) ^ plus) | equal;
            // Column 0 rises by one per row.
            const std::uint64_t downPlus = ((minus | ~(xh | plus)) << 1) | 1;
            const std::uint64_t downMinus = (plus & xh) << 1;
            plus = (downMinus | ~(xv | downPlus)) & all;
            minus = downPlus & xv & all;
            rows_[i] = {plus, minus, downPlus, downMinus};
        }
    }
    // The rightmost cheapest column of the last row, from 1 on (0 for an empty b).
    std::size_t CheapestInLastRow() const {
        const Row& last = rows_[a_.size()];
        std::int64_t cost = static_cast<std::int64_t>(a_.size()), best = 0;
        std::size_t at = 0;
        for (std::size_t j = 1; j <= b_.size(); ++j) {
            cost += static_cast<std::int64_t>(last.plus >> (j - 1) & 1) -
                    static_cast<std::int64_t>(last.minus >> (j - 1) & 1);
            if (at == 0 || cost <= best) {
                at = j;
                best = cost;
            }
        }
        return at;
    }
    std::uint8_t StepAt(std::size_t i, std::size_t j) const {
        if (i == 0 || j == 0) return kMatch;
        // Costs relative to the diagonal neighbour's, plus one: up differs by the row above's
        // rise into column j, left by this row's rise from the row above in column j - 1.
        const Row& above = rows_[i - 1];
        const Row& here = rows_[i];
        const unsigned bit = static_cast<unsigned>(j - 1);
        const std::uint32_t up = 1 + static_cast<std::uint32_t>(above.plus >> bit & 1) -
                                 static_cast<std::uint32_t>(above.minus >> bit & 1);
        const std::uint32_t left = 1 + static_cast<std::uint32_t>(here.downPlus >> bit & 1) -
                                   static_cast<std::uint32_t>(here.downMinus >> bit & 1);
        return ChooseStep(1, up, left, a_[i - 1] == b_[j - 1]).step;
    }

private:
    std::uint64_t EqualMask(char16_t ch) const {
        std::uint64_t mask = 0;
        for (std::size_t j = 0; j < b_.size(); ++j) mask |= std::uint64_t{b_[j] == ch} << j;
        return mask;
    }
    struct Row {
        std::uint64_t plus, minus, downPlus, downMinus;
    };
    std::u16string_view a_, b_;
    ScratchArray<Row, 32> rows_;
};

// An edit string written backwards from the end of its buffer.
class EditString {
public:
    explicit EditString(std::size_t capacity) : buffer_(capacity), begin_(capacity), end_(capacity) {}
    void Prepend(char letter) { buffer_[--begin_] = letter; }
    std::size_t size() const { return end_ - begin_; }
    char* begin() { return buffer_.data() + begin_; }
    char* end() { return buffer_.data() + end_; }

private:
    ScratchArray<char, 128> buffer_;
    std::size_t begin_, end_;
};

// Reads one alignment back from (i, j) and puts n - 1 letters "S" in front of it, n being
// the row (byRow) or column of the earliest match met on the way.
template <typename Matrix>
void ReadAlignment(const Matrix& m, std::size_t i, std::size_t j, bool byRow, EditString& out) {
    // Letters indexed by step code / 64; the moves are computed rather than branched on,
    // since the walk's direction is unpredictable.
    static constexpr char kLetter[4] = {'M', 'S', 'D', 'I'};
    std::size_t earliest = 0;
    for (;;) {
        const unsigned kind = m.StepAt(i, j) >> 6;
        out.Prepend(kLetter[kind]);
        const std::size_t here = byRow ? i : j;
        earliest = kind == 0 ? here : earliest;
        i -= kind != 2;  // every step but D leaves the row
        j -= kind != 3;  // every step but I leaves the column
        // Walking off row or column 0 wraps around; both mean the walk has ended.
        if (i == 0 || j == 0 || i == SIZE_MAX || j == SIZE_MAX) break;
    }
    for (std::size_t k = 1; k < earliest; ++k) out.Prepend('S');
}

bool EndsWith(const char* begin, const char* end, std::string_view suffix) {
    return static_cast<std::size_t>(end - begin) >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), end - suffix.size());
}

// Lower-cases every non-overlapping occurrence of the doubled letter; true if there was one.
bool LowerPairs(char* begin, char* end, char letter) {
    bool found = false;
    for (char* p = begin; p + 1 < end;) {
        if (p[0] == letter && p[1] == letter) {
            p[0] = p[1] = static_cast<char>(letter | 32);
            found = true;
            p += 2;
        } else {
            ++p;
        }
    }
    return found;
}

// To the nearest whole number, halves to even (the processor's default rounding).
long RoundHalfEven(double value) {
#if defined(__SSE2__)
    return _mm_cvtsd_si64(_mm_set_sd(value));
#else
    return std::lrint(value);
#endif
}

// The score once the costs are known: the two alignments read back, the longer one counted.
template <typename Matrix>
std::uint8_t ScoreFromCosts(const Matrix& matrix, std::u16string_view a, std::u16string_view b,
                            std::uint8_t maxScore, std::u16string* editString) {
    const std::size_t la = a.size(), lb = b.size();
    // Alignment 0 starts in the last row at the cheapest column (the rightmost of equals).
    const std::size_t start0 = matrix.CheapestInLastRow();
    // Alignment 1 starts in the last column at the row where cost less row is smallest, the
    // lowest of equals: that is always the last row, since a cost exceeds the one above it by
    // at most one, so cost less row never grows downwards.
    const std::size_t start1 = la;

    const std::size_t capacity = la + lb + std::max(la, lb) + 2;
    EditString alignment0(capacity), alignment1(capacity);
    ReadAlignment(matrix, la, start0, false, alignment0);
    ReadAlignment(matrix, start1, lb, true, alignment1);
    EditString& chosen = alignment1.size() > alignment0.size() ? alignment1 : alignment0;
    char* const begin = chosen.begin();
    char* const end = chosen.end();
    const std::size_t length = chosen.size();

    float count = static_cast<float>(std::count(begin, end, 'M'));
    const char last = length ? end[-1] : '\0';
    if ((last == 'I' && la && a.back() == u'e') || (last == 'D' && lb && b.back() == u'e')) count += 0.5f;
    if (la > 1 && count < static_cast<float>(length)) {
        if (EndsWith(begin, end, "MM") || (!IsVowel(a[la - 1]) && IsVowel(a[la - 2])))
            count += 0.5f;
        else if (EndsWith(begin, end, "M"))
            count += 0.2f;
    }
    for (const char letter : {'I', 'D'})
        if (count > 0 && LowerPairs(begin, end, letter)) count -= 1;
    if (!(count > 0)) count = 0;

    if (editString) editString->assign(begin, end);
    if (length == 0) return 0;
    // The count is kept in single precision, as its bonuses are fractions, but the product
    // and the quotient are taken in double: 255 x 1.2f / 4 is 76.5000031 and rounds up,
    // where a single-precision product (306.0 exactly) would round 76.5 to even.
    const long score = RoundHalfEven(static_cast<double>(maxScore) * static_cast<double>(count) /
                                     static_cast<double>(length));
    return static_cast<std::uint8_t>(std::clamp<long>(score, 0, maxScore));
}

}  // namespace

std::uint8_t AlignmentScore(std::u16string_view a, std::u16string_view b, std::uint8_t maxScore,
                            std::u16string* editString) {
    if (editString) editString->clear();
    if (a == b) {
        if (editString) editString->assign(std::min<std::size_t>(a.size(), 39), u'M');
        return maxScore;
    }
    if (b.size() <= BitCostMatrix::kMaxColumns)
        return ScoreFromCosts(BitCostMatrix(a, b), a, b, maxScore, editString);
    return ScoreFromCosts(CostMatrix(a, b), a, b, maxScore, editString);
}

// Why the bound holds. Let la, lb be the lengths (both at least 1) and c the number of
// characters the texts share, counted with repetition.
// * The kept alignment is the longer of two, so its length L is at least that of the one
//   read from the last column, which starts at (la, lb) (see ScoreFromCosts). A step
//   into column 0 is never a deletion (cost i + 1 against at most i on the diagonal), and a
//   substitution only from row 1; so the walk either passes every row, or meets a match at
//   some row r after passing the rows la..r and gets r - 1 letters "S" in front. Hence
//   L >= la.
// * Every match pairs a character of a with an equal one of b, each used once: at most c
//   matches. The bonuses add at most 0.5 + 0.5, the penalties only subtract, and the count
//   never exceeds L (a count of L means all matches and no bonus).
// So the score is at most maxScore * min(c + 1, la) / la, rounded; the quotient taken in
// double cannot pass a whole number that the exact one stays below, so the ceiling bounds
// it. Characters are counted in 64 classes by their low bits: merging classes can only
// raise the shared count, which keeps the bound a bound.
std::uint8_t AlignmentScoreBound(std::u16string_view a, std::u16string_view b,
                                 std::uint8_t maxScore) noexcept {
    const std::size_t la = a.size();
    if (la == 0 || b.empty()) return maxScore;
    std::array<std::uint32_t, 64> left{};
    for (const char16_t ch : a) ++left[ch & 63];
    std::size_t shared = 0;
    for (const char16_t ch : b) {
        std::uint32_t& n = left[ch & 63];
        if (n) {
            --n;
            ++shared;
        }
    }
    const std::size_t count = std::min(shared + 1, la);
    return static_cast<std::uint8_t>((maxScore * count + la - 1) / la);
}

std::uint8_t KeyLengthGrade(std::u16string_view key) noexcept {
    const std::size_t n = AfterLast(key, u":").size();
    if (n <= 4) return 60;
    if (n >= 8) return 100;
    return static_cast<std::uint8_t>(60 + 10 * (n - 4));
}

void SplitKeySoundsInto(std::u16string_view key, KeySounds& out) {
    const std::u16string_view body = key.size() > 2 ? key.substr(2) : std::u16string_view();
    const std::size_t colon1 = body.find(u':');
    const std::u16string_view soundsPart = body.substr(0, colon1);
    std::size_t alternatives = 0;
    if (!soundsPart.empty()) alternatives = CountOccurrences(soundsPart, u"_") + 1;
    out.sounds.resize(alternatives);
    out.pairs.resize(alternatives);
    if (alternatives == 0) return;

    const bool threeParts =
        colon1 != std::u16string_view::npos && body.find(u':', colon1 + 1) != std::u16string_view::npos;
    std::u16string_view digits, tail;
    if (threeParts) {
        const std::size_t colon2 = body.find(u':', colon1 + 1);
        digits = body.substr(colon1 + 1, colon2 - colon1 - 1);
        const std::size_t colon3 = body.find(u':', colon2 + 1);
        tail = body.substr(colon2 + 1, colon3 == std::u16string_view::npos ? std::u16string_view::npos
                                                                           : colon3 - colon2 - 1);
    }
    std::u16string_view rest = soundsPart;
    for (std::size_t i = 0; i < alternatives; ++i) {
        const std::size_t underscore = rest.find(u'_');
        const std::u16string_view alternative = rest.substr(0, underscore);
        rest = underscore == std::u16string_view::npos ? std::u16string_view() : rest.substr(underscore + 1);
        if (threeParts) {
            out.sounds[i].assign(alternative);
            out.pairs[i][0].assign(alternative).append(digits);
            out.pairs[i][1].assign(alternative).append(tail);
        } else {
            out.sounds[i].clear();
            out.pairs[i][0].clear();
            out.pairs[i][1].clear();
        }
    }
}

KeySounds SplitKeySounds(std::u16string_view key) {
    KeySounds out;
    SplitKeySoundsInto(key, out);
    return out;
}

}  // namespace quarrymink
