#include "core/synth/fft.h"

#include <fftw3.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

namespace pelorin {

SplitComplexBuffer::SplitComplexBuffer(std::size_t n) {
    if (n == 0)
        return;
    if (n > std::numeric_limits<std::size_t>::max() / (2 * sizeof(double)))
        throw std::bad_alloc();
    data_ = static_cast<double*>(fftw_malloc(2 * n * sizeof(double)));
    if (data_ == nullptr)
        throw std::bad_alloc();
    size_ = n;
    std::memset(data_, 0, 2 * n * sizeof(double));
}

SplitComplexBuffer::~SplitComplexBuffer() {
    fftw_free(data_);
}

SplitComplexBuffer::SplitComplexBuffer(SplitComplexBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SplitComplexBuffer& SplitComplexBuffer::operator=(SplitComplexBuffer&& other) noexcept {
    if (this != &other) {
        fftw_free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

namespace {

// FFTW aborts the program when an allocation of its own fails during
// planning. Before it plans, this much memory beyond what the plan keeps is
// made sure of by taking it and giving it back at once, so that a shortage
// ends in std::bad_alloc (and the operator's "not enough memory") instead.
// Measured planning peaks: 2 MB at 2^20 points and 11 MB at 2^26 for a split
// complex transform; about 4 bytes a point for FFTW's own real-data plans,
// whose twiddle table the plan keeps (259 MB at 2^26), which is why the real
// transforms here run as complex ones of half the length.
enum class Kind { Complex, RealOutput, RealInput, Interleaved, InterleavedInverse, Single };

// Up to this length FFTW's own real-data plans are kept (their tables take
// 2 MB at most) and run faster than the half-length complex way, whose extra
// pass over the data only pays off once the plan's table outgrows the
// caches.
constexpr std::size_t kRealPlanLength = std::size_t{1} << 19;

std::size_t PlanningHeadroom(Kind kind, std::size_t length) {
    const std::size_t bytes_per_point = kind == Kind::Complex || kind == Kind::Interleaved ||
                                                kind == Kind::InterleavedInverse ||
                                                kind == Kind::Single
                                            ? 1
                                            : 8;
    return (std::size_t{16} << 20) + length * bytes_per_point;
}

void EnsureHeadroom(std::size_t bytes) {
    void* probe = std::malloc(bytes);
    if (probe == nullptr)
        throw std::bad_alloc();
    // Touching nothing: only the address space matters to a limit, and the
    // pages of a large block are never committed.
    std::free(probe);
}

// Plans, made once and kept for the life of the program. Complex ones are
// in-place forward transforms keyed by length and by the signed distance from
// the real to the imaginary array (the inverse transform is the forward one
// run with the two arrays swapped, i.e. with the distance negated);
// real-output and real-input ones (short or odd lengths) are in-place and
// keyed by length. FFTW allows only
// execution from several threads; planning and destruction go through the
// mutex.
class PlanCache {
public:
    PlanCache() = default;
    PlanCache(const PlanCache&) = delete;
    PlanCache& operator=(const PlanCache&) = delete;

    ~PlanCache() {
        std::lock_guard lock(mutex_);
        for (auto& [key, plan] : plans_)
            fftw_destroy_plan(plan);
        for (auto& [length, plan] : singles_)
            fftwf_destroy_plan(plan);
    }

    // A single-precision interleaved complex forward transform in place on a
    // 64-byte aligned block.
    fftwf_plan Single(std::size_t length, float* block) {
        std::lock_guard lock(mutex_);
        if (auto it = singles_.find(length); it != singles_.end())
            return it->second;
        EnsureHeadroom(PlanningHeadroom(Kind::Single, length));
        auto* data = reinterpret_cast<fftwf_complex*>(block);
        fftwf_plan plan =
            fftwf_plan_dft_1d(static_cast<int>(length), data, data, FFTW_FORWARD, FFTW_ESTIMATE);
        if (plan == nullptr)
            throw std::runtime_error("FFTW could not plan a transform of " +
                                     std::to_string(length) + " points.");
        singles_.emplace(length, plan);
        return plan;
    }

    // The plan for arrays laid out as ri and ii are. It is made on them:
    // FFTW_ESTIMATE never touches the arrays, and another buffer of the same
    // layout (an fftw_malloc base, the same distance) has the same alignment,
    // which is all the plan relies on.
    fftw_plan Complex(std::size_t length, double* ri, double* ii) {
        return Get({Kind::Complex, length, ii - ri}, [&] {
            fftw_iodim64 dim{static_cast<std::ptrdiff_t>(length), 1, 1};
            return fftw_plan_guru64_split_dft(1, &dim, 0, nullptr, ri, ii, ri, ii, FFTW_ESTIMATE);
        });
    }

    // The same for a real-output transform in place on a 64-byte aligned
    // block.
    fftw_plan RealOutput(std::size_t length, double* block) {
        return Get({Kind::RealOutput, length, 0}, [&] {
            return fftw_plan_dft_c2r_1d(static_cast<int>(length),
                                        reinterpret_cast<fftw_complex*>(block), block,
                                        FFTW_ESTIMATE);
        });
    }

    // A real-input transform in place on a 64-byte aligned block.
    fftw_plan RealInput(std::size_t length, double* block) {
        return Get({Kind::RealInput, length, 0}, [&] {
            return fftw_plan_dft_r2c_1d(static_cast<int>(length), block,
                                        reinterpret_cast<fftw_complex*>(block), FFTW_ESTIMATE);
        });
    }

    // An interleaved complex forward transform in place on a 64-byte aligned
    // block.
    fftw_plan Interleaved(std::size_t length, double* block, int sign = FFTW_FORWARD) {
        const Kind kind = sign == FFTW_FORWARD ? Kind::Interleaved : Kind::InterleavedInverse;
        return Get({kind, length, 0}, [&] {
            auto* data = reinterpret_cast<fftw_complex*>(block);
            return fftw_plan_dft_1d(static_cast<int>(length), data, data, sign, FFTW_ESTIMATE);
        });
    }

    void ForgetLongerThan(std::size_t length) {
        std::lock_guard lock(mutex_);
        for (auto it = singles_.begin(); it != singles_.end();) {
            if (it->first > length) {
                fftwf_destroy_plan(it->second);
                it = singles_.erase(it);
            } else {
                ++it;
            }
        }
        for (auto it = plans_.begin(); it != plans_.end();) {
            if (std::get<1>(it->first) > length) {
                fftw_destroy_plan(it->second);
                it = plans_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    using Key = std::tuple<Kind, std::size_t, std::ptrdiff_t>;

    template <class Make>
    fftw_plan Get(const Key& key, Make make) {
        std::lock_guard lock(mutex_);
        if (auto it = plans_.find(key); it != plans_.end())
            return it->second;
        EnsureHeadroom(PlanningHeadroom(std::get<0>(key), std::get<1>(key)));
        fftw_plan plan = make();
        if (plan == nullptr)
            throw std::runtime_error("FFTW could not plan a transform of " +
                                     std::to_string(std::get<1>(key)) + " points.");
        plans_.emplace(key, plan);
        return plan;
    }

    std::mutex mutex_;
    std::map<Key, fftw_plan> plans_;
    std::map<std::size_t, fftwf_plan> singles_;
};

PlanCache& Plans() {
    static PlanCache cache;
    return cache;
}

void RequireLength(const SplitComplexBuffer& buf, std::size_t length) {
    if (length == 0 || length > buf.size())
        throw std::invalid_argument("FFT length " + std::to_string(length) +
                                    " must lie between 1 and the buffer size (" +
                                    std::to_string(buf.size()) + ").");
}

}  // namespace

void ForwardFft(SplitComplexBuffer& buf, std::size_t length) {
    RequireLength(buf, length);
    fftw_plan plan = Plans().Complex(length, buf.re(), buf.im());
    fftw_execute_split_dft(plan, buf.re(), buf.im(), buf.re(), buf.im());
}

void InverseFftUnscaled(SplitComplexBuffer& buf, std::size_t length) {
    RequireLength(buf, length);
    // Swapping re and im conjugates input and output, turning the forward
    // kernel e^(-...) into e^(+...).
    fftw_plan plan = Plans().Complex(length, buf.im(), buf.re());
    fftw_execute_split_dft(plan, buf.im(), buf.re(), buf.im(), buf.re());
}

void InverseFft(SplitComplexBuffer& buf, std::size_t length) {
    InverseFftUnscaled(buf, length);
    const double scale = 1.0 / static_cast<double>(length);
    double* re = buf.re();
    double* im = buf.im();
    for (std::size_t i = 0; i < length; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}

namespace {

// e^(sign i pi k / n) for k = 0 .. n / 2, to f(k, re, im): exact every 64
// steps, turned by one step's rotation between, so that a transform costs a
// few sines and cosines rather than one pair a point.
template <class F>
void Twiddles(std::size_t n, double sign, F f) {
    constexpr double kPi = 3.14159265358979323846;
    const double step = sign * kPi / static_cast<double>(n);
    const double sr = std::cos(step), si = std::sin(step);
    double re = 1.0, im = 0.0;
    for (std::size_t k = 0; k <= n / 2; ++k) {
        if (k % 64 == 0) {
            re = std::cos(step * static_cast<double>(k));
            im = std::sin(step * static_cast<double>(k));
        }
        f(k, re, im);
        const double next = re * sr - im * si;
        im = re * si + im * sr;
        re = next;
    }
}

void RequireInterleaved(const void* block, std::size_t capacity, std::size_t length) {
    if (length == 0 || capacity / 2 < length ||
        length > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        reinterpret_cast<std::uintptr_t>(block) % 64 != 0)
        throw std::invalid_argument("A complex transform of " + std::to_string(length) +
                                    " points needs an aligned block of at least twice as many "
                                    "values (" +
                                    std::to_string(capacity) + " given).");
}

}  // namespace

// The real samples of a spectrum of M = 2N points are the N complex values
// z[n] = x[2n] + i x[2n + 1], the inverse of Z[k] = E[k] + i O[k], where
// E[k] = Y[k] + conj(Y[N - k]) folds the spectrum onto its first half and
// O[k] = (Y[k] - conj(Y[N - k])) e^(2 pi i k / M) brings the odd samples'
// half-sample shift. One transform of half the length, its plan small, and
// the samples come out in order.
void InverseRealFft(double* block, std::size_t capacity, std::size_t length) {
    if (length == 0 || length % 2 != 0 || capacity < length + 2 ||
        length > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        reinterpret_cast<std::uintptr_t>(block) % 64 != 0)
        throw std::invalid_argument("A real-output transform of " + std::to_string(length) +
                                    " points needs an even length and an aligned block of at "
                                    "least length + 2 values (" +
                                    std::to_string(capacity) + " given).");
    if (length <= kRealPlanLength) {
        fftw_plan plan = Plans().RealOutput(length, block);
        fftw_execute_dft_c2r(plan, reinterpret_cast<fftw_complex*>(block), block);
        return;
    }
    const std::size_t n = length / 2;
    double* y = block;
    // The imaginary parts of the ends are not read, as a real-output
    // transform does not read them.
    y[1] = 0.0;
    y[2 * n + 1] = 0.0;
    Twiddles(n, 1.0, [y, n](std::size_t k, double wr, double wi) {
        const std::size_t j = k == 0 ? n : n - k;
        const double ar = y[2 * k], ai = y[2 * k + 1];
        const double br = y[2 * j], bi = -y[2 * j + 1];  // conj(Y[N - k])
        const double er = ar + br, ei = ai + bi;
        const double dr = ar - br, di = ai - bi;
        const double orr = dr * wr - di * wi, oi = dr * wi + di * wr;
        // Z[k] = E + i O; Z[N - k] = conj(E) + i conj(O).
        y[2 * k] = er - oi;
        y[2 * k + 1] = ei + orr;
        if (k != 0 && j != k) {
            y[2 * j] = er + oi;
            y[2 * j + 1] = -ei + orr;
        }
    });
    InverseComplexFftUnscaled(block, capacity, n);
}

// The spectrum of M = 2N real samples from the transform of the N complex
// values z[n] = x[2n] + i x[2n + 1], as they lie: the evens' spectrum
// E[k] = (Z[k] + conj(Z[N - k])) / 2, the odds' O[k] = (Z[k] - conj(Z[N - k]))
// / 2i, and Y[k] = E[k] + e^(-2 pi i k / M) O[k]. Odd and short lengths
// take FFTW's real-input transform.
void ForwardRealFft(double* block, std::size_t capacity, std::size_t length) {
    const std::size_t needed = 2 * (length / 2 + 1);
    if (length == 0 || capacity < needed ||
        length > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        reinterpret_cast<std::uintptr_t>(block) % 64 != 0)
        throw std::invalid_argument("A real-input transform of " + std::to_string(length) +
                                    " points needs an aligned block of at least " +
                                    std::to_string(needed) + " values (" +
                                    std::to_string(capacity) + " given).");
    if (length % 2 != 0 || length <= kRealPlanLength) {
        fftw_plan plan = Plans().RealInput(length, block);
        fftw_execute_dft_r2c(plan, block, reinterpret_cast<fftw_complex*>(block));
        return;
    }
    const std::size_t n = length / 2;
    ForwardComplexFft(block, capacity, n);
    double* y = block;
    Twiddles(n, -1.0, [y, n](std::size_t k, double wr, double wi) {
        if (k == 0) {
            const double zr = y[0], zi = y[1];
            y[0] = zr + zi;
            y[1] = 0.0;
            y[2 * n] = zr - zi;
            y[2 * n + 1] = 0.0;
            return;
        }
        const std::size_t j = n - k;
        const double zr = y[2 * k], zi = y[2 * k + 1];
        const double cr = y[2 * j], ci = -y[2 * j + 1];  // conj(Z[N - k])
        const double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
        // (Z - conj(Z[N - k])) / 2i
        const double orr = 0.5 * (zi - ci), oi = -0.5 * (zr - cr);
        const double tr = orr * wr - oi * wi, ti = orr * wi + oi * wr;
        y[2 * k] = er + tr;
        y[2 * k + 1] = ei + ti;
        if (j != k) {
            y[2 * j] = er - tr;
            y[2 * j + 1] = -(ei - ti);
        }
    });
}

void InverseComplexFftUnscaled(double* block, std::size_t capacity, std::size_t length) {
    RequireInterleaved(block, capacity, length);
    fftw_plan plan = Plans().Interleaved(length, block, FFTW_BACKWARD);
    auto* data = reinterpret_cast<fftw_complex*>(block);
    fftw_execute_dft(plan, data, data);
}

void ForwardComplexFftSingle(float* block, std::size_t capacity, std::size_t length) {
    RequireInterleaved(block, capacity, length);
    auto* data = reinterpret_cast<fftwf_complex*>(block);
    fftwf_execute_dft(Plans().Single(length, block), data, data);
}

void ForgetPlansLongerThan(std::size_t length) {
    Plans().ForgetLongerThan(length);
}

void ForwardComplexFft(double* block, std::size_t capacity, std::size_t length) {
    RequireInterleaved(block, capacity, length);
    fftw_plan plan = Plans().Interleaved(length, block);
    auto* data = reinterpret_cast<fftw_complex*>(block);
    fftw_execute_dft(plan, data, data);
}

}  // namespace pelorin
