// TMemBasedLearner: column roles, column statistics, the neighbour search and the local
// models.
//
// The distance pass walks the table column by column over blocks of rows: each input
// column adds its term to one running sum per row, so every row still adds its columns
// in column order and gets the bits of the plain per-row loop (CalcDist). The finished
// block then goes through the 100-slot list, where one comparison with the last slot
// turns most rows away.
#include "analysis/QMR_membl.h"

#include "analysis/QMR_math2_lsq.h"
#include "containers/QMR_datatable_cells.h"
#include "foundations/QMR_math1_sort.h"
#include "foundations/QMR_openarrays_edges.h"
#include "foundations/QMR_openarrays_fill.h"
#include "platform/rtl_core.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <utility>

namespace qmr {

namespace {

constexpr std::int32_t kSlots = MBLMaxNeighbours;
// Rows per block of the distance pass: the block's sums stay in the first-level cache.
constexpr std::int32_t kBlockRows = 1024;

// How an input column enters a distance: raw values, centred on the column mean (SD 0),
// or standardised.
enum class TTermKind : std::uint8_t { Raw, Centred, Scaled };

// One term of a distance; SV is the sensor's value already centred or standardised.
template <TTermKind K> inline double Term(double SV, double T, double M, double SD) noexcept {
    if constexpr (K == TTermKind::Raw) return SV - T;
    else if constexpr (K == TTermKind::Centred) return SV - (T - M);
    else return SV - (T - M) / SD;
}

inline double TermOf(TTermKind K, double SV, double T, double M, double SD) noexcept {
    switch (K) {
        case TTermKind::Raw: return Term<TTermKind::Raw>(SV, T, M, SD);
        case TTermKind::Centred: return Term<TTermKind::Centred>(SV, T, M, SD);
        case TTermKind::Scaled: break;
    }
    return Term<TTermKind::Scaled>(SV, T, M, SD);
}

// Adds the terms of N rows to their sums (squares, or magnitudes for Abs); Round rounds
// the stored values first, as the table's Elem does for nominal and ordinal columns.
template <TTermKind K, bool Abs, bool Round>
void AccumulateRun(double* __restrict S, const double* __restrict T, std::int64_t N, double SV, double M,
                   double SD) noexcept {
    for (std::int64_t I = 0; I < N; ++I) {
        double V = T[I];
        if constexpr (Round) V = detail::RoundHalfToEven(V);
        const double D = Term<K>(SV, V, M, SD);
        if constexpr (Abs) S[I] += std::fabs(D);
        else S[I] += D * D;
    }
}

using TAccumulateFn = void (*)(double*, const double*, std::int64_t, double, double, double) noexcept;

template <TTermKind K> TAccumulateFn PickRun(bool Abs, bool Round) noexcept {
    if (Abs) return Round ? &AccumulateRun<K, true, true> : &AccumulateRun<K, true, false>;
    return Round ? &AccumulateRun<K, false, true> : &AccumulateRun<K, false, false>;
}

TAccumulateFn PickRun(TTermKind K, bool Abs, bool Round) noexcept {
    switch (K) {
        case TTermKind::Raw: return PickRun<TTermKind::Raw>(Abs, Round);
        case TTermKind::Centred: return PickRun<TTermKind::Centred>(Abs, Round);
        case TTermKind::Scaled: break;
    }
    return PickRun<TTermKind::Scaled>(Abs, Round);
}

bool IsManhattan(TMBLDistMode M) noexcept { return M == TMBLDistMode::mblDistManhattan; }

}  // namespace

// The two 100-slot lists of a search: distances ascending and their rows; unused slots
// hold (largest double, row 0).
struct TMemBasedLearner::TNeighbours {
    TDoubleArray Dist = TDoubleArray(kSlots, std::numeric_limits<double>::max());
    TIntArray Rows = TIntArray(kSlots, 0);

    void Offer(double D, std::int32_t Row) {
        if (!(D <= Dist[kSlots - 1])) return;  // beyond the list (NaN and infinities too)
        const std::int32_t Pos = SortIntoArray(std::span<double>(Dist), D, true, true);
        if (Pos >= 0) InsertIntoArray(std::span<std::int32_t>(Rows), Row, Pos);
    }
    // Number of listed training rows among the first K slots (they come first).
    std::int32_t Listed(std::int32_t K) const noexcept {
        std::int32_t N = 0;
        while (N < K && Rows[static_cast<std::size_t>(N)] > 0) ++N;
        return N;
    }
};

// What the distance pass needs of every input column, fixed for one search.
class TMemBasedLearner::TDistancePass {
public:
    struct TInput {
        std::int32_t Col;
        const double* Values;  // stored values; rows from Rows on read 0
        std::int32_t Rows;
        bool Round;
        TTermKind Kind;
        double M, SD;
    };

    TDistancePass(const TMemBasedLearner& L) : FManhattan(IsManhattan(L.FDistMode)) {
        const TDataTable& T = *L.FModelData;
        const bool Standardize = L.FScalingMode == TMBLScalingMode::mblStandardized;
        for (std::int32_t C = 1; C <= T.NrOfColumns(); ++C) {
            if (T.ColAttrib(C) != static_cast<std::int32_t>(TMBLVarType::mblVarIndep)) continue;
            TInput In{};
            In.Col = C;
            In.Values = T.ColumnValues(C, In.Rows);
            In.Round = IsCategorial(T.MScaleType(C));
            In.Kind = TTermKind::Raw;
            if (Standardize) {
                In.M = L.Mean(C);
                In.SD = std::sqrt(L.Variance(C));
                In.Kind = In.SD != 0 ? TTermKind::Scaled : TTermKind::Centred;
            }
            FInputs.push_back(In);
        }
    }

    const std::vector<TInput>& Inputs() const noexcept { return FInputs; }

    // The sensor's side of the term of input In.
    static double SensorValue(const TInput& In, double S) noexcept {
        switch (In.Kind) {
            case TTermKind::Raw: return S;
            case TTermKind::Centred: return S - In.M;
            case TTermKind::Scaled: break;
        }
        return (S - In.M) / In.SD;
    }

    // Sums of rows First..First + N - 1 (0-based) for the sensor values SV (one per input).
    void Accumulate(double* Sums, std::int32_t First, std::int32_t N, const TDoubleArray& SV) const noexcept {
        std::fill(Sums, Sums + N, 0.0);
        for (std::size_t J = 0; J < FInputs.size(); ++J) {
            const TInput& In = FInputs[J];
            const std::int32_t Stored = std::clamp(In.Rows - First, 0, N);
            if (Stored > 0)
                PickRun(In.Kind, FManhattan, In.Round)(Sums, In.Values + First, Stored, SV[J], In.M, In.SD);
            if (Stored < N) {
                // Rows the matrix does not hold read 0.
                const double D = TermOf(In.Kind, SV[J], 0.0, In.M, In.SD);
                const double Add = FManhattan ? std::fabs(D) : D * D;
                for (std::int32_t I = Stored; I < N; ++I) Sums[I] += Add;
            }
        }
    }

    double Finish(double Sum) const noexcept { return FManhattan ? Sum : std::sqrt(Sum); }

private:
    bool FManhattan;
    std::vector<TInput> FInputs;
};

// ---------------------------------------------------------------- life

TMemBasedLearner::TMemBasedLearner(TComponent* AOwner)
    : TComponent(AOwner), FModelData(std::make_unique<TDataTable>(nullptr)) {
    HookTable();
}

TMemBasedLearner::~TMemBasedLearner() = default;

std::string TMemBasedLearner::ClassName() const { return "TMemBasedLearner"; }

void TMemBasedLearner::HookTable() {
    FModelData->OnChange = [this](TObject* Sender) { DataTableChanged(Sender); };
    FModelData->OnPercentDone = [this](TObject* Sender, double Percent) { PercDone(Sender, Percent); };
}

void TMemBasedLearner::DataTableChanged(TObject* /*Sender*/) { FStatsStale = true; }

void TMemBasedLearner::PercDone(TObject* /*Sender*/, double PercentDone) {
    if (OnPercentDone) OnPercentDone(this, PercentDone);
}

// ---------------------------------------------------------------- settings and roles

void TMemBasedLearner::SetNumNearestNb(std::int32_t Value) noexcept {
    std::int32_t K = std::min(Value, FModelData->NrOfRows());
    K = std::min(K, kSlots);
    FNumNearestNb = std::max(K, 1);
}

void TMemBasedLearner::SetLocalModel(TMBLLocalModel Value) noexcept {
    if (static_cast<std::size_t>(Value) < MBLLocalModelID.size()) FLocModel = Value;
}

void TMemBasedLearner::SetDistMode(TMBLDistMode Value) noexcept {
    if (static_cast<std::size_t>(Value) < MBLDistModeID.size()) FDistMode = Value;
}

void TMemBasedLearner::SetScalingMode(TMBLScalingMode Value) noexcept {
    if (static_cast<std::size_t>(Value) < MBLScalingModeID.size()) FScalingMode = Value;
}

TMBLVarType TMemBasedLearner::VarType(std::int32_t ix) const noexcept {
    const std::int32_t A = FModelData->ColAttrib(ix);
    return A == 1 || A == 2 ? static_cast<TMBLVarType>(A) : TMBLVarType::mblVarIgnore;
}

void TMemBasedLearner::SetVarType(std::int32_t ix, TMBLVarType Value) {
    if (ix < 1 || ix > FModelData->NrOfColumns()) return;
    FModelData->SetColAttrib(ix, static_cast<std::int32_t>(Value));
}

void TMemBasedLearner::SetAllVars(TMBLVarType Value) { FModelData->SetColAttributes(static_cast<std::int32_t>(Value)); }

namespace {
std::int32_t CountAttrib(const TDataTable& T, std::int32_t A) noexcept {
    std::int32_t N = 0;
    for (std::int32_t C = 1; C <= T.NrOfColumns(); ++C) N += T.ColAttrib(C) == A ? 1 : 0;
    return N;
}
}  // namespace

std::int32_t TMemBasedLearner::CountIndependentVars() const noexcept { return CountAttrib(*FModelData, 1); }
std::int32_t TMemBasedLearner::CountTargetVars() const noexcept { return CountAttrib(*FModelData, 2); }

// ---------------------------------------------------------------- column statistics

void TMemBasedLearner::UpdateStatistics() {
    if (!FStatsStale) return;
    const TDataTable& T = *FModelData;
    const TMatrix& M = *T.NumericData();
    const std::int32_t NC = T.NrOfColumns(), NR = T.NrOfRows();
    TDoubleArray Mean(static_cast<std::size_t>(NC), 0.0), Var(static_cast<std::size_t>(NC), 1.0);
    for (std::int32_t C = 1; C <= NC; ++C) {
        double& Mc = Mean[static_cast<std::size_t>(C - 1)];
        double& Vc = Var[static_cast<std::size_t>(C - 1)];
        if (C <= M.NrOfColumns()) M.MeanVar(C, 1, C, NR, Mc, Vc);
        else Vc = NR < 3 ? 1.0 : 0.0;  // a column an adopted matrix lacks reads as zeros
    }
    FMean.swap(Mean);
    FVar.swap(Var);
    FStatsStale = false;
}

double TMemBasedLearner::Mean(std::int32_t Col) const noexcept {
    return Col >= 1 && static_cast<std::size_t>(Col) <= FMean.size() ? FMean[static_cast<std::size_t>(Col - 1)] : 0.0;
}

double TMemBasedLearner::Variance(std::int32_t Col) const noexcept {
    return Col >= 1 && static_cast<std::size_t>(Col) <= FVar.size() ? FVar[static_cast<std::size_t>(Col - 1)] : 0.0;
}

// ---------------------------------------------------------------- distances and search

double TMemBasedLearner::CalcDist(const TDoubleArray& Sensor, std::int32_t ix) {
    const TDataTable& T = *FModelData;
    if (Sensor.size() < static_cast<std::size_t>(T.NrOfColumns())) return -1;
    UpdateStatistics();
    const TDistancePass Pass(*this);
    double Sum = 0;
    for (const TDistancePass::TInput& In : Pass.Inputs()) {
        const double SV = TDistancePass::SensorValue(In, Sensor[static_cast<std::size_t>(In.Col - 1)]);
        const double D = TermOf(In.Kind, SV, static_cast<double>(T.Elem(In.Col, ix)), In.M, In.SD);
        Sum += IsManhattan(FDistMode) ? std::fabs(D) : D * D;
    }
    return Pass.Finish(Sum);
}

void TMemBasedLearner::SearchNeighbours(const TDoubleArray& Sensor, std::int32_t ExcludeObj, TNeighbours& N,
                                        bool KeepDistances) {
    UpdateStatistics();
    const TDistancePass Pass(*this);
    TDoubleArray SV;
    SV.reserve(Pass.Inputs().size());
    for (const TDistancePass::TInput& In : Pass.Inputs())
        SV.push_back(TDistancePass::SensorValue(In, Sensor[static_cast<std::size_t>(In.Col - 1)]));
    const std::int32_t NR = FModelData->NrOfRows();
    FRowSums.resize(static_cast<std::size_t>(std::min(NR, kBlockRows)));
    FFinite.clear();
    if (KeepDistances) FFinite.reserve(static_cast<std::size_t>(NR));
    for (std::int32_t First = 0; First < NR; First += kBlockRows) {
        const std::int32_t Count = std::min(kBlockRows, NR - First);
        Pass.Accumulate(FRowSums.data(), First, Count, SV);
        for (std::int32_t I = 0; I < Count; ++I) {
            const std::int32_t Row = First + I + 1;
            if (Row == ExcludeObj) continue;
            const double D = Pass.Finish(FRowSums[static_cast<std::size_t>(I)]);
            if (KeepDistances && std::isfinite(D)) FFinite.push_back(D);
            N.Offer(D, Row);
        }
    }
}

// Standard deviation of the finite distances of the last search (two passes in
// Extended); 0 for fewer than three.
double TMemBasedLearner::DistanceSD() const {
    const std::size_t N = FFinite.size();
    if (N < 3) return 0;
    Extended Sum = 0;
    for (double D : FFinite) Sum += D;
    const Extended M = Sum / static_cast<Extended>(N);
    Extended SS = 0;
    for (double D : FFinite) {
        const Extended E = static_cast<Extended>(D) - M;
        SS += E * E;
    }
    return static_cast<double>(std::sqrt(SS / static_cast<Extended>(N - 1)));
}

// ---------------------------------------------------------------- prediction

std::int32_t TMemBasedLearner::ApplyModel(TDoubleArray& Sensor, std::int32_t ExcludeObj, std::int32_t Tag) {
    TDataTable& T = *FModelData;
    if (Sensor.size() != static_cast<std::size_t>(T.NrOfColumns())) {
        FillArray(Sensor, 0.0);
        return -3;
    }
    const std::int32_t K = std::clamp(FNumNearestNb, 1, kSlots);
    const bool Gauss = FLocModel == TMBLLocalModel::mblLMWgtGauss;
    TNeighbours N;
    std::int32_t Result = 0;
    if (K >= T.NrOfRows()) {
        if (OnModelApplied) SearchNeighbours(Sensor, ExcludeObj, N, false);
        FillArray(Sensor, 0.0);
        Result = -2;
    } else {
        SearchNeighbours(Sensor, ExcludeObj, N, Gauss);
        const std::int32_t Used = N.Listed(K);
        if (Used == 0) {
            FillArray(Sensor, 0.0);
            Result = -2;
        } else {
            Result = Estimate(Sensor, N, Used, Gauss ? DistanceSD() : 0.0);
        }
    }
    if (OnModelApplied) OnModelApplied(this, Tag, N.Rows, N.Dist, Result);
    return Result;
}

std::int32_t TMemBasedLearner::Estimate(TDoubleArray& Sensor, const TNeighbours& N, std::int32_t Used, double SD) {
    const TDataTable& T = *FModelData;
    const auto U = static_cast<std::size_t>(Used);
    TIntArray InputCols;
    for (std::int32_t C = 1; C <= T.NrOfColumns(); ++C)
        if (T.ColAttrib(C) == static_cast<std::int32_t>(TMBLVarType::mblVarIndep)) InputCols.push_back(C);
    std::int32_t Result = 0;
    TDoubleArray Y(U);
    for (std::int32_t Col = 1; Col <= T.NrOfColumns(); ++Col) {
        if (T.ColAttrib(Col) != static_cast<std::int32_t>(TMBLVarType::mblVarTarget)) continue;
        for (std::size_t I = 0; I < U; ++I) Y[I] = static_cast<double>(T.Elem(Col, N.Rows[I]));
        double Average = 0;
        for (double V : Y) Average += V;
        Average /= static_cast<double>(Used);
        double Est = 0;
        switch (FLocModel) {
            case TMBLLocalModel::mblLMAverage: Est = Average; break;
            case TMBLLocalModel::mblLMWgtGauss: Est = GaussEstimate(Y, N, SD, Average); break;
            case TMBLLocalModel::mblLMMajority: {
                const double S = std::sqrt(Variance(Col));
                if (S == 0) {
                    Est = static_cast<double>(T.Elem(Col, 1));  // a constant column
                    break;
                }
                std::size_t Best = 0;
                std::int32_t BestCount = -1;
                for (std::size_t I = 0; I < U; ++I) {
                    std::int32_t Count = 0;
                    for (std::size_t J = 0; J < U; ++J) Count += std::fabs(Y[I] - Y[J]) < S ? 1 : 0;
                    if (Count > BestCount) {  // on a tie the nearer stays
                        BestCount = Count;
                        Best = I;
                    }
                }
                Est = Y[Best];
                break;
            }
            case TMBLLocalModel::mblLMRegress:
                switch (RegressEstimate(Sensor, InputCols, N, Y, Est)) {
                    case TFit::Sound: break;
                    case TFit::NearSingular: Result = -1; break;
                    case TFit::Failed:
                        Est = Average;
                        Result = -1;
                        break;
                }
                break;
        }
        Sensor[static_cast<std::size_t>(Col - 1)] = Est;
    }
    return Result;
}

double TMemBasedLearner::GaussEstimate(const TDoubleArray& Y, const TNeighbours& N, double SD, double Average) {
    // Without a spread of the distances every neighbour weighs the same.
    if (!(SD > 0) || !std::isfinite(SD)) return Average;
    double SW = 0, SWY = 0;
    for (std::size_t I = 0; I < Y.size(); ++I) {
        const double Q = N.Dist[I] / SD;
        const double W = std::exp(-(Q * Q));
        SW += W;
        SWY += W * Y[I];
    }
    // Normal weights give the ratio to rounding. When every weight underflowed, or all are
    // subnormal (a digit or two left), weigh relative to the nearest instead: the same
    // ratio, the nearest's weight 1, d^2 - d1^2 formed as (d - d1)(d + d1) (no overflow).
    if (SW >= std::numeric_limits<double>::min()) return SWY / SW;
    const double D1 = N.Dist[0];
    SW = SWY = 0;
    for (std::size_t I = 0; I < Y.size(); ++I) {
        const double D = N.Dist[I];
        const double E = D == D1 ? 0.0 : ((D - D1) / SD) * ((D + D1) / SD);
        const double W = std::exp(-E);
        SW += W;
        SWY += W * Y[I];
    }
    return SWY / SW;
}

// Local linear regression of Y on the raw inputs of the neighbours (last coefficient the
// constant), evaluated at the sensor into Est; fewer neighbours than coefficients is near
// singular (the minimum-norm fit). Est is untouched when the fit fails.
TMemBasedLearner::TFit TMemBasedLearner::RegressEstimate(const TDoubleArray& Sensor, const TIntArray& InputCols,
                                                         const TNeighbours& N, const TDoubleArray& Y, double& Est) {
    const TDataTable& T = *FModelData;
    const std::size_t U = Y.size(), M = InputCols.size();
    TDoubleArray A(U * (M + 1)), X(M + 1, 0.0);
    for (std::size_t J = 0; J < M; ++J)
        for (std::size_t I = 0; I < U; ++I) A[J * U + I] = static_cast<double>(T.Elem(InputCols[J], N.Rows[I]));
    std::fill(A.begin() + static_cast<std::ptrdiff_t>(M * U), A.end(), 1.0);
    bool NearSingular = false;
    if (!detail::SolveLeastSquares(A.data(), U, M + 1, U, Y.data(), X.data(), nullptr, NearSingular,
                                   detail::TProgressMode::Silent))
        return TFit::Failed;
    Est = X[M];
    for (std::size_t J = 0; J < M; ++J) Est += X[J] * Sensor[static_cast<std::size_t>(InputCols[J] - 1)];
    return NearSingular || U < M + 1 ? TFit::NearSingular : TFit::Sound;
}

// ---------------------------------------------------------------- neighbours of the training rows

void TMemBasedLearner::CalcNNOfModelData() {
    TDataTable& T = *FModelData;
    const auto NR = static_cast<std::size_t>(std::max(T.NrOfRows(), 0));
    TInt2DArray List(kSlots, TIntArray(NR));
    TDouble2DArray Dist(kSlots, TDoubleArray(NR));
    TDoubleArray Row;
    for (std::size_t I = 0; I < NR; ++I) {
        T.CopyDataRowToArray(static_cast<std::int32_t>(I + 1), Row);
        TNeighbours N;
        SearchNeighbours(Row, 0, N, false);
        for (std::size_t K = 0; K < static_cast<std::size_t>(kSlots); ++K) {
            List[K][I] = N.Rows[K];
            Dist[K][I] = N.Dist[K];
        }
    }
    FNNList.swap(List);
    FNNDist.swap(Dist);
}

namespace {
bool ListCovers(const TInt2DArray& L, std::int32_t k, std::int32_t obj, std::int32_t NR) noexcept {
    return k >= 1 && k <= kSlots && obj >= 1 && obj <= NR && static_cast<std::size_t>(k) <= L.size() &&
           static_cast<std::size_t>(obj) <= L[static_cast<std::size_t>(k - 1)].size();
}
}  // namespace

std::int32_t TMemBasedLearner::kNNOfModelData(std::int32_t k, std::int32_t obj) const noexcept {
    if (!ListCovers(FNNList, k, obj, FModelData->NrOfRows())) return -1;
    return FNNList[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(obj - 1)];
}

double TMemBasedLearner::kNNDistOfModelData(std::int32_t k, std::int32_t obj) const noexcept {
    if (!ListCovers(FNNList, k, obj, FModelData->NrOfRows())) return -1;
    return FNNDist[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(obj - 1)];
}

std::int32_t TMemBasedLearner::CalcContingencyTable(std::int32_t VarIx, std::int32_t NumNb, TInt2DArray& ContTab) {
    TDataTable& T = *FModelData;
    const std::int32_t NR = T.NrOfRows();
    if (VarIx < 0 || VarIx > T.NrOfColumns()) return -1;
    if (!IsCategorial(T.MScaleType(VarIx))) return -2;
    double Lo = 0, Hi = 0;
    if (T.MinMaxOfValidCells(VarIx, 1, VarIx, NR, Lo, Hi) < 1) return -3;
    std::int64_t LoI = 0, HiI = 0;
    if (!detail::CheckedRoundToInt64(Lo, LoI) || !detail::CheckedRoundToInt64(Hi, HiI) ||
        LoI < std::numeric_limits<std::int32_t>::min() || HiI > std::numeric_limits<std::int32_t>::max())
        return -3;
    const std::int64_t L = HiI - LoI + 1;
    if (L < 2 || L > 100) return -3;
    if (LoI < 1) return -4;

    CalcNNOfModelData();
    const auto NL = static_cast<std::size_t>(L);
    TInt2DArray Inner(NL, TIntArray(NL, 0));
    const std::int32_t Take = std::min(NumNb, kSlots - 1);
    // Class of a cell: its rounded value when that lies in Lo..Hi, else -1 (compared
    // before it is converted).
    auto ClassOf = [&](std::int32_t Row) -> std::int64_t {
        const double V = static_cast<double>(T.Elem(VarIx, Row));
        if (!(V >= static_cast<double>(LoI) && V <= static_cast<double>(HiI))) return -1;
        return static_cast<std::int64_t>(V) - LoI;
    };
    std::int64_t Total = 0;
    for (std::int32_t J = 1; J <= NR && Take >= 1; ++J) {
        const std::int64_t A = ClassOf(J);
        std::int32_t Counted = 0;
        for (std::int32_t K = 1; K <= kSlots && Counted < Take; ++K) {
            const std::int32_t Nb = FNNList[static_cast<std::size_t>(K - 1)][static_cast<std::size_t>(J - 1)];
            if (Nb == 0) break;  // the tail of unused slots
            if (Nb == J) continue;
            ++Counted;
            const std::int64_t B = ClassOf(Nb);
            if (A < 0 || B < 0) continue;
            ++Inner[static_cast<std::size_t>(A)][static_cast<std::size_t>(B)];
            ++Total;
        }
    }
    TDoubleArray OwnSums, NbSums;
    EdgeVector(Inner, TOrientation::orColumns, TEdgeOp::eoSum, OwnSums);
    EdgeVector(Inner, TOrientation::orRows, TEdgeOp::eoSum, NbSums);
    TInt2DArray Tab(NL + 1, TIntArray(NL + 1, 0));
    for (std::size_t A = 0; A < NL; ++A) {
        std::copy(Inner[A].begin(), Inner[A].end(), Tab[A].begin());
        Tab[A][NL] = detail::RoundToInt32Sat(OwnSums[A]);
        Tab[NL][A] = detail::RoundToInt32Sat(NbSums[A]);
    }
    Tab[NL][NL] = detail::RoundToInt32Sat(static_cast<long double>(Total));
    ContTab.swap(Tab);
    return 0;
}

}  // namespace qmr
