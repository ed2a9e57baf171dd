#include "domain/appt.h"

#include <new>

#include "base/memory.h"

namespace orq {
namespace {

// Below this a table is small enough for the ordinary allocator.
constexpr std::size_t kLargeTable = std::size_t{8} << 20;

} // namespace

void* AllocateTableMemory(std::size_t bytes) {
    if (bytes >= kLargeTable) {
        if (void* block = AllocateHugePageBlock(bytes)) return block;
        throw std::bad_alloc();
    }
    return ::operator new(bytes);
}

void FreeTableMemory(void* block, std::size_t bytes) noexcept {
    if (bytes >= kLargeTable)
        FreeHugePageBlock(block);
    else
        ::operator delete(block);
}

} // namespace orq
