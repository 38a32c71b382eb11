#pragma once

#include <zSampleRate.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace zvtest
{
/// A new engine block set to run at `hz`. The whole engine is built for its rate instead, since
/// its construction already runs its oscillator.
template <typename Block> std::unique_ptr<Block> makeAt(float hz)
{
    auto block = std::make_unique<Block>();
    block->setSampleRate(hz);
    return block;
}

/// Deterministic white noise in -1 ... 1 (a small LCG, so runs are reproducible everywhere).
class Noise
{
  public:
    explicit Noise(std::uint32_t seed = 12345u) : state(seed) {}
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }

  private:
    std::uint32_t state;
};

/// Runs `n` samples through a mono block and returns the outputs.
template <typename Block, typename Input> std::vector<float> render(Block& block, int n, Input input)
{
    std::vector<float> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out[static_cast<size_t>(i)] = block.processSample(input(i));
    return out;
}

/// A stereo frame.
struct Frame
{
    float left;
    float right;
};

/// Runs `n` pairs through a stereo block and returns the outputs.
template <typename Block, typename Input> std::vector<Frame> renderStereo(Block& block, int n, Input input)
{
    std::vector<Frame> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        Frame f = input(i);
        float pair[2] = {f.left, f.right};
        block.processStereo(pair, 2);
        out[static_cast<size_t>(i)] = {pair[0], pair[1]};
    }
    return out;
}

inline float impulseAt(int i, int at)
{
    return i == at ? 1.0f : 0.0f;
}

/// Index of the largest magnitude in a range.
inline int peakIndex(const std::vector<float>& v)
{
    int best = 0;
    for (int i = 1; i < static_cast<int>(v.size()); ++i)
        if (std::fabs(v[static_cast<size_t>(i)]) > std::fabs(v[static_cast<size_t>(best)]))
            best = i;
    return best;
}
} // namespace zvtest
