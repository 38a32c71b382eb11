#pragma once

#include "GoldenCases.h"

namespace golden
{
/// Renders a plug-in case through a new ZVPluginAudioProcessor of this program, built at the
/// engine's initial rate of 44100 Hz and then prepared for the case's rate, as a host does.
std::vector<float> renderProcessor(const PluginCase& c);
} // namespace golden
