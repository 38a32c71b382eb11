// A careless or contract-breaking VST 2.4 host: the plug-in must stay safe and keep its state.
// Each test runs in a process of its own (ctest runs them one by one), so a crash fails only it.

#include "Vst2Host.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace vsthost;

namespace
{
/// The engine's rate is shared by every instance in the process: puts it back to the rate the
/// other tests of this program assume.
void restoreSharedRate()
{
    Instance reset;
    reset.resume(44100.0f, 512);
}
} // namespace

TEST(Vst2HostileHost, HandingBackTheBlockGetChunkReturnedRestoresIt)
{
    // Undo and A/B compare in some hosts pass the plug-in's own block straight back.
    Instance plugin;
    plugin.setParameter(2, 0.8f);
    for (int index : {0, 1})
    {
        void* block = nullptr;
        const auto size = plugin.call(getChunk, index, 0, &block);
        ASSERT_GT(size, 0);
        plugin.setParameter(2, 0.1f);
        plugin.call(setChunk, index, size, block);
        EXPECT_EQ(plugin.getParameter(2), 0.8f) << (index == 0 ? "bank" : "program");
    }
}

TEST(Vst2HostileHost, NullAnswerPointersAreAnsweredWithZero)
{
    Instance plugin;
    EXPECT_EQ(plugin.call(getChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin.call(getChunk, 1, 0, nullptr), 0);
    EXPECT_EQ(plugin.call(editGetRect, 0, 0, nullptr), 0);
}

TEST(Vst2HostileHost, BlocksLongerThanAnnouncedWithSharedOutputsAreSafeAndExact)
{
    // Both outputs on one buffer makes the framework's adapter use scratch buffers sized by the
    // announced block; a longer call must not overrun them.
    for (int announced : {64, 1, 512})
    {
        Instance plugin;
        plugin.resume(44100.0f, announced);
        auto in = testSignal(20000);
        auto shared = makeStereo(20000);
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {shared[0].data(), shared[0].data()};
        plugin.effect->processReplacing(plugin.effect, inputs, outputs, 20000);

        // Separate outputs, a long call, against the same in announced-size blocks.
        Instance reference;
        reference.resume(44100.0f, announced);
        Instance longCalls;
        longCalls.resume(44100.0f, announced);
        const auto expected = reference.process(in, announced);
        const auto got = longCalls.process(in, 20000);
        EXPECT_EQ(std::memcmp(got[0].data(), expected[0].data(), 20000 * sizeof(float)), 0) << announced;
        EXPECT_EQ(std::memcmp(got[1].data(), expected[1].data(), 20000 * sizeof(float)), 0) << announced;
    }
}

TEST(Vst2HostileHost, NonsenseBlockSizesAndNullBuffersAreSafe)
{
    Instance plugin;
    for (intptr_t size : {(intptr_t)0, (intptr_t)-5, (intptr_t)1 << 40})
    {
        plugin.call(setBlockSize, 0, size);
        plugin.call(mainsChanged, 0, 1);
        auto in = testSignal(3000);
        auto out = makeStereo(3000);
        float* inputs[2] = {in[0].data(), nullptr};
        float* outputs[2] = {out[0].data(), out[0].data()};
        plugin.effect->processReplacing(plugin.effect, inputs, outputs, 3000);
        plugin.effect->processReplacing(plugin.effect, nullptr, outputs, 3000);
        plugin.effect->processReplacing(plugin.effect, inputs, nullptr, 3000);
        plugin.effect->processReplacing(plugin.effect, inputs, outputs, -1);
        plugin.call(mainsChanged, 0, 0);
    }
}

TEST(Vst2HostileHost, ProgramNamesInUtf8ArriveAndAreSavedAsSent)
{
    const char* const name = "Gr\xc3\xb6\xc3\x9f"
                             "e";
    Instance plugin;
    char text[32] = {};
    std::strcpy(text, name);
    plugin.call(setProgramName, 0, 0, text);
    EXPECT_EQ(plugin.text(getProgramName), name);

    Instance other;
    other.setChunkData(plugin.chunk());
    EXPECT_EQ(other.text(getProgramNameIndexed, 0), name);

    // Text that is not UTF-8 is read as Latin-1 rather than turned into something invalid.
    std::strcpy(text, "Gr\xf6\xdf"
                      "e");
    plugin.call(setProgramName, 0, 0, text);
    EXPECT_EQ(plugin.text(getProgramName), name);
}

TEST(Vst2HostileHost, ProgramNamesAreReadNoFurtherThanTheirTwentyFourBytes)
{
    // A name has room for 24 bytes and a terminator. Hosts that fill the 24 bytes and leave the
    // terminator out, or send longer names, are read no further: here each name ends where the
    // readable memory does. A character the cut splits is left out whole.
    const auto pageSize = (size_t)sysconf(_SC_PAGESIZE);
    auto* pages = static_cast<char*>(
        mmap(nullptr, 2 * pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages + pageSize, pageSize, PROT_NONE), 0);
    const struct
    {
        std::string sent;
        std::string kept;
    } cases[] = {
        {std::string("Short", 6), "Short"},
        {"Exactly twenty-four byte", "Exactly twenty-four byte"},
        {"Thirty bytes without an ending", "Thirty bytes without an "},
        {"Twenty-three bytes, ok \xc3\xb6", "Twenty-three bytes, ok "},
        {"Twenty-two bytes, and \xe2\x99\xab", "Twenty-two bytes, and "},
    };
    Instance plugin;
    for (const auto& c : cases)
    {
        char* name = pages + pageSize - c.sent.size();
        std::memcpy(name, c.sent.data(), c.sent.size());
        plugin.call(setProgramName, 0, 0, name);
        const auto preset = plugin.chunk(true);
        EXPECT_NE(std::string(preset.begin(), preset.end()).find("=\"" + c.kept + "\""), std::string::npos)
            << c.sent;
    }
    munmap(pages, 2 * pageSize);
}

TEST(Vst2HostileHost, TailAnswerStaysWithinRangeWhateverTheRate)
{
    for (float rate :
         {std::numeric_limits<float>::infinity(), 1.0e9f, 3.0e38f, std::numeric_limits<float>::quiet_NaN()})
    {
        Instance plugin;
        plugin.setParameter(2, 1.0f);
        plugin.resume(rate, 512);
        const auto tail = plugin.call(getTailSize);
        EXPECT_GE(tail, 0) << rate;
        EXPECT_LE(tail, (intptr_t)std::numeric_limits<int32_t>::max()) << rate;
    }
    restoreSharedRate();
}

TEST(Vst2HostileHost, NegativeZeroSurvivesABankRoundTrip)
{
    Instance plugin;
    plugin.setParameter(0, -0.0f);
    const auto bank = plugin.chunk();
    Instance other;
    other.setChunkData(bank);
    EXPECT_EQ(other.chunk(), bank);
    EXPECT_TRUE(std::signbit(other.getParameter(0)));
}
