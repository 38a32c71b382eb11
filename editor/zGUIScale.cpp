#include "zGUIScale.h"

#include <algorithm>
#include <cmath>

namespace
{
const char* const scaleKey = "scale";
/// More than any settings file of ours needs; a larger file is not ours to read.
constexpr juce::int64 largestFile = 16 * 1024;

juce::StringArray linesOf(const juce::File& file)
{
    if (!file.existsAsFile() || file.getSize() > largestFile)
        return {};
    juce::StringArray lines;
    lines.addLines(file.loadFileAsString());
    return lines;
}

bool isScaleLine(const juce::String& line)
{
    return line.upToFirstOccurrenceOf("=", false, false).trim() == scaleKey;
}
} // namespace

namespace zguiscale
{
int nearestStep(float scaleFactor)
{
    if (!std::isfinite(scaleFactor))
        return steps.front();
    const float percent = scaleFactor * 100.0f;
    return *std::min_element(steps.begin(), steps.end(), [percent](int a, int b) {
        return std::abs((float) a - percent) < std::abs((float) b - percent);
    });
}

bool isStep(int percent)
{
    return std::find(steps.begin(), steps.end(), percent) != steps.end();
}

juce::File settingsFile()
{
#if JUCE_LINUX || JUCE_BSD
    auto base = juce::SystemStats::getEnvironmentVariable("XDG_CONFIG_HOME", {});
    // XDG_CONFIG_HOME counts only as an absolute path; anything else is ignored, as the XDG rules say.
    const juce::File folder = juce::File::isAbsolutePath(base)
                                  ? juce::File(base)
                                  : juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile(".config");
#else
    const auto folder = juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory);
#endif
    return folder.getChildFile("ZV-Reverb LX").getChildFile("settings");
}

int readChosenScale(const juce::File& file)
{
    for (const auto& line : linesOf(file))
    {
        if (!isScaleLine(line))
            continue;
        const auto value = line.fromFirstOccurrenceOf("=", false, false).trim();
        if (!value.containsOnly("0123456789") || value.length() > 3)
            return 0;
        const int percent = value.getIntValue();
        return isStep(percent) ? percent : 0;
    }
    return 0;
}

bool writeChosenScale(const juce::File& file, int percent)
{
    juce::StringArray lines;
    for (const auto& line : linesOf(file))
        if (!isScaleLine(line) && line.trim().isNotEmpty())
            lines.add(line);
    lines.add(juce::String(scaleKey) + "=" + (isStep(percent) ? juce::String(percent) : juce::String("host")));
    if (!file.getParentDirectory().createDirectory())
        return false;
    juce::TemporaryFile temporary(file);
    return temporary.getFile().replaceWithText(lines.joinIntoString("\n") + "\n")
           && temporary.overwriteTargetFileWithTemporary();
}
} // namespace zguiscale
