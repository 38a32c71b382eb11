#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>

/// The zero-filled sample memory of one delay line.
///
/// All lines of an engine advance their write positions in lockstep, and large allocations all
/// start at the same offset within a page, so without care the sixteen lines would write to the
/// same cache set at every sample and evict each other. Each buffer therefore starts a different
/// number of cache lines into its allocation. Only the placement differs; the line still holds
/// exactly `length` samples.
class zDelayBuffer
{
public:
    /// Allocates and zero-fills `length` samples; throws std::bad_alloc if it cannot.
    explicit zDelayBuffer(int length)
        : storage(std::make_unique<float[]>(static_cast<std::size_t>(length) + maxStagger)),
          samples(storage.get() + nextStagger())
    {
    }

    /// Zeroes the first `length` samples (the whole line).
    void clear(int length) noexcept { std::fill_n(samples, length, 0.0f); }

    float& operator[](int index) noexcept { return samples[index]; }
    float operator[](int index) const noexcept { return samples[index]; }

private:
    static constexpr int floatsPerCacheLine = 16;
    static constexpr int staggerSteps = 16;
    static constexpr std::size_t maxStagger = floatsPerCacheLine * staggerSteps;

    static std::size_t nextStagger() noexcept
    {
        static std::atomic<unsigned> counter{0};
        const unsigned step = counter.fetch_add(1, std::memory_order_relaxed) % staggerSteps;
        return static_cast<std::size_t>(step) * floatsPerCacheLine;
    }

    std::unique_ptr<float[]> storage;
    float* samples;
};
