// Key coding: turns a text into the phonetic key code that a table's key field stores,
// and offers the pieces the search compares (Soundex digits, alignment score, key parts).
//
// A key code reads: the version character, the class character, the first-sound
// alternatives separated by "_", ":", the Soundex digits, ":", the respelled tail; every
// ASCII letter after the version character passed through the letter substitution.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quarrymink/export.h"

namespace quarrymink {

/// Which words of a text are coded and compared (the control's qmCompare values).
enum CompareMode : std::int32_t {
    CompareAll = 0,
    CompareFirstWord = 1,
    CompareLastWord = 2,
    CompareAuto = 3,
};

/// Turns texts into key codes. Not thread-safe: use one coder per thread (it reuses its
/// buffers between calls).
class QUARRYMINK_EXPORT KeyCoder {
public:
    KeyCoder();
    KeyCoder(const KeyCoder& other);
    KeyCoder& operator=(const KeyCoder& other);
    KeyCoder(KeyCoder&&) noexcept;
    KeyCoder& operator=(KeyCoder&&) noexcept;
    ~KeyCoder();

    /// The key code of text; never fails.
    std::u16string MakeCode(std::u16string_view text);

    /// Which words are coded: 1 the first, 2 the last, anything else the whole text.
    std::int32_t Compare() const noexcept { return compare_; }
    void SetCompare(std::int32_t compare) noexcept { compare_ = compare; }

    /// The longest key wanted; keys are never cut inside their head. 0 means no cut.
    std::int32_t MaxKeyLength() const noexcept { return maxKeyLength_; }
    void SetMaxKeyLength(std::int32_t length) noexcept { maxKeyLength_ = length; }

    /// The one-character version prefix; empty until the first key (or LoadKeyVersion).
    const std::u16string& KeyVersion() const noexcept { return keyVersion_; }
    void SetKeyVersion(std::u16string version) { keyVersion_ = std::move(version); }
    /// Sets KeyVersion from the library's version entry.
    void LoadKeyVersion();

private:
    struct Buffers;  // the working texts of one key, kept from call to call

    std::unique_ptr<Buffers> buffers_;
    std::u16string keyVersion_;
    std::int32_t compare_ = CompareAll;
    std::int32_t maxKeyLength_ = 0;
};

/// The library's own version character (code 2 in this release).
QUARRYMINK_EXPORT char16_t LibraryKeyVersion();

/// Soundex-like digits 1-6 of the ASCII letters of a text; may be empty.
QUARRYMINK_EXPORT std::u16string SimpleSoundex(std::u16string_view text);
/// The same digits written into out (cleared first).
QUARRYMINK_EXPORT void SimpleSoundexInto(std::u16string_view text, std::u16string& out);

/// Each ASCII letter (either case) replaced by its substitute; other characters unchanged.
QUARRYMINK_EXPORT std::u16string EncryptString(std::u16string_view text);
QUARRYMINK_EXPORT void EncryptInPlace(std::u16string& text) noexcept;
/// The substitute of a lower-case letter code (97 to 122).
QUARRYMINK_EXPORT std::uint8_t SubstituteLetter(std::uint8_t code);

/// Similarity of two short texts, 0 to maxScore; a is the search side. When editString
/// is given it receives the alignment as letters M, S, I, D (and ii, dd after penalties).
QUARRYMINK_EXPORT std::uint8_t AlignmentScore(std::u16string_view a, std::u16string_view b,
                                              std::uint8_t maxScore, std::u16string* editString = nullptr);

/// An upper bound of AlignmentScore(a, b, maxScore), never below it, from the lengths of the
/// texts and the characters they share; it costs one pass over each text.
QUARRYMINK_EXPORT std::uint8_t AlignmentScoreBound(std::u16string_view a, std::u16string_view b,
                                                   std::uint8_t maxScore) noexcept;

/// Acceptance threshold by the length of the part after the key's last ":": 60 to 100.
QUARRYMINK_EXPORT std::uint8_t KeyLengthGrade(std::u16string_view key) noexcept;

/// A key split for scoring: the first-sound alternatives, and for each alternative the
/// alternative followed by the digits and by the tail.
struct KeySounds {
    std::vector<std::u16string> sounds;
    std::vector<std::array<std::u16string, 2>> pairs;
    /// Number of alternatives less one; -1 when the key has no sounds part.
    int Count() const noexcept { return static_cast<int>(sounds.size()) - 1; }
};
QUARRYMINK_EXPORT KeySounds SplitKeySounds(std::u16string_view key);
/// The same split into an existing object, reusing its buffers.
QUARRYMINK_EXPORT void SplitKeySoundsInto(std::u16string_view key, KeySounds& out);

}  // namespace quarrymink
