// The processor's state operations on any bytes, each as a bank and as a preset, in both the
// host's binary form and wrapped as a well-framed chunk, then a save: nothing may crash, and
// every value the load leaves must be finite.

#include <processor/DocumentReader.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One instance for the whole run: building the engine's delay lines per input would cost
    // most of the time. Every input starts from the defaults of the table.
    static juce::ScopedJuceInitialiser_GUI framework;
    static ZVPluginAudioProcessor processor;
    static const juce::MemoryBlock defaults = []
    {
        juce::MemoryBlock m;
        processor.getStateInformation(m);
        return m;
    }();
    processor.setStateInformation(defaults.getData(), (int)defaults.getSize());

    juce::MemoryBlock framed;
    {
        juce::MemoryOutputStream out(framed, false);
        out.writeInt((int)zvstate::binaryMagic);
        out.writeInt((int)size);
        out.write(data, size);
        out.writeByte(0);
    }
    for (const void* block : {static_cast<const void*>(data), static_cast<const void*>(framed.getData())})
    {
        const int n = block == data ? (int)size : (int)framed.getSize();
        processor.setStateInformation(block, n);
        processor.setCurrentProgramStateInformation(block, n);
    }
    for (int i = 0; i < processor.getNumParameters(); ++i)
        if (!std::isfinite(processor.getParameter(i)))
            std::abort();
    juce::MemoryBlock saved;
    processor.getStateInformation(saved);
    processor.getCurrentProgramStateInformation(saved);
    return 0;
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
