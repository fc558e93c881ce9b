// A zero-initialised block of trivially copyable elements for the storage of the large
// containers. Internal to the library.
//
// A fresh block is written in full right after it is allocated (resize, cut, resample,
// copies), so the cost of a large one is the kernel handing out its pages: on Linux a
// block of at least 4 MiB is mapped 2 MiB-aligned and advised for transparent huge pages,
// which takes one fault per 2 MiB instead of one per 4 KiB. The kernel's pages come
// zeroed, so no second pass clears them. Smaller blocks, and other systems, use calloc.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>


namespace qmr::detail {

// Zeroed memory of Bytes (> 0) bytes; std::bad_alloc when it cannot be had.
QMR_API void* AllocateZeroedBlock(std::size_t Bytes);
// Releases a block of AllocateZeroedBlock(Bytes).
QMR_API void FreeZeroedBlock(void* P, std::size_t Bytes) noexcept;

// Owns N elements, all zero when created; copies are deep. The element count never changes
// after construction: a new size is a new block.
template <class T>
class TLargeBlock {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>);

public:
    TLargeBlock() noexcept = default;
    // N zero elements; std::bad_alloc when the memory cannot be had.
    explicit TLargeBlock(std::size_t N) : FSize(N) {
        if (N > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        if (N > 0) FData = static_cast<T*>(AllocateZeroedBlock(N * sizeof(T)));
    }
    TLargeBlock(const TLargeBlock& Other) : TLargeBlock(Other.FSize) {
        if (FSize > 0) std::memcpy(FData, Other.FData, FSize * sizeof(T));
    }
    TLargeBlock(TLargeBlock&& Other) noexcept
        : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0)) {}
    // Reuses this block when the counts agree (no fresh pages to fault in).
    TLargeBlock& operator=(const TLargeBlock& Other) {
        if (this == &Other) return *this;
        if (FSize == Other.FSize) {
            if (FSize > 0) std::memcpy(FData, Other.FData, FSize * sizeof(T));
        } else {
            TLargeBlock(Other).swap(*this);
        }
        return *this;
    }
    TLargeBlock& operator=(TLargeBlock&& Other) noexcept {
        TLargeBlock(std::move(Other)).swap(*this);
        return *this;
    }
    ~TLargeBlock() { FreeZeroedBlock(FData, FSize * sizeof(T)); }

    void swap(TLargeBlock& Other) noexcept {
        std::swap(FData, Other.FData);
        std::swap(FSize, Other.FSize);
    }
    std::size_t size() const noexcept { return FSize; }
    bool empty() const noexcept { return FSize == 0; }
    T* data() noexcept { return FData; }
    const T* data() const noexcept { return FData; }
    T* begin() noexcept { return FData; }
    T* end() noexcept { return FData + FSize; }
    const T* begin() const noexcept { return FData; }
    const T* end() const noexcept { return FData + FSize; }
    T& operator[](std::size_t I) noexcept { return FData[I]; }
    const T& operator[](std::size_t I) const noexcept { return FData[I]; }

private:
    T* FData = nullptr;
    std::size_t FSize = 0;
};

}  // namespace qmr::detail
