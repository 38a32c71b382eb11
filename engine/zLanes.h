#pragma once

#include <xmmintrin.h>
#include <emmintrin.h>

/// Four single-precision lanes in one SSE register, for running independent copies of the same
/// recursion side by side: left and right channel, or several filters of a section at once.
///
/// Arithmetic on these is lane by lane, and each lane's result is exactly what the scalar
/// operation gives (SSE2, the x86-64 baseline; contraction stays off as for the whole engine), so
/// a computation moved into a lane keeps every bit. Only the time it takes changes.
typedef float zLanes __attribute__((vector_size(16)));

/// Block processing of the engine works in runs of at most this many samples, short enough that
/// a run's scratch arrays live on the stack and long enough to amortise each run's set-up.
constexpr int zMaxRun = 128;

/// The four lanes from four values.
inline zLanes zMakeLanes(float a, float b, float c = 0.0f, float d = 0.0f) noexcept
{
    return zLanes{a, b, c, d};
}

/// Every lane plus 1e-10 in double precision, rounded back: the low shelf's offset, exactly as
/// the scalar filter forms it.
///
/// For |x| >= 2^-31 the single-precision sum x + 1e-10f rounds to the same float (checked for
/// every float), so while all lanes are that loud one addition does; below it (a tail decayed to
/// the filters' offsets, about -190 dBFS) and for NaN only the double sum gives those bits. The
/// caller's `loud` starts true; the first quiet lane clears it, and from then on the double sum
/// is taken without looking, so that a signal hovering about the threshold costs no mispredicted
/// branches (the caller sets it again now and then, at each block).
inline zLanes zAddLowShelfOffset(zLanes x, bool& loud) noexcept
{
    const __m128 v = (__m128)x;
    if (loud)
    {
        const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
        if (_mm_movemask_ps(_mm_cmpge_ps(magnitude, _mm_set1_ps(0x1p-31f))) == 0xF)
            return x + 1e-10f;
        loud = false;
    }
    const __m128d offset = _mm_set1_pd(1e-10);
    const __m128d low = _mm_add_pd(_mm_cvtps_pd(v), offset);
    const __m128d high = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(v, v)), offset);
    return (zLanes)_mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

/// zAddLowShelfOffset() for the two low lanes only (the high two come out as they please): for
/// the shelves that run a channel pair.
inline zLanes zAddLowShelfOffsetLow2(zLanes x, bool& loud) noexcept
{
    const __m128 v = (__m128)x;
    if (loud)
    {
        const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
        if ((_mm_movemask_ps(_mm_cmpge_ps(magnitude, _mm_set1_ps(0x1p-31f))) & 0x3) == 0x3)
            return x + 1e-10f;
        loud = false;
    }
    return (zLanes)_mm_cvtpd_ps(_mm_add_pd(_mm_cvtps_pd(v), _mm_set1_pd(1e-10)));
}

/// {a[2], a[3], a[2], a[3]}: the high pair moved down.
inline zLanes zHighPair(zLanes a) noexcept
{
    return __builtin_shufflevector(a, a, 2, 3, 2, 3);
}
/// {a[0], a[1], b[0], b[1]}
inline zLanes zLowPairs(zLanes a, zLanes b) noexcept
{
    return __builtin_shufflevector(a, b, 0, 1, 4, 5);
}

/// Per-sample lanes from four planar runs: out[i] = {a[i], b[i], c[i], d[i]}.
inline void zInterleave(const float* a, const float* b, const float* c, const float* d, zLanes* out,
                        int n) noexcept
{
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128 ra = _mm_loadu_ps(a + i);
        __m128 rb = _mm_loadu_ps(b + i);
        __m128 rc = _mm_loadu_ps(c + i);
        __m128 rd = _mm_loadu_ps(d + i);
        _MM_TRANSPOSE4_PS(ra, rb, rc, rd);
        out[i] = (zLanes)ra;
        out[i + 1] = (zLanes)rb;
        out[i + 2] = (zLanes)rc;
        out[i + 3] = (zLanes)rd;
    }
    for (; i < n; ++i)
        out[i] = zMakeLanes(a[i], b[i], c[i], d[i]);
}

/// Four planar runs from per-sample lanes: a[i] = in[i][0], b[i] = in[i][1], and so on.
inline void zDeinterleave(const zLanes* in, float* a, float* b, float* c, float* d, int n) noexcept
{
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128 ra = (__m128)in[i];
        __m128 rb = (__m128)in[i + 1];
        __m128 rc = (__m128)in[i + 2];
        __m128 rd = (__m128)in[i + 3];
        _MM_TRANSPOSE4_PS(ra, rb, rc, rd);
        _mm_storeu_ps(a + i, ra);
        _mm_storeu_ps(b + i, rb);
        _mm_storeu_ps(c + i, rc);
        _mm_storeu_ps(d + i, rd);
    }
    for (; i < n; ++i)
    {
        a[i] = in[i][0];
        b[i] = in[i][1];
        c[i] = in[i][2];
        d[i] = in[i][3];
    }
}
