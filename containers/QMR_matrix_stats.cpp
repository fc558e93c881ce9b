// TMatrix statistics over ranges: extremes, search, sums, moments, quantiles, counting,
// dichotomising, and the column and row normalisations built on them.
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_algos.h"
#include "containers/QMR_vector.h"
#include "containers/QMR_vector_algos.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <span>
#include <vector>

namespace qmr {

namespace {

constexpr const char* kNoMemHeap = "not enough memory on heap";

using TRange = detail::TBlock;
using detail::ForEachValue;
using detail::SelectPercentile;
using detail::VarianceOf;

TRange MakeRange(const TMatrix& M, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                 std::int32_t HighRow) {
    return detail::MakeBlock(M, LowCol, HighCol, LowRow, HighRow);
}

// Skewness and kurtosis of one set of values: n, whether the deviation was 0, and the
// values of SkewKurtIntern.
struct TSkewKurt {
    std::int64_t N = 0;
    bool FlatData = false;
    double Skewness = 0, Kurtosis = 0;
};

}  // namespace

// ---------------------------------------------------------------- extremes and search

void TMatrix::MinMax(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                     double& Minimum, double& Maximum) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    Minimum = uc_MaxReal;
    Maximum = -uc_MaxReal;
    bool Seeded = false;
    ForEachValue(G, [this](std::int32_t C) { return Column(C); }, [&](double V) {
        if (std::isnan(V)) return;
        if (!Seeded) {
            Minimum = Maximum = V;  // the first comparable value seeds both (so +-Inf are found)
            Seeded = true;
        } else if (V < Minimum) {
            Minimum = V;
        } else if (V > Maximum) {
            Maximum = V;
        }
    });
}

void TMatrix::Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, double Value,
                   std::int32_t& ColIx, std::int32_t& RowIx) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    ColIx = 0;
    RowIx = 0;
    Extended Best = uc_MaxDouble;
    if (G.Rows() == 0) return;
    for (std::int32_t C = G.LowCol; C <= G.HighCol; ++C) {
        const double* P = Column(C);
        for (std::int32_t R = G.LowRow; R <= G.HighRow; ++R) {
            const Extended D = std::fabs(static_cast<Extended>(P[R - 1]) - Value);
            if (D < Best) {  // strictly nearer: the first nearest element wins
                Best = D;
                ColIx = C;
                RowIx = R;
            }
        }
    }
}

std::int32_t TMatrix::FindInSortedColumn(std::int32_t Col, bool ColIsAscending, double Value) const {
    if (Col < 1 || Col > FNCol || FNRow < 1) return 0;
    const double* P = Column(Col);
    auto At = [P](std::int32_t R) { return P[R - 1]; };
    std::int32_t Lo = 1, Hi = FNRow;
    while (Hi - Lo > 1) {
        const std::int32_t Mid = Lo + (Hi - Lo) / 2;
        if (At(Mid) == Value) return Mid;
        const bool Beyond = ColIsAscending ? Value > At(Mid) : Value < At(Mid);
        if (Beyond) Lo = Mid;
        else Hi = Mid;
    }
    const Extended DLo = std::fabs(static_cast<Extended>(At(Lo)) - Value);
    const Extended DHi = std::fabs(static_cast<Extended>(At(Hi)) - Value);
    return DLo < DHi ? Lo : Hi;  // equal distances: the higher row
}

// ---------------------------------------------------------------- sums and counts

Extended TMatrix::Sum(std::int32_t LoC, std::int32_t LoR, std::int32_t HiC, std::int32_t HiR) const {
    double S = 0;
    ForEachValue(MakeRange(*this, LoC, HiC, LoR, HiR), [this](std::int32_t C) { return Column(C); },
                 [&S](double V) { S += V; });
    return S;
}

Extended TMatrix::Trace() const {
    if (FNCol != FNRow || FNCol < 1) return 0;
    double S = 0;
    for (std::int32_t K = 1; K <= FNCol; ++K) S += Column(K)[K - 1];
    return S;
}

std::int32_t TMatrix::CountValues(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                                  double RangeLow, double RangeHigh) const {
    std::int32_t N = 0;
    ForEachValue(MakeRange(*this, LowCol, HighCol, LowRow, HighRow), [this](std::int32_t C) { return Column(C); },
                 [&](double V) { N += (RangeLow <= V && V <= RangeHigh) ? 1 : 0; });
    return N;
}

// ---------------------------------------------------------------- moments

void TMatrix::MeanVar(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                      double& Mean, double& Variance) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    auto Col = [this](std::int32_t C) { return Column(C); };
    const std::int64_t N = G.Count();
    Mean = 0;
    Variance = 1;
    if (N == 0) return;
    double S = 0;
    ForEachValue(G, Col, [&S](double V) { S += V; });
    Mean = S / static_cast<double>(N);
    // Second pass over the deviations (stable for data far from 0, such as 1e9 + i).
    Extended SumD = 0, SumD2 = 0;
    const double M = Mean;
    ForEachValue(G, Col, [&](double V) {
        const Extended D = static_cast<Extended>(V) - M;
        SumD += D;
        SumD2 += D * D;
    });
    Variance = VarianceOf(N, SumD, SumD2);
}

Extended TMatrix::GeometricMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                std::int32_t HighRow) const {
    return detail::GeometricMeanIn(detail::TDenseCols<const double>{FMat.data(), StoreRows(), FNCol, FNRow},
                                   MakeRange(*this, LowCol, HighCol, LowRow, HighRow),
                                   [this](const char* Msg) { throw EQMRMatrixError(ComponentMessage(this, Msg)); });
}

Extended TMatrix::HarmonicMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                               std::int32_t HighRow) const {
    return detail::HarmonicMeanIn(detail::TDenseCols<const double>{FMat.data(), StoreRows(), FNCol, FNRow},
                                  MakeRange(*this, LowCol, HighCol, LowRow, HighRow),
                                  [this](const char* Msg) { throw EQMRMatrixError(ComponentMessage(this, Msg)); });
}

namespace {

// Moments of the values visited by Visit(Fn): deviations d from the mean, each power
// rounded to double, summed in double; s over n - 1.
template <class VisitFn> TSkewKurt SkewKurtOf(std::int64_t N, VisitFn&& Visit) {
    TSkewKurt Res;
    Res.N = N;
    if (N == 0) return Res;
    double S = 0;
    Visit([&S](double V) { S += V; });
    const double Mean = S / static_cast<double>(N);
    double S1 = 0, S2 = 0, S3 = 0, S4 = 0;
    Visit([&](double V) {
        const Extended D = static_cast<Extended>(V) - Mean;
        const Extended D2 = D * D;
        S1 += static_cast<double>(D);
        S2 += static_cast<double>(D2);
        S3 += static_cast<double>(D2 * D);
        S4 += static_cast<double>(D2 * D2);
    });
    if (N < 2) return Res;
    const auto n = static_cast<Extended>(N);
    const Extended Var = (static_cast<Extended>(S2) - static_cast<Extended>(S1) * S1 / n) / (n - 1);
    const Extended Sd = Var > 0 ? std::sqrt(Var) : Extended(0);
    if (Sd != 0) {
        Res.Skewness = static_cast<double>(S3 / n / (Sd * Sd * Sd));
        Res.Kurtosis = static_cast<double>(S4 / n / (Sd * Sd * Sd * Sd) - 3);
    } else {
        Res.FlatData = true;
        Res.Skewness = S3;
        Res.Kurtosis = S4;
    }
    return Res;
}

}  // namespace

void TMatrix::SkewKurtIntern(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                             double& Skewness, double& Kurtosis, std::int32_t& NumData) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    const TSkewKurt R = SkewKurtOf(G.Count(), [&](auto&& Fn) { ForEachValue(G, [this](std::int32_t C) { return Column(C); }, Fn); });
    Skewness = R.Skewness;
    Kurtosis = R.Kurtosis;
    NumData = static_cast<std::int32_t>(std::min<std::int64_t>(R.N, std::numeric_limits<std::int32_t>::max()));
}

void TMatrix::SkewKurt(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                       double& Skewness, double& Kurtosis) const {
    std::int32_t N = 0;
    SkewKurtIntern(LowCol, LowRow, HighCol, HighRow, Skewness, Kurtosis, N);
}

void TMatrix::SkewKurtSample(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                             double& Skewness, double& Kurtosis) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    const TSkewKurt R = SkewKurtOf(G.Count(), [&](auto&& Fn) { ForEachValue(G, [this](std::int32_t C) { return Column(C); }, Fn); });
    Skewness = 0;
    Kurtosis = 0;
    if (R.N < 4 || R.FlatData) return;  // constant data has no shape
    const auto n = static_cast<Extended>(R.N);
    Kurtosis = static_cast<double>(n * (R.Kurtosis + Extended(3)) * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) -
                                   3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
    Skewness = static_cast<double>(n * R.Skewness * n / ((n - 1) * (n - 2)));
}

// ---------------------------------------------------------------- quantiles

namespace {

// The values of the range in visiting order; EQMRMatrixError when they do not fit in memory.
template <class ColFn> std::vector<double> RangeValues(const TMatrix& M, const TRange& G, ColFn&& Col) {
    std::vector<double> V;
    try {
        V.reserve(static_cast<std::size_t>(G.Count()));
    } catch (const std::bad_alloc&) {
        throw EQMRMatrixError(ComponentMessage(&M, kNoMemHeap));
    } catch (const std::length_error&) {
        throw EQMRMatrixError(ComponentMessage(&M, kNoMemHeap));
    }
    ForEachValue(G, Col, [&V](double X) { V.push_back(X); });
    return V;
}

}  // namespace

bool TMatrix::Quartiles(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                        double& Q1, double& Q2, double& Q3) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    std::vector<double> A = RangeValues(*this, G, [this](std::int32_t C) { return Column(C); });
    Q1 = Q2 = Q3 = 0;
    const auto N = static_cast<std::int64_t>(A.size());
    if (N == 0) return false;
    SortArray(std::span<double>(A), true);
    if (N < 2) {
        Q1 = Q2 = Q3 = A[0];
        return true;
    }
    // a is counted from 1; positions past n - 1 hold at a[n - 1] (two or three values
    // give Q3 below the top value, as the vectors and the data table do).
    auto Quart = [&](double P) {
        const Extended Pos = static_cast<Extended>(N + 1) * P;
        std::int64_t K = Trunc(Pos);
        Extended F = Frac(Pos);
        if (K == 0) {
            K = 1;
            F = 0;
        }
        if (K > N - 1) {
            K = N - 1;
            F = 0;
        }
        const double Ak = A[static_cast<std::size_t>(K - 1)], Ak1 = A[static_cast<std::size_t>(K)];
        return static_cast<double>(Ak + (static_cast<Extended>(Ak1) - Ak) * F);
    };
    Q1 = Quart(0.25);
    Q2 = Quart(0.5);
    Q3 = Quart(0.75);
    return true;
}

Extended TMatrix::Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                             std::int32_t HighRow) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    std::vector<double> A = RangeValues(*this, G, [this](std::int32_t C) { return Column(C); });
    return SelectPercentile(A, Prob);
}

Extended TMatrix::Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                             std::int32_t HighRow, std::int32_t SampleSize) const {
    const TRange G = MakeRange(*this, LowCol, HighCol, LowRow, HighRow);
    if (SampleSize <= 0 || SampleSize >= G.Count()) return Percentile(Prob, LowCol, LowRow, HighCol, HighRow);
    if (!(Prob >= 0)) Prob = 0;
    if (Prob > 100) Prob = 100;
    std::vector<double> A;
    try {
        A.resize(static_cast<std::size_t>(SampleSize));
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    }
    Randomize();
    const auto Cols = static_cast<std::int32_t>(G.Cols()), Rows = static_cast<std::int32_t>(G.Rows());
    std::int32_t Zeros = 0, Negatives = 0;
    for (double& V : A) {
        const std::int32_t C = Random(Cols);  // the column offset is drawn first
        const std::int32_t R = Random(Rows);
        V = Column(G.LowCol + C)[G.LowRow + R - 1];
        if (V == 0) ++Zeros;
        else if (V < 0) ++Negatives;
    }
    // A quantile that falls among the zeros of the sample is 0.
    const Extended Q = static_cast<Extended>(Prob) / 100;
    const Extended S = SampleSize;
    if (Q <= Negatives / S || Q >= (Zeros + Negatives) / S) return SelectPercentile(A, Prob);
    return 0;
}

// ---------------------------------------------------------------- histogram

bool TMatrix::Histogram(std::int32_t LoX, std::int32_t LoY, std::int32_t HiX, std::int32_t HiY, double FirstBin,
                        double LastBin, double BinWidth, TIntVector* Histo, std::int32_t& Underflow,
                        std::int32_t& Overflow, std::int32_t& MaxCnt) const {
    if (Histo == nullptr || !(BinWidth > 0) || !std::isfinite(BinWidth)) return false;
    // The quotient is refused before rounding: NaN, infinite or above 500 bins.
    const double Q = std::fabs(LastBin - FirstBin) / BinWidth;
    if (!(Q <= 500)) return false;
    const std::int64_t NB = Round(Q) + 1;
    if (NB > 500) return false;
    const TRange G = MakeRange(*this, LoX, HiX, LoY, HiY);
    const auto Bins = static_cast<std::int32_t>(NB);
    if (Histo->NrOfElem() != Bins) Histo->Resize(Bins);
    Histo->Clear();
    Underflow = Overflow = MaxCnt = 0;
    // Bin of a value: 0 underflow, 1..NB, NB + 1 overflow (NaN, from LastBin + BinWidth on,
    // and a bin beyond the rounded-down count).
    const double Limit = LastBin + BinWidth;
    auto BinOf = [=](double V) -> std::int64_t {
        if (V < FirstBin) return 0;
        if (!(V < Limit)) return NB + 1;
        return detail::TruncIndex((V - FirstBin) / BinWidth, NB, NB) + 1;
    };
    auto Col = [this](std::int32_t C) { return Column(C); };
    std::vector<std::int64_t> Counts(static_cast<std::size_t>(NB) + 2, 0);
    if (Histo->OnChange) {
        // A handler sees every count as it is made.
        ForEachValue(G, Col, [&](double V) {
            const std::int64_t B = BinOf(V);
            if (B == 0 || B > NB) {
                ++Counts[static_cast<std::size_t>(B)];
                return;
            }
            const auto Bi = static_cast<std::int32_t>(B);
            const std::int32_t K = detail::AddCount(Histo->Elem(Bi), 1);
            Histo->SetElem(Bi, K);
            MaxCnt = std::max(MaxCnt, K);
        });
    } else {
        ForEachValue(G, Col, [&](double V) { ++Counts[static_cast<std::size_t>(BinOf(V))]; });
        for (std::int32_t B = 1; B <= Bins; ++B) {
            const std::int64_t K = Counts[static_cast<std::size_t>(B)];
            if (K == 0) continue;
            Histo->SetElem(B, detail::AddCount(0, K));
            MaxCnt = std::max(MaxCnt, Histo->Elem(B));
        }
    }
    Underflow = detail::AddCount(0, Counts[0]);
    Overflow = detail::AddCount(0, Counts[static_cast<std::size_t>(NB) + 1]);
    return true;
}

// ---------------------------------------------------------------- dichotomising

std::int32_t TMatrix::Dichotomize(double Threshold, TBool2DArray& ResultArray) const {
    ResultArray.assign(static_cast<std::size_t>(FNCol), TBoolArray(static_cast<std::size_t>(FNRow)));
    std::int32_t N = 0;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const double* P = Column(C);
        TBoolArray& Dst = ResultArray[static_cast<std::size_t>(C - 1)];
        for (std::int32_t R = 0; R < FNRow; ++R)
            if (P[R] > Threshold) {
                Dst[static_cast<std::size_t>(R)] = true;
                ++N;
            }
    }
    return N;
}

// ---------------------------------------------------------------- normalisation of columns and rows

namespace {

// Means (sum / n, 0 for none) and MeanVar variances of every row, in one sweep over the
// columns: each row sees its values in column order, as MeanVar over that row does.
template <class ColFn>
void RowMeanVar(std::int32_t NCol, std::int32_t NRow, ColFn&& Col, std::vector<double>& Mean,
                std::vector<double>* Var) {
    const auto NR = static_cast<std::size_t>(std::max(NRow, 0));
    std::vector<double> S(NR, 0.0);
    for (std::int32_t C = 1; C <= NCol; ++C) {
        const double* P = Col(C);
        for (std::size_t R = 0; R < NR; ++R) S[R] += P[R];
    }
    Mean.assign(NR, 0.0);
    if (NCol > 0)
        for (std::size_t R = 0; R < NR; ++R) Mean[R] = S[R] / static_cast<double>(NCol);
    if (Var == nullptr) return;
    std::vector<Extended> SumD(NR, 0), SumD2(NR, 0);
    for (std::int32_t C = 1; C <= NCol; ++C) {
        const double* P = Col(C);
        for (std::size_t R = 0; R < NR; ++R) {
            const Extended D = static_cast<Extended>(P[R]) - Mean[R];
            SumD[R] += D;
            SumD2[R] += D * D;
        }
    }
    Var->assign(NR, 1.0);
    for (std::size_t R = 0; R < NR; ++R) (*Var)[R] = VarianceOf(NCol, SumD[R], SumD2[R]);
}

}  // namespace

void TMatrix::StandardizeColumns(TVector* Means, TVector* StdDevs) {
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double Mean = 0, Var = 1;
        MeanVar(C, 0, C, 0, Mean, Var);
        const Extended Sd = std::sqrt(static_cast<Extended>(Var));
        if (Var > 0) {
            double* P = Column(C);
            for (std::int32_t R = 0; R < FNRow; ++R) P[R] = static_cast<double>((P[R] - static_cast<Extended>(Mean)) / Sd);
        }
        if (Means != nullptr) Means->SetElem(C, Mean);
        if (StdDevs != nullptr) StdDevs->SetElem(C, static_cast<double>(Sd));
    }
    Changed();
}

void TMatrix::StandardizeRows(TVector* Means, TVector* StdDevs) {
    std::vector<double> Mean, Var;
    RowMeanVar(FNCol, FNRow, [this](std::int32_t C) { return Column(C); }, Mean, &Var);
    std::vector<Extended> Sd(Var.size());
    for (std::size_t R = 0; R < Var.size(); ++R) Sd[R] = std::sqrt(static_cast<Extended>(Var[R]));
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        for (std::size_t R = 0; R < Var.size(); ++R)
            if (Var[R] > 0) P[R] = static_cast<double>((P[R] - static_cast<Extended>(Mean[R])) / Sd[R]);
    }
    for (std::int32_t R = 1; R <= FNRow; ++R) {
        if (Means != nullptr) Means->SetElem(R, Mean[static_cast<std::size_t>(R - 1)]);
        if (StdDevs != nullptr) StdDevs->SetElem(R, static_cast<double>(Sd[static_cast<std::size_t>(R - 1)]));
    }
    Changed();
}

void TMatrix::QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs) {
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const Extended Ref = Percentile(RefQuant, C, 0, C, 0);
        const Extended Med = Percentile(50, C, 0, C, 0);
        const Extended D = std::fabs(Med - Ref);
        if (D > 0) {
            double* P = Column(C);
            for (std::int32_t R = 0; R < FNRow; ++R) P[R] = static_cast<double>((P[R] - Med) / D);
        }
        if (Medians != nullptr) Medians->SetElem(C, static_cast<double>(Med));
        if (QuantDiffs != nullptr) QuantDiffs->SetElem(C, static_cast<double>(D));
    }
    Changed();
}

void TMatrix::QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs) {
    for (std::int32_t R = 1; R <= FNRow; ++R) {
        const Extended Ref = Percentile(RefQuant, 0, R, 0, R);
        const Extended Med = Percentile(50, 0, R, 0, R);
        const Extended D = std::fabs(Med - Ref);
        if (D > 0)
            for (std::int32_t C = 1; C <= FNCol; ++C) {
                double& V = Column(C)[R - 1];
                V = static_cast<double>((V - Med) / D);
            }
        if (Medians != nullptr) Medians->SetElem(R, static_cast<double>(Med));
        if (QuantDiffs != nullptr) QuantDiffs->SetElem(R, static_cast<double>(D));
    }
    Changed();
}

void TMatrix::MeanCenterColumns(TVector* Means) {
    if (Means != nullptr) Means->SetNrOfElem(FNCol);
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double Mean = 0, Var = 1;
        MeanVar(C, 0, C, 0, Mean, Var);
        double* P = Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) P[R] -= Mean;
        if (Means != nullptr) Means->SetElem(C, Mean);
    }
    Changed();
}

void TMatrix::MeanCenterRows(TVector* Means) {
    if (Means != nullptr) Means->SetNrOfElem(FNRow);
    std::vector<double> Mean;
    RowMeanVar(FNCol, FNRow, [this](std::int32_t C) { return Column(C); }, Mean, nullptr);
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        for (std::size_t R = 0; R < Mean.size(); ++R) P[R] -= Mean[R];
    }
    if (Means != nullptr)
        for (std::int32_t R = 1; R <= FNRow; ++R) Means->SetElem(R, Mean[static_cast<std::size_t>(R - 1)]);
    Changed();
}

void TMatrix::MeanVec(TDims Dim, TVector* Means) const {
    if (Means == nullptr) return;
    if (Dim == TDims::dimColumns) {
        Means->SetNrOfElem(FNCol);
        for (std::int32_t C = 1; C <= FNCol; ++C) {
            double S = 0;
            const double* P = Column(C);
            for (std::int32_t R = 0; R < FNRow; ++R) S += P[R];
            Means->SetElem(C, FNRow > 0 ? S / FNRow : 0.0);
        }
    } else if (Dim == TDims::dimRows) {
        Means->SetNrOfElem(FNRow);
        std::vector<double> Mean;
        RowMeanVar(FNCol, FNRow, [this](std::int32_t C) { return Column(C); }, Mean, nullptr);
        for (std::int32_t R = 1; R <= FNRow; ++R) Means->SetElem(R, Mean[static_cast<std::size_t>(R - 1)]);
    }
}

}  // namespace qmr
