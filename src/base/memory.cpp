#include "base/memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace orq {

void AdviseHugePages(const void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = kHugePageSize;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHuge - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void* AllocateHugePageBlock(std::size_t bytes) noexcept {
    if (bytes > SIZE_MAX - kHugePageSize) return nullptr;
    const std::size_t rounded = (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
    void* block = std::aligned_alloc(kHugePageSize, rounded == 0 ? kHugePageSize : rounded);
    if (block != nullptr) AdviseHugePages(block, rounded);
    return block;
}

void FreeHugePageBlock(void* block) noexcept {
    std::free(block);
}

} // namespace orq
