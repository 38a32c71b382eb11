#pragma once

#include "zDelay4p.h"
#include "zDiffusion.h"

/// All-pass diffusion stage on an interpolating delay line, with a tone shelf inside its loop;
/// serves the late diffusers, whose delay times are modulated (see zDiffusionStage).
using zDiffDelay4p = zDiffusionStage<zDelay4p>;
