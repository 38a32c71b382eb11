#pragma once

#include <cstdint>

/// Which code a section's blocks went through, counted since it was built: the block code exists
/// only for speed, so the tests prove each path is taken exactly when it may be, not only that the
/// output is the same. One increment per block (and per call sent through the per-sample code),
/// nothing per sample on the block paths.
struct zBlockPaths
{
    std::uint64_t avx2Blocks = 0;     ///< blocks run by the AVX2 variant
    std::uint64_t baselineBlocks = 0; ///< blocks run by the baseline variant
    /// Blocks handed whole to the per-sample code: a part bypassed, or a line too short to run
    /// ahead (the early section).
    std::uint64_t pairBlocks = 0;
    /// Single calls within a block sent through the per-sample code: a line too short to run
    /// ahead (the late section, whose lines change length within a block).
    std::uint64_t perSampleCalls = 0;
};
