#include "BigAlloc.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// -1 until read from the environment.
std::atomic<int> g_hugePages{-1};

} // namespace

bool HugePagesEnabled() {
    int on = g_hugePages.load(std::memory_order_relaxed);
    if (on < 0) {
        const char* value = std::getenv("TERVIK_HUGE_PAGES");
        on = value && std::strcmp(value, "0") == 0 ? 0 : 1;
        g_hugePages.store(on, std::memory_order_relaxed);
    }
    return on != 0;
}

void SetHugePages(bool enabled) {
    g_hugePages.store(enabled ? 1 : 0, std::memory_order_relaxed);
}

void* AllocateBig(size_t bytes) noexcept {
    if (bytes == 0)
        bytes = 1;
#ifdef __linux__
    constexpr size_t kHuge = size_t{2} << 20;
    if (bytes >= kHuge / 2 && bytes <= std::numeric_limits<size_t>::max() - kHuge && HugePagesEnabled()) {
        // Whole huge pages, so that the last one is not shared with a
        // neighbour that would keep it from being one.
        const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        void* block = nullptr;
        if (::posix_memalign(&block, kHuge, rounded) != 0)
            return nullptr;
        // Refused where the kernel has no huge pages: the block stays as it is.
        ::madvise(block, rounded, MADV_HUGEPAGE);
        return block;
    }
#endif
    return std::malloc(bytes);
}

void FreeBig(void* block) noexcept {
    std::free(block);
}
