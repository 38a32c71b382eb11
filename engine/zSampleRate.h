#pragma once

#include <atomic>

/// The one sample rate, in hertz, that every engine in this process (or shared library) runs at.
/// The host's prepare step writes it; every block reads it at each use, so a delay line follows a
/// new rate at once without being rebuilt. Relaxed ordering is enough: the value is a single float
/// written whole, and a write from another thread must only never tear or race.
extern std::atomic<float> zProcessSampleRate;

/// Returns the process-wide sample rate (44100 until first set). Inline because the audio path
/// reads it many times per stereo pair; the value itself lives in one translation unit.
inline float zGetSampleRate() noexcept { return zProcessSampleRate.load(std::memory_order_relaxed); }

/// Sets the process-wide sample rate for every engine in the process.
void zSetSampleRate(float hz) noexcept;
