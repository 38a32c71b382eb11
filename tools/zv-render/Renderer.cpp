#include "Renderer.h"

#include "Batch.h"
#include "Plot.h"
#include "Progress.h"
#include "RenderSession.h"

#include <FactoryPresets.h>
#include <ZVIdentity.h>
#include <processor/StateDocuments.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include <sys/stat.h>

#include <cmath>
#include <iostream>
#include <optional>

namespace zvrender
{
namespace
{
/// True when both names lead to the same file, through links too.
bool sameFile(const juce::File& a, const juce::File& b)
{
    struct stat sa, sb;
    if (::stat(a.getFullPathName().toRawUTF8(), &sa) == 0 &&
        ::stat(b.getFullPathName().toRawUTF8(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return a.getLinkedTarget() == b.getLinkedTarget();
}

/// Reads a saved document, either as the XML text --save-preset writes or as the binary form
/// hosts store, and returns it in the binary form the processor loads. The document passes the
/// same checks as a host's chunk before the processor sees it, so a damaged or hostile file
/// gets a clear error rather than a crash or a hang.
juce::MemoryBlock readDocument(const juce::File& file, const char* expectedTag, const char* what)
{
    juce::MemoryBlock data;
    if (!file.existsAsFile() || !file.loadFileAsData(data))
        throw RenderError("cannot read " + std::string(what) + " file " + quoted(file));
    const bool binary = zvstate::looksLikeChunk(data.getData(), data.getSize());
    const auto document =
        binary ? zvstate::readDocumentChunk(data.getData(), data.getSize())
               : zvstate::readDocumentText({static_cast<const char*>(data.getData()), data.getSize()});
    if (!document)
        throw RenderError(quoted(file) + " is not a " + what +
                          " document (not one element with attributes, or larger than its limits)");
    if (!zvstate::hasTag(*document, expectedTag))
        throw RenderError(quoted(file) + " is not a " + what + " document (its element is <" + document->tag +
                          ">)");
    if (!binary)
    {
        const auto chunk = zvstate::toChunk({static_cast<const char*>(data.getData()), data.getSize()});
        return juce::MemoryBlock(chunk.data(), chunk.size());
    }
    return data;
}

std::unique_ptr<juce::AudioFormatReader> openWav(const juce::File& file)
{
    juce::WavAudioFormat wav;
    auto stream = file.createInputStream();
    if (stream == nullptr)
        return nullptr;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(stream.get(), true));
    if (reader != nullptr)
        stream.release(); // the reader owns it now
    return reader;
}

/// Cuts the WAV file down to its first `length` frames, by copying them into a new file that
/// then takes its place. `output` names the file in messages.
void keepBeginning(const juce::File& file, juce::int64 length, double rate, int bits,
                   const juce::File& output)
{
    juce::TemporaryFile shorter(file);
    {
        auto reader = openWav(file);
        auto stream = shorter.getFile().createOutputStream();
        if (reader == nullptr || stream == nullptr)
            throw RenderError("cannot write output file " + quoted(output));
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(stream.get(), rate, 2, bits, {}, 0));
        if (writer == nullptr)
            throw RenderError("cannot write output file " + quoted(output));
        stream.release();
        if (!writer->writeFromAudioReader(*reader, 0, length))
            throw RenderError("cannot write output file " + quoted(output));
    }
    if (!shorter.overwriteTargetFileWithTemporary())
        throw RenderError("cannot write output file " + quoted(output));
}

/// The picture's data, read back from the written output so that it shows exactly that.
PlotAccumulator plotOf(const juce::File& output, bool spectrogram)
{
    auto reader = openWav(output);
    if (reader == nullptr)
        throw RenderError("cannot read back output file " + quoted(output));
    PlotAccumulator plot(reader->lengthInSamples, reader->sampleRate, spectrogram);
    juce::AudioBuffer<float> buffer(2, 16384);
    for (juce::int64 done = 0; done < reader->lengthInSamples;)
    {
        const int n = (int)std::min<juce::int64>(buffer.getNumSamples(), reader->lengthInSamples - done);
        reader->read(&buffer, 0, n, done, true, true);
        plot.add(buffer.getReadPointer(0), buffer.getReadPointer(1), n);
        done += n;
    }
    return plot;
}

/// The decay of the impulse response written to `output`. The measurement holds the response in
/// memory, so only its first 2^24 frames (over 20 s at the highest rate) are measured; what a
/// longer response would still carry is estimated from its decay.
zvmeasure::DecayMeasurement measureOutput(const juce::File& output)
{
    auto reader = openWav(output);
    if (reader == nullptr)
        throw RenderError("cannot read back output file " + quoted(output));
    const int n = (int)std::min<juce::int64>(reader->lengthInSamples, 1 << 24);
    juce::AudioBuffer<float> response(2, n);
    reader->read(&response, 0, n, 0, true, true);
    return zvmeasure::measureDecay({response.getReadPointer(0), response.getReadPointer(1)}, (std::size_t)n,
                                   reader->sampleRate);
}

/// Writes the picture of a render.
void writePlot(const Options& options, const juce::File& output, const juce::String& title,
               const zvmeasure::DecayMeasurement* decay)
{
    const auto image = plotOf(output, options.plotSpectrogram).draw(title, decay);
    juce::PNGImageFormat png;
    juce::FileOutputStream out(options.plot);
    if (!out.openedOk() || !out.setPosition(0) || !out.truncate().wasOk() ||
        !png.writeImageToStream(image, out))
        throw RenderError("cannot write picture " + quoted(options.plot));
}

/// Renders one input file, or the impulse response, to one output, with a progress bar, and
/// prints what the options ask for.
void renderOne(const Options& options)
{
    const bool impulse = options.impulseSeconds.has_value();
    const auto sources = filesRead(options);
    for (const auto* target : {&options.output, &options.plot, &options.savePreset})
        if (*target != juce::File())
            refuseOverwriting(sources, *target);

    ProgressBar progress(!options.quiet);
    const auto summary = renderFile(options, impulse ? juce::File() : options.inputs[0], options.output,
                                    [&](double done) { progress.update(done); });
    progress.clear();
    if (!summary.warning.empty())
        std::cerr << "zv-render: warning: " << summary.warning << "\n";

    std::optional<zvmeasure::DecayMeasurement> decay;
    if (impulse && (!options.quiet || options.plotDecay))
        decay = measureOutput(options.output);
    if (options.plot != juce::File())
        writePlot(options, options.output,
                  (impulse ? juce::String("Impulse response") : options.inputs[0].getFileName()) +
                      " through " + zvidentity::name,
                  options.plotDecay ? &*decay : nullptr);
    if (!options.quiet)
    {
        std::cout << summary.describe() << std::endl;
        if (decay)
            std::cout << "\n" << zvmeasure::formatDecay(*decay) << std::flush;
    }
}
} // namespace

InputAudio openInput(const juce::File& input)
{
    if (!input.existsAsFile())
        throw RenderError("input file " + quoted(input) + " does not exist");
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    InputAudio audio;
    audio.reader.reset(formats.createReaderFor(input));
    auto& reader = audio.reader;
    if (reader == nullptr)
        throw RenderError("cannot read " + quoted(input) + " as WAV, AIFF or FLAC audio");
    if (reader->numChannels < 1 || reader->sampleRate < 1.0 || reader->lengthInSamples < 0)
        throw RenderError(quoted(input) + " has no usable audio");
    // No rule for folding more channels into two is right for every file: quad, 5.1 and
    // ambisonics put different things in the same channel numbers. Taking the first two, or
    // averaging, would change the sound without a word.
    if (reader->numChannels > 2)
        throw RenderError(quoted(input) + " has " + std::to_string(reader->numChannels) +
                          " channels; zv-render takes mono or stereo files, so mix it down to stereo first");
    audio.sampleRate = reader->sampleRate;
    audio.length = reader->lengthInSamples;
    // An uncompressed file cannot hold more frames than its bytes carry. A header that claims
    // more (a recording cut short, or a damaged file) would have us render hours of silence;
    // what is really there is rendered instead.
    const juce::int64 bytesPerFrame = (juce::int64)reader->numChannels * (reader->bitsPerSample / 8);
    if (reader->getFormatName() != "FLAC file" && bytesPerFrame > 0)
    {
        const juce::int64 mostFrames = input.getSize() / bytesPerFrame;
        if (audio.length > mostFrames)
        {
            audio.warning = quoted(input) + " claims " + std::to_string(audio.length) +
                            " frames but holds at most " + std::to_string(mostFrames) +
                            "; rendering what it holds";
            audio.length = mostFrames;
        }
    }
    return audio;
}

std::string quoted(const juce::File& file)
{
    return "'" + file.getFullPathName().toStdString() + "'";
}

std::vector<juce::File> filesRead(const Options& options)
{
    auto files = options.inputs;
    for (const auto* document : {&options.preset, &options.bank})
        if (*document != juce::File())
            files.push_back(*document);
    return files;
}

void refuseOverwriting(const std::vector<juce::File>& sources, const juce::File& target)
{
    for (const auto& source : sources)
        if (sameFile(source, target))
            throw RenderError("refusing to overwrite the input file " + quoted(source));
}

void applySettings(ZVPluginAudioProcessor& processor, const Options& options)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    if (options.bank != juce::File())
    {
        const auto data = readDocument(options.bank, "ZV-REVERB_LX_BANK", "bank");
        processor.setStateInformation(data.getData(), (int)data.getSize());
        processor.setCurrentProgram(options.program);
    }
    if (options.factoryPreset.isNotEmpty())
        zvpresets::load(processor, *zvpresets::find(options.factoryPreset));
    if (options.preset != juce::File())
    {
        if (!options.preset.exists())
            throw RenderError("no preset file " + quoted(options.preset) + " and no factory preset named '" +
                              options.preset.getFileName().toStdString() + "'; the factory presets are " +
                              zvpresets::names().toStdString());
        const auto data = readDocument(options.preset, "ZV-REVERB_LX_PRESET", "preset");
        processor.setCurrentProgramStateInformation(data.getData(), (int)data.getSize());
    }
    for (const auto& [index, value] : options.sets)
        processor.setParameter(index, value);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

void savePresetIfAsked(ZVPluginAudioProcessor& processor, const Options& options)
{
    if (options.savePreset == juce::File())
        return;
    juce::MemoryBlock data;
    processor.getCurrentProgramStateInformation(data);
    const auto xml = juce::AudioProcessor::getXmlFromBinary(data.getData(), (int)data.getSize());
    if (xml == nullptr || !options.savePreset.replaceWithText(xml->toString()))
        throw RenderError("cannot write preset file " + quoted(options.savePreset));
}

std::string RenderSummary::describe() const
{
    const double audioSeconds = (double)length / sampleRate;
    const double tailWritten = (double)(length - inputLength) / sampleRate;
    const double peakDb = peak > 0.0f ? 20.0 * std::log10(peak) : -999.0;
    return ("Rendered " + juce::String(audioSeconds, 2) + " s at " + juce::String(sampleRate) + " Hz (" +
            juce::String(tailWritten, 2) + " s of tail) in " + juce::String(wallSeconds, 2) + " s: peak " +
            juce::String(peakDb, 1) + " dBFS, reverb at " +
            juce::String(audioSeconds / std::max(processingSeconds, 1e-9), 1) + "x realtime -> " +
            output.getFullPathName())
        .toStdString();
}

RenderSummary renderFile(const Options& options, const juce::File& input, const juce::File& output,
                         const std::function<void(double)>& progress)
{
    const bool impulse = options.impulseSeconds.has_value();
    InputAudio in;
    double rate = options.impulseRate;
    if (!impulse)
    {
        in = openInput(input);
        rate = in.sampleRate;
    }
    const juce::int64 inputLength =
        impulse ? (juce::int64)std::ceil(*options.impulseSeconds * rate) : in.length;
    const auto& reader = in.reader;

    ZVPluginAudioProcessor processor;
    applySettings(processor, options);
    savePresetIfAsked(processor, options);
    // Prepared before the tail is asked for, which depends on the rate.
    RenderSession session(processor, rate, options.blockSize);

    const double tail = impulse ? 0.0 : options.tailSeconds.value_or(processor.getTailLengthSeconds());
    const juce::int64 total = inputLength + (juce::int64)std::ceil(tail * rate);
    // The reported tail is an upper estimate; what is left of it once the output has fallen below
    // -120 dBFS for good is silence, and is not written. A tail the user asked for is kept whole.
    const bool trimTail = !impulse && !options.tailSeconds;
    constexpr float audible = 1.0e-6f; // -120 dBFS

    // Written next to the output and moved into place at the end, so a failed render never
    // leaves a half-written file under the output's name.
    juce::TemporaryFile temporary(output);
    std::unique_ptr<juce::AudioFormatWriter> writer;
    {
        auto stream = temporary.getFile().createOutputStream();
        if (stream == nullptr)
            throw RenderError("cannot write output file " + quoted(output));
        juce::WavAudioFormat wav;
        writer.reset(wav.createWriterFor(stream.get(), rate, 2, options.bitsPerSample, {}, 0));
        if (writer == nullptr)
            throw RenderError("cannot write a WAV file at " + std::to_string(rate) + " Hz");
        stream.release(); // the writer owns it now
    }

    // Chunks of whole blocks, so block boundaries fall where a host's would.
    const int chunk = options.blockSize * std::max(1, 16384 / options.blockSize);
    juce::AudioBuffer<float> buffer(2, chunk);
    RenderSummary summary;
    summary.output = output;
    summary.sampleRate = rate;
    summary.inputLength = inputLength;
    summary.warning = in.warning;
    juce::int64 lastAudible = -1; // in the appended tail
    const auto started = juce::Time::getHighResolutionTicks();
    juce::int64 processingTicks = 0;

    for (juce::int64 done = 0; done < total;)
    {
        const int n = (int)std::min<juce::int64>(chunk, total - done);
        buffer.clear();
        if (reader != nullptr && done < inputLength)
        {
            const int fromFile = (int)std::min<juce::int64>(n, inputLength - done);
            if (reader->numChannels == 1)
            {
                reader->read(&buffer, 0, fromFile, done, true, false);
                buffer.copyFrom(1, 0, buffer, 0, 0, fromFile);
            }
            else
                reader->read(&buffer, 0, fromFile, done, true, true);
        }
        else if (impulse && done == 0)
        {
            buffer.setSample(0, 0, 1.0f);
            buffer.setSample(1, 0, 1.0f);
        }

        const auto t0 = juce::Time::getHighResolutionTicks();
        session.process(buffer, 0, n);
        processingTicks += juce::Time::getHighResolutionTicks() - t0;

        summary.peak = std::max(summary.peak, buffer.getMagnitude(0, n));
        for (int i = (int)std::max<juce::int64>(0, inputLength - done); i < n; ++i)
            if (std::fabs(buffer.getSample(0, i)) >= audible || std::fabs(buffer.getSample(1, i)) >= audible)
                lastAudible = done + i;
        if (!writer->writeFromAudioSampleBuffer(buffer, 0, n))
            throw RenderError("cannot write output file " + quoted(output));
        done += n;
        if (progress)
            progress((double)done / (double)total);
    }
    writer.reset();
    summary.length = trimTail ? std::max(inputLength, lastAudible + 1) : total;
    if (summary.length < total)
        keepBeginning(temporary.getFile(), summary.length, rate, options.bitsPerSample, output);
    if (!temporary.overwriteTargetFileWithTemporary())
        throw RenderError("cannot write output file " + quoted(output));

    summary.processingSeconds =
        juce::Time::highResolutionTicksToSeconds(std::max<juce::int64>(1, processingTicks));
    summary.wallSeconds =
        juce::Time::highResolutionTicksToSeconds(juce::Time::getHighResolutionTicks() - started);
    return summary;
}

void render(const Options& options)
{
    if (options.isBatch())
    {
        renderBatch(options);
        return;
    }
    renderOne(options);
}
} // namespace zvrender
