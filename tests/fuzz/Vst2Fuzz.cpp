// The built VST 2.4 library driven by fuzz bytes, as a careless host might drive it: sequences
// of dispatcher calls with valid, correctly sized buffers but any indexes, values, rates, block
// sizes, names and chunk data; parameter calls with any float; and process calls of any length
// with in-place, separate or shared buffers. Nothing may crash and every output must be finite.

#include "Vst2Host.h"

#include "AnyBits.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>

using namespace vsthost;

namespace
{

void expectFinite(const Stereo& s, size_t n)
{
    for (const auto& channel : s)
        for (size_t i = 0; i < n; ++i)
            if (!std::isfinite(channel[i]))
                std::abort();
}

void process(Instance& plugin, FuzzedDataProvider& in)
{
    const auto n = in.ConsumeIntegralInRange<int>(0, 4096);
    auto input = makeStereo((size_t)n);
    const float scale = in.ConsumeBool() ? 1.0f : anyBits<float>(in);
    for (auto& channel : input)
        for (auto& x : channel)
            x = scale * ((float)(in.ConsumeIntegral<uint8_t>()) / 128.0f - 1.0f);
    auto output = makeStereo((size_t)n, 99.0f);
    float* inputs[2] = {input[0].data(), input[1].data()};
    float* outputs[2] = {output[0].data(), output[1].data()};
    switch (in.ConsumeIntegralInRange(0, 2))
    {
    case 0:
        break;
    case 1:
        outputs[0] = inputs[0], outputs[1] = inputs[1];
        break; // in place
    default:
        outputs[1] = outputs[0];
        break; // both outputs on one buffer
    }
    plugin.effect->processReplacing(plugin.effect, inputs, outputs, n);
    if (outputs[0] == inputs[0])
        output = input;
    // Input that was not finite to begin with may pass through while bypassed or powered off.
    if (std::isfinite(scale))
        expectFinite(output, (size_t)n);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One instance for the whole run (building one per input would dominate the time); each
    // input starts it from the same settings.
    static Instance plugin;
    static const std::vector<char> defaults = plugin.chunk();
    plugin.call(mainsChanged, 0, 0);
    plugin.call(setBypass, 0, 0);
    plugin.setChunkData(defaults);
    plugin.call(setProgram, 0, 0);
    plugin.resume(44100.0f, 512);

    FuzzedDataProvider in(data, size);
    std::vector<char> lastChunk;
    char text[512];
    for (int step = 0; step < 32 && in.remaining_bytes() > 0; ++step)
    {
        std::memset(text, 0, sizeof text);
        const int index = in.ConsumeIntegralInRange(-3, 140);
        switch (in.ConsumeIntegralInRange(0, 17))
        {
        case 0:
            plugin.setParameter(index, anyBits<float>(in));
            break;
        case 1:
            (void)plugin.getParameter(index);
            break;
        case 2:
            plugin.call(setProgram, 0, index);
            break;
        case 3:
        {
            const auto name = in.ConsumeRandomLengthString(100);
            std::memcpy(text, name.data(), name.size());
            plugin.call(setProgramName, 0, 0, text);
            break;
        }
        case 4:
            plugin.call(in.ConsumeBool() ? getProgramName : getProgramNameIndexed, index, 0, text);
            break;
        case 5:
        {
            const int opcodes[] = {getParamLabel, getParamDisplay, getParamName, canBeAutomated};
            plugin.call(opcodes[in.ConsumeIntegralInRange(0, 3)], index, 0, text);
            break;
        }
        case 6:
            plugin.call(setSampleRate, 0, 0, nullptr, anyBits<float>(in));
            break;
        case 7:
            plugin.call(setBlockSize, 0, in.ConsumeIntegral<int32_t>());
            break;
        case 8:
            plugin.call(mainsChanged, 0, in.ConsumeBool() ? 1 : 0);
            break;
        case 9:
            lastChunk = plugin.chunk(in.ConsumeBool());
            break;
        case 10:
        {
            // Fuzz bytes, or the last chunk with a few bytes changed.
            std::vector<char> chunk;
            if (!lastChunk.empty() && in.ConsumeBool())
            {
                chunk = lastChunk;
                for (int k = in.ConsumeIntegralInRange(0, 8); k > 0; --k)
                    chunk[in.ConsumeIntegralInRange<size_t>(0, chunk.size() - 1)] =
                        (char)in.ConsumeIntegral<uint8_t>();
            }
            else
                chunk = in.ConsumeBytes<char>(in.ConsumeIntegralInRange(0, 4096));
            plugin.setChunkData(chunk, in.ConsumeBool());
            break;
        }
        case 11:
            process(plugin, in);
            break;
        case 12:
            plugin.call(setBypass, 0, in.ConsumeBool() ? 1 : 0);
            break;
        case 13:
        {
            const auto what = in.ConsumeRandomLengthString(64);
            std::memcpy(text, what.data(), what.size());
            plugin.call(canDo, 0, 0, text);
            break;
        }
        case 14:
        {
            const int queries[] = {getTailSize,   getVstVersion,   getVendorVersion, getPlugCategory,
                                   getEffectName, getVendorString, getProductString, getProgram};
            plugin.call(queries[in.ConsumeIntegralInRange(0, 7)], 0, 0, text);
            break;
        }
        case 15:
        {
            Arrangement a(in.ConsumeIntegralInRange(-2, 40), in.ConsumeIntegralInRange(-1, 8));
            Arrangement b(in.ConsumeIntegralInRange(-2, 40), in.ConsumeIntegralInRange(-1, 8));
            if (a.get()->numChannels > 8 || b.get()->numChannels > 8)
                break;
            plugin.call(setSpeakerArrangement, 0, (intptr_t)a.get(), b.get());
            VstSpeakerArrangement* none[2] = {};
            plugin.call(getSpeakerArrangement, 0, (intptr_t)&none[0], &none[1]);
            break;
        }
        case 16:
        {
            VstPinProperties pin{};
            plugin.call(in.ConsumeBool() ? getInputProperties : getOutputProperties, index, 0, &pin);
            break;
        }
        default:
            plugin.call(vendorSpecific,
                        in.ConsumeBool() ? arrangementNameQuery : in.ConsumeIntegral<int32_t>(),
                        in.ConsumeIntegralInRange(0, 1), text);
            break;
        }
    }
    return 0;
}
