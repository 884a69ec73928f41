// The SQL functions that the PostgreSQL and SQLite extensions share, on UTF-8 text.
//
// Every function returns nullptr on success, or a one-line message for the caller to raise
// as the database's error. None throws: a database engine must not see a C++ exception.
// Results go into a caller's variable; the functions keep scratch buffers per thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarrymink::extension {

/// Texts longer than this (in UTF-16 units) are refused by the alignments, whose time and
/// memory grow with the product of the two lengths. Key codes are far shorter.
inline constexpr std::size_t kMaxAlignedLength = 4096;

/// MakeCode of text with the Compare mode (0 to 3) and the longest key wanted (0: no cut).
const char* Code(std::string_view text, std::int64_t compare, std::int64_t maxLength,
                 std::string& key) noexcept;
const char* Soundex(std::string_view text, std::string& digits) noexcept;
/// AlignmentScore of a (the search side) against b, scaled to maxScore (0 to 255).
const char* Align(std::string_view a, std::string_view b, std::int64_t maxScore, int& score) noexcept;
/// CandidateScore; spaces is the number of blanks in the normalised search text.
const char* Score(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                  std::int64_t spaces, int& score) noexcept;
/// Whether a candidate is accepted: its score above KeyLengthGrade(searchKey). Cheaper than
/// Score, since pairings that cannot reach the threshold are not aligned; an accepted row's
/// Score asked for right after costs nothing more.
const char* Accepts(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                    std::int64_t spaces, bool& accepted) noexcept;
/// The score of an accepted candidate that is above floor; -1 for a candidate that is not
/// accepted or whose score is at most floor (neither is then told apart, nor aligned whole).
const char* AcceptedAbove(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                          std::int64_t spaces, int floor, int& score) noexcept;
/// KeyLengthGrade: a row is accepted when its score is above it.
const char* Threshold(std::string_view searchKey, int& threshold) noexcept;
/// The version and class characters of the search key, which every candidate key begins
/// with; when forLike, as a LIKE pattern prefix (each %, _ and backslash escaped with a
/// backslash). found is false when the key has no first-sound part: its search finds nothing.
const char* ClassPrefix(std::string_view searchKey, bool forLike, std::string& prefix, bool& found) noexcept;
/// The final cut over the ranked scores, best first; missing places count as 0, places
/// beyond the ranked buffer's 21 are ignored.
int FinalCut(const std::int32_t* scores, std::size_t count) noexcept;

}  // namespace quarrymink::extension
