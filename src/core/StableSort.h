#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// A stable merge sort that stays within bounds and gives the same order
// for the same input whatever the comparison answers. std::sort may read
// outside the range when the comparison is no strict weak ordering, and the
// natural name order is not one for every input (blanks and signs before
// numbers); here every index is bounded by the loop, never by a comparison.
// With a strict weak ordering the result is the usual stable sort.
template <class T, class Less>
void StableSort(T* first, T* last, Less less)
{
    const size_t n = static_cast<size_t>(last - first);
    if (n < 2)
        return;
    constexpr size_t kRun = 16;
    for (size_t start = 0; start < n; start += kRun) {
        const size_t end = std::min(n, start + kRun);
        for (size_t i = start + 1; i < end; ++i) {
            if (!less(first[i], first[i - 1]))
                continue;
            T item = std::move(first[i]);
            size_t j = i;
            do {
                first[j] = std::move(first[j - 1]);
                --j;
            } while (j > start && less(item, first[j - 1]));
            first[j] = std::move(item);
        }
    }
    if (n <= kRun)
        return;

    std::vector<T> buffer(n);
    T* from = first;
    T* to = buffer.data();
    for (size_t width = kRun; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(n, lo + width);
            const size_t hi = std::min(n, lo + 2 * width);
            size_t i = lo;
            size_t j = mid;
            size_t k = lo;
            while (i < mid && j < hi)
                to[k++] = less(from[j], from[i]) ? std::move(from[j++]) : std::move(from[i++]);
            while (i < mid)
                to[k++] = std::move(from[i++]);
            while (j < hi)
                to[k++] = std::move(from[j++]);
        }
        std::swap(from, to);
    }
    if (from != first)
        std::move(from, from + n, first);
}
