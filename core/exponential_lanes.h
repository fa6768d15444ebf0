#pragma once
// The exponential of core/exponential.h over lane types, for kernels that
// compute it inside their own loops. Every lane gives the bits of
// vendrel::exponential().

#include <cstdint>
#include <cstring>

#include "core/lanes.h"

namespace vendrel {
namespace exp_detail {

inline constexpr int kTableBits = 7;
inline constexpr int kTableSize = 1 << kTableBits;
// Entry 2k: the bits of tail_k; entry 2k + 1: the bits of s_k less
// k << 45, where s_k is 2^(k/128) rounded to a double and
// 2^(k/128) = s_k (1 + tail_k).
extern const std::uint64_t kTable[2 * kTableSize];

inline constexpr double kInvLn2N = 0x1.71547652b82fep+7;     // 128 / ln2
inline constexpr double kNegLn2HiN = -0x1.62e42fefcp-8;      // -ln2/128, 35 bits
inline constexpr double kNegLn2LoN = 0x1.c610ca86c3899p-44;  // -ln2/128 less that
inline constexpr double kShift = 0x1.8p52;
inline constexpr double kC2 = 0.5;
inline constexpr double kC3 = 0x1.5555555555555p-3;  // 1/6
inline constexpr double kC4 = 0x1.5555555555555p-5;  // 1/24
inline constexpr double kC5 = 0x1.1111111111111p-7;  // 1/120

// exp(x) = scale_bits as a double times (1 + tmp), scale_bits holding
// k / 128 added into the exponent (which may overflow for |x| >= 512); k
// is the low half of `ki` as a two's complement integer.
template <class V>
inline void reduce(V x, V& tmp, lanes::Bits<V>& scale_bits, lanes::Bits<V>& ki) {
    using lanes::Bits;
    const V z = x * kInvLn2N;
    V kd = z + kShift;
    ki = lanes::bits_of(kd);
    kd = kd - kShift;
    const V r = (x + kd * kNegLn2HiN) + kd * kNegLn2LoN;
    const Bits<V> index = (ki & std::uint64_t(kTableSize - 1)) * std::uint64_t(2);
    const Bits<V> top = ki << std::uint64_t(52 - kTableBits);
    Bits<V> tail_bits;
    for (int l = 0; l < lanes::kCount<V>; ++l) {
        lanes::Bits2 pair;
        std::memcpy(&pair, kTable + index[l], sizeof pair);
        tail_bits[l] = pair[0];
        scale_bits[l] = pair[1];
    }
    scale_bits = scale_bits + top;
    const V tail = lanes::double_of<V>(tail_bits);
    const V r2 = r * r;
    tmp = ((tail + r) + r2 * (kC2 + r * kC3)) + (r2 * r2) * (kC4 + r * kC5);
}

// exp(x) where |x| < 2^-54, |x| >= 512 or x is not finite.
double exponential_special(double x);

}  // namespace exp_detail

template <class V>
inline V exponential_lanes(V x) {
    using lanes::Bits;
    V tmp;
    Bits<V> scale_bits, ki;
    exp_detail::reduce(x, tmp, scale_bits, ki);
    const V scale = lanes::double_of<V>(scale_bits);
    V y = scale + scale * tmp;
    // Magnitudes below 2^-54 or from 512 up (and inf, NaN) go their own way.
    const V magnitude = lanes::double_of<V>(lanes::bits_of(x) & ~(std::uint64_t(1) << 63));
    const auto special = (magnitude < 0x1p-54) | !(magnitude < 512.0);
    if (lanes::any_lane(special)) [[unlikely]] {
        for (int l = 0; l < lanes::kCount<V>; ++l) {
            if (special[l] != 0) {
                y[l] = exp_detail::exponential_special(x[l]);
            }
        }
    }
    return y;
}

}  // namespace vendrel
