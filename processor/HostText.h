#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

/// The length of text cut at `length` bytes, less the bytes of a UTF-8 character that the cut
/// left unfinished, when the text before them is UTF-8; `length` otherwise. A name cut short
/// so stays UTF-8 rather than being read as Latin-1 for its last, broken character.
inline std::size_t lengthBeforeCutCharacter(const char* bytes, std::size_t length)
{
    if (juce::CharPointer_UTF8::isValidString(bytes, (int)length))
        return length;
    // A character's lead byte is at most three bytes back, and announces more bytes than follow.
    for (std::size_t back = 1; back <= 3 && back <= length; ++back)
    {
        const auto c = (unsigned char)bytes[length - back];
        if ((c & 0xc0) == 0x80)
            continue;
        const std::size_t announced = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
        if (announced > back && juce::CharPointer_UTF8::isValidString(bytes, (int)(length - back)))
            return length - back;
        break;
    }
    return length;
}

/// Text from outside (a host's program name, a command-line argument): UTF-8 as nearly all
/// senders mean it, and byte by byte as Latin-1 when it is not valid UTF-8, so it never becomes
/// invalid text inside the plug-in.
inline juce::String textFromHost(const char* bytes, std::size_t length)
{
    if (juce::CharPointer_UTF8::isValidString(bytes, (int)length))
        return juce::String::fromUTF8(bytes, (int)length);
    juce::String latin1;
    for (std::size_t i = 0; i < length; ++i)
        latin1 += (juce::juce_wchar)(unsigned char)bytes[i];
    return latin1;
}
