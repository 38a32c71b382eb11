// zv-render as a user runs it: the binary is started as a child process and its files read back.

#include <FactoryPresets.h>
#include <ZVIdentity.h>
#include <processor/StateDocuments.h>
#include <measure/Measurement.h>
#include <zv-render/RenderSession.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

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
    if (!file.existsAsFile())
        return {};
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
    EXPECT_EQ(picture.getHeight(), 660);
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
    EXPECT_EQ(picture.getHeight(), 660 + 2 * 290);
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
        // Loaded by name (case ignored), or by the name it was first published under (the one
        // scripts and hosts stored), and saved back: every value exactly as the table has it.
        const auto saved = dir.getChildFile("saved.xml");
        const auto firstName = zvpresets::slug(preset).replaceCharacter('-', ' ');
        for (const auto& name : {juce::String(preset.name).toUpperCase(), firstName})
            ASSERT_EQ(run({"-q", "--preset", name, "--save-preset", saved.getFullPathName(), "--impulse",
                           "0.01", "--rate", "48000", path("ir.wav")})
                          .exitCode,
                      0)
                << name;
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
    dir.getChildFile("Chamber").replaceWithText(
        "<ZV-REVERB_LX_PRESET fDecay=\"0.125\" programName=\"Mine\"/>");
    const juce::File previous = juce::File::getCurrentWorkingDirectory();
    dir.setAsCurrentWorkingDirectory();
    const auto own = run({"-q", "--preset", "Chamber", "--save-preset", path("saved.xml"), "--impulse",
                          "0.01", "--rate", "48000", path("ir.wav")});
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
        // Two outputs of one name: the later would replace the earlier.
        {{path("in.wav"), path("o.wav"), "--plot", path("o.wav")}, 2, "name one file"},
        {{path("in.wav"), path("o.wav"), "--save-preset", path("o.wav")}, 2, "name one file"},
        {{path("in.wav"), path("o.wav"), "--plot", path("in.wav")}, 1, "refusing to overwrite"},
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
        {{"--preset", "Chamber", "--bank", path("in.wav"), path("in.wav"), path("o.wav")}, 2, "not both"},
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

namespace
{
/// `chunk` inside a VST 2.4 bank (FBCh) or program (FPCh) file of this plug-in, as a host saves it.
juce::MemoryBlock vstFile(const juce::MemoryBlock& chunk, const char* kind, juce::int32 pluginId)
{
    const bool bank = juce::String(kind) == "FBCh";
    juce::MemoryOutputStream out;
    out.write("CcnK", 4);
    out.writeIntBigEndian((bank ? 152 : 52) + (int)chunk.getSize());
    out.write(kind, 4);
    out.writeIntBigEndian(1);
    out.writeIntBigEndian(pluginId);
    out.writeIntBigEndian(zvidentity::vstVersion);
    out.writeIntBigEndian(bank ? 127 : 11);
    out.writeRepeatedByte(0, bank ? 128 : 28);
    out.writeIntBigEndian((int)chunk.getSize());
    out.write(chunk.getData(), chunk.getSize());
    return out.getMemoryBlock();
}

void writeFlac(const juce::File& file, const juce::AudioBuffer<float>& buffer, double rate)
{
    file.deleteFile();
    juce::FlacAudioFormat flac;
    auto stream = file.createOutputStream();
    std::unique_ptr<juce::AudioFormatWriter> writer(
        flac.createWriterFor(stream.get(), rate, (unsigned)buffer.getNumChannels(), 16, {}, 0));
    ASSERT_NE(writer, nullptr);
    stream.release();
    writer->writeFromAudioSampleBuffer(buffer, 0, buffer.getNumSamples());
}

/// The same file with its header's 36-bit count of frames replaced.
void claimFlacFrames(const juce::File& file, juce::uint64 frames)
{
    juce::MemoryBlock data;
    file.loadFileAsData(data);
    auto* bytes = static_cast<juce::uint8*>(data.getData());
    bytes[21] = (juce::uint8)((bytes[21] & 0xf0) | ((frames >> 32) & 0x0f));
    for (int i = 0; i < 4; ++i)
        bytes[22 + i] = (juce::uint8)(frames >> (24 - 8 * i));
    file.replaceWithData(data.getData(), data.getSize());
}

/// A WAV file with the given format chunk fields and `frames` frames of a ramp.
juce::MemoryBlock rawWav(int formatTag, int channels, int bits, int frames, juce::uint32 listSize = 4)
{
    juce::MemoryOutputStream out;
    const int blockAlign = channels * ((bits + 7) / 8);
    out.write("RIFF", 4), out.writeInt(0), out.write("WAVE", 4);
    out.write("fmt ", 4), out.writeInt(16), out.writeShort((short)formatTag), out.writeShort((short)channels);
    // The byte rate as the file's 32-bit field holds it (65,535 channels overflow an int).
    out.writeInt(44100), out.writeInt((int)(44100u * (juce::uint32)blockAlign)),
        out.writeShort((short)blockAlign), out.writeShort((short)bits);
    out.write("LIST", 4), out.writeInt((int)listSize), out.write("INFO", 4);
    out.write("data", 4), out.writeInt(frames * blockAlign);
    for (int i = 0; i < frames * channels; ++i)
    {
        if (bits == 64)
            out.writeDouble(0.5 * std::sin(i * 0.01));
        else
            out.writeShort((short)(i * 16));
    }
    return out.getMemoryBlock();
}

/// The names in `dir` that the render left behind besides `keep`.
/// Writes `data` to `file`.
void writeData(const juce::File& file, const juce::MemoryBlock& data)
{
    file.replaceWithData(data.getData(), data.getSize());
}

juce::StringArray leftovers(const juce::File& dir, const juce::StringArray& keep)
{
    juce::StringArray names;
    for (const auto& f : dir.findChildFiles(juce::File::findFiles, false))
        if (!keep.contains(f.getFileName()))
            names.add(f.getFileName());
    return names;
}
} // namespace

TEST_F(Renderer, TheOutputsExtensionOrFormatChoosesWhatIsWritten)
{
    writeWav(dir.getChildFile("in.wav"), testSignal(2, 4410), 44100.0);
    const struct
    {
        const char* output;
        juce::StringArray options;
        const char* magic; // the file's first bytes; null when refused
        int bits;
    } cases[] = {
        {"o.flac", {}, "fLaC", 24},
        {"o.aiff", {}, "FORM", 24},
        {"o.aif", {"--bits", "16"}, "FORM", 16},
        {"o.wav", {}, "RIFF", 32},
        {"o.out", {"--format", "flac"}, "fLaC", 24},
        {"o.mp3", {}, nullptr, 0},
        {"o.flac", {"--format", "wav"}, nullptr, 0},
        {"o.flac", {"--bits", "32"}, nullptr, 0},
    };
    for (const auto& c : cases)
    {
        auto args = c.options;
        args.addArray({"-q", path("in.wav"), path(c.output)});
        const auto r = run(args);
        SCOPED_TRACE(args.joinIntoString(" ") + "\n" + r.output);
        if (c.magic == nullptr)
        {
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_TRUE(r.output.contains("WAV (.wav, .wave), FLAC (.flac) or AIFF") ||
                        r.output.contains("disagree") || r.output.contains("FLAC holds 16 or 24 bits"));
            EXPECT_FALSE(dir.getChildFile(c.output).exists());
            continue;
        }
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_TRUE(dir.getChildFile(c.output).loadFileAsString().startsWith(c.magic));
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> reader(
            formats.createReaderFor(dir.getChildFile(c.output).createInputStream()));
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ((int)reader->bitsPerSample, c.bits);
        EXPECT_GT(reader->lengthInSamples, 4410);
        dir.getChildFile(c.output).deleteFile();
    }
}

TEST_F(Renderer, IntegerOutputThatClipsIsReportedAndNormalizeCuresIt)
{
    auto loud = testSignal(2, 44100);
    loud.applyGain(1.97f); // noise at about -0.1 dBFS
    writeWav(dir.getChildFile("in.wav"), loud, 44100.0);
    const struct
    {
        juce::StringArray options;
        const char* warning; // null: none
        float peakAtMost;
    } cases[] = {
        {{"--bits", "16"}, "samples clipped in the 16-bit output", 1.0f},
        {{"--bits", "24", "--normalize"}, nullptr, 0.8913f},    // -1 dBFS
        {{"--bits", "16", "--normalize=-6"}, nullptr, 0.5012f}, // -6 dBFS
        {{"--bits", "32"}, nullptr, 100.0f},                    // float keeps every value
    };
    for (const auto& c : cases)
    {
        auto args = c.options;
        args.addArray({"--set", "Volume=1", "--tail", "0.2", path("in.wav"), path("o.wav")});
        const auto r = run(args);
        SCOPED_TRACE(args.joinIntoString(" ") + "\n" + r.output);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.output.contains("clipped"), c.warning != nullptr);
        if (c.warning != nullptr)
        {
            EXPECT_TRUE(r.output.contains(c.warning) && r.output.contains("--normalize"));
        }
        const auto out = readWav(dir.getChildFile("o.wav"));
        EXPECT_LE(out.getMagnitude(0, out.getNumSamples()), c.peakAtMost + 1e-4f);
        EXPECT_GT(out.getMagnitude(0, out.getNumSamples()), std::min(c.peakAtMost, 1.0f) * 0.99f);
    }
    EXPECT_TRUE(run({"--help"}).output.contains("-12 dB (0) to +12 dB (1)"));
}

TEST_F(Renderer, VstBankAndProgramFilesLoadAsTheirDocumentsDo)
{
    ZVPluginAudioProcessor p;
    p.setCurrentProgram(4);
    p.setParameter(7, 0.0f); // power off in program 4: the output is the input
    juce::MemoryBlock bank, program;
    p.getStateInformation(bank);
    p.getCurrentProgramStateInformation(program);
    writeData(dir.getChildFile("bank.fxb"), vstFile(bank, "FBCh", (juce::int32)zvidentity::pluginCode));
    writeData(dir.getChildFile("prog.fxp"), vstFile(program, "FPCh", (juce::int32)zvidentity::pluginCode));
    writeData(dir.getChildFile("other.fxb"), vstFile(bank, "FBCh", 0x41424344));
    auto cut = vstFile(bank, "FBCh", (juce::int32)zvidentity::pluginCode);
    cut.setSize(cut.getSize() - 100);
    writeData(dir.getChildFile("cut.fxb"), cut);
    const auto input = testSignal(2, 3000);
    writeWav(dir.getChildFile("in.wav"), input, 44100.0);
    const struct
    {
        juce::StringArray options;
        const char* error; // null: renders program 4, the input unchanged
    } cases[] = {
        {{"--bank", path("bank.fxb"), "--program", "4"}, nullptr},
        {{"--preset", path("prog.fxp")}, nullptr},
        {{"--bank", path("prog.fxp")}, "give it to --preset"},
        {{"--bank", path("other.fxb")}, "belongs to another plug-in"},
        {{"--bank", path("cut.fxb")}, "follow"},
    };
    for (const auto& c : cases)
    {
        auto args = c.options;
        args.addArray({"-q", "--tail", "0", path("in.wav"), path("o.wav")});
        const auto r = run(args);
        SCOPED_TRACE(args.joinIntoString(" ") + "\n" + r.output);
        if (c.error != nullptr)
        {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_TRUE(r.output.contains(c.error));
            continue;
        }
        ASSERT_EQ(r.exitCode, 0);
        const auto out = readWav(dir.getChildFile("o.wav"));
        for (int i = 0; i < 3000; ++i)
            ASSERT_NEAR(out.getSample(1, i), input.getSample(1, i), 1e-7f);
    }
}

TEST_F(Renderer, ImpulseIsTheSettledResponseAndSaysWhetherTheDrySoundIsIn)
{
    // The engine's pre-delay is 4.08 ms on the right: in use, nothing of the room arrives before.
    const struct
    {
        const char* dryWet;
        const char* says;
    } cases[] = {{"Dry-Wet=1", "wet only"}, {"Dry-Wet=0.5", "dry sound included"}};
    for (const auto& c : cases)
    {
        const auto r = run({"--set", c.dryWet, "--impulse", "1", "--rate", "48000", path("ir.wav")});
        SCOPED_TRACE(r.output);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.output.contains(c.says));
    }
    const auto ir = readWav(dir.getChildFile("ir.wav"));
    EXPECT_EQ(ir.getSample(0, 0), 0.5f) << "the dry impulse, at half the mix";
    EXPECT_LT(ir.getMagnitude(1, 1, 190), 1e-6f) << "no reverb before the settled pre-delay";
}

TEST_F(Renderer, MeasurementsThatDoNotExistReadNotAvailableWithTheReason)
{
    juce::AudioBuffer<float> none(2, 0);
    writeWav(dir.getChildFile("empty.wav"), none, 44100.0);
    auto r = run({"--set", "Dry-Wet=0", path("empty.wav"), path("o.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.output.contains("silent")) << r.output;
    EXPECT_FALSE(r.output.contains("-191")) << r.output;

    r = run(
        {"--preset", "Slapback", "--set", "Dry-Wet=1", "--impulse", "8", "--rate", "48000", path("ir.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.output.contains("n/a")) << r.output;
    EXPECT_TRUE(r.output.contains("echoes, not a decay")) << r.output;
    EXPECT_FALSE(r.output.contains(" 0.00 s")) << r.output;
}

TEST_F(Renderer, DamagedAndUnusualInputsAreReadRightOrRefusedWithTheReason)
{
    writeFlac(dir.getChildFile("huge.flac"), testSignal(2, 4410), 44100.0);
    claimFlacFrames(dir.getChildFile("huge.flac"), juce::uint64(1) << 31);
    writeFlac(dir.getChildFile("long.flac"), testSignal(2, 4410), 44100.0);
    claimFlacFrames(dir.getChildFile("long.flac"), 10000000);
    writeData(dir.getChildFile("list.wav"), rawWav(1, 2, 16, 1000, 1u << 20));
    writeData(dir.getChildFile("12bit.wav"), rawWav(1, 2, 12, 1000));
    writeData(dir.getChildFile("double.wav"), rawWav(3, 2, 64, 1000));
    writeData(dir.getChildFile("many.wav"), rawWav(1, 65535, 16, 1));
    dir.getChildFile("folder.wav").createDirectory();
    writeWav(dir.getChildFile("in.wav"), testSignal(2, 1000), 44100.0);
    ::mkfifo(path("fifo").toRawUTF8(), 0600);
    juce::MemoryBlock big(5u << 20, true);
    dir.getChildFile("big.xml").replaceWithData(big.getData(), big.getSize());
    const struct
    {
        juce::StringArray args;
        int exitCode;
        const char* message;
        int frames; // written, when rendered
    } cases[] = {
        {{path("huge.flac")}, 0, "claims 2147483648 frames but its audio ends after 4410", 4410},
        {{path("long.flac")}, 0, "claims 10000000 frames but its audio ends after 4410", 4410},
        {{path("list.wav")}, 1, "its 'LIST' chunk claims 1048576 bytes", 0},
        {{path("12bit.wav")}, 1, "12-bit PCM", 0},
        {{path("double.wav")}, 0, "Rendered", 1000},
        {{path("many.wav")}, 1, "has 65535 channels", 0},
        {{path("folder.wav")}, 1, "is not a regular file", 0},
        {{path("fifo")}, 1, "is not a regular file", 0},
        {{"--preset", path("fifo"), path("in.wav")}, 1, "is not a regular file", 0},
        {{"--bank", path("fifo"), path("in.wav")}, 1, "is not a regular file", 0},
        {{"--preset", path("big.xml"), path("in.wav")}, 1, "over 4 MiB", 0},
    };
    const juce::StringArray before = leftovers(dir, {});
    for (const auto& c : cases)
    {
        auto args = c.args;
        args.addArray({"--tail", "0", path("o.wav")});
        const auto r = run(args);
        SCOPED_TRACE(args.joinIntoString(" ") + "\n" + r.output);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_TRUE(r.output.contains(c.message));
        EXPECT_EQ(readWav(dir.getChildFile("o.wav")).getNumSamples(), c.frames);
        if (c.frames > 0)
        {
            EXPECT_GT(readWav(dir.getChildFile("o.wav")).getMagnitude(0, c.frames / 2), 1e-3f);
        }
        dir.getChildFile("o.wav").deleteFile();
        EXPECT_EQ(leftovers(dir, before), juce::StringArray()) << "no temporary file is left behind";
    }
}

namespace
{
/// The broadband RT60 zv-render printed under its measurement, or -1.
double printedBroadbandRt60(const juce::String& output)
{
    const auto line = output.fromFirstOccurrenceOf("  broadband", false, false).trim();
    return line.isEmpty() ? -1.0 : line.getDoubleValue();
}
} // namespace

TEST_F(Renderer, Rt60ChoosesTheDecayThatReachesItOrSaysWhyNot)
{
    const struct
    {
        double target;
        const char* note; // null: reached within 5 %
    } cases[] = {{1.0, nullptr},
                 {2.0, nullptr},
                 {4.0, nullptr},
                 {0.3, "the shortest these settings allow"},
                 {500.0, "the longest these settings allow"}};
    for (const auto& c : cases)
    {
        const auto r = run({"--rt60", juce::String(c.target), "--set", "Dry-Wet=1", "--impulse",
                            juce::String(std::min(c.target * 2.5, 10.0)), "--rate", "48000", path("ir.wav")});
        SCOPED_TRACE(r.output);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.output.contains("Room: RT60 ")) << "every render says how long its room rings";
        if (c.note != nullptr)
        {
            EXPECT_TRUE(r.output.contains(c.note));
        }
        else
        {
            EXPECT_NEAR(printedBroadbandRt60(r.output), c.target, 0.05 * c.target);
        }
    }
}
