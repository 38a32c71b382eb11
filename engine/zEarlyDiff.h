#pragma once

#include "zDiffDelay.h"
#include "zEffect.h"
#include "zPow.h"
#include "zShelf.h"

#include <memory>

/// One channel of the early section: three all-pass stages on whole-sample delays, in series,
/// followed by a tone shelf. The stage delays are the periods of notes four semitones apart.
class zEarlyDiff final : public zEffect
{
  public:
    zEarlyDiff();

    /// Stores the diffuser's note and sets the stage delays to the periods of note + 8, note + 4
    /// and note (stages 0, 1, 2).
    void setSizeNote(float note) noexcept;
    float getSizeNote() const noexcept { return sizeNote_; }

    /// Sets the three stage coefficients from the amount and the coefficient spread.
    void setDiffusion(float amount) noexcept;
    /// Sets the spread that offsets the stage coefficients at the next setDiffusion().
    void setCoefficientSpread(float spread) noexcept { coefficientSpread_ = spread; }

    // Each applies one setting to the four shelves: stage 0's, 1's, 2's, then the diffuser's own.
    void setHighShelfFrequency(float hz) noexcept;
    void setHighShelfGain(float db) noexcept;
    void setLowShelfFrequency(float hz) noexcept;
    void setLowShelfGain(float db) noexcept;

    /// Sets the sample rate of every line and shelf (which redesigns the shelves).
    void setSampleRate(float hz) noexcept;

    const zDiffDelay& stage(int index) const noexcept { return *stages_[index]; }
    const zShelf& shelf() const noexcept { return *shelf_; }
    zDiffDelay& stage(int index) noexcept { return *stages_[index]; }
    zShelf& shelf() noexcept { return *shelf_; }

    float processSample(float x) override
    {
        if (bypass_)
            return x;
        return shelf_->processSample(
            stages_[2]->processSample(stages_[1]->processSample(stages_[0]->processSample(x))));
    }

    /// Silences the audio memory and keeps every setting; for recovery from a non-finite state.
    void clear() noexcept
    {
        for (auto& stage : stages_)
            stage->clear();
        shelf_->clear();
    }

  private:
    std::unique_ptr<zDiffDelay> stages_[3];
    std::unique_ptr<zShelf> shelf_;
    float sizeNote_ = 0.0f;
    float coefficientSpread_ = 0.0f;
    zLastResult periodsNote_;
    float periods_[3] = {};
};
