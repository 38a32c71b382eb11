#pragma once

#include "zEffect.h"
#include "zLanes.h"
#include "zSampleRate.h"

#include <memory>

/// Coefficients of a first-order bilinear shelf, with the corner they were designed at.
struct zShelfDesign
{
    float corner; ///< designed corner in hertz, after gain scaling and clamping
    float a1;     ///< feedback
    float b0;     ///< feed-forward, current input
    float b1;     ///< feed-forward, previous input
};

/// One-pole high shelf: gain 1 at 0 Hz, A^2 at the Nyquist frequency (A = 1.05925^gain).
///
/// Coefficients are designed when the frequency, the gain or the sample rate is set, at the
/// filter's own sample rate (zDefaultSampleRate until set). Before any of them is set all
/// coefficients are 0 and the filter outputs 0.
class zBiLin1pHS final : public zEffect
{
  public:
    /// Designs a high shelf for `hz` and `db` at sample rate `sampleRate`.
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept;

    /// Stores the nominal frequency and redesigns with the stored gain.
    void setFrequency(float hz) noexcept;
    /// Stores the gain in decibels and redesigns with the stored frequency.
    void setGain(float db) noexcept;
    /// Stores the sample rate in hertz and redesigns from the stored frequency and gain, keeping
    /// the filter memories.
    void setSampleRate(float hz) noexcept;
    float getSampleRate() const noexcept { return sampleRate_; }

    float getFrequency() const noexcept { return frequency_; }
    float getGain() const noexcept { return gain_; }
    float a1() const noexcept { return a1_; }
    float b0() const noexcept { return b0_; }
    float b1() const noexcept { return b1_; }
    /// The filter memories (previous output, previous offset input), for block processing that
    /// runs the recursion elsewhere and hands them back.
    float y1() const noexcept { return y1_; }
    float x1() const noexcept { return x1_; }
    void setMemories(float y1, float x1) noexcept
    {
        y1_ = y1;
        x1_ = x1;
    }

    float processSample(float x) override
    {
        // The offset keeps the memories from ever settling at exact zero (and out of denormals).
        const float xo = x + 1e-12f;
        const float y = xo * b0_ + a1_ * y1_ + b1_ * x1_;
        x1_ = xo;
        y1_ = y;
        return y;
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        y1_ = 0.0f;
        x1_ = 0.0f;
    }

  private:
    void redesign() noexcept;

    float frequency_ = 0.0f;
    float gain_ = 0.0f;
    float sampleRate_ = zDefaultSampleRate;
    float y1_ = 0.0f;
    float x1_ = 0.0f; ///< previous input, offset included
    float a1_ = 0.0f;
    float b0_ = 0.0f;
    float b1_ = 0.0f;
};

/// One-pole low shelf: gain A^2 at 0 Hz, 1 at the Nyquist frequency (A = 1.05925^gain).
/// Designed and redesigned like zBiLin1pHS.
class zBiLin1pLS final : public zEffect
{
  public:
    /// Designs a low shelf for `hz` and `db` at sample rate `sampleRate`.
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept;

    void setFrequency(float hz) noexcept;
    void setGain(float db) noexcept;
    void setSampleRate(float hz) noexcept;
    float getSampleRate() const noexcept { return sampleRate_; }

    float getFrequency() const noexcept { return frequency_; }
    float getGain() const noexcept { return gain_; }
    float a1() const noexcept { return a1_; }
    float b0() const noexcept { return b0_; }
    float b1() const noexcept { return b1_; }
    /// The filter memories (previous output, previous offset input), for block processing that
    /// runs the recursion elsewhere and hands them back.
    float y1() const noexcept { return y1_; }
    float x1() const noexcept { return x1_; }
    void setMemories(float y1, float x1) noexcept
    {
        y1_ = y1;
        x1_ = x1;
    }

    float processSample(float x) override
    {
        // Unlike the high shelf, this offset is added in double precision and rounded.
        const float xo = static_cast<float>(static_cast<double>(x) + 1e-10);
        const float y = xo * b0_ + a1_ * y1_ + b1_ * x1_;
        x1_ = xo;
        y1_ = y;
        return y;
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        y1_ = 0.0f;
        x1_ = 0.0f;
    }

  private:
    void redesign() noexcept;

    float frequency_ = 0.0f;
    float gain_ = 0.0f;
    float sampleRate_ = zDefaultSampleRate;
    float y1_ = 0.0f;
    float x1_ = 0.0f;
    float a1_ = 0.0f;
    float b0_ = 0.0f;
    float b1_ = 0.0f;
};

/// A high shelf followed by a low shelf: the engine's one tone filter. It does not consult its
/// bypass flag (nor do its two filters).
class zShelf final : public zEffect
{
  public:
    zShelf() : highShelf_(std::make_unique<zBiLin1pHS>()), lowShelf_(std::make_unique<zBiLin1pLS>()) {}
    ~zShelf() override
    {
        highShelf_.reset();
        lowShelf_.reset();
    }

    zBiLin1pHS& highShelf() noexcept { return *highShelf_; }
    zBiLin1pLS& lowShelf() noexcept { return *lowShelf_; }
    const zBiLin1pHS& highShelf() const noexcept { return *highShelf_; }
    const zBiLin1pLS& lowShelf() const noexcept { return *lowShelf_; }

    /// Sets the sample rate of both filters, which redesigns them.
    void setSampleRate(float hz) noexcept
    {
        highShelf_->setSampleRate(hz);
        lowShelf_->setSampleRate(hz);
    }

    float processSample(float x) override { return lowShelf_->processSample(highShelf_->processSample(x)); }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        highShelf_->clear();
        lowShelf_->clear();
    }

  private:
    std::unique_ptr<zBiLin1pHS> highShelf_;
    std::unique_ptr<zBiLin1pLS> lowShelf_;
};

/// `Lanes` shelves (four, or the low two of the register) run side by side, one per lane: a
/// channel pair, or the shelves of several stages at once. Each lane computes exactly what its
/// shelf's processSample() computes; running them together lets the processor overlap recursions
/// that would otherwise wait on one another. With two lanes the low shelf's offset converts only
/// the low half. load() takes the shelves' coefficients and memories, store() hands the memories
/// back; in between the shelves must not be used.
template <int Lanes> class zShelfLanes
{
    static_assert(Lanes == 4 || Lanes == 2, "four lanes, or the low two");

  public:
    void load(zShelf* const (&shelves)[Lanes]) noexcept
    {
        loud_ = true;
        float high[5][4] = {};
        float low[5][4] = {};
        for (int lane = 0; lane < Lanes; ++lane)
        {
            shelves_[lane] = shelves[lane];
            const zBiLin1pHS& h = shelves[lane]->highShelf();
            const zBiLin1pLS& l = shelves[lane]->lowShelf();
            const float hv[5] = {h.b0(), h.a1(), h.b1(), h.y1(), h.x1()};
            const float lv[5] = {l.b0(), l.a1(), l.b1(), l.y1(), l.x1()};
            for (int k = 0; k < 5; ++k)
            {
                high[k][lane] = hv[k];
                low[k][lane] = lv[k];
            }
        }
        const auto lanes = [](const float(&v)[4]) { return zMakeLanes(v[0], v[1], v[2], v[3]); };
        hb0_ = lanes(high[0]);
        ha1_ = lanes(high[1]);
        hb1_ = lanes(high[2]);
        hy1_ = lanes(high[3]);
        hx1_ = lanes(high[4]);
        lb0_ = lanes(low[0]);
        la1_ = lanes(low[1]);
        lb1_ = lanes(low[2]);
        ly1_ = lanes(low[3]);
        lx1_ = lanes(low[4]);
    }

    void store() const noexcept
    {
        for (int lane = 0; lane < Lanes; ++lane)
        {
            shelves_[lane]->highShelf().setMemories(hy1_[lane], hx1_[lane]);
            shelves_[lane]->lowShelf().setMemories(ly1_[lane], lx1_[lane]);
        }
    }

    /// zShelf::processSample() in every lane: the high shelf, then the low shelf.
    zLanes processSample(zLanes x) noexcept
    {
        const zLanes xo = x + 1e-12f;
        const zLanes y = xo * hb0_ + ha1_ * hy1_ + hb1_ * hx1_;
        hx1_ = xo;
        hy1_ = y;
        const zLanes lo = Lanes == 4 ? zAddLowShelfOffset(y, loud_) : zAddLowShelfOffsetLow2(y, loud_);
        const zLanes z = lo * lb0_ + la1_ * ly1_ + lb1_ * lx1_;
        lx1_ = lo;
        ly1_ = z;
        return z;
    }

  private:
    zShelf* shelves_[Lanes] = {};
    bool loud_ = true; ///< see zAddLowShelfOffset(); set again at each load()
    zLanes hb0_{}, ha1_{}, hb1_{}, hy1_{}, hx1_{};
    zLanes lb0_{}, la1_{}, lb1_{}, ly1_{}, lx1_{};
};
