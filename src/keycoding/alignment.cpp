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

// Up to 64 characters of the second text, kept so that which of them equal a character is
// found a block at a time: bit j of Mask(ch) is set where character j equals ch.
class ColumnText {
public:
    explicit ColumnText(std::u16string_view b)
        : size_(b.size()), valid_(size_ == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << size_) - 1) {
#if defined(__SSE2__)
        if (size_ <= 16) {
            // The usual short text goes straight into two registers, without a branch on its
            // length (which varies from call to call): each lane takes a character that is
            // there, and Valid() drops the lanes beyond the text.
            const auto at = [&](std::size_t j) {
                return static_cast<short>(size_ == 0 ? 0 : b[std::min(j, size_ - 1)]);
            };
            low_ = _mm_set_epi16(at(7), at(6), at(5), at(4), at(3), at(2), at(1), at(0));
            high_ = _mm_set_epi16(at(15), at(14), at(13), at(12), at(11), at(10), at(9), at(8));
            return;
        }
        for (std::size_t j = 0; j < size_; j += 16) std::fill_n(chars_.data() + j, 16, u'\0');
#endif
        std::copy(b.begin(), b.end(), chars_.begin());
    }
    std::uint64_t Valid() const {
        return valid_;
    }
    std::uint64_t Mask(char16_t ch) const {
        std::uint64_t mask = 0;
#if defined(__SSE2__)
        const __m128i wanted = _mm_set1_epi16(static_cast<short>(ch));
        if (size_ <= 16) return Equal16(low_, high_, wanted) & valid_;
        for (std::size_t j = 0; j < size_; j += 16) {
            const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(chars_.data() + j));
            const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(chars_.data() + j + 8));
            mask |= Equal16(low, high, wanted) << j;
        }
#else
        for (std::size_t j = 0; j < size_; ++j) mask |= std::uint64_t{chars_[j] == ch} << j;
#endif
        return mask & valid_;
    }

private:
#if defined(__SSE2__)
    static std::uint64_t Equal16(__m128i low, __m128i high, __m128i wanted) {
        const __m128i equal = _mm_packs_epi16(_mm_cmpeq_epi16(low, wanted), _mm_cmpeq_epi16(high, wanted));
        return static_cast<std::uint16_t>(_mm_movemask_epi8(equal));
    }
    __m128i low_, high_;
#endif
    std::size_t size_;
    std::uint64_t valid_;
    alignas(16) std::array<char16_t, 64> chars_;
};

// One row of costs kept as differences between neighbouring cells: bit j - 1 of plus
// (minus) says that the cost rises (falls) by one from column j - 1 to column j. The rows
// follow from one another a word at a time (the bit-parallel edit distance, with row 0 and
// column 0 rising by one per cell). A cell's step depends only on how the costs of its three
// neighbours differ, so the steps of a whole row are worked out with the row: bit j - 1 of
// deletion, insertion and match says that column j's step is one (the rest are
// substitutions).
struct BitRow {
    std::uint64_t plus, minus, deletion, insertion, match;
};

// The next row's word w from the row above's, given the carries out of word w - 1: the
// addition's carry and the top bits of the rises and falls from row to row (column 0 rises).
struct RowCarry {
    std::uint64_t sum = 0, risesDown = 1, fallsDown = 0;
};
inline BitRow NextRowWord(std::uint64_t plus, std::uint64_t minus, std::uint64_t equal, std::uint64_t valid,
                          RowCarry& carry) {
    const std::uint64_t xv = equal | minus;
    const std::uint64_t half = equal & plus;
    const std::uint64_t sum1 = half + plus;
    const std::uint64_t sum = sum1 + carry.sum;
    carry.sum = (sum1 < half) | (sum < sum1);
    const std::uint64_t xh = (sum ^ plus) | equal;
    const std::uint64_t rises = minus | ~(xh | plus);
    const std::uint64_t falls = plus & xh;
    // Bit j: the cost rises (falls) from the row above to this one in column j.
    const std::uint64_t downPlus = (rises << 1) | carry.risesDown;
    const std::uint64_t downMinus = (falls << 1) | carry.fallsDown;
    carry.risesDown = rises >> 63;
    carry.fallsDown = falls >> 63;
    // At bit j - 1, against the diagonal neighbour's cost plus one: up is 0, 1 or 2 as the
    // row above falls, stays or rises into column j (minus, neither, plus), left likewise as
    // column j - 1 falls, stays or rises from the row above (downMinus, neither, downPlus);
    // the diagonal is 0 for equal characters, else 1. Preference on ties: left, then up,
    // then the diagonal.
    const std::uint64_t leftAboveUp = (downPlus & ~plus) | (~downPlus & ~downMinus & minus);
    const std::uint64_t leftUpToDiagonal = (equal & downMinus) | (~equal & ~downPlus);
    const std::uint64_t upUpToDiagonal = (equal & minus) | (~equal & ~plus);
    const std::uint64_t deletion = ~leftAboveUp & leftUpToDiagonal;
    const std::uint64_t insertion = ~deletion & upUpToDiagonal;
    const std::uint64_t match = equal & ~deletion & ~insertion;
    return {(downMinus | ~(xv | downPlus)) & valid, downPlus & xv & valid, deletion, insertion, match};
}

// The rightmost cheapest column of the last row, from 1 on (0 for an empty b), from the
// row's rises and falls, word by word; the cost of column 0 is la.
template <typename WordAt>
std::size_t CheapestColumn(std::size_t la, std::size_t lb, WordAt&& word) {
    std::int64_t cost = static_cast<std::int64_t>(la), best = 0;
    std::size_t at = 0;
    for (std::size_t j = 1; j <= lb; ++j) {
        const BitRow& w = word((j - 1) / 64);
        const unsigned bit = static_cast<unsigned>((j - 1) % 64);
        cost += static_cast<std::int64_t>(w.plus >> bit & 1) - static_cast<std::int64_t>(w.minus >> bit & 1);
        if (at == 0 || cost <= best) {
            at = j;
            best = cost;
        }
    }
    return at;
}

// The costs for a second text of at most 64 characters, one word per row: memory grows with
// the length of a only.
class BitCostMatrix {
public:
    static constexpr std::size_t kMaxColumns = 64;

    BitCostMatrix(std::u16string_view a, std::u16string_view b) : a_(a), b_(b), rows_(a.size() + 1) {
        const ColumnText columns(b);
        rows_[0] = {columns.Valid(), 0, 0, 0, 0};
        for (std::size_t i = 1; i <= a.size(); ++i) {
            RowCarry carry;
            const BitRow& above = rows_[i - 1];
            rows_[i] = NextRowWord(above.plus, above.minus, columns.Mask(a[i - 1]), columns.Valid(), carry);
        }
    }
    std::size_t CheapestInLastRow() const {
        const BitRow& last = rows_[a_.size()];
        return CheapestColumn(a_.size(), b_.size(), [&](std::size_t) -> const BitRow& { return last; });
    }
    // What the walk reads: the word of row i (from 1 on) that holds column j's step.
    class Cells {
    public:
        explicit Cells(const BitRow* rows) : rows_(rows) {}
        const BitRow& WordAt(std::size_t i, std::size_t) const { return rows_[i]; }

    private:
        const BitRow* rows_;
    };
    Cells Steps() { return Cells(rows_.data()); }

private:
    std::u16string_view a_, b_;
    ScratchArray<BitRow, 32> rows_;
};

// The same costs for a longer second text, several words per row. Rather than every row,
// only every span-th row's rises and falls are kept, and the rows of one span are worked
// out again from it when the walk (which only ever moves up) enters that span: memory grows
// with lb times the square root of la, not with their product, for three passes over the
// rows instead of one.
class LongBitCostMatrix {
public:
    LongBitCostMatrix(std::u16string_view a, std::u16string_view b)
        : a_(a),
          b_(b),
          words_((b.size() + 63) / 64),
          span_(std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(std::sqrt(a.size() + 1.0))))),
          kept_((a.size() / span_ + 1) * words_),
          spanRows_((span_ + 1) * words_),
          lastRow_(words_) {
        columns_.reserve(words_);
        for (std::size_t w = 0; w < words_; ++w) {
            columns_.emplace_back(b.substr(64 * w, 64));
            lastRow_[w] = {columns_[w].Valid(), 0, 0, 0, 0};
        }
        for (std::size_t i = 0;; ++i) {
            if (i % span_ == 0) std::copy_n(lastRow_.begin(), words_, kept_.begin() + (i / span_) * words_);
            if (i == a.size()) break;
            Advance(lastRow_.data(), a[i], lastRow_.data());
        }
    }
    std::size_t CheapestInLastRow() const {
        const auto word = [&](std::size_t w) -> const BitRow& { return lastRow_[w]; };
        return CheapestColumn(a_.size(), b_.size(), word);
    }
    class Cells {
    public:
        explicit Cells(LongBitCostMatrix& m) : m_(m) {}
        const BitRow& WordAt(std::size_t i, std::size_t j) const {
            const std::size_t first = (i - 1) / m_.span_ * m_.span_;
            if (first != m_.spanFirst_) m_.WorkOutSpan(first);
            return m_.spanRows_[(i - first) * m_.words_ + (j - 1) / 64];
        }

    private:
        LongBitCostMatrix& m_;
    };
    Cells Steps() { return Cells(*this); }

private:
    // Row i + 1's words from row i's (which may be the same storage).
    void Advance(const BitRow* row, char16_t ch, BitRow* next) const {
        RowCarry carry;
        for (std::size_t w = 0; w < words_; ++w)
            next[w] =
                NextRowWord(row[w].plus, row[w].minus, columns_[w].Mask(ch), columns_[w].Valid(), carry);
    }
    // The rows first .. first + span (as far as a reaches) from the row kept for first.
    void WorkOutSpan(std::size_t first) {
        std::copy_n(kept_.begin() + (first / span_) * words_, words_, spanRows_.begin());
        const std::size_t end = std::min(first + span_, a_.size());
        for (std::size_t i = first; i < end; ++i)
            Advance(&spanRows_[(i - first) * words_], a_[i], &spanRows_[(i + 1 - first) * words_]);
        spanFirst_ = first;
    }

    std::u16string_view a_, b_;
    std::size_t words_, span_;
    std::vector<ColumnText> columns_;
    std::vector<BitRow> kept_, spanRows_, lastRow_;
    std::size_t spanFirst_ = SIZE_MAX;
};

// An edit string written backwards from the end of its buffer, for a caller that asks for
// the alignment's letters.
class EditString {
public:
    explicit EditString(std::size_t capacity) : buffer_(capacity), begin_(capacity), end_(capacity) {}
    void Prepend(unsigned kind) {
        static constexpr char kLetter[4] = {'M', 'S', 'D', 'I'};
        buffer_[--begin_] = kLetter[kind];
    }
    void PrependSubstitutions(std::size_t n) {
        for (; n > 0; --n) Prepend(1);
    }
    std::size_t size() const { return end_ - begin_; }
    char* begin() { return buffer_.data() + begin_; }
    char* end() { return buffer_.data() + end_; }

private:
    ScratchArray<char, 128> buffer_;
    std::size_t begin_, end_;
};

// What the score needs of an alignment, gathered as it is read back, without its letters:
// its length, its matches, its last two letters, and whether it holds two insertions or two
// deletions in a row (the penalties lower-case every such pair, but count each kind once).
class AlignmentSummary {
public:
    void Prepend(unsigned kind) {
        ++length_;
        matches_ += kind == 0;
        pairs_ |= (kind == previous_) << kind;
        // Only the first two letters read (the last two of the alignment) are kept.
        const unsigned kept = length_ <= 2 ? kind : 0;
        lastTwo_ |= kept << ((2 * (length_ - 1)) & 31);
        previous_ = kind;
    }
    void PrependSubstitutions(std::size_t n) {
        for (; n > 0 && length_ < 2; --n) Prepend(1);
        length_ += n;
        if (n > 0) previous_ = 1;
    }
    std::size_t size() const { return length_; }
    std::size_t Matches() const { return matches_; }
    unsigned Last() const { return lastTwo_ & 3; }
    bool EndsWithTwoMatches() const { return length_ >= 2 && lastTwo_ == 0; }
    bool HasPairOf(unsigned kind) const { return pairs_ >> kind & 1; }

private:
    std::size_t length_ = 0, matches_ = 0;
    unsigned lastTwo_ = 0, pairs_ = 0, previous_ = 4;
};

// The row and column of the earliest match a walk met (0 for none).
struct EarliestMatch {
    std::size_t row = 0, column = 0;
};

// Walks one alignment back from (i, j), handing the sink the step kinds: 0 match,
// 1 substitution, 2 deletion, 3 insertion.
template <typename Matrix, typename Sink>
EarliestMatch WalkBack(Matrix& m, std::size_t i, std::size_t j, Sink& out) {
    // A walk that starts in row or column 0 (an empty text) is a single match.
    if (i == 0 || j == 0) {
        out.Prepend(0);
        return {i, j};
    }
    EarliestMatch earliest;
    const auto cells = m.Steps();
    do {
        // The moves are computed rather than branched on, since the walk's direction is
        // unpredictable; they wait only on the loading of the row's words.
        const BitRow& word = cells.WordAt(i, j);
        const unsigned bit = static_cast<unsigned>((j - 1) % 64);
        const unsigned deletion = word.deletion >> bit & 1, insertion = word.insertion >> bit & 1;
        const unsigned match = word.match >> bit & 1;
        out.Prepend(1 + deletion + 2 * insertion - match);
        earliest.row = match ? i : earliest.row;
        earliest.column = match ? j : earliest.column;
        i -= 1 - deletion;   // every step but D leaves the row
        j -= 1 - insertion;  // every step but I leaves the column
    } while (i != 0 && j != 0);
    return earliest;
}

// The letters "S" put in front of an alignment: n - 1, n being the row (byRow) or column of
// the earliest match.
std::size_t LeadingSubstitutions(EarliestMatch earliest, bool byRow) {
    const std::size_t n = byRow ? earliest.row : earliest.column;
    return n > 1 ? n - 1 : 0;
}

template <typename Matrix, typename Sink>
void ReadAlignment(Matrix& m, std::size_t i, std::size_t j, bool byRow, Sink& out) {
    out.PrependSubstitutions(LeadingSubstitutions(WalkBack(m, i, j, out), byRow));
}

// Lower-cases every non-overlapping occurrence of the doubled letter.
void LowerPairs(char* begin, char* end, char letter) {
    for (char* p = begin; p + 1 < end;) {
        if (p[0] == letter && p[1] == letter) {
            p[0] = p[1] = static_cast<char>(letter | 32);
            p += 2;
        } else {
            ++p;
        }
    }
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
std::uint8_t ScoreFromCosts(Matrix&& matrix, std::u16string_view a, std::u16string_view b,
                            std::uint8_t maxScore, std::u16string* editString) {
    const std::size_t la = a.size(), lb = b.size();
    // Alignment 0 starts in the last row at the cheapest column (the rightmost of equals).
    const std::size_t start0 = matrix.CheapestInLastRow();
    // Alignment 1 starts in the last column at the row where cost less row is smallest, the
    // lowest of equals: that is always the last row, since a cost exceeds the one above it by
    // at most one, so cost less row never grows downwards.
    const std::size_t start1 = la;

    AlignmentSummary alignment0, alignment1;
    bool second;
    if (start0 == lb) {
        // Both start in the same cell, so they take the same steps and differ only in the
        // letters "S" in front: one walk serves both.
        const EarliestMatch earliest = WalkBack(matrix, la, lb, alignment0);
        const std::size_t front0 = LeadingSubstitutions(earliest, false);
        const std::size_t front1 = LeadingSubstitutions(earliest, true);
        second = front1 > front0;
        alignment0.PrependSubstitutions(second ? front1 : front0);
    } else {
        ReadAlignment(matrix, la, start0, false, alignment0);
        ReadAlignment(matrix, start1, lb, true, alignment1);
        second = alignment1.size() > alignment0.size();
    }
    const AlignmentSummary& chosen = second && start0 != lb ? alignment1 : alignment0;
    const std::size_t length = chosen.size();

    float count = static_cast<float>(chosen.Matches());
    const unsigned last = chosen.Last();
    if ((last == 3 && la && a.back() == u'e') || (last == 2 && lb && b.back() == u'e')) count += 0.5f;
    if (la > 1 && count < static_cast<float>(length)) {
        if (chosen.EndsWithTwoMatches() || (!IsVowel(a[la - 1]) && IsVowel(a[la - 2])))
            count += 0.5f;
        else if (last == 0)
            count += 0.2f;
    }
    // Pairs of insertions, then of deletions, each cost one match while any are left.
    bool lowered[2] = {false, false};
    for (const unsigned kind : {3u, 2u}) {
        if (!(count > 0)) break;
        lowered[3 - kind] = true;
        if (chosen.HasPairOf(kind)) count -= 1;
    }
    if (!(count > 0)) count = 0;

    if (editString) {
        EditString letters(length);
        if (second)
            ReadAlignment(matrix, start1, lb, true, letters);
        else
            ReadAlignment(matrix, la, start0, false, letters);
        if (lowered[0]) LowerPairs(letters.begin(), letters.end(), 'I');
        if (lowered[1]) LowerPairs(letters.begin(), letters.end(), 'D');
        editString->assign(letters.begin(), letters.end());
    }
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
    return ScoreFromCosts(LongBitCostMatrix(a, b), a, b, maxScore, editString);
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
namespace {

// The characters a and b share, counted with repetition in 64 classes by their low bits; the
// counts never exceed a's length, which Count must hold.
template <typename Count>
std::size_t SharedCharacters(std::u16string_view a, std::u16string_view b) noexcept {
    std::array<Count, 64> left{};
    for (const char16_t ch : a) ++left[ch & 63];
    std::size_t shared = 0;
    for (const char16_t ch : b) {
        Count& n = left[ch & 63];
        const bool there = n != 0;
        n = static_cast<Count>(n - there);
        shared += there;
    }
    return shared;
}

}  // namespace

std::uint8_t AlignmentScoreBound(std::u16string_view a, std::u16string_view b,
                                 std::uint8_t maxScore) noexcept {
    const std::size_t la = a.size();
    if (la == 0 || b.empty()) return maxScore;
    // Byte counts for the usual short texts: less to clear.
    const std::size_t shared =
        la <= 255 ? SharedCharacters<std::uint8_t>(a, b) : SharedCharacters<std::uint32_t>(a, b);
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
