#include "zGUIScale.h"

#include <algorithm>
#include <cmath>

#if !JUCE_WINDOWS
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
const char* const scaleKey = "scale";
/// More than any settings file of ours needs; a larger file is not ours to read.
constexpr int largestFile = 16 * 1024;

#if JUCE_WINDOWS
bool holdsRegularFileOrNothing(const juce::File& file)
{
    return !file.exists() || file.existsAsFile();
}

/// Up to `largestFile` + 1 bytes of the file; nothing when it cannot be opened.
juce::MemoryBlock leadingBytes(const juce::File& file)
{
    juce::MemoryBlock data;
    if (!file.existsAsFile())
        return data;
    juce::FileInputStream in(file);
    if (in.openedOk())
        in.readIntoMemoryBlock(data, largestFile + 1);
    return data;
}
#else
/// True when the path leads to a regular file (through links too) or to nothing: the only
/// things a settings file may be written over.
bool holdsRegularFileOrNothing(const juce::File& file)
{
    struct stat info
    {
    };
    if (stat(file.getFullPathName().toRawUTF8(), &info) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode);
}

/// Up to `largestFile` + 1 bytes of the file; nothing unless the path leads to a regular file.
/// Whatever else may sit there is never read: a named pipe would keep the window (and the host
/// with it) waiting for a writer, a device could deliver bytes without end. The path is checked
/// before it is opened, so no pipe or device is ever opened in the first place, and what was
/// opened is checked again, since the path may have changed in between; the opening does not
/// wait on a pipe either way.
juce::MemoryBlock leadingBytes(const juce::File& file)
{
    juce::MemoryBlock data;
    const auto& name = file.getFullPathName();
    const char* path = name.toRawUTF8();
    struct stat info
    {
    };
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return data;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return data;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
    {
        data.setSize((size_t)largestFile + 1);
        size_t filled = 0;
        while (filled < data.getSize())
        {
            const auto n = read(fd, static_cast<char*>(data.getData()) + filled, data.getSize() - filled);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            filled += (size_t)n;
        }
        data.setSize(filled);
    }
    close(fd);
    return data;
}
#endif

/// The file's lines; none when the file is missing, unreadable, larger than `largestFile` or
/// not a regular file.
juce::StringArray linesOf(const juce::File& file)
{
    const auto data = leadingBytes(file);
    if (data.getSize() > (size_t)largestFile)
        return {};
    juce::StringArray lines;
    lines.addLines(juce::String::createStringFromData(data.getData(), (int)data.getSize()));
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
    return *std::min_element(steps.begin(), steps.end(),
                             [percent](int a, int b)
                             { return std::abs((float)a - percent) < std::abs((float)b - percent); });
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
    const juce::File folder =
        juce::File::isAbsolutePath(base)
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
    // A pipe, device or folder at the path is not ours to replace.
    if (!holdsRegularFileOrNothing(file))
        return false;
    juce::StringArray lines;
    for (const auto& line : linesOf(file))
        if (!isScaleLine(line) && line.trim().isNotEmpty())
            lines.add(line);
    lines.add(juce::String(scaleKey) + "=" +
              (isStep(percent) ? juce::String(percent) : juce::String("host")));
    if (!file.getParentDirectory().createDirectory())
        return false;
    juce::TemporaryFile temporary(file);
    return temporary.getFile().replaceWithText(lines.joinIntoString("\n") + "\n") &&
           temporary.overwriteTargetFileWithTemporary();
}
} // namespace zguiscale
