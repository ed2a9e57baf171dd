#include "history/packed_fields.h"

namespace orq::history {
namespace {

// The 27 columns in sheet order; EST and QT are numbers.
struct TColumn {
    std::string TAppt::*Text;
    std::uint8_t TAppt::*Number;
};
constexpr TColumn kColumns[] = {
    {&TAppt::Rsid, nullptr},         {&TAppt::Rctr, nullptr},
    {&TAppt::Name, nullptr},         {&TAppt::Phone, nullptr},
    {&TAppt::Comp, nullptr},         {&TAppt::AppType, nullptr},
    {&TAppt::PS, nullptr},           {&TAppt::Sex, nullptr},
    {&TAppt::Ed, nullptr},           {&TAppt::LeadSrc, nullptr},
    {&TAppt::ApptMade, nullptr},     {&TAppt::ApptSch, nullptr},
    {&TAppt::ApptCond, nullptr},     {nullptr, &TAppt::EST},
    {&TAppt::TestDate, nullptr},     {nullptr, &TAppt::QT},
    {&TAppt::PhyDate, nullptr},      {&TAppt::PULHES, nullptr},
    {&TAppt::Col19, nullptr},        {&TAppt::Col20, nullptr},
    {&TAppt::NxtAction, nullptr},    {&TAppt::NxtActionDate, nullptr},
    {&TAppt::Col23, nullptr},        {&TAppt::Dispo, nullptr},
    {&TAppt::ApprovedMake, nullptr}, {&TAppt::ApprovedCond, nullptr},
    {&TAppt::Col27, nullptr},
};
static_assert(std::size(kColumns) == kPackedFieldCount);
static_assert(kColumns[kFieldRsid].Text == &TAppt::Rsid &&
              kColumns[kFieldName].Text == &TAppt::Name &&
              kColumns[kFieldApptMade].Text == &TAppt::ApptMade);
static_assert(kColumns[kFieldRctr].Text == &TAppt::Rctr &&
              kColumns[kFieldComp].Text == &TAppt::Comp && kColumns[kFieldPS].Text == &TAppt::PS &&
              kColumns[kFieldEd].Text == &TAppt::Ed &&
              kColumns[kFieldApptSch].Text == &TAppt::ApptSch &&
              kColumns[kFieldApptCond].Text == &TAppt::ApptCond &&
              kColumns[kFieldNxtAction].Text == &TAppt::NxtAction &&
              kColumns[kFieldNxtActionDate].Text == &TAppt::NxtActionDate &&
              kColumns[kFieldApprovedCond].Text == &TAppt::ApprovedCond);
constexpr int kFieldEst = 13;
constexpr int kFieldQt = 15;
static_assert(kColumns[kFieldEst].Number == &TAppt::EST && kColumns[kFieldQt].Number == &TAppt::QT);

} // namespace

void PackFields(const TAppt& appt, std::string& out) {
    for (const TColumn& column : kColumns) {
        if (!column.Text) {
            out.push_back(static_cast<char>(appt.*column.Number));
            continue;
        }
        const std::string& text = appt.*column.Text;
        std::size_t length = text.size();
        for (; length >= 0x80; length >>= 7)
            out.push_back(static_cast<char>(0x80 | (length & 0x7F)));
        out.push_back(static_cast<char>(length));
        out.append(text);
    }
    out.push_back(appt.Terminated ? 1 : 0);
}

bool ReadFields(std::string_view packed, TFieldViews& fields) {
    std::size_t at = 0;
    const std::size_t size = packed.size();
    for (int i = 0; i < kPackedFieldCount; ++i) {
        if (i == kFieldEst || i == kFieldQt) {
            if (at >= size) return false;
            (i == kFieldEst ? fields.Est : fields.Qt) = static_cast<std::uint8_t>(packed[at++]);
            fields.Text[static_cast<std::size_t>(i)] = {};
            continue;
        }
        std::size_t length = 0;
        for (int shift = 0;; shift += 7) {
            if (at >= size || shift > 28) return false;
            const auto byte = static_cast<unsigned char>(packed[at++]);
            length |= static_cast<std::size_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) break;
        }
        if (length > size - at) return false;
        fields.Text[static_cast<std::size_t>(i)] = packed.substr(at, length);
        at += length;
    }
    if (at + 1 != size || static_cast<unsigned char>(packed[at]) > 1) return false;
    fields.Terminated = packed[at] == 1;
    return true;
}

bool UnpackFields(std::string_view packed, TAppt& appt) {
    TFieldViews fields;
    if (!ReadFields(packed, fields)) return false;
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        const TColumn& column = kColumns[i];
        if (column.Text)
            appt.*column.Text = fields.Text[i];
        else
            appt.*column.Number = i == kFieldEst ? fields.Est : fields.Qt;
    }
    appt.Terminated = fields.Terminated;
    return true;
}

} // namespace orq::history
