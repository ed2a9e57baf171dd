#pragma once

// Huge pages for large buffers. A buffer of many megabytes that is filled once or read at random
// (a file's bytes, the string area, the cell block, the applicant table) costs far fewer page
// faults and TLB misses in 2 MB pages. Everything here is a hint: where the system offers no huge
// pages, the pages stay small and nothing else changes.

#include <cstddef>

namespace orq {

inline constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// Asks for huge pages behind the whole huge pages that lie inside [data, data + bytes).
void AdviseHugePages(const void* data, std::size_t bytes) noexcept;

// A block of at least `bytes` bytes, aligned to a huge page and rounded up to whole huge pages,
// with the hint given; nullptr when there is no memory for it. Its contents are undefined.
void* AllocateHugePageBlock(std::size_t bytes) noexcept;
// Frees a block of AllocateHugePageBlock (nullptr is allowed).
void FreeHugePageBlock(void* block) noexcept;

} // namespace orq
