// The homolog rule table: how the first sound of a word is coded.
#include <stdexcept>

#include "homolog_p.h"
#include "quarrymink/keycoding.h"
#include "resources_p.h"

namespace quarrymink {
namespace {

std::u16string_view NextField(std::u16string_view& line) {
    const std::size_t slash = line.find(u'/');
    std::u16string_view field = line.substr(0, slash);
    line = slash == std::u16string_view::npos ? std::u16string_view() : line.substr(slash + 1);
    return field;
}

// A number read the way a decimal number is read from text: leading blanks skipped,
// reading stops at the first character that is not a digit. Kept as a byte.
std::uint8_t ReadByte(std::u16string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == u' ') ++i;
    unsigned value = 0;
    for (; i < field.size() && field[i] >= u'0' && field[i] <= u'9'; ++i)
        value = (value * 10 + (field[i] - u'0')) & 0xFFFF;
    return static_cast<std::uint8_t>(value);
}

std::u16string_view TrimTrailingBlanks(std::u16string_view text) {
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return text;
}

}  // namespace

HomologRule HomologRules::ParseLine(std::u16string_view line) {
    HomologRule rule;
    rule.cls = NextField(line).substr(0, 1);
    rule.pattern = NextField(line).substr(0, 5);
    rule.sounds = NextField(line).substr(0, 12);
    rule.keep = ReadByte(NextField(line));
    rule.length = ReadByte(NextField(line));
    return rule;
}

void HomologRules::Load() {
    for (int id = kFirstLine;; ++id) {
        const std::u16string_view line = StringResource(id);
        if (line == u"*") break;
        const std::size_t index = static_cast<std::size_t>(id - kFirstLine);
        if (index >= kCapacity) throw std::out_of_range("the homolog rule list holds more than 401 rules");
        entries_[index] = ParseLine(line);
    }
    BuildIndex();
}

void HomologRules::BuildIndex() {
    active_ = 0;
    while (active_ < kCapacity && entries_[active_].length != 0) ++active_;
    for (auto& list : byFirst_) list.clear();
    other_.clear();
    for (std::size_t i = 0; i < active_; ++i) {
        const std::u16string& pattern = entries_[i].pattern;
        if (pattern.empty()) continue;  // compares against nothing: never matches
        if (pattern[0] < 128)
            byFirst_[pattern[0]].push_back(static_cast<std::uint16_t>(i));
        else
            other_.push_back(static_cast<std::uint16_t>(i));
    }
}

InitialSoundResult HomologRules::InitialSound(std::u16string_view text) const noexcept {
    if (text.empty()) return {};
    // Only rules whose pattern starts with the word's first character can match; the
    // candidates are kept in table order, so the first match is still the table's first.
    const std::vector<std::uint16_t>& candidates = text[0] < 128 ? byFirst_[text[0]] : other_;
    for (const std::uint16_t index : candidates) {
        const HomologRule& rule = entries_[index];
        const std::size_t length = rule.length;
        if (text.size() < length || rule.pattern.size() < length) continue;
        if (text.compare(0, length, rule.pattern, 0, length) != 0) continue;
        const std::size_t consumed = length > rule.keep ? length - rule.keep : 0;
        return {rule.cls, TrimTrailingBlanks(rule.sounds), text.substr(std::min(consumed, text.size()))};
    }
    return {text.substr(0, 1), text.substr(0, 1), text.substr(1)};
}

const HomologRules& ShippedHomologRules() {
    static const HomologRules rules = [] {
        HomologRules loaded;
        loaded.Load();
        return loaded;
    }();
    return rules;
}

}  // namespace quarrymink
