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

// A tile of the destination: columns Ci0..Ci0 + W - 1 and rows Ri0..Ri0 + H - 1 of the
// range (0-based).
struct TTile {
    std::size_t Ci0, W, Ri0, H;
};

// One reduction over a validated range, a tile at a time. A tile is a run of whole rows
// of the range where they fit (so each plane gives one contiguous stretch when the
// range spans every column) and stays small enough for the core's cache; every cell
// takes its planes layer outer, slot inner whatever the tiling, so the values do not
// depend on how the tiles are shared out.
class TReduction {
public:
    TReduction(const double* Data, std::int32_t NumX, std::int32_t NumY, std::int32_t NumZ,
               const detail::TRange4& R) noexcept
        : FData(Data), FX(static_cast<std::size_t>(NumX)), FPlane(FX * static_cast<std::size_t>(NumY)),
          FSlot(FPlane * static_cast<std::size_t>(NumZ)), FR(R), FCols(static_cast<std::size_t>(R.Cols())),
          FRows(static_cast<std::size_t>(R.Rows())), FN(static_cast<Extended>(R.Layers() * R.Slots())) {}

    // Tiles whose accumulators (two per cell for the deviation) fill about 512 KiB of
    // doubles, the size of a core's second-level cache, at least 2 * Workers of them
    // where the rows allow.
    void Plan(int Kind, std::int32_t Workers) noexcept {
        const std::size_t Cells = Kind == kStdDev ? 32768 : 65536;
        FW = std::min(FCols, Cells);
        FH = std::clamp<std::size_t>(Cells / FW, 1, FRows);
        if (Workers > 1) FH = std::max<std::size_t>(1, std::min(FH, FRows / (2 * static_cast<std::size_t>(Workers))));
        FStrips = (FCols + FW - 1) / FW;
    }
    std::size_t Tiles() const noexcept { return (FRows + FH - 1) / FH * FStrips; }
    // Tile I: row runs outer, column strips inner, so consecutive tiles read adjacent memory.
    TTile Tile(std::size_t I) const noexcept {
        const std::size_t Ci0 = I % FStrips * FW, Ri0 = I / FStrips * FH;
        return {Ci0, std::min(FW, FCols - Ci0), Ri0, std::min(FH, FRows - Ri0)};
    }
    // The share of 100 that a tile's cells make.
    double Share(const TTile& T) const noexcept {
        return 100.0 * static_cast<double>(T.W * T.H) / (static_cast<double>(FCols) * static_cast<double>(FRows));
    }

    // Reduces the tile, then calls Put(c, r, value) for its cells (0-based in the range),
    // columns outer, rows inner.
    template <int Kind, class PutFn>
    void Run(const TTile& T, PutFn&& Put) const {
        const std::size_t W = T.W, Cells = W * T.H;
        // Accumulators row-major over the tile ([r][c]): a source row segment adds onto a
        // contiguous run.
        std::vector<Extended> A(Cells, Kind == kMax ? -std::numeric_limits<Extended>::infinity()
                                       : Kind == kMin ? std::numeric_limits<Extended>::infinity()
                                                      : Extended(0));
        std::vector<Extended> B(Kind == kStdDev ? Cells : 0, Extended(0));
        Extended K = 0;  // planes taken so far
        for (std::int32_t L = FR.L0; L <= FR.L1; ++L)
            for (std::int32_t Ts = FR.T0; Ts <= FR.T1; ++Ts) {
                K += 1;
                // Welford's update of the mean and the sum of squared deviations; one
                // division per plane, not per element.
                [[maybe_unused]] const Extended InvK = 1 / K;
                for (std::size_t r = 0; r < T.H; ++r) {
                    const double* Src = Segment(T.Ci0, T.Ri0 + r, L, Ts);
                    Extended* Acc = A.data() + r * W;
                    if constexpr (Kind == kMean) {
                        for (std::size_t c = 0; c < W; ++c) Acc[c] += Src[c];
                    } else if constexpr (Kind == kMax) {
                        for (std::size_t c = 0; c < W; ++c) Acc[c] = Src[c] > Acc[c] ? Src[c] : Acc[c];
                    } else if constexpr (Kind == kMin) {
                        for (std::size_t c = 0; c < W; ++c) Acc[c] = Src[c] < Acc[c] ? Src[c] : Acc[c];
                    } else {
                        Extended* M2 = B.data() + r * W;
                        for (std::size_t c = 0; c < W; ++c) {
                            const Extended V = Src[c], D = V - Acc[c];
                            Acc[c] += D * InvK;
                            M2[c] += D * (V - Acc[c]);
                        }
                    }
                }
            }
        for (std::size_t c = 0; c < W; ++c)
            for (std::size_t r = 0; r < T.H; ++r) {
                const std::size_t I = r * W + c;
                Extended V = A[I];
                if constexpr (Kind == kMean) {
                    V /= FN;
                } else if constexpr (Kind == kStdDev) {
                    V = std::sqrt(std::max(Extended(0), B[I] / FN));
                } else if (std::isinf(V) && (V > 0) == (Kind == kMin) && !Holds(T.Ci0 + c, T.Ri0 + r, V)) {
                    V = Kind == kMax ? -uc_MaxReal : uc_MaxReal;  // no number in the cell
                }
                Put(T.Ci0 + c, T.Ri0 + r, static_cast<double>(V));
            }
    }

private:
    // Source row segment at column Ci, row Ri (0-based in the range) of plane (L, T).
    const double* Segment(std::size_t Ci, std::size_t Ri, std::int32_t L, std::int32_t T) const noexcept {
        return FData + static_cast<std::size_t>(T - 1) * FSlot + static_cast<std::size_t>(L - 1) * FPlane +
               (static_cast<std::size_t>(FR.R0 - 1) + Ri) * FX + static_cast<std::size_t>(FR.C0 - 1) + Ci;
    }
    // Whether the cell (Ci, Ri) holds the value V in some plane of the range.
    bool Holds(std::size_t Ci, std::size_t Ri, Extended V) const noexcept {
        for (std::int32_t L = FR.L0; L <= FR.L1; ++L)
            for (std::int32_t T = FR.T0; T <= FR.T1; ++T)
                if (*Segment(Ci, Ri, L, T) == V) return true;
        return false;
    }

    const double* FData;
    std::size_t FX, FPlane, FSlot;
    detail::TRange4 FR;
    std::size_t FCols, FRows;
    Extended FN;
    std::size_t FW = 1, FH = 1, FStrips = 1;
};

template <class PutFn>
void RunTile(const TReduction& Job, int Kind, const TTile& T, PutFn&& Put) {
    switch (Kind) {
    case kMean: Job.Run<kMean>(T, Put); break;
    case kMax: Job.Run<kMax>(T, Put); break;
    case kMin: Job.Run<kMin>(T, Put); break;
    default: Job.Run<kStdDev>(T, Put); break;
    }
}

}  // namespace

void TMat4D::ReduceLayers(int Kind, TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol,
                          std::int32_t LowRow, std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                          std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t NThreads) const {
    const detail::TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    if (DestMat == nullptr) return;
    NThreads = std::clamp(NThreads, 1, std::max(1, ProcessorCount()));
    DestMat->Resize(static_cast<std::int32_t>(R.Cols()), static_cast<std::int32_t>(R.Rows()));
    DestMat->Fill(0);
    TReduction Job(FMat.data(), FNumX, FNumY, FNumZ, R);
    // At most one worker per column of the range.
    const auto Workers = static_cast<std::int32_t>(std::min<std::int64_t>(NThreads, R.Cols()));
    Job.Plan(Kind, Workers);
    const auto Put = [DestMat](std::size_t c, std::size_t r, double V) {
        DestMat->SetElem(static_cast<std::int32_t>(c + 1), static_cast<std::int32_t>(r + 1), V);
    };

    if (NThreads == 1) {
        auto Steps = detail::TStepCadence::Positions(R.Cols(), R.Rows());
        for (std::size_t I = 0; I < Job.Tiles(); ++I)
            RunTile(Job, Kind, Job.Tile(I), [&](std::size_t c, std::size_t r, double V) {
                Steps.Advance();
                Put(c, r, V);
            });
        return;
    }

    // A worker writes a tile's cells under the lock, then adds the tile's share of 100.
    detail::RunOnWorkers(
        static_cast<std::int64_t>(Job.Tiles()), Workers,
        [&](std::int64_t I) {
            const TTile T = Job.Tile(static_cast<std::size_t>(I));
            std::vector<double> Out(T.W * T.H);
            RunTile(Job, Kind, T, [&](std::size_t c, std::size_t r, double V) { Out[(c - T.Ci0) * T.H + r - T.Ri0] = V; });
            std::lock_guard<std::mutex> G(GReduceLock);
            for (std::size_t c = 0; c < T.W; ++c)
                for (std::size_t r = 0; r < T.H; ++r) Put(T.Ci0 + c, T.Ri0 + r, Out[c * T.H + r]);
            detail::AddProgress(Job.Share(T));
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
