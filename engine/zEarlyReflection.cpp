#include "zEarlyReflection.h"

#include "zNoteLaw.h"

void zEarlyReflection::setSize(float note) noexcept
{
    sizeNote_ = note;
    left_->setSizeNote(note - channelSpread_);
    right_->setSizeNote(note + channelSpread_);
}

void zEarlyReflection::setDiffusion(float amount) noexcept
{
    diffusion_ = amount;
    left_->setDiffusion(amount);
    right_->setDiffusion(amount);
}

void zEarlyReflection::setHighShelfNote(float note) noexcept
{
    left_->setHighShelfFrequency(noteFrequency(note));
    right_->setHighShelfFrequency(noteFrequency(note));
}

void zEarlyReflection::setLowShelfNote(float note) noexcept
{
    left_->setLowShelfFrequency(noteFrequency(note));
    right_->setLowShelfFrequency(noteFrequency(note));
}

void zEarlyReflection::redesignShelves() noexcept
{
    left_->redesignShelves();
    right_->redesignShelves();
}
