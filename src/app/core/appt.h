#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orq {

// One data row of the processing list (columns after the loader's layout edits). Texts are
// UTF-8; the fixed-capacity fields hold at most the number of characters noted beside them.
struct TAppt {
    std::string Rsid;          // column 1, text[4]: station id, upper-cased
    std::string Rctr;          // column 2 without the station prefix and the " *Term*" tail
    std::string Name;          // column 3
    std::string Phone;         // column 4, text[12]
    std::string Comp;          // column 5, text[1]: "A" active (RA), "R" reserve (AR)
    std::string PS;            // column 7, text[1]
    std::string Sex;           // column 8, text[1]
    std::string Ed;            // column 9, text[3]: education code
    std::string AppType;       // column 6, text[1]
    std::string LeadSrc;       // column 10
    std::string ApptMade;      // column 11, date-time text
    std::string ApptSch;       // column 12, date-time text (ApptMade when the cell is empty)
    std::string ApptCond;      // column 13, date-time text, empty when not conducted
    std::uint8_t EST = 0;      // column 14
    std::string TestDate;      // column 15
    std::uint8_t QT = 0;       // column 16
    std::string PhyDate;       // column 17
    std::string PULHES;        // column 18
    std::string Col19;         // column 19
    std::string Col20;         // column 20
    std::string NxtAction;     // column 21
    std::string NxtActionDate; // column 22, date-time text
    std::string Col23;         // column 23
    std::string Dispo;         // column 24
    std::string ApprovedMake;  // column 25
    std::string ApprovedCond;  // column 26
    std::string Col27;         // column 27
    bool Terminated = false;   // the recruiter cell carried "*Term*"
};

// The applicant table: one TAppt per data row, in sheet order.
using TApptTable = std::vector<TAppt>;

} // namespace orq
