// The DOS heap (dos/heap_dos.cpp) on the host: the heap starts at the
// linker symbol _heap_start, given here by an arena, and ends where the
// start-up code says DOS memory ends (dos_memory_end). The heap's source is
// included so that a test can start it again with another end.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "dos/heap_dos.cpp"

extern "C" {
alignas(8) char _heap_start[40000];
}

namespace {

// All the arena, as when DOS gives the whole data segment.
const bool whole_arena = (dos_memory_end = reinterpret_cast<uint8_t *>(_heap_start) + sizeof _heap_start, true);

struct Live {
    uint8_t *p;
    uint32_t size;
    uint8_t fill;
};

bool inside_arena(const uint8_t *p, uint32_t size)
{
    auto *lo = reinterpret_cast<const uint8_t *>(_heap_start);
    return p >= lo && p + size <= lo + sizeof _heap_start;
}

// Every test leaves the heap empty, so the next one starts from one free block.
void free_all(std::vector<Live> &live)
{
    for (auto &l : live)
        sys_free(l.p);
    live.clear();
}

TEST(DosHeap, RefusesZeroAndTooLarge)
{
    ASSERT_TRUE(whole_arena);
    EXPECT_EQ(sys_alloc(0), nullptr);
    EXPECT_EQ(sys_alloc(65525), nullptr);
    EXPECT_EQ(sys_alloc(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(sys_alloc(40000), nullptr);  // more than the heap holds
}

TEST(DosHeap, BlocksDoNotOverlapAndKeepTheirBytes)
{
    std::mt19937 rng(7);
    std::vector<Live> live;
    for (int step = 0; step < 20000; step++) {
        if (!live.empty() && (rng() % 2 || live.size() > 40)) {
            size_t k = rng() % live.size();
            for (uint32_t i = 0; i < live[k].size; i++)
                ASSERT_EQ(live[k].p[i], live[k].fill) << "a block was overwritten";
            sys_free(live[k].p);
            live.erase(live.begin() + long(k));
            continue;
        }
        uint32_t size = 1 + rng() % (rng() % 4 ? 300 : 9000);
        auto *p = static_cast<uint8_t *>(sys_alloc(size));
        if (!p)
            continue;
        ASSERT_TRUE(inside_arena(p, size));
        ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 4, 0u);
        uint8_t fill = uint8_t(rng());
        std::memset(p, fill, size);
        live.push_back({p, size, fill});
    }
    free_all(live);
    EXPECT_EQ(heap_in_use, 0u);
}

TEST(DosHeap, FreedNeighboursMergeIntoOneBlock)
{
    std::vector<Live> live;
    for (int i = 0; i < 30; i++)
        live.push_back({static_cast<uint8_t *>(sys_alloc(1000)), 1000, 0});
    for (auto &l : live)
        ASSERT_NE(l.p, nullptr);
    // free in an order that needs merging on both sides
    for (size_t i = 0; i < live.size(); i += 2)
        sys_free(live[i].p);
    for (size_t i = 1; i < live.size(); i += 2)
        sys_free(live[i].p);
    live.clear();
    void *whole = sys_alloc(40000 - 8);
    EXPECT_NE(whole, nullptr) << "the free blocks were not merged";
    sys_free(whole);
    EXPECT_EQ(heap_in_use, 0u);
}

TEST(DosHeap, PeakCountsBlocksInUse)
{
    heap_peak = 0;
    void *a = sys_alloc(100), *b = sys_alloc(200);
    sys_free(a);
    void *c = sys_alloc(50);
    EXPECT_EQ(heap_peak, 104u + 204u);
    sys_free(b);
    sys_free(c);
}

TEST(DosHeap, FirstFitReusesTheLowestHole)
{
    void *a = sys_alloc(64), *b = sys_alloc(64), *c = sys_alloc(64);
    sys_free(a);
    void *d = sys_alloc(16);
    EXPECT_EQ(d, a);
    sys_free(b);
    sys_free(c);
    sys_free(d);
    EXPECT_EQ(heap_in_use, 0u);
}

// Starts the heap again with DOS memory ending `size` bytes after its start.
void restart(uint32_t size)
{
    heap_first = nullptr;
    dos_memory_end = reinterpret_cast<uint8_t *>(_heap_start) + size;
}

TEST(DosHeap, SizedFromTheMemoryDosGave)
{
    // the largest block is the memory less one header, rounded down to 4 bytes
    for (uint32_t size : {40000u, 1000u, 1003u, 9u}) {
        restart(size);
        uint32_t largest = (size & ~3u) - 4;
        EXPECT_EQ(sys_alloc(largest + 1), nullptr) << size;
        void *block = sys_alloc(largest);
        ASSERT_NE(block, nullptr) << size;
        std::memset(block, 0xA5, largest);
        EXPECT_EQ(sys_alloc(1), nullptr) << size;
        sys_free(block);
    }
    // less than one block: every request fails, and nothing is written
    for (uint32_t size : {7u, 4u, 0u}) {
        restart(size);
        std::memset(_heap_start, 0x3C, 16);
        EXPECT_EQ(sys_alloc(1), nullptr) << size;
        for (int i = 0; i < 16; i++)
            ASSERT_EQ(uint8_t(_heap_start[i]), 0x3C) << size;
    }
    restart(sizeof _heap_start);
}

}  // namespace
