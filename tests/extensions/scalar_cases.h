// The cases both database extensions are checked on: SQL expressions and what the library
// computes for them, and expressions that must fail with a given message.
#pragma once

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "quarrymink/keycoding.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"

namespace quarrymink::testing {

struct ScalarCase {
    std::string expression;  // for SELECT
    std::string expected;    // the value as text; "NULL" for NULL
};

inline std::string Quoted(const std::u16string& text) {
    std::string out = "'";
    for (const char ch : Utf16ToUtf8(text)) out += ch == '\'' ? std::string("''") : std::string(1, ch);
    return out + "'";
}

inline std::vector<ScalarCase> ScalarCases() {
    std::vector<ScalarCase> cases;
    const auto code = [](const std::u16string& text, int compare = 0, int maxLength = 0) {
        KeyCoder coder;
        coder.SetCompare(compare);
        coder.SetMaxKeyLength(maxLength);
        return coder.MakeCode(text);
    };
    for (const std::u16string text :
         {u"smith", u"Smyth", u"john smith", u"  Mary  Ann ", u"", u"o'brien", u"\u00c6r\u00f8sk\u00f8bing",
          u"tougher", u"\u4e2d\u6587 \U0001F600x"}) {
        const std::string q = Quoted(text);
        cases.push_back({"qm_code(" + q + ")", Utf16ToUtf8(code(text))});
        for (int compare = 1; compare <= 3; ++compare)
            cases.push_back(
                {"qm_code(" + q + ", " + std::to_string(compare) + ")", Utf16ToUtf8(code(text, compare))});
        cases.push_back({"qm_code(" + q + ", 0, 5)", Utf16ToUtf8(code(text, 0, 5))});
        cases.push_back({"qm_soundex(" + q + ")", Utf16ToUtf8(SimpleSoundex(text))});
        cases.push_back({"qm_threshold(qm_code(" + q + "))", std::to_string(KeyLengthGrade(code(text)))});
    }
    using Align = std::tuple<std::u16string, std::u16string, int>;
    for (const auto& [a, b, max] : {Align{u"smith", u"smyth", 100}, Align{u"mit", u"mite", 255},
                                    Align{u"abc", u"", 100}, Align{u"mite", u"mit", 0}})
        cases.push_back({"qm_align(" + Quoted(a) + ", " + Quoted(b) + ", " + std::to_string(max) + ")",
                         std::to_string(AlignmentScore(a, b, static_cast<std::uint8_t>(max)))});
    // Stored texts against search texts, in every Compare mode, with and without a blank (a
    // short last word, too short for a sound of its own, included).
    for (const std::u16string stored :
         {u"Smith", u"Smythe", u"john smith", u"Walker", u"mary ann jones", u"sam jo"})
        for (const std::u16string search : {u"smyth", u"jon smyth", u"Bennett", u"mary ann"})
            for (int compare = 0; compare <= 3; ++compare) {
                const auto spaces = static_cast<std::size_t>(std::count(search.begin(), search.end(), u' '));
                const std::string mode = std::to_string(compare);
                const std::string arguments = "(qm_code(" + Quoted(stored) + "), qm_code(" + Quoted(search) +
                                              ", " + mode + "), " + mode + ", " + std::to_string(spaces) +
                                              ")";
                const std::u16string searchKey = code(search, compare);
                const int score =
                    CandidateScore(code(stored), searchKey, static_cast<CompareMode>(compare), spaces);
                // Acceptance first: the score of the same row asked next must still be exact.
                cases.push_back({"CASE WHEN qm_accepts" + arguments + " THEN 1 ELSE 0 END",
                                 score > KeyLengthGrade(searchKey) ? "1" : "0"});
                cases.push_back({"qm_score" + arguments, std::to_string(score)});
            }
    cases.push_back({"qm_score(qm_code('smith'), qm_code('smyth'))",
                     std::to_string(CandidateScore(code(u"smith"), code(u"smyth")))});
    for (const char* nullCall : {"qm_code(NULL)", "qm_code('x', NULL)", "qm_soundex(NULL)",
                                 "qm_align('a', NULL, 1)", "qm_score(NULL, 'x')", "qm_accepts('x', NULL)",
                                 "qm_threshold(NULL)", "qm_class_prefix(qm_code(''))"})
        cases.push_back({nullCall, "NULL"});
    return cases;
}

/// Expressions that fail, with a piece of their message.
inline std::vector<ScalarCase> FailingCases() {
    return {
        {"qm_code('x', 7)", "qm_code: compare must be 0"},
        {"qm_code('x', 0, -1)", "qm_code: max_length must be"},
        {"qm_align('a', 'b', 256)", "qm_align: max_score must be 0 to 255"},
        {"qm_score(qm_code('smith'), qm_code('smith'), 0, -1)", "qm_score: spaces must not be negative"},
        {"qm_score(qm_code(''), qm_code('smith'))", "qm_score: the stored key has no first-sound part"},
        {"qm_score(qm_code('smith'), qm_code(''))", "qm_score: the search key has no first-sound part"},
        {"qm_accepts(qm_code('smith'), qm_code('smith'), 4)", "qm_accepts: compare must be 0"},
        {"qm_accepts(qm_code(''), qm_code('smith'))", "qm_accepts: the stored key has no first-sound part"},
    };
}

}  // namespace quarrymink::testing
