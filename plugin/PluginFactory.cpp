// The framework's processor factory, which every format's adapter calls for a new instance: the
// processor with the editor's factory, so that hosts get the window.

#include <editor/ZVPluginAudioProcessorEditor.h>
#include <processor/ZVPluginAudioProcessor.h>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ZVPluginAudioProcessor(&ZVPluginAudioProcessorEditor::create);
}
