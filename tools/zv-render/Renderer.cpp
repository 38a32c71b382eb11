#include "Renderer.h"

#include "Batch.h"
#include "DecayTime.h"
#include "Plot.h"
#include "Progress.h"
#include "RenderSession.h"
#include "StateFiles.h"

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

/// The output file read back, in whichever format it was written.
std::unique_ptr<juce::AudioFormatReader> openOutput(const juce::File& file)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(file));
    if (reader == nullptr)
        throw RenderError("cannot read back output file " + quoted(file));
    return reader;
}

/// Writes the first `length` frames of the float render `raw` into `target` in the options'
/// format, times `gain`, counting the samples an integer format has to limit to full scale.
void writeFinal(const juce::File& raw, juce::int64 length, const Options& options, RenderSummary& summary,
                const juce::File& target, const juce::File& output)
{
    auto reader = openOutput(raw);
    const auto* format = outputFormatNamed(options.format);
    auto writer =
        createWriter(*format, target.createOutputStream(), summary.sampleRate, options.bitsPerSample);
    if (writer == nullptr)
        throw RenderError("cannot write a " + juce::String(format->name).toUpperCase().toStdString() +
                          " file at " + std::to_string(summary.sampleRate) + " Hz with " +
                          std::to_string(options.bitsPerSample) + " bits");
    const bool integer = options.bitsPerSample != 32;
    juce::AudioBuffer<float> buffer(2, 16384);
    summary.peak = 0.0f;
    for (juce::int64 done = 0; done < length;)
    {
        const int n = (int)std::min<juce::int64>(buffer.getNumSamples(), length - done);
        reader->read(&buffer, 0, n, done, true, true);
        buffer.applyGain(0, n, (float)summary.gain);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
            {
                const float x = std::fabs(buffer.getSample(c, i));
                summary.peak = std::max(summary.peak, x);
                summary.clipped += integer && x > 1.0f ? 1 : 0;
            }
        if (!writer->writeFromAudioSampleBuffer(buffer, 0, n))
            throw RenderError("cannot write output file " + quoted(output));
        done += n;
    }
}

/// The picture's data, read back from the written output so that it shows exactly that.
PlotAccumulator plotOf(const juce::File& output, bool spectrogram)
{
    auto reader = openOutput(output);
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
    auto reader = openOutput(output);
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
    refuseSharedOutputs(options);
    for (const auto* target : {&options.output, &options.plot, &options.savePreset})
        if (*target != juce::File())
            refuseOverwriting(sources, *target);

    ProgressBar progress(!options.quiet);
    const auto summary = renderFile(options, impulse ? juce::File() : options.inputs[0], options.output,
                                    [&](double done) { progress.update(done); });
    progress.clear();
    for (const auto& warning : {summary.warning, summary.clipWarning()})
        if (!warning.empty())
            std::cerr << "zv-render: warning: " << warning << "\n";

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
            std::cout << "\nImpulse response after the start-up glides, "
                      << (summary.dryWet >= 1.0f
                              ? juce::String("wet only (Dry-Wet=1)")
                              : "dry sound included (Dry-Wet=" + zvparams::formatValue(summary.dryWet) +
                                    "; Dry-Wet=1 measures the room alone)")
                      << "\n"
                      << zvmeasure::formatDecay(*decay) << std::flush;
    }
}
} // namespace

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

void refuseSharedOutputs(const Options& options)
{
    const std::pair<const juce::File*, const char*> outputs[] = {
        {&options.output, "the output"}, {&options.plot, "--plot"}, {&options.savePreset, "--save-preset"}};
    for (size_t i = 0; i < std::size(outputs); ++i)
        for (size_t j = i + 1; j < std::size(outputs); ++j)
            if (*outputs[i].first != juce::File() && *outputs[j].first != juce::File() &&
                (*outputs[i].first == *outputs[j].first || sameFile(*outputs[i].first, *outputs[j].first)))
                throw UsageError(std::string(outputs[i].second) + " and " + outputs[j].second +
                                 " name one file, " + quoted(*outputs[j].first) +
                                 "; the second would replace the first");
}

void applySettings(ZVPluginAudioProcessor& processor, const Options& options)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    if (options.bank != juce::File())
    {
        const auto data = readStateFile(options.bank, StateKind::bank);
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
        const auto data = readStateFile(options.preset, StateKind::preset);
        processor.setCurrentProgramStateInformation(data.getData(), (int)data.getSize());
    }
    for (const auto& [index, value] : options.sets)
        processor.setParameter(index, value);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

std::array<float, zvparams::count> settingsOf(ZVPluginAudioProcessor& processor)
{
    std::array<float, zvparams::count> values{};
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    for (int i = 0; i < zvparams::count; ++i)
        values[(size_t)i] = processor.getParameter(i);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    return values;
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
    // Below -120 dBFS nothing is heard, and no output format but float even holds it.
    const auto level = peak >= 1.0e-6f ? "peak " + juce::String(20.0 * std::log10(peak), 1) + " dBFS"
                                       : juce::String("silent (peak below -120 dBFS)");
    const auto normalised =
        gain != 1.0 ? " after --normalize (gain " + juce::String(20.0 * std::log10(gain), 1) + " dB)"
                    : juce::String();
    return ("Rendered " + juce::String(audioSeconds, 2) + " s at " + juce::String(sampleRate) + " Hz (" +
            juce::String(tailWritten, 2) + " s of tail) in " + juce::String(wallSeconds, 2) + " s: " + level +
            normalised + ", reverb at " + juce::String(audioSeconds / std::max(processingSeconds, 1e-9), 1) +
            "x realtime -> " + output.getFullPathName())
               .toStdString() +
           (rt60 != 0.0 ? "\n" + describeRt60(rt60) : std::string());
}

std::string RenderSummary::clipWarning() const
{
    if (clipped == 0)
        return {};
    return std::to_string(clipped) + " samples clipped in the " + std::to_string(bits) +
           "-bit output (peak " + juce::String(20.0 * std::log10(peak), 1).toStdString() +
           " dBFS before limiting): lower Volume, give --normalize to scale the whole render below full "
           "scale, or write --bits 32 (float), which does not clip";
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
    // An impulse response describes the reverb as it sounds in use, after the start-up glides.
    if (impulse)
        session.settle();

    const double tail = impulse ? 0.0 : options.tailSeconds.value_or(processor.getTailLengthSeconds());
    const juce::int64 total = inputLength + (juce::int64)std::ceil(tail * rate);
    // The reported tail is an upper estimate; what is left of it once the output has fallen below
    // -120 dBFS for good is silence, and is not written. A tail the user asked for is kept whole.
    const bool trimTail = !impulse && !options.tailSeconds;
    constexpr float audible = 1.0e-6f; // -120 dBFS

    // The render goes first into a float file, from which the output is written once its length
    // and peak are known: in its format, trimmed, normalised if asked. Both sit next to the output
    // and the output is moved into place at the end, so a failed render never leaves a
    // half-written file under the output's name.
    juce::TemporaryFile raw(output.withFileExtension(".wav")), temporary(output);
    auto writer = createWriter(*outputFormatNamed("wav"), raw.getFile().createOutputStream(), rate, 32);
    if (writer == nullptr)
        throw RenderError("cannot write output file " + quoted(output));

    // Chunks of whole blocks, so block boundaries fall where a host's would.
    const int chunk = options.blockSize * std::max(1, 16384 / options.blockSize);
    juce::AudioBuffer<float> buffer(2, chunk);
    RenderSummary summary;
    summary.output = output;
    summary.sampleRate = rate;
    summary.inputLength = inputLength;
    summary.bits = options.bitsPerSample;
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    summary.dryWet = processor.getParameter(zvparams::DryWet);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    if (!options.quiet)
        summary.rt60 = roomRt60(settingsOf(processor), rate);
    summary.warning = in.warning;
    juce::int64 lastAudible = -1; // in the appended tail
    float rawPeak = 0.0f;
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

        rawPeak = std::max(rawPeak, buffer.getMagnitude(0, n));
        // From the first frame after the input, if it lies in this chunk: counted in 64 bits
        // until it is known to be within the chunk.
        for (int i = (int)juce::jlimit<juce::int64>(0, n, inputLength - done); i < n; ++i)
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
    if (options.normalizeDb && rawPeak > 0.0f)
        summary.gain = std::pow(10.0, *options.normalizeDb / 20.0) / rawPeak;
    writeFinal(raw.getFile(), summary.length, options, summary, temporary.getFile(), output);
    if (!temporary.overwriteTargetFileWithTemporary())
        throw RenderError("cannot write output file " + quoted(output));

    summary.processingSeconds =
        juce::Time::highResolutionTicksToSeconds(std::max<juce::int64>(1, processingTicks));
    summary.wallSeconds =
        juce::Time::highResolutionTicksToSeconds(juce::Time::getHighResolutionTicks() - started);
    return summary;
}

void render(const Options& asked)
{
    auto options = asked;
    if (options.rt60Seconds)
    {
        // Solved once, at the rate of the impulse or of the (first) input, and then applied as a
        // --set Decay, so every file of a batch and a saved preset get the same value.
        const double rate =
            options.impulseSeconds ? options.impulseRate : openInput(options.inputs[0]).sampleRate;
        ZVPluginAudioProcessor processor;
        applySettings(processor, options);
        const auto choice = chooseDecay(settingsOf(processor), *options.rt60Seconds, rate);
        if (!options.quiet)
            std::cout << "--rt60 " << juce::String(*options.rt60Seconds) << ": Decay "
                      << juce::String(choice.decay, 4) << " gives RT60 " << juce::String(choice.rt60, 2)
                      << " s at " << juce::String(rate) << " Hz"
                      << (choice.note.empty() ? "" : "; " + choice.note) << std::endl;
        options.sets.push_back({zvparams::Decay, choice.decay});
    }
    if (options.isBatch())
    {
        renderBatch(options);
        return;
    }
    renderOne(options);
}
} // namespace zvrender
