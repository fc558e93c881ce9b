// TMat4D: reductions of layers and time slots into a TMatrix, inline or on worker threads.
#include "containers/QMR_mat4d_detail.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_worker_pool.h"
#include "foundations/detail/cpu_width.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <type_traits>
#include <vector>

namespace qmr {

namespace {

// Serialises the destinations' SetElem (and so their OnChange handlers) between the
// workers of every reduction, for the library's lifetime.
constinit std::mutex GReduceLock;

enum TKind : int { kMean = 0, kMax = 1, kMin = 2, kStdDev = 3 };

// Adds G consecutive planes (row segments Src[0..G - 1] of W values) to a run of W
// cells: each cell's accumulators stay in registers while its G values go in one at a
// time in order, so the sums are those of one plane per pass at a fraction of the
// accumulator traffic. The deviation takes Welford's update of the mean and the sum of
// squared deviations, with InvK[J] = 1 / K for the K-th plane of the group.
template <int Kind, std::size_t G>
[[gnu::always_inline]] inline void AddPlanes(Extended* __restrict Acc, Extended* __restrict M2,
                                             const double* const* Src, const Extended* InvK, std::size_t W) {
    const double* S[G];
    [[maybe_unused]] Extended Inv[G];
    for (std::size_t J = 0; J < G; ++J) S[J] = Src[J], Inv[J] = InvK[J];
    for (std::size_t c = 0; c < W; ++c) {
        Extended Av = Acc[c];
        [[maybe_unused]] Extended Qv = 0;
        if constexpr (Kind == kStdDev) Qv = M2[c];
        for (std::size_t J = 0; J < G; ++J) {
            const Extended V = S[J][c];
            if constexpr (Kind == kMean) {
                Av += V;
            } else if constexpr (Kind == kMax) {
                Av = V > Av ? V : Av;
            } else if constexpr (Kind == kMin) {
                Av = V < Av ? V : Av;
            } else {
                const Extended D = V - Av;
                Av += D * Inv[J];
                Qv += D * (V - Av);
            }
        }
        Acc[c] = Av;
        if constexpr (Kind == kStdDev) M2[c] = Qv;
    }
}

// Planes taken at once (8 measured slower: the sources and accumulators spill registers).
constexpr std::size_t kGroup = 4;

template <int Kind>
[[gnu::always_inline]] inline void AddGroup(Extended* Acc, Extended* M2, const double* const* Src,
                                            const Extended* InvK, std::size_t G, std::size_t W) {
    switch (G) {
    case 1: AddPlanes<Kind, 1>(Acc, M2, Src, InvK, W); break;
    case 2: AddPlanes<Kind, 2>(Acc, M2, Src, InvK, W); break;
    case 3: AddPlanes<Kind, 3>(Acc, M2, Src, InvK, W); break;
    default: AddPlanes<Kind, kGroup>(Acc, M2, Src, InvK, W); break;
    }
}

// The same loop compiled for the vector widths the processor may have; each lane does a
// cell's scalar operations in the scalar order and nothing is contracted into fused
// multiply-adds, so every width gives the same bits. An x87 Extended has no vector path.
using TAddGroup = void (*)(Extended*, Extended*, const double* const*, const Extended*, std::size_t, std::size_t);
template <int Kind>
void AddGroupBase(Extended* Acc, Extended* M2, const double* const* Src, const Extended* InvK, std::size_t G,
                  std::size_t W) {
    AddGroup<Kind>(Acc, M2, Src, InvK, G, W);
}
template <int Kind>
__attribute__((target("avx2"))) void AddGroupAvx2(Extended* Acc, Extended* M2, const double* const* Src,
                                                  const Extended* InvK, std::size_t G, std::size_t W) {
    AddGroup<Kind>(Acc, M2, Src, InvK, G, W);
}
template <int Kind>
__attribute__((target("avx512f"))) void AddGroupAvx512(Extended* Acc, Extended* M2, const double* const* Src,
                                                      const Extended* InvK, std::size_t G, std::size_t W) {
    AddGroup<Kind>(Acc, M2, Src, InvK, G, W);
}

constexpr bool kVectorPaths = std::is_same_v<Extended, double>;

int WidestWidth() noexcept {
    if constexpr (!kVectorPaths) return 1;
    return detail::WidestDoubleVector();
}

// The width SetLayerReductionWidth asked for (0: the widest).
constinit std::atomic<int> GWidth{0};

template <int Kind>
TAddGroup ChosenAddGroup() noexcept {
    if constexpr (kVectorPaths) {
        const int Widest = WidestWidth(), Asked = GWidth.load(std::memory_order_relaxed);
        const int Width = Asked == 0 ? Widest : std::min(Asked, Widest);
        if (Width >= 8) return &AddGroupAvx512<Kind>;
        if (Width >= 4) return &AddGroupAvx2<Kind>;
    }
    return &AddGroupBase<Kind>;
}

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
    TReduction(const double* Data, std::int32_t NumX, std::int32_t NumY, std::int32_t NumZ, const detail::TRange4& R)
        : FData(Data), FX(static_cast<std::size_t>(NumX)), FCols(static_cast<std::size_t>(R.Cols())),
          FRows(static_cast<std::size_t>(R.Rows())), FN(static_cast<Extended>(R.Layers() * R.Slots())) {
        // The planes in the order every cell takes them: layers outer, slots inner.
        const std::size_t Plane = FX * static_cast<std::size_t>(NumY), Slot = Plane * static_cast<std::size_t>(NumZ);
        const std::size_t Corner = static_cast<std::size_t>(R.R0 - 1) * FX + static_cast<std::size_t>(R.C0 - 1);
        FPlanes.reserve(static_cast<std::size_t>(R.Layers() * R.Slots()));
        for (std::int32_t L = R.L0; L <= R.L1; ++L)
            for (std::int32_t T = R.T0; T <= R.T1; ++T)
                FPlanes.push_back(static_cast<std::size_t>(T - 1) * Slot + static_cast<std::size_t>(L - 1) * Plane + Corner);
        FInvK.resize(FPlanes.size());
        for (std::size_t K = 0; K < FInvK.size(); ++K) FInvK[K] = 1 / static_cast<Extended>(K + 1);
    }

    // Tiles whose accumulators (two per cell for the deviation) fill about 512 KiB of
    // doubles, half a core's second-level cache, at least 2 * Workers of them where the
    // rows allow. Much smaller tiles measure slower: a plane then gives stretches too
    // short for the hardware prefetcher.
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
        const TAddGroup Add = ChosenAddGroup<Kind>();
        for (std::size_t P = 0; P < FPlanes.size(); P += kGroup) {
            const std::size_t G = std::min(kGroup, FPlanes.size() - P);
            for (std::size_t r = 0; r < T.H; ++r) {
                const std::size_t At = (T.Ri0 + r) * FX + T.Ci0;
                const double* Src[kGroup];
                for (std::size_t J = 0; J < G; ++J) Src[J] = FData + FPlanes[P + J] + At;
                Extended* Acc = A.data() + r * W;
                Extended* M2 = Kind == kStdDev ? B.data() + r * W : nullptr;
                const Extended* InvK = FInvK.data() + P;
                Add(Acc, M2, Src, InvK, G, W);
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
    // Whether the cell (Ci, Ri) holds the value V in some plane of the range.
    bool Holds(std::size_t Ci, std::size_t Ri, Extended V) const noexcept {
        for (const std::size_t Off : FPlanes)
            if (FData[Off + Ri * FX + Ci] == V) return true;
        return false;
    }

    const double* FData;
    std::size_t FX;
    std::size_t FCols, FRows;
    Extended FN;
    std::vector<std::size_t> FPlanes;  // offset of the range's first cell in each plane, in order
    std::vector<Extended> FInvK;       // 1 / K for the K-th plane
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

int detail::SetLayerReductionWidth(int Width) noexcept {
    const bool Valid = kVectorPaths && (Width == 2 || Width == 4 || Width == 8);
    GWidth.store(Valid ? Width : 0, std::memory_order_relaxed);
    return Valid ? std::min(Width, WidestWidth()) : WidestWidth();
}

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
