// The allocation behind detail::TLargeBlock.
#include "containers/QMR_large_block.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace qmr::detail {

namespace {

// Blocks of at least this many bytes take the huge-page route.
constexpr std::size_t LargeBlockMin = std::size_t{4} << 20;
constexpr std::size_t HugePage = std::size_t{2} << 20;

}  // namespace

// Zeroed memory of Bytes (> 0) bytes; std::bad_alloc when it cannot be had.
void* AllocateZeroedBlock(std::size_t Bytes) {
#if defined(__linux__)
    if (Bytes >= LargeBlockMin) {
        if (Bytes > SIZE_MAX - 2 * HugePage) throw std::bad_alloc();
        const std::size_t Len = (Bytes + HugePage - 1) / HugePage * HugePage;
        void* Map = ::mmap(nullptr, Len + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (Map == MAP_FAILED) throw std::bad_alloc();
        const auto Start = reinterpret_cast<std::uintptr_t>(Map);
        const std::uintptr_t Aligned = (Start + HugePage - 1) / HugePage * HugePage;
        // Give back the unaligned head and the tail beyond the block.
        if (Aligned > Start) ::munmap(Map, Aligned - Start);
        if (const std::size_t Tail = Start + HugePage - Aligned; Tail > 0)
            ::munmap(reinterpret_cast<void*>(Aligned + Len), Tail);
        ::madvise(reinterpret_cast<void*>(Aligned), Len, MADV_HUGEPAGE);  // a hint: failure is harmless
        return reinterpret_cast<void*>(Aligned);
    }
#endif
    void* P = std::calloc(Bytes, 1);
    if (P == nullptr) throw std::bad_alloc();
    return P;
}

// Releases a block of AllocateZeroedBlock(Bytes).
void FreeZeroedBlock(void* P, std::size_t Bytes) noexcept {
    if (P == nullptr) return;
#if defined(__linux__)
    if (Bytes >= LargeBlockMin) {
        ::munmap(P, (Bytes + HugePage - 1) / HugePage * HugePage);
        return;
    }
#endif
    std::free(P);
}

}  // namespace qmr::detail
