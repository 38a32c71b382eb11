// zv-render as a user runs it: the binary is started as a child process and its files read back.

#include <FactoryPresets.h>
#include <ZVIdentity.h>
#include <processor/StateDocuments.h>
#include <zv-render/Measurement.h>
#include <zv-render/RenderSession.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
struct Result
{
    int exitCode;
    juce::String output;
};

Result run(const juce::StringArray& args)
{
    juce::StringArray command;
    command.add(ZV_RENDER_PATH);
    command.addArray(args);
    juce::ChildProcess child;
    if (!child.start(command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return {-1, "could not start"};
    const auto output = child.readAllProcessOutput();
    child.waitForProcessToFinish(60000);
    return {(int)child.getExitCode(), output};
}

void writeWav(const juce::File& file, const juce::AudioBuffer<float>& buffer, double rate, int bits = 32)
{
    file.deleteFile();
    juce::WavAudioFormat wav;
    auto stream = file.createOutputStream();
    std::unique_ptr<juce::AudioFormatWriter> writer(
        wav.createWriterFor(stream.get(), rate, (unsigned)buffer.getNumChannels(), bits, {}, 0));
    ASSERT_NE(writer, nullptr);
    stream.release();
    writer->writeFromAudioSampleBuffer(buffer, 0, buffer.getNumSamples());
}

juce::AudioBuffer<float> readWav(const juce::File& file, double* rate = nullptr, int* bits = nullptr)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(
        wav.createReaderFor(file.createInputStream().release(), true));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> b((int)reader->numChannels, (int)reader->lengthInSamples);
    reader->read(&b, 0, b.getNumSamples(), 0, true, true);
    if (rate != nullptr)
        *rate = reader->sampleRate;
    if (bits != nullptr)
        *bits = (int)reader->bitsPerSample;
    return b;
}

juce::AudioBuffer<float> testSignal(int channels, int numSamples)
{
    juce::AudioBuffer<float> b(channels, numSamples);
    juce::Random random(7);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < numSamples; ++i)
            b.setSample(c, i, (random.nextFloat() - 0.5f) * (i < numSamples / 2 ? 1.0f : 0.0f));
    return b;
}

struct Renderer : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI framework;
    juce::TemporaryFile folderName;
    juce::File dir;
    Renderer()
    {
        dir = folderName.getFile();
        dir.createDirectory();
    }
    ~Renderer() override { dir.deleteRecursively(); }
    juce::String path(const char* name) const { return dir.getChildFile(name).getFullPathName(); }
};
} // namespace

TEST_F(Renderer, OutputEqualsTheProcessorDrivenDirectlySampleForSample)
{
    const auto input = testSignal(2, 20000);
    writeWav(dir.getChildFile("in.wav"), input, 48000.0);
    const auto r = run({"--quiet", "--set", "Decay=0.7", "--set", "dry-wet=0.8", "--block", "100", "--tail",
                        "0.25", path("in.wav"), path("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    double rate = 0;
    const auto rendered = readWav(dir.getChildFile("out.wav"), &rate);
    EXPECT_EQ(rate, 48000.0);
    ASSERT_EQ(rendered.getNumSamples(), 20000 + 12000);

    juce::AudioBuffer<float> expected(2, 32000);
    expected.clear();
    expected.copyFrom(0, 0, input, 0, 0, 20000);
    expected.copyFrom(1, 0, input, 1, 0, 20000);
    ZVPluginAudioProcessor p;
    p.setParameter(2, 0.7f);
    p.setParameter(5, 0.8f);
    zvrender::renderInPlace(p, expected, 48000.0, 100);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 32000; ++i)
            ASSERT_EQ(rendered.getSample(c, i), expected.getSample(c, i)) << c << " " << i;
}

TEST_F(Renderer, MonoInputFeedsBothSidesAndASilentTailIsNotAppended)
{
    writeWav(dir.getChildFile("mono.wav"), testSignal(1, 4410), 44100.0, 16);
    const auto r = run({path("mono.wav"), path("out.wav"), "--set", "Dry-Wet=0", "--bits", "24"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.output.contains("Rendered")) << r.output;
    int bits = 0;
    const auto out = readWav(dir.getChildFile("out.wav"), nullptr, &bits);
    EXPECT_EQ(bits, 24);
    ASSERT_EQ(out.getNumChannels(), 2);
    // Dry only: the reverb's tail is never heard, so nothing is written after the input.
    EXPECT_EQ(out.getNumSamples(), 4410);
    for (int i = 0; i < 4410; ++i)
        ASSERT_EQ(out.getSample(0, i), out.getSample(1, i));
}

TEST_F(Renderer, ReportedTailIsWrittenOnlyUntilTheOutputStaysBelowMinus120dBFS)
{
    // Full diffusion and the shortest decay ring for a few milliseconds, far less than the
    // reported tail; the quiet input's reverb falls below -120 dBFS long before the tail ends.
    const float settings[] = {1.0f, 1.0f, 0.0f, 1.0f}; // early, late, decay, diffusion
    juce::AudioBuffer<float> input(2, 4410);
    const auto noise = testSignal(2, 2 * 4410); // noise in its first half
    for (int c = 0; c < 2; ++c)
        input.copyFrom(c, 0, noise, c, 0, 4410);
    input.applyGain(0.01f);
    writeWav(dir.getChildFile("in.wav"), input, 44100.0);
    const auto r = run({"-q", "--set", "EarlySize=1", "--set", "LateSize=1", "--set", "Decay=0", "--set",
                        "Diffusion=1", "--set", "Dry-Wet=1", path("in.wav"), path("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto written = readWav(dir.getChildFile("out.wav"));

    // The same settings driven directly, with the whole reported tail.
    ZVPluginAudioProcessor p;
    for (int i = 0; i < 4; ++i)
        p.setParameter(i, settings[i]);
    p.setParameter(5, 1.0f);
    p.prepareToPlay(44100.0, 512);
    const int full = 4410 + (int)std::ceil(p.getTailLengthSeconds() * 44100.0);
    juce::AudioBuffer<float> expected(2, full);
    expected.clear();
    for (int c = 0; c < 2; ++c)
        expected.copyFrom(c, 0, input, c, 0, 4410);
    zvrender::renderInPlace(p, expected, 44100.0, 512);

    const int n = written.getNumSamples();
    ASSERT_GT(n, 4410) << "the reverb's audible ring is kept";
    ASSERT_LT(n, full) << "the silent rest of the reported tail is not";
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(written.getSample(c, i), expected.getSample(c, i)) << c << " " << i;
    EXPECT_GE(std::max(std::fabs(expected.getSample(0, n - 1)), std::fabs(expected.getSample(1, n - 1))),
              1e-6f)
        << "the output ends on the last sample at or above -120 dBFS";
    EXPECT_LT(expected.getMagnitude(n, full - n), 1e-6f);
}

TEST_F(Renderer, TrimmingNeverShortensTheInput)
{
    // A quiet burst, then a second of silence in which the short reverb dies away: the output
    // keeps the input's whole length, silence included, and appends nothing.
    juce::AudioBuffer<float> input(2, 4410 + 44100);
    input.clear();
    const auto burst = testSignal(2, 4410);
    for (int c = 0; c < 2; ++c)
        input.addFrom(c, 0, burst, c, 0, 4410, 0.01f);
    writeWav(dir.getChildFile("in.wav"), input, 44100.0);
    ASSERT_EQ(run({"-q", "--set", "EarlySize=1", "--set", "LateSize=1", "--set", "Decay=0", "--set",
                   "Diffusion=1", path("in.wav"), path("out.wav")})
                  .exitCode,
              0);
    EXPECT_EQ(readWav(dir.getChildFile("out.wav")).getNumSamples(), input.getNumSamples());
}

TEST_F(Renderer, ImpulseResponseAndPlot)
{
    const auto r =
        run({"--impulse", "0.5", "--rate", "96000", path("ir.wav"), "--plot", path("ir.png"), "-q"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    double rate = 0;
    const auto ir = readWav(dir.getChildFile("ir.wav"), &rate);
    EXPECT_EQ(rate, 96000.0);
    EXPECT_EQ(ir.getNumSamples(), 48000);
    EXPECT_GT(ir.getMagnitude(0, 4800, 43200), 1e-4f) << "the reverb rings after the impulse";
    const auto picture = juce::ImageFileFormat::loadFrom(dir.getChildFile("ir.png"));
    EXPECT_EQ(picture.getWidth(), 1200);
    EXPECT_EQ(picture.getHeight(), 640);
}

TEST_F(Renderer, ImpulsePrintsTheDecayOfTheWrittenResponseAndPlotsItOnRequest)
{
    const auto r = run({"--set", "Dry-Wet=1", "--impulse", "2", "--rate", "48000", path("ir.wav"), "--plot",
                        path("ir.png"), "--plot-decay", "--plot-spectrogram"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto ir = readWav(dir.getChildFile("ir.wav"));
    const auto measured = zvmeasure::measureDecay({ir.getReadPointer(0), ir.getReadPointer(1)},
                                                  (size_t)ir.getNumSamples(), 48000.0);
    EXPECT_TRUE(r.output.contains(zvmeasure::formatDecay(measured))) << r.output;
    for (const auto& band : measured.bands)
        EXPECT_GT(band.rt60, 0.1) << band.centreHz
                                  << " Hz: the default room rings for some tenths of a second";
    // Two more panels under the waveform and the level: the decay per band and the spectrogram.
    const auto picture = juce::ImageFileFormat::loadFrom(dir.getChildFile("ir.png"));
    EXPECT_EQ(picture.getHeight(), 640 + 2 * 290);
}

TEST_F(Renderer, SeveralInputsRenderAsEachAloneWhileEachBadOneIsNamed)
{
    // Files at three rates, rendered side by side, each as if alone: no file's rate or place in
    // the batch changes another's sound. A file that is not audio and a four-channel file fail
    // without stopping the others.
    writeWav(dir.getChildFile("a.wav"), testSignal(2, 6000), 44100.0);
    writeWav(dir.getChildFile("b.wav"), testSignal(1, 5000), 48000.0, 16);
    writeWav(dir.getChildFile("c.wav"), testSignal(2, 7000), 44100.0, 24);
    writeWav(dir.getChildFile("d.wav"), testSignal(2, 5000), 48000.0);
    writeWav(dir.getChildFile("e.wav"), testSignal(2, 5000), 96000.0);
    writeWav(dir.getChildFile("quad.wav"), testSignal(4, 1000), 44100.0);
    dir.getChildFile("garbage.wav").replaceWithText("this is not audio");
    const auto r =
        run({"--set", "Decay=0.2", "--jobs", "2", path("a.wav"), path("garbage.wav"), path("b.wav"),
             path("quad.wav"), path("c.wav"), path("d.wav"), path("e.wav"), "--out-dir", path("out")});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_TRUE(r.output.contains("2 of 7 files failed")) << r.output;
    EXPECT_TRUE(r.output.contains(path("garbage.wav") + "' as WAV, AIFF or FLAC")) << r.output;
    EXPECT_TRUE(r.output.contains(path("quad.wav") + "' has 4 channels")) << r.output;
    EXPECT_FALSE(dir.getChildFile("out/garbage.wav").exists());
    EXPECT_FALSE(dir.getChildFile("out/quad.wav").exists());
    for (const char* name : {"a", "b", "c", "d", "e"})
    {
        const juce::String wav = juce::String(name) + ".wav";
        ASSERT_EQ(run({"-q", "--set", "Decay=0.2", path(wav.toRawUTF8()), path("alone.wav")}).exitCode, 0);
        const auto alone = readWav(dir.getChildFile("alone.wav")),
                   batch = readWav(dir.getChildFile("out/" + wav));
        ASSERT_EQ(batch.getNumSamples(), alone.getNumSamples()) << name;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < alone.getNumSamples(); ++i)
                ASSERT_EQ(batch.getSample(c, i), alone.getSample(c, i)) << name << " " << c << " " << i;
    }
}

TEST_F(Renderer, SavedPresetReproducesTheSettings)
{
    writeWav(dir.getChildFile("in.wav"), testSignal(2, 6000), 44100.0);
    ASSERT_EQ(run({"-q", "--set", "EarlySize=0.2", "--set", "Listener=0.9", "--tail", "0.1", "--save-preset",
                   path("p.xml"), path("in.wav"), path("a.wav")})
                  .exitCode,
              0);
    EXPECT_TRUE(dir.getChildFile("p.xml").loadFileAsString().contains("ZV-REVERB_LX_PRESET"));
    ASSERT_EQ(run({"-q", "--preset", path("p.xml"), "--tail", "0.1", path("in.wav"), path("b.wav")}).exitCode,
              0);
    const auto a = readWav(dir.getChildFile("a.wav")), b = readWav(dir.getChildFile("b.wav"));
    ASSERT_EQ(a.getNumSamples(), b.getNumSamples());
    for (int i = 0; i < a.getNumSamples(); ++i)
        ASSERT_EQ(a.getSample(0, i), b.getSample(0, i));
}

TEST_F(Renderer, FactoryPresetsLoadByNameAndAreListed)
{
    const auto list = run({"--list-presets"});
    EXPECT_EQ(list.exitCode, 0);
    for (const auto& preset : zvpresets::all())
    {
        SCOPED_TRACE(preset.name);
        EXPECT_TRUE(list.output.contains(juce::String(preset.name) + "  ")) << list.output;
        EXPECT_TRUE(list.output.contains(preset.purpose)) << list.output;
        // Loaded by name (case ignored) and saved back: every value exactly as the table has it.
        const auto saved = dir.getChildFile("saved.xml");
        ASSERT_EQ(run({"-q", "--preset", juce::String(preset.name).toUpperCase(), "--save-preset",
                       saved.getFullPathName(), "--impulse", "0.01", "--rate", "48000", path("ir.wav")})
                      .exitCode,
                  0);
        const auto document = zvstate::readDocumentText(saved.loadFileAsString().toStdString());
        ASSERT_TRUE(document);
        const zvstate::AttributeLookup values(*document);
        EXPECT_EQ(values.text("programName", {}), preset.name);
        for (int p = 0; p < zvparams::count; ++p)
            EXPECT_EQ(values.number(zvparams::table[p].stateKey, -1.0f), preset.values[(size_t)p])
                << zvparams::table[p].name;
    }
}

TEST_F(Renderer, PresetFileOfAFactoryNameWinsAndAnUnknownNameListsTheFactoryPresets)
{
    // A preset saved under a factory preset's name is the user's own and is what loads.
    dir.getChildFile("Plate").replaceWithText("<ZV-REVERB_LX_PRESET fDecay=\"0.125\" programName=\"Mine\"/>");
    const juce::File previous = juce::File::getCurrentWorkingDirectory();
    dir.setAsCurrentWorkingDirectory();
    const auto own = run({"-q", "--preset", "Plate", "--save-preset", path("saved.xml"), "--impulse", "0.01",
                          "--rate", "48000", path("ir.wav")});
    previous.setAsCurrentWorkingDirectory();
    EXPECT_EQ(own.exitCode, 0) << own.output;
    EXPECT_TRUE(dir.getChildFile("saved.xml").loadFileAsString().contains("programName=\"Mine\""));

    const auto unknown =
        run({"--preset", "Larg Hall", "--impulse", "0.01", "--rate", "48000", path("ir.wav")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.output.contains("no factory preset named 'Larg Hall'")) << unknown.output;
    EXPECT_TRUE(unknown.output.contains(zvpresets::names())) << unknown.output;
}

TEST_F(Renderer, BankProgramIsSelected)
{
    ZVPluginAudioProcessor p;
    p.setCurrentProgram(4);
    p.setParameter(7, 0.0f); // power off in program 4: the output is the input
    juce::MemoryBlock bank;
    p.getStateInformation(bank);
    dir.getChildFile("bank.bin").replaceWithData(bank.getData(), bank.getSize());
    const auto input = testSignal(2, 3000);
    writeWav(dir.getChildFile("in.wav"), input, 44100.0);
    ASSERT_EQ(run({"-q", "--bank", path("bank.bin"), "--program", "4", "--tail", "0", path("in.wav"),
                   path("o.wav")})
                  .exitCode,
              0);
    const auto out = readWav(dir.getChildFile("o.wav"));
    for (int i = 0; i < 3000; ++i)
        ASSERT_NEAR(out.getSample(1, i), input.getSample(1, i), 1e-7f);
}

TEST_F(Renderer, ClearErrorsAndNonZeroExits)
{
    writeWav(dir.getChildFile("in.wav"), testSignal(2, 1000), 44100.0);
    writeWav(dir.getChildFile("quad.wav"), testSignal(4, 1000), 44100.0);
    dir.getChildFile("garbage.wav").replaceWithText("this is not audio");
    dir.getChildFile("sub").createDirectory();
    dir.getChildFile("in.wav").copyFileTo(dir.getChildFile("sub/in.wav"));
    const struct
    {
        juce::StringArray args;
        int exitCode; // 2: the command line, 1: a file
        const char* message;
    } cases[] = {
        {{path("missing.wav"), path("o.wav")}, 1, "does not exist"},
        {{path("garbage.wav"), path("o.wav")}, 1, "cannot read"},
        {{path("quad.wav"), path("o.wav")}, 1, "has 4 channels; zv-render takes mono or stereo files"},
        {{"--set", "Reverbness=1", path("in.wav"), path("o.wav")}, 2, "unknown parameter"},
        {{"--set", "Decay=loud", path("in.wav"), path("o.wav")}, 2, "not a number"},
        {{"--set", "Decay", path("in.wav"), path("o.wav")}, 2, "NAME=VALUE"},
        {{"--set", "Decay=7", path("in.wav"), path("o.wav")}, 2, "--set Decay=7: Decay ranges from 0 to 1"},
        {{"--set", "volume=-0.1", path("in.wav"), path("o.wav")}, 2, "Volume ranges from 0 to 1"},
        {{"--set", "On-Off=0.5", path("in.wav"), path("o.wav")}, 2, "On-Off is a switch, 0 (off) or 1 (on)"},
        {{"--block", "0", path("in.wav"), path("o.wav")}, 2, "--block"},
        {{"--bits", "8", path("in.wav"), path("o.wav")}, 2, "--bits"},
        {{"--frobnicate", path("in.wav"), path("o.wav")}, 2, "unknown option"},
        {{path("in.wav")}, 2, "expected an input and an output"},
        {{path("in.wav"), path("in.wav"), path("o.wav")}, 2, "give --out-dir"},
        {{"--impulse", "1", path("o.wav")}, 2, "--rate"},
        {{"--plot-decay", "--plot", path("o.png"), path("in.wav"), path("o.wav")}, 2, "needs --impulse"},
        {{"--impulse", "1", "--rate", "48000", "--out-dir", path("o")}, 2, "--out-dir is for input files"},
        {{"--preset", path("in.wav"), path("in.wav"), path("o.wav")}, 1, "not a preset"},
        {{path("in.wav"), path("in.wav")}, 1, "refusing to overwrite"},
        {{path("in.wav"), "--out-dir", dir.getFullPathName()}, 1, "refusing to overwrite"},
        // Every limit of every option, just past it.
        {{"--block", "1048577", path("in.wav"), path("o.wav")}, 2, "--block"},
        {{"--tail", "-0.001", path("in.wav"), path("o.wav")}, 2, "--tail: expected 0 to 3600 seconds"},
        {{"--tail", "3600.001", path("in.wav"), path("o.wav")}, 2, "--tail: expected 0 to 3600 seconds"},
        {{"--bits", "20", path("in.wav"), path("o.wav")}, 2, "--bits: expected 16, 24 or 32"},
        {{"--jobs", "0", path("in.wav"), "--out-dir", path("o")}, 2, "--jobs"},
        {{"--jobs", "257", path("in.wav"), "--out-dir", path("o")}, 2, "--jobs"},
        {{"--impulse", "0", "--rate", "48000", path("o.wav")}, 2, "--impulse: expected a length above 0"},
        {{"--impulse", "3600.5", "--rate", "48000", path("o.wav")},
         2,
         "--impulse: expected a length above 0"},
        {{"--impulse", "1", "--rate", "7999", path("o.wav")}, 2, "--rate: expected 8000 to 768000 Hz"},
        {{"--impulse", "1", "--rate", "768001", path("o.wav")}, 2, "--rate: expected 8000 to 768000 Hz"},
        {{"--program", "127", "--bank", path("in.wav"), path("in.wav"), path("o.wav")}, 2, "--program"},
        {{"--program", "-1", "--bank", path("in.wav"), path("in.wav"), path("o.wav")}, 2, "--program"},
        // Options that do not go together, or miss their partner.
        {{"--rate", "48000", path("in.wav"), path("o.wav")}, 2, "--rate is only for --impulse"},
        {{"--preset", "Plate", "--bank", path("in.wav"), path("in.wav"), path("o.wav")}, 2, "not both"},
        {{"--plot-spectrogram", path("in.wav"), path("o.wav")}, 2, "--plot-spectrogram"},
        {{path("in.wav"), "--out-dir", path("o"), "--plot", path("o.png")},
         2,
         "cannot be used with --out-dir"},
        {{"--out-dir", path("o")}, 2, "expected one or more input files"},
        {{"--jobs", "2", path("in.wav"), path("o.wav")}, 2, "--jobs is for rendering several files"},
        {{"--impulse", "1", "--rate", "48000", path("a.wav"), path("o.wav")}, 2, "expected one output file"},
        {{path("in.wav"), path("o.wav"), "--block"}, 2, "--block needs a value"},
        // Outputs are judged by name: two inputs of the same name in different folders would
        // write one file.
        {{path("in.wav"), path("sub/in.wav"), "--out-dir", path("o")}, 2, "would both be written"},
    };
    const auto original = dir.getChildFile("in.wav").loadFileAsString();
    for (const auto& c : cases)
    {
        const auto r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.joinIntoString(" ");
        EXPECT_TRUE(r.output.contains(c.message)) << c.args.joinIntoString(" ") << "\n" << r.output;
        EXPECT_FALSE(dir.getChildFile("o.wav").exists()) << c.args.joinIntoString(" ");
    }
    EXPECT_EQ(dir.getChildFile("in.wav").loadFileAsString(), original) << "the input is never touched";
}

TEST_F(Renderer, DamagedAndHostileFilesGetAnAnswerNotAHang)
{
    // A WAV header claiming four billion bytes of audio in front of 256 frames: what the file
    // holds is rendered, with a warning.
    juce::MemoryBlock liar;
    {
        juce::MemoryOutputStream out(liar, false);
        const auto word = [&](const char* id, juce::uint32 size)
        { out.write(id, 4), out.writeInt((int)size); };
        word("RIFF", 0xffffffffu);
        out.write("WAVE", 4);
        word("fmt ", 16);
        out.writeShort(1), out.writeShort(2), out.writeInt(44100), out.writeInt(44100 * 4), out.writeShort(4),
            out.writeShort(16);
        word("data", 0xfffffff0u);
        for (int i = 0; i < 256 * 2; ++i)
            out.writeShort((short)(i * 37));
    }
    dir.getChildFile("liar.wav").replaceWithData(liar.getData(), liar.getSize());
    auto r = run({"--tail", "0", path("liar.wav"), path("o.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.output.contains("claims 1073741820 frames but holds at most")) << r.output;
    const int rendered = readWav(dir.getChildFile("o.wav")).getNumSamples();
    EXPECT_GE(rendered, 256); // every frame the file holds, and at most what its header's bytes could be
    EXPECT_LE(rendered, 256 + 44 / 4);

    // A preset nested thirty thousand deep: refused with a clear error, no crash.
    juce::String nested = "<ZV-REVERB_LX_PRESET fDecay=\"0.3\">";
    for (int i = 0; i < 30000; ++i)
        nested << "<a>";
    dir.getChildFile("deep.xml").replaceWithText(nested);
    r = run({"--preset", path("deep.xml"), path("liar.wav"), path("p.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.output.contains("is not a preset document")) << r.output;
}

TEST_F(Renderer, HelpDescribesEveryOptionAndVersionNamesTheProduct)
{
    const auto r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (auto option : {"--set",     "--preset",      "--list-presets", "--bank",
                        "--program", "--save-preset", "--block",        "--tail",
                        "--bits",    "--out-dir",     "--jobs",         "--impulse",
                        "--rate",    "--plot",        "--plot-decay",   "--plot-spectrogram",
                        "--quiet",   "--version",     "Dry-Wet",        "Exit status"})
        EXPECT_TRUE(r.output.contains(option)) << option;
    const auto v = run({"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.output, juce::String("zv-render ") + zvidentity::version + " (" + zvidentity::name + " " +
                            zvidentity::version + ")\n");
}

TEST(DemoSound, IsTheSameOnEveryRun)
{
    juce::ScopedJuceInitialiser_GUI framework;
    juce::TemporaryFile a(".wav"), b(".wav");
    for (auto* f : {&a, &b})
    {
        juce::ChildProcess child;
        ASSERT_TRUE(child.start(juce::StringArray{ZV_DEMO_SOUND_PATH, f->getFile().getFullPathName()}));
        child.waitForProcessToFinish(60000);
        ASSERT_EQ(child.getExitCode(), 0u);
    }
    juce::MemoryBlock da, db;
    a.getFile().loadFileAsData(da);
    b.getFile().loadFileAsData(db);
    EXPECT_GT(da.getSize(), 48000u * 6u * 6u);
    EXPECT_EQ(da, db);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
