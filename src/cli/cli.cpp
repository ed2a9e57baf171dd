#include "cli/cli.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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
    out << "\ncommon options: --today YYYY-MM-DD, --settings PATH, --json\n";
}

Invocation Parse(const Command& command, const std::vector<std::string>& words) {
    Invocation invocation;
    invocation.command = command.name;
    auto find = [&](const std::string& name) -> const OptionSpec* {
        for (const auto* list : {&CommonOptions(), &command.options})
            for (const OptionSpec& option : *list)
                if (option.name == name) return &option;
        return nullptr;
    };
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
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
        } else {
            invocation.positional.push_back(word);
        }
    }
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

int Main(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintUsage(words.empty() ? err : out);
        return words.empty() ? kUsage : kOk;
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
        err << "orq-cli " << it->name << ": " << usage.message << "\n"
            << "usage: orq-cli " << it->synopsis << "\n";
        return kUsage;
    }
}

std::string JsonString(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
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
