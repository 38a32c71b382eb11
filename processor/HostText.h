#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

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
