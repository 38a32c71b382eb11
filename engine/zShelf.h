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

/// The first-order recursion of every shelf in the engine, for one sample (T = float) or one
/// filter per lane (T = zLanes): y = x b0 + a1 y1 + b1 x1, summed in that order. Written once, so
/// that the block code computes in each lane exactly what a filter computes alone.
template <typename T> struct zOnePole
{
    T b0{}, a1{}, b1{};
    T y1{}; ///< previous output
    T x1{}; ///< previous input (offset included)

    T step(T x) noexcept
    {
        const T y = x * b0 + a1 * y1 + b1 * x1;
        x1 = x;
        y1 = y;
        return y;
    }
};

/// The high shelf's design and input offset: gain 1 at 0 Hz, A^2 at the Nyquist frequency.
struct zHighShelfKind
{
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept;

    /// The offset keeps the memories from ever settling at exact zero (and out of denormals).
    template <int Lanes = 4, typename T> static T offset(T x, bool& /*loud*/) noexcept { return x + 1e-12f; }
};

/// The low shelf's design and input offset: gain A^2 at 0 Hz, 1 at the Nyquist frequency.
struct zLowShelfKind
{
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept;

    /// Unlike the high shelf's, this offset is added in double precision and rounded (see
    /// zAddLowShelfOffset() for `loud`).
    template <int Lanes = 4, typename T> static T offset(T x, bool& loud) noexcept
    {
        return zAddLowShelfOffset<Lanes>(x, loud);
    }
};

template <int Lanes, typename L> class zShelfLanes;

/// One-pole bilinear shelf, high or low by `Kind` (A = 1.05925^gain): zBiLin1pHS and zBiLin1pLS.
///
/// Coefficients are designed when the frequency, the gain or the sample rate is set, at the
/// filter's own sample rate (zDefaultSampleRate until set). Before any of them is set all
/// coefficients are 0 and the filter outputs 0.
template <typename Kind> class zBiLin1p final : public zEffect
{
  public:
    /// Designs this kind of shelf for `hz` and `db` at sample rate `sampleRate`.
    static zShelfDesign design(float hz, float db, float sampleRate) noexcept
    {
        return Kind::design(hz, db, sampleRate);
    }

    /// Stores the nominal frequency and redesigns with the stored gain.
    void setFrequency(float hz) noexcept
    {
        frequency_ = hz;
        redesign();
    }
    /// Stores the gain in decibels and redesigns with the stored frequency.
    void setGain(float db) noexcept
    {
        gain_ = db;
        redesign();
    }
    /// Stores the sample rate in hertz and redesigns from the stored frequency and gain, keeping
    /// the filter memories.
    void setSampleRate(float hz) noexcept
    {
        sampleRate_ = hz;
        redesign();
    }
    float getSampleRate() const noexcept { return sampleRate_; }

    float getFrequency() const noexcept { return frequency_; }
    float getGain() const noexcept { return gain_; }
    float a1() const noexcept { return filter_.a1; }
    float b0() const noexcept { return filter_.b0; }
    float b1() const noexcept { return filter_.b1; }

    float processSample(float x) override
    {
        bool loud = false;
        return filter_.step(Kind::offset(x, loud));
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        filter_.y1 = 0.0f;
        filter_.x1 = 0.0f;
    }

  private:
    // Block processing runs the recursions of several filters in lanes, taking their state over
    // for a run and handing it back.
    template <int, typename> friend class zShelfLanes;

    void redesign() noexcept
    {
        const zShelfDesign d = Kind::design(frequency_, gain_, sampleRate_);
        filter_.a1 = d.a1;
        filter_.b0 = d.b0;
        filter_.b1 = d.b1;
    }

    float frequency_ = 0.0f;
    float gain_ = 0.0f;
    float sampleRate_ = zDefaultSampleRate;
    zOnePole<float> filter_;
};

/// One-pole high shelf: gain 1 at 0 Hz, A^2 at the Nyquist frequency.
using zBiLin1pHS = zBiLin1p<zHighShelfKind>;
/// One-pole low shelf: gain A^2 at 0 Hz, 1 at the Nyquist frequency; its input offset is 1e-10
/// added in double precision where the high shelf's is 1e-12 in single precision.
using zBiLin1pLS = zBiLin1p<zLowShelfKind>;

/// A high shelf followed by a low shelf: the engine's one tone filter. It does not consult its
/// bypass flag (nor do its two filters).
class zShelf final : public zEffect
{
  public:
    zShelf() : highShelf_(std::make_unique<zBiLin1pHS>()), lowShelf_(std::make_unique<zBiLin1pLS>()) {}

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

/// `Lanes` shelves (four, or the low two of the register) run side by side, one per lane of `L`:
/// a channel pair, or the shelves of several stages at once. Each lane takes the steps its
/// shelf's processSample() takes; running them together lets the processor overlap recursions
/// that would otherwise wait on one another. With two lanes the low shelf's offset converts only
/// the low half. load() takes the shelves' coefficients and memories, store() hands the memories
/// back; in between the shelves must not be used.
template <int Lanes, typename L = zLanes> class zShelfLanes
{
    static_assert(Lanes == 4 || Lanes == 2, "four lanes, or the low two");

  public:
    void load(zShelf* const (&shelves)[Lanes]) noexcept
    {
        loud_ = true;
        for (int lane = 0; lane < Lanes; ++lane)
            shelves_[lane] = shelves[lane];
        high_ = gather([](zShelf& s) -> zOnePole<float>& { return s.highShelf().filter_; });
        low_ = gather([](zShelf& s) -> zOnePole<float>& { return s.lowShelf().filter_; });
    }

    void store() const noexcept
    {
        for (int lane = 0; lane < Lanes; ++lane)
        {
            zOnePole<float>& high = shelves_[lane]->highShelf().filter_;
            zOnePole<float>& low = shelves_[lane]->lowShelf().filter_;
            high.y1 = high_.y1[lane];
            high.x1 = high_.x1[lane];
            low.y1 = low_.y1[lane];
            low.x1 = low_.x1[lane];
        }
    }

    /// zShelf::processSample() in every lane: the high shelf, then the low shelf.
    L processSample(L x) noexcept
    {
        const L y = high_.step(zHighShelfKind::offset<Lanes>(x, loud_));
        return low_.step(zLowShelfKind::offset<Lanes>(y, loud_));
    }

  private:
    /// One filter of each shelf in lanes. The values are gathered in arrays and the lanes formed
    /// from them whole: written lane by lane into a register's memory, each lane would wait for
    /// the one before.
    template <typename FilterOf> zOnePole<L> gather(FilterOf filterOf) const noexcept
    {
        float v[5][4] = {};
        for (int lane = 0; lane < Lanes; ++lane)
        {
            const zOnePole<float>& s = filterOf(*shelves_[lane]);
            const float values[5] = {s.b0, s.a1, s.b1, s.y1, s.x1};
            for (int k = 0; k < 5; ++k)
                v[k][lane] = values[k];
        }
        const auto lanes = [&v](int k) { return L{v[k][0], v[k][1], v[k][2], v[k][3]}; };
        zOnePole<L> f;
        f.b0 = lanes(0);
        f.a1 = lanes(1);
        f.b1 = lanes(2);
        f.y1 = lanes(3);
        f.x1 = lanes(4);
        return f;
    }

    zShelf* shelves_[Lanes] = {};
    bool loud_ = true; ///< see zAddLowShelfOffset(); set again at each load()
    zOnePole<L> high_, low_;
};
