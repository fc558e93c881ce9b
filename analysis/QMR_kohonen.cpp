// TKohonen: weights, standardisation, training and the best-matching unit.
#include "analysis/QMR_kohonen.h"

#include "containers/QMR_matrix_access.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

namespace qmr {

namespace {

// Two doubles in one SSE2 register; lane-wise operations are the scalar ones.
typedef double V2 __attribute__((vector_size(16)));

inline V2 Load(const double* P) noexcept {
    V2 V;
    std::memcpy(&V, P, sizeof V);
    return V;
}
inline void Store(double* P, V2 V) noexcept { std::memcpy(P, &V, sizeof V); }

// D[u] := sum over e = 0..Nin-1, in that order, of (W[e * Nu + u] - Row[e])^2. Units are
// taken eight at a time, but each keeps its own sum in input order: the same bits as the
// plain loop.
void Distances(const double* W, std::size_t Nu, std::size_t Nin, const double* Row, double* D) noexcept {
    std::size_t U = 0;
    for (; U + 8 <= Nu; U += 8) {
        V2 A0 = {0, 0}, A1 = A0, A2 = A0, A3 = A0;
        for (std::size_t E = 0; E < Nin; ++E) {
            const double* We = W + E * Nu + U;
            const V2 R = {Row[E], Row[E]};
            const V2 T0 = Load(We) - R, T1 = Load(We + 2) - R, T2 = Load(We + 4) - R, T3 = Load(We + 6) - R;
            A0 += T0 * T0;
            A1 += T1 * T1;
            A2 += T2 * T2;
            A3 += T3 * T3;
        }
        Store(D + U, A0);
        Store(D + U + 2, A1);
        Store(D + U + 4, A2);
        Store(D + U + 6, A3);
    }
    for (; U < Nu; ++U) {
        double S = 0;
        for (std::size_t E = 0; E < Nin; ++E) {
            const double T = W[E * Nu + U] - Row[E];
            S += T * T;
        }
        D[U] = S;
    }
}

// Wu[k] += (De - Wu[k]) * H[k], k < Len.
void MoveTowards(double* Wu, double De, const double* H, std::size_t Len) noexcept {
    std::size_t K = 0;
    const V2 R = {De, De};
    for (; K + 2 <= Len; K += 2) Store(Wu + K, Load(Wu + K) + (R - Load(Wu + K)) * Load(H + K));
    for (; K < Len; ++K) Wu[K] += (De - Wu[K]) * H[K];
}

// Index of the first unit whose distance is strictly below the largest double and every
// earlier one; -1 when none is (NaN, infinite or overflowing distances).
std::ptrdiff_t FirstMinimum(const double* D, std::size_t Nu, double& DMin) noexcept {
    double Best = uc_MaxDouble;
    std::ptrdiff_t Ix = -1;
    for (std::size_t U = 0; U < Nu; ++U)
        if (D[U] < Best) {
            Best = D[U];
            Ix = static_cast<std::ptrdiff_t>(U);
        }
    DMin = Best;
    return Ix;
}

// One contiguous run of grid indices (0-based, Lo <= Hi).
struct TRun {
    std::int64_t Lo, Hi;
};

// The window of radius R around B (1-based) on an axis of Size units as at most two runs
// of 0-based indices. Cyclic: R of at least Size div 2 becomes Size div 2 - 1 and the
// indices wrap once; otherwise the window is clipped. A negative radius becomes 0.
int AxisWindow(std::int64_t B, std::int32_t R, std::int32_t Size, bool Cyclic, TRun* Runs) noexcept {
    std::int64_t Rad = R;
    if (Cyclic && Rad >= Size / 2) Rad = Size / 2 - 1;
    if (Rad < 0) Rad = 0;
    std::int64_t Lo = B - Rad, Hi = B + Rad;  // 1-based; 64 bits hold any int32 radius
    if (!Cyclic) {
        Runs[0] = {std::max<std::int64_t>(Lo, 1) - 1, std::min<std::int64_t>(Hi, Size) - 1};
        return 1;
    }
    // 2 Rad + 1 < Size: the window covers no unit twice and wraps on one side at most.
    if (Lo < 1) {
        Runs[0] = {Lo + Size - 1, Size - 1};
        Runs[1] = {0, Hi - 1};
        return 2;
    }
    if (Hi > Size) {
        Runs[0] = {Lo - 1, Size - 1};
        Runs[1] = {0, Hi - Size - 1};
        return 2;
    }
    Runs[0] = {Lo - 1, Hi - 1};
    return 1;
}

}  // namespace

TKohonen::TKohonen(TComponent* AOwner) : TComponent(AOwner) {
    FKohMat = ZeroWeights(1, 1, 1);
    FMeans.assign(1, 0.0);
    FStdDevs.assign(1, 1.0);
    FDataMat = std::make_unique<TMatrix>(nullptr);
    SetWeigtsToRandom();
}

TKohonen::~TKohonen() = default;

std::string TKohonen::ClassName() const { return "TKohonen"; }

std::vector<double> TKohonen::ZeroWeights(std::int32_t Sx, std::int32_t Sy, std::int32_t Nin) {
    const auto Units = static_cast<std::uint64_t>(Sx) * static_cast<std::uint64_t>(Sy);
    const std::vector<double> Probe;
    if (Nin > 0 && Units > Probe.max_size() / static_cast<std::uint64_t>(Nin)) throw std::bad_alloc();
    return std::vector<double>(static_cast<std::size_t>(Units) * static_cast<std::size_t>(Nin), 0.0);
}

void TKohonen::SetSizeX(std::int32_t Value) {
    if (Value <= 0) return;
    FKohMat = ZeroWeights(Value, FSizeY, FNrInSens);
    FSizeX = Value;
}

void TKohonen::SetSizeY(std::int32_t Value) {
    if (Value <= 0) return;
    FKohMat = ZeroWeights(FSizeX, Value, FNrInSens);
    FSizeY = Value;
}

void TKohonen::SetNrOfInSens(std::int32_t Value) {
    if (Value <= 0) return;
    ReplaceInputs(Value, nullptr);
}

void TKohonen::ReplaceInputs(std::int32_t Nin, std::unique_ptr<TMatrix> Data) {
    std::vector<double> W = ZeroWeights(FSizeX, FSizeY, Nin);
    std::vector<double> Means(static_cast<std::size_t>(Nin), 0.0), Devs(static_cast<std::size_t>(Nin), 1.0);
    if (!Data) {
        Data = std::make_unique<TMatrix>(nullptr);
        Data->ResizeAndClear(Nin, FDataMat->NrOfRows());
    }
    FKohMat.swap(W);
    FMeans.swap(Means);
    FStdDevs.swap(Devs);
    FDataMat.swap(Data);
    FNrInSens = Nin;
}

void TKohonen::SetTrainData(const TMatrix* Value) {
    if (Value == nullptr || Value->NrOfColumns() < 1) return;
    auto Copy = std::make_unique<TMatrix>(nullptr);
    Copy->Clone(Value);  // before anything is replaced: Value may be our own matrix
    ReplaceInputs(Value->NrOfColumns(), std::move(Copy));
}

void TKohonen::StandardizeData() {
    TMatrix& M = *FDataMat;
    const std::int32_t Cols = M.NrOfColumns();
    if (Cols < 1) return;
    TVector Means(nullptr), Devs(nullptr);
    Means.SetNrOfElem(Cols);
    Devs.SetNrOfElem(Cols);
    M.StandardizeColumns(&Means, &Devs);
    for (std::int32_t E = 1; E <= FNrInSens; ++E) {
        // An input beyond the matrix's columns reads 0 in training: mean 0, deviation 1.
        const double Mean = E <= Cols ? static_cast<double>(Means.Elem(E)) : 0.0;
        const double Dev = E <= Cols ? static_cast<double>(Devs.Elem(E)) : 1.0;
        FMeans[static_cast<std::size_t>(E - 1)] = Mean;
        FStdDevs[static_cast<std::size_t>(E - 1)] = Dev;
        // The standardisation leaves a constant column raw; ApplyIt centres such an input,
        // so centre the column too or its level would bias every distance.
        if (Dev == 0)
            for (std::int32_t R = 1; R <= M.NrOfRows(); ++R)
                M.SetElem(E, R, static_cast<double>(M.Elem(E, R)) - Mean);
    }
}

void TKohonen::SetWeigtsToRandom() {
    const auto Nu = static_cast<std::size_t>(FSizeX) * static_cast<std::size_t>(FSizeY);
    for (std::size_t U = 0; U < Nu; ++U)
        for (std::size_t E = 0; E < static_cast<std::size_t>(FNrInSens); ++E)
            FKohMat[E * Nu + U] = (Random() - 0.5) * 0.2;
}

Extended TKohonen::Weights(std::int32_t ix, std::int32_t iy, std::int32_t Elem) const noexcept {
    if (ix < 1 || ix > FSizeX || iy < 1 || iy > FSizeY || Elem < 1 || Elem > FNrInSens) return 0;
    const auto Nu = static_cast<std::size_t>(FSizeX) * static_cast<std::size_t>(FSizeY);
    const auto U = static_cast<std::size_t>(ix - 1) * static_cast<std::size_t>(FSizeY) + static_cast<std::size_t>(iy - 1);
    const auto E = static_cast<std::size_t>(Elem - 1);
    return static_cast<Extended>(FKohMat[E * Nu + U]) * FStdDevs[E] + FMeans[E];
}

void TKohonen::ApplyIt(const TVector* InData, std::int32_t& BestIx, std::int32_t& BestIy, double& Distance) const {
    BestIx = 0;
    BestIy = 0;
    Distance = uc_MaxDouble;
    if (InData == nullptr) return;
    const auto Nin = static_cast<std::size_t>(FNrInSens);
    const auto Nu = static_cast<std::size_t>(FSizeX) * static_cast<std::size_t>(FSizeY);
    std::vector<double> Z(Nin), D(Nu);
    for (std::size_t E = 0; E < Nin; ++E) {
        const double X = static_cast<double>(InData->Elem(static_cast<std::int32_t>(E + 1))) - FMeans[E];
        Z[E] = FStdDevs[E] == 0 ? X : X / FStdDevs[E];
    }
    Distances(FKohMat.data(), Nu, Nin, Z.data(), D.data());
    double DMin = 0;
    const std::ptrdiff_t U = FirstMinimum(D.data(), Nu, DMin);
    if (U < 0) return;
    BestIx = static_cast<std::int32_t>(static_cast<std::size_t>(U) / static_cast<std::size_t>(FSizeY)) + 1;
    BestIy = static_cast<std::int32_t>(static_cast<std::size_t>(U) % static_cast<std::size_t>(FSizeY)) + 1;
    Distance = DMin;
}

void TKohonen::Trainit() {
    FCurStep = 1;
    SetWeigtsToRandom();
    ContinueTraining();
}

void TKohonen::DoFeedback(double Percent) {
    if (OnFeedback) OnFeedback(this, Percent);
}

void TKohonen::ContinueTraining() {
    struct TClearAbort {
        std::atomic<bool>& Flag;
        ~TClearAbort() { Flag.store(false); }
    } Guard{FAbort};
    FAbort.store(false);
    do {
        TrainStep();
        DoFeedback(static_cast<double>(Round(static_cast<double>(FCurStep) * 100 / FMaxSteps)));
        ++FCurStep;  // OnFeedback may have changed sizes and data: nothing is held across it
    } while (!FAbort.load() && FCurStep < FMaxSteps);
}

void TKohonen::TrainStep() {
    const std::int64_t N = FMaxSteps;
    // From the last step on f stays 0: f^2 would grow again past the end.
    const double F = FCurStep < N ? static_cast<double>(N - FCurStep) / static_cast<double>(N) : 0.0;
    const double F2 = F * F;
    FCurNeighb = detail::RoundToInt32Sat(F2 * (static_cast<double>(FMaxNeighb) - 1) + 1);
    FCurAlpha = F2 * FMaxAlpha;

    const auto Nin = static_cast<std::size_t>(FNrInSens);
    const auto Sy = static_cast<std::size_t>(FSizeY);
    const std::size_t Nu = static_cast<std::size_t>(FSizeX) * Sy;
    const TMatrix& M = *FDataMat;
    const std::int32_t Rows = M.NrOfRows();
    const auto Cols = static_cast<std::size_t>(std::max(M.NrOfColumns(), 0));
    const double* Data = detail::TMatrixAccess::Data(M);
    const std::size_t Ld = detail::TMatrixAccess::Ld(M);
    double* W = FKohMat.data();
    std::vector<double> Row(Nin, 0.0), D(Nu), H(Sy);

    for (std::int32_t R = 0; R < Rows; ++R) {
        for (std::size_t E = 0; E < std::min(Nin, Cols); ++E) Row[E] = Data[E * Ld + static_cast<std::size_t>(R)];
        Distances(W, Nu, Nin, Row.data(), D.data());
        double DMin = 0;
        const std::ptrdiff_t B = FirstMinimum(D.data(), Nu, DMin);
        if (B < 0) continue;  // no unit to train around
        TRun Xr[2], Yr[2];
        const int NXr = AxisWindow(B / static_cast<std::ptrdiff_t>(Sy) + 1, FCurNeighb, FSizeX, FCyclic, Xr);
        const int NYr = AxisWindow(B % static_cast<std::ptrdiff_t>(Sy) + 1, FCurNeighb, FSizeY, FCyclic, Yr);
        // Each window unit is visited once and only its own weights change, so its
        // distance from the search is its current one.
        for (int I = 0; I < NXr; ++I)
            for (std::int64_t X = Xr[I].Lo; X <= Xr[I].Hi; ++X)
                for (int J = 0; J < NYr; ++J) {
                    const std::size_t U0 = static_cast<std::size_t>(X) * Sy + static_cast<std::size_t>(Yr[J].Lo);
                    const std::size_t Len = static_cast<std::size_t>(Yr[J].Hi - Yr[J].Lo + 1);
                    for (std::size_t K = 0; K < Len; ++K) {
                        double Diff = D[U0 + K] - DMin;
                        if (Diff < 0) Diff = 0;
                        H[K] = FCurAlpha / (std::sqrt(Diff) + 1);
                    }
                    for (std::size_t E = 0; E < Nin; ++E) MoveTowards(W + E * Nu + U0, Row[E], H.data(), Len);
                }
    }
}

}  // namespace qmr
