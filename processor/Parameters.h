#pragma once

#include "ParameterTable.h"
#include "ProgramRecord.h"

// The juce::String helpers around the parameter records (ParameterTable.h).
namespace zvparams
{
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
