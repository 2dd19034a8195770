#include "core/synth/fft.h"

#include <fftw3.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
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
// Measured planning peaks of a split complex transform: 2 MB at 2^20 points,
// 11 MB at 2^26.
std::size_t PlanningHeadroom(std::size_t length) {
    return (std::size_t{16} << 20) + length * sizeof(double);
}

void EnsureHeadroom(std::size_t bytes) {
    void* probe = std::malloc(bytes);
    if (probe == nullptr)
        throw std::bad_alloc();
    // Touching nothing: only the address space matters to a limit, and the
    // pages of a large block are never committed.
    std::free(probe);
}

// Plans for in-place forward transforms, keyed by length and by the signed
// distance from the real to the imaginary array. The inverse transform is the
// forward one run with the two arrays swapped, i.e. with the distance negated.
// FFTW allows only execution from several threads; planning and destruction go
// through the mutex.
class PlanCache {
public:
    PlanCache() = default;
    PlanCache(const PlanCache&) = delete;
    PlanCache& operator=(const PlanCache&) = delete;

    ~PlanCache() {
        std::lock_guard lock(mutex_);
        for (auto& [key, plan] : plans_)
            fftw_destroy_plan(plan);
    }

    // The plan for arrays laid out as ri and ii are. It is made on them:
    // FFTW_ESTIMATE never touches the arrays, and another buffer of the same
    // layout (an fftw_malloc base, the same distance) has the same alignment,
    // which is all the plan relies on.
    fftw_plan Get(std::size_t length, double* ri, double* ii) {
        std::lock_guard lock(mutex_);
        const auto key = std::make_pair(length, ii - ri);
        if (auto it = plans_.find(key); it != plans_.end())
            return it->second;

        EnsureHeadroom(PlanningHeadroom(length));
        fftw_iodim64 dim{static_cast<std::ptrdiff_t>(length), 1, 1};
        fftw_plan plan =
            fftw_plan_guru64_split_dft(1, &dim, 0, nullptr, ri, ii, ri, ii, FFTW_ESTIMATE);
        if (plan == nullptr)
            throw std::runtime_error("FFTW could not plan a transform of " +
                                     std::to_string(length) + " points.");
        plans_.emplace(key, plan);
        return plan;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<std::size_t, std::ptrdiff_t>, fftw_plan> plans_;
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
    fftw_plan plan = Plans().Get(length, buf.re(), buf.im());
    fftw_execute_split_dft(plan, buf.re(), buf.im(), buf.re(), buf.im());
}

void InverseFftUnscaled(SplitComplexBuffer& buf, std::size_t length) {
    RequireLength(buf, length);
    // Swapping re and im conjugates input and output, turning the forward
    // kernel e^(-...) into e^(+...).
    fftw_plan plan = Plans().Get(length, buf.im(), buf.re());
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

}  // namespace pelorin
