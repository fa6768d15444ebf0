#pragma once
// A fixed-size array of doubles on a 64-byte boundary, zero-filled at
// allocation so that no element ever holds an uninitialised value.
//
// Arrays of several megabytes (the per-horizon arrays of the model) start
// on a 2 MB boundary and ask the system for huge pages where it offers them
// on request: a sweep over the columns then needs a few address
// translations instead of one per column, and filling the array a few page
// faults instead of thousands. On Linux they are mapped straight from the
// system, whose fresh pages are already zero, so they are not cleared a
// second time.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vendrel {

class AlignedArray {
  public:
    static constexpr std::size_t kAlignment = 64;
    static constexpr std::size_t kHugePage = std::size_t(2) << 20;

    explicit AlignedArray(std::size_t size) : size_(size), data_(allocate(size)) {}

    double* data() { return data_.get(); }
    const double* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    double& operator[](std::size_t i) { return data_[i]; }
    const double& operator[](std::size_t i) const { return data_[i]; }

  private:
    static std::size_t alignment(std::size_t size) {
        return size * sizeof(double) >= 2 * kHugePage ? kHugePage : kAlignment;
    }
    // Rounded up to a whole number of alignment blocks.
    static std::size_t bytes(std::size_t size) {
        const std::size_t a = alignment(size);
        const std::size_t raw = size * sizeof(double);
        return (raw + a - 1) / a * a;
    }
    struct Free {
        std::size_t alignment;
        std::size_t mapped;  // bytes mapped from the system, 0 from operator new
        void operator()(double* p) const {
#ifdef __linux__
            if (mapped != 0) {
                ::munmap(p, mapped);
                return;
            }
#endif
            ::operator delete[](p, std::align_val_t{alignment});
        }
    };
    using Storage = std::unique_ptr<double[], Free>;

    static Storage allocate(std::size_t size) {
        const std::size_t a = alignment(size);
        const std::size_t n = bytes(size);
#ifdef __linux__
        if (a == kHugePage) {
            // Map one huge page more than needed and give back what lies
            // before the first 2 MB boundary and after the array.
            const std::size_t mapped = n + kHugePage;
            void* raw =
                ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (raw == MAP_FAILED) {
                throw std::bad_alloc();
            }
            const auto start = reinterpret_cast<std::uintptr_t>(raw);
            const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
            if (aligned > start) {
                ::munmap(raw, aligned - start);
            }
            const std::size_t after = start + mapped - (aligned + n);
            if (after > 0) {
                ::munmap(reinterpret_cast<void*>(aligned + n), after);
            }
            void* array = reinterpret_cast<void*>(aligned);
            // Only advice: without huge pages the array works as well.
            ::madvise(array, n, MADV_HUGEPAGE);
            return Storage(static_cast<double*>(array), Free{a, n});
        }
#endif
        Storage array(static_cast<double*>(::operator new[](n, std::align_val_t{a})), Free{a, 0});
        std::memset(array.get(), 0, size * sizeof(double));
        return array;
    }

    std::size_t size_;
    Storage data_;
};

}  // namespace vendrel
