// The registration's row storage: every row handed out is its own, aligned and writable,
// across block boundaries and for requests larger than a block.
#include "stitch/StitchRowStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

using stitchreg::RowArena;
using stitchreg::RowRing;
using stitchreg::RowStore;

TEST(RowArena, EveryTakeIsAlignedDisjointAndKeepsItsValues)
{
    RowArena arena;
    // Sizes that fill a 2 MiB block unevenly, one larger than a block, and the smallest.
    const size_t sizes[] = {0, 1, 5000, 2500, 300000, 1u << 20, 17, 640000, 3};
    std::vector<std::pair<float*, size_t>> taken;
    for (int round = 0; round < 4; ++round)
        for (size_t size : sizes) {
            float* block = arena.Take(size);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 64, 0u) << size;
            std::fill(block, block + size, static_cast<float>(taken.size()));
            taken.emplace_back(block, size);
        }
    for (size_t i = 0; i < taken.size(); ++i) {
        const auto [block, size] = taken[i];
        EXPECT_TRUE(std::all_of(block, block + size, [i](float v) { return v == static_cast<float>(i); })) << "take " << i;
    }
}

TEST(RowStore, RowsAreMadeOnceAndFoundAfterwards)
{
    RowArena arena;
    RowStore store;
    store.Reset(40, 2500, arena);
    EXPECT_EQ(store.Find(7), nullptr);
    float* row = store.Make(7);
    std::fill(row, row + 2500, 7.0f);
    EXPECT_EQ(store.Make(7), row);
    EXPECT_EQ(store.Find(7), row);
    float* next = store.Make(8);
    EXPECT_GE(next, row + 2500);
    EXPECT_EQ(store.Find(39), nullptr);
}

TEST(RowRing, ConsecutiveRowsStayUntilTheSlotsComeRound)
{
    RowArena arena;
    RowRing ring;
    ring.Reset(4, 16, arena);
    for (int r = 10; r < 14; ++r)
        std::fill_n(ring.Claim(r), 16, static_cast<float>(r));
    for (int r = 10; r < 14; ++r) {
        ASSERT_NE(ring.Find(r), nullptr) << r;
        EXPECT_EQ(ring.Find(r)[15], static_cast<float>(r));
    }
    ring.Claim(14);  // the slot of row 10
    EXPECT_EQ(ring.Find(10), nullptr);
    EXPECT_NE(ring.Find(11), nullptr);
    EXPECT_EQ(ring.Find(9), nullptr);
}
