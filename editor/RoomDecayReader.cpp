#include "RoomDecayReader.h"

#include <cmath>

RoomDecayReader::RoomDecayReader() : juce::Thread("Room decay")
{
    startThread(juce::Thread::Priority::low);
}

RoomDecayReader::~RoomDecayReader()
{
    // Under the lock, so that a measurement about to start sees either the flag set here or the
    // thread's exit asked for before it.
    signalThreadShouldExit();
    {
        const juce::ScopedLock hold(lock);
        cancel.store(true, std::memory_order_relaxed);
    }
    notify();
    stopThread(-1);
}

void RoomDecayReader::request(const zvmeasure::Settings& settings, double sampleRate)
{
    {
        const juce::ScopedLock hold(lock);
        if (askedGeneration > 0 && settings == asked && sampleRate == askedRate)
            return;
        asked = settings;
        askedRate = sampleRate;
        ++askedGeneration;
        // Cancels the measurement running, not one that takes these settings up after this.
        cancel.store(true, std::memory_order_relaxed);
    }
    notify();
}

juce::String RoomDecayReader::tipText() const
{
    const juce::ScopedLock hold(lock);
    if (doneGeneration != askedGeneration)
        return "RT60: measuring...";
    if (asked[zvparams::OnOff] != 1.0f)
        return "RT60: none, the reverb is off";
    if (done.cutOff)
        return "RT60: longer than " + juce::String((int)(zvmeasure::longestResponse / 60.0)) +
               " minutes can measure";
    if (!std::isfinite(done.rt60))
        return "RT60: none, echoes rather than a decay";
    return "RT60 " + juce::String(done.rt60, 2) + " s";
}

void RoomDecayReader::run()
{
    while (!threadShouldExit())
    {
        wait(-1);
        // Wait for the settings to hold still: a drag asks for a new measurement every 50 ms.
        while (!threadShouldExit() && wait(settleMs))
            ;
        if (threadShouldExit())
            return;
        zvmeasure::Settings settings;
        double rate;
        int generation;
        {
            const juce::ScopedLock hold(lock);
            settings = asked, rate = askedRate, generation = askedGeneration;
            // A later request, or closing the window, sets it again.
            cancel.store(threadShouldExit(), std::memory_order_relaxed);
        }
        const auto reading = zvmeasure::readRoom(settings, rate, &cancel);
        const juce::ScopedLock hold(lock);
        // A request that came meanwhile has woken this thread again and cancelled this reading.
        if (generation == askedGeneration)
            done = reading, doneGeneration = generation;
    }
}
