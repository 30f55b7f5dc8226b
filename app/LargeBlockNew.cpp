// The program's global allocation functions, for every library in the process (DCMTK's
// `new` included): a block from 4 MiB on is advised for transparent huge pages before
// anyone touches it. DCMTK allocates the stitched file's Pixel Data value itself (tens of
// MB); faulted in 4 KiB pages on first touch, that block alone took about a quarter of a
// stitch on this VM (see bench/RESULTS.md). Every block is still a malloc block, freed with
// free: only the kernel's page size under it changes. Under AddressSanitizer the
// sanitizer's own allocation functions stay.
#if !defined(__SANITIZE_ADDRESS__)
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSOR_KEEP_SANITIZER_NEW
#endif
#endif
#else
#define TESSOR_KEEP_SANITIZER_NEW
#endif

#ifndef TESSOR_KEEP_SANITIZER_NEW

#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {

constexpr std::size_t kAdvisedBytes = std::size_t(4) << 20;
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

// The whole huge pages inside the block; advice only, so a refusal changes nothing.
void AdviseHugePages(void* block, std::size_t bytes) noexcept
{
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

void* Allocate(std::size_t bytes) noexcept
{
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr && bytes >= kAdvisedBytes)
        AdviseHugePages(block, bytes);
    return block;
}

// As the standard asks of operator new: the new-handler gets its chances, then bad_alloc.
void* AllocateOrThrow(std::size_t bytes)
{
    for (;;) {
        if (void* block = Allocate(bytes))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

void* AllocateOrNull(std::size_t bytes) noexcept
{
    try {
        return AllocateOrThrow(bytes);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new[](std::size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return AllocateOrNull(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return AllocateOrNull(bytes); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

#endif
