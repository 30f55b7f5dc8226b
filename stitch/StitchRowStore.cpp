#include "stitch/StitchRowStore.h"

#include "platform/LargeBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace stitchreg {

namespace {

// Where the layer keeps every block on the heap (under AddressSanitizer), every take is a
// block of its own too, so that an overrun of a row is caught.
constexpr bool kBlockPerTake = !platform::kLargeBlocksMapped;

constexpr std::size_t kBlockFloats = platform::kLargeBlockBytes / sizeof(float);
constexpr std::size_t kAlignFloats = 64 / sizeof(float);

std::size_t Aligned(std::size_t count) { return (count + kAlignFloats - 1) / kAlignFloats * kAlignFloats; }

}  // namespace

void RowArena::Release::operator()(float* block) const noexcept
{
    if (kBlockPerTake)
        std::free(block);
    else
        platform::FreeLargeBlock(block, bytes);
}

float* RowArena::Take(std::size_t count)
{
    count = std::max<std::size_t>(count, 1);
    if (kBlockPerTake) {
        void* block = nullptr;
        if (posix_memalign(&block, kAlignFloats * sizeof(float), count * sizeof(float)) != 0)
            throw std::bad_alloc();
        m_blocks.emplace_back(static_cast<float*>(block), Release{count * sizeof(float)});
        return m_blocks.back().get();
    }
    count = Aligned(count);
    if (count > m_left) {
        const std::size_t floats = std::max(kBlockFloats, count);
        void* block = platform::AllocateLargeBlock(floats * sizeof(float));
        if (block == nullptr)
            throw std::bad_alloc();
        m_blocks.emplace_back(static_cast<float*>(block), Release{floats * sizeof(float)});
        m_next = m_blocks.back().get();
        m_left = floats;
    }
    float* taken = m_next;
    m_next += count;
    m_left -= count;
    return taken;
}

void RowStore::Reset(int rows, int width, RowArena& arena)
{
    m_arena = &arena;
    m_width = static_cast<std::size_t>(std::max(width, 0));
    m_rows.assign(static_cast<std::size_t>(std::max(rows, 0)), nullptr);
}

float* RowStore::Make(int row)
{
    float*& made = m_rows[static_cast<std::size_t>(row)];
    if (made == nullptr)
        made = m_arena->Take(m_width);
    return made;
}

void RowRing::Reset(int slots, int width, RowArena& arena)
{
    m_width = static_cast<std::size_t>(std::max(width, 0));
    m_rows.assign(static_cast<std::size_t>(slots), -1);
    m_values = arena.Take(static_cast<std::size_t>(slots) * m_width);
}

float* RowRing::Find(int row)
{
    const std::size_t slot = static_cast<std::size_t>(row) % m_rows.size();
    return m_rows[slot] == row ? m_values + slot * m_width : nullptr;
}

float* RowRing::Claim(int row)
{
    const std::size_t slot = static_cast<std::size_t>(row) % m_rows.size();
    m_rows[slot] = row;
    return m_values + slot * m_width;
}

}  // namespace stitchreg
