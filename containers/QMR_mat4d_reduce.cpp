// TMat4D: reductions of layers and time slots into a TMatrix, inline or on worker threads.
#include "containers/QMR_mat4d_detail.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_worker_pool.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

namespace qmr {

namespace {

// Serialises the destinations' SetElem (and so their OnChange handlers) between the
// workers of every reduction, for the library's lifetime.
constinit std::mutex GReduceLock;

enum TKind : int { kMean = 0, kMax = 1, kMin = 2, kStdDev = 3 };

// One reduction over a validated range: a block of adjacent columns at a time, each
// cell taking the planes layer outer, slot inner, whatever the block, so the values do
// not depend on how the columns are shared out.
class TReduction {
public:
    TReduction(const double* Data, std::int32_t NumX, std::int32_t NumY, std::int32_t NumZ,
               const detail::TRange4& R) noexcept
        : FData(Data), FX(static_cast<std::size_t>(NumX)), FPlane(FX * static_cast<std::size_t>(NumY)),
          FSlot(FPlane * static_cast<std::size_t>(NumZ)), FR(R), FRows(static_cast<std::size_t>(R.Rows())),
          FN(static_cast<Extended>(R.Layers() * R.Slots())) {}

    std::size_t Rows() const noexcept { return FRows; }

    // Reduces columns Ci0..Ci1 - 1 of the range (0-based) into Out, column-major
    // (Out[(c - Ci0) * rows + r]).
    template <int Kind>
    void Block(std::size_t Ci0, std::size_t Ci1, std::vector<double>& Out) const {
        const std::size_t W = Ci1 - Ci0, Cells = W * FRows;
        // Accumulators row-major over the block ([r][c]), so a source row segment adds
        // onto a contiguous run.
        std::vector<Extended> A(Cells, Kind == kMax ? -std::numeric_limits<Extended>::infinity()
                                       : Kind == kMin ? std::numeric_limits<Extended>::infinity()
                                                      : Extended(0));
        std::vector<Extended> B(Kind == kStdDev ? Cells : 0, Extended(0));
        Extended K = 0;  // planes taken so far
        for (std::int32_t L = FR.L0; L <= FR.L1; ++L)
            for (std::int32_t T = FR.T0; T <= FR.T1; ++T) {
                K += 1;
                for (std::size_t r = 0; r < FRows; ++r) {
                    const double* Src = Segment(Ci0, r, L, T);
                    Extended* Acc = A.data() + r * W;
                    if constexpr (Kind == kMean) {
                        for (std::size_t c = 0; c < W; ++c) Acc[c] += Src[c];
                    } else if constexpr (Kind == kMax) {
                        for (std::size_t c = 0; c < W; ++c) Acc[c] = Src[c] > Acc[c] ? Src[c] : Acc[c];
                    } else if constexpr (Kind == kMin) {
                        for (std::size_t c = 0; c < W; ++c) Acc[c] = Src[c] < Acc[c] ? Src[c] : Acc[c];
                    } else {
                        // Welford's update of the mean and the sum of squared deviations.
                        Extended* M2 = B.data() + r * W;
                        for (std::size_t c = 0; c < W; ++c) {
                            const Extended V = Src[c], D = V - Acc[c];
                            Acc[c] += D / K;
                            M2[c] += D * (V - Acc[c]);
                        }
                    }
                }
            }
        Out.resize(Cells);
        for (std::size_t c = 0; c < W; ++c)
            for (std::size_t r = 0; r < FRows; ++r) {
                const std::size_t I = r * W + c;
                Extended V = A[I];
                if constexpr (Kind == kMean) {
                    V /= FN;
                } else if constexpr (Kind == kStdDev) {
                    V = std::sqrt(std::max(Extended(0), B[I] / FN));
                } else if (std::isinf(V) && (V > 0) == (Kind == kMin) && !Holds(Ci0 + c, r, V)) {
                    V = Kind == kMax ? -uc_MaxReal : uc_MaxReal;  // no number in the cell
                }
                Out[c * FRows + r] = static_cast<double>(V);
            }
    }

private:
    // Source row segment of block column Ci0, row r (0-based in the range), plane (L, T).
    const double* Segment(std::size_t Ci0, std::size_t r, std::int32_t L, std::int32_t T) const noexcept {
        return FData + static_cast<std::size_t>(T - 1) * FSlot + static_cast<std::size_t>(L - 1) * FPlane +
               (static_cast<std::size_t>(FR.R0 - 1) + r) * FX + static_cast<std::size_t>(FR.C0 - 1) + Ci0;
    }
    // Whether the cell (Ci, r) holds the value V in some plane of the range.
    bool Holds(std::size_t Ci, std::size_t r, Extended V) const noexcept {
        for (std::int32_t L = FR.L0; L <= FR.L1; ++L)
            for (std::int32_t T = FR.T0; T <= FR.T1; ++T)
                if (*Segment(Ci, r, L, T) == V) return true;
        return false;
    }

    const double* FData;
    std::size_t FX, FPlane, FSlot;
    detail::TRange4 FR;
    std::size_t FRows;
    Extended FN;
};

void RunBlock(const TReduction& Job, int Kind, std::size_t Ci0, std::size_t Ci1, std::vector<double>& Out) {
    switch (Kind) {
    case kMean: Job.Block<kMean>(Ci0, Ci1, Out); break;
    case kMax: Job.Block<kMax>(Ci0, Ci1, Out); break;
    case kMin: Job.Block<kMin>(Ci0, Ci1, Out); break;
    default: Job.Block<kStdDev>(Ci0, Ci1, Out); break;
    }
}

// Columns per block: the accumulators of a block stay near 65536 cells (about the
// size of a core's cache), so the source rows are read in long runs, whole when the
// columns allow; threads take at least two blocks each.
std::size_t BlockColumns(std::size_t Cols, std::size_t Rows, std::int32_t Threads) noexcept {
    std::size_t W = std::clamp<std::size_t>(65536 / std::max<std::size_t>(Rows, 1), 8, std::max<std::size_t>(Cols, 1));
    if (Threads > 1) W = std::min(W, (Cols + 2 * static_cast<std::size_t>(Threads) - 1) / (2 * static_cast<std::size_t>(Threads)));
    return std::max<std::size_t>(W, 1);
}

}  // namespace

void TMat4D::ReduceLayers(int Kind, TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol,
                          std::int32_t LowRow, std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                          std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t NThreads) const {
    const detail::TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    if (DestMat == nullptr) return;
    NThreads = std::clamp(NThreads, 1, std::max(1, ProcessorCount()));
    const auto Cols = static_cast<std::size_t>(R.Cols()), Rows = static_cast<std::size_t>(R.Rows());
    DestMat->Resize(static_cast<std::int32_t>(Cols), static_cast<std::int32_t>(Rows));
    DestMat->Fill(0);
    const TReduction Job(FMat.data(), FNumX, FNumY, FNumZ, R);
    const std::size_t W = BlockColumns(Cols, Rows, NThreads);
    const std::size_t NBlocks = (Cols + W - 1) / W;

    if (NThreads == 1) {
        auto Steps = detail::TStepCadence::Positions(R.Cols(), R.Rows());
        std::vector<double> Out;
        for (std::size_t B = 0; B < NBlocks; ++B) {
            const std::size_t Ci0 = B * W, Ci1 = std::min(Cols, Ci0 + W);
            RunBlock(Job, Kind, Ci0, Ci1, Out);
            for (std::size_t c = Ci0; c < Ci1; ++c)
                for (std::size_t r = 0; r < Rows; ++r) {
                    Steps.Advance();
                    DestMat->SetElem(static_cast<std::int32_t>(c + 1), static_cast<std::int32_t>(r + 1),
                                     Out[(c - Ci0) * Rows + r]);
                }
        }
        return;
    }

    // Each block writes its cells under the lock and adds its columns' share of 100.
    const double Share = 100.0 / static_cast<double>(Cols);
    detail::RunOnWorkers(
        static_cast<std::int64_t>(NBlocks), std::min<std::int32_t>(NThreads, static_cast<std::int32_t>(Cols)),
        [&](std::int64_t B) {
            const std::size_t Ci0 = static_cast<std::size_t>(B) * W, Ci1 = std::min(Cols, Ci0 + W);
            std::vector<double> Out;
            RunBlock(Job, Kind, Ci0, Ci1, Out);
            std::lock_guard<std::mutex> G(GReduceLock);
            for (std::size_t c = Ci0; c < Ci1; ++c) {
                for (std::size_t r = 0; r < Rows; ++r)
                    DestMat->SetElem(static_cast<std::int32_t>(c + 1), static_cast<std::int32_t>(r + 1),
                                     Out[(c - Ci0) * Rows + r]);
                detail::AddProgress(Share);
            }
        },
        [] { detail::CallFeedBack(); }, [] { return false; });
    detail::CallFeedBack();
}

#define QMR_MAT4D_REDUCTION(Name, Kind)                                                                           \
    void TMat4D::Name(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,           \
                      std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, \
                      std::int32_t HighTimeSlot, std::int32_t NThreads) const {                                   \
        ReduceLayers(Kind, DestMat, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot,           \
                     HighTimeSlot, NThreads);                                                                     \
    }                                                                                                             \
    void TMat4D::Name(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,           \
                      std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, \
                      std::int32_t HighTimeSlot) const {                                                          \
        ReduceLayers(Kind, DestMat, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot,           \
                     HighTimeSlot, ProcessorCount());                                                             \
    }

QMR_MAT4D_REDUCTION(MeanOfLayersToMatrix, kMean)
QMR_MAT4D_REDUCTION(MaximumOfLayersToMatrix, kMax)
QMR_MAT4D_REDUCTION(MinimumOfLayersToMatrix, kMin)
QMR_MAT4D_REDUCTION(StdDevOfLayersToMatrix, kStdDev)

#undef QMR_MAT4D_REDUCTION

}  // namespace qmr
