#pragma once

#include <juce_core/juce_core.h>

#include <array>

/// The window's scales and the user's choice among them, kept in a small settings file of the
/// user's own. The window is drawn sharp at any scale; these five steps keep the choice simple
/// and the layout's lines on whole or half pixels.
namespace zguiscale
{
inline constexpr std::array<int, 5> steps{100, 125, 150, 175, 200};

/// The step nearest to a host's or desktop's scale factor (1.0 is 100 %), limited to the steps'
/// range.
int nearestStep(float scaleFactor);

/// True for one of the five steps.
bool isStep(int percent);

/// The user's settings file: "ZV-Reverb LX/settings" in $XDG_CONFIG_HOME, or in ~/.config when
/// that is not set (on Windows and macOS, the user's application data folder).
juce::File settingsFile();

/// The scale the user chose, in percent, or 0 when the window follows the host or desktop. A
/// missing, unreadable, damaged or oversized file, anything but a regular file at the path (a
/// pipe, a device, a folder), and any value that is not a step, read as 0. Never waits.
int readChosenScale(const juce::File& file);

/// Stores the choice (0: follow the host), keeping any other lines of the file. The file is
/// replaced whole, so a crash midway never leaves half a file behind. False, with nothing
/// written, when something other than a regular file is at the path.
bool writeChosenScale(const juce::File& file, int percent);
} // namespace zguiscale
