#pragma once

#include "ParameterTable.h"

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>
#include <mutex>

/// One program (positions in RecordLayout): the twelve values the audio path uses, followed by the program's
/// name. The processor's live values use the same layout. Values are atomics because host threads and the
/// editor write them while the audio thread reads them; every access is one whole float. The name is a
/// string, which no atomic holds: hosts rename programs and load documents on one thread while another lists
/// the names or saves, so the name sits behind a lock of its own. The audio thread never reads names and so
/// never waits for it.
struct ProgramRecord : zvparams::RecordLayout
{
    ProgramRecord() noexcept { setDefaults(); }

    float get(Field f) const noexcept { return values[(size_t)f].load(std::memory_order_relaxed); }
    void set(Field f, float v) noexcept { values[(size_t)f].store(v, std::memory_order_relaxed); }

    /// Every value at its factory default and the name "Default".
    void setDefaults()
    {
        for (int f = 0; f < numFields; ++f)
            set((Field)f, defaultValue((Field)f));
        setName("Default");
    }

    juce::String getName() const
    {
        const std::lock_guard<std::mutex> lock(nameLock);
        return name;
    }

    void setName(const juce::String& newName)
    {
        const std::lock_guard<std::mutex> lock(nameLock);
        name = newName;
    }

    static constexpr float defaultValue(Field f) noexcept { return zvparams::defaultValue(f); }

    std::array<std::atomic<float>, numFields> values;

  private:
    mutable std::mutex nameLock;
    juce::String name; ///< guarded by nameLock
};
