#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
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

// Memory of the applicant table. A full list takes tens of megabytes; a block that large is
// asked for in huge pages where the system offers them, which makes building the table
// cheaper. Smaller blocks come from the ordinary allocator.
void* AllocateTableMemory(std::size_t bytes);
void FreeTableMemory(void* block, std::size_t bytes) noexcept;

template <typename T> struct TTableAllocator {
    using value_type = T;
    TTableAllocator() = default;
    template <typename U> TTableAllocator(const TTableAllocator<U>&) noexcept {}
    T* allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateTableMemory(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept {
        FreeTableMemory(block, count * sizeof(T));
    }
    friend bool operator==(const TTableAllocator&, const TTableAllocator&) { return true; }
};

// The applicant table: one TAppt per data row, in sheet order.
using TApptTable = std::vector<TAppt, TTableAllocator<TAppt>>;

} // namespace orq
