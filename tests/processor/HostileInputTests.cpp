// What a damaged project file or a faulty host may send the processor: saved documents built to
// crash, hang or slowly choke a parser, and values far outside anything real. Each must change
// nothing or be handled safely, while every well-formed document still loads as before.

#include "ProcessorTestSupport.h"

#include <processor/StateDocuments.h>
#include <zReverb.h>

#include <pthread.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
juce::MemoryBlock chunkOf(const std::string& text)
{
    const auto chunk = zvstate::toChunk(text);
    return juce::MemoryBlock(chunk.data(), chunk.size());
}

std::string repeat(const std::string& s, int n)
{
    std::string r;
    r.reserve(s.size() * (size_t)n);
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

/// Runs `f` on a thread with a 1 MB stack, the usual size of a Windows host's main thread.
void onSmallStack(const std::function<void()>& f)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1 << 20);
    pthread_t thread;
    auto run = [](void* arg) -> void*
    {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&f)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

std::string stateOf(ZVPluginAudioProcessor& p)
{
    juce::MemoryBlock bank, preset;
    p.getStateInformation(bank);
    p.getCurrentProgramStateInformation(preset);
    return bank.toString().toStdString() + preset.toString().toStdString() + p.getWorkingName().toStdString();
}

const std::string bankOpen = "<ZV-REVERB_LX_BANK fEarlySize0=\"0.25\" ProgramName0=\"Loaded\"";
const std::string presetOpen = "<ZV-REVERB_LX_PRESET fEarlySize=\"0.25\" programName=\"Loaded\"";

struct HostileDocument
{
    const char* what;
    std::string bank;
    std::string preset;
};

std::vector<HostileDocument> hostileDocuments()
{
    const std::string nest = repeat("<a>", 30000) + repeat("</a>", 30000);
    const std::string entity = "<!DOCTYPE d [<!ENTITY e \"&e;\">]>";
    const std::string many = repeat(" x=\"1\"", 100000);
    std::string manyNamed;
    for (int i = 0; i < 5000; ++i)
        manyNamed += " a" + std::to_string(i) + "=\"1\"";
    return {
        {"deep nesting", bankOpen + ">" + nest + "</ZV-REVERB_LX_BANK>",
         presetOpen + ">" + nest + "</ZV-REVERB_LX_PRESET>"},
        {"shallow child", bankOpen + "><a/></ZV-REVERB_LX_BANK>", presetOpen + "><a/></ZV-REVERB_LX_PRESET>"},
        {"text content", bankOpen + ">text</ZV-REVERB_LX_BANK>", presetOpen + ">text</ZV-REVERB_LX_PRESET>"},
        {"self-referencing entity", entity + bankOpen + " fDecay0=\"&e;\"/>",
         entity + presetOpen + " fDecay=\"&e;\"/>"},
        {"undeclared entity", bankOpen + " fDecay0=\"&e;\"/>", presetOpen + " fDecay=\"&e;\"/>"},
        {"100,000 attributes", bankOpen + many + "/>", presetOpen + many + "/>"},
        {"more distinct attributes than a bank holds", bankOpen + manyNamed + "/>",
         presetOpen + manyNamed + "/>"},
        {"overlong name", bankOpen + " " + std::string(100, 'n') + "=\"1\"/>",
         presetOpen + " " + std::string(100, 'n') + "=\"1\"/>"},
        {"unterminated", bankOpen, presetOpen},
        {"unterminated value", bankOpen + " fDecay0=\"0.3", presetOpen + " fDecay=\"0.3"},
        {"invalid UTF-8", bankOpen + " x=\"\xff\xfe\"/>", presetOpen + " x=\"\xff\xfe\"/>"},
        {"invalid character reference", bankOpen + " x=\"&#xD800;\"/>", presetOpen + " x=\"&#0;\"/>"},
        {"trailing element", bankOpen + "/><b/>", presetOpen + "/><b/>"},
    };
}
} // namespace

//==============================================================================
struct HostileState : ProcessorTest
{
};

TEST_F(HostileState, DocumentsThatAreNotOneElementWithAttributesChangeNothing)
{
    // On a 1 MB stack, where a recursive parser fails after a few thousand levels.
    for (const auto& doc : hostileDocuments())
    {
        onSmallStack(
            [&]
            {
                ZVPluginAudioProcessor p;
                const auto before = stateOf(p);
                const auto bank = chunkOf(doc.bank);
                const auto preset = chunkOf(doc.preset);
                p.setStateInformation(bank.getData(), (int)bank.getSize());
                p.setCurrentProgramStateInformation(preset.getData(), (int)preset.getSize());
                EXPECT_EQ(stateOf(p), before) << doc.what;
            });
    }
}

TEST_F(HostileState, BrokenBinaryFramingChangesNothing)
{
    ZVPluginAudioProcessor p;
    const auto before = stateOf(p);
    auto good = chunkOf(bankOpen + "/>");
    const auto* bytes = static_cast<const char*>(good.getData());
    std::vector<std::vector<char>> broken;
    broken.emplace_back(bytes, bytes + 8);  // header only
    broken.emplace_back(bytes, bytes + 20); // cut inside the element
    auto wrongMagic = std::vector<char>(bytes, bytes + good.getSize());
    wrongMagic[0] ^= 1;
    broken.push_back(wrongMagic);
    for (juce::uint32 length : {0u, 0x80000000u, 0xffffffffu})
    {
        auto v = std::vector<char>(bytes, bytes + good.getSize());
        std::memcpy(v.data() + 4, &length, 4);
        broken.push_back(v);
    }
    for (const auto& data : broken)
    {
        p.setStateInformation(data.data(), (int)data.size());
        p.setCurrentProgramStateInformation(data.data(), (int)data.size());
    }
    EXPECT_EQ(stateOf(p), before);
}

TEST_F(HostileState, WellFormedVariantsOfOurDocumentsStillLoad)
{
    const char* const variants[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ZV-REVERB_LX_BANK fEarlySize0=\"0.25\" "
        "ProgramName0=\"A &amp; B\"/>",
        "\xef\xbb\xbf<!-- saved by hand --><ZV-REVERB_LX_BANK fEarlySize0='0.25' ProgramName0='A &amp; "
        "B'></ZV-REVERB_LX_BANK>\n",
        "<zv-reverb_lx_bank\n\tfEarlySize0 = \"0.25\"\n\tProgramName0=\"A &#38; B\" />",
        "<ZV-REVERB_LX_BANK fEarlySize0=\"0.25\" ProgramName0=\"A &#x26; B\" "
        "Unknown=\"&lt;&gt;&quot;&apos;\"/><!-- end -->",
        "<!DOCTYPE ZV-REVERB_LX_BANK>\n<ZV-REVERB_LX_BANK fEarlySize0=\"0.25\" ProgramName0=\"A "
        "&#0000000038; B\">"
        "<!-- edited by hand --><![CDATA[]]></ZV-REVERB_LX_BANK>",
    };
    for (const char* text : variants)
    {
        ZVPluginAudioProcessor p;
        const auto bank = chunkOf(text);
        p.setStateInformation(bank.getData(), (int)bank.getSize());
        EXPECT_EQ(p.getProgramValue(0, ProgramRecord::fEarlySize), 0.25f) << text;
        EXPECT_EQ(p.getProgramName(0), "A & B") << text;
    }
}

TEST_F(HostileState, NegativeZeroAndAnyNameRoundTripByteForByte)
{
    ZVPluginAudioProcessor source;
    source.setCurrentProgram(3);
    source.setParameter(0, -0.0f);
    source.changeProgramName(3, juce::String::fromUTF8("Gr\xc3\xb6\xc3\x9f"
                                                       "e <&\"'> \xe2\x99\xab"));
    juce::MemoryBlock bank, again;
    source.getStateInformation(bank);

    ZVPluginAudioProcessor copy;
    copy.setCurrentProgram(3);
    copy.setStateInformation(bank.getData(), (int)bank.getSize());
    copy.getStateInformation(again);
    EXPECT_EQ(again, bank);
    EXPECT_TRUE(std::signbit(copy.getProgramValue(3, ProgramRecord::fEarlySize)));
    EXPECT_EQ(copy.getProgramName(3), source.getProgramName(3));
}

//==============================================================================
struct HostileValues : ProcessorTest
{
    /// Processes one second of loud noise and then one of quiet noise; every output is finite and
    /// the second second is not silent.
    static void expectFiniteAndWorking(ZVPluginAudioProcessor& p, float inputScale)
    {
        auto loud = noise(44100, 7);
        loud.applyGain(inputScale);
        process(p, loud, 512);
        auto quiet = noise(44100, 8);
        process(p, quiet, 512);
        for (const auto* b : {&loud, &quiet})
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < b->getNumSamples(); ++i)
                    ASSERT_TRUE(std::isfinite(b->getSample(c, i))) << "channel " << c << " sample " << i;
        EXPECT_GT(quiet.getMagnitude(0, 44100), 0.0f);
    }
};

TEST_F(HostileValues, HugeFiniteInputsAndParametersKeepTheOutputFinite)
{
    constexpr float huge = 1.0e30f;
    const struct
    {
        int parameter;
        float value;
        float inputScale;
    } cases[] = {
        {-1, 0.0f, 3.0e38f}, {-1, 0.0f, -3.0e38f}, {6, huge, 1.0f}, {6, -huge, 1.0f},
        {5, huge, 1.0f},     {5, -huge, 1.0f},     {2, huge, 1.0f}, {2, -huge, 1.0f},
        {3, huge, 1.0f},     {3, -huge, 1.0f},     {0, huge, 1.0f}, {0, -huge, 1.0f},
        {1, huge, 1.0f},     {1, -huge, 1.0f},     {4, huge, 1.0f}, {4, -huge, 1.0f},
    };
    for (const auto& c : cases)
    {
        ZVPluginAudioProcessor p;
        p.setParameter(5, 0.7f);
        if (c.parameter >= 0)
            p.setParameter(c.parameter, c.value);
        SCOPED_TRACE(testing::Message()
                     << "parameter " << c.parameter << " = " << c.value << ", input x" << c.inputScale);
        expectFiniteAndWorking(p, c.inputScale);
        EXPECT_EQ(p.getParameter(c.parameter < 0 ? 0 : c.parameter), c.parameter < 0 ? 0.5f : c.value)
            << "values are stored as given";
    }
}

// Input beyond +-1e8 (+160 dBFS) enters at that size, with its sign; a NaN or an infinity enters as
// silence. Through the dry path alone each comes out in proportion to what entered.
TEST_F(HostileValues, OutOfRangeInputEntersLimitedKeepingItsSign)
{
    constexpr float limit = 1.0e8f, probe = 0.25f;
    const struct
    {
        float in, entered;
    } cases[] = {
        {3.0e38f, limit},
        {-3.0e38f, -limit},
        {1.5e8f, limit},
        {-limit, -limit},
        {std::numeric_limits<float>::quiet_NaN(), 0.0f},
        {std::numeric_limits<float>::infinity(), 0.0f},
        {-std::numeric_limits<float>::infinity(), 0.0f},
    };
    for (const auto& c : cases)
    {
        ZVPluginAudioProcessor p;
        p.setParameter(5, 0.0f); // the dry sound alone
        juce::AudioBuffer<float> block(2, 4);
        block.clear();
        block.setSample(0, 0, probe);
        block.setSample(0, 2, c.in);
        juce::MidiBuffer midi;
        p.processBlock(block, midi);
        const float gain = block.getSample(0, 0) / probe;
        ASSERT_GT(gain, 0.0f);
        EXPECT_FLOAT_EQ(block.getSample(0, 2), c.entered * gain) << c.in;
    }
}

TEST_F(HostileValues, AnEngineWhoseStateWentNonFiniteRecoversAtOnce)
{
    ZVPluginAudioProcessor p;
    p.setParameter(3, 1.0f);
    p.setParameter(2, 1.0f);
    // Poison every memory of the engine, as no input can any more.
    for (int i = 0; i < 44100; ++i)
    {
        float pair[2] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
        p.getEngine().processStereo(pair, 2);
    }
    expectFiniteAndWorking(p, 1.0f);

    // The wet sound itself comes back, as loud as an untouched instance's.
    ZVPluginAudioProcessor fresh;
    for (auto* q : {&p, &fresh})
    {
        q->setParameter(3, 1.0f);
        q->setParameter(2, 1.0f);
        q->setParameter(5, 1.0f); // the wet sound alone
    }
    auto settle = noise(44100, 9);
    settle.applyGain(0.0f);
    process(fresh, settle, 512);
    auto recovered = noise(44100, 10), untouched = recovered;
    process(p, recovered, 512);
    process(fresh, untouched, 512);
    const float r = recovered.getRMSLevel(0, 22050, 22050), u = untouched.getRMSLevel(0, 22050, 22050);
    ASSERT_GT(u, 0.0f);
    EXPECT_NEAR(juce::Decibels::gainToDecibels(r / u), 0.0f, 3.0f);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
