#pragma once

// An appointment's fields as the history stores a version of it: one blob of the 27 columns in
// sheet order, then the terminated flag. A text is its length in bytes (7 bits a byte, the low
// bits first, every byte but the last with its high bit set) followed by its bytes; EST and QT
// are one byte each; the terminated flag is the last byte (0 or 1).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "domain/state.h"

namespace orq::history {

inline constexpr int kPackedFieldCount = 27;

// Appends the packed fields of `appt` to `out`.
void PackFields(const TAppt& appt, std::string& out);

// The fields of packed bytes, as views into them: Text[i] is the i-th column (0-based, in sheet
// order; empty for EST and QT, which are in Est and Qt).
struct TFieldViews {
    std::array<std::string_view, kPackedFieldCount> Text{};
    std::uint8_t Est = 0;
    std::uint8_t Qt = 0;
    bool Terminated = false;
};

// Reads packed bytes; false when they are not one whole, well-formed set of fields.
bool ReadFields(std::string_view packed, TFieldViews& fields);
// The same into an appointment's fields (all 27 and the terminated flag).
bool UnpackFields(std::string_view packed, TAppt& appt);

// The 0-based columns of the fields the history reads back.
inline constexpr int kFieldRsid = 0;
inline constexpr int kFieldRctr = 1;
inline constexpr int kFieldName = 2;
inline constexpr int kFieldApptMade = 10;
inline constexpr int kFieldComp = 4;
inline constexpr int kFieldPS = 6;
inline constexpr int kFieldEd = 8;
inline constexpr int kFieldApptSch = 11;
inline constexpr int kFieldApptCond = 12;
inline constexpr int kFieldNxtAction = 20;
inline constexpr int kFieldNxtActionDate = 21;
inline constexpr int kFieldApprovedCond = 25;

} // namespace orq::history
