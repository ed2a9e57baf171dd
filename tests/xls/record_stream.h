#pragma once

// Splits a written record stream into its records, for the writer's byte-level tests.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "xls/byte_reader.h"

namespace orq::xls::testing {

struct TStreamRecord {
    std::uint16_t id;
    std::vector<std::uint8_t> data;
    std::size_t at; // stream position of the header
};

// Every record up to the end of the stream or the first record id 0.
inline std::vector<TStreamRecord> SplitRecords(const std::vector<std::uint8_t>& stream) {
    std::vector<TStreamRecord> out;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        const std::uint16_t id = ReadU16LE(stream, at);
        const std::uint16_t size = ReadU16LE(stream, at + 2);
        if (id == 0 || at + 4 + size > stream.size()) break;
        out.push_back(
            {id,
             std::vector<std::uint8_t>(stream.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                       stream.begin() + static_cast<std::ptrdiff_t>(at + 4 + size)),
             at});
        at += 4 + std::size_t{size};
    }
    return out;
}

} // namespace orq::xls::testing
