#include "zLateDiff.h"

#include "zDiffusion.h"
#include "zNoteLaw.h"
#include "zPow.h"

zLateDiff::zLateDiff()
{
    for (auto& stage : stages_)
        stage = std::make_unique<zDiffDelay4p>();
    loopDelay_ = std::make_unique<zDelay4p>();
    shelf_ = std::make_unique<zShelf>();
}

float zLateDiff::loopExponent(float loopPeriod, float decayTime) noexcept
{
    // A decay time of 0 gives -infinity here, which the floor turns into a gain of 3.58e-13.
    float e =
        static_cast<float>(static_cast<double>(loopPeriod) * -1.0 / static_cast<double>(decayTime) * 60.0);
    if (e < -144.0f)
        e = -144.0f;
    return e;
}

void zLateDiff::updateDelays() noexcept
{
    // Runs at every refresh and every block start; the powers are taken only when the note
    // (or, for the loop gain, the period or the decay time) is new.
    const float m = sizeNote_;
    if (!periodsNote_.matches(m))
    {
        periods_[0] = notePeriod(m + 9.0f);
        periods_[1] = notePeriod(m + 6.0f);
        periods_[2] = notePeriod(m + 3.0f);
        periods_[3] = notePeriod(m);
    }
    const float period = periods_[3];
    const float t0 = periods_[0] + modulationOffsets_[0];
    const float t1 = periods_[1] + modulationOffsets_[1];
    const float t2 = periods_[2] + modulationOffsets_[2];
    const float t3 = period + modulationOffsets_[3];
    stages_[0]->delay().setDelayTime(t0);
    stages_[1]->delay().setDelayTime(t1);
    stages_[2]->delay().setDelayTime(t2);
    loopDelay_->setDelayTime(t3);

    // 1.2202, not 1.12202: the decay law of the loop as voiced.
    const bool sameGain = gainPeriod_.matches(period);
    if (!(gainDecayTime_.matches(decayTime_) && sameGain))
        loopGain_ = zPowf(1.2202f, loopExponent(period, decayTime_));
}

void zLateDiff::setDiffusion(float amount) noexcept
{
    const zDiffusionCoefficients g(coefficientSpread_, amount);
    for (int i = 0; i < 3; ++i)
        stages_[i]->setCoefficient(g.stage[i]);
}

void zLateDiff::setHighShelfFrequency(float hz) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().highShelf().setFrequency(hz);
    shelf_->highShelf().setFrequency(hz);
}

void zLateDiff::setHighShelfGain(float db) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().highShelf().setGain(db);
    shelf_->highShelf().setGain(db);
}

void zLateDiff::setLowShelfFrequency(float hz) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().lowShelf().setFrequency(hz);
    shelf_->lowShelf().setFrequency(hz);
}

void zLateDiff::setLowShelfGain(float db) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().lowShelf().setGain(db);
    shelf_->lowShelf().setGain(db);
}

void zLateDiff::setSampleRate(float hz) noexcept
{
    for (auto& stage : stages_)
        stage->setSampleRate(hz);
    shelf_->setSampleRate(hz);
    loopDelay_->setSampleRate(hz);
}
