#pragma once

#include "Parameters.h"
#include "ProgramRecord.h"

#include <zPow.h>
#include <zReverb.h>
#include <zSampleRate.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <memory>

/// The plug-in instance: owns the live parameter values, the table of programs and the reverb
/// engine. Hosts address its eleven parameters by index through the framework's legacy
/// parameter API, which is why the deprecated overrides below are deliberate.
///
/// Who calls each override, on which thread and when (the format adapters pass the host's calls
/// on as they come; the processor takes no lock of its own):
/// - constructor, destructor: the thread the host loads and unloads the plug-in on (usually the
///   message thread), once each, with no other call running.
/// - prepareToPlay, releaseResources: a host thread, before playback starts and after it stops;
///   a host may prepare again (new rate or block size) without releasing first.
/// - processBlock: the host's audio thread, for every block, under getCallbackLock(); may run
///   while any call below runs on another thread.
/// - getTailLengthSeconds: any host thread, whenever the host asks (often after a parameter change).
/// - createEditor: the message thread, when the host opens the window; hasEditor: any thread.
/// - getName, acceptsMidi, producesMidi, channel names and pairs: any thread, at any time.
/// - getNumParameters, getParameterName, getParameterID, getParameterDefaultValue: any thread,
///   usually while the host lists the parameters after loading.
/// - getParameter, getParameterText, setParameter: any thread at any time: host threads for
///   automation, the message thread for the editor's reads every 50 ms and its writes.
/// - getNumPrograms, getCurrentProgram, setCurrentProgram, getProgramName, changeProgramName:
///   a host thread, when the user picks or renames a program, or while the host saves.
/// - getStateInformation, getCurrentProgramStateInformation: a host thread, when the project or
///   a preset is saved; setStateInformation, setCurrentProgramStateInformation: when one is
///   loaded, possibly while audio runs.
class ZVPluginAudioProcessor : public juce::AudioProcessor
{
  public:
    static constexpr int numPrograms = 127;     ///< programs reported to hosts
    static constexpr int numProgramSlots = 128; ///< records allocated; the last is never addressed

    /// Makes the window for a processor; the editor's layer, above this one, provides it.
    using EditorFactory = juce::AudioProcessorEditor* (*)(juce::AudioProcessor&);

    /// The plug-in passes the editor's factory; tools and tests that need no window pass none,
    /// and such a processor has no editor.
    explicit ZVPluginAudioProcessor(EditorFactory editorFactory = nullptr);
    ~ZVPluginAudioProcessor() override;

    const juce::String getName() const override;

    /// Stores the host's rate as this instance's rate; the engine takes it at the next block start.
    void prepareToPlay(double sampleRate, int estimatedSamplesPerBlock) override;
    void releaseResources() override;
    /// Maps the live values onto the engine, then routes, reverberates, mixes and scales
    /// every stereo sample in place. Called on the audio thread under the callback lock.
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    /// Seconds the current settings ring after the input stops (see the definition).
    double getTailLengthSeconds() const override;
    /// The rate this instance runs at: the last the host prepared it with, 44.1 kHz before that.
    /// Any thread may ask (the framework's getSampleRate() is a plain value the host's thread
    /// writes).
    double runningRate() const noexcept { return instanceRate.load(std::memory_order_relaxed); }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return makeEditor != nullptr; }

    int getNumPrograms() override { return numPrograms; }
    int getCurrentProgram() override { return currentProgram.load(std::memory_order_relaxed); }
    /// Makes `index` current and copies its record into the live values through setParameter.
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    /// Renames record `index` and makes the same text the working name, whatever `index` is.
    void changeProgramName(int index, const juce::String& newName) override;

    /// The whole bank of programs as the "ZV-REVERB_LX_BANK" document.
    void getStateInformation(juce::MemoryBlock& destData) override;
    /// The live values and working name as the "ZV-REVERB_LX_PRESET" document.
    void getCurrentProgramStateInformation(juce::MemoryBlock& destData) override;
    /// Loads a bank into the program table, then selects the program that was current when it was
    /// saved (the current one, if the bank does not say) and restores the working name. In an LV2
    /// host, which applies presets through this call, a preset document loads as a preset.
    void setStateInformation(const void* data, int sizeInBytes) override;
    /// Loads a preset into the current program's record and the live values.
    void setCurrentProgramStateInformation(const void* data, int sizeInBytes) override;

    // The index-based parameter interface every host adapter and the editor use.
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    int getNumParameters() override { return zvparams::count; }
    const juce::String getParameterName(int index) override;
    using juce::AudioProcessor::getParameterName;
    /// Stable, distinct identifiers (the state keys) for formats that need one per parameter.
    juce::String getParameterID(int index) override;
    float getParameter(int index) override;
    /// 0 for the formats whose hosts have always been told 0; the real defaults for LV2 and
    /// VST3, whose hosts write the reported default into the plug-in when they instantiate it.
    float getParameterDefaultValue(int index) override;
    const juce::String getParameterText(int index) override;
    using juce::AudioProcessor::getParameterText;
    /// Stores the value into the live record and the current program's record, unclamped.
    void setParameter(int index, float newValue) override;

    const juce::String getInputChannelName(int channelIndex) const override;
    const juce::String getOutputChannelName(int channelIndex) const override;
    bool isInputChannelStereoPair(int) const override { return true; }
    bool isOutputChannelStereoPair(int) const override { return true; }
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE

    /// The working name: the live record's name.
    juce::String getWorkingName() const { return live.getName(); }
    /// A value of the live record by position, including the derived fOutGain.
    float getLiveValue(ProgramRecord::Field f) const noexcept { return live.get(f); }
    /// The engine, for diagnostics and tests; only the audio thread may process through it.
    zReverb& getEngine() noexcept { return *reverb; }
    /// A value of table record `program` by position; 0 outside the table.
    float getProgramValue(int program, ProgramRecord::Field f) const noexcept;

  private:
    static bool isInTable(int index) noexcept { return index >= 0 && index < numProgramSlots; }
    // The one place parameter values become engine units.
    static float earlySizeNote(float earlySize) noexcept;
    static float lateSizeNote(float lateSize) noexcept;
    static float decaySeconds(float decay) noexcept;
    /// A continuous value as processing reads it: limited to 0..1, unchanged inside.
    static float unitRange(float v) noexcept;
    /// An input sample as the engine gets it: non-finite as silence, huge values limited.
    static float saneInput(float x) noexcept;
    /// The first index in from..n - 1 where either channel is not finite, or n.
    static int firstNonFinite(const float* left, const float* right, int from, int n) noexcept;
    /// The powers taken at block starts, each kept with its operand so that an unchanged value
    /// (the usual case) does not take its power again. The audio thread's own.
    struct BlockPowers
    {
        zLastResult decayOperand;
        float decaySeconds = 0.0f;
        zLastResult volumeOperand;
        float gain = 0.0f;
    };
    /// The live values as the engine's controls, each continuous one read within 0..1. With
    /// `powers` (the audio thread's), the decay's power comes from there when it can.
    zReverb::Controls engineControls(BlockPowers* powers = nullptr) const noexcept;
    void applyParameters() noexcept;
    /// Lets the host see the values a state load has just set, without recording them as edits.
    void notifyHostOfLoadedValues();

    const EditorFactory makeEditor;
    std::unique_ptr<zReverb> reverb;
    BlockPowers blockPowers;
    /// The rate the host prepared this instance for, written by prepareToPlay on the host's
    /// thread and handed to the engine by the audio thread at a block start. Each instance has
    /// its own: hosts run instances at different rates side by side (oversampling, offline renders).
    std::atomic<float> instanceRate{zDefaultSampleRate};
    ProgramRecord live;
    std::atomic<int> currentProgram{0}; ///< set by host threads, read by the editor's writes too
    std::array<std::unique_ptr<ProgramRecord>, numProgramSlots> programs;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ZVPluginAudioProcessor)
};
