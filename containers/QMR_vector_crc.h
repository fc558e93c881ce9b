// Fingerprints shared by the container classes: N CRC-32 registers, byte k of every
// element (lowest address first) feeding register k; the doubles of the real-valued
// classes use eight registers, the 32-bit integers of the integer classes four.
// Internal to the library.
#pragma once

#include "foundations/QMR_math1_text.h"
#include "platform/Qmr_dstruct.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace qmr::detail {

template <std::size_t NReg>
class TCrcRegisters {
public:
    // Feeds the bytes of N elements of NReg bytes each, in order.
    template <class T>
    void Feed(const T* P, std::size_t N) noexcept {
        static_assert(sizeof(T) == NReg, "one register per element byte");
        for (std::size_t I = 0; I < N; ++I) {
            unsigned char B[NReg];
            std::memcpy(B, P + I, NReg);
            for (std::size_t K = 0; K < NReg; ++K) CalcNextCRC32(B[K], FReg[K]);
        }
    }
    // Feeds one byte into register Reg (0-based, taken mod NReg).
    void FeedByte(std::size_t Reg, unsigned char B) noexcept { CalcNextCRC32(B, FReg[Reg % NReg]); }
    // The complemented registers as 8 hex digits each, register 1 first.
    std::string Text() const {
        std::string S;
        for (std::uint32_t R : FReg) S += Hex(static_cast<std::int32_t>(~R), 8);
        return S;
    }

private:
    static std::array<std::uint32_t, NReg> Initial() noexcept {
        std::array<std::uint32_t, NReg> A;
        A.fill(0xFFFFFFFFu);
        return A;
    }
    std::array<std::uint32_t, NReg> FReg = Initial();
};

using TCrc8Registers = TCrcRegisters<8>;

}  // namespace qmr::detail
