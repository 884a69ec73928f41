// UTF-8 and UTF-16 conversions with strict validation of the UTF-8 side.
#include "quarrymink/unicode.h"

#include <cstdint>

namespace quarrymink {

bool AppendUtf8(std::u16string& out, std::string_view utf8) {
    bool wellFormed = true;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        // Runs of ASCII, the usual text, are widened in one go.
        const auto* run = p;
        while (run < end && *run < 0x80) ++run;
        if (run != p) {
            out.append(p, run);
            p = run;
            continue;
        }
        const unsigned char lead = *p;
        int extra = 0;
        std::uint32_t cp = 0, min = 0;
        if ((lead & 0xE0) == 0xC0)
            extra = 1, cp = lead & 0x1Fu, min = 0x80;
        else if ((lead & 0xF0) == 0xE0)
            extra = 2, cp = lead & 0x0Fu, min = 0x800;
        else if ((lead & 0xF8) == 0xF0)
            extra = 3, cp = lead & 0x07u, min = 0x10000;
        bool ok = extra > 0 && end - p > extra;
        for (int i = 1; ok && i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i] & 0x3Fu);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            wellFormed = false;
            ++p;
            continue;
        }
        p += extra + 1;
        if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
    }
    return wellFormed;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    if (!AppendUtf8(out, utf8)) return std::nullopt;
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string Widen(std::string_view latin1) {
    std::u16string out(latin1.size(), u'\0');
    for (std::size_t i = 0; i < latin1.size(); ++i) out[i] = static_cast<unsigned char>(latin1[i]);
    return out;
}

}  // namespace quarrymink
