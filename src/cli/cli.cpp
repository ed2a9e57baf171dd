#include "cli/cli.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/error.h"
#include "domain/loader.h"
#include "orq_config.h"

namespace orq::cli {
namespace {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

const std::vector<OptionSpec>& CommonOptions() {
    static const std::vector<OptionSpec> common = {
        {"today", true}, {"settings", true}, {"json", false}, {"help", false}};
    return common;
}

void PrintUsage(std::ostream& out) {
    out << "usage: orq-cli COMMAND [OPTIONS] FILE.xls\n\ncommands:\n";
    for (const Command& command : Registry())
        out << "  " << command.synopsis << "\n";
    out << "\ncommon options: --today YYYY-MM-DD, --settings PATH, --json\n"
           "orq-cli COMMAND --help shows a command's usage; orq-cli --version the version\n";
}

// The words after the command: "--name", "--name=VALUE" and "--name VALUE" are options, "-h"
// asks for help, "--" ends the options, "-" alone is a file name (standard input or output) and
// any other word that begins with "-" is an unknown option.
Invocation Parse(const Command& command, const std::vector<std::string>& words) {
    Invocation invocation;
    invocation.command = command.name;
    auto find = [&](const std::string& name) -> const OptionSpec* {
        if (name == "csv" && command.csv) {
            static const OptionSpec csv{"csv", false};
            return &csv;
        }
        for (const auto* list : {&CommonOptions(), &command.options})
            for (const OptionSpec& option : *list)
                if (option.name == name) return &option;
        return nullptr;
    };
    bool optionsEnded = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word == "-" || word.empty() || word[0] != '-') {
            invocation.positional.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "-h") {
            invocation.flags.emplace_back("help");
        } else if (word[1] != '-') {
            throw UsageError{"unknown option " + word};
        } else {
            std::string name = word.substr(2);
            std::optional<std::string> inlineValue;
            if (auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
            const OptionSpec* option = find(name);
            if (!option) throw UsageError{"unknown option --" + name};
            if (option->takesValue) {
                if (inlineValue) {
                    invocation.values[name] = *inlineValue;
                } else {
                    if (i + 1 >= words.size()) throw UsageError{"--" + name + " needs a value"};
                    invocation.values[name] = words[++i];
                }
            } else {
                if (inlineValue) throw UsageError{"--" + name + " takes no value"};
                invocation.flags.push_back(name);
            }
        }
    }
    // --help needs none of the command's words.
    if (invocation.Has("help")) return invocation;
    if (invocation.Json() && invocation.Csv())
        throw UsageError{"--json and --csv exclude each other"};
    // A last positional named "NAME..." takes every word left (one at least), "[NAME...]" any
    // number of them.
    std::size_t required = command.positionals.size();
    bool repeats = false;
    if (!command.positionals.empty()) {
        const std::string& last = command.positionals.back();
        const bool optional = last.size() > 2 && last.front() == '[' && last.back() == ']';
        const std::string name = optional ? last.substr(1, last.size() - 2) : last;
        repeats = name.size() > 3 && name.compare(name.size() - 3, 3, "...") == 0;
        if (repeats && optional) --required;
    }
    if (invocation.positional.size() < required)
        throw UsageError{"missing " + command.positionals[invocation.positional.size()]};
    if (!repeats && invocation.positional.size() > command.positionals.size())
        throw UsageError{"unexpected argument " +
                         invocation.positional[command.positionals.size()]};
    return invocation;
}

int Dispatch(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintUsage(words.empty() ? err : out);
        return words.empty() ? kUsage : kOk;
    }
    if (words[0] == "--version") {
        out << "orq-cli " << config::kVersion << "\n";
        return kOk;
    }
    const auto& commands = Registry();
    auto it = std::find_if(commands.begin(), commands.end(),
                           [&](const Command& c) { return c.name == words[0]; });
    if (it == commands.end()) {
        err << "orq-cli: unknown command '" << words[0] << "'\n";
        PrintUsage(err);
        return kUsage;
    }
    try {
        Invocation invocation = Parse(*it, words);
        if (invocation.Has("help")) {
            out << "usage: orq-cli " << it->synopsis << "\n";
            return kOk;
        }
        return it->run(invocation, out, err);
    } catch (const UsageError& usage) {
        out.flush();
        err << "orq-cli " << it->name << ": " << usage.message << "\n"
            << "usage: orq-cli " << it->synopsis << "\n";
        return kUsage;
    }
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool Invocation::Has(const std::string& name) const {
    return values.count(name) || std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<std::string> Invocation::Value(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

Registration::Registration(Command command) {
    Registry().push_back(std::move(command));
}

const std::vector<Command>& Commands() {
    return Registry();
}

std::string FailureMessage(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& stated) {
        return stated.message;
    } catch (const TLoadFailure& load) {
        return load.what(); // the loader's own message box: its text as it is
    } catch (const Error& error) {
        return DisplayText(error.what());
    } catch (const std::bad_alloc&) {
        return DisplayText(kMsgOutOfMemory);
    } catch (const std::exception& other) {
        return DisplayText(other.what());
    }
}

int Main(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    int status = kFailure;
    try {
        status = Dispatch(words, out, err);
    } catch (...) {
        std::string message;
        try {
            message = FailureMessage(std::current_exception());
        } catch (...) {
            message = "Unknown failure.";
        }
        out.flush();
        err << message << "\n";
        status = kFailure;
    }
    out.flush();
    return status;
}

int ChoiceIndex(const std::vector<std::string>& items, const std::string& given,
                const std::string& what, bool anyCase) {
    if (auto it = std::find(items.begin(), items.end(), given); it != items.end())
        return static_cast<int>(it - items.begin());
    if (anyCase) {
        int found = -1, matches = 0;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (SameIgnoringCase(items[i], given)) {
                found = static_cast<int>(i);
                ++matches;
            }
        if (matches == 1) return found;
    }
    throw UsageError{what + " " + given + " is not in the list; the choices are " +
                     ChoiceList(items)};
}

std::string ChoiceList(const std::vector<std::string>& items) {
    constexpr std::size_t kNamed = 20;
    std::string list;
    for (std::size_t i = 0; i < items.size() && i < kNamed; ++i)
        list += (i ? ", " : "") + items[i];
    if (items.size() > kNamed) list += " and " + std::to_string(items.size() - kNamed) + " more";
    return list;
}

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The two hexadecimal digits of a byte.
char* PutHex(char* out, unsigned char c) {
    *out++ = kHexDigits[c >> 4];
    *out++ = kHexDigits[c & 15];
    return out;
}

char* PutText(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// A text appended by a Put function, given the room that function needs.
template <typename Put>
void AppendPut(std::string& out, std::size_t room, std::string_view text, Put put) {
    const std::size_t size = out.size();
    out.resize(size + room);
    out.resize(static_cast<std::size_t>(put(out.data() + size, text) - out.data()));
}

} // namespace

char* PutTerminalText(char* out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7f && c != 0xc2) {
            *out++ = static_cast<char>(c);
        } else if (c == '\t' || c == '\r' || c == '\n') {
            *out++ = ' ';
        } else if (c < 0x20 || c == 0x7f) {
            out = PutHex(PutText(out, "\\x"), c);
        } else if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            // U+0080 to U+009F, which some terminals take as commands.
            out = PutHex(PutText(out, "\\u00"), static_cast<unsigned char>(text[++i]));
        } else {
            *out++ = static_cast<char>(c);
        }
    }
    return out;
}

void AppendTerminalText(std::string& out, std::string_view text) {
    AppendPut(out, TerminalTextRoom(text.size()), text, PutTerminalText);
}

std::string TerminalText(std::string_view text) {
    std::string out;
    AppendTerminalText(out, text);
    return out;
}

TBlockWriter::TBlockWriter(std::ostream& out)
    : out_(out), buffer_(kBlock), next_(buffer_.data()), end_(buffer_.data() + buffer_.size()) {}

TBlockWriter::~TBlockWriter() {
    Flush();
}

void TBlockWriter::Flush() {
    out_.write(buffer_.data(), next_ - buffer_.data());
    next_ = buffer_.data();
}

void TBlockWriter::MakeRoom(std::size_t bytes) {
    Flush();
    if (bytes > buffer_.size()) buffer_.resize(bytes);
    next_ = buffer_.data();
    end_ = buffer_.data() + buffer_.size();
}

char* PutJsonString(char* out, std::string_view text) {
    *out++ = '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c != '"' && c != '\\') {
            *out++ = ch;
            continue;
        }
        *out++ = '\\';
        switch (c) {
        case '"':
            *out++ = '"';
            break;
        case '\\':
            *out++ = '\\';
            break;
        case '\n':
            *out++ = 'n';
            break;
        case '\r':
            *out++ = 'r';
            break;
        case '\t':
            *out++ = 't';
            break;
        case '\b':
            *out++ = 'b';
            break;
        case '\f':
            *out++ = 'f';
            break;
        default:
            out = PutHex(PutText(out, "u00"), c);
        }
    }
    *out++ = '"';
    return out;
}

void AppendJsonString(std::string& out, std::string_view text) {
    AppendPut(out, JsonStringRoom(text.size()), text, PutJsonString);
}

std::string JsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    AppendJsonString(out, text);
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    // The shortest text that reads back as the same double.
    for (int precision = 1; precision <= 17; ++precision) {
        char candidate[32];
        std::snprintf(candidate, sizeof candidate, "%.*g", precision, value);
        if (std::strtod(candidate, nullptr) == value) return candidate;
    }
    return buffer;
}

} // namespace orq::cli
