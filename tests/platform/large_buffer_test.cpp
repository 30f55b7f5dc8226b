#include "platform/LargeBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

[[maybe_unused]] bool HugePageAligned(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % (std::uintptr_t(2) << 20) == 0; }

}  // namespace

TEST(LargeBuffer, BlocksOfEverySizeHoldWhatIsWrittenUpToTheirLastByte)
{
    for (const std::size_t bytes : {std::size_t(0), std::size_t(1), std::size_t(4095), platform::kLargeBlockBytes - 1,
                                    platform::kLargeBlockBytes, platform::kLargeBlockBytes + 3,
                                    std::size_t(15'000'000)}) {
        platform::LargeArray<std::uint8_t> block = platform::MakeLargeArray<std::uint8_t>(bytes);
        ASSERT_TRUE(block) << bytes;
        if (bytes == 0)
            continue;
        std::memset(block.get(), 0xA5, bytes);
        block[bytes - 1] = 7;
        EXPECT_EQ(block[bytes / 2], bytes == 1 ? 7 : 0xA5) << bytes;
        EXPECT_EQ(block[bytes - 1], 7) << bytes;
    }
}

TEST(LargeBuffer, LargeBlocksStartOnAHugePageUnlessTheSanitizerKeepsThemOnTheHeap)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "blocks stay heap blocks under the sanitizer";
#else
    const auto block = platform::MakeLargeArray<std::uint16_t>(platform::kLargeBlockBytes);
    ASSERT_TRUE(block);
    EXPECT_TRUE(HugePageAligned(block.get()));
#endif
}

TEST(LargeBuffer, ImpossibleSizesGiveNothingOrThrow)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer aborts on impossible allocation sizes";
#endif
    EXPECT_FALSE(platform::MakeLargeArray<std::uint32_t>(std::size_t(-1) / 2));
    EXPECT_FALSE(platform::MakeLargeArray<std::uint8_t>(std::size_t(-1) - 10));
    std::vector<std::uint8_t, platform::DefaultInitAllocator<std::uint8_t>> bytes;
    EXPECT_THROW(bytes.resize(std::size_t(-1) / 4), std::bad_alloc);
}

TEST(LargeBuffer, DefaultInitVectorKeepsValuesAcrossGrowthAndFillsWhenAsked)
{
    std::vector<std::uint16_t, platform::DefaultInitAllocator<std::uint16_t>> values;
    values.assign(10, 3);
    values.resize(platform::kLargeBlockBytes);  // reallocates into a mapped block
    for (std::size_t i = 0; i < 10; ++i)
        ASSERT_EQ(values[i], 3);
    values.resize(20);
    values.resize(30, 9);
    EXPECT_EQ(values[29], 9);
    values.assign(platform::kLargeBlockBytes, 0);
    EXPECT_EQ(values[platform::kLargeBlockBytes - 1], 0);
    std::vector<std::uint16_t, platform::DefaultInitAllocator<std::uint16_t>> copy = values;
    EXPECT_EQ(copy, values);
}
