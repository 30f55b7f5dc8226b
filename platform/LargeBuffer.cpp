#include "platform/LargeBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace platform {

namespace {

constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

bool IsMapped(std::size_t bytes) { return kLargeBlocksMapped && bytes >= kLargeBlockBytes; }

std::size_t MappedBytes(std::size_t bytes) { return (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1); }

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) noexcept
{
    if (bytes == 0)
        bytes = 1;
    if (!IsMapped(bytes))
        return std::malloc(bytes);
    const std::size_t mapped = MappedBytes(bytes);
    if (mapped < bytes)
        return nullptr;  // the size wrapped
    // One huge page more than needed, trimmed so that the block starts on a boundary.
    void* region = mmap(nullptr, mapped + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(region);
    const std::uintptr_t aligned = (start + kHugePageBytes - 1) & ~std::uintptr_t(kHugePageBytes - 1);
    const std::uintptr_t end = start + mapped + kHugePageBytes;
    if (aligned > start)
        munmap(region, aligned - start);
    if (end > aligned + mapped)
        munmap(reinterpret_cast<void*>(aligned + mapped), end - (aligned + mapped));
    // Advice only: without huge pages the block still works, with 4 KiB pages.
    madvise(reinterpret_cast<void*>(aligned), mapped, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept
{
    if (block == nullptr)
        return;
    if (bytes == 0)
        bytes = 1;
    if (!IsMapped(bytes)) {
        std::free(block);
        return;
    }
    munmap(block, MappedBytes(bytes));
}

}  // namespace platform
