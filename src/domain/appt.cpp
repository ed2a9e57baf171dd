#include "domain/appt.h"

#include <cstdlib>
#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace orq {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a table is small enough for the ordinary allocator.
constexpr std::size_t kLargeTable = std::size_t{8} << 20;

} // namespace

void* AllocateTableMemory(std::size_t bytes) {
#if defined(__linux__)
    if (bytes >= kLargeTable) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (void* block = std::aligned_alloc(kHugePage, rounded)) {
            madvise(block, rounded, MADV_HUGEPAGE); // a hint: refused, the pages stay small
            return block;
        }
        throw std::bad_alloc();
    }
#endif
    return ::operator new(bytes);
}

void FreeTableMemory(void* block, std::size_t bytes) noexcept {
#if defined(__linux__)
    if (bytes >= kLargeTable) {
        std::free(block);
        return;
    }
#endif
    ::operator delete(block);
}

} // namespace orq
