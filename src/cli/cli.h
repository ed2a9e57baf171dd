#pragma once

#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The frame of orq-cli: every command lives in a file of its own and registers itself with a
// static Registration; main.cpp parses the words, checks them against the command's options and
// runs it. Commands print only what the program's own functions compute.
namespace orq::cli {

enum ExitCode { kOk = 0, kFailure = 1, kUsage = 2 };

// A usage error: unknown option, missing file, a station or recruiter not in the list. The frame
// prints the message and the command's usage and exits with 2.
struct UsageError {
    std::string message;
};

// A failure whose message is printed as it stands (the loader's and the report builder's own
// message boxes, "APL has no appointments"); exit 1.
struct Failure {
    std::string message;
};

// The one error frame of every command, Main's: what a failure thrown by a command prints on
// standard error. An orq::Error shows as the general error display shows it, a Failure as it
// stands, an allocation failure as "Out of memory.". Rethrows a UsageError.
std::string FailureMessage(const std::exception_ptr& failure);

struct OptionSpec {
    std::string name; // without the leading "--"
    bool takesValue;  // "--name VALUE" or a bare flag
};

struct Invocation {
    std::string command;
    std::vector<std::string> positional;       // in order, e.g. TYPE FILE
    std::map<std::string, std::string> values; // options with a value
    std::vector<std::string> flags;            // bare flags, in order

    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    bool Json() const { return Has("json"); }
    bool Csv() const { return Has("csv"); }
};

struct Command {
    std::string name;
    std::string synopsis;                 // one usage line, shown by --help
    std::vector<std::string> positionals; // names of the positional words, all required
    std::vector<OptionSpec> options;      // besides the common --today, --settings, --json
    std::function<int(const Invocation&, std::ostream& out, std::ostream& err)> run;
    bool csv = false; // takes --csv (which excludes --json)
};

struct Registration {
    explicit Registration(Command command);
};

const std::vector<Command>& Commands();

// Runs orq-cli with the given words (argv without the program name); used by main and tests.
// `out` is flushed before a failure's message is printed and at the end.
int Main(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The index of `given` among a selector's `items`; with `anyCase` a text that differs in letter
// case only is taken when it matches exactly one item. Not found: a usage error that names the
// choices (the first 20 and how many more), `what` naming the selector ("station").
int ChoiceIndex(const std::vector<std::string>& items, const std::string& given,
                const std::string& what, bool anyCase);

// The first 20 of `items` separated by commas, then how many more there are ("and 37 more").
std::string ChoiceList(const std::vector<std::string>& items);

// A text on one line of text output, safe for a terminal: tab, carriage return and line feed
// become one space each (the columns stay where they are), other control characters are shown
// escaped ("\x1b" for ESC, "\u009b" for the one-byte CSI).
std::string TerminalText(std::string_view text);
void AppendTerminalText(std::string& out, std::string_view text);
// TerminalText written at `out`, which has room for TerminalTextRoom(text.size()) bytes; returns
// the end of what was written.
char* PutTerminalText(char* out, std::string_view text);
constexpr std::size_t TerminalTextRoom(std::size_t size) {
    return 4 * size;
}

// Output built in a buffer and handed to the stream in blocks: a report of a large list is
// millions of small pieces, and a stream call for each would cost more than the report itself.
// A writer asks for room for a piece (a row), writes it at the pointer it gets and says where
// it ended; the buffer goes to the stream when the room asked for is not left, and at the end.
class TBlockWriter {
public:
    explicit TBlockWriter(std::ostream& out);
    ~TBlockWriter();
    TBlockWriter(const TBlockWriter&) = delete;
    TBlockWriter& operator=(const TBlockWriter&) = delete;

    // Where to write at most `bytes` bytes.
    char* Room(std::size_t bytes) {
        if (static_cast<std::size_t>(end_ - next_) < bytes) MakeRoom(bytes);
        return next_;
    }
    // The end of what was written at Room().
    void Wrote(char* end) { next_ = end; }
    void Put(std::string_view text) {
        char* out = Room(text.size());
        std::memcpy(out, text.data(), text.size());
        Wrote(out + text.size());
    }
    void Flush();

private:
    void MakeRoom(std::size_t bytes);

    static constexpr std::size_t kBlock = std::size_t{1} << 18;
    std::ostream& out_;
    std::vector<char> buffer_;
    char* next_;
    char* end_;
};

// A new object the command uses until the process ends: never destroyed, so that the end of a
// command on a large list does not free millions of strings one by one (the system takes the
// memory back at once). It stays reachable, so leak checkers do not count it.
template <typename T> T& KeptUntilExit() {
    static auto* kept = new std::vector<T*>;
    kept->push_back(new T());
    return *kept->back();
}

// A small JSON writer: strings escaped as JSON requires (UTF-8 passed through).
std::string JsonString(std::string_view text);
void AppendJsonString(std::string& out, std::string_view text);
// JsonString written at `out`, which has room for JsonStringRoom(text.size()) bytes; returns the
// end of what was written.
char* PutJsonString(char* out, std::string_view text);
constexpr std::size_t JsonStringRoom(std::size_t size) {
    return 6 * size + 2;
}
std::string JsonNumber(double value);

} // namespace orq::cli
