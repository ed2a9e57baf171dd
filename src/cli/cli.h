#pragma once

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The frame of orq-cli: every command lives in a file of its own and registers itself with a
// static Registration; main.cpp parses the words, checks them against the command's options and
// runs it. Commands print only what the program's own functions compute.
namespace orq::cli {

enum ExitCode { kOk = 0, kFailure = 1, kUsage = 2 };

// A usage error: unknown option, missing file, a station or recruiter not in the list. main
// prints the message and exits with 2.
struct UsageError {
    std::string message;
};

struct OptionSpec {
    std::string name;    // without the leading "--"
    bool takesValue;     // "--name VALUE" or a bare flag
};

struct Invocation {
    std::string command;
    std::vector<std::string> positional;       // in order, e.g. TYPE FILE
    std::map<std::string, std::string> values; // options with a value
    std::vector<std::string> flags;            // bare flags, in order

    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    bool Json() const { return Has("json"); }
};

struct Command {
    std::string name;
    std::string synopsis;                 // one usage line, shown by --help
    std::vector<std::string> positionals; // names of the positional words, all required
    std::vector<OptionSpec> options;      // besides the common --today, --settings, --json
    std::function<int(const Invocation&, std::ostream& out, std::ostream& err)> run;
};

struct Registration {
    explicit Registration(Command command);
};

const std::vector<Command>& Commands();

// Runs orq-cli with the given words (argv without the program name); used by main and tests.
int Main(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// A small JSON writer: strings escaped as JSON requires (UTF-8 passed through).
std::string JsonString(const std::string& text);
std::string JsonNumber(double value);

} // namespace orq::cli
