#pragma once

/// The instruction sets block processing is compiled for. Every one gives the same results to the
/// bit (the same IEEE operations on the same values in the same order, no fused multiply-adds);
/// only the speed differs. The baseline is what every processor of the target has (SSE2 on
/// x86-64, NEON on arm64, plain C++ elsewhere; see zLanes.h); on x86-64, AVX2 (three-operand
/// encodings, eight lanes where the compiler vectorises) is taken where the processor has it.
enum class zInstructionSet
{
    Baseline,
    Avx2
};

/// The set block processing uses: AVX2 where the processor has it, else the baseline.
zInstructionSet zBlockInstructionSet() noexcept;

/// Whether this processor has AVX2 (and its build of the engine the code for it).
bool zHasAvx2() noexcept;

/// For tests and benchmarks: makes block processing use `set` from now on (AVX2 only where
/// zHasAvx2()); returns whether it does.
bool zUseInstructionSet(zInstructionSet set) noexcept;

#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
/// Marks the AVX2 variant of a block-processing function; every call in it is inlined so that
/// the whole of it is compiled for AVX2, while the shared inline functions keep their baseline
/// out-of-line copies.
#define Z_AVX2_VARIANT __attribute__((target("avx2"), flatten))
#define Z_HAVE_AVX2_VARIANT 1
#else
#define Z_HAVE_AVX2_VARIANT 0
#endif
