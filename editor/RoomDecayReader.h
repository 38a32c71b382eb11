#pragma once

#include <measure/RoomDecay.h>

#include <juce_core/juce_core.h>

#include <atomic>

/// The reverberation time of the settings the window shows, measured on a thread of its own for
/// the decay display's tip: users think in seconds, and the Decay control's law is steep. The
/// room is rendered and measured as the renderer does (measure/RoomDecay.h), a moment after the
/// settings last changed; a change while measuring cancels that measurement. Never touches the
/// processor the host runs: each measurement builds a processor of its own.
class RoomDecayReader : private juce::Thread
{
  public:
    RoomDecayReader();
    /// Cancels any measurement and waits for the thread to end.
    ~RoomDecayReader() override;

    /// Message thread: the settings and sample rate shown now. A measurement starts when they
    /// differ from the last asked for, once they have held still for `settleMs`.
    void request(const zvmeasure::Settings& settings, double sampleRate);

    /// Message thread: the tip for the last settings asked for, "RT60 2.06 s" or why there is
    /// none; what is being measured meanwhile.
    juce::String tipText() const;

    static constexpr int settleMs = 250;

  private:
    void run() override;

    mutable juce::CriticalSection lock; // never taken on the audio thread
    zvmeasure::Settings asked{};
    double askedRate = 0.0;
    int askedGeneration = 0;
    int doneGeneration = -1;
    zvmeasure::RoomReading done{0.0, false};
    std::atomic<bool> cancel{false};
};
