#pragma once

// A zip archive held in memory, read through libzip with the limits a hostile file meets: at
// most kMaxEntries entries, none inflating to more than kMaxEntrySize or by more than
// kMaxRatio times its packed size; zip64 archives, encrypted entries, methods other than stored
// and deflate, and two entries of one name are refused.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace orq::xlsx {

// The failure of an archive or of the workbook in it: the file's name and the reason.
inline constexpr const char* kMsgWorkbookInvalid = "The file \"%s\" is invalid (%s)";

inline constexpr std::uint64_t kMaxEntries = 10000;
inline constexpr std::uint64_t kMaxEntrySize = std::uint64_t{512} << 20;
inline constexpr std::uint64_t kMaxRatio = 200;
// Entries smaller than this are not held to the ratio (a small, very regular part packs well).
inline constexpr std::uint64_t kRatioFloor = std::uint64_t{1} << 20;

class TZipArchive {
public:
    // Opens the archive over `bytes`, which must outlive it; `name` is the name the messages
    // show. Checks the entry count, the names and every entry's sizes and method up front.
    TZipArchive(std::span<const std::uint8_t> bytes, std::string name);
    ~TZipArchive();
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    bool Has(const std::string& entry) const;
    // The size the entry declares (checked against the limits), 0 for a missing entry.
    std::uint64_t Size(const std::string& entry) const;
    // Inflates the entry and hands its bytes to `sink` piece by piece; fails when the entry is
    // missing, damaged (its checksum) or inflates to more than it declares.
    void Read(const std::string& entry,
              const std::function<void(std::span<const std::uint8_t>)>& sink) const;

    [[noreturn]] void Invalid(const char* reason) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string name_;
};

} // namespace orq::xlsx
