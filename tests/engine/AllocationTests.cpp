// Construction either yields a whole engine or fails with std::bad_alloc having released every
// allocation it made. A replacement of the global allocation functions (for this test program
// only) counts the engine's allocations and makes a chosen one fail.

#include <zReverb.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace
{
struct AllocationProbe
{
    bool active = false;
    long failAt = -1;  ///< 1-based index of the allocation to refuse; -1: none
    long count = 0;    ///< allocations made while active
    long live = 0;     ///< of those, not yet released
    long bigCount = 0; ///< allocations of a whole delay buffer
    void* blocks[512] = {};
    int blockCount = 0;
};

AllocationProbe probe;

void forget(void* p)
{
    for (int i = 0; i < probe.blockCount; ++i)
        if (probe.blocks[i] == p)
        {
            probe.blocks[i] = probe.blocks[--probe.blockCount];
            --probe.live;
            return;
        }
}
} // namespace

void* operator new(std::size_t size)
{
    if (probe.active)
    {
        ++probe.count;
        if (probe.count == probe.failAt)
            throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    if (probe.active && probe.blockCount < 512)
    {
        probe.blocks[probe.blockCount++] = p;
        ++probe.live;
        if (size >= sizeof(float) * zDelay::length)
            ++probe.bigCount;
    }
    return p;
}

// Kept out of line: inlined into a delete expression, the compiler would see the new
// expression's memory reach free() and warn of a mismatch that the replacement pair rules out.
[[gnu::noinline]] void operator delete(void* p) noexcept
{
    if (p == nullptr)
        return;
    forget(p);
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}

// The array forms are replaced too, so that no runtime (a sanitizer's, say) can route them
// around the probe.
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete[](void* p) noexcept
{
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    operator delete(p);
}

TEST(EngineMemory, OneEngineHoldsSixteenZeroedDelayLines)
{
    probe = AllocationProbe{};
    probe.active = true;
    auto* reverb = new zReverb();
    const long made = probe.count;
    EXPECT_EQ(probe.bigCount, 16);
    EXPECT_EQ(probe.live, made);
    delete reverb;
    EXPECT_EQ(probe.live, 0);
    probe.active = false;
}

TEST(EngineMemory, AFailedConstructionPropagatesAndReleasesEverythingBuilt)
{
    probe = AllocationProbe{};
    probe.active = true;
    delete new zReverb();
    const long total = probe.count;
    probe.active = false;
    ASSERT_GT(total, 16);

    // Every small allocation is cheap to fail at; failing late costs up to sixteen zero-filled
    // buffers each time, so only a spread of those points is tried.
    for (long failAt = 1; failAt <= total; failAt += (failAt < 12 || failAt > total - 4) ? 1 : 5)
    {
        probe = AllocationProbe{};
        probe.failAt = failAt;
        probe.active = true;
        EXPECT_THROW(delete new zReverb(), std::bad_alloc) << failAt;
        probe.active = false;
        EXPECT_EQ(probe.live, 0) << "allocation " << failAt << " of " << total;
    }
}
