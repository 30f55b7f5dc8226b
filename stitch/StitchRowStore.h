// Where the registration keeps its rows. Internal to the registration.
//
// A fresh 4 KiB page costs a fault on first touch, and on a virtual machine a fault costs
// more than computing the row that lands on it: a registration that kept every row in its
// own heap block spent a third of its time in the kernel. So the rows of one pyramid are
// handed out from a few large blocks, in the order they are made, and those blocks are
// advised for huge pages: the pages touched are the rows made, faulted 2 MiB at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace stitchreg {

// Floats handed out from large blocks, freed all at once with the arena. Not thread-safe:
// one pyramid, one thread at a time.
class RowArena {
public:
    RowArena() = default;
    RowArena(const RowArena&) = delete;
    RowArena& operator=(const RowArena&) = delete;

    // Uninitialised storage for `count` floats, 64-byte aligned; the caller writes it
    // before reading. Throws std::bad_alloc when memory runs out.
    float* Take(std::size_t count);

private:
    struct Release {
        std::size_t bytes = 0;
        void operator()(float* block) const noexcept;
    };
    using Block = std::unique_ptr<float[], Release>;
    std::vector<Block> m_blocks;
    float* m_next = nullptr;
    std::size_t m_left = 0;  // floats left in the newest block
};

// Rows of `width` floats, each made on first use.
class RowStore {
public:
    void Reset(int rows, int width, RowArena& arena);
    // The row, or null when it was not made yet.
    float* Find(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    // Storage for the row, from now on reported as made.
    float* Make(int row);

private:
    RowArena* m_arena = nullptr;
    std::size_t m_width = 0;
    std::vector<float*> m_rows;
};

// The last rows made, by row number (slot = row mod slots): consecutive rows never evict
// each other while fewer than the slots.
class RowRing {
public:
    void Reset(int slots, int width, RowArena& arena);
    float* Find(int row);
    float* Claim(int row);

private:
    std::size_t m_width = 0;
    std::vector<int> m_rows;  // the row in each slot, or -1
    float* m_values = nullptr;
};

}  // namespace stitchreg
