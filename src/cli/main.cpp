// quarrymink: key codes, Soundex digits, alignment scores, searches and recodes from the shell.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli.h"
#include "quarrymink/unicode.h"
#include "quarrymink/version.h"

namespace quarrymink::cli {

Arguments::Arguments(int argc, char** argv, int first) {
    for (int i = first; i < argc; ++i) args_.emplace_back(argv[i]);
}

std::string_view Arguments::TakeValue(std::string_view option) {
    if (Empty()) throw UsageError(std::string(option) + " needs a value");
    return Take();
}

std::vector<std::string_view> Arguments::Rest() {
    std::vector<std::string_view> rest(args_.begin() + static_cast<std::ptrdiff_t>(next_), args_.end());
    next_ = args_.size();
    return rest;
}

std::int64_t ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::string_view what) {
    std::int64_t value = 0;
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) i = 1;
    if (i >= text.size())
        throw UsageError(std::string(what) + " must be a whole number, not '" + std::string(text) + "'");
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || value > 1'000'000'000'000)
            throw UsageError(std::string(what) + " must be a whole number, not '" + std::string(text) + "'");
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < min || value > max)
        throw UsageError(std::string(what) + " must lie between " + std::to_string(min) + " and " +
                         std::to_string(max));
    return value;
}

std::u16string FromUtf8(std::string_view text, std::string_view what) {
    auto converted = Utf8ToUtf16(text);
    if (!converted) throw UsageError(std::string(what) + " is not valid UTF-8");
    return std::move(*converted);
}

bool IsHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

namespace {

constexpr const char* kUsage =
    "usage: quarrymink COMMAND [OPTIONS] ARGS...\n"
    "\n"
    "Finds names and words by how they sound.\n"
    "\n"
    "commands:\n"
    "  code      print the key code of each text\n"
    "  soundex   print the Soundex digits of each text\n"
    "  align     print the alignment score of two texts and their edit string\n"
    "  search    search a table by sound and print the ranked matches\n"
    "  recode    rewrite every key code of a table\n"
    "  makedb    build a sample names database from a word list\n"
    "\n"
    "Run 'quarrymink COMMAND --help' for the options of a command, 'quarrymink --version'\n"
    "for the version.\n";

// A message on one line: line breaks inside it become blanks.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

// Output that did not reach its file is a failure, whatever the command did: the caller
// must not take a cut or empty output for a result.
int CheckOutput(std::string_view command, int status) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    const int error = errno;
    std::fprintf(stderr, "quarrymink %.*s: cannot write the output: %s\n", static_cast<int>(command.size()),
                 command.data(), error ? std::strerror(error) : "write error");
    return kExitFailure;
}

int Dispatch(std::string_view command, Arguments& args) {
    if (command == "code") return RunCode(args);
    if (command == "soundex") return RunSoundex(args);
    if (command == "align") return RunAlign(args);
    if (command == "search") return RunSearch(args);
    if (command == "recode") return RunRecode(args);
    if (command == "makedb") return RunMakeDb(args);
    throw UsageError("unknown command '" + std::string(command) + "' (see quarrymink --help)");
}

}  // namespace
}  // namespace quarrymink::cli

int main(int argc, char** argv) {
    using namespace quarrymink::cli;
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        std::fputs("quarrymink: no command given (see quarrymink --help)\n", stderr);
        return kExitUsage;
    }
    const std::string_view command = argv[1];
    if (IsHelp(command)) {
        std::fputs(kUsage, stdout);
        return CheckOutput("--help", kExitOk);
    }
    if (command == "--version") {
        std::fputs("quarrymink " QUARRYMINK_VERSION "\n", stdout);
        return kExitOk;
    }
    try {
        Arguments args(argc, argv, 2);
        return CheckOutput(command, Dispatch(command, args));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quarrymink %s: %s\n", argv[1], OneLine(e.what()).c_str());
        return kExitUsage;
    } catch (const RunError& e) {
        std::fprintf(stderr, "%s\n", OneLine(e.what()).c_str());
        return kExitFailure;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quarrymink %s: %s\n", argv[1], OneLine(e.what()).c_str());
        return kExitFailure;
    }
}
