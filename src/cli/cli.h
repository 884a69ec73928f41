// Shared pieces of the command-line tool: argument reading, usage errors, UTF-8 output.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quarrymink::cli {

/// A wrong command line: reported on one line of standard error, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// A failure of the work itself (database, configuration): exit status 1.
struct RunError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

/// The arguments of one command, consumed from the front.
class Arguments {
public:
    Arguments(int argc, char** argv, int first);
    bool Empty() const { return next_ >= args_.size(); }
    std::string_view Peek() const { return args_[next_]; }
    std::string_view Take() { return args_[next_++]; }
    /// The value that follows an option; a usage error when there is none.
    std::string_view TakeValue(std::string_view option);
    std::vector<std::string_view> Rest();

private:
    std::vector<std::string_view> args_;
    std::size_t next_ = 0;
};

/// A whole number in [min, max]; a usage error naming the option otherwise.
std::int64_t ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::string_view what);

/// UTF-8 command-line text to 16-bit text; a usage error for invalid UTF-8.
std::u16string FromUtf8(std::string_view text, std::string_view what);

/// True for --help or -h.
bool IsHelp(std::string_view arg);

int RunCode(Arguments& args);
int RunSoundex(Arguments& args);
int RunAlign(Arguments& args);
int RunSearch(Arguments& args);
int RunRecode(Arguments& args);
int RunMakeDb(Arguments& args);

}  // namespace quarrymink::cli
