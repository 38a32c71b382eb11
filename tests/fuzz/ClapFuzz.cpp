// The built CLAP plug-in driven by fuzz bytes through our CLAP host, as a careless host might
// drive it: activation at any rate and block size (and process calls before it), process calls
// of any length up to the block size with any parameter events, including ids, values and frames
// out of range, flushes, state loads of any bytes and of saved state with bytes changed,
// parameter text both ways, preset loads by any key, the tail, reset and the render mode.
// Nothing may crash and every output must be finite.

#include <tests/clap/ClapHost.h>

#include "AnyBits.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>

namespace
{

claphost::InputEvents events(FuzzedDataProvider& in, uint32_t frames)
{
    claphost::InputEvents list;
    const int n = in.ConsumeIntegralInRange<int>(0, 8);
    uint32_t time = 0;
    for (int i = 0; i < n; ++i)
    {
        // Mostly in order and in range, as the format asks, sometimes not.
        time = in.ConsumeBool() ? std::min(frames, time + in.ConsumeIntegralInRange<uint32_t>(0, 512))
                                : in.ConsumeIntegral<uint32_t>();
        const clap_id id = in.ConsumeIntegralInRange<clap_id>(0, 12);
        list.add(time, id, in.ConsumeBool() ? in.ConsumeProbability<double>() : anyBits<double>(in));
        if (in.ConsumeBool())
            list.events.back().header.type = in.ConsumeIntegralInRange<uint16_t>(0, 12);
    }
    return list;
}

void process(claphost::Instance& plugin, FuzzedDataProvider& in, uint32_t maxFrames)
{
    const uint32_t n = in.ConsumeIntegralInRange<uint32_t>(0, maxFrames);
    claphost::Stereo buffers{std::vector<float>(n), std::vector<float>(n)};
    for (auto& channel : buffers)
        for (auto& x : channel)
            x = (float)in.ConsumeIntegral<uint8_t>() / 128.0f - 1.0f;
    const auto list = events(in, n);
    claphost::OutputEvents out;
    plugin.process(buffers, 0, n, &list, &out);
    for (const auto& channel : buffers)
        for (float x : channel)
            if (!std::isfinite(x))
                std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static claphost::Library library(ZV_CLAP_PATH);
    claphost::Host host;
    claphost::Instance plugin(library, host);
    FuzzedDataProvider in(data, size);
    uint32_t maxFrames = 0;
    for (int calls = 0; calls < 64 && in.remaining_bytes() > 0; ++calls)
    {
        const int op = in.ConsumeIntegralInRange<int>(0, 10);
        switch (op)
        {
        case 0:
        {
            const double rates[] = {44100.0,  48000.0, 96000.0, 8000.0,
                                    384000.0, 0.0,     -1.0,    anyBits<double>(in)};
            maxFrames = in.ConsumeIntegralInRange<uint32_t>(1, 4096);
            const double r = rates[in.ConsumeIntegralInRange<int>(0, 7)];
            plugin.activate(r, maxFrames);
            if (!plugin.active)
                maxFrames = 0;
            break;
        }
        case 1:
            if (plugin.processing)
                claphost::runOnAudioThread([&] { plugin.plugin->stop_processing(plugin.plugin); });
            plugin.processing = false;
            plugin.plugin->deactivate(plugin.plugin);
            plugin.active = false;
            maxFrames = 0;
            break;
        case 2:
            process(plugin, in, std::max<uint32_t>(maxFrames, 1));
            break;
        case 3:
        {
            const auto list = events(in, 0);
            claphost::OutputEvents out;
            plugin.params->flush(plugin.plugin, &list.list, &out.list);
            break;
        }
        case 4:
        {
            auto bytes = in.ConsumeBool() ? plugin.save() : std::vector<char>();
            const auto extra = in.ConsumeBytes<char>(in.ConsumeIntegralInRange<size_t>(0, 256));
            for (size_t i = 0; i < extra.size() && !bytes.empty(); i += 2)
                bytes[(size_t)(unsigned char)extra[i] * 37 % bytes.size()] =
                    extra.size() > i + 1 ? extra[i + 1] : 0;
            if (bytes.empty())
                bytes = extra;
            plugin.load(bytes);
            break;
        }
        case 5:
        {
            const auto text = in.ConsumeRandomLengthString(32);
            double v = 0.0;
            plugin.params->text_to_value(plugin.plugin, in.ConsumeIntegralInRange<clap_id>(0, 12),
                                         text.c_str(), &v);
            plugin.text(in.ConsumeIntegralInRange<clap_id>(0, 12), anyBits<double>(in));
            break;
        }
        case 6:
        {
            const auto key = in.ConsumeRandomLengthString(24);
            plugin.presetLoad->from_location(plugin.plugin, in.ConsumeIntegralInRange<uint32_t>(0, 2),
                                             in.ConsumeBool() ? nullptr : "/tmp", key.c_str());
            break;
        }
        case 7:
            plugin.tail->get(plugin.plugin);
            plugin.latency->get(plugin.plugin);
            break;
        case 8:
            if (plugin.active)
                claphost::runOnAudioThread([&] { plugin.plugin->reset(plugin.plugin); });
            break;
        case 9:
            plugin.render->set(plugin.plugin, in.ConsumeIntegralInRange<int32_t>(-1, 2));
            break;
        default:
            plugin.save();
            break;
        }
    }
    if (host.mainThreadViolations.load() != 0 || host.audioThreadViolations.load() != 0)
        std::abort();
    return 0;
}
