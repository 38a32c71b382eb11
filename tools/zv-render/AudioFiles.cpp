#include "AudioFiles.h"

#include "Renderer.h"

#include <FLAC/stream_decoder.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace zvrender
{
namespace
{
/// What the chunks of a RIFF WAVE file say, read without trusting any size in them.
struct WavFacts
{
    bool isWav = false;
    juce::uint16 formatTag = 0, channels = 0, bits = 0, blockAlign = 0;
    juce::uint32 rate = 0;
    juce::int64 dataOffset = -1, dataBytes = 0;
    std::string damage; ///< why the file cannot be read as it claims; empty when it can
};

juce::uint32 littleEndian32(const unsigned char* p)
{
    return (juce::uint32)p[0] | (juce::uint32)p[1] << 8 | (juce::uint32)p[2] << 16 | (juce::uint32)p[3] << 24;
}

juce::uint16 littleEndian16(const unsigned char* p)
{
    return (juce::uint16)(p[0] | p[1] << 8);
}

/// Walks the chunks up to the audio data. A chunk whose size runs past the end of the file
/// would have the framework's reader skip everything after it and find no audio at all.
WavFacts inspectWav(const juce::File& file)
{
    WavFacts facts;
    juce::FileInputStream in(file);
    unsigned char header[12];
    if (!in.openedOk() || in.read(header, 12) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return facts;
    facts.isWav = true;
    const juce::int64 fileSize = in.getTotalLength();
    for (juce::int64 position = 12; position + 8 <= fileSize;)
    {
        unsigned char chunk[8];
        in.setPosition(position);
        if (in.read(chunk, 8) != 8)
            break;
        const std::string id(reinterpret_cast<const char*>(chunk), 4);
        const juce::int64 size = littleEndian32(chunk + 4), body = position + 8;
        if (id == "data")
        {
            facts.dataOffset = body;
            facts.dataBytes = std::min(size, fileSize - body);
            break;
        }
        if (body + size > fileSize)
        {
            facts.damage = "its '" + id + "' chunk claims " + std::to_string(size) + " bytes, " +
                           std::to_string(body + size - fileSize) + " more than the file holds";
            return facts;
        }
        if (id == "fmt " && size >= 16)
        {
            unsigned char fmt[26] = {};
            in.read(fmt, (int)std::min<juce::int64>(size, sizeof fmt));
            facts.formatTag = littleEndian16(fmt);
            facts.channels = littleEndian16(fmt + 2);
            facts.rate = littleEndian32(fmt + 4);
            facts.blockAlign = littleEndian16(fmt + 12);
            facts.bits = littleEndian16(fmt + 14);
            if (facts.formatTag == 0xfffe && size >= 26)
                facts.formatTag = littleEndian16(fmt + 24); // the extensible format's sub-format
        }
        position = body + size + (size & 1);
    }
    if (facts.dataOffset < 0)
        facts.damage = "it has no audio ('data') chunk";
    else if (facts.channels == 0 || facts.rate == 0 || facts.blockAlign == 0)
        facts.damage = "its format ('fmt ') chunk is missing or empty";
    return facts;
}

/// 64-bit float WAV, which the framework's reader refuses. Samples are rounded to 32-bit float,
/// which is what the reverb processes.
class Float64WavReader : public juce::AudioFormatReader
{
  public:
    Float64WavReader(juce::InputStream* stream, const WavFacts& facts)
        : AudioFormatReader(stream, "WAV file"), dataOffset(facts.dataOffset), frameBytes(facts.blockAlign)
    {
        sampleRate = facts.rate;
        bitsPerSample = 64;
        numChannels = facts.channels;
        usesFloatingPointData = true;
        lengthInSamples = facts.dataBytes / frameBytes;
    }

    bool readSamples(int* const* destChannels, int numDestChannels, int startOffsetInDestBuffer,
                     juce::int64 startSampleInFile, int numSamples) override
    {
        clearSamplesBeyondAvailableLength(destChannels, numDestChannels, startOffsetInDestBuffer,
                                          startSampleInFile, numSamples, lengthInSamples);
        if (numSamples <= 0)
            return true;
        frame.resize((size_t)frameBytes);
        input->setPosition(dataOffset + startSampleInFile * frameBytes);
        for (int i = 0; i < numSamples; ++i)
        {
            if (input->read(frame.data(), frameBytes) != frameBytes)
                std::fill(frame.begin(), frame.end(), (char)0);
            for (int c = 0; c < numDestChannels; ++c)
                if (destChannels[c] != nullptr && c < (int)numChannels)
                {
                    double value;
                    std::memcpy(&value, frame.data() + 8 * c, 8);
                    reinterpret_cast<float*>(destChannels[c])[startOffsetInDestBuffer + i] = (float)value;
                }
        }
        return true;
    }

  private:
    juce::int64 dataOffset;
    int frameBytes;
    std::vector<char> frame;
};

/// What a FLAC file's header claims and what its frames really hold, found by decoding it to its
/// end. The header's count is only a promise, and the framework's reader cuts it to 32 bits.
struct FlacLength
{
    bool ok = false;
    juce::uint64 claimed = 0, decoded = 0;
};

FlacLength measureFlac(const juce::File& file)
{
    FlacLength length;
    auto* decoder = FLAC__stream_decoder_new();
    if (decoder == nullptr)
        return length;
    const auto write =
        [](const FLAC__StreamDecoder*, const FLAC__Frame* frame, const FLAC__int32* const[], void* client)
    {
        static_cast<FlacLength*>(client)->decoded += frame->header.blocksize;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    };
    const auto metadata = [](const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* client)
    {
        if (block->type == FLAC__METADATA_TYPE_STREAMINFO)
            static_cast<FlacLength*>(client)->claimed = block->data.stream_info.total_samples;
    };
    const auto error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {};
    if (FLAC__stream_decoder_init_file(decoder, file.getFullPathName().toRawUTF8(), write, metadata, error,
                                       &length) == FLAC__STREAM_DECODER_INIT_STATUS_OK)
        length.ok = FLAC__stream_decoder_process_until_end_of_stream(decoder) != 0;
    FLAC__stream_decoder_delete(decoder);
    return length;
}

/// Checks a WAV file's structure and opens the kinds the framework's reader gets wrong; null
/// when the framework's reader is right for it.
std::unique_ptr<juce::AudioFormatReader> openUnusualWav(const juce::File& input)
{
    const auto facts = inspectWav(input);
    if (!facts.isWav)
        return nullptr;
    if (!facts.damage.empty())
        throw RenderError(quoted(input) + " is damaged: " + facts.damage);
    if (facts.channels > 2)
        throw RenderError(quoted(input) + " has " + std::to_string(facts.channels) +
                          " channels; zv-render takes mono or stereo files, so mix it down to stereo first");
    const bool pcm = facts.formatTag == 1, ieeeFloat = facts.formatTag == 3;
    if ((pcm && facts.bits != 8 && facts.bits != 16 && facts.bits != 24 && facts.bits != 32) ||
        (ieeeFloat && facts.bits != 32 && facts.bits != 64))
        throw RenderError(quoted(input) + " holds " + std::to_string(facts.bits) + "-bit " +
                          (pcm ? "PCM" : "float") +
                          " samples, which zv-render cannot read; convert it to 16, 24 or 32 bits first");
    if (ieeeFloat && facts.bits == 64 && facts.blockAlign == 8 * facts.channels)
        return std::make_unique<Float64WavReader>(new juce::FileInputStream(input), facts);
    return nullptr;
}
} // namespace

const std::vector<OutputFormat>& outputFormats()
{
    static const std::vector<OutputFormat> formats = {
        {"wav", {".wav", ".wave"}, {16, 24, 32}, 32},
        {"flac", {".flac"}, {16, 24}, 24},
        {"aiff", {".aif", ".aiff"}, {16, 24}, 24},
    };
    return formats;
}

const OutputFormat* outputFormatNamed(const juce::String& name)
{
    for (const auto& format : outputFormats())
        if (name.equalsIgnoreCase(format.name))
            return &format;
    return nullptr;
}

const OutputFormat* outputFormatOf(const juce::File& file)
{
    for (const auto& format : outputFormats())
        for (const auto* extension : format.extensions)
            if (file.getFileExtension().equalsIgnoreCase(extension))
                return &format;
    return nullptr;
}

std::string outputFormatList()
{
    juce::StringArray names;
    for (const auto& format : outputFormats())
    {
        juce::StringArray extensions;
        for (const auto* extension : format.extensions)
            extensions.add(extension);
        names.add(juce::String(format.name).toUpperCase() + " (" + extensions.joinIntoString(", ") + ")");
    }
    return (names.size() > 1
                ? names.joinIntoString(", ", 0, names.size() - 1) + " or " + names[names.size() - 1]
                : names[0])
        .toStdString();
}

std::unique_ptr<juce::AudioFormatWriter>
createWriter(const OutputFormat& format, std::unique_ptr<juce::OutputStream> stream, double rate, int bits)
{
    std::unique_ptr<juce::AudioFormat> writerFormat;
    if (juce::String(format.name) == "flac")
        writerFormat = std::make_unique<juce::FlacAudioFormat>();
    else if (juce::String(format.name) == "aiff")
        writerFormat = std::make_unique<juce::AiffAudioFormat>();
    else
        writerFormat = std::make_unique<juce::WavAudioFormat>();
    std::unique_ptr<juce::AudioFormatWriter> writer(writerFormat->createWriterFor(
        stream.get(), rate, 2, bits, {}, format.name == std::string("flac") ? 5 : 0));
    if (writer != nullptr)
        stream.release(); // the writer owns it now
    return writer;
}

void requireRegularFile(const juce::File& file, const char* what)
{
    struct stat s;
    if (::stat(file.getFullPathName().toRawUTF8(), &s) != 0)
        throw RenderError(std::string(what) + " file " + quoted(file) + " does not exist");
    if (!S_ISREG(s.st_mode))
        throw RenderError(quoted(file) + " is not a regular file; zv-render reads " + what +
                          " files only (not folders, pipes or devices)");
}

InputAudio openInput(const juce::File& input)
{
    requireRegularFile(input, "input");
    InputAudio audio;
    audio.reader = openUnusualWav(input);
    if (audio.reader == nullptr)
    {
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        audio.reader.reset(formats.createReaderFor(input));
    }
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
    const auto claims = [&](juce::uint64 claimed, juce::int64 holds, const char* how)
    {
        audio.warning = quoted(input) + " claims " + std::to_string(claimed) + " frames but " + how + " " +
                        std::to_string(holds) + "; rendering what it holds";
        audio.length = holds;
    };
    if (reader->getFormatName() == "FLAC file")
    {
        // A compressed file's length is known only by decoding it: the decoder's end of stream
        // is the truth, and the header's count is only checked against it.
        const auto flac = measureFlac(input);
        if (!flac.ok)
            throw RenderError("cannot decode " + quoted(input) + " as FLAC audio");
        if (flac.claimed != 0 && flac.claimed != flac.decoded)
            claims(flac.claimed, (juce::int64)flac.decoded, "its audio ends after");
        audio.length = (juce::int64)flac.decoded;
        reader->lengthInSamples = audio.length; // the framework's reader keeps only 32 bits of it
        return audio;
    }
    // An uncompressed file cannot hold more frames than its bytes carry. A header that claims
    // more (a recording cut short, or a damaged file) would have us render hours of silence;
    // what is really there is rendered instead.
    const juce::int64 bytesPerFrame = (juce::int64)reader->numChannels * (reader->bitsPerSample / 8);
    if (bytesPerFrame > 0 && audio.length > input.getSize() / bytesPerFrame)
        claims((juce::uint64)audio.length, input.getSize() / bytesPerFrame, "holds at most");
    return audio;
}
} // namespace zvrender
