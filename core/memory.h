// Large arrays without the cost of fresh memory: a page touched for the first
// time costs about as much as a transform's work on it, unless the kernel
// hands it out as part of a 2 MB huge page.
#pragma once

#include <cstddef>
#include <vector>

namespace pelorin {

// Asks the kernel for huge pages over the whole 2 MB pages inside
// [data, data + bytes), before anything is written there. Small ranges and
// systems without transparent huge pages are left as they are.
void AdviseHugePages(const void* data, std::size_t bytes);

// Gives the whole pages inside [data, data + bytes) back to the system while
// the block stays allocated: its contents there are gone (read as zeros).
// For a large block already read, when what replaces it is being written.
void ReleasePages(void* data, std::size_t bytes);

// Hands the memory freed so far back to the system, where the allocator
// keeps some for later (a long profile or waveform replaced by a short one).
void GiveBackFreeMemory();

// Gives v room for n elements, advised for huge pages when it needs fresh
// memory; its elements are not touched.
template <class T>
void ReserveLarge(std::vector<T>& v, std::size_t n) {
    if (v.capacity() >= n)
        return;
    std::vector<T> fresh;
    fresh.reserve(n);
    AdviseHugePages(fresh.data(), n * sizeof(T));
    fresh.assign(v.begin(), v.end());
    v.swap(fresh);
}

// An aligned block of doubles, never filled: the owner writes what it reads.
// Large blocks start on a 2 MB boundary and are advised for huge pages.
// Moves, never copies.
class AlignedDoubles {
public:
    AlignedDoubles() noexcept = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit AlignedDoubles(std::size_t n);
    ~AlignedDoubles();
    AlignedDoubles(AlignedDoubles&& other) noexcept;
    AlignedDoubles& operator=(AlignedDoubles&& other) noexcept;
    AlignedDoubles(const AlignedDoubles&) = delete;
    AlignedDoubles& operator=(const AlignedDoubles&) = delete;

    double* data() noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }

private:
    double* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace pelorin
