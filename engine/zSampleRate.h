#pragma once

/// The sample rate, in hertz, that every engine block runs at until it is told another.
///
/// Each block keeps the rate it runs at as a setting of its own, handed down by its owner
/// (zReverb::setSampleRate() reaches every block of one engine), so engines that run side by side
/// at different rates, or one after another in the same process, never see each other's rate.
constexpr float zDefaultSampleRate = 44100.0f;
