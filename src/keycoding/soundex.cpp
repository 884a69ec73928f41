// Simple Soundex: the Soundex digit of every ASCII letter, doubles collapsed, zeros dropped.
#include "quarrymink/keycoding.h"
#include "quarrymink/unicode.h"
#include "textutil.h"

namespace quarrymink {
namespace {

constexpr char kSoundexDigits[] = "01230120022455012623010202";

}  // namespace

void SimpleSoundexInto(std::u16string_view text, std::u16string& out) {
    // The codes go into out first; the collapse then writes back into out in place,
    // which is safe because it never writes ahead of what it reads.
    out.clear();
    for (char16_t ch : text) {
        const char16_t upper = SimpleUpper(ch);
        if (upper >= u'A' && upper <= u'Z')
            out.push_back(static_cast<char16_t>(kSoundexDigits[upper - u'A']));
    }
    if (out.empty()) return;
    // Writes land at or before the position being read, so only the predecessor can have
    // been overwritten: keep its original value aside.
    const std::size_t n = out.size();
    std::size_t written = 1;
    char16_t previous = out[0];
    for (std::size_t i = 1; i < n;) {
        const char16_t current = out[i];
        if (current != previous) {
            out[written++] = current;
            previous = current;
            i += 1;
        } else {
            if (i + 1 < n) {
                previous = out[i + 1];
                out[written++] = previous;
            }
            i += 2;
        }
    }
    out.resize(written);
    std::erase(out, u'0');
}

std::u16string SimpleSoundex(std::u16string_view text) {
    std::u16string out;
    SimpleSoundexInto(text, out);
    return out;
}

}  // namespace quarrymink
