#include "zSampleRate.h"

static_assert(std::atomic<float>::is_always_lock_free, "the sample rate is read on the audio thread");

std::atomic<float> zProcessSampleRate{44100.0f};

void zSetSampleRate(float hz) noexcept { zProcessSampleRate.store(hz, std::memory_order_relaxed); }
