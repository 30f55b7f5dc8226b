// Pixel-sized buffers: not zero-filled, and (from 2 MiB on) mapped on their own,
// aligned to 2 MiB and advised for transparent huge pages. A fresh block is otherwise
// faulted in 4 KiB page by page on first touch, which on a virtual machine costs about
// as much as decoding the pixels; a huge page is faulted in once per 2 MiB.
// Callers must write every byte they later read.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace platform {

// Blocks from this size on are mapped on their own and advised for huge pages.
constexpr std::size_t kLargeBlockBytes = std::size_t(2) << 20;

// An uninitialised block of `bytes` bytes (at least 1), aligned for any scalar; nullptr
// when memory runs out. Release it with FreeLargeBlock and the same size.
void* AllocateLargeBlock(std::size_t bytes) noexcept;
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

// Owner of a LargeArray's block: remembers the size the block was allocated with.
class LargeBlockDeleter {
public:
    LargeBlockDeleter() = default;
    explicit LargeBlockDeleter(std::size_t bytes) : m_bytes(bytes) {}
    void operator()(void* block) const noexcept { FreeLargeBlock(block, m_bytes); }

private:
    std::size_t m_bytes = 0;
};

template <typename T>
using LargeArray = std::unique_ptr<T[], LargeBlockDeleter>;

// `count` uninitialised elements of a trivial type; empty when memory runs out.
template <typename T>
LargeArray<T> MakeLargeArray(std::size_t count) noexcept
{
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    if (count > std::size_t(-1) / sizeof(T))
        return LargeArray<T>(nullptr, LargeBlockDeleter(0));
    const std::size_t bytes = count * sizeof(T);
    return LargeArray<T>(static_cast<T*>(AllocateLargeBlock(bytes)), LargeBlockDeleter(bytes));
}

// Allocator for std::vector of trivial elements: resize() leaves new elements
// uninitialised (default-initialised) instead of zeroing them, and large blocks come from
// AllocateLargeBlock. resize(n, value) and assign(n, value) still fill with `value`.
template <typename T>
class DefaultInitAllocator {
public:
    using value_type = T;

    DefaultInitAllocator() noexcept = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        void* block = AllocateLargeBlock(count * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t count) noexcept { FreeLargeBlock(block, count * sizeof(T)); }

    // Value-initialisation (the `U()` of resize) becomes default-initialisation.
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const DefaultInitAllocator<U>&) const noexcept
    {
        return true;
    }
};

}  // namespace platform
