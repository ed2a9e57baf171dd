#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace orq {

// A failure of the program: the exception carries the fixed English message that the general
// error display shows (and that orq-cli prints on standard error).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// printf-style formatting of a fixed message with its fields.
template <typename... Args> std::string Format(const char* pattern, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return std::string(pattern);
    } else {
        int size = std::snprintf(nullptr, 0, pattern, std::forward<Args>(args)...);
        if (size <= 0) return std::string(pattern);
        std::string out(static_cast<std::size_t>(size) + 1, '\0');
        std::snprintf(out.data(), out.size(), pattern, std::forward<Args>(args)...);
        out.resize(static_cast<std::size_t>(size));
        return out;
    }
}

template <typename... Args> [[noreturn]] void Fail(const char* pattern, Args&&... args) {
    throw Error(Format(pattern, std::forward<Args>(args)...));
}

[[noreturn]] inline void Fail(const std::string& message) {
    throw Error(message);
}

// The text the general error display shows for a failure: the message, followed by a full stop
// when its last character sorts after the full stop (a letter or a digit, for example).
inline std::string DisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

} // namespace orq
