// Huge-page blocks: aligned, usable to their full size, and refused rather than wrapped around
// when the size cannot be rounded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "base/memory.h"

namespace orq {
namespace {

TEST(HugePageBlock, IsAlignedAndHoldsItsSize) {
    for (std::size_t bytes :
         {std::size_t{0}, std::size_t{1}, kHugePageSize, 3 * kHugePageSize + 5}) {
        void* block = AllocateHugePageBlock(bytes);
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHugePageSize, 0u) << bytes;
        std::memset(block, 0xA5, bytes); // every byte is the block's: the sanitizers would tell
        AdviseHugePages(block, bytes);
        FreeHugePageBlock(block);
    }
    FreeHugePageBlock(nullptr);
}

TEST(HugePageBlock, ASizeThatCannotBeRoundedIsRefused) {
    EXPECT_EQ(AllocateHugePageBlock(SIZE_MAX), nullptr);
    EXPECT_EQ(AllocateHugePageBlock(SIZE_MAX - kHugePageSize + 2), nullptr);
}

} // namespace
} // namespace orq
