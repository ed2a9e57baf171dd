#pragma once

// printf-style formatting of the program's fixed messages, checked by the compiler: a pattern
// with fields must be a constant, each of its conversions must suit the argument in its place
// (%d %i %u %x %X %o %c an integer, %f %e %g a floating-point number, %s a C string or a
// std::string) and the number of arguments must match, or the call does not compile.
//
// A message without fields is taken as it stands (a '%' in it is no conversion).

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace orq {
namespace format_detail {

enum class TArgKind { Integer, Floating, Text };

template <typename T> consteval TArgKind KindOfArg() {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_integral_v<U>)
        return TArgKind::Integer;
    else if constexpr (std::is_floating_point_v<U>)
        return TArgKind::Floating;
    else
        return TArgKind::Text;
}

template <typename T>
concept FormatArgument =
    std::is_arithmetic_v<std::remove_cvref_t<T>> || std::is_same_v < std::decay_t<T>,
const char* > || std::is_same_v<std::decay_t<T>, char*> ||
    std::is_same_v<std::remove_cvref_t<T>, std::string>;

// Not constexpr: reaching it while a pattern is checked stops the compilation there, and the
// compiler names this function in its message.
void PatternDoesNotMatchTheArguments();

// One conversion of a pattern: where it starts and ends (one past the conversion letter), the
// letter, and whether the pattern ended instead.
struct TConversion {
    std::size_t Begin = 0;
    std::size_t End = 0;
    char Letter = 0;
};

// The next conversion at or after `from`, skipping "%%"; Letter is 0 when there is none. A
// conversion is '%', flags (-+ #0), digits, an optional '.' with digits, and its letter;
// length modifiers are not written (the argument's own type decides).
constexpr TConversion NextConversion(std::string_view pattern, std::size_t from) {
    for (std::size_t i = from; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        while (k < pattern.size() &&
               std::string_view("-+ #0").find(pattern[k]) != std::string_view::npos)
            ++k;
        while (k < pattern.size() && pattern[k] >= '0' && pattern[k] <= '9')
            ++k;
        if (k < pattern.size() && pattern[k] == '.') {
            ++k;
            while (k < pattern.size() && pattern[k] >= '0' && pattern[k] <= '9')
                ++k;
        }
        if (k >= pattern.size()) return {i, k, '?'};
        return {i, k + 1, pattern[k]};
    }
    return {pattern.size(), pattern.size(), 0};
}

constexpr bool LetterTakes(char letter, TArgKind kind) {
    switch (letter) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'c':
        return kind == TArgKind::Integer;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
        return kind == TArgKind::Floating;
    case 's':
        return kind == TArgKind::Text;
    default:
        return false;
    }
}

// Appends one conversion of one argument to `out`.
void AppendInteger(std::string& out, std::string_view spec, char letter, long long value);
void AppendUnsigned(std::string& out, std::string_view spec, char letter, unsigned long long value);
void AppendFloating(std::string& out, std::string_view spec, char letter, double value);
void AppendText(std::string& out, std::string_view spec, std::string_view value);

template <typename T>
void AppendArgument(std::string& out, std::string_view spec, char letter, const T& value) {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_integral_v<U>) {
        if (letter == 'd' || letter == 'i' || letter == 'c') {
            AppendInteger(out, spec, letter, static_cast<long long>(value));
        } else if constexpr (std::is_signed_v<U>) {
            // %u and %x of a signed value show its bits at its own width, as printf does.
            AppendUnsigned(
                out, spec, letter,
                static_cast<unsigned long long>(static_cast<std::make_unsigned_t<U>>(value)));
        } else {
            AppendUnsigned(out, spec, letter, static_cast<unsigned long long>(value));
        }
    } else if constexpr (std::is_floating_point_v<U>) {
        AppendFloating(out, spec, letter, static_cast<double>(value));
    } else if constexpr (std::is_same_v<U, std::string> || std::is_array_v<U>) {
        AppendText(out, spec, value);
    } else {
        AppendText(out, spec, value ? std::string_view(value) : std::string_view("(null)"));
    }
}

} // namespace format_detail

// A pattern checked against the types of the arguments that come with it.
template <typename... Args> class TFormatPattern {
public:
    template <typename S>
    requires std::is_convertible_v<const S&, const char*>
    consteval TFormatPattern(const S& pattern) : text_(pattern) {
        using namespace format_detail;
        constexpr TArgKind kinds[] = {KindOfArg<Args>()...};
        const std::string_view view(text_);
        std::size_t at = 0;
        for (TArgKind kind : kinds) {
            const TConversion conversion = NextConversion(view, at);
            if (conversion.Letter == 0 || !LetterTakes(conversion.Letter, kind))
                PatternDoesNotMatchTheArguments();
            at = conversion.End;
        }
        if (NextConversion(view, at).Letter != 0) PatternDoesNotMatchTheArguments();
    }

    const char* Text() const { return text_; }

private:
    const char* text_;
};

// A message without fields, as it stands.
inline std::string Format(std::string_view message) {
    return std::string(message);
}

template <format_detail::FormatArgument... Args>
requires(sizeof...(Args) > 0) std::string
    Format(TFormatPattern<std::type_identity_t<Args>...> pattern, const Args&... args) {
    using namespace format_detail;
    const std::string_view view(pattern.Text());
    std::string out;
    std::size_t at = 0;
    auto one = [&](const auto& value) {
        const TConversion conversion = NextConversion(view, at);
        for (std::size_t i = at; i < conversion.Begin; ++i) {
            out += view[i];
            if (view[i] == '%') ++i; // "%%" is one percent sign
        }
        AppendArgument(out, view.substr(conversion.Begin, conversion.End - conversion.Begin - 1),
                       conversion.Letter, value);
        at = conversion.End;
    };
    (one(args), ...);
    for (std::size_t i = at; i < view.size(); ++i) {
        out += view[i];
        if (view[i] == '%' && i + 1 < view.size() && view[i + 1] == '%') ++i;
    }
    return out;
}

} // namespace orq
