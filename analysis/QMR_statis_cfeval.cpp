// TCFEvaluator: confusion matrix, scores, ROC curve and threshold sweep.
#include "analysis/QMR_statis_cfeval.h"

#include "containers/QMR_matrix.h"
#include "foundations/QMR_openarrays_extremes.h"
#include "foundations/QMR_openarrays_reshape.h"
#include "foundations/detail/combsort.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace qmr {

namespace {

using Counts = detail::TConfusionCounts;

// A / B as reals; 0 when B is 0.
double Ratio(std::int64_t A, std::int64_t B) noexcept {
    return B == 0 ? 0.0 : static_cast<double>(A) / static_cast<double>(B);
}

double AccuracyOf(const Counts& C) noexcept { return Ratio(C.tp + C.tn, C.tp + C.tn + C.fp + C.fn); }

double InformednessOf(const Counts& C) noexcept { return Ratio(C.tp, C.tp + C.fn) + Ratio(C.tn, C.tn + C.fp) - 1; }

double MatthewsOf(const Counts& C) noexcept {
    // The product of the four margins overflows 64 bits from about 1.2e5 objects; the
    // numerator stays exact in 64 bits for any count an Integer index can reach.
    const double Root = std::sqrt(static_cast<double>(C.tp + C.fp) * static_cast<double>(C.tp + C.fn) *
                                  static_cast<double>(C.tn + C.fp) * static_cast<double>(C.tn + C.fn));
    if (Root == 0) return 0;
    return static_cast<double>(C.tp * C.tn - C.fp * C.fn) / Root;
}

// -sum p ln p over the counts above 0, p = count / N.
template <std::size_t K> double Entropy(const std::int64_t (&Cells)[K], double N) noexcept {
    double H = 0;
    for (std::int64_t C : Cells) {
        if (C <= 0) continue;
        const double P = static_cast<double>(C) / N;
        H -= P * std::log(P);
    }
    return H;
}

double UncertaintyOf(const Counts& C) noexcept {
    const std::int64_t N = C.tp + C.fp + C.tn + C.fn;
    if (N == 0) return 0;
    const double Nd = static_cast<double>(N);
    const std::int64_t Pred[2] = {C.tp + C.fp, C.tn + C.fn};
    const std::int64_t True[2] = {C.tp + C.fn, C.fp + C.tn};
    const std::int64_t Joint[4] = {C.tp, C.fp, C.tn, C.fn};
    const double Hp = Entropy(Pred, Nd), Ht = Entropy(True, Nd), Hj = Entropy(Joint, Nd);
    return 2 * (Hp + Ht - Hj) / (Hp + Ht + 1e-15);
}

// An estimate is predicted positive at threshold T when E - T >= 0 (never for a NaN).
inline bool PredictedPositive(double E, double T) noexcept { return E - T >= 0; }

// Two estimates belong to one ROC run when equal or both NaN.
inline bool SameRun(double A, double B) noexcept { return A == B || (A != A && B != B); }

// Best value of one score over the sweep and the plateau it lies on.
struct Plateau {
    double Best = 0;
    double Sum = 0;
    std::int64_t Count = 0;

    // Takes the score Value at threshold T; Out is the mean threshold of the latest
    // plateau at the best value.
    void Take(double Value, double T, double& Out) noexcept {
        if (Value > Best) {
            Best = Value;
            Out = T;
            Sum = T;
            Count = 1;
        } else if (Value == Best) {
            Sum += T;
            ++Count;
            Out = Sum / static_cast<double>(Count);
        } else {
            Sum = 0;
            Count = 0;
        }
    }
};

}  // namespace

TCFEvaluator::TCFEvaluator(TComponent* AOwner) : TComponent(AOwner), FTrueVec(1, 0.0), FEstVec(1, 0.0) {}

TCFEvaluator::~TCFEvaluator() = default;

std::string TCFEvaluator::ClassName() const { return "TCFEvaluator"; }

// ---------------------------------------------------------------- data

double TCFEvaluator::TrueData(std::int32_t Ix) const noexcept {
    if (Ix < 1 || static_cast<std::size_t>(Ix) > FTrueVec.size()) return 0;
    return FTrueVec[static_cast<std::size_t>(Ix - 1)];
}

void TCFEvaluator::SetTrueData(std::int32_t Ix, double Value) {
    if (Ix < 1 || static_cast<std::size_t>(Ix) > FTrueVec.size()) return;
    FTrueVec[static_cast<std::size_t>(Ix - 1)] = Value;
    UpdateDicho();
}

double TCFEvaluator::EstimData(std::int32_t Ix) const noexcept {
    if (Ix < 1 || static_cast<std::size_t>(Ix) > FEstVec.size()) return 0;
    return FEstVec[static_cast<std::size_t>(Ix - 1)];
}

void TCFEvaluator::SetEstimData(std::int32_t Ix, double Value) {
    if (Ix < 1 || static_cast<std::size_t>(Ix) > FEstVec.size()) return;
    FEstVec[static_cast<std::size_t>(Ix - 1)] = Value;
    FIsSorted = false;
    FInOrder = false;
}

std::int32_t TCFEvaluator::NData() const noexcept {
    if (FTrueVec.size() != FEstVec.size()) return -1;
    return static_cast<std::int32_t>(FTrueVec.size());
}

void TCFEvaluator::SetNData(std::int32_t Value) {
    if (Value <= 0) return;
    const auto N = static_cast<std::size_t>(Value);
    // The callers' sorted state stays, but zeros appended after the sorted run may break
    // the order the ROC curve and the sweep walk on.
    if (N > FEstVec.size()) FInOrder = false;
    FTrueVec.resize(N, 0.0);
    FEstVec.resize(N, 0.0);
}

bool TCFEvaluator::GetActualDichoValues(double& V1, double& V2) const {
    // An infinite truth has no finite midpoint with the other value.
    return IsDichotomous(FTrueVec, V1, V2) && std::isfinite(V1) && std::isfinite(V2);
}

void TCFEvaluator::UpdateDicho() { FIsDicho = GetActualDichoValues(FDichoV1, FDichoV2); }

double TCFEvaluator::Midpoint() const noexcept {
    const double M = (FDichoV1 + FDichoV2) / 2;
    // Beyond about 9e307 the sum overflows; the halves cannot.
    return std::isfinite(M) ? M : FDichoV1 / 2 + FDichoV2 / 2;
}

std::int32_t TCFEvaluator::CopyTrueFromMatrix(std::int32_t Col, const TMatrix* SrcMat) {
    if (SrcMat == nullptr || Col < 1 || Col > SrcMat->NrOfColumns()) return -1;
    const std::int32_t NRow = std::max(SrcMat->NrOfRows(), 0);
    FTrueVec.resize(static_cast<std::size_t>(NRow));
    for (std::int32_t R = 1; R <= NRow; ++R)
        FTrueVec[static_cast<std::size_t>(R - 1)] = static_cast<double>(SrcMat->Elem(Col, R));
    FIsSorted = false;
    FInOrder = false;
    UpdateDicho();
    return FIsDicho ? 0 : -2;
}

std::int32_t TCFEvaluator::CopyEstFromMatrix(std::int32_t Col, const TMatrix* SrcMat) {
    if (SrcMat == nullptr || Col < 1 || Col > SrcMat->NrOfColumns()) return -1;
    const std::int32_t NRow = std::max(SrcMat->NrOfRows(), 0);
    FEstVec.resize(static_cast<std::size_t>(NRow));
    for (std::int32_t R = 1; R <= NRow; ++R)
        FEstVec[static_cast<std::size_t>(R - 1)] = static_cast<double>(SrcMat->Elem(Col, R));
    FIsSorted = false;
    FInOrder = false;
    return 0;
}

// ---------------------------------------------------------------- sort and counts

void TCFEvaluator::SortEstimated() {
    if (FTrueVec.size() != FEstVec.size()) return;
    if (FIsSorted && FInOrder) return;
    // Descending comb sort without progress; its first gap is Trunc((n - 1) / 1.3). A
    // pair is exchanged when the later estimate is greater, or when the earlier one is NaN
    // and the later one is not (NaN ranks below every number); ties stay.
    const auto Len = static_cast<std::int64_t>(FEstVec.size());
    if (Len > 1) {
        const auto Before = [](double Later, double Earlier) {
            return (Later > Earlier) | ((Earlier != Earlier) & (Later == Later));
        };
        std::int64_t Gap = Len - 1;
        bool Swapped = false;
        do {
            Gap = detail::NextCombGap(Gap);
            Swapped = detail::CombPassCarry(FEstVec.data(), FTrueVec.data(), Gap, Len - Gap, Before);
        } while (Gap > 1 || Swapped);
    }
    FIsSorted = true;
    FInOrder = true;
}

std::int32_t TCFEvaluator::CalcConfusionMatrix(double CFThresh) {
    if (!FIsDicho) return -2;
    if (FTrueVec.size() != FEstVec.size()) return -1;
    FCFThresh = CFThresh;
    SortEstimated();
    const double Mid = Midpoint();
    Counts C;
    for (std::size_t I = 0; I < FEstVec.size(); ++I) {
        const bool Pos = FTrueVec[I] > Mid;
        const bool Pred = PredictedPositive(FEstVec[I], CFThresh);
        C.tp += Pos & Pred;
        C.fn += Pos & !Pred;
        C.fp += !Pos & Pred;
        C.tn += !Pos & !Pred;
    }
    FCounts = C;
    return 0;
}

std::int32_t TCFEvaluator::GetConfMatValues(std::int32_t& tp, std::int32_t& fp, std::int32_t& tn,
                                            std::int32_t& fn, double& Thresh) const {
    if (!FIsDicho) return -2;
    if (!FIsSorted) return -1;
    const auto Low32 = [](std::int64_t V) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(V)); };
    tp = Low32(FCounts.tp);
    fp = Low32(FCounts.fp);
    tn = Low32(FCounts.tn);
    fn = Low32(FCounts.fn);
    Thresh = FCFThresh;
    return 0;
}

// ---------------------------------------------------------------- ROC and sweep

std::int32_t TCFEvaluator::OptimizeThresholds(TDouble2DArray& ROCCoords, std::int32_t& BestROC, double& AUC,
                                              double& ThreshMMC, double& ThreshAccuracy,
                                              double& ThreshInformedness) {
    SortEstimated();
    if (FTrueVec.size() != FEstVec.size()) return -3;
    if (!FIsDicho) return -1;
    const std::size_t N = FEstVec.size();
    const double Mid = Midpoint();
    std::int64_t NPos = 0;
    for (double T : FTrueVec) NPos += T >= Mid;
    const std::int64_t NNeg = static_cast<std::int64_t>(N) - NPos;
    if (NPos == 0 || NNeg == 0) return -2;
    const double P = static_cast<double>(NPos), Nn = static_cast<double>(NNeg);

    // Sweep thresholds, from min - 5 s in accumulated steps s while below max + 5 s, and
    // the number K of objects each predicts positive (a prefix of the sorted estimates,
    // found by binary search). The ROC pass below gathers the truths above the midpoint
    // among the first K objects: the counts of CalcConfusionMatrix.
    std::vector<double> Thresh;
    std::vector<std::size_t> Cut;
    double Min = 0, Max = 0;
    if (MinMaxArray(FEstVec, Min, Max) == 0) {  // -1: every estimate is NaN, nothing to try
        const double S = 0.01 * (Max - Min);
        for (double T = Min - 5 * S; T < Max + 5 * S;) {
            const auto Positive = [T](double E) { return PredictedPositive(E, T); };
            Thresh.push_back(T);
            Cut.push_back(static_cast<std::size_t>(
                std::partition_point(FEstVec.begin(), FEstVec.end(), Positive) - FEstVec.begin()));
            const double Next = T + S;
            if (!(Next > T)) break;  // the step vanishes beside T (or is not a number)
            T = Next;
        }
    }
    std::vector<std::size_t> ByCut(Cut.size());  // threshold indices by ascending cut
    for (std::size_t J = 0; J < ByCut.size(); ++J) ByCut[J] = J;
    std::sort(ByCut.begin(), ByCut.end(), [&Cut](std::size_t A, std::size_t B) { return Cut[A] < Cut[B]; });
    std::vector<std::int64_t> AboveAt(Cut.size(), 0);
    std::size_t NextCut = 0;
    while (NextCut < ByCut.size() && Cut[ByCut[NextCut]] == 0) ++NextCut;

    // ROC: one point and one trapezoid per run of equal estimates, so the order inside a
    // tie does not matter.
    std::size_t Runs = 0;
    for (std::size_t I = 0; I < N; ++I) Runs += I == 0 || !SameRun(FEstVec[I], FEstVec[I - 1]);
    TDouble2DArray& Roc = ROCCoords;  // every check has passed: the outputs may change now
    Roc.resize(3);
    for (auto& Col : Roc) Col.resize(Runs + 1);
    std::int64_t TP = 0, FP = 0, NAbove = 0;
    double Area = 0, BestDist = 0;
    std::int32_t Best = 0;
    std::size_t K = 0;
    for (std::size_t I = 0; I < N; ++K) {
        const std::int64_t TPprev = TP, FPprev = FP;
        const double RunEst = FEstVec[I];
        do {
            const double T = FTrueVec[I];
            TP += T >= Mid;
            FP += !(T >= Mid);
            NAbove += T > Mid;
            ++I;
            for (; NextCut < ByCut.size() && Cut[ByCut[NextCut]] == I; ++NextCut) AboveAt[ByCut[NextCut]] = NAbove;
        } while (I < N && SameRun(FEstVec[I], RunEst));
        const double Fpr = static_cast<double>(FP) / Nn, Tpr = static_cast<double>(TP) / P;
        Roc[0][K] = Fpr;
        Roc[1][K] = Tpr;
        Roc[2][K] = RunEst;
        const double D = std::fabs(Fpr - Tpr);
        if (D > BestDist) {
            BestDist = D;
            Best = static_cast<std::int32_t>(K);
        }
        Area += static_cast<double>(FP - FPprev) * static_cast<double>(TP + TPprev) / 2 / Nn / P;
    }
    Roc[0][K] = static_cast<double>(FP) / Nn;
    Roc[1][K] = static_cast<double>(TP) / P;
    Roc[2][K] = FEstVec[N - 1];

    // Sweep: each score keeps the mean threshold of the latest plateau at its best value.
    Plateau Mcc, Acc, Inf;
    for (std::size_t J = 0; J < Thresh.size(); ++J) {
        Counts C;
        C.tp = AboveAt[J];
        C.fp = static_cast<std::int64_t>(Cut[J]) - C.tp;
        C.fn = NAbove - C.tp;
        C.tn = static_cast<std::int64_t>(N - Cut[J]) - C.fn;
        FCounts = C;
        FCFThresh = Thresh[J];
        Mcc.Take(MatthewsOf(C), Thresh[J], ThreshMMC);
        Acc.Take(AccuracyOf(C), Thresh[J], ThreshAccuracy);
        Inf.Take(InformednessOf(C), Thresh[J], ThreshInformedness);
    }
    BestROC = Best;
    AUC = Area;
    return 0;
}

// ---------------------------------------------------------------- scores

double TCFEvaluator::Score(std::int32_t Unsorted, std::int32_t NotDicho,
                          double (*Fn)(const detail::TConfusionCounts&) noexcept) const noexcept {
    if (!FIsDicho) return NotDicho;
    if (!FIsSorted) return Unsorted;
    return Fn(FCounts);
}

double TCFEvaluator::TpRate() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.tp, C.tp + C.fn); });
}
double TCFEvaluator::FnRate() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.fn, C.tp + C.fn); });
}
double TCFEvaluator::TnRate() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.tn, C.tn + C.fp); });
}
double TCFEvaluator::FpRate() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.fp, C.tn + C.fp); });
}
double TCFEvaluator::Precision() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.tp, C.tp + C.fp); });
}
double TCFEvaluator::NegPredVal() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.tn, C.tn + C.fn); });
}
double TCFEvaluator::ThreatScore() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(C.tp, C.tp + C.fn + C.fp); });
}
double TCFEvaluator::F1Score() const {
    return Score(-1, -2, [](const Counts& C) noexcept { return Ratio(2 * C.tp, 2 * C.tp + C.fn + C.fp); });
}
double TCFEvaluator::Accuracy() const { return Score(-1, -2, AccuracyOf); }
double TCFEvaluator::Informedness() const { return Score(-2, -3, InformednessOf); }
double TCFEvaluator::MatthewsCorr() const { return Score(-3, -2, MatthewsOf); }
double TCFEvaluator::UncertCoeff() const { return Score(-1, -2, UncertaintyOf); }

}  // namespace qmr
