#pragma once

// Big arrays (records, curve points, chart data) from one allocator: a block
// of 1 MiB or more is 2 MiB-aligned and asks for transparent huge pages
// where the system offers them, so that filling it takes a few faults
// instead of one per 4 KiB page; elsewhere (Windows, huge pages off, small
// blocks) it is plain malloc. Every block is freed with std::free.

#include <cstddef>
#include <limits>
#include <new>
#include <utility>
#include <vector>

// Whether big blocks ask for huge pages: yes unless the environment sets
// TERVIK_HUGE_PAGES=0, or SetHugePages said otherwise.
bool HugePagesEnabled();
void SetHugePages(bool enabled);

// bytes of memory, or null when there is none; released with FreeBig.
void* AllocateBig(size_t bytes) noexcept;
void FreeBig(void* block) noexcept;

// With leaveUnset, a vector's resize leaves trivial elements unwritten (a
// buffer about to be read into is touched once); otherwise as std::allocator.
template <class T, bool leaveUnset = false> struct BigAllocator {
    using value_type = T;
    template <class U> struct rebind { using other = BigAllocator<U, leaveUnset>; };

    BigAllocator() noexcept = default;
    template <class U> BigAllocator(const BigAllocator<U, leaveUnset>&) noexcept {}

    T* allocate(size_t n) {
        if (n > std::numeric_limits<size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        void* block = AllocateBig(n * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, size_t) noexcept { FreeBig(block); }

    template <class U, class... Args> void construct(U* p, Args&&... args) {
        if constexpr (leaveUnset && sizeof...(Args) == 0)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const BigAllocator&, const BigAllocator&) noexcept { return true; }
};

template <class T> using BigVector = std::vector<T, BigAllocator<T>>;
