#include "core/lanes.h"

#include <atomic>

namespace vendrel {
namespace {

// -1: no path forced.
std::atomic<int> forced_path{-1};

}  // namespace

bool vector_path_supported(VectorPath path) {
    switch (path) {
        case VectorPath::Scalar:
            return true;
#if VENDREL_X86_LANES
        case VectorPath::Sse2:
            return true;
        case VectorPath::Avx2:
            return __builtin_cpu_supports("avx2");
#else
        case VectorPath::Sse2:
        case VectorPath::Avx2:
            return false;
#endif
    }
    return false;
}

VectorPath chosen_vector_path() {
    const int forced = forced_path.load();
    if (forced >= 0) {
        return VectorPath(forced);
    }
    for (VectorPath path : {VectorPath::Avx2, VectorPath::Sse2}) {
        if (vector_path_supported(path)) {
            return path;
        }
    }
    return VectorPath::Scalar;
}

void force_vector_path(std::optional<VectorPath> path) {
    forced_path.store(path ? int(*path) : -1);
}

}  // namespace vendrel
