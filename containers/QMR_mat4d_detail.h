// What the TMat4D sources share: normalised ranges, the two progress cadences and the
// messages. Internal to the library.
#pragma once

#include "containers/QMR_matrix.h"

#include <cstdint>

namespace qmr::detail {

inline constexpr const char* Mat4DNoMemHeap = "not enough memory on heap";
inline constexpr const char* Mat4DLayerBeyond = "specified layer beyond data range";
inline constexpr const char* Mat4DTSlotBeyond = "specified time slot beyond data range";

// The layer reductions' vector width for a test: 2, 4 or 8 doubles (SSE2, AVX2,
// AVX-512), at most the widest the processor has; 0 selects the widest. Every width gives
// the same bits. Returns the width now in use (1 where Extended is x87, which has no
// vector path). Not to be called while a reduction runs.
QMR_API int SetLayerReductionWidth(int Width) noexcept;

// A normalised range of a TMat4D, one inclusive pair per axis.
struct TRange4 {
    std::int32_t C0, C1, R0, R1, L0, L1, T0, T1;
    std::int64_t Cols() const noexcept { return std::int64_t{C1} - C0 + 1; }
    std::int64_t Rows() const noexcept { return std::int64_t{R1} - R0 + 1; }
    std::int64_t Layers() const noexcept { return std::int64_t{L1} - L0 + 1; }
    std::int64_t Slots() const noexcept { return std::int64_t{T1} - T0 + 1; }
    std::int64_t Count() const noexcept { return Cols() * Rows() * Layers() * Slots(); }
};

inline TRange4 ValidRange(const TMat4D& M, std::int32_t C0, std::int32_t C1, std::int32_t R0, std::int32_t R1,
                          std::int32_t L0, std::int32_t L1, std::int32_t T0, std::int32_t T1) noexcept {
    M.MakeValidColRange(C0, C1);
    M.MakeValidRowRange(R0, R1);
    M.MakeValidLayerRange(L0, L1);
    M.MakeValidTSlotRange(T0, T1);
    return {C0, C1, R0, R1, L0, L1, T0, T1};
}

// One ProcStat step (with the feedback hook) every Every units of work.
class TStepCadence {
public:
    explicit TStepCadence(std::int64_t Every) noexcept : FEvery(Every < 1 ? 1 : Every) {}
    // Every Trunc(columns * rows / 100) + 1 (column, row) positions.
    static TStepCadence Positions(std::int64_t Cols, std::int64_t Rows) noexcept {
        return TStepCadence(Cols * Rows / 100 + 1);
    }
    void Advance(std::int64_t Units = 1) {
        FCount += Units;
        for (; FCount >= FEvery; FCount -= FEvery) StepProgress();
    }

private:
    std::int64_t FEvery;
    std::int64_t FCount = 0;
};

// OnPercentDone with Round(done * 100 / Total) whenever done reaches a multiple of
// max(1, Total div 100); Advance may cover several units at once and then reports every
// multiple it passes, in order.
template <class Fire>
class TPercentCadence {
public:
    TPercentCadence(std::int64_t Total, Fire F) noexcept
        : FTotal(Total < 1 ? 1 : Total), FEvery(Total / 100 < 1 ? 1 : Total / 100), FFire(F) {}
    void Advance(std::int64_t Units = 1) {
        const std::int64_t To = FDone + Units;
        for (std::int64_t Next = (FDone / FEvery + 1) * FEvery; Next <= To; Next += FEvery)
            FFire(static_cast<std::int32_t>(Round(static_cast<Extended>(Next) * 100 / static_cast<Extended>(FTotal))));
        FDone = To;
    }

private:
    std::int64_t FTotal, FEvery, FDone = 0;
    Fire FFire;
};

}  // namespace qmr::detail
