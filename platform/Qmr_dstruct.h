// CRC-32 step and the bit field TBitFld.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <vector>

namespace qmr {

// One step of the standard reflected CRC-32 (polynomial $EDB88320): feeds the byte
// Data into the register CRC. Callers seed the register with $FFFFFFFF and
// complement it after the last byte.
QMR_API void CalcNextCRC32(std::uint8_t Data, std::uint32_t& CRC) noexcept;

// Field of bits 0..Size. Reading a bit outside the field gives False and writing one
// there is ignored. A new field has Size 0 (one bit, False).
class QMR_API TBitFld : public TComponent {
public:
    explicit TBitFld(TComponent* AOwner);
    std::string ClassName() const override;

    // The N of the last SetSize: bits 0..N are usable (none when it is negative).
    int Size() const noexcept { return FSize; }
    // Makes bits 0..N usable (none when N < 0) and Size read N; bits kept keep their
    // value, new bits are False. N = INT32_MAX (2^31 bits, more than CountTrueBits can
    // count) raises EQMRError and leaves the field as it was.
    void SetSize(int N);
    // Sets every bit to False.
    void Clear() noexcept;
    // Sets bit Ix to Value; ignored outside 0..Size.
    void SetBit(int Ix, bool Value) noexcept;
    // Bit Ix; False outside 0..Size.
    bool GetBit(int Ix) const noexcept;
    // Number of bits that are True.
    int CountTrueBits() const noexcept;
    // Index of the lowest True bit; -1 when there is none.
    int FirstTrueBit() const noexcept;
    // Flips every bit 0..Size.
    void Invert() noexcept;
    // Becomes a copy (size and bits) of Source; nothing when Source is nullptr.
    void Clone(const TBitFld* Source);
    // Combines bit by bit with Other (this := this op other): and, or, xor, and not.
    // Bits beyond Other's size take part as False; the size of this field stays.
    // Nothing happens when Other is nullptr.
    void CombineWith(const TBitFld* Other, TLogicOp Op) noexcept;

private:
    int FSize = 0;
    std::vector<std::uint64_t> FBits;
    void ClearTail() noexcept;
};

}  // namespace qmr
