#pragma once

#include "zDelay4p.h"
#include "zDiffDelay4p.h"
#include "zEffect.h"
#include "zPow.h"
#include "zShelf.h"

#include <memory>

/// One channel of the late section: three modulated all-pass stages and a tone shelf in series,
/// whose output also feeds a long interpolated loop delay. The loop delay's output, scaled by the
/// loop gain, is left in loopOutput() for the owner to cross-feed into the other channel.
///
/// Delay times and loop gain are recomputed on every refreshInterval-th call only (the powers
/// they take are the expensive part); in between, the lines hold their times and new modulation
/// offsets wait.
class zLateDiff final : public zEffect
{
  public:
    /// Number of calls between two refreshes of the delay times and loop gain, plus one.
    static constexpr int refreshInterval = 51;

    zLateDiff();

    /// Exponent of the loop gain 1.2202^e for a loop period and decay time (seconds): -P / T x 60,
    /// formed in double precision, floored at -144 (also for a decay time of 0).
    static float loopExponent(float loopPeriod, float decayTime) noexcept;

    /// Recomputes the four delay times (stage delays at note + 9, + 6, + 3, the loop delay at the
    /// note itself, each plus its modulation offset) and the loop gain.
    void updateDelays() noexcept;

    /// Stores the size note; takes effect at the next updateDelays().
    void setSizeNote(float note) noexcept { sizeNote_ = note; }
    float getSizeNote() const noexcept { return sizeNote_; }

    /// Stores the decay time in seconds; the loop gain follows at the next refresh.
    void setDecayTime(float seconds) noexcept { decayTime_ = seconds; }
    float getDecayTime() const noexcept { return decayTime_; }

    /// Stores one modulation offset (0 ... 3: stages 0, 1, 2, loop delay, in seconds); it reaches
    /// its line at the next refresh.
    void setModulationOffset(int index, float seconds) noexcept { modulationOffsets_[index] = seconds; }
    float getModulationOffset(int index) const noexcept { return modulationOffsets_[index]; }

    /// Sets the three stage coefficients from the amount and the coefficient spread.
    void setDiffusion(float amount) noexcept;
    void setCoefficientSpread(float spread) noexcept { coefficientSpread_ = spread; }

    // Each applies one setting to the four shelves: stage 0's, 1's, 2's, then the diffuser's own.
    void setHighShelfFrequency(float hz) noexcept;
    void setHighShelfGain(float db) noexcept;
    void setLowShelfFrequency(float hz) noexcept;
    void setLowShelfGain(float db) noexcept;

    /// Sets the sample rate of every line and shelf (which redesigns the shelves).
    void setSampleRate(float hz) noexcept;

    /// The loop delay's latest output times the loop gain.
    float loopOutput() const noexcept { return loopOutput_; }
    float getLoopGain() const noexcept { return loopGain_; }

    const zDiffDelay4p& stage(int index) const noexcept { return *stages_[index]; }
    const zDelay4p& loopDelay() const noexcept { return *loopDelay_; }
    const zShelf& shelf() const noexcept { return *shelf_; }

    float processSample(float x) override
    {
        if (bypass_)
            return x;
        advanceRefresh();
        return processAfterRefresh(x);
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        for (auto& stage : stages_)
            stage->clear();
        loopDelay_->clear();
        shelf_->clear();
        loopOutput_ = 0.0f;
    }

  private:
    // The late section's block processing drives the parts itself between refreshes.
    friend class zLateReflection;

    /// The first part of a call: counts it and, on every refreshInterval-th, refreshes the delay
    /// times and the loop gain.
    void advanceRefresh() noexcept
    {
        if (refreshCounter_ >= refreshInterval - 1)
        {
            updateDelays();
            refreshCounter_ = 0;
        }
        else
        {
            ++refreshCounter_;
        }
    }

    /// The rest of a call: the stages, the shelf and the loop delay.
    float processAfterRefresh(float x) noexcept
    {
        const float y = shelf_->processSample(
            stages_[2]->processSample(stages_[1]->processSample(stages_[0]->processSample(x))));
        loopOutput_ = loopDelay_->processSample(y) * loopGain_;
        return y;
    }

    /// Right after advanceRefresh(): the most calls, counting that one, that run on the delay times
    /// now set (refreshInterval right after a refresh).
    int callsBeforeRefresh() const noexcept { return refreshInterval - refreshCounter_; }
    /// Counts `calls` calls that do not reach the next refresh (fewer than callsBeforeRefresh()).
    void skipRefreshes(int calls) noexcept { refreshCounter_ += calls; }

    std::unique_ptr<zDiffDelay4p> stages_[3];
    std::unique_ptr<zDelay4p> loopDelay_;
    std::unique_ptr<zShelf> shelf_;
    float loopOutput_ = 0.0f;
    float sizeNote_ = 0.0f;
    float loopGain_ = 0.0f;
    float decayTime_ = 0.0f;
    float modulationOffsets_[4] = {};
    float coefficientSpread_ = 0.0f;
    int refreshCounter_ = 0;
    zLastResult periodsNote_;
    float periods_[4] = {}; ///< of the note + 9, + 6, + 3 and the note itself
    zLastResult gainPeriod_;
    zLastResult gainDecayTime_;
};
