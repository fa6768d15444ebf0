#pragma once
// The one way the core writes vector code: the compiler's vector types
// (`vector_size`), one, two or four doubles wide, with the same operators as
// plain doubles. A kernel is a template over its lane type `V`, written once:
//   - Lanes1, one double: the scalar path, on every processor;
//   - Lanes2, two doubles: SSE2, the base of every x86-64 processor;
//   - Lanes4, four doubles: AVX2, where the processor has it.
// Each path gives the same bits: the lanes perform the scalar operations
// one by one (no fused multiply-add: the build turns contraction off), so
// the width changes only how many values go through at once.
//
// Comparisons give lane masks (all bits set where true) and `mask ? a : b`
// selects lane by lane. The vector paths are built only for x86-64 and only
// when VENDREL_VECTOR is on (VENDREL_X86_LANES, set by the build); without
// them every kernel runs on Lanes1. Each path's entry function is
// flattened, so the templates inline into it and take its instruction set
// (the AVX2 entry carries the target attribute).

#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// Vectors four doubles wide are only ever passed between functions that
// inline into one AVX2 entry: the note on their calling convention without
// AVX does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace vendrel {

// Which lanes a run computes with.
enum class VectorPath { Scalar, Sse2, Avx2 };

// Whether this build and this processor can run `path`.
bool vector_path_supported(VectorPath path);

// The path the engine takes: the forced one if set, else the widest
// supported one.
VectorPath chosen_vector_path();

// Makes every run that starts afterwards use `path` (std::nullopt goes back
// to the widest). For tests and benchmarks that compare the paths; `path`
// must be supported.
void force_vector_path(std::optional<VectorPath> path);

namespace lanes {

using Lanes1 = double __attribute__((vector_size(8)));
using Lanes2 = double __attribute__((vector_size(16)));
using Lanes4 = double __attribute__((vector_size(32)));

// The lane count of `V`.
template <class V>
inline constexpr int kCount = int(sizeof(V) / sizeof(double));

// Unsigned 64-bit integers of the same width as V, and V's comparison masks.
using Bits1 = std::uint64_t __attribute__((vector_size(8)));
using Bits2 = std::uint64_t __attribute__((vector_size(16)));
using Bits4 = std::uint64_t __attribute__((vector_size(32)));
template <class V>
struct BitsOf;
template <>
struct BitsOf<Lanes1> {
    using type = Bits1;
};
template <>
struct BitsOf<Lanes2> {
    using type = Bits2;
};
template <>
struct BitsOf<Lanes4> {
    using type = Bits4;
};
template <class V>
using Bits = typename BitsOf<V>::type;
template <class V>
using Mask = decltype(V{} < V{});

template <class V>
inline V splat(double x) {
    V v;
    for (int l = 0; l < kCount<V>; ++l) {
        v[l] = x;
    }
    return v;
}

template <class V>
inline V load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V>
inline void store(double* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

// The bits of each lane, and the double of each lane's bits.
template <class V>
inline Bits<V> bits_of(V v) {
    Bits<V> b;
    std::memcpy(&b, &v, sizeof v);
    return b;
}

template <class V>
inline V double_of(Bits<V> b) {
    V v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// The sign bit of each lane of a mask, lane l at bit l. On x86-64 they are
// gathered two lanes per instruction (SSE2; a four-lane mask in two
// halves, which the AVX2 path compiles into one instruction); elsewhere
// the lanes are read one by one.
#if defined(__x86_64__)
inline int sign_bits(Mask<Lanes2> m) {
    return _mm_movemask_pd(__m128d(m));
}
inline int sign_bits(Mask<Lanes4> m) {
    Mask<Lanes2> half[2];
    std::memcpy(half, &m, sizeof m);
    return sign_bits(half[0]) | sign_bits(half[1]) << 2;
}
#endif

template <class M>
inline int sign_bits(M m) {
    int bits = 0;
    for (int l = 0; l < int(sizeof(M) / sizeof(std::int64_t)); ++l) {
        bits |= int(m[l] < 0) << l;
    }
    return bits;
}

template <class M>
inline bool any_lane(M m) {
    return sign_bits(m) != 0;
}

template <class M>
inline bool all_lanes(M m) {
    return sign_bits(m) == (1 << (sizeof(M) / sizeof(std::int64_t))) - 1;
}

}  // namespace lanes
}  // namespace vendrel
