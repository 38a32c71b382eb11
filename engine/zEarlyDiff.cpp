#include "zEarlyDiff.h"

#include "zDiffusion.h"
#include "zNoteLaw.h"

zEarlyDiff::zEarlyDiff()
{
    for (auto& stage : stages_)
        stage = std::make_unique<zDiffDelay>();
    shelf_ = std::make_unique<zShelf>();
}

void zEarlyDiff::setSizeNote(float note) noexcept
{
    sizeNote_ = note;
    // The owner sets the size at every block start; the powers are taken only for a new note.
    if (!periodsNote_.matches(note))
    {
        periods_[0] = notePeriod(note + 8.0f);
        periods_[1] = notePeriod(note + 4.0f);
        periods_[2] = notePeriod(note);
    }
    for (int i = 0; i < 3; ++i)
        stages_[i]->delay().setDelayTime(periods_[i]);
}

void zEarlyDiff::setDiffusion(float amount) noexcept
{
    const zDiffusionCoefficients g(coefficientSpread_, amount);
    for (int i = 0; i < 3; ++i)
        stages_[i]->setCoefficient(g.stage[i]);
}

void zEarlyDiff::setHighShelfFrequency(float hz) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().highShelf().setFrequency(hz);
    shelf_->highShelf().setFrequency(hz);
}

void zEarlyDiff::setHighShelfGain(float db) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().highShelf().setGain(db);
    shelf_->highShelf().setGain(db);
}

void zEarlyDiff::setLowShelfFrequency(float hz) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().lowShelf().setFrequency(hz);
    shelf_->lowShelf().setFrequency(hz);
}

void zEarlyDiff::setLowShelfGain(float db) noexcept
{
    for (auto& stage : stages_)
        stage->shelf().lowShelf().setGain(db);
    shelf_->lowShelf().setGain(db);
}

void zEarlyDiff::setSampleRate(float hz) noexcept
{
    for (auto& stage : stages_)
        stage->setSampleRate(hz);
    shelf_->setSampleRate(hz);
}
