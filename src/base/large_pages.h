#pragma once
// Large arrays on the kernel's 2 MB pages, where it offers them.
//
// The first touch of each 4 KB page of fresh memory is a page fault, and
// on a virtual machine a fault costs microseconds: filling 16 MB page by
// page takes tens of milliseconds, as long as reading the million points
// that fill it. Asked before the first touch, Linux backs the aligned 2 MB
// stretches of the memory with whole large pages, one fault each, when its
// transparent huge pages are on for those who ask ("madvise", the usual
// setting) or always; elsewhere the request changes nothing. The memory
// touched stays the same.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <sys/mman.h>

namespace marovin {

// Asks for large pages for the whole 2 MB stretches of [data, data + bytes).
inline void advise_large_pages(void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Sizes `array` to `n` elements, the new ones value-initialised, on large
// pages where they are new memory: for arrays of millions of points.
template <class T>
void resize_on_large_pages(std::vector<T>& array, std::size_t n)
{
    if (array.capacity() < n) {
        array.reserve(n);
        advise_large_pages(array.data(), n * sizeof(T));
    }
    array.resize(n);
}

} // namespace marovin
