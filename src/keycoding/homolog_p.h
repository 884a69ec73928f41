// The homolog rule table: how the first sound of a word is coded, by the first of the
// shipped rules whose pattern the word begins with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarrymink {

/// One initial-sound rule of the homolog table.
struct HomologRule {
    std::u16string cls;       ///< class character written at the head of the key (at most 1)
    std::u16string pattern;   ///< lower-case letters the word must begin with (at most 5)
    std::u16string sounds;    ///< alternative spellings of the first sound, "_"-separated (at most 12)
    std::uint8_t keep = 0;    ///< trailing pattern characters left at the front of the rest
    std::uint8_t length = 0;  ///< pattern characters compared; 0 marks an empty entry
};

/// What InitialSound finds at the start of a lower-cased word. The views point into
/// the rule table and the word; they live as long as both.
struct InitialSoundResult {
    std::u16string_view cls;
    std::u16string_view sounds;
    std::u16string_view rest;
};

/// The rule table: 401 entries, filled from the numbered rule lines.
class HomologRules {
public:
    static constexpr std::size_t kCapacity = 401;
    static constexpr int kFirstLine = 301;

    /// Fills the table from rule lines 301, 302, ... up to the line "*".
    /// Throws std::out_of_range for a missing line or more than kCapacity rules.
    void Load();
    bool Loaded() const noexcept { return entries_[0].length != 0; }

    /// Parses one line "class/pattern/sounds/ keep/ length".
    static HomologRule ParseLine(std::u16string_view line);

    InitialSoundResult InitialSound(std::u16string_view lowerText) const noexcept;

    const HomologRule& operator[](std::size_t i) const { return entries_.at(i); }
    /// Rules in force: those before the first entry whose length is 0.
    std::size_t Count() const noexcept { return active_; }

private:
    void BuildIndex();

    std::array<HomologRule, kCapacity> entries_{};
    std::size_t active_ = 0;
    // For each ASCII first letter, the rules that can match, in table order; rules
    // beginning with any other character are tried in order from otherStart_.
    std::array<std::vector<std::uint16_t>, 128> byFirst_{};
    std::vector<std::uint16_t> other_;
};

/// The shipped rules, loaded on first use and shared by every coder (they never change).
const HomologRules& ShippedHomologRules();

}  // namespace quarrymink
