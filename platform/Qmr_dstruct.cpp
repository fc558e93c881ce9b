// CRC-32 step and the bit field TBitFld.
#include "platform/Qmr_dstruct.h"

#include <array>
#include <bit>
#include <limits>

namespace qmr {

// ---------------------------------------------------------------- CRC-32

namespace {
constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> T{};
    for (std::uint32_t N = 0; N < 256; ++N) {
        std::uint32_t C = N;
        for (int K = 0; K < 8; ++K) C = (C & 1u) ? (0xEDB88320u ^ (C >> 1)) : (C >> 1);
        T[N] = C;
    }
    return T;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();
}  // namespace

void CalcNextCRC32(std::uint8_t Data, std::uint32_t& CRC) noexcept {
    CRC = kCrcTable[(CRC ^ Data) & 0xFFu] ^ (CRC >> 8);
}

// ---------------------------------------------------------------- TBitFld

namespace {
constexpr int kWordBits = 64;
std::size_t WordsFor(int Size) { return Size < 0 ? 0 : static_cast<std::size_t>(Size) / kWordBits + 1; }
}  // namespace

TBitFld::TBitFld(TComponent* AOwner) : TComponent(AOwner), FBits(1, 0) {}

std::string TBitFld::ClassName() const { return "TBitFld"; }

void TBitFld::ClearTail() noexcept {
    // Bits above FSize in the last word stay 0, so counts and searches need no masking.
    if (FSize < 0) return;  // no words at all
    int Used = FSize % kWordBits + 1;
    if (Used < kWordBits) FBits.back() &= (std::uint64_t{1} << Used) - 1;
}

void TBitFld::SetSize(int N) {
    // Bits 0..N are N + 1 bits: the largest int would make 2^31, more than an int counts.
    if (N == std::numeric_limits<int>::max())
        throw EQMRError(ComponentMessage(this, "bit field too large", "SetSize"));
    FBits.resize(WordsFor(N), 0);
    FSize = N;
    ClearTail();
}

void TBitFld::Clear() noexcept {
    for (auto& W : FBits) W = 0;
}

void TBitFld::SetBit(int Ix, bool Value) noexcept {
    if (Ix < 0 || Ix > FSize) return;
    std::uint64_t Mask = std::uint64_t{1} << (Ix % kWordBits);
    auto& W = FBits[static_cast<std::size_t>(Ix / kWordBits)];
    if (Value) W |= Mask;
    else W &= ~Mask;
}

bool TBitFld::GetBit(int Ix) const noexcept {
    if (Ix < 0 || Ix > FSize) return false;
    return (FBits[static_cast<std::size_t>(Ix / kWordBits)] >> (Ix % kWordBits)) & 1u;
}

int TBitFld::CountTrueBits() const noexcept {
    std::int64_t N = 0;  // at most 2^31 - 1 (SetSize refuses more bits), but summed wide
    for (auto W : FBits) N += std::popcount(W);
    return static_cast<int>(N);
}

int TBitFld::FirstTrueBit() const noexcept {
    for (std::size_t I = 0; I < FBits.size(); ++I)
        if (FBits[I] != 0) return static_cast<int>(I) * kWordBits + std::countr_zero(FBits[I]);
    return -1;
}

void TBitFld::Invert() noexcept {
    for (auto& W : FBits) W = ~W;
    ClearTail();
}

void TBitFld::Clone(const TBitFld* Source) {
    if (Source == nullptr || Source == this) return;
    FSize = Source->FSize;
    FBits = Source->FBits;
}

void TBitFld::CombineWith(const TBitFld* Other, TLogicOp Op) noexcept {
    if (Other == nullptr) return;
    for (std::size_t I = 0; I < FBits.size(); ++I) {
        std::uint64_t O = I < Other->FBits.size() ? Other->FBits[I] : 0;
        switch (Op) {
            case TLogicOp::loAnd: FBits[I] &= O; break;
            case TLogicOp::loOr: FBits[I] |= O; break;
            case TLogicOp::loXor: FBits[I] ^= O; break;
            case TLogicOp::loAndNot: FBits[I] &= ~O; break;
        }
    }
    ClearTail();
}

}  // namespace qmr
