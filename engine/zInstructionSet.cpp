#include "zInstructionSet.h"

#include <atomic>

namespace
{
bool detectAvx2() noexcept
{
#if Z_HAVE_AVX2_VARIANT
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}

std::atomic<zInstructionSet>& current() noexcept
{
    static std::atomic<zInstructionSet> set{detectAvx2() ? zInstructionSet::Avx2 : zInstructionSet::Baseline};
    return set;
}
} // namespace

zInstructionSet zBlockInstructionSet() noexcept
{
    return current().load(std::memory_order_relaxed);
}

bool zHasAvx2() noexcept
{
    static const bool has = detectAvx2();
    return has;
}

bool zUseInstructionSet(zInstructionSet set) noexcept
{
    if (set == zInstructionSet::Avx2 && !zHasAvx2())
        return false;
    current().store(set, std::memory_order_relaxed);
    return true;
}
