#pragma once

/// Base of every engine block: a bypass flag and per-sample processing.
///
/// Blocks are created on the heap and destroyed through this base. Owners hold their parts as
/// pointers to the concrete (final) classes, so the per-sample calls below are resolved and
/// inlined at compile time; the virtual slots remain for callers that only know the base.
class zEffect
{
  public:
    zEffect() = default;
    virtual ~zEffect() = default;

    zEffect(const zEffect&) = delete;
    zEffect& operator=(const zEffect&) = delete;

    /// Processes one stereo pair in place (left, right) and returns `pair`. `channels` is always
    /// 2 and is not consulted. The base leaves the pair untouched.
    virtual float* processStereo(float* pair, int /*channels*/) { return pair; }

    /// Processes one sample. The base returns `x`.
    virtual float processSample(float x) { return x; }

    /// processStereo() of `block` on `n` pairs given as two channels, in place, one pair at a
    /// time: the way through a block that block processing falls back to.
    template <typename Block>
    static void processPairs(Block& block, float* left, float* right, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
        {
            float pair[2] = {left[i], right[i]};
            block.processStereo(pair, 2);
            left[i] = pair[0];
            right[i] = pair[1];
        }
    }

    /// Sets or clears the bypass flag; blocks that honour it return their input and freeze.
    void setBypass(bool on) noexcept { bypass_ = on; }
    bool isBypassed() const noexcept { return bypass_; }

  protected:
    bool bypass_ = false;
};
