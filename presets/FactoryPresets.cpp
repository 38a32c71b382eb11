#include "FactoryPresets.h"

#include <processor/StateDocuments.h>
#include <processor/ZVPluginAudioProcessor.h>

namespace zvpresets
{
namespace
{
// The input selectors are three exclusive choices, as the editor sets them.
constexpr float stereoIn[3] = {0.0f, 0.0f, 1.0f}, leftIn[3] = {1.0f, 0.0f, 0.0f},
                rightIn[3] = {0.0f, 1.0f, 0.0f};

/// One row of the table: the seven continuous values, then the input choice; power is on.
constexpr std::array<float, zvparams::count> row(float earlySize, float lateSize, float decay,
                                                 float diffusion, float listener, float dryWet, float volume,
                                                 const float (&input)[3] = stereoIn)
{
    return {earlySize, lateSize, decay,    diffusion, listener, dryWet,
            volume,    1.0f,     input[0], input[1],  input[2]};
}
} // namespace

// Designed by ear and checked by measurement (docs/presets.md lists each one's reverberation
// time, early decay time, pre-delay, decay per band and width). Names and purposes say only what
// the measurement bears out. The engine's tone shelves sit inside its loops, so every tail fades
// darker than it starts (a bright plate is beyond it), its late section has no gate, and its tails
// are all about equally wide (their two sides correlate by 0.1 or less). Decay sets the late section's loop
// gains, so it governs the length; the sizes set the spacing of the reflections and add length of their own;
// a low listener position keeps the early reflections in front, a high one the diffuse tail. The dry/wet mix
// is set for use as an insert, except where the name says the preset is for a send.
const std::vector<FactoryPreset>& all()
{
    //                               EarlySize LateSize Decay Diffusion Listener Dry-Wet Volume
    static const std::vector<FactoryPreset> presets = {
        {"Small Room", "a tight, natural room for acoustic instruments and dialogue",
         row(0.30f, 0.20f, 0.42f, 0.55f, 0.35f, 0.25f, 0.5f)},
        {"Vocal Room", "a short, smooth room that thickens a voice without pushing it back",
         row(0.35f, 0.30f, 0.48f, 0.65f, 0.55f, 0.22f, 0.5f)},
        {"Drum Room", "close early reflections and a short tail that keep drums punchy",
         row(0.40f, 0.25f, 0.45f, 0.40f, 0.30f, 0.30f, 0.5f)},
        {"Chamber", "a dense, even chamber for strings, piano and backing vocals",
         row(0.45f, 0.45f, 0.55f, 0.70f, 0.65f, 0.30f, 0.5f)},
        {"Warm Plate",
         "hardly any early reflections and an instantly dense tail that darkens as it fades, for vocals and "
         "snare",
         row(0.00f, 0.40f, 0.58f, 0.80f, 0.90f, 0.30f, 0.5f), "plate"},
        {"Medium Hall", "a concert hall of moderate size for ensembles and mixes",
         row(0.50f, 0.50f, 0.58f, 0.70f, 0.60f, 0.30f, 0.5f)},
        {"Large Hall", "a big hall with a long, warm tail for orchestral and ballad material",
         row(0.60f, 0.65f, 0.61f, 0.75f, 0.70f, 0.30f, 0.5f)},
        {"Cathedral", "a vast stone space for choirs, organ and slow solo lines",
         row(0.70f, 0.80f, 0.66f, 0.80f, 0.80f, 0.35f, 0.5f)},
        {"Ambience", "early reflections only: width and air without an audible tail",
         row(0.35f, 0.15f, 0.35f, 0.60f, 0.10f, 0.30f, 0.5f)},
        {"Long Pad", "a huge, slow tail that turns sustained sounds into pads",
         row(0.60f, 0.90f, 0.80f, 0.80f, 0.90f, 0.45f, 0.5f)},
        {"Dense Burst", "a large, dense space that dies fast and smoothly (no gate), for snares and toms",
         row(0.50f, 0.45f, 0.35f, 0.60f, 0.80f, 0.35f, 0.5f), "gated"},
        {"Slapback", "sparse, separate early echoes with no tail, for rockabilly vocals and guitars",
         row(0.75f, 0.00f, 0.30f, 0.00f, 0.00f, 0.30f, 0.5f)},
        {"Metal Tunnel", "little diffusion in a long space: a ringing, fluttering effect",
         row(0.65f, 0.60f, 0.68f, 0.10f, 0.75f, 0.35f, 0.5f)},
        {"Stage", "a stage-sized space between chamber and hall, with early reflections in front, for a mix",
         row(0.55f, 0.50f, 0.58f, 0.60f, 0.45f, 0.28f, 0.5f), "wide-stage"},
        {"Left Input Hall",
         "the left input alone, dry sound included, on both sides into a hall; the right input is not heard",
         row(0.50f, 0.50f, 0.58f, 0.70f, 0.60f, 0.40f, 0.5f, leftIn), "left-into-hall"},
        {"Right Input Room",
         "the right input alone, dry sound included, on both sides into a room; the left input is not heard",
         row(0.30f, 0.25f, 0.45f, 0.60f, 0.40f, 0.35f, 0.5f, rightIn), "right-into-room"},
        {"Hall Send", "a large hall, fully wet, for an auxiliary send shared by many tracks",
         row(0.60f, 0.65f, 0.61f, 0.75f, 0.70f, 1.00f, 0.5f)},
        {"Endless", "a near-endless wash for drones and transitions; the volume is lowered to leave headroom",
         row(0.50f, 0.90f, 1.00f, 0.80f, 1.00f, 0.50f, 0.4f)},
    };
    return presets;
}

const FactoryPreset* find(const juce::String& name)
{
    const auto asSlug = name.trim().toLowerCase().replaceCharacter(' ', '-');
    for (const auto& preset : all())
        if (name.trim().equalsIgnoreCase(preset.name) ||
            (preset.firstSlug != nullptr && asSlug == preset.firstSlug))
            return &preset;
    return nullptr;
}

juce::String names()
{
    juce::StringArray list;
    for (const auto& preset : all())
        list.add(preset.name);
    return list.joinIntoString(", ");
}

juce::String slug(const FactoryPreset& preset)
{
    if (preset.firstSlug != nullptr)
        return preset.firstSlug;
    return juce::String(preset.name).toLowerCase().replaceCharacter(' ', '-');
}

juce::MemoryBlock presetChunk(const FactoryPreset& preset)
{
    ProgramRecord record;
    for (int i = 0; i < zvparams::count; ++i)
        record.set(zvparams::table[i].field, preset.values[(size_t)i]);
    record.setName(preset.name);
    // The same document the processor writes for its current program.
    juce::XmlElement document(zvstate::presetTag);
    document.setAttribute("Version", zvstate::version);
    zvstate::writeRecord(document, record, {}, "programName");
    juce::MemoryBlock chunk;
    juce::AudioProcessor::copyXmlToBinary(document, chunk);
    return chunk;
}

void load(ZVPluginAudioProcessor& processor, const FactoryPreset& preset)
{
    const auto chunk = presetChunk(preset);
    processor.setCurrentProgramStateInformation(chunk.getData(), (int)chunk.getSize());
}

void loadFactoryBank(ZVPluginAudioProcessor& processor)
{
    const auto& presets = all();
    for (size_t p = 0; p < presets.size() && (int)p < processor.getNumPrograms(); ++p)
    {
        processor.setCurrentProgram((int)p);
        load(processor, presets[p]);
    }
    processor.setCurrentProgram(0);
}

} // namespace zvpresets
