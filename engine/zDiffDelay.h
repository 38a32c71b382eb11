#pragma once

#include "zDelay.h"
#include "zDiffusion.h"

/// All-pass diffusion stage on a whole-sample delay line, with a tone shelf inside its loop;
/// serves the early diffusers (see zDiffusionStage).
using zDiffDelay = zDiffusionStage<zDelay>;
