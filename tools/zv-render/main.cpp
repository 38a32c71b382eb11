// zv-render: the command-line renderer. Puts audio files through the same processor and engine
// the plug-in uses, block by block as a host does.

#include "Options.h"
#include "Renderer.h"

#include <processor/HostText.h>

#include <juce_events/juce_events.h>

#include <cstring>
#include <iostream>

int main(int argc, char* argv[])
{
    juce::StringArray args;
    // An argument that is not UTF-8 (a file name from another locale) is read as Latin-1.
    for (int i = 1; i < argc; ++i)
        args.add(textFromHost(argv[i], std::strlen(argv[i])));

    try
    {
        const auto options = zvrender::parseOptions(args);
        // The framework's fonts and image code expect it to be initialised; no window is opened.
        juce::ScopedJuceInitialiser_GUI framework;
        if (options.help || options.version || options.listPresets)
        {
            std::cout << (options.help      ? zvrender::helpText()
                          : options.version ? zvrender::versionText()
                                            : zvrender::presetListText());
            return zvrender::exitOk;
        }
        zvrender::render(options);
        return zvrender::exitOk;
    }
    catch (const zvrender::UsageError& e)
    {
        std::cerr << "zv-render: " << e.what() << "\n";
        return zvrender::exitUsage;
    }
    catch (const std::exception& e)
    {
        std::cerr << "zv-render: error: " << e.what() << "\n";
        return zvrender::exitRenderFailed;
    }
}
