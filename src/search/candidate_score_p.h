// The per-row scoring of a search, shared by the engine and by CandidateScore: a stored key
// cut for the Compare mode, split into views, and its best pairing with the search key.
// Nothing here allocates per row, and nothing depends on the database layer, so that the
// database extensions can link this unit with the key coding alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "quarrymink/keycoding.h"

namespace quarrymink::scoring {

/// A key split for scoring, as views into it: the "_"-separated first-sound alternatives,
/// the digits and the tail. Without its three ":"-separated parts every alternative, pair
/// and sound reads as an empty text, as SplitKeySounds makes them.
struct KeyParts {
    std::u16string_view sounds;  ///< the alternatives, "_"-separated
    std::u16string_view digits, tail;
    bool complete = false;  ///< the key has its three parts
    int count = -1;         ///< alternatives less one; -1 when there are none

    /// The first alternative as a sound (empty for an incomplete key).
    std::u16string_view FirstSound() const;
};

KeyParts SplitKeyParts(std::u16string_view key) noexcept;

/// The part of a stored key that Compare compares.
struct CutKey {
    std::u16string_view text;
    /// A word after the key's first (the last word of a key with blanks): it carries no key
    /// head of its own, so a short one has no first-sound part without being damaged.
    bool laterWord = false;
};

/// The cut of key for Compare; spaceCount is the number of blanks of the normalised search
/// text. An unknown mode compares the whole key.
CutKey CutForCompare(std::u16string_view key, std::int32_t compare, std::size_t spaceCount) noexcept;

/// The best pairing score of a cut stored key against a split search key (whose count is
/// at least 0); -1 for the excluded pair (b against w). A later word with no first-sound
/// part scores 0; any other cut with none throws std::invalid_argument (a damaged key).
int ScoreCutKey(const CutKey& cut, const KeyParts& search);

/// A score that is exact, or, when not, known only to be at most the floor it was asked
/// above (and then no more than that floor itself).
struct BoundedScore {
    int score;
    bool exact;
};

/// ScoreCutKey for a caller to whom scores up to floor are all alike: pairings whose bound
/// cannot pass the floor are not aligned. Exact whenever the score is above the floor.
BoundedScore ScoreCutKeyAbove(const CutKey& cut, const KeyParts& search, int floor);

}  // namespace quarrymink::scoring
