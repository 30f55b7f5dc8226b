#include "platform/PixelBuffer.h"

#include <algorithm>
#include <cstring>

namespace platform {

PixelBuffer PixelBuffer::Allocate(std::size_t bytes) noexcept
{
    PixelBuffer buffer;
    if (bytes == 0)
        return buffer;
    auto* block = static_cast<std::uint8_t*>(AllocateLargeBlock(bytes));
    if (!block)
        return buffer;
    buffer.m_block = std::unique_ptr<std::uint8_t[], Deleter>(block, Deleter(bytes));
    buffer.m_size = bytes;
    buffer.m_capacity = bytes;
    return buffer;
}

PixelBuffer PixelBuffer::Filled(std::size_t bytes, std::uint8_t value) noexcept
{
    PixelBuffer buffer = Allocate(bytes);
    if (!buffer.empty())
        std::memset(buffer.data(), value, bytes);
    return buffer;
}

PixelBuffer PixelBuffer::CopyOf(const std::uint8_t* bytes, std::size_t count) noexcept
{
    PixelBuffer buffer = Allocate(count);
    if (!buffer.empty())
        std::memcpy(buffer.data(), bytes, count);
    return buffer;
}

bool PixelBuffer::Resize(std::size_t bytes) noexcept
{
    if (bytes <= m_capacity) {
        m_size = bytes;
        return true;
    }
    PixelBuffer grown = Allocate(bytes);
    if (grown.empty())
        return false;
    if (m_size > 0)
        std::memcpy(grown.data(), data(), m_size);
    *this = std::move(grown);
    return true;
}

void PixelBuffer::Free() noexcept
{
    m_block.reset();
    m_size = 0;
    m_capacity = 0;
}

}  // namespace platform
