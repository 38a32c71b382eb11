// Our CLAP host drives the built "ZV-Reverb LX.clap" through everything a CLAP validator checks:
// the entry, factory and descriptor, each extension's answers, the order of activation and
// processing, parameter values and their text both ways, state into a fresh instance, hostile
// state, threads, the tail, and the factory presets a browsing host lists. Its audio is compared
// bit for bit with the VST 2.4 build's for the same input, settings and automation.

#include "ClapHost.h"

#include <Vst2Host.h>

#include <presets/FactoryPresets.h>
#include <processor/Parameters.h>
#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

namespace
{
using claphost::Instance;

claphost::Library& library()
{
    static claphost::Library lib(ZV_CLAP_PATH);
    return lib;
}

constexpr double rate = 48000.0;

class Clap : public ::testing::Test
{
  protected:
    claphost::Host host;
    Instance plugin{library(), host};
};

/// A host's automation: (frame within the whole render, parameter, value).
struct Automation
{
    size_t frame;
    clap_id param;
    double value;
};

const std::vector<Automation> automation = {
    {0, zvparams::DryWet, 0.7},        {100, zvparams::Decay, 0.8},      {777, zvparams::EarlySize, 0.2},
    {1030, zvparams::LeftOnOff, 1.0},  {1500, zvparams::LeftOnOff, 0.0}, {2048, zvparams::Volume, 0.65},
    {3001, zvparams::Listener, 0.9},   {4095, zvparams::OnOff, 0.0},     {4200, zvparams::OnOff, 1.0},
    {5000, zvparams::RightOnOff, 1.0}, {6143, zvparams::LateSize, 0.35}, {7000, zvparams::Diffusion, 0.1},
};

/// Renders `input` through the CLAP plug-in in blocks of `block` frames with `automation` as
/// events at their frames.
claphost::Stereo renderClap(Instance& p, const claphost::Stereo& input, uint32_t block)
{
    claphost::Stereo buffers = input;
    for (size_t done = 0; done < input[0].size();)
    {
        const uint32_t n = (uint32_t)std::min<size_t>(block, input[0].size() - done);
        claphost::InputEvents events;
        for (const auto& a : automation)
            if (a.frame >= done && a.frame < done + n)
                events.add((uint32_t)(a.frame - done), a.param, a.value);
        EXPECT_EQ(p.process(buffers, done, n, &events), CLAP_PROCESS_CONTINUE);
        done += n;
    }
    return buffers;
}

/// The same through the VST 2.4 build: its host splits each block where a value changes.
vsthost::Stereo renderVst2(const claphost::Stereo& input, int block)
{
    vsthost::Instance vst;
    vst.resume((float)rate, block);
    vsthost::Stereo in{input[0], input[1]};
    vsthost::Stereo out = vsthost::makeStereo(input[0].size());
    size_t next = 0;
    for (size_t done = 0; done < input[0].size();)
    {
        while (next < automation.size() && automation[next].frame <= done)
        {
            vst.setParameter((int)automation[next].param, (float)automation[next].value);
            ++next;
        }
        size_t end = std::min(input[0].size(), (done / (size_t)block + 1) * (size_t)block);
        if (next < automation.size())
            end = std::min(end, automation[next].frame);
        vst.processBlock(in, out, done, (int)(end - done));
        done = end;
    }
    return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}
} // namespace

//==============================================================================
TEST(ClapEntry, FactoryAndDescriptor)
{
    const auto* entry = library().entry;
    EXPECT_TRUE(clap_version_is_compatible(entry->clap_version));
    EXPECT_EQ(entry->get_factory("no.such.factory"), nullptr);
    const auto* factory = library().pluginFactory();
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const auto* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(clap_version_is_compatible(d->clap_version));
    EXPECT_STREQ(d->id, "com.zelvane.zvreverblx");
    EXPECT_STREQ(d->name, "ZV-Reverb LX");
    EXPECT_STREQ(d->vendor, "Zelvane");
    EXPECT_STREQ(d->version, "1.5.0");
    std::vector<std::string> features;
    for (auto* f = d->features; *f != nullptr; ++f)
        features.emplace_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "reverb", "stereo"}));

    claphost::Host host;
    EXPECT_EQ(factory->create_plugin(factory, &host.host, "com.zelvane.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, d->id), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, &host.host, nullptr), nullptr);
}

TEST_F(Clap, OffersEachExtensionAndNoOther)
{
    for (const char* id :
         {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_LATENCY, CLAP_EXT_TAIL,
          CLAP_EXT_RENDER, CLAP_EXT_GUI, CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_PRESET_LOAD})
        EXPECT_NE(plugin.plugin->get_extension(plugin.plugin, id), nullptr) << id;
    for (const char* id : {"clap.note-ports", "clap.voice-info", "", "clap.params/2"})
        EXPECT_EQ(plugin.plugin->get_extension(plugin.plugin, id), nullptr) << id;
    EXPECT_EQ(plugin.plugin->get_extension(plugin.plugin, nullptr), nullptr);
}

TEST_F(Clap, OneStereoPortEachWayInPlace)
{
    for (bool isInput : {true, false})
    {
        ASSERT_EQ(plugin.ports->count(plugin.plugin, isInput), 1u);
        clap_audio_port_info_t info{};
        ASSERT_TRUE(plugin.ports->get(plugin.plugin, 0, isInput, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
        EXPECT_EQ(info.flags, CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_EQ(info.in_place_pair, info.id);
        EXPECT_FALSE(plugin.ports->get(plugin.plugin, 1, isInput, &info));
    }
}

TEST_F(Clap, ParametersAreTheProcessors)
{
    ZVPluginAudioProcessor processor;
    ASSERT_EQ(plugin.params->count(plugin.plugin), (uint32_t)processor.getNumParameters());
    std::set<clap_id> ids;
    for (uint32_t i = 0; i < plugin.params->count(plugin.plugin); ++i)
    {
        clap_param_info_t info{};
        ASSERT_TRUE(plugin.params->get_info(plugin.plugin, i, &info));
        ids.insert(info.id);
        EXPECT_EQ(info.id, i);
        EXPECT_EQ(std::string(info.name), processor.getParameterName((int)i).toStdString());
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(info.default_value, (double)processor.getParameter((int)i)) << info.name;
        EXPECT_EQ(plugin.value(info.id), info.default_value);
        const bool isSwitch = i >= zvparams::OnOff;
        EXPECT_EQ(info.flags, CLAP_PARAM_IS_AUTOMATABLE | (isSwitch ? CLAP_PARAM_IS_STEPPED : 0u))
            << info.name;
    }
    EXPECT_EQ(ids.size(), (size_t)zvparams::count);
    clap_param_info_t info{};
    EXPECT_FALSE(plugin.params->get_info(plugin.plugin, zvparams::count, &info));
    double v = 0.0;
    EXPECT_FALSE(plugin.params->get_value(plugin.plugin, zvparams::count, &v));
}

TEST_F(Clap, ValueTextBothWaysIsTheProcessorsText)
{
    ZVPluginAudioProcessor processor;
    for (clap_id id = 0; id < zvparams::count; ++id)
        for (int step = 0; step <= 200; ++step)
        {
            // A switch is stepped: hosts give it its steps alone.
            const double v = step / 200.0;
            if (id >= zvparams::OnOff && step % 200 != 0)
                continue;
            processor.setParameter((int)id, (float)v);
            const std::string text = plugin.text(id, v);
            ASSERT_EQ(text, processor.getParameterText((int)id).toStdString()) << id << " " << v;
            double back = -1.0;
            ASSERT_TRUE(plugin.params->text_to_value(plugin.plugin, id, text.c_str(), &back)) << text;
            EXPECT_EQ(plugin.text(id, back), text) << id << " " << v;
        }
    // Bytes that are not UTF-8 at all are refused as they are, never decoded.
    for (const char* bad :
         {"", "  ", "abc", "0.5x", "1.5", "-0.1", "nan", "inf", "1e400", "0,5", "\xf4\x90\x80\x80", "0.5\xc3",
          "\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8\xf7\xf6\xf5\xf4\xf3"})
    {
        double v = 42.0;
        EXPECT_FALSE(plugin.params->text_to_value(plugin.plugin, 0, bad, &v)) << bad;
        EXPECT_EQ(v, 42.0);
    }
    double v = 0.0;
    EXPECT_FALSE(plugin.params->text_to_value(plugin.plugin, zvparams::count, "0.5", &v));
    EXPECT_TRUE(plugin.params->text_to_value(plugin.plugin, zvparams::OnOff, " 0.70 ", &v));
    EXPECT_EQ(v, 1.0); // a switch's text reads as one of its steps
}

TEST_F(Clap, ActivationProcessingAndFlushInTheirOrder)
{
    auto buffers = claphost::burst(256);
    // Not active yet: no processing.
    EXPECT_EQ(plugin.process(buffers, 0, 256), CLAP_PROCESS_ERROR);
    // Outside processing a flush applies values.
    claphost::InputEvents events;
    events.add(0, zvparams::DryWet, 0.25);
    plugin.params->flush(plugin.plugin, &events.list, nullptr);
    EXPECT_EQ(plugin.value(zvparams::DryWet), 0.25);

    EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, 0.0, 1, 512));
    EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, std::nan(""), 1, 512));
    ASSERT_TRUE(plugin.activate(rate, 512));
    EXPECT_FALSE(plugin.plugin->activate(plugin.plugin, rate, 1, 512)); // already active

    // A call with no frames, and one with events only, both work.
    EXPECT_EQ(plugin.process(buffers, 0, 0), CLAP_PROCESS_CONTINUE);
    claphost::InputEvents onlyEvents;
    onlyEvents.add(0, zvparams::Decay, 0.9);
    onlyEvents.add(5, zvparams::Volume, 0.3); // beyond the call's frames: applied at its end
    EXPECT_EQ(plugin.process(buffers, 0, 0, &onlyEvents), CLAP_PROCESS_CONTINUE);
    // Values are the processor's 32-bit floats.
    EXPECT_EQ(plugin.value(zvparams::Decay), (double)0.9f);
    EXPECT_EQ(plugin.value(zvparams::Volume), (double)0.3f);
    EXPECT_EQ(plugin.process(buffers, 0, 256), CLAP_PROCESS_CONTINUE);

    // Buffers the plug-in cannot use are refused, not read.
    float* none[2] = {nullptr, nullptr};
    clap_audio_buffer_t bad{none, nullptr, 2, 0, 0};
    clap_process_t p{};
    p.frames_count = 16;
    p.audio_inputs = &bad;
    p.audio_outputs = &bad;
    p.audio_inputs_count = p.audio_outputs_count = 1;
    EXPECT_EQ(plugin.runOnAudioThread([&] { return plugin.plugin->process(plugin.plugin, &p); }),
              CLAP_PROCESS_ERROR);

    plugin.runOnAudioThread([&] { plugin.plugin->stop_processing(plugin.plugin); });
    plugin.processing = false;
    plugin.plugin->deactivate(plugin.plugin);
    plugin.active = false;
    EXPECT_EQ(plugin.process(buffers, 0, 256), CLAP_PROCESS_ERROR);
    ASSERT_TRUE(plugin.activate(rate * 2, 64)); // and again, at another rate
    EXPECT_EQ(plugin.process(buffers, 0, 64), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(host.mainThreadViolations.load(), 0);
}

class ClapAudio : public Clap, public ::testing::WithParamInterface<uint32_t>
{
};

TEST_P(ClapAudio, EqualsTheVst2BuildWithTheSameAutomation)
{
    const auto input = claphost::burst(8192);
    ASSERT_TRUE(plugin.activate(rate, GetParam()));
    const auto clap = renderClap(plugin, input, GetParam());
    const auto vst = renderVst2(input, (int)GetParam());
    EXPECT_TRUE(sameBits(clap[0], vst[0]));
    EXPECT_TRUE(sameBits(clap[1], vst[1]));
    // The automation did change the sound: a render without it differs.
    claphost::Host otherHost;
    Instance plain(library(), otherHost);
    ASSERT_TRUE(plain.activate(rate, GetParam()));
    auto unautomated = input;
    plain.process(unautomated, 0, (uint32_t)input[0].size());
    EXPECT_FALSE(sameBits(clap[0], unautomated[0]));
}
INSTANTIATE_TEST_SUITE_P(Blocks, ClapAudio, ::testing::Values(64u, 512u, 8192u));

TEST_F(Clap, SeparateBuffersSoundAsInPlace)
{
    const auto input = claphost::burst(4096);
    claphost::Host otherHost;
    Instance other(library(), otherHost);
    ASSERT_TRUE(plugin.activate(rate, 4096));
    ASSERT_TRUE(other.activate(rate, 4096));
    auto inPlace = input;
    plugin.process(inPlace, 0, 4096);
    claphost::Stereo separate{std::vector<float>(4096, 9.0f), std::vector<float>(4096, 9.0f)};
    other.process(separate, 0, 4096, nullptr, nullptr, &input);
    EXPECT_TRUE(sameBits(inPlace[0], separate[0]));
    EXPECT_TRUE(sameBits(inPlace[1], separate[1]));
}

//==============================================================================
TEST_F(Clap, StateRestoresEveryValueAndTheSoundInAFreshInstance)
{
    claphost::InputEvents settings;
    for (clap_id id = 0; id < zvparams::count; ++id)
        settings.add(0, id, id >= zvparams::OnOff ? (double)(id % 2) : 0.05 + 0.09 * id);
    plugin.params->flush(plugin.plugin, &settings.list, nullptr);
    const auto saved = plugin.save();

    claphost::Host otherHost;
    Instance restored(library(), otherHost);
    ASSERT_TRUE(restored.load(saved));
    EXPECT_GT(otherHost.rescans.load(), 0); // the host is told to read the values again
    for (clap_id id = 0; id < zvparams::count; ++id)
        EXPECT_EQ(restored.value(id), plugin.value(id)) << id;
    EXPECT_EQ(restored.save(), saved);

    const auto input = claphost::burst(4096);
    ASSERT_TRUE(plugin.activate(rate, 4096));
    ASSERT_TRUE(restored.activate(rate, 4096));
    auto a = input, b = input;
    plugin.process(a, 0, 4096);
    restored.process(b, 0, 4096);
    EXPECT_TRUE(sameBits(a[0], b[0]) && sameBits(a[1], b[1]));
}

TEST_F(Clap, DamagedOrHostileStateChangesNothing)
{
    claphost::InputEvents settings;
    settings.add(0, zvparams::Decay, 0.123);
    plugin.params->flush(plugin.plugin, &settings.list, nullptr);
    const auto before = plugin.save();

    ZVPluginAudioProcessor processor;
    juce::MemoryBlock preset;
    processor.getCurrentProgramStateInformation(preset);
    auto truncated = before;
    truncated.resize(truncated.size() / 2);
    auto retagged = before;
    const std::string tag = "ZV-REVERB_LX_BANK";
    auto at = std::search(retagged.begin(), retagged.end(), tag.begin(), tag.end());
    ASSERT_NE(at, retagged.end());
    *at = 'Q';
    auto nested = before;
    const std::string bomb = "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\">]>";
    nested.insert(nested.begin() + 8, bomb.begin(), bomb.end());

    const std::vector<std::vector<char>> hostile = {
        {},
        std::vector<char>(1000, '\xff'),
        truncated,
        retagged,
        nested,
        std::vector<char>((const char*)preset.getData(), (const char*)preset.getData() + preset.getSize()),
        std::vector<char>(9u << 20, 'x'), // beyond anything the plug-in reads
    };
    for (const auto& data : hostile)
    {
        EXPECT_FALSE(plugin.load(data)) << data.size();
        EXPECT_EQ(plugin.save(), before) << data.size();
    }

    // Streams that fail or overrun.
    for (int64_t answer : {(int64_t)-1, (int64_t)1 << 40})
    {
        clap_istream_t stream{&answer, [](const clap_istream_t* s, void*, uint64_t)
                              { return *static_cast<const int64_t*>(s->ctx); }};
        EXPECT_FALSE(plugin.state->load(plugin.plugin, &stream));
        EXPECT_EQ(plugin.save(), before);
    }
    clap_ostream_t full{nullptr, [](const clap_ostream_t*, const void*, uint64_t) -> int64_t { return -1; }};
    EXPECT_FALSE(plugin.state->save(plugin.plugin, &full));
    EXPECT_EQ(host.mainThreadViolations.load(), 0);
}

//==============================================================================
TEST_F(Clap, MainThreadCallsStayOnTheMainThreadAndWrongThreadsAreRefused)
{
    ASSERT_TRUE(plugin.activate(rate, 512));
    auto buffers = claphost::burst(2048);
    for (size_t done = 0; done < 2048; done += 512)
    {
        claphost::InputEvents events;
        events.add(7, zvparams::Decay, 0.3 + done / 10000.0);
        plugin.process(buffers, done, 512, &events);
    }
    ASSERT_TRUE(plugin.load(plugin.save()));
    EXPECT_EQ(host.mainThreadViolations.load(), 0);
    EXPECT_EQ(host.audioThreadViolations.load(), 0);

    // Main-thread calls made from the audio thread are refused rather than raced.
    const auto saved = plugin.save();
    plugin.runOnAudioThread(
        [&]
        {
            clap_ostream_t sink{nullptr,
                                [](const clap_ostream_t*, const void*, uint64_t n) { return (int64_t)n; }};
            EXPECT_FALSE(plugin.state->save(plugin.plugin, &sink));
            EXPECT_FALSE(plugin.load(saved));
            EXPECT_FALSE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
            EXPECT_FALSE(plugin.presetLoad->from_location(
                plugin.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "large-hall"));
            return 0;
        });
    EXPECT_EQ(host.mainThreadViolations.load(), 0);
}

TEST_F(Clap, LatencyTailAndOfflineRendering)
{
    ZVPluginAudioProcessor processor;
    processor.prepareToPlay(rate, 512);
    ASSERT_TRUE(plugin.activate(rate, 512));
    EXPECT_EQ(plugin.latency->get(plugin.plugin), 0u);
    const uint32_t tail = plugin.tail->get(plugin.plugin);
    EXPECT_EQ(tail, (uint32_t)std::ceil(processor.getTailLengthSeconds() * rate));
    EXPECT_GT(tail, 0u);

    auto buffers = claphost::burst(64);
    claphost::InputEvents longer;
    longer.add(0, zvparams::Decay, 0.9);
    plugin.process(buffers, 0, 64, &longer);
    EXPECT_GT(plugin.tail->get(plugin.plugin), tail);
    claphost::InputEvents off;
    off.add(3, zvparams::OnOff, 0.0);
    plugin.process(buffers, 0, 64, &off);
    EXPECT_EQ(plugin.tail->get(plugin.plugin), 0u); // power off: nothing rings
    EXPECT_EQ(host.tailChanges.load(), 2);
    EXPECT_EQ(host.audioThreadViolations.load(), 0);

    EXPECT_FALSE(plugin.render->has_hard_realtime_requirement(plugin.plugin));
    EXPECT_TRUE(plugin.render->set(plugin.plugin, CLAP_RENDER_OFFLINE));
    EXPECT_TRUE(plugin.render->set(plugin.plugin, CLAP_RENDER_REALTIME));
    EXPECT_FALSE(plugin.render->set(plugin.plugin, 7));
}

//==============================================================================
namespace
{
struct Listing
{
    std::vector<clap_preset_discovery_location_t> locations;
    std::vector<std::pair<std::string, std::string>> presets; // name, key
    std::vector<std::string> pluginIds, descriptions;
    std::vector<uint32_t> flags;
};

const clap_preset_discovery_indexer_t& indexer(Listing& listing)
{
    static clap_preset_discovery_indexer_t i{};
    i.clap_version = CLAP_VERSION;
    i.name = "ZV CLAP test indexer";
    i.indexer_data = &listing;
    i.declare_filetype = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*)
    { return true; };
    i.declare_location =
        [](const clap_preset_discovery_indexer_t* x, const clap_preset_discovery_location_t* l)
    {
        static_cast<Listing*>(x->indexer_data)->locations.push_back(*l);
        return true;
    };
    i.declare_soundpack = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_soundpack_t*)
    { return true; };
    i.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void*
    { return nullptr; };
    return i;
}

Listing& of(const clap_preset_discovery_metadata_receiver_t* r)
{
    return *static_cast<Listing*>(r->receiver_data);
}
} // namespace

TEST_F(Clap, PresetDiscoveryListsTheFactoryPresetsAndTheyLoad)
{
    const auto* factory = static_cast<const clap_preset_discovery_factory_t*>(
        library().entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(library().entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT), factory);
    ASSERT_EQ(factory->count(factory), 1u);
    const auto* d = factory->get_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    Listing listing;
    EXPECT_EQ(factory->create(factory, &indexer(listing), "no.such.provider"), nullptr);
    const auto* provider = factory->create(factory, &indexer(listing), d->id);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(listing.locations.size(), 1u);
    EXPECT_EQ(listing.locations[0].kind, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN);
    EXPECT_EQ(listing.locations[0].location, nullptr);
    EXPECT_EQ(listing.locations[0].flags, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

    clap_preset_discovery_metadata_receiver_t receiver{};
    receiver.receiver_data = &listing;
    receiver.on_error = [](const clap_preset_discovery_metadata_receiver_t*, int32_t, const char*) {};
    receiver.begin_preset =
        [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key)
    {
        of(r).presets.emplace_back(name, key);
        return true;
    };
    receiver.add_plugin_id =
        [](const clap_preset_discovery_metadata_receiver_t* r, const clap_universal_plugin_id_t* id)
    { of(r).pluginIds.push_back(std::string(id->abi) + ":" + id->id); };
    receiver.set_flags = [](const clap_preset_discovery_metadata_receiver_t* r, uint32_t f)
    { of(r).flags.push_back(f); };
    receiver.set_description = [](const clap_preset_discovery_metadata_receiver_t* r, const char* text)
    { of(r).descriptions.emplace_back(text); };
    // Receivers may leave any of the optional calls out.
    EXPECT_FALSE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp", &receiver));
    ASSERT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, &receiver));
    provider->destroy(provider);

    const auto& presets = zvpresets::all();
    ASSERT_EQ(presets.size(), 18u);
    ASSERT_EQ(listing.presets.size(), presets.size());
    for (size_t i = 0; i < presets.size(); ++i)
    {
        EXPECT_EQ(listing.presets[i].first, presets[i].name);
        EXPECT_EQ(listing.pluginIds[i], "clap:com.zelvane.zvreverblx");
        EXPECT_EQ(listing.flags[i], CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        EXPECT_EQ(listing.descriptions[i], presets[i].purpose);
        // The host loads it by its key; every value is the preset's.
        ASSERT_TRUE(plugin.presetLoad->from_location(plugin.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN,
                                                     nullptr, listing.presets[i].second.c_str()));
        for (clap_id id = 0; id < zvparams::count; ++id)
            EXPECT_EQ(plugin.value(id), (double)presets[i].values[id]) << presets[i].name << " " << id;
    }
    EXPECT_EQ(host.presetsLoaded.load(), 18);
    EXPECT_FALSE(plugin.presetLoad->from_location(plugin.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN,
                                                  nullptr, "no-such-preset"));
    EXPECT_FALSE(
        plugin.presetLoad->from_location(plugin.plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/x", "a"));
    EXPECT_EQ(host.mainThreadViolations.load(), 0);
}
