// Pixel-sized blocks, the allocation behind PixelBuffer: not zero-filled, and (from
// 2 MiB on) mapped on their own, aligned to 2 MiB and advised for transparent huge
// pages. A fresh block is otherwise faulted in 4 KiB page by page on first touch, which
// on a virtual machine costs about as much as decoding the pixels; a huge page is
// faulted in once per 2 MiB. Callers must write every byte they later read.
#pragma once

#include <cstddef>

namespace platform {

// Blocks from this size on are mapped on their own and advised for huge pages.
constexpr std::size_t kLargeBlockBytes = std::size_t(2) << 20;

// Under AddressSanitizer every block stays a heap block, so that overruns are caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLargeBlocksMapped = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLargeBlocksMapped = false;
#else
constexpr bool kLargeBlocksMapped = true;
#endif
#else
constexpr bool kLargeBlocksMapped = true;
#endif

// An uninitialised block of `bytes` bytes (at least 1), aligned for any scalar; nullptr
// when memory runs out. Release it with FreeLargeBlock and the same size.
void* AllocateLargeBlock(std::size_t bytes) noexcept;
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

}  // namespace platform
