// MakeCode: a text turned into its key code (head from the homolog rules, Soundex digits
// of the rest, and the rest respelled by a fixed sequence of rewriting passes).
#include <algorithm>

#include "homolog_p.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/unicode.h"
#include "resources_p.h"
#include "textutil.h"

namespace quarrymink {
namespace {

constexpr std::u16string_view kConsonants = u"bcdfghjklmnpqrstvwxyz";
constexpr std::u16string_view kConsonantsButL = u"bcdfghjkmnpqrstvwxyz";
constexpr std::u16string_view kConsonantsAndE = u"bcdfghjklmnpqrstvwxyze";
constexpr int kVersionEntry = 180;

bool CharInSet(std::u16string_view text, std::size_t position, std::u16string_view set) {
    // position counts from 1; 0 and positions past the end are in no set.
    return position >= 1 && position <= text.size() &&
           set.find(text[position - 1]) != std::u16string_view::npos;
}

// Replaces pattern when the text ends with it and the character before it is in the
// predecessor set (or the set is empty).
void ReplaceAtEnd(std::u16string& text, std::u16string_view pattern, std::u16string_view replacement,
                  std::u16string_view predecessors) {
    const std::size_t n = text.size(), l = pattern.size();
    if (n < l || std::u16string_view(text).substr(n - l) != pattern) return;
    if (!predecessors.empty() && !CharInSet(text, n - l, predecessors)) return;
    text.replace(n - l, l, replacement);
}

// Replaces every accepted occurrence. When both sets are given only the predecessor
// decides (except at the first position), and after a replacement the search resumes
// from the same start.
void ReplaceAnywhere(std::u16string& text, std::u16string_view pattern, std::u16string_view replacement,
                     std::u16string_view followers, std::u16string_view predecessors) {
    const std::size_t l = pattern.size();
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = text.find(pattern.data(), start, l);
        if (p == std::u16string::npos) return;
        bool accepted = true;
        if (!followers.empty()) accepted = CharInSet(text, p + l + 1, followers);
        if (!predecessors.empty() && p > 0) accepted = CharInSet(text, p, predecessors);
        if (accepted)
            text.replace(p, l, replacement);
        else
            start = p + l;
    }
}

// Every occurrence of find replaced in one left-to-right, non-overlapping pass.
void ReplaceAll(std::u16string& text, std::u16string_view find, std::u16string_view replacement,
                std::u16string& scratch) {
    std::size_t at = text.find(find.data(), 0, find.size());
    if (at == std::u16string::npos) return;
    if (find.size() == replacement.size()) {
        for (; at != std::u16string::npos; at = text.find(find.data(), at + find.size(), find.size()))
            std::copy(replacement.begin(), replacement.end(), text.begin() + static_cast<std::ptrdiff_t>(at));
        return;
    }
    scratch.clear();
    std::size_t from = 0;
    for (; at != std::u16string::npos; at = text.find(find.data(), from, find.size())) {
        scratch.append(text, from, at - from);
        scratch.append(replacement);
        from = at + find.size();
    }
    scratch.append(text, from);
    text.swap(scratch);
}

struct Pair {
    std::u16string_view find, replacement;
};

// The replacement lists of the two pair passes, already split at "," and trimmed.
// Pairs whose find and replacement agree (er, k) change nothing and are left out.
constexpr Pair kRespellPairs[] = {
    {u"ght", u"t"}, {u"sch", u"s"}, {u"sh", u"s"},  {u"ugh", u""}, {u"ir", u"er"}, {u"ur", u"er"},
    {u"ph", u"f"},  {u"qu", u"kw"}, {u"cw", u"kw"}, {u"cc", u"k"}, {u"ck", u"k"},  {u"ew", u"u"},
};
constexpr Pair kVowelPairs[] = {
    {u"aw", u"or"}, {u"ou", u"o"}, {u"au", u"o"}, {u"ow", u"o"}, {u"y", u"i"},  {u"gu", u"g"},
    {u"x", u"ks"},  {u"ai", u"a"}, {u"ay", u"a"}, {u"ei", u"i"}, {u"ey", u"i"}, {u"dg", u"dj"},
};

struct EndingPass {
    std::u16string_view patterns[7];
    std::u16string_view replacement;
    std::u16string_view predecessors;
};

constexpr EndingPass kEndingPasses[] = {
    {{u"ea", u"ey", u"ie", u"ee"}, u"i", {}},
    {{u"ae", u"ai", u"eay"}, u"ay", {}},
    {{u"eaux", u"eau", u"aud", u"aux", u"ow", u"au", u"oe"}, u"o", {}},
    {{u"ieux", u"ieu", u"oux"}, u"u", {}},
    {{u"ort"}, u"or", {}},
    {{u"oi"}, u"oy", {}},
    {{u"le"}, u"el", kConsonantsButL},
    {{u"re"}, u"er", kConsonants},
    {{u"omb", u"ombe"}, u"om", {}},
};

struct ContextPass {
    std::u16string_view pattern, replacement;
    bool atEnd;
    std::u16string_view followers, predecessors;
};

constexpr ContextPass kContextPasses[] = {
    {u"ugh", u"f", false, u"mnl", u"oa"},
    {u"ugh", u"f", true, {}, u"oa"},
    {u"ugh", u"ew", false, {}, kConsonantsAndE},
    {u"igh", u"i", true, {}, kConsonants},
    {u"igh", u"i", false, u"t", kConsonants},
    {u"ear", u"er", false, u"mnl", {}},
    {u"dt", u"t", true, {}, {}},
    {u"c", u"k", false, u"auo", {}},
};

// The silent-e rule: ate gives ait, one gives oan, une gives ewn.
void ApplyFinalE(std::u16string& text) {
    const std::size_t n = text.size();
    if (n < 3 || text[n - 1] != u'e' || kConsonants.find(text[n - 2]) == std::u16string_view::npos) return;
    std::u16string_view lead;
    switch (text[n - 3]) {
        case u'a':
            lead = u"ai";
            break;
        case u'o':
            lead = u"oa";
            break;
        case u'u':
            lead = u"ew";
            break;
        default:
            return;
    }
    const char16_t consonant = text[n - 2];
    text.resize(n - 3);
    text.append(lead);
    text.push_back(consonant);
}

}  // namespace

char16_t LibraryKeyVersion() {
    // The entry starts with the version number; blanks before it are skipped and the
    // reading stops at the first character that is neither a digit nor a blank.
    unsigned value = 0;
    for (const char16_t ch : StringResource(kVersionEntry)) {
        if (ch == u' ') continue;
        if (ch < u'0' || ch > u'9') break;
        value = (value * 10 + (ch - u'0')) & 0xFFFF;
    }
    return static_cast<char16_t>(value);
}

void KeyCoder::LoadKeyVersion() {
    keyVersion_.assign(1, LibraryKeyVersion());
}

struct KeyCoder::Buffers {
    std::u16string lower, rest, digits, work;
};

KeyCoder::KeyCoder() : buffers_(std::make_unique<Buffers>()) {}
KeyCoder::KeyCoder(const KeyCoder& other)
    : buffers_(std::make_unique<Buffers>()),
      keyVersion_(other.keyVersion_),
      compare_(other.compare_),
      maxKeyLength_(other.maxKeyLength_) {}
KeyCoder& KeyCoder::operator=(const KeyCoder& other) {
    keyVersion_ = other.keyVersion_;
    compare_ = other.compare_;
    maxKeyLength_ = other.maxKeyLength_;
    return *this;
}
KeyCoder::KeyCoder(KeyCoder&&) noexcept = default;
KeyCoder& KeyCoder::operator=(KeyCoder&&) noexcept = default;
KeyCoder::~KeyCoder() = default;

namespace {

void RespellTail(std::u16string& rest, std::u16string& work) {
    ApplyFinalE(rest);
    for (const EndingPass& pass : kEndingPasses)
        for (const std::u16string_view pattern : pass.patterns)
            if (!pattern.empty()) ReplaceAtEnd(rest, pattern, pass.replacement, pass.predecessors);
    for (const ContextPass& pass : kContextPasses) {
        if (pass.atEnd)
            ReplaceAtEnd(rest, pass.pattern, pass.replacement, pass.predecessors);
        else
            ReplaceAnywhere(rest, pass.pattern, pass.replacement, pass.followers, pass.predecessors);
    }
    for (const Pair& pair : kRespellPairs) ReplaceAll(rest, pair.find, pair.replacement, work);
    CollapseDoublesInto(rest, work);
    rest.swap(work);
    std::erase(rest, u'h');
    for (const Pair& pair : kVowelPairs) ReplaceAll(rest, pair.find, pair.replacement, work);
}

}  // namespace

std::u16string KeyCoder::MakeCode(std::u16string_view text) {
    if (keyVersion_.empty()) LoadKeyVersion();
    if (!buffers_) buffers_ = std::make_unique<Buffers>();  // a coder moved from is usable again
    std::u16string &lower = buffers_->lower, &rest = buffers_->rest, &digits = buffers_->digits;

    lower.resize(text.size());
    std::transform(text.begin(), text.end(), lower.begin(), SimpleLower);
    std::u16string_view word = lower;
    if (compare_ == CompareFirstWord)
        word = BeforeFirst(word, u" ");
    else if (compare_ == CompareLastWord)
        word = AfterLast(word, u" ");

    const InitialSoundResult head = ShippedHomologRules().InitialSound(word);
    SimpleSoundexInto(head.rest, digits);
    rest.assign(head.rest);
    std::erase(rest, u'\'');
    RespellTail(rest, buffers_->work);

    std::u16string key;
    key.reserve(keyVersion_.size() + head.cls.size() + head.sounds.size() + digits.size() + rest.size() + 2);
    key.append(head.cls).append(head.sounds).append(1, u':').append(digits).append(1, u':').append(rest);
    EncryptInPlace(key);
    key.insert(0, keyVersion_);

    const std::size_t headLength = head.sounds.size() + 3;
    if (maxKeyLength_ > 0 && static_cast<std::size_t>(maxKeyLength_) > headLength &&
        key.size() > static_cast<std::size_t>(maxKeyLength_))
        key.resize(static_cast<std::size_t>(maxKeyLength_));
    return key;
}

}  // namespace quarrymink
