#pragma once

#include <cstdint>

namespace orq {

// A colour as the program keeps it: a 24-bit value in blue-green-red order, red in the low
// byte and blue in the high byte (0xFFFFFF white, 0xCAFFFF pale yellow).
using TColor = std::uint32_t;

inline constexpr TColor kWhite = 0xFFFFFF;
inline constexpr TColor kBlack = 0x000000;
inline constexpr TColor kPaleYellow = 0xCAFFFF;
inline constexpr TColor kLavender = 0xF5ADB2;
inline constexpr TColor kMaroon = 0x000080;
inline constexpr TColor kBlue = 0xFF0000;

} // namespace orq
