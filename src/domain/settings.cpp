#include "domain/settings.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace orq {
namespace {

constexpr std::uint8_t kDefaultMinEst = 31;
constexpr std::size_t kNumberChars = 32;

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A whole decimal number with an optional sign; false when the token is not one or does not fit
// in 32 bits.
bool ParseWholeNumber(const std::string& token, long long& value) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-'))
        negative = token[pos++] == '-';
    if (pos >= token.size()) return false;
    value = 0;
    for (; pos < token.size(); ++pos) {
        if (token[pos] < '0' || token[pos] > '9') return false;
        value = value * 10 + (token[pos] - '0');
        if (value > 2147483648LL) return false;
    }
    if (negative) value = -value;
    return value <= 2147483647LL;
}

} // namespace

void ReadSettings(const std::string& path, TOrqState& state) {
    state.MinEST = kDefaultMinEst;
    state.FirstRun = false;
    state.ReserveList.clear();

    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        state.FirstRun = true;
        return;
    }
    std::FILE* file = S_ISDIR(info.st_mode) ? nullptr : std::fopen(path.c_str(), "rb");
    if (!file) {
        // A settings file that cannot be opened counts as none.
        state.FirstRun = true;
        return;
    }
    std::string content;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        content.append(buffer, got);
    std::fclose(file);

    // The minimum EST: the first word after blanks and line ends, as a whole number.
    std::size_t pos = 0;
    while (pos < content.size() &&
           (content[pos] == ' ' || content[pos] == '\t' || IsLineEnd(content[pos])))
        ++pos;
    std::string token;
    while (pos < content.size() && token.size() < kNumberChars &&
           static_cast<unsigned char>(content[pos]) > ' ')
        token += content[pos++];
    long long value = 0;
    if (token.empty()) {
        state.MinEST = 0; // the end of the file reads as 0
    } else if (ParseWholeNumber(token, value)) {
        state.MinEST = static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFF);
    } // else: a first line that is not a number keeps the default
    // The rest of that line goes.
    while (pos < content.size() && !IsLineEnd(content[pos]))
        ++pos;
    auto skipLineEnd = [&] {
        if (pos < content.size() && content[pos] == '\r') ++pos;
        if (pos < content.size() && content[pos] == '\n') ++pos;
    };
    skipLineEnd();

    // Every further line is one reserve recruiter, empty lines included.
    while (pos < content.size()) {
        std::size_t end = pos;
        while (end < content.size() && !IsLineEnd(content[end]))
            ++end;
        state.ReserveList.push_back(content.substr(pos, end - pos));
        pos = end;
        skipLineEnd();
    }
}

bool WriteSettings(const std::string& path, const std::string& estText,
                   const std::vector<std::string>& checkedNames, TOrqState& state) {
    std::string content = estText + "\r\n";
    for (const std::string& name : checkedNames) {
        state.ReserveList.push_back(name);
        content += name + "\r\n";
    }
    // Written beside the file and renamed into place: a failed write keeps the earlier file.
    std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
        file.flush();
        if (!file) {
            file.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string EstButtonCaption(std::uint8_t minEst) {
    return std::to_string(static_cast<unsigned>(minEst)) + "+ &EST/QT";
}

} // namespace orq
