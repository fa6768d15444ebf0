#pragma once
// A fixed-size array of doubles on a 64-byte boundary, zero-filled at
// allocation so that no element ever holds an uninitialised value.

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace vendrel {

class AlignedArray {
  public:
    static constexpr std::size_t kAlignment = 64;

    explicit AlignedArray(std::size_t size)
        : size_(size),
          data_(static_cast<double*>(::operator new[](bytes(size), std::align_val_t{kAlignment}))) {
        std::memset(data_.get(), 0, size * sizeof(double));
    }

    double* data() { return data_.get(); }
    const double* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    double& operator[](std::size_t i) { return data_[i]; }
    const double& operator[](std::size_t i) const { return data_[i]; }

  private:
    // Rounded up to a whole number of alignment blocks.
    static std::size_t bytes(std::size_t size) {
        const std::size_t raw = size * sizeof(double);
        return (raw + kAlignment - 1) / kAlignment * kAlignment;
    }
    struct Free {
        void operator()(double* p) const { ::operator delete[](p, std::align_val_t{kAlignment}); }
    };
    std::size_t size_;
    std::unique_ptr<double[], Free> data_;
};

}  // namespace vendrel
