#include "platform/PixelBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

using platform::PixelBuffer;
using platform::PixelView;

[[maybe_unused]] bool HugePageAligned(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p) % (std::uintptr_t(2) << 20) == 0;
}

}  // namespace

TEST(PixelBuffer, BuffersOfEverySizeHoldWhatIsWrittenUpToTheirLastByte)
{
    for (const std::size_t bytes : {std::size_t(1), std::size_t(4095), platform::kLargeBlockBytes - 1,
                                    platform::kLargeBlockBytes, platform::kLargeBlockBytes + 3,
                                    std::size_t(15'000'000)}) {
        PixelBuffer buffer = PixelBuffer::Allocate(bytes);
        ASSERT_EQ(buffer.size(), bytes);
        std::memset(buffer.data(), 0xA5, bytes);
        buffer[bytes - 1] = 7;
        EXPECT_EQ(buffer[bytes / 2], bytes == 1 ? 7 : 0xA5) << bytes;
        EXPECT_EQ(buffer[bytes - 1], 7) << bytes;
    }
    EXPECT_TRUE(PixelBuffer::Allocate(0).empty());
    EXPECT_FALSE(PixelBuffer::Allocate(0));
}

TEST(PixelBuffer, LargeBuffersStartOnAHugePageUnlessTheSanitizerKeepsThemOnTheHeap)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "blocks stay heap blocks under the sanitizer";
#else
    const PixelBuffer buffer = PixelBuffer::Allocate(platform::kLargeBlockBytes);
    ASSERT_TRUE(buffer);
    EXPECT_TRUE(HugePageAligned(buffer.data()));
#endif
}

TEST(PixelBuffer, ImpossibleSizesGiveAnEmptyBufferInsteadOfThrowing)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer aborts on impossible allocation sizes";
#endif
    EXPECT_TRUE(PixelBuffer::Allocate(std::size_t(-1) / 2).empty());
    EXPECT_TRUE(PixelBuffer::Zeroed(std::size_t(-1) - 10).empty());
    PixelBuffer kept = PixelBuffer::Filled(3, 9);
    EXPECT_FALSE(kept.Resize(std::size_t(-1) / 2));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[2], 9);
}

TEST(PixelBuffer, FilledZeroedAndCopiedBuffersHoldExactlyTheirValues)
{
    const PixelBuffer filled = PixelBuffer::Filled(platform::kLargeBlockBytes + 1, 0xFF);
    const PixelBuffer zeroed = PixelBuffer::Zeroed(5000);
    const std::uint8_t source[] = {1, 2, 3, 250};
    const PixelBuffer copy = PixelBuffer::CopyOf(source, sizeof source);
    ASSERT_EQ(filled.size(), platform::kLargeBlockBytes + 1);
    EXPECT_EQ(filled[0], 0xFF);
    EXPECT_EQ(filled[platform::kLargeBlockBytes], 0xFF);
    ASSERT_EQ(zeroed.size(), 5000u);
    for (const std::uint8_t byte : zeroed)
        ASSERT_EQ(byte, 0);
    ASSERT_EQ(copy.size(), 4u);
    EXPECT_EQ(0, std::memcmp(copy.data(), source, sizeof source));
}

TEST(PixelBuffer, ResizeKeepsTheLeadingBytesAndReusesTheBlockItWasAllocatedWith)
{
    PixelBuffer buffer = PixelBuffer::Filled(100, 4);
    const std::uint8_t* block = buffer.data();
    ASSERT_TRUE(buffer.Resize(10));
    EXPECT_EQ(buffer.size(), 10u);
    ASSERT_TRUE(buffer.Resize(100));  // back within the allocated size: same block, same bytes
    EXPECT_EQ(buffer.data(), block);
    EXPECT_EQ(buffer[99], 4);
    ASSERT_TRUE(buffer.Resize(platform::kLargeBlockBytes));  // beyond it: a new block, bytes kept
    EXPECT_EQ(buffer.size(), platform::kLargeBlockBytes);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[99], 4);
}

TEST(PixelBuffer, MovingHandsTheBlockOverAndLeavesTheSourceEmpty)
{
    PixelBuffer first = PixelBuffer::Filled(8, 1);
    const std::uint8_t* block = first.data();
    PixelBuffer second = std::move(first);
    EXPECT_TRUE(first.empty());  // NOLINT(bugprone-use-after-move): the moved-from state is the contract
    EXPECT_EQ(second.data(), block);
    EXPECT_EQ(second.size(), 8u);
    first = PixelBuffer::Filled(2, 5);
    second = std::move(first);
    EXPECT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1], 5);
    second.Free();
    EXPECT_TRUE(second.empty());
    EXPECT_EQ(second.data(), nullptr);
}

TEST(PixelView, GeometryOfPackedAndPaddedRows)
{
    const std::uint8_t bytes[64] = {};
    struct Case {
        PixelView view;
        std::size_t rowBytes, spanBytes;
        bool packed;
        std::ptrdiff_t row2Offset;
    };
    const Case cases[] = {
        {PixelView::Packed(bytes, 5, 3, 16, true), 10, 30, true, 20},
        {PixelView::Packed(bytes, 4, 2, 24), 12, 24, true, 24},
        {PixelView{bytes, 3, 3, 8, 8, false}, 3, 19, false, 16},
        {PixelView::Packed(bytes, 0, 3, 16), 0, 0, true, 0},
        {PixelView::Packed(bytes, 3, 0, 8), 3, 0, true, 6},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.view.RowBytes(), c.rowBytes) << c.view.width << " x " << c.view.height;
        EXPECT_EQ(c.view.SpanBytes(), c.spanBytes) << c.view.width << " x " << c.view.height;
        EXPECT_EQ(c.view.IsPacked(), c.packed) << c.view.width << " x " << c.view.height;
        EXPECT_EQ(c.view.Row(2) - bytes, c.row2Offset) << c.view.width << " x " << c.view.height;
    }
    EXPECT_TRUE(cases[0].view.isSigned);
    EXPECT_EQ(cases[0].view.BytesPerPixel(), 2u);
}
