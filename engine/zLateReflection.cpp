#include "zLateReflection.h"

#include "zNoteLaw.h"

void zLateReflection::setSize(float note) noexcept
{
    sizeNote_ = note;
    left_->setSizeNote(note - channelSpread_);
    left_->updateDelays();
    right_->setSizeNote(note + channelSpread_);
    right_->updateDelays();
}

void zLateReflection::setDiffusion(float amount) noexcept
{
    diffusion_ = amount;
    left_->setDiffusion(amount);
    right_->setDiffusion(amount);
}

void zLateReflection::setHighShelfNote(float note) noexcept
{
    left_->setHighShelfFrequency(noteFrequency(note));
    right_->setHighShelfFrequency(noteFrequency(note));
}

void zLateReflection::setLowShelfNote(float note) noexcept
{
    left_->setLowShelfFrequency(noteFrequency(note));
    right_->setLowShelfFrequency(noteFrequency(note));
}

void zLateReflection::redesignShelves() noexcept
{
    left_->redesignShelves();
    right_->redesignShelves();
}
