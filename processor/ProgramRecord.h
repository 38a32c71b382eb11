#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>

/// One program: the twelve values the audio path uses, followed by the program's name.
/// The processor's live values use the same layout. Values are atomics because host threads
/// and the editor write them while the audio thread reads them; every access is one whole float.
struct ProgramRecord
{
    /// Positions in the record, named after the state keys they are saved under.
    enum Field
    {
        fEarlySize,
        fLateSize,
        fDecay,
        fDiffusion,
        fListenerPos,
        fMix,
        fVolume,
        fOutGain, ///< derived at every block start; never a parameter, never saved
        fOnButton,
        fLeftSelButton,
        fRightSelButton,
        fStereoSelButton,
        numFields
    };

    ProgramRecord() noexcept { setDefaults(); }

    float get(Field f) const noexcept { return values[(size_t)f].load(std::memory_order_relaxed); }
    void set(Field f, float v) noexcept { values[(size_t)f].store(v, std::memory_order_relaxed); }

    /// Every value at its factory default and the name "Default".
    void setDefaults()
    {
        for (int f = 0; f < numFields; ++f)
            set((Field)f, defaultValue((Field)f));
        programName = "Default";
    }

    static constexpr float defaultValue(Field f) noexcept
    {
        switch (f)
        {
        case fOutGain:
        case fOnButton:
        case fStereoSelButton:
            return 1.0f;
        case fLeftSelButton:
        case fRightSelButton:
            return 0.0f;
        default:
            return 0.5f;
        }
    }

    std::array<std::atomic<float>, numFields> values;
    juce::String programName;
};
