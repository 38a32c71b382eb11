#pragma once

#include "ProgramRecord.h"

/// The eleven parameters, by index: the one numbering the processor, the editor, the saved
/// state and the host adapters share. Indexes 0..6 sit at the same record position; 7..10 sit
/// one position further on, behind fOutGain.
namespace zvparams
{
enum Index
{
    EarlySize,
    LateSize,
    Decay,
    Diffusion,
    Listener,
    DryWet,
    Volume,
    OnOff,
    LeftOnOff,
    RightOnOff,
    StereoOnOff,
    count
};

struct Info
{
    const char* name;           ///< shown to hosts
    const char* stateKey;       ///< attribute name in the saved documents
    ProgramRecord::Field field; ///< where the value lives in a ProgramRecord
};

inline constexpr Info table[count] = {
    {"EarlySize", "fEarlySize", ProgramRecord::fEarlySize},
    {"LateSize", "fLateSize", ProgramRecord::fLateSize},
    {"Decay", "fDecay", ProgramRecord::fDecay},
    {"Diffusion", "fDiffusion", ProgramRecord::fDiffusion},
    {"Listener", "fListenerPos", ProgramRecord::fListenerPos},
    {"Dry-Wet", "fMix", ProgramRecord::fMix},
    {"Volume", "fVolume", ProgramRecord::fVolume},
    {"On-Off", "fOnButton", ProgramRecord::fOnButton},
    {"Left On-Off", "fLeftSelButton", ProgramRecord::fLeftSelButton},
    {"Right On-Off", "fRightSelButton", ProgramRecord::fRightSelButton},
    {"Stereo On-Off", "fStereoSelButton", ProgramRecord::fStereoSelButton},
};

inline bool isValid(int index) noexcept
{
    return index >= 0 && index < count;
}

/// Finds a parameter by its name, ignoring case; -1 when there is none.
inline int indexOfName(const juce::String& name) noexcept
{
    for (int i = 0; i < count; ++i)
        if (name.equalsIgnoreCase(table[i].name))
            return i;
    return -1;
}

/// The parameter's value as text: two decimals, the magnitude rounded half away from zero.
juce::String formatValue(float value);
} // namespace zvparams
