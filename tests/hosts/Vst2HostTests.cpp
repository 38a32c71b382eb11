// What a VST 2.4 host sees of the built plug-in library.

#include "Vst2Host.h"

#include <zv-render/RenderSession.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <cstring>
#include <memory>

using namespace vsthost;

namespace
{
/// The same signal put through a processor of this test program, driven directly as the
/// renderer drives it: the reference the plug-in's output must equal sample for sample.
Stereo renderDirectly(const Stereo& in, double sampleRate, int blockSize)
{
    ZVPluginAudioProcessor processor;
    juce::AudioBuffer<float> buffer(2, (int)in[0].size());
    for (int c = 0; c < 2; ++c)
        std::copy(in[(size_t)c].begin(), in[(size_t)c].end(), buffer.getWritePointer(c));
    zvrender::renderInPlace(processor, buffer, sampleRate, blockSize);
    Stereo out = makeStereo(in[0].size());
    for (int c = 0; c < 2; ++c)
        std::copy(buffer.getReadPointer(c), buffer.getReadPointer(c) + buffer.getNumSamples(),
                  out[(size_t)c].begin());
    return out;
}

/// Index of the first sample where `a` and `b` differ in bits, or -1.
long firstDifference(const Stereo& a, const Stereo& b)
{
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < a[c].size(); ++i)
            if (std::memcmp(&a[c][i], &b[c][i], sizeof(float)) != 0)
                return (long)i;
    return -1;
}

bool allFinite(const Stereo& s)
{
    for (const auto& channel : s)
        for (float x : channel)
            if (!std::isfinite(x))
                return false;
    return true;
}

float peak(const Stereo& s, size_t from = 0)
{
    float p = 0.0f;
    for (const auto& channel : s)
        for (size_t i = from; i < channel.size(); ++i)
            p = std::max(p, std::abs(channel[i]));
    return p;
}

/// The tail a host is told at `sampleRate`: the processor's tail in seconds times the rate,
/// truncated, as a processor of this program reports it after being prepared at that rate.
int32_t expectedTailSamples(double sampleRate)
{
    ZVPluginAudioProcessor processor;
    processor.prepareToPlay(sampleRate, 512);
    return (int32_t)(processor.getTailLengthSeconds() * (double)(float)sampleRate);
}

std::string chunkText(const std::vector<char>& chunk)
{
    return std::string(chunk.begin(), chunk.end());
}
} // namespace

//==============================================================================
TEST(Vst2Entry, HostThatReportsNoVersionGetsNothing)
{
    HostCallback::hostVersion = 0;
    AEffect* effect = entryPoint()(&HostCallback::callback);
    HostCallback::hostVersion = 2400;
    EXPECT_EQ(effect, nullptr);
}

TEST(Vst2Entry, NullHostCallbackGetsNothing)
{
    EXPECT_EQ(entryPoint()(nullptr), nullptr);
}

TEST(Vst2Entry, LegacyEntryPointsCreateNothing)
{
    using Legacy = void* (*)();
    auto newPlugIn = reinterpret_cast<Legacy>(dlsym(library(), "NewPlugIn"));
    auto descriptor = reinterpret_cast<Legacy>(dlsym(library(), "_PI_GetRoutineDescriptor"));
    ASSERT_NE(newPlugIn, nullptr);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(newPlugIn(), nullptr);
    EXPECT_EQ(descriptor(), nullptr);
}

TEST(Vst2Entry, FrameworkEntryPointStaysInsideTheLibrary)
{
    EXPECT_EQ(dlsym(library(), "juceVSTPluginMain"), nullptr);
}

//==============================================================================
TEST(Vst2Record, DescribesOneStereoEffectWithItsProgramsAndParameters)
{
    Instance plugin;
    AEffect& e = *plugin.effect;
    EXPECT_EQ(e.magic, fourCC("VstP"));
    EXPECT_EQ(e.numPrograms, 127);
    EXPECT_EQ(e.numParams, 11);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.uniqueID, fourCC("zL01"));
    EXPECT_EQ(e.version, 150);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.float1, 1.0f) << "input/output ratio";
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_EQ(e.user, nullptr) << "the host's pointer is left to the host";
}

TEST(Vst2Record, FlagsClaimEditorReplacingAndChunksButNotSilenceInStop)
{
    Instance plugin;
    // The reverb rings on after the input stops, so "no sound in stop" (0x200) is not claimed;
    // no synthesizer (0x100), no double precision (0x1000).
    EXPECT_EQ(plugin.effect->flags, 0x31);
    plugin.resume(44100.0f, 512);
    EXPECT_EQ(plugin.effect->flags, 0x31) << "unchanged once prepared";
    EXPECT_EQ(plugin.effect->initialDelay, 0);
}

TEST(Vst2Record, CallbacksToTheHostCarryTheRecordTheHostHolds)
{
    HostCallback::callsWithForeignRecord = 0;
    {
        Instance plugin;
        plugin.resume(44100.0f, 256);
        plugin.process(testSignal(1024), 256); // asks the host for its time every block
        plugin.suspend();
    }
    EXPECT_EQ(HostCallback::callsWithForeignRecord.load(), 0);
}

//==============================================================================
TEST(Vst2Queries, NamesTheEffectAndItsMaker)
{
    Instance plugin;
    EXPECT_EQ(plugin.text(getEffectName), "ZV-Reverb LX");
    EXPECT_EQ(plugin.text(getVendorString), "Zelvane");
    EXPECT_EQ(plugin.text(getProductString), "ZV-Reverb LX");
}

TEST(Vst2Queries, VersionsAndCategory)
{
    Instance plugin;
    EXPECT_EQ(plugin.call(getVendorVersion), 150);
    EXPECT_EQ(plugin.call(getVstVersion), 2400);
    EXPECT_EQ(plugin.call(getPlugCategory), 1) << "effect, not synthesizer";
}

TEST(Vst2Queries, TailSizeIsTheProcessorsTailAtTheHostsRate)
{
    Instance plugin;
    for (float rate : {44100.0f, 48000.0f})
    {
        plugin.resume(rate, 512);
        const auto expected = expectedTailSamples(rate);
        EXPECT_GT(expected, 0);
        EXPECT_EQ(plugin.call(getTailSize), expected) << rate;
        plugin.suspend();
    }
}

TEST(Vst2Queries, UnusableRatesAreTakenAs44100AndAnAbsurdOneGetsTheLargestAnswer)
{
    Instance plugin;
    const struct
    {
        float rate;
        int32_t samples;
    } cases[] = {
        {0.0f, expectedTailSamples(44100.0)},
        {-48000.0f, expectedTailSamples(44100.0)},
        // Seconds of tail at a rate no host runs: more samples than the 32-bit answer carries.
        {1.0e12f, std::numeric_limits<int32_t>::max()},
    };
    for (const auto& c : cases)
    {
        plugin.resume(c.rate, 512);
        EXPECT_EQ(plugin.call(getTailSize), c.samples) << c.rate;
        plugin.suspend();
    }
}

TEST(Vst2Queries, EveryParameterCanBeAutomatedAndHasNoPropertiesToTell)
{
    Instance plugin;
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_EQ(plugin.call(canBeAutomated, i), 1) << i;
        char properties[256] = {};
        EXPECT_EQ(plugin.call(getParameterProperties, i, 0, properties), 0) << i;
    }
}

TEST(Vst2Queries, GetSpeakerArrangementIsRefusedWithBothPointersNull)
{
    Instance plugin;
    Arrangement a(arrangementStereo, 2), b(arrangementStereo, 2);
    VstSpeakerArrangement* in = a.get();
    VstSpeakerArrangement* out = b.get();
    EXPECT_EQ(plugin.call(getSpeakerArrangement, 0, (intptr_t)&in, &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST(Vst2Queries, OpcodesWithoutAMeaningAnswerZero)
{
    Instance plugin;
    // The interface headers' made-up numbers for opcodes they do not know: 100000 and up.
    EXPECT_EQ(plugin.call(100000 + 300, 0, 1), 0);
    EXPECT_EQ(plugin.call(100000 + 301), 0);
    EXPECT_EQ(plugin.call(vendorSpecific, fourCC("none"), 0, nullptr), 0);
}

//==============================================================================
TEST(Vst2CanDo, AnswersTheTableExactly)
{
    Instance plugin;
    auto ask = [&](const char* s) { return plugin.call(canDo, 0, 0, (void*)s); };
    for (const char* s : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstMidiEvents", "sendVstEvents",
                          "sendVstMidiEvent", "sendVstMidiEvents", "openCloseAnyThread"})
        EXPECT_EQ(ask(s), -1) << s;
    for (const char* s : {"receiveVstTimeInfo", "conformsToWindowRules", "bypass"})
        EXPECT_EQ(ask(s), 1) << s;
}

TEST(Vst2CanDo, AnythingElseIsUnknown)
{
    Instance plugin;
    auto ask = [&](const char* s) { return plugin.call(canDo, 0, 0, (void*)s); };
    for (const char* s : {"supportsViewDpiScaling", "hasCockosExtensions", "hasCockosViewAsConfig", "MPE",
                          "Bypass", "bypass ", "bypas", "", "sendVstTimeInfo", "offline"})
        EXPECT_EQ(ask(s), 0) << '"' << s << '"';
    EXPECT_EQ(plugin.call(canDo, 0, 0, nullptr), 0);
}

//==============================================================================
TEST(Vst2Pins, TwoInputAndTwoOutputPinsNamedByTheProcessor)
{
    Instance plugin;
    for (int opcode : {getInputProperties, getOutputProperties})
        for (int pin = 0; pin < 2; ++pin)
        {
            VstPinProperties p;
            std::memset(&p, 0x55, sizeof(p));
            EXPECT_EQ(plugin.call(opcode, pin, 0, &p), 1);
            EXPECT_STREQ(p.label, std::to_string(pin + 1).c_str());
            EXPECT_STREQ(p.shortLabel, std::to_string(pin + 1).c_str());
            EXPECT_EQ(p.flags, pinIsActive | pinIsStereo) << "active, part of a stereo pair";
        }
}

TEST(Vst2Pins, OtherPinsAreRefused)
{
    Instance plugin;
    for (int opcode : {getInputProperties, getOutputProperties})
        for (int pin : {2, 3, -1})
        {
            VstPinProperties p{};
            EXPECT_EQ(plugin.call(opcode, pin, 0, &p), 0) << pin;
        }
    EXPECT_EQ(plugin.call(getInputProperties, 0, 0, nullptr), 0);
}

TEST(Vst2Pins, AfterAnAcceptedArrangementPinsUseItsSpeakers)
{
    Instance plugin;
    Arrangement in(arrangementStereo, 2), out(arrangementStereo, 2);
    ASSERT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)in.get(), out.get()), 1);
    for (int opcode : {getInputProperties, getOutputProperties})
        for (int pin = 0; pin < 2; ++pin)
        {
            VstPinProperties p{};
            EXPECT_EQ(plugin.call(opcode, pin, 0, &p), 1);
            EXPECT_EQ(p.flags, pinUseSpeaker);
            EXPECT_EQ(p.arrangementType, arrangementStereo);
            EXPECT_STREQ(p.label, std::to_string(pin + 1).c_str());
        }
}

//==============================================================================
TEST(Vst2Speakers, StereoInAndOutIsAcceptedAndNamedLR)
{
    Instance plugin;
    Arrangement in(arrangementStereo, 2), out(arrangementStereo, 2);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)in.get(), out.get()), 1);
    EXPECT_EQ(plugin.arrangementName(true), "L R");
    EXPECT_EQ(plugin.arrangementName(false), "L R");
}

TEST(Vst2Speakers, MonoInWithStereoOutIsRefusedAndTheLayoutStays)
{
    Instance plugin;
    Arrangement in(arrangementMono, 1), out(arrangementStereo, 2);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)in.get(), out.get()), 0);
    EXPECT_EQ(plugin.effect->numInputs, 2);
    EXPECT_EQ(plugin.effect->numOutputs, 2);
    // Still two in, two out: the pins keep their plain description.
    VstPinProperties p{};
    EXPECT_EQ(plugin.call(getInputProperties, 0, 0, &p), 1);
    EXPECT_EQ(p.flags, pinIsActive | pinIsStereo);
    // And it still processes in stereo: identical to a plug-in that was never asked.
    plugin.resume(44100.0f, 512);
    const auto signal = testSignal(8192);
    EXPECT_EQ(firstDifference(plugin.process(signal, 512), renderDirectly(signal, 44100.0, 512)), -1);
}

TEST(Vst2Speakers, OtherChannelCountsAndMissingArrangementsAreRefused)
{
    Instance plugin;
    Arrangement mono(arrangementMono, 1), stereo(arrangementStereo, 2), none(-1, 0);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)stereo.get(), mono.get()), 0);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)mono.get(), mono.get()), 0);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)none.get(), stereo.get()), 0);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, 0, stereo.get()), 0);
    EXPECT_EQ(plugin.call(setSpeakerArrangement, 0, (intptr_t)stereo.get(), nullptr), 0);
    // A refused request clears the names.
    EXPECT_EQ(plugin.arrangementName(true), "");
    EXPECT_EQ(plugin.arrangementName(false), "");
}

//==============================================================================
TEST(Vst2Chunks, BankTravelsToAnotherInstanceByteForByte)
{
    Instance a, b;
    a.call(setProgram, 0, 3);
    a.setParameter(0, 0.2f);
    a.setParameter(6, 0.7f);
    char name[] = "Hall";
    a.call(setProgramName, 0, 0, name);
    const auto bank = a.chunk();
    ASSERT_FALSE(bank.empty());
    EXPECT_NE(chunkText(bank).find("ZV-REVERB_LX_BANK"), std::string::npos);
    EXPECT_EQ(b.setChunkData(bank), 0);
    EXPECT_EQ(b.chunk(), bank);
    EXPECT_EQ(b.text(getProgramNameIndexed, 3), "Hall");
}

TEST(Vst2Chunks, ProgramTravelsToAnotherInstanceByteForByte)
{
    Instance a, b;
    a.setParameter(2, 0.125f);
    a.setParameter(8, 1.0f);
    char name[] = "Plate";
    a.call(setProgramName, 0, 0, name);
    const auto program = a.chunk(true);
    ASSERT_FALSE(program.empty());
    EXPECT_NE(chunkText(program).find("ZV-REVERB_LX_PRESET"), std::string::npos);
    EXPECT_EQ(b.setChunkData(program, true), 0);
    EXPECT_EQ(b.chunk(true), program);
    EXPECT_EQ(b.getParameter(2), 0.125f);
    EXPECT_EQ(b.getParameter(8), 1.0f);
    EXPECT_EQ(b.text(getProgramName), "Plate");
}

TEST(Vst2Chunks, SetChunkWithoutDataChangesNothingAndAnswersZero)
{
    Instance plugin;
    plugin.setParameter(1, 0.3f);
    const auto bank = plugin.chunk();
    const auto program = plugin.chunk(true);

    // The block the last get-chunk handed out stays the host's to read.
    void* handedOut = nullptr;
    const auto size = plugin.call(getChunk, 0, 0, &handedOut);
    ASSERT_EQ(size, (intptr_t)bank.size());

    char some[16] = {};
    for (int index : {0, 1})
    {
        EXPECT_EQ(plugin.call(setChunk, index, 0, some), 0);
        EXPECT_EQ(plugin.call(setChunk, index, -5, some), 0);
        EXPECT_EQ(plugin.call(setChunk, index, 16, nullptr), 0);
    }
    EXPECT_EQ(std::memcmp(handedOut, bank.data(), bank.size()), 0);
    EXPECT_EQ(plugin.chunk(), bank);
    EXPECT_EQ(plugin.chunk(true), program);
    EXPECT_EQ(plugin.getParameter(1), 0.3f);
}

TEST(Vst2Chunks, ForeignDataChangesNothing)
{
    Instance plugin;
    const auto bank = plugin.chunk();
    std::vector<char> junk(100, 'x');
    EXPECT_EQ(plugin.setChunkData(junk), 0);
    EXPECT_EQ(plugin.setChunkData(junk, true), 0);
    EXPECT_EQ(plugin.chunk(), bank);
}

//==============================================================================
class Vst2Processing : public ::testing::TestWithParam<std::tuple<float, int>>
{
};

TEST_P(Vst2Processing, EqualsTheProcessorDrivenDirectly)
{
    const auto [rate, blockSize] = GetParam();
    const auto signal = testSignal(blockSize == 1 ? 6000 : 24000);
    Instance plugin;
    plugin.resume(rate, blockSize);
    const auto hosted = plugin.process(signal, blockSize);
    const auto direct = renderDirectly(signal, rate, blockSize);
    EXPECT_EQ(firstDifference(hosted, direct), -1);
    EXPECT_TRUE(allFinite(hosted));
    EXPECT_GT(peak(hosted, 3000), 1e-4f) << "the reverb rings on after the burst";
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlockSizes, Vst2Processing,
                         ::testing::Combine(::testing::Values(44100.0f, 48000.0f),
                                            ::testing::Values(1, 64, 511, 4096)));

TEST(Vst2Processing, InPlaceBuffersGiveTheSameOutput)
{
    const auto signal = testSignal(8192);
    Instance plugin;
    plugin.resume(44100.0f, 256);
    Stereo buffer = signal;
    for (size_t done = 0; done < buffer[0].size(); done += 256)
        plugin.processBlock(buffer, buffer, done, 256);
    EXPECT_EQ(firstDifference(buffer, renderDirectly(signal, 44100.0, 256)), -1);
}

TEST(Vst2Processing, BypassedOutputEqualsInputSampleForSample)
{
    const auto signal = testSignal(16384);
    Instance plugin;
    plugin.resume(44100.0f, 512);
    EXPECT_EQ(plugin.call(setBypass, 0, 1), 1);
    for (int blockSize : {1, 64, 511, 4096})
        EXPECT_EQ(firstDifference(plugin.process(signal, blockSize), signal), -1) << blockSize;

    EXPECT_EQ(plugin.call(setBypass, 0, 0), 1);
    EXPECT_NE(firstDifference(plugin.process(signal, 512), signal), -1) << "processing again";
}

TEST(Vst2Processing, SuspendedOutputIsSilent)
{
    const auto signal = testSignal(4096);
    Instance plugin;
    plugin.resume(44100.0f, 512);
    plugin.process(signal, 512);
    plugin.suspend();
    const auto out = plugin.process(signal, 512);
    EXPECT_EQ(peak(out), 0.0f);

    plugin.resume(44100.0f, 512);
    EXPECT_GT(peak(plugin.process(signal, 512)), 0.01f) << "audio flows again after resume";
}

TEST(Vst2Processing, ProcessingBeforeTheFirstResumePreparesItself)
{
    const auto signal = testSignal(4096);
    Instance plugin;
    const auto out = plugin.process(signal, 1024);
    EXPECT_TRUE(allFinite(out));
    EXPECT_GT(peak(out), 0.01f);
}

//==============================================================================
TEST(Vst2Parameters, NamesValuesAndTextsComeFromTheProcessor)
{
    Instance plugin;
    ZVPluginAudioProcessor processor;
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    ASSERT_EQ(processor.getNumParameters(), 11);
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_EQ(plugin.text(getParamName, i), processor.getParameterName(i).toStdString()) << i;
        EXPECT_EQ(plugin.text(getParamDisplay, i), processor.getParameterText(i).toStdString()) << i;
        EXPECT_EQ(plugin.text(getParamLabel, i), "") << i;
    }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    plugin.setParameter(2, 0.125f);
    EXPECT_EQ(plugin.getParameter(2), 0.125f);
    EXPECT_EQ(plugin.text(getParamDisplay, 2), "0.13");
}

TEST(Vst2Parameters, SetAndGetEveryParameter)
{
    Instance plugin;
    for (int i = 0; i < 11; ++i)
    {
        const float v = 0.07f * (float)(i + 1);
        plugin.setParameter(i, v);
        EXPECT_EQ(plugin.getParameter(i), v) << i;
        char expected[16];
        std::snprintf(expected, sizeof(expected), "%.2f", (double)v);
        EXPECT_EQ(plugin.text(getParamDisplay, i), expected) << i;
    }
    plugin.setParameter(11, 0.3f);
    EXPECT_EQ(plugin.getParameter(11), 0.0f) << "no twelfth parameter";
}

TEST(Vst2Parameters, AutomationAndProgramChangesWhileProcessingMatchTheProcessor)
{
    // The host moves every parameter between blocks and switches programs now and then; a
    // processor driven directly with the same calls at the same block boundaries must give the
    // very same samples.
    constexpr int blockSize = 256;
    constexpr int numBlocks = 96;
    const auto signal = testSignal((size_t)(blockSize * numBlocks), 20000);

    auto valueFor = [](int block, int parameter)
    {
        if (parameter == 7)
            return block % 23 < 3 ? 0.0f : 1.0f; // power off for a few blocks now and then
        if (parameter >= 8)
            return (block / 16 + parameter) % 3 == 0 ? 1.0f : 0.0f;
        return 0.5f + 0.45f * std::sin(0.1f * (float)block + (float)parameter);
    };

    Instance plugin;
    plugin.resume(48000.0f, blockSize);
    Stereo hostedIn = signal;
    Stereo hosted = makeStereo(signal[0].size());

    ZVPluginAudioProcessor processor;
    juce::AudioBuffer<float> direct(2, (int)signal[0].size());
    for (int c = 0; c < 2; ++c)
        std::copy(signal[(size_t)c].begin(), signal[(size_t)c].end(), direct.getWritePointer(c));
    zvrender::RenderSession session(processor, 48000.0, blockSize);

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    for (int block = 0; block < numBlocks; ++block)
    {
        if (block % 32 == 16)
        {
            plugin.call(setProgram, 0, block / 16);
            processor.setCurrentProgram(block / 16);
        }
        const int parameter = block % 11;
        plugin.setParameter(parameter, valueFor(block, parameter));
        processor.setParameter(parameter, valueFor(block, parameter));
        plugin.processBlock(hostedIn, hosted, (size_t)(block * blockSize), blockSize);
        session.process(direct, block * blockSize, blockSize);
    }
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(plugin.getParameter(i), processor.getParameter(i)) << i;
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    Stereo reference = makeStereo(signal[0].size());
    for (int c = 0; c < 2; ++c)
        std::copy(direct.getReadPointer(c), direct.getReadPointer(c) + direct.getNumSamples(),
                  reference[(size_t)c].begin());
    EXPECT_EQ(firstDifference(hosted, reference), -1);
    EXPECT_TRUE(allFinite(hosted));
    EXPECT_EQ(plugin.call(getProgram), 5);
}

TEST(Vst2Parameters, HostSetValuesAreNotEchoedBackAsAutomation)
{
    Instance plugin;
    HostCallback::automateCalls = 0;
    for (int i = 0; i < 11; ++i)
        plugin.setParameter(i, 0.25f);
    EXPECT_EQ(HostCallback::automateCalls.load(), 0);
}

//==============================================================================
TEST(Vst2Programs, SwitchAndRenameThroughTheDispatcher)
{
    Instance plugin;
    EXPECT_EQ(plugin.text(getProgramNameIndexed, 126), "Default");
    plugin.setParameter(0, 0.25f);
    plugin.call(setProgram, 0, 7);
    EXPECT_EQ(plugin.call(getProgram), 7);
    EXPECT_EQ(plugin.getParameter(0), 0.5f);
    char name[] = "Cathedral";
    plugin.call(setProgramName, 0, 0, name);
    EXPECT_EQ(plugin.text(getProgramName), "Cathedral");
    EXPECT_EQ(plugin.text(getProgramNameIndexed, 7), "Cathedral");
    plugin.call(setProgram, 0, 0);
    EXPECT_EQ(plugin.getParameter(0), 0.25f);
    EXPECT_EQ(plugin.text(getProgramNameIndexed, 0), "Default");
}

TEST(Vst2Programs, IndexesOutsideTheProgramsAreIgnored)
{
    Instance plugin;
    plugin.call(setProgram, 0, 3);
    plugin.call(setProgram, 0, 127);
    plugin.call(setProgram, 0, -1);
    EXPECT_EQ(plugin.call(getProgram), 3);
    EXPECT_EQ(plugin.call(getProgramNameIndexed, 127, 0, std::string(64, '\0').data()), 0);
}
