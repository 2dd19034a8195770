#include "core/memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

namespace pelorin {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a block is not worth a huge page of its own.
constexpr std::size_t kLarge = 2 * kHugePage;

}  // namespace

void AdviseHugePages(const void* data, std::size_t bytes) {
    if (data == nullptr || bytes < kLarge)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t last = (begin + bytes) / kHugePage * kHugePage;
    // Advice only: where the kernel declines, the pages are ordinary ones.
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void ReleasePages(void* data, std::size_t bytes) {
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kPage - 1) / kPage * kPage;
    const std::uintptr_t last = (begin + bytes) / kPage * kPage;
    if (data != nullptr && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void GiveBackFreeMemory() {
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

AlignedDoubles::AlignedDoubles(std::size_t n) {
    if (n == 0)
        return;
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(double) - kHugePage)
        throw std::bad_alloc();
    const std::size_t bytes = n * sizeof(double);
    // 64-byte alignment whatever the size, so that every block suits the same
    // transform plans; large ones on a huge-page boundary.
    const std::size_t align = bytes >= kLarge ? kHugePage : 64;
    void* p = std::aligned_alloc(align, (bytes + align - 1) / align * align);
    if (p == nullptr)
        throw std::bad_alloc();
    AdviseHugePages(p, bytes);
    data_ = static_cast<double*>(p);
    size_ = n;
}

AlignedDoubles::~AlignedDoubles() {
    std::free(data_);
}

AlignedDoubles::AlignedDoubles(AlignedDoubles&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

AlignedDoubles& AlignedDoubles::operator=(AlignedDoubles&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

}  // namespace pelorin
