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

    // Block access. `start` may lie up to one `length` outside the line on either side; the copy
    // wraps around the line's end as the per-sample index arithmetic does.

    /// The `n` samples beginning at `start` where they lie in the line, or null when they cross
    /// its end.
    float* span(int start, int length, int n) noexcept
    {
        start = wrap(start, length);
        return start + n <= length ? samples + start : nullptr;
    }
    const float* span(int start, int length, int n) const noexcept
    {
        start = wrap(start, length);
        return start + n <= length ? samples + start : nullptr;
    }

    /// Where the inputs of a line's next `n` calls go (the line's write position is `writeIndex`):
    /// in the line itself, or `scratch` when they would cross its end.
    float* inputSpan(int writeIndex, int length, float* scratch, int n) noexcept
    {
        float* inPlace = span(writeIndex + 1, length, n);
        return inPlace != nullptr ? inPlace : scratch;
    }

    /// Stores the inputs of a line's next `n` calls (unless already written in place through
    /// inputSpan()) and moves its write position on by `n`.
    void pushInputs(int& writeIndex, int length, const float* in, int n) noexcept
    {
        if (in != span(writeIndex + 1, length, n))
            write(writeIndex + 1, length, in, n);
        writeIndex += n;
        if (writeIndex >= length)
            writeIndex -= length;
    }

    /// Copies `n` (at most `length`) samples beginning at `start` to `out`.
    void read(int start, int length, float* out, int n) const noexcept
    {
        start = wrap(start, length);
        const int first = std::min(n, length - start);
        for (int i = 0; i < first; ++i)
            out[i] = samples[start + i];
        for (int i = first; i < n; ++i)
            out[i] = samples[i - first];
    }

    /// Copies `n` (at most `length`) samples from `in` into the line beginning at `start`.
    void write(int start, int length, const float* in, int n) noexcept
    {
        start = wrap(start, length);
        const int first = std::min(n, length - start);
        for (int i = 0; i < first; ++i)
            samples[start + i] = in[i];
        for (int i = first; i < n; ++i)
            samples[i - first] = in[i];
    }
    float operator[](int index) const noexcept { return samples[index]; }

  private:
    static int wrap(int index, int length) noexcept
    {
        if (index < 0)
            return index + length;
        if (index >= length)
            return index - length;
        return index;
    }

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
