#pragma once
// A fixed-size array of doubles on a 64-byte boundary, zero-filled at
// allocation so that no element ever holds an uninitialised value.
//
// Arrays of several megabytes (the per-horizon arrays of the model) start
// on a 2 MB boundary and ask the system for huge pages where it offers them
// on request: a sweep over the columns then needs a few address
// translations instead of one per column, and filling the array a few page
// faults instead of thousands.

#include <cstddef>
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

    explicit AlignedArray(std::size_t size)
        : size_(size),
          data_(static_cast<double*>(
                    ::operator new[](bytes(size), std::align_val_t{alignment(size)})),
                Free{alignment(size)}) {
#ifdef __linux__
        if (alignment(size) == kHugePage) {
            // Only advice: without huge pages the array works as well.
            ::madvise(data_.get(), bytes(size), MADV_HUGEPAGE);
        }
#endif
        std::memset(data_.get(), 0, size * sizeof(double));
    }

    double* data() {
        return data_.get();
    }
    const double* data() const {
        return data_.get();
    }
    std::size_t size() const {
        return size_;
    }
    double& operator[](std::size_t i) {
        return data_[i];
    }
    const double& operator[](std::size_t i) const {
        return data_[i];
    }

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
        void operator()(double* p) const { ::operator delete[](p, std::align_val_t{alignment}); }
    };
    std::size_t size_;
    std::unique_ptr<double[], Free> data_;
};

}  // namespace vendrel
