#include "Renderer.h"

#include "Plot.h"
#include "RenderSession.h"

#include <processor/StateDocuments.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <iostream>

namespace zvrender
{
namespace
{
/// True when both names lead to the same file, through links too.
bool sameFile(const juce::File& a, const juce::File& b)
{
    struct stat sa, sb;
    if (::stat(a.getFullPathName().toRawUTF8(), &sa) == 0 && ::stat(b.getFullPathName().toRawUTF8(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return a.getLinkedTarget() == b.getLinkedTarget();
}

std::string quoted(const juce::File& f) { return "'" + f.getFullPathName().toStdString() + "'"; }

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
    const auto document = binary ? zvstate::readDocumentChunk(data.getData(), data.getSize())
                                 : zvstate::readDocumentText({ static_cast<const char*>(data.getData()), data.getSize() });
    if (!document)
        throw RenderError(quoted(file) + " is not a " + what
                          + " document (not one element with attributes, or larger than its limits)");
    if (!zvstate::hasTag(*document, expectedTag))
        throw RenderError(quoted(file) + " is not a " + what + " document (its element is <" + document->tag + ">)");
    if (!binary)
    {
        const auto chunk = zvstate::toChunk({ static_cast<const char*>(data.getData()), data.getSize() });
        return juce::MemoryBlock(chunk.data(), chunk.size());
    }
    return data;
}

class ProgressBar
{
public:
    ProgressBar(bool enabled, juce::int64 total) : show(enabled && ::isatty(2)), total(std::max<juce::int64>(1, total)) {}
    void update(juce::int64 done)
    {
        if (!show)
            return;
        const int percent = (int)(done * 100 / total);
        if (percent == last)
            return;
        last = percent;
        const int filled = percent * 40 / 100;
        std::cerr << "\r[" << std::string((size_t)filled, '#') << std::string((size_t)(40 - filled), '-') << "] "
                  << percent << "%" << std::flush;
    }
    void finish()
    {
        if (show)
            std::cerr << "\r" << std::string(50, ' ') << "\r" << std::flush;
    }

private:
    bool show;
    juce::int64 total;
    int last = -1;
};

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
/// then takes its place.
void keepBeginning(const juce::File& file, juce::int64 length, double rate, const Options& options)
{
    juce::TemporaryFile shorter(file);
    {
        auto reader = openWav(file);
        auto stream = shorter.getFile().createOutputStream();
        if (reader == nullptr || stream == nullptr)
            throw RenderError("cannot write output file " + quoted(options.output));
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(stream.get(), rate, 2, options.bitsPerSample, {}, 0));
        if (writer == nullptr)
            throw RenderError("cannot write output file " + quoted(options.output));
        stream.release();
        if (!writer->writeFromAudioReader(*reader, 0, length))
            throw RenderError("cannot write output file " + quoted(options.output));
    }
    if (!shorter.overwriteTargetFileWithTemporary())
        throw RenderError("cannot write output file " + quoted(options.output));
}

/// The picture's data, read back from the written output so that it shows exactly that.
PlotAccumulator plotOf(const juce::File& output, double rate)
{
    auto reader = openWav(output);
    if (reader == nullptr)
        throw RenderError("cannot read back output file " + quoted(output));
    PlotAccumulator plot(reader->lengthInSamples, rate);
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
} // namespace

void applySettings(ZVPluginAudioProcessor& processor, const Options& options)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    if (options.bank != juce::File())
    {
        const auto data = readDocument(options.bank, "ZV-REVERB_LX_BANK", "bank");
        processor.setStateInformation(data.getData(), (int)data.getSize());
        processor.setCurrentProgram(options.program);
    }
    if (options.preset != juce::File())
    {
        const auto data = readDocument(options.preset, "ZV-REVERB_LX_PRESET", "preset");
        processor.setCurrentProgramStateInformation(data.getData(), (int)data.getSize());
    }
    for (const auto& [index, value] : options.sets)
        processor.setParameter(index, value);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    if (options.savePreset != juce::File())
    {
        juce::MemoryBlock data;
        processor.getCurrentProgramStateInformation(data);
        const auto xml = juce::AudioProcessor::getXmlFromBinary(data.getData(), (int)data.getSize());
        if (xml == nullptr || !options.savePreset.replaceWithText(xml->toString()))
            throw RenderError("cannot write preset file " + quoted(options.savePreset));
    }
}

void render(const Options& options)
{
    // Never write over anything we read.
    for (const auto* source : { &options.input, &options.preset, &options.bank })
        if (*source != juce::File())
            for (const auto* target : { &options.output, &options.plot, &options.savePreset })
                if (*target != juce::File() && sameFile(*source, *target))
                    throw RenderError("refusing to overwrite the input file " + quoted(*source));

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader;
    double rate = options.impulseRate;
    juce::int64 inputLength = 0;
    if (!options.impulseSeconds)
    {
        if (!options.input.existsAsFile())
            throw RenderError("input file " + quoted(options.input) + " does not exist");
        reader.reset(formats.createReaderFor(options.input));
        if (reader == nullptr)
            throw RenderError("cannot read " + quoted(options.input) + " as WAV, AIFF or FLAC audio");
        if (reader->numChannels < 1 || reader->sampleRate < 1.0 || reader->lengthInSamples < 0)
            throw RenderError(quoted(options.input) + " has no usable audio");
        rate = reader->sampleRate;
        inputLength = reader->lengthInSamples;
        // An uncompressed file cannot hold more frames than its bytes carry. A header that
        // claims more (a recording cut short, or a damaged file) would have us render hours of
        // silence; what is really there is rendered instead.
        const juce::int64 bytesPerFrame = (juce::int64)reader->numChannels * (reader->bitsPerSample / 8);
        if (reader->getFormatName() != "FLAC file" && bytesPerFrame > 0)
        {
            const juce::int64 mostFrames = options.input.getSize() / bytesPerFrame;
            if (inputLength > mostFrames)
            {
                std::cerr << "zv-render: warning: " << quoted(options.input) << " claims " << inputLength
                          << " frames but holds at most " << mostFrames << "; rendering what it holds\n";
                inputLength = mostFrames;
            }
        }
    }
    else
        inputLength = (juce::int64)std::ceil(*options.impulseSeconds * rate);

    ZVPluginAudioProcessor processor;
    applySettings(processor, options);
    // Prepared before the tail is asked for, which depends on the rate.
    RenderSession session(processor, rate, options.blockSize);

    const double tail = options.impulseSeconds ? 0.0 : options.tailSeconds.value_or(processor.getTailLengthSeconds());
    const juce::int64 total = inputLength + (juce::int64)std::ceil(tail * rate);
    // The reported tail is an upper estimate; what is left of it once the output has fallen below
    // -120 dBFS for good is silence, and is not written. A tail the user asked for is kept whole.
    const bool trimTail = !options.impulseSeconds && !options.tailSeconds;
    constexpr float audible = 1.0e-6f; // -120 dBFS

    // Written next to the output and moved into place at the end, so a failed render never
    // leaves a half-written file under the output's name.
    juce::TemporaryFile temporary(options.output);
    std::unique_ptr<juce::AudioFormatWriter> writer;
    {
        auto stream = temporary.getFile().createOutputStream();
        if (stream == nullptr)
            throw RenderError("cannot write output file " + quoted(options.output));
        juce::WavAudioFormat wav;
        writer.reset(wav.createWriterFor(stream.get(), rate, 2, options.bitsPerSample, {}, 0));
        if (writer == nullptr)
            throw RenderError("cannot write a WAV file at " + std::to_string(rate) + " Hz");
        stream.release(); // the writer owns it now
    }

    // Chunks of whole blocks, so block boundaries fall where a host's would.
    const int chunk = options.blockSize * std::max(1, 16384 / options.blockSize);
    juce::AudioBuffer<float> buffer(2, chunk);
    ProgressBar progress(!options.quiet, total);
    float peak = 0.0f;
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
        else if (options.impulseSeconds && done == 0)
        {
            buffer.setSample(0, 0, 1.0f);
            buffer.setSample(1, 0, 1.0f);
        }

        const auto t0 = juce::Time::getHighResolutionTicks();
        session.process(buffer, 0, n);
        processingTicks += juce::Time::getHighResolutionTicks() - t0;

        peak = std::max(peak, buffer.getMagnitude(0, n));
        for (int i = (int)std::max<juce::int64>(0, inputLength - done); i < n; ++i)
            if (std::fabs(buffer.getSample(0, i)) >= audible || std::fabs(buffer.getSample(1, i)) >= audible)
                lastAudible = done + i;
        if (!writer->writeFromAudioSampleBuffer(buffer, 0, n))
            throw RenderError("cannot write output file " + quoted(options.output));
        done += n;
        progress.update(done);
    }
    progress.finish();
    writer.reset();
    const juce::int64 length = trimTail ? std::max(inputLength, lastAudible + 1) : total;
    if (length < total)
        keepBeginning(temporary.getFile(), length, rate, options);
    if (!temporary.overwriteTargetFileWithTemporary())
        throw RenderError("cannot write output file " + quoted(options.output));

    if (options.plot != juce::File())
    {
        const auto title = (options.impulseSeconds ? juce::String("Impulse response") : options.input.getFileName())
                           + " through ZV-Reverb LX";
        juce::PNGImageFormat png;
        juce::FileOutputStream out(options.plot);
        if (!out.openedOk() || !out.setPosition(0) || !out.truncate().wasOk()
            || !png.writeImageToStream(plotOf(options.output, rate).draw(title), out))
            throw RenderError("cannot write picture " + quoted(options.plot));
    }

    if (!options.quiet)
    {
        const double audioSeconds = (double)length / rate;
        const double tailWritten = (double)(length - inputLength) / rate;
        const double cpuSeconds = juce::Time::highResolutionTicksToSeconds(std::max<juce::int64>(1, processingTicks));
        const double wallSeconds = juce::Time::highResolutionTicksToSeconds(juce::Time::getHighResolutionTicks() - started);
        const double peakDb = peak > 0.0f ? 20.0 * std::log10(peak) : -999.0;
        std::cout << "Rendered " << juce::String(audioSeconds, 2) << " s at " << rate << " Hz ("
                  << juce::String(tailWritten, 2) << " s of tail) in " << juce::String(wallSeconds, 2) << " s: peak "
                  << juce::String(peakDb, 1) << " dBFS, reverb at " << juce::String(audioSeconds / cpuSeconds, 1)
                  << "x realtime -> " << options.output.getFullPathName() << std::endl;
    }
}
} // namespace zvrender
