// FFTs backed by FFTW 3: complex transforms over split (separate real and
// imaginary) arrays, and the inverse transform of a one-sided spectrum to real
// samples. This is the only unit that talks to FFTW.
#pragma once

#include <cstddef>

namespace pelorin {

// n complex values stored as one aligned allocation laid out [re (n) | im (n)].
// FFTW plans depend on the distance from the real to the imaginary part and on
// the alignment of both, so the two halves must never live in separate blocks.
class SplitComplexBuffer {
public:
    SplitComplexBuffer() noexcept = default;
    // Zero-filled. Throws std::bad_alloc when the memory cannot be had.
    explicit SplitComplexBuffer(std::size_t n);
    ~SplitComplexBuffer();

    SplitComplexBuffer(const SplitComplexBuffer&) = delete;
    SplitComplexBuffer& operator=(const SplitComplexBuffer&) = delete;
    SplitComplexBuffer(SplitComplexBuffer&& other) noexcept;
    SplitComplexBuffer& operator=(SplitComplexBuffer&& other) noexcept;

    double* re() noexcept { return data_; }
    double* im() noexcept { return data_ == nullptr ? nullptr : data_ + size_; }
    const double* re() const noexcept { return data_; }
    const double* im() const noexcept { return data_ == nullptr ? nullptr : data_ + size_; }
    std::size_t size() const noexcept { return size_; }

private:
    double* data_ = nullptr;
    std::size_t size_ = 0;
};

// The transforms work in place on the first `length` entries of re and im;
// entries from `length` on are left alone. `length` may be any count from 1 to
// buf.size() (else std::invalid_argument); powers of two are the fastest. Plans are made
// once per length and buffer size and kept for the life of the program; all
// functions are safe to call from several threads on different buffers.

// X[k] = sum over n of x[n] e^(-2 pi i k n / length), unscaled.
void ForwardFft(SplitComplexBuffer& buf, std::size_t length);

// x[n] = (1 / length) sum over k of X[k] e^(+2 pi i k n / length).
void InverseFft(SplitComplexBuffer& buf, std::size_t length);

// The same sum as InverseFft without the 1 / length factor, for callers that
// fold the scale into a later pass.
void InverseFftUnscaled(SplitComplexBuffer& buf, std::size_t length);

// The real samples y[t] = sum over k = 0 .. length-1 of Y[k] e^(+2 pi i k t /
// length), unscaled, of a spectrum with Y[length - k] = conj(Y[k]): block holds
// Y[0] .. Y[length/2] as interleaved (re, im) pairs on entry (the imaginary
// parts of Y[0] and Y[length/2] are not read) and y[0] .. y[length-1] on
// return. length must be even and block hold at least length + 2 doubles,
// 64-byte aligned (an AlignedDoubles block), else std::invalid_argument.
// Deterministic: one plan per length, made with FFTW_ESTIMATE.
void InverseRealFft(double* block, std::size_t capacity, std::size_t length);

// The spectrum Y[k] = sum over t of y[t] e^(-2 pi i k t / length), unscaled,
// k = 0 .. length/2, of length real samples: block holds y[0] .. y[length-1]
// on entry and Y[0] .. Y[length/2] as interleaved (re, im) pairs on return.
// Any length from 1; block must hold at least 2 (length/2 + 1) doubles, 64-byte
// aligned, else std::invalid_argument. Deterministic, as above.
void ForwardRealFft(double* block, std::size_t capacity, std::size_t length);

// x[n] = sum over k of X[k] e^(+2 pi i k n / length), unscaled, on the same
// interleaved layout.
void InverseComplexFftUnscaled(double* block, std::size_t capacity, std::size_t length);

// The same in single precision: length complex values as interleaved
// (re, im) floats in block, which must hold at least 2 length floats, 64-byte
// aligned.
void ForwardComplexFftSingle(float* block, std::size_t capacity, std::size_t length);

// Destroys the kept plans of transforms longer than length, and their
// tables. No transform may run meanwhile (the caller is between works).
void ForgetPlansLongerThan(std::size_t length);

// X[k] = sum over t of x[t] e^(-2 pi i k t / length), unscaled, in place on
// length complex values stored as interleaved (re, im) pairs in block, which
// must hold at least 2 length doubles, 64-byte aligned, else
// std::invalid_argument. Deterministic, as above.
void ForwardComplexFft(double* block, std::size_t capacity, std::size_t length);

}  // namespace pelorin
