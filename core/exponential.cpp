#include "core/exponential.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/exponential_lanes.h"

namespace vendrel {
namespace exp_detail {

// Made with a 300-bit reference: s_k = 2^(k/128) rounded to nearest,
// tail_k = (2^(k/128) - s_k) / s_k rounded to nearest.
const std::uint64_t kTable[2 * kTableSize] = {
    0x0000000000000000u, 0x3ff0000000000000u, 0x3c9b3b4f1a88bf6eu, 0x3feff63da9fb3335u,
    0xbc7160139cd8dc5du, 0x3fefec9a3e778061u, 0xbc905e7a108766d1u, 0x3fefe315e86e7f85u,
    0x3c8cd2523567f613u, 0x3fefd9b0d3158574u, 0xbc8bce8023f98efau, 0x3fefd06b29ddf6deu,
    0x3c60f74e61e6c861u, 0x3fefc74518759bc8u, 0x3c90a3e45b33d399u, 0x3fefbe3ecac6f383u,
    0x3c979aa65d837b6du, 0x3fefb5586cf9890fu, 0x3c8eb51a92fdeffcu, 0x3fefac922b7247f7u,
    0x3c3ebe3d702f9cd1u, 0x3fefa3ec32d3d1a2u, 0xbc6a033489906e0bu, 0x3fef9b66affed31bu,
    0xbc9556522a2fbd0eu, 0x3fef9301d0125b51u, 0xbc5080ef8c4eea55u, 0x3fef8abdc06c31ccu,
    0xbc91c923b9d5f416u, 0x3fef829aaea92de0u, 0x3c80d3e3e95c55afu, 0x3fef7a98c8a58e51u,
    0xbc801b15eaa59348u, 0x3fef72b83c7d517bu, 0xbc8f1ff055de323du, 0x3fef6af9388c8deau,
    0x3c8b898c3f1353bfu, 0x3fef635beb6fcb75u, 0xbc96d99c7611eb26u, 0x3fef5be084045cd4u,
    0x3c9aecf73e3a2f60u, 0x3fef54873168b9aau, 0xbc8fe782cb86389du, 0x3fef4d5022fcd91du,
    0x3c8a6f4144a6c38du, 0x3fef463b88628cd6u, 0x3c807a05b0e4047du, 0x3fef3f49917ddc96u,
    0x3c968efde3a8a894u, 0x3fef387a6e756238u, 0x3c875e18f274487du, 0x3fef31ce4fb2a63fu,
    0x3c80472b981fe7f2u, 0x3fef2b4565e27cddu, 0xbc96b87b3f71085eu, 0x3fef24dfe1f56381u,
    0x3c82f7e16d09ab31u, 0x3fef1e9df51fdee1u, 0xbc3d219b1a6fbffau, 0x3fef187fd0dad990u,
    0x3c8b3782720c0ab4u, 0x3fef1285a6e4030bu, 0x3c6e149289cecb8fu, 0x3fef0cafa93e2f56u,
    0x3c834d754db0abb6u, 0x3fef06fe0a31b715u, 0x3c864201e2ac744cu, 0x3fef0170fc4cd831u,
    0x3c8fdd395dd3f84au, 0x3feefc08b26416ffu, 0xbc86a3803b8e5b04u, 0x3feef6c55f929ff1u,
    0xbc924aedcc4b5068u, 0x3feef1a7373aa9cbu, 0xbc9907f81b512d8eu, 0x3feeecae6d05d866u,
    0xbc71d1e83e9436d2u, 0x3feee7db34e59ff7u, 0xbc991919b3ce1b15u, 0x3feee32dc313a8e5u,
    0x3c859f48a72a4c6du, 0x3feedea64c123422u, 0xbc9312607a28698au, 0x3feeda4504ac801cu,
    0xbc58a78f4817895bu, 0x3feed60a21f72e2au, 0xbc7c2c9b67499a1bu, 0x3feed1f5d950a897u,
    0x3c4363ed60c2ac11u, 0x3feece086061892du, 0x3c9666093b0664efu, 0x3feeca41ed1d0057u,
    0x3c6ecce1daa10379u, 0x3feec6a2b5c13cd0u, 0x3c93ff8e3f0f1230u, 0x3feec32af0d7d3deu,
    0x3c7690cebb7aafb0u, 0x3feebfdad5362a27u, 0x3c931dbdeb54e077u, 0x3feebcb299fddd0du,
    0xbc8f94340071a38eu, 0x3feeb9b2769d2ca7u, 0xbc87deccdc93a349u, 0x3feeb6daa2cf6642u,
    0xbc78dec6bd0f385fu, 0x3feeb42b569d4f82u, 0xbc861246ec7b5cf6u, 0x3feeb1a4ca5d920fu,
    0x3c93350518fdd78eu, 0x3feeaf4736b527dau, 0x3c7b98b72f8a9b05u, 0x3feead12d497c7fdu,
    0x3c9063e1e21c5409u, 0x3feeab07dd485429u, 0x3c34c7855019c6eau, 0x3feea9268a5946b7u,
    0x3c9432e62b64c035u, 0x3feea76f15ad2148u, 0xbc8ce44a6199769fu, 0x3feea5e1b976dc09u,
    0xbc8c33c53bef4da8u, 0x3feea47eb03a5585u, 0xbc845378892be9aeu, 0x3feea34634ccc320u,
    0xbc93cedd78565858u, 0x3feea23882552225u, 0x3c5710aa807e1964u, 0x3feea155d44ca973u,
    0xbc93b3efbf5e2228u, 0x3feea09e667f3bcdu, 0xbc6a12ad8734b982u, 0x3feea012750bdabfu,
    0xbc6367efb86da9eeu, 0x3fee9fb23c651a2fu, 0xbc80dc3d54e08851u, 0x3fee9f7df9519484u,
    0xbc781f647e5a3ecfu, 0x3fee9f75e8ec5f74u, 0xbc86ee4ac08b7db0u, 0x3fee9f9a48a58174u,
    0xbc8619321e55e68au, 0x3fee9feb564267c9u, 0x3c909ccb5e09d4d3u, 0x3feea0694fde5d3fu,
    0xbc7b32dcb94da51du, 0x3feea11473eb0187u, 0x3c94ecfd5467c06bu, 0x3feea1ed0130c132u,
    0x3c65ebe1abd66c55u, 0x3feea2f336cf4e62u, 0xbc88a1c52fb3cf42u, 0x3feea427543e1a12u,
    0xbc9369b6f13b3734u, 0x3feea589994cce13u, 0xbc805e843a19ff1eu, 0x3feea71a4623c7adu,
    0xbc94d450d872576eu, 0x3feea8d99b4492edu, 0x3c90ad675b0e8a00u, 0x3feeaac7d98a6699u,
    0x3c8db72fc1f0eab4u, 0x3feeace5422aa0dbu, 0xbc65b6609cc5e7ffu, 0x3feeaf3216b5448cu,
    0x3c7bf68359f35f44u, 0x3feeb1ae99157736u, 0xbc93091fa71e3d83u, 0x3feeb45b0b91ffc6u,
    0xbc5da9b88b6c1e29u, 0x3feeb737b0cdc5e5u, 0xbc6c23f97c90b959u, 0x3feeba44cbc8520fu,
    0xbc92434322f4f9aau, 0x3feebd829fde4e50u, 0xbc85ca6cd7668e4bu, 0x3feec0f170ca07bau,
    0x3c71affc2b91ce27u, 0x3feec49182a3f090u, 0x3c6dd235e10a73bbu, 0x3feec86319e32323u,
    0xbc87c50422622263u, 0x3feecc667b5de565u, 0x3c8b1c86e3e231d5u, 0x3feed09bec4a2d33u,
    0xbc91bbd1d3bcbb15u, 0x3feed503b23e255du, 0x3c90cc319cee31d2u, 0x3feed99e1330b358u,
    0x3c8469846e735ab3u, 0x3feede6b5579fdbfu, 0xbc82dfcd978e9db4u, 0x3feee36bbfd3f37au,
    0x3c8c1a7792cb3387u, 0x3feee89f995ad3adu, 0xbc907b8f4ad1d9fau, 0x3feeee07298db666u,
    0xbc55c3d956dcaebau, 0x3feef3a2b84f15fbu, 0xbc90a40e3da6f640u, 0x3feef9728de5593au,
    0xbc68d6f438ad9334u, 0x3feeff76f2fb5e47u, 0xbc91eee26b588a35u, 0x3fef05b030a1064au,
    0x3c74ffd70a5fddcdu, 0x3fef0c1e904bc1d2u, 0xbc91bdfbfa9298acu, 0x3fef12c25bd71e09u,
    0x3c736eae30af0cb3u, 0x3fef199bdd85529cu, 0x3c8ee3325c9ffd94u, 0x3fef20ab5fffd07au,
    0x3c84e08fd10959acu, 0x3fef27f12e57d14bu, 0x3c63cdaf384e1a67u, 0x3fef2f6d9406e7b5u,
    0x3c676b2c6c921968u, 0x3fef3720dcef9069u, 0xbc808a1883ccb5d2u, 0x3fef3f0b555dc3fau,
    0xbc8fad5d3ffffa6fu, 0x3fef472d4a07897cu, 0xbc900dae3875a949u, 0x3fef4f87080d89f2u,
    0x3c74a385a63d07a7u, 0x3fef5818dcfba487u, 0xbc82919e2040220fu, 0x3fef60e316c98398u,
    0x3c8e5a50d5c192acu, 0x3fef69e603db3285u, 0x3c843a59ac016b4bu, 0x3fef7321f301b460u,
    0xbc82d52107b43e1fu, 0x3fef7c97337b9b5fu, 0xbc892ab93b470dc9u, 0x3fef864614f5a129u,
    0x3c74b604603a88d3u, 0x3fef902ee78b3ff6u, 0x3c83c5ec519d7271u, 0x3fef9a51fbc74c83u,
    0xbc8ff7128fd391f0u, 0x3fefa4afa2a490dau, 0xbc8dae98e223747du, 0x3fefaf482d8e67f1u,
    0x3c8ec3bc41aa2008u, 0x3fefba1bee615a27u, 0x3c842b94c3a9eb32u, 0x3fefc52b376bba97u,
    0x3c8a64a931d185eeu, 0x3fefd0765b6e4540u, 0xbc8e37bae43be3edu, 0x3fefdbfdad9cbe14u,
    0x3c77893b4d91cd9du, 0x3fefe7c1819e90d8u, 0x3c5305c14160cc89u, 0x3feff3c22b8f71f1u,
};

namespace {

double double_of(std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

}  // namespace

double exponential_special(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const std::uint64_t top = (bits >> 52) & 0x7ffu;
    if (top < 0x3c9u) {
        return 1.0 + x;  // |x| < 2^-54 (0, -0, tiny): 1 + x rounds to 1
    }
    if (top >= 0x409u) {
        // |x| >= 1024, an infinity or a NaN.
        if (x == -std::numeric_limits<double>::infinity()) {
            return 0.0;
        }
        if (top >= 0x7ffu) {
            return 1.0 + x;
        }
        return (bits >> 63) != 0 ? 0.0 : std::numeric_limits<double>::infinity();
    }
    // 512 <= |x| < 1024: the exponent of the scale may overflow, so it is
    // scaled in two steps.
    lanes::Lanes1 tmp;
    lanes::Bits<lanes::Lanes1> scale_bits, ki;
    reduce(lanes::Lanes1{x}, tmp, scale_bits, ki);
    const double t = tmp[0];
    std::uint64_t sbits = scale_bits[0];
    if ((ki[0] & 0x80000000u) == 0) {
        // k > 0: the result is 2^1009 times a normal double.
        sbits -= std::uint64_t(1009) << 52;
        const double scale = double_of(sbits);
        return 0x1p1009 * (scale + scale * t);
    }
    // k < 0: the result may be subnormal. It is rounded to the precision it
    // will have there before the scaling, so it is rounded only once.
    sbits += std::uint64_t(1022) << 52;
    const double scale = double_of(sbits);
    double y = scale + scale * t;
    if (y < 1.0) {
        double lo = (scale - y) + scale * t;
        const double hi = 1.0 + y;
        lo = ((1.0 - hi) + y) + lo;
        y = (hi + lo) - 1.0;
        if (y == 0.0) {
            y = 0.0;  // never -0
        }
    }
    return 0x1p-1022 * y;
}

}  // namespace exp_detail

namespace {

template <class V>
inline void exponentials_on(const double* x, double* y, int n) {
    constexpr int kLanes = lanes::kCount<V>;
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        lanes::store(y + i, exponential_lanes(lanes::load<V>(x + i)));
    }
    for (; i < n; ++i) {
        y[i] = exponential_lanes(lanes::Lanes1{x[i]})[0];
    }
}

[[gnu::flatten]] void exponentials_scalar(const double* x, double* y, int n) {
    exponentials_on<lanes::Lanes1>(x, y, n);
}

#if VENDREL_X86_LANES
[[gnu::flatten]] void exponentials_sse2(const double* x, double* y, int n) {
    exponentials_on<lanes::Lanes2>(x, y, n);
}

[[gnu::target("avx2"), gnu::flatten]] void exponentials_avx2(const double* x, double* y, int n) {
    exponentials_on<lanes::Lanes4>(x, y, n);
}
#endif

}  // namespace

double exponential(double x) {
    return exponential_lanes(lanes::Lanes1{x})[0];
}

void exponentials(const double* x, double* y, int n, VectorPath path) {
    switch (path) {
        case VectorPath::Scalar:
            exponentials_scalar(x, y, n);
            return;
#if VENDREL_X86_LANES
        case VectorPath::Sse2:
            exponentials_sse2(x, y, n);
            return;
        case VectorPath::Avx2:
            exponentials_avx2(x, y, n);
            return;
#else
        case VectorPath::Sse2:
        case VectorPath::Avx2:
            break;
#endif
    }
    exponentials_scalar(x, y, n);
}

}  // namespace vendrel
