// Fingerprint of a run of doubles shared by the vector and matrix classes: eight CRC-32
// registers, byte k of every double (lowest address first) feeding register k.
// Internal to the library.
#pragma once

#include "foundations/QMR_math1_text.h"
#include "platform/Qmr_dstruct.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace qmr::detail {

class TCrc8Registers {
public:
    // Feeds the eight bytes of N doubles, in order.
    void Feed(const double* P, std::size_t N) noexcept {
        for (std::size_t I = 0; I < N; ++I) {
            unsigned char B[sizeof(double)];
            std::memcpy(B, P + I, sizeof B);
            for (int K = 0; K < 8; ++K) CalcNextCRC32(B[K], FReg[K]);
        }
    }
    // The complemented registers as 8 hex digits each, register 1 first.
    std::string Text() const {
        std::string S;
        for (std::uint32_t R : FReg) S += Hex(static_cast<std::int32_t>(~R), 8);
        return S;
    }

private:
    std::uint32_t FReg[8] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
                             0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
};

}  // namespace qmr::detail
