// The key coding commands: code, soundex, align.
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>

#include "cli.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/unicode.h"

namespace quarrymink::cli {
namespace {

constexpr const char* kCodeUsage =
    "usage: quarrymink code [--compare N] [--max-length N] TEXT...\n"
    "       quarrymink code [--compare N] [--max-length N] -\n"
    "\n"
    "Prints the key code of each TEXT on a line of its own (UTF-8; the version character\n"
    "is written as the raw character U+0002). With '-' the texts are read from standard\n"
    "input, one per line.\n"
    "\n"
    "  --compare N     0 whole text (default), 1 first word, 2 last word, 3 whole text\n"
    "  --max-length N  cut keys to N characters, never inside the key head (default 0: no cut)\n";

constexpr const char* kSoundexUsage =
    "usage: quarrymink soundex TEXT...\n"
    "       quarrymink soundex -\n"
    "\n"
    "Prints the Soundex digits of each TEXT on a line of its own (an empty line when the\n"
    "text has no consonant). With '-' the texts are read from standard input.\n";

constexpr const char* kAlignUsage =
    "usage: quarrymink align A B MAX\n"
    "\n"
    "Prints the alignment score of A (the search side) against B, scaled to MAX (0-255),\n"
    "then a blank and the edit string. A and B may hold at most 1000 characters each: the\n"
    "alignment keeps a table of both lengths, and key parts are far shorter.\n";

// The longest A or B of align: its table of steps then takes about a megabyte.
constexpr std::size_t kAlignMaxLength = 1000;

// Output collected in one buffer and written in large pieces.
class Output {
public:
    ~Output() { Flush(); }
    void Line(std::u16string_view text) {
        buffer_ += Utf16ToUtf8(text);
        buffer_ += '\n';
        if (buffer_.size() > (1 << 16)) Flush();
    }
    void Flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        buffer_.clear();
    }

private:
    std::string buffer_;
};

// Each text of the command line, or with '-' each line of standard input.
template <typename Each>
void ForEachText(const std::vector<std::string_view>& texts, Each&& each) {
    if (texts.size() == 1 && texts[0] == "-") {
        std::string line;
        std::size_t number = 0;
        while (std::getline(std::cin, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            each(FromUtf8(line, "input line " + std::to_string(number)));
        }
        return;
    }
    for (std::size_t i = 0; i < texts.size(); ++i) each(FromUtf8(texts[i], "TEXT " + std::to_string(i + 1)));
}

std::vector<std::string_view> RequireTexts(Arguments& args) {
    auto texts = args.Rest();
    if (texts.empty()) throw UsageError("no TEXT given (use '-' to read standard input)");
    return texts;
}

}  // namespace

int RunCode(Arguments& args) {
    KeyCoder coder;
    while (!args.Empty() && args.Peek().starts_with("-") && args.Peek() != "-") {
        const std::string_view option = args.Take();
        if (IsHelp(option)) {
            std::fputs(kCodeUsage, stdout);
            return kExitOk;
        }
        if (option == "--compare")
            coder.SetCompare(static_cast<std::int32_t>(
                ParseInteger(args.TakeValue(option), INT32_MIN, INT32_MAX, "--compare")));
        else if (option == "--max-length")
            coder.SetMaxKeyLength(static_cast<std::int32_t>(
                ParseInteger(args.TakeValue(option), INT32_MIN, INT32_MAX, "--max-length")));
        else if (option == "--")
            break;
        else
            throw UsageError("unknown option '" + std::string(option) + "'");
    }
    const auto texts = RequireTexts(args);
    Output out;
    ForEachText(texts, [&](const std::u16string& text) { out.Line(coder.MakeCode(text)); });
    return kExitOk;
}

int RunSoundex(Arguments& args) {
    if (!args.Empty() && IsHelp(args.Peek())) {
        std::fputs(kSoundexUsage, stdout);
        return kExitOk;
    }
    if (!args.Empty() && args.Peek() == "--") args.Take();
    const auto texts = RequireTexts(args);
    Output out;
    std::u16string digits;
    ForEachText(texts, [&](const std::u16string& text) {
        SimpleSoundexInto(text, digits);
        out.Line(digits);
    });
    return kExitOk;
}

int RunAlign(Arguments& args) {
    if (!args.Empty() && IsHelp(args.Peek())) {
        std::fputs(kAlignUsage, stdout);
        return kExitOk;
    }
    if (!args.Empty() && args.Peek() == "--") args.Take();
    const auto rest = args.Rest();
    if (rest.size() != 3) throw UsageError("takes exactly three arguments: A B MAX");
    const std::u16string a = FromUtf8(rest[0], "A"), b = FromUtf8(rest[1], "B");
    for (const auto& [text, name] : {std::pair{&a, "A"}, std::pair{&b, "B"}})
        if (text->size() > kAlignMaxLength)
            throw UsageError(std::string(name) + " is longer than " + std::to_string(kAlignMaxLength) +
                             " characters");
    const auto maxScore = static_cast<std::uint8_t>(ParseInteger(rest[2], 0, 255, "MAX"));
    std::u16string edit;
    const unsigned score = AlignmentScore(a, b, maxScore, &edit);
    Output out;
    out.Line(Widen(std::to_string(score) + " ") + edit);
    return kExitOk;
}

}  // namespace quarrymink::cli
