#pragma once

/// Four single-precision lanes, for running independent copies of the same recursion side by
/// side: left and right channel, or several filters of a section at once.
///
/// Arithmetic on lanes is lane by lane, and each lane's result is exactly what the scalar
/// operation gives (IEEE single precision, round to nearest, contraction off as for the whole
/// engine), so a computation moved into a lane keeps every bit; only the time it takes changes.
/// Which implementation serves is chosen when compiling:
/// - SSE2 on x86-64 (its baseline), a compiler vector in one register;
/// - NEON on arm64 (its baseline), the same;
/// - anywhere else, or with Z_LANES_PORTABLE defined, zPortableLanes: four plain floats.
/// zPortableLanes is there on every machine, so that its results can be checked against the
/// others wherever the tests run.

/// Block processing of the engine works in runs of at most this many samples, short enough that
/// a run's scratch arrays live on the stack and long enough to amortise each run's set-up.
constexpr int zMaxRun = 128;

/// Four lanes in plain C++.
struct zPortableLanes
{
    float lane[4];

    float operator[](int i) const noexcept { return lane[i]; }
    float& operator[](int i) noexcept { return lane[i]; }
};

namespace zLanesDetail
{
template <typename Op> inline zPortableLanes apply(zPortableLanes a, zPortableLanes b, Op op) noexcept
{
    return {{op(a[0], b[0]), op(a[1], b[1]), op(a[2], b[2]), op(a[3], b[3])}};
}
inline zPortableLanes broadcast(float x) noexcept
{
    return {{x, x, x, x}};
}
} // namespace zLanesDetail

inline zPortableLanes operator+(zPortableLanes a, zPortableLanes b) noexcept
{
    return zLanesDetail::apply(a, b, [](float x, float y) { return x + y; });
}
inline zPortableLanes operator-(zPortableLanes a, zPortableLanes b) noexcept
{
    return zLanesDetail::apply(a, b, [](float x, float y) { return x - y; });
}
inline zPortableLanes operator*(zPortableLanes a, zPortableLanes b) noexcept
{
    return zLanesDetail::apply(a, b, [](float x, float y) { return x * y; });
}
inline zPortableLanes operator+(zPortableLanes a, float b) noexcept
{
    return a + zLanesDetail::broadcast(b);
}
inline zPortableLanes operator*(zPortableLanes a, float b) noexcept
{
    return a * zLanesDetail::broadcast(b);
}

/// The scalar low shelf's offset: `x` plus 1e-10 in double precision, rounded back.
inline float zAddLowShelfOffset(float x) noexcept
{
    return static_cast<float>(static_cast<double>(x) + 1e-10);
}

/// The same for one sample, in the form the lanes take it (a single sample needs no shortcut).
template <int Lanes = 4> inline float zAddLowShelfOffset(float x, bool& /*loud*/) noexcept
{
    return zAddLowShelfOffset(x);
}

/// zAddLowShelfOffset() in the low `Lanes` lanes. Plain lanes need no shortcut (see the vector
/// version).
template <int Lanes = 4> inline zPortableLanes zAddLowShelfOffset(zPortableLanes x, bool& /*loud*/) noexcept
{
    for (int k = 0; k < Lanes; ++k)
        x[k] = zAddLowShelfOffset(x[k]);
    return x;
}

/// {a[2], a[3], a[2], a[3]}: the high pair moved down.
inline zPortableLanes zHighPair(zPortableLanes a) noexcept
{
    return {{a[2], a[3], a[2], a[3]}};
}
/// {a[0], a[1], b[0], b[1]}
inline zPortableLanes zLowPairs(zPortableLanes a, zPortableLanes b) noexcept
{
    return {{a[0], a[1], b[0], b[1]}};
}

/// Per-sample lanes from four planar runs: out[i] = {a[i], b[i], c[i], d[i]}.
inline void zInterleave(const float* a, const float* b, const float* c, const float* d, zPortableLanes* out,
                        int n) noexcept
{
    for (int i = 0; i < n; ++i)
        out[i] = {{a[i], b[i], c[i], d[i]}};
}

/// Four planar runs from per-sample lanes: a[i] = in[i][0], b[i] = in[i][1], and so on.
inline void zDeinterleave(const zPortableLanes* in, float* a, float* b, float* c, float* d, int n) noexcept
{
    for (int i = 0; i < n; ++i)
    {
        a[i] = in[i][0];
        b[i] = in[i][1];
        c[i] = in[i][2];
        d[i] = in[i][3];
    }
}

#if !defined(Z_LANES_PORTABLE) && defined(__GNUC__) && (defined(__SSE2__) || defined(__aarch64__))

#if defined(__SSE2__)
#include <emmintrin.h>
#define Z_LANES_SSE2 1
#else
#include <arm_neon.h>
#define Z_LANES_NEON 1
#endif

typedef float zLanes __attribute__((vector_size(16)));

/// zAddLowShelfOffset() in the low `Lanes` lanes (four, or the low two for the shelves that run a
/// channel pair; then the high two come out as they please).
///
/// For |x| >= 2^-31 the single-precision sum x + 1e-10f rounds to the same float (checked for
/// every float), so while all lanes are that loud one addition does; below it (a tail decayed to
/// the filters' offsets, about -190 dBFS) and for NaN only the double sum gives those bits. The
/// caller's `loud` starts true; the first quiet lane clears it, and from then on the double sum
/// is taken without looking, so that a signal hovering about the threshold costs no mispredicted
/// branches (the caller sets it again now and then, at each block).
template <int Lanes = 4> inline zLanes zAddLowShelfOffset(zLanes x, bool& loud) noexcept
{
    static_assert(Lanes == 4 || Lanes == 2, "four lanes, or the low two");
    constexpr int all = (1 << Lanes) - 1;
#if Z_LANES_SSE2
    const __m128 v = (__m128)x;
    if (loud)
    {
        const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
        if ((_mm_movemask_ps(_mm_cmpge_ps(magnitude, _mm_set1_ps(0x1p-31f))) & all) == all)
            return x + 1e-10f;
        loud = false;
    }
    const __m128d offset = _mm_set1_pd(1e-10);
    const __m128 low = _mm_cvtpd_ps(_mm_add_pd(_mm_cvtps_pd(v), offset));
    if (Lanes == 2)
        return (zLanes)low;
    const __m128 high = _mm_cvtpd_ps(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(v, v)), offset));
    return (zLanes)_mm_movelh_ps(low, high);
#else
    const float32x4_t v = (float32x4_t)x;
    if (loud)
    {
        const uint32x4_t isLoud = vcageq_f32(v, vdupq_n_f32(0x1p-31f));
        const bool allLoud = Lanes == 4 ? vminvq_u32(isLoud) != 0 : vminv_u32(vget_low_u32(isLoud)) != 0;
        static_cast<void>(all);
        if (allLoud)
            return x + 1e-10f;
        loud = false;
    }
    const float64x2_t offset = vdupq_n_f64(1e-10);
    const float32x2_t low = vcvt_f32_f64(vaddq_f64(vcvt_f64_f32(vget_low_f32(v)), offset));
    return (zLanes)vcvt_high_f32_f64(low, vaddq_f64(vcvt_high_f64_f32(v), offset));
#endif
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
#if Z_LANES_SSE2
        __m128 ra = _mm_loadu_ps(a + i);
        __m128 rb = _mm_loadu_ps(b + i);
        __m128 rc = _mm_loadu_ps(c + i);
        __m128 rd = _mm_loadu_ps(d + i);
        _MM_TRANSPOSE4_PS(ra, rb, rc, rd);
        out[i] = (zLanes)ra;
        out[i + 1] = (zLanes)rb;
        out[i + 2] = (zLanes)rc;
        out[i + 3] = (zLanes)rd;
#else
        const float32x4x4_t planar = {
            {vld1q_f32(a + i), vld1q_f32(b + i), vld1q_f32(c + i), vld1q_f32(d + i)}};
        vst4q_f32(reinterpret_cast<float*>(out + i), planar);
#endif
    }
    for (; i < n; ++i)
        out[i] = zLanes{a[i], b[i], c[i], d[i]};
}

/// Four planar runs from per-sample lanes: a[i] = in[i][0], b[i] = in[i][1], and so on.
inline void zDeinterleave(const zLanes* in, float* a, float* b, float* c, float* d, int n) noexcept
{
    int i = 0;
    for (; i + 4 <= n; i += 4)
    {
#if Z_LANES_SSE2
        __m128 ra = (__m128)in[i];
        __m128 rb = (__m128)in[i + 1];
        __m128 rc = (__m128)in[i + 2];
        __m128 rd = (__m128)in[i + 3];
        _MM_TRANSPOSE4_PS(ra, rb, rc, rd);
        _mm_storeu_ps(a + i, ra);
        _mm_storeu_ps(b + i, rb);
        _mm_storeu_ps(c + i, rc);
        _mm_storeu_ps(d + i, rd);
#else
        const float32x4x4_t planar = vld4q_f32(reinterpret_cast<const float*>(in + i));
        vst1q_f32(a + i, planar.val[0]);
        vst1q_f32(b + i, planar.val[1]);
        vst1q_f32(c + i, planar.val[2]);
        vst1q_f32(d + i, planar.val[3]);
#endif
    }
    for (; i < n; ++i)
    {
        a[i] = in[i][0];
        b[i] = in[i][1];
        c[i] = in[i][2];
        d[i] = in[i][3];
    }
}

#else

using zLanes = zPortableLanes;

#endif

/// The four lanes from four values.
inline zLanes zMakeLanes(float a, float b, float c = 0.0f, float d = 0.0f) noexcept
{
    return zLanes{a, b, c, d};
}
