#include "zReverb.h"

#include "zNoteLaw.h"

#include <algorithm>

zReverb::zReverb(float sampleRate)
    : preDelay_(std::make_unique<zPreDelay>()), early_(std::make_unique<zEarlyReflection>()),
      late_(std::make_unique<zLateReflection>()), leftShelf_(std::make_unique<zShelf>()),
      rightShelf_(std::make_unique<zShelf>())
{
    setSampleRate(sampleRate);
    setBypass(false);
    setListenerPos(0.5f);
    applyVoicing();
}

void zReverb::applyVoicing() noexcept
{
    preDelay_->setBaseTime(preDelayBaseTime);
    preDelay_->setSpread(preDelaySpread);

    early_->setChannelSpread(earlyChannelSpread);

    // Tunes the late diffusers to the size stored so far, with the new spread.
    late_->setChannelSpread(lateChannelSpread);
    late_->setSize(late_->getSizeNote());

    early_->setHighShelfNote(diffuserHighShelfNote);
    late_->setHighShelfNote(diffuserHighShelfNote);
    early_->left().setHighShelfGain(diffuserHighShelfGain);
    early_->right().setHighShelfGain(diffuserHighShelfGain);
    late_->left().setHighShelfGain(diffuserHighShelfGain);
    late_->right().setHighShelfGain(diffuserHighShelfGain);
    early_->setLowShelfNote(diffuserLowShelfNote);
    late_->setLowShelfNote(diffuserLowShelfNote);
    early_->left().setLowShelfGain(diffuserLowShelfGain);
    early_->right().setLowShelfGain(diffuserLowShelfGain);
    late_->left().setLowShelfGain(diffuserLowShelfGain);
    late_->right().setLowShelfGain(diffuserLowShelfGain);

    late_->setModulationRate(modulationRate);
    late_->updateModulation();
    late_->setModulationDepth(modulationDepth);
    late_->updateModulation();

    late_->left().setCoefficientSpread(0.0f);
    late_->right().setCoefficientSpread(0.0f);
    late_->left().setDiffusion(late_->getDiffusion());
    late_->right().setDiffusion(late_->getDiffusion());

    early_->left().setCoefficientSpread(0.0f);
    early_->right().setCoefficientSpread(0.0f);
    early_->left().setDiffusion(early_->getDiffusion());
    early_->right().setDiffusion(early_->getDiffusion());

    const float outputHighHz = noteFrequency(outputHighShelfNote);
    leftShelf_->highShelf().setFrequency(outputHighHz);
    rightShelf_->highShelf().setFrequency(outputHighHz);
    leftShelf_->highShelf().setGain(outputHighShelfGain);
    rightShelf_->highShelf().setGain(outputHighShelfGain);
    const float outputLowHz = noteFrequency(outputLowShelfNote);
    leftShelf_->lowShelf().setFrequency(outputLowHz);
    rightShelf_->lowShelf().setFrequency(outputLowHz);
    leftShelf_->lowShelf().setGain(outputLowShelfGain);
    rightShelf_->lowShelf().setGain(outputLowShelfGain);
}

void zReverb::setEarlySize(float note) noexcept
{
    early_->setSize(note);
}

void zReverb::setLateSize(float note) noexcept
{
    late_->setSize(note);
}

void zReverb::setDiffusion(float amount) noexcept
{
    early_->setDiffusion(amount);
    late_->setDiffusion(amount);
}

void zReverb::setDecayTime(float seconds) noexcept
{
    late_->setDecayTime(seconds);
}

void zReverb::setListenerPos(float position) noexcept
{
    listenerPos_ = position;
    // Each weight is 1 - (1 - x)^2 of its own share x; n is a float, each product is formed in
    // double precision and rounded.
    const float m = position;
    const float n = 1.0f - m;
    lateWeight_ = static_cast<float>((2.0 - static_cast<double>(m)) * static_cast<double>(m));
    earlyWeight_ = static_cast<float>((2.0 - static_cast<double>(n)) * static_cast<double>(n));
}

void zReverb::setSampleRate(float hz) noexcept
{
    sampleRate_ = hz;
    preDelay_->setSampleRate(hz);
    early_->setSampleRate(hz);
    late_->setSampleRate(hz);
    leftShelf_->setSampleRate(hz);
    rightShelf_->setSampleRate(hz);
}

double zReverb::preDelaySeconds() noexcept
{
    const float left = (1.0f - preDelaySpread) * preDelayBaseTime;
    const float right = (1.0f + preDelaySpread) * preDelayBaseTime;
    return std::max(left, right);
}

void zReverb::process(float* left, float* right, int n) noexcept
{
    if (bypass_)
        return;
    zShelfLanes<2> output;
    output.load({leftShelf_.get(), rightShelf_.get()});
    for (int done = 0; done < n; done += zMaxRun)
    {
        const int run = std::min(zMaxRun, n - done);
        float* const l = left + done;
        float* const r = right + done;
        preDelay_->process(l, r, run);
        early_->process(l, r, run);
        float earlyLeft[zMaxRun];
        float earlyRight[zMaxRun];
        std::copy_n(l, run, earlyLeft);
        std::copy_n(r, run, earlyRight);
        late_->process(l, r, run);
        // As processStereo() blends: late x weight + early x weight (left), early x weight +
        // late x weight (right): the same sums, since the order of two addends never matters.
        for (int i = 0; i < run; ++i)
        {
            l[i] = lateWeight_ * l[i] + earlyWeight_ * earlyLeft[i];
            r[i] = earlyWeight_ * earlyRight[i] + lateWeight_ * r[i];
        }
        zLanes lanes[zMaxRun];
        zInterleave(l, r, l, r, lanes, run);
        for (int i = 0; i < run; ++i)
            lanes[i] = output.processSample(lanes[i]);
        zDeinterleave(lanes, l, r, earlyLeft, earlyRight, run);
    }
    output.store();
}
