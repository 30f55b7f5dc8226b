// The one owner of pixel bytes, and the non-owning view through which decoding,
// rendition, composition and writing read them.
//
// A PixelBuffer is not zero-filled unless asked (Zeroed): callers write every byte they
// later read. Its block comes from AllocateLargeBlock, so frames from 2 MiB on sit on
// huge pages. Allocation never throws: a buffer that could not be had is empty.
#pragma once

#include "platform/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace platform {

class PixelBuffer {
public:
    PixelBuffer() = default;
    PixelBuffer(PixelBuffer&& other) noexcept
        : m_block(std::move(other.m_block)),
          m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0))
    {
    }
    PixelBuffer& operator=(PixelBuffer&& other) noexcept
    {
        m_block = std::move(other.m_block);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        return *this;
    }

    // `bytes` uninitialised bytes; empty when memory runs out or `bytes` is 0.
    static PixelBuffer Allocate(std::size_t bytes) noexcept;
    // `bytes` bytes of `value`; empty when memory runs out or `bytes` is 0.
    static PixelBuffer Filled(std::size_t bytes, std::uint8_t value) noexcept;
    static PixelBuffer Zeroed(std::size_t bytes) noexcept { return Filled(bytes, 0); }
    // A copy of `count` bytes at `bytes`; empty when memory runs out.
    static PixelBuffer CopyOf(const std::uint8_t* bytes, std::size_t count) noexcept;

    // Changes the size, keeping the first min(old, new) bytes. Within the size the block
    // was allocated with nothing moves and the bytes beyond keep what they held; beyond it
    // a new block is taken, its new bytes uninitialised. False (buffer unchanged) when
    // memory runs out.
    bool Resize(std::size_t bytes) noexcept;
    void Free() noexcept;

    std::uint8_t* data() noexcept { return m_block.get(); }
    const std::uint8_t* data() const noexcept { return m_block.get(); }
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    explicit operator bool() const noexcept { return m_size != 0; }
    std::uint8_t& operator[](std::size_t i) noexcept { return m_block[i]; }
    std::uint8_t operator[](std::size_t i) const noexcept { return m_block[i]; }
    std::uint8_t* begin() noexcept { return data(); }
    std::uint8_t* end() noexcept { return data() + m_size; }
    const std::uint8_t* begin() const noexcept { return data(); }
    const std::uint8_t* end() const noexcept { return data() + m_size; }

private:
    // Remembers the size the block was allocated with, which FreeLargeBlock needs.
    // (No default member initialiser: the enclosing class must be complete for that.)
    class Deleter {
    public:
        Deleter() noexcept : m_bytes(0) {}
        explicit Deleter(std::size_t bytes) noexcept : m_bytes(bytes) {}
        void operator()(std::uint8_t* block) const noexcept { FreeLargeBlock(block, m_bytes); }

    private:
        std::size_t m_bytes;
    };

    std::unique_ptr<std::uint8_t[], Deleter> m_block;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;  // the size the block was allocated with
};

// Rows of pixels someone else owns: `height` rows of `width` pixels of `bitsPerPixel`
// bits, `stride` bytes apart, top-down. `isSigned` marks two's-complement grey samples.
struct PixelView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    int bitsPerPixel = 0;
    bool isSigned = false;

    // Rows without padding, as the bitmaps and the written files hold them.
    static PixelView Packed(const std::uint8_t* data, int width, int height, int bitsPerPixel, bool isSigned = false)
    {
        return {data, width, height, RowBytesOf(width, bitsPerPixel), bitsPerPixel, isSigned};
    }
    static std::size_t RowBytesOf(int width, int bitsPerPixel)
    {
        return width > 0 && bitsPerPixel > 0 ? std::size_t(width) * std::size_t(bitsPerPixel / 8) : 0;
    }

    std::size_t BytesPerPixel() const { return bitsPerPixel > 0 ? std::size_t(bitsPerPixel / 8) : 0; }
    std::size_t RowBytes() const { return RowBytesOf(width, bitsPerPixel); }
    const std::uint8_t* Row(int y) const { return data + std::size_t(y) * stride; }
    // Bytes from the first row's start to the last row's end (0 for an empty view).
    std::size_t SpanBytes() const
    {
        return height > 0 && RowBytes() > 0 ? std::size_t(height - 1) * stride + RowBytes() : 0;
    }
    bool IsPacked() const { return stride == RowBytes(); }
};

}  // namespace platform
