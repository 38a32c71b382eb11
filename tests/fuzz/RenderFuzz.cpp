// zv-render's option parsing and file reading on fuzz bytes: up to a dozen arguments (where
// "@in", "@doc" and "@out" stand for files in a scratch folder), then the bytes of an audio file
// and of a document. Every parse ends in options or a usage error; every render that parses ends
// in a file or an error, never a crash. Renders are kept short here: length is not what is tested.

#include <zv-render/Options.h>
#include <zv-render/Renderer.h>

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <unistd.h>

namespace
{
constexpr juce::int64 longestRender = 1 << 15; // samples

bool isShort(const zvrender::Options& options)
{
    if (options.impulseSeconds)
        return *options.impulseSeconds * options.impulseRate <= (double)longestRender;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    for (const auto& input : options.inputs)
    {
        std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(input));
        if (reader != nullptr && (reader->lengthInSamples > longestRender || reader->sampleRate > 1.0e6))
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static juce::ScopedJuceInitialiser_GUI framework;
    // The scratch folder goes when the program ends, so replays in the test suite leave nothing.
    static const struct ScratchFolder
    {
        ~ScratchFolder() { file.deleteRecursively(); }
        juce::File file = juce::File::getSpecialLocation(juce::File::tempDirectory)
                              .getChildFile("zv-render-fuzz-" + juce::String(getpid()));
    } scratch;
    const juce::File& folder = scratch.file;
    static const bool entered = folder.createDirectory() && folder.setAsCurrentWorkingDirectory();
    if (!entered)
        return 0;
    const auto in = folder.getChildFile("in.wav"), doc = folder.getChildFile("doc.xml"),
               out = folder.getChildFile("out.wav");

    FuzzedDataProvider bytes(data, size);
    juce::StringArray args;
    for (int n = bytes.ConsumeIntegralInRange(0, 12); n > 0; --n)
    {
        const auto text = bytes.ConsumeRandomLengthString(48);
        // The framework's conversion reads past the end of text that is not UTF-8, so only
        // well-formed arguments are passed on.
        if (!juce::CharPointer_UTF8::isValidString(text.c_str(), (int)text.size()))
            continue;
        auto arg = juce::String::fromUTF8(text.c_str(), (int)text.size());
        // Files only ever go to the scratch folder (relative names land there too).
        if (arg.containsChar('/') || arg.containsChar('\\'))
            continue;
        args.add(arg.replace("@in", in.getFullPathName())
                     .replace("@doc", doc.getFullPathName())
                     .replace("@out", out.getFullPathName()));
    }
    const auto audio =
        bytes.ConsumeBytes<char>(bytes.ConsumeIntegralInRange<size_t>(0, bytes.remaining_bytes()));
    const auto document = bytes.ConsumeRemainingBytes<char>();
    in.replaceWithData(audio.data(), audio.size());
    doc.replaceWithData(document.data(), document.size());

    try
    {
        auto options = zvrender::parseOptions(args);
        if (options.help)
        {
            (void)zvrender::helpText();
            return 0;
        }
        options.quiet = true;
        options.tailSeconds = std::min(options.tailSeconds.value_or(0.01), 0.01);
        if (isShort(options))
            zvrender::render(options);
    }
    catch (const std::exception&)
    {
        // A usage or render error is an answer.
    }
    return 0;
}
