#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/format.h"

namespace orq {

// A failure of the program: the exception carries the fixed English message that the general
// error display shows (and that orq-cli prints on standard error).
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// What the windows and orq-cli show when an allocation fails.
inline constexpr const char* kMsgOutOfMemory = "Out of memory";

// Fails with a message that has no fields, as it stands.
[[noreturn]] inline void Fail(std::string_view message) {
    throw Error(std::string(message));
}

// Fails with a fixed message and its fields (see Format).
template <format_detail::FormatArgument... Args>
requires(sizeof...(Args) > 0)
    [[noreturn]] void Fail(TFormatPattern<std::type_identity_t<Args>...> pattern,
                           const Args&... args) {
    throw Error(Format(pattern, args...));
}

// The text the general error display shows for a failure: the message, followed by a full stop
// when its last character sorts after the full stop (a letter or a digit, for example).
inline std::string DisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

} // namespace orq
