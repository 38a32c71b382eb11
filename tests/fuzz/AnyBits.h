#pragma once

// Any value of a type, from fuzz bytes taken as its bits: NaNs, infinities, subnormals and
// negative zero come as often as ordinary numbers, as a careless or hostile host may send them.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename Real> Real anyBits(FuzzedDataProvider& in)
{
    using Bits = std::conditional_t<sizeof(Real) == 4, std::uint32_t, std::uint64_t>;
    static_assert(sizeof(Bits) == sizeof(Real));
    const Bits bits = in.ConsumeIntegral<Bits>();
    Real value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
