#pragma once

// One record per parameter: every fact about a parameter is written here once, and the
// processor, the editor, the state documents, the format fronts, the tools and the tests read it
// from here. Plain C++17, so a front or tool that does not use the framework reads it too.

namespace zvparams
{
/// Positions in a program record, named after the state keys they are saved under. Parameters
/// 0..6 sit at their own index; 7..10 sit one position further on, behind fOutGain.
struct RecordLayout
{
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
};

/// The eleven parameters, by index: the one numbering the processor, the editor, the saved
/// state and the host adapters share.
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

enum class Kind
{
    continuous, ///< any value from 0 to 1
    toggle      ///< 0 (off) or 1 (on)
};

/// How the editor shows a continuous value: the normalised 0..1 spans displayMinimum to
/// displayMaximum in the given unit. Hosts see the normalised value only.
struct Display
{
    double minimum;
    double maximum;
    const char* unit;
};

struct Info
{
    const char* name;          ///< shown to hosts
    const char* stateKey;      ///< attribute name in the saved documents
    RecordLayout::Field field; ///< where the value lives in a program record
    float defaultValue;        ///< the value of a new instance and of every new program
    Kind kind;
    Display display; ///< for continuous parameters
};

inline constexpr Display percent{0.0, 100.0, "%"};
inline constexpr Display decibels{-12.0, 12.0, "db"};
inline constexpr Display onOff{0.0, 1.0, ""};

inline constexpr Info table[count] = {
    {"EarlySize", "fEarlySize", RecordLayout::fEarlySize, 0.5f, Kind::continuous, percent},
    {"LateSize", "fLateSize", RecordLayout::fLateSize, 0.5f, Kind::continuous, percent},
    {"Decay", "fDecay", RecordLayout::fDecay, 0.5f, Kind::continuous, percent},
    {"Diffusion", "fDiffusion", RecordLayout::fDiffusion, 0.5f, Kind::continuous, percent},
    {"Listener", "fListenerPos", RecordLayout::fListenerPos, 0.5f, Kind::continuous, percent},
    {"Dry-Wet", "fMix", RecordLayout::fMix, 0.5f, Kind::continuous, percent},
    {"Volume", "fVolume", RecordLayout::fVolume, 0.5f, Kind::continuous, decibels},
    {"On-Off", "fOnButton", RecordLayout::fOnButton, 1.0f, Kind::toggle, onOff},
    {"Left On-Off", "fLeftSelButton", RecordLayout::fLeftSelButton, 0.0f, Kind::toggle, onOff},
    {"Right On-Off", "fRightSelButton", RecordLayout::fRightSelButton, 0.0f, Kind::toggle, onOff},
    {"Stereo On-Off", "fStereoSelButton", RecordLayout::fStereoSelButton, 1.0f, Kind::toggle, onOff},
};

/// The derived output gain's value in a record that has not processed a block: unity.
inline constexpr float outGainDefault = 1.0f;

constexpr bool isValid(int index) noexcept
{
    return index >= 0 && index < count;
}

/// The default of a record position, fOutGain included.
constexpr float defaultValue(RecordLayout::Field field) noexcept
{
    for (const auto& info : table)
        if (info.field == field)
            return info.defaultValue;
    return outGainDefault;
}

/// A displayed value (a slider's position in its unit) as the normalised parameter value. The
/// displayed value is rounded to float first, as hosts have always received it.
constexpr float fromDisplay(const Display& d, double shown) noexcept
{
    return (float)((double)(float)(shown - d.minimum) / (d.maximum - d.minimum));
}

/// A normalised parameter value in the display's unit.
constexpr float toDisplay(const Display& d, float value) noexcept
{
    return value * (float)(d.maximum - d.minimum) + (float)d.minimum;
}

namespace detail
{
constexpr bool recordIsConsistent() noexcept
{
    for (int i = 0; i < count; ++i)
        if (table[i].field != (i < (int)RecordLayout::fOutGain ? i : i + 1))
            return false;
    return count + 1 == RecordLayout::numFields;
}
} // namespace detail
static_assert(detail::recordIsConsistent(), "each parameter sits at its index, behind fOutGain from 7 on");
} // namespace zvparams
