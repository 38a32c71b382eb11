#include "ZVPluginAudioProcessor.h"

#include "StateDocuments.h"

#include <ZVIdentity.h>

#include <zReverb.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

ZVPluginAudioProcessor::ZVPluginAudioProcessor(EditorFactory editorFactory)
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true)),
      makeEditor(editorFactory)
{
    // The live record and the table start at the defaults (ProgramRecord's constructor).
    for (auto& record : programs)
        record = std::make_unique<ProgramRecord>();
    // Every instance builds its engine for the same rate, whatever other instances in the process
    // run at, and is set to the host's rate afterwards: its sound depends on its own settings,
    // input and rate alone.
    reverb = std::make_unique<zReverb>(zDefaultSampleRate);
    setCurrentProgram(0);
}

// Members go in reverse order of declaration: the program table, the live record, then the engine.
ZVPluginAudioProcessor::~ZVPluginAudioProcessor() = default;

const juce::String ZVPluginAudioProcessor::getName() const
{
    return zvidentity::name;
}

//==============================================================================
const juce::String ZVPluginAudioProcessor::getParameterName(int index)
{
    return zvparams::isValid(index) ? juce::String(zvparams::table[index].name) : juce::String();
}

juce::String ZVPluginAudioProcessor::getParameterID(int index)
{
    return zvparams::isValid(index) ? juce::String(zvparams::table[index].stateKey) : juce::String(index);
}

float ZVPluginAudioProcessor::getParameter(int index)
{
    return zvparams::isValid(index) ? live.get(zvparams::table[index].field) : 0.0f;
}

float ZVPluginAudioProcessor::getParameterDefaultValue(int index)
{
    const bool hostAppliesDefaults = wrapperType == wrapperType_LV2 || wrapperType == wrapperType_VST3;
    if (!hostAppliesDefaults || !zvparams::isValid(index))
        return 0.0f;
    return ProgramRecord::defaultValue(zvparams::table[index].field);
}

const juce::String ZVPluginAudioProcessor::getParameterText(int index)
{
    return zvparams::formatValue(getParameter(index));
}

void ZVPluginAudioProcessor::setParameter(int index, float newValue)
{
    // A NaN or infinity would reach the engine's feedback loops, which never recover from it.
    if (!zvparams::isValid(index) || !std::isfinite(newValue))
        return;
    const auto field = zvparams::table[index].field;
    live.set(field, newValue);
    programs[(size_t)currentProgram.load(std::memory_order_relaxed)]->set(field, newValue);
}

const juce::String ZVPluginAudioProcessor::getInputChannelName(int channelIndex) const
{
    return juce::String(channelIndex + 1);
}

const juce::String ZVPluginAudioProcessor::getOutputChannelName(int channelIndex) const
{
    return juce::String(channelIndex + 1);
}

//==============================================================================
void ZVPluginAudioProcessor::prepareToPlay(double sampleRate, int /*estimatedSamplesPerBlock*/)
{
    // A rate the engine cannot run at (0, negative, NaN, infinite) is refused rather than stored:
    // every delay length and filter design divides by or multiplies with it. So is a subnormal
    // one, which the audio thread, flushing denormals, reads as 0.
    const float rate = (float)sampleRate;
    if (!(rate >= std::numeric_limits<float>::min()) || !std::isfinite(rate))
        return;
    // Handed to the engine by the audio thread at its next block start (applyParameters), so
    // that nothing here touches an engine that may be processing.
    instanceRate.store(rate, std::memory_order_relaxed);
}

void ZVPluginAudioProcessor::releaseResources() {}

float ZVPluginAudioProcessor::earlySizeNote(float v) noexcept
{
    return 60.0f - 72.0f * v;
}
float ZVPluginAudioProcessor::lateSizeNote(float v) noexcept
{
    return 48.0f - 72.0f * v;
}

float ZVPluginAudioProcessor::decaySeconds(float v) noexcept
{
    // The power is single precision; only the scaling to seconds is formed in double.
    const float decayPower = std::pow(1.2202f, 60.0f * v);
    return (float)(0.001 * (double)decayPower);
}

float ZVPluginAudioProcessor::unitRange(float v) noexcept
{
    // Returns v itself (bit for bit) inside 0..1.
    return std::min(std::max(v, 0.0f), 1.0f);
}

float ZVPluginAudioProcessor::saneInput(float x) noexcept
{
    // +160 dBFS: far beyond any real signal, and far enough below the float range that no
    // setting of the engine can carry it to an overflow.
    constexpr float inputLimit = 1.0e8f;
    if (x >= -inputLimit && x <= inputLimit)
        return x;
    if (!std::isfinite(x))
        return 0.0f; // a NaN or infinity would stay in the reverb's loops for ever: it enters as silence
    return x > 0.0f ? inputLimit : -inputLimit;
}

zReverb::Controls ZVPluginAudioProcessor::engineControls(BlockPowers* powers) const noexcept
{
    // The values are stored as the host gave them, but processing reads each continuous one
    // within the 0..1 its mapping is made for: a faulty host's volume of 1e30 would otherwise
    // make the gain infinite and the output NaN. Inside 0..1 nothing changes.
    const float decay = unitRange(live.get(ProgramRecord::fDecay));
    float seconds = 0.0f;
    if (powers == nullptr)
        seconds = decaySeconds(decay);
    else
    {
        if (!powers->decayOperand.matches(decay))
            powers->decaySeconds = decaySeconds(decay);
        seconds = powers->decaySeconds;
    }
    return {earlySizeNote(unitRange(live.get(ProgramRecord::fEarlySize))),
            lateSizeNote(unitRange(live.get(ProgramRecord::fLateSize))),
            unitRange(live.get(ProgramRecord::fDiffusion)), seconds,
            unitRange(live.get(ProgramRecord::fListenerPos))};
}

void ZVPluginAudioProcessor::applyParameters() noexcept
{
    // A new rate redesigns the engine's tone shelves, so that a setting sounds the same at 44.1,
    // 48 or 96 kHz; the lines and the glides follow it at once.
    const float rate = instanceRate.load(std::memory_order_relaxed);
    if (rate != reverb->getSampleRate())
        reverb->setSampleRate(rate);
    const auto controls = engineControls(&blockPowers);
    reverb->setEarlySize(controls.earlyNote);
    reverb->setLateSize(controls.lateNote);
    reverb->setDiffusion(controls.diffusion);
    reverb->setDecayTime(controls.decaySeconds);
    reverb->setListenerPos(controls.listenerPos);
    if (live.get(ProgramRecord::fOnButton) == 1.0f)
    {
        reverb->setBypass(false);
        const float volume = unitRange(live.get(ProgramRecord::fVolume));
        if (!blockPowers.volumeOperand.matches(volume))
            blockPowers.gain = std::pow(1.12202f, 24.0f * volume - 12.0f);
        live.set(ProgramRecord::fOutGain, blockPowers.gain);
    }
    else
    {
        reverb->setBypass(true);
        live.set(ProgramRecord::fOutGain, 1.0f);
    }
}

void ZVPluginAudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;
    applyParameters();
    if (getTotalNumInputChannels() != 2 || getTotalNumOutputChannels() != 2 || buffer.getNumChannels() < 2)
        return;
    float* const left = buffer.getWritePointer(0);
    float* const right = buffer.getWritePointer(1);
    const float gain = live.get(ProgramRecord::fOutGain);
    const int numSamples = buffer.getNumSamples();
    // The engine runs a piece of the block at a time, in place, the selected inputs and the mix of
    // each sample kept aside for the dry part.
    constexpr int pieceLength = 256;
    float dryLeft[pieceLength];
    float dryRight[pieceLength];
    float mix[pieceLength];
    for (int start = 0; start < numSamples; start += pieceLength)
    {
        const int n = std::min(pieceLength, numSamples - start);
        float* const l = left + start;
        float* const r = right + start;
        for (int i = 0; i < n; ++i)
        {
            float a = saneInput(l[i]);
            float b = saneInput(r[i]);
            // The selectors and the mix are read for every sample, after its input, so an edit
            // lands on the next sample.
            if (live.get(ProgramRecord::fLeftSelButton) != 0.0f)
                b = a;
            else if (live.get(ProgramRecord::fRightSelButton) != 0.0f)
                a = b;
            mix[i] = unitRange(live.get(ProgramRecord::fMix));
            dryLeft[i] = l[i] = a;
            dryRight[i] = r[i] = b;
        }
        reverb->process(l, r, n); // the wet pairs, bit for bit as processStereo() gives them
        const auto mixFrom = [&](int from)
        {
            for (int i = from; i < n; ++i)
            {
                const float m = mix[i];
                l[i] = ((1.0f - m) * dryLeft[i]) * gain + (m * l[i]) * gain;
                r[i] = ((1.0f - m) * dryRight[i]) * gain + (m * r[i]) * gain;
            }
        };
        mixFrom(0);
        // With the input and controls bounded, only an engine whose state has gone non-finite
        // (whatever the cause) gets here. It is silenced at once, the sample where it shows is
        // the dry part, and the rest of the piece goes through the silenced engine again.
        for (int i = firstNonFinite(l, r, 0, n); i < n; i = firstNonFinite(l, r, i + 1, n))
        {
#if ZV_ENGINE_RECOVERY_ABORTS
            std::abort();
#endif
            reverb->clear();
            l[i] = ((1.0f - mix[i]) * dryLeft[i]) * gain;
            r[i] = ((1.0f - mix[i]) * dryRight[i]) * gain;
            std::copy(dryLeft + i + 1, dryLeft + n, l + i + 1);
            std::copy(dryRight + i + 1, dryRight + n, r + i + 1);
            reverb->process(l + i + 1, r + i + 1, n - i - 1);
            mixFrom(i + 1);
        }
    }
}

int ZVPluginAudioProcessor::firstNonFinite(const float* left, const float* right, int from, int n) noexcept
{
    // One pass that the compiler vectorises tells whether there is any; only then are they sought.
    // (The tests give 0 or 1 and are or-ed without short cuts, so the loop has no branches.)
    const auto nonFinite = [](float x) -> int
    {
        std::uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        return (bits & 0x7f800000u) == 0x7f800000u;
    };
    int any = 0;
    for (int i = from; i < n; ++i)
        any |= nonFinite(left[i]) | nonFinite(right[i]);
    if (any == 0)
        return n;
    for (int i = from; i < n; ++i)
        if (nonFinite(left[i]) || nonFinite(right[i]))
            return i;
    return n;
}

double ZVPluginAudioProcessor::getTailLengthSeconds() const
{
    // How long the current settings ring after the input stops, so that hosts which honour the
    // tail keep processing long enough, and no longer. The engine estimates it from its loop
    // gains, delays and tone shelves at the rate it runs at; the estimate covers the time the
    // impulse response takes to fall 90 dB below its peak, and up to diffusion 0.99 stays within
    // twice it (the README says where it stands further out).
    // May be called from any thread: it reads the live values once each and allocates nothing.
    constexpr double fallDecibels = 90.0;
    // A guard only: with the controls within their range the longest tail is a few minutes.
    // One hour is also the most zv-render's --tail accepts.
    constexpr double longestTail = 3600.0;
    if (live.get(ProgramRecord::fOnButton) != 1.0f)
        return 0.0; // power off: the input passes unchanged and nothing rings
    // The controls exactly as processing applies them.
    const auto settings = engineControls();
    const double tail =
        zReverb::tailSeconds(settings, instanceRate.load(std::memory_order_relaxed), fallDecibels);
    if (std::isnan(tail) || tail > longestTail)
        return longestTail;
    return std::max(tail, 0.0);
}

juce::AudioProcessorEditor* ZVPluginAudioProcessor::createEditor()
{
    return makeEditor != nullptr ? makeEditor(*this) : nullptr;
}

//==============================================================================
void ZVPluginAudioProcessor::setCurrentProgram(int index)
{
    // Hosts only pass indexes below the reported count; anything outside the table is ignored
    // so that no call can address a record that does not exist.
    if (!isInTable(index))
        return;
    currentProgram.store(index, std::memory_order_relaxed);
    const auto& record = *programs[(size_t)index];
    for (int i = 0; i < zvparams::count; ++i)
        setParameter(i, record.get(zvparams::table[i].field));
}

const juce::String ZVPluginAudioProcessor::getProgramName(int index)
{
    return isInTable(index) ? programs[(size_t)index]->getName() : juce::String();
}

void ZVPluginAudioProcessor::changeProgramName(int index, const juce::String& newName)
{
    if (isInTable(index))
        programs[(size_t)index]->setName(newName);
    live.setName(newName);
}

float ZVPluginAudioProcessor::getProgramValue(int program, ProgramRecord::Field f) const noexcept
{
    return isInTable(program) ? programs[(size_t)program]->get(f) : 0.0f;
}

//==============================================================================
void ZVPluginAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    juce::XmlElement bank(zvstate::bankTag);
    bank.setAttribute("Version", zvstate::version);
    for (int p = 0; p < getNumPrograms(); ++p)
        zvstate::writeRecord(bank, *programs[(size_t)p], juce::String(p), "ProgramName");
    bank.setAttribute(zvstate::currentProgramKey, getCurrentProgram());
    bank.setAttribute(zvstate::workingNameKey, live.getName());
    copyXmlToBinary(bank, destData);
}

void ZVPluginAudioProcessor::getCurrentProgramStateInformation(juce::MemoryBlock& destData)
{
    juce::XmlElement preset(zvstate::presetTag);
    preset.setAttribute("Version", zvstate::version);
    zvstate::writeRecord(preset, live, {}, "programName");
    copyXmlToBinary(preset, destData);
}

void ZVPluginAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    // An LV2 host applies a preset through the same call as a whole saved state; a preset
    // document given here there loads into the current program, as a preset load does. Every
    // other format has a call of its own for presets and keeps this one for banks.
    if (wrapperType == wrapperType_LV2 && zvstate::readChunk(data, sizeInBytes, zvstate::presetTag))
    {
        setCurrentProgramStateInformation(data, sizeInBytes);
        return;
    }
    // The document passes the reader's checks before anything is read from it: a damaged or
    // hostile chunk changes nothing.
    const auto document = zvstate::readChunk(data, sizeInBytes, zvstate::bankTag);
    if (!document)
        return;
    const zvstate::AttributeLookup attributes(*document);
    const juce::String workingName = live.getName();
    for (int p = 0; p < getNumPrograms() && isInTable(p); ++p)
    {
        auto& record = *programs[(size_t)p];
        const juce::String suffix(p);
        for (const auto& info : zvparams::table)
            record.set(info.field, attributes.number(info.stateKey + suffix, live.get(info.field)));
        record.setName(attributes.text("ProgramName" + suffix, workingName));
    }
    // Hosts restore a project by handing back the bank, and many never select a program
    // afterwards; the live values would then stay at whatever they were (the defaults, in a new
    // instance) and the user's settings would be lost. So the program that was current when the
    // bank was saved (or, in a bank that does not say, the current one) is selected from the
    // loaded table, exactly as selecting it would; since every edit also lands in the current
    // program's record, that is the sound the user saved. The working name comes back too.
    const int current = attributes.index(zvstate::currentProgramKey, getNumPrograms())
                            .value_or(currentProgram.load(std::memory_order_relaxed));
    live.setName(attributes.text(zvstate::workingNameKey, live.getName()));
    setCurrentProgram(current);
    notifyHostOfLoadedValues();
}

void ZVPluginAudioProcessor::setCurrentProgramStateInformation(const void* data, int sizeInBytes)
{
    const auto document = zvstate::readChunk(data, sizeInBytes, zvstate::presetTag);
    if (!document)
        return;
    const zvstate::AttributeLookup attributes(*document);
    auto& record = *programs[(size_t)currentProgram.load(std::memory_order_relaxed)];
    for (const auto& info : zvparams::table)
    {
        const float v = attributes.number(info.stateKey, live.get(info.field));
        record.set(info.field, v);
        live.set(info.field, v);
    }
    const juce::String name = attributes.text("programName", live.getName());
    record.setName(name);
    live.setName(name);
    notifyHostOfLoadedValues();
}

void ZVPluginAudioProcessor::notifyHostOfLoadedValues()
{
    // An LV2 host learns a plug-in's values only from the patch messages its adapter sends for
    // each parameter it hears of, and there, unlike in VST and AAX, such a message records no
    // automation: so each value is announced. Elsewhere, a host told that the parameters have
    // changed reads them all again (the VST 2.4 display update); the VST3 adapter re-reads them
    // itself when the host hands its controller the same state.
    // (Parameters addressed by index have no parameter objects of their own to announce them.)
    if (wrapperType == wrapperType_LV2)
        for (int i = 0; i < zvparams::count; ++i)
            sendParamChangeMessageToListeners(i, getParameter(i));
    updateHostDisplay(ChangeDetails().withParameterInfoChanged(true));
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
