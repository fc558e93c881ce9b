// TMemBasedLearner: neighbour search, local models, neighbour lists and the contingency
// table, against brute-force references computed here.
#include "qmr_test_support.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <utility>

using namespace qmr;
using enum TMBLVarType;

namespace {

constexpr double kBig = std::numeric_limits<double>::max();

// Columns: 1..3 inputs (column 2 nominal, column 3 constant), 4 ignored, 5..6 targets.
// Rows 7 and 12 duplicate row 3, so equal distances occur.
void FillRandom(TMemBasedLearner& L, int Rows, unsigned Seed) {
    TDataTable& T = L.ModelData();
    T.Resize(6, Rows);
    T.SetMScaleType(2, TMScaleType::stNominal);
    std::uniform_real_distribution<double> U(-5, 5);
    for (int R = 1; R <= Rows; ++R) {
        const int Src = R == 7 || R == 12 ? 3 : R;
        std::mt19937 H(Seed + static_cast<unsigned>(Src));
        for (int C = 1; C <= 6; ++C) T.SetElem(C, R, C == 3 ? 2.5 : C == 2 ? std::floor(U(H)) + 0.4 : U(H));
    }
    L.SetAllVars(mblVarIndep);
    L.SetVarType(4, mblVarIgnore);
    L.SetVarType(5, mblVarTarget);
    L.SetVarType(6, mblVarTarget);
}

// Distance by the textbook formula over Elem values, with the column statistics computed
// here (two passes; variance 1 below three rows).
double RefDist(const TMemBasedLearner& L, const TDoubleArray& S, int Row) {
    const TDataTable& T = L.ModelData();
    double Sum = 0;
    for (int C = 1; C <= T.NrOfColumns(); ++C) {
        if (T.ColAttrib(C) != 1) continue;
        double s = S[C - 1], t = static_cast<double>(T.Elem(C, Row));
        if (L.ScalingMode() == TMBLScalingMode::mblStandardized) {
            const int N = T.NrOfRows();
            long double M = 0, V = 0;
            for (int R = 1; R <= N; ++R) M += T.NumericData()->Elem(C, R);
            M /= N;
            for (int R = 1; R <= N; ++R) V += (T.NumericData()->Elem(C, R) - M) * (T.NumericData()->Elem(C, R) - M);
            const double m = static_cast<double>(M), sd = N < 3 ? 1 : std::sqrt(static_cast<double>(V / (N - 1)));
            s = sd != 0 ? (s - m) / sd : s - m;
            t = sd != 0 ? (t - m) / sd : t - m;
        }
        Sum += L.DistMode() == TMBLDistMode::mblDistManhattan ? std::fabs(s - t) : (s - t) * (s - t);
    }
    return L.DistMode() == TMBLDistMode::mblDistManhattan ? Sum : std::sqrt(Sum);
}

// Rows by ascending distance, the higher row first among equal ones; Exclude left out.
std::vector<std::pair<double, int>> RefList(const TMemBasedLearner& L, const TDoubleArray& S, int Exclude) {
    std::vector<std::pair<double, int>> V;
    for (int R = 1; R <= L.ModelData().NrOfRows(); ++R)
        if (R != Exclude) V.emplace_back(RefDist(L, S, R), R);
    std::sort(V.begin(), V.end(), [](auto& A, auto& B) { return A.first < B.first || (A.first == B.first && A.second > B.second); });
    return V;
}

struct Applied {
    int Calls = 0, Tag = 0, Result = 99;
    TIntArray Rows;
    TDoubleArray Dist;
    void Hook(TMemBasedLearner& L) {
        L.OnModelApplied = [this](TObject*, int T, const TIntArray& R, const TDoubleArray& D, int E) {
            ++Calls, Tag = T, Rows = R, Dist = D, Result = E;
        };
    }
};

}  // namespace

TEST(MemBasedLearner, NeighboursAndEstimatesMatchBruteForce) {
    for (auto Dist : {TMBLDistMode::mblDistEuclid, TMBLDistMode::mblDistManhattan, TMBLDistMode::mblDistMahalanobis})
        for (auto Scl : {TMBLScalingMode::mblUnscaled, TMBLScalingMode::mblStandardized})
            for (int Exclude : {0, 3, 12}) {
                SCOPED_TRACE(testing::Message() << int(Dist) << int(Scl) << ' ' << Exclude);
                TMemBasedLearner L(nullptr);
                FillRandom(L, 130, 11);
                L.SetDistMode(Dist);
                L.SetScalingMode(Scl);
                L.SetNumNearestNb(7);
                Applied A;
                A.Hook(L);
                const TDoubleArray Sensor0 = {double(L.ModelData().NumericData()->Elem(1, 3)), 0.4 - 2, 2.5, 9, -1, -1};
                const auto Ref = RefList(L, Sensor0, Exclude);
                const double Tol = Scl == TMBLScalingMode::mblStandardized ? 1e-12 : 0;
                for (auto Model : {TMBLLocalModel::mblLMAverage, TMBLLocalModel::mblLMWgtGauss}) {
                    L.SetLocalModel(Model);
                    TDoubleArray S = Sensor0;
                    ASSERT_EQ(L.ApplyModel(S, Exclude, 42), 0);
                    ASSERT_EQ(A.Rows.size(), 100u);
                    for (int K = 0; K < 100; ++K) {
                        EXPECT_EQ(A.Rows[K], Ref[K].second) << K;
                        EXPECT_NEAR(A.Dist[K], Ref[K].first, Tol * (1 + Ref[K].first)) << K;
                    }
                    EXPECT_NEAR(L.CalcDist(Sensor0, 5), RefDist(L, Sensor0, 5), Tol);
                    // Estimates over the 7 nearest; the Gaussian SD over all listed distances.
                    long double Sum = 0, M = 0, V = 0;
                    for (auto& P : Ref) M += P.first;
                    M /= Ref.size();
                    for (auto& P : Ref) V += (P.first - M) * (P.first - M);
                    const double SD = std::sqrt(static_cast<double>(V / (Ref.size() - 1)));
                    for (int Col : {5, 6}) {
                        double W = 0, WY = 0;
                        Sum = 0;
                        for (int K = 0; K < 7; ++K) {
                            const double Y = L.ModelData().Elem(Col, Ref[K].second), Wk = std::exp(-std::pow(Ref[K].first / SD, 2));
                            Sum += Y, W += Wk, WY += Wk * Y;
                        }
                        const double Want = Model == TMBLLocalModel::mblLMAverage ? double(Sum / 7) : WY / W;
                        EXPECT_NEAR(S[Col - 1], Want, 1e-12) << Col;
                    }
                    EXPECT_EQ(S[0], Sensor0[0]);  // inputs untouched
                    EXPECT_EQ(S[3], 9);           // ignored column untouched
                }
                // The lists of every training row include the row itself.
                if (Exclude == 0) {
                    L.CalcNNOfModelData();
                    for (int Row : {1, 7, 130}) {
                        TDoubleArray S(6);
                        for (int C = 1; C <= 6; ++C) S[C - 1] = L.ModelData().NumericData()->Elem(C, Row);
                        const auto R = RefList(L, S, 0);
                        for (int K = 1; K <= 100; ++K) EXPECT_EQ(L.kNNOfModelData(K, Row), R[K - 1].second);
                        EXPECT_NEAR(L.kNNDistOfModelData(100, Row), R[99].first, 1e-12);
                    }
                }
            }
}

TEST(MemBasedLearner, ResultCodesEventsAndClamping) {
    TMemBasedLearner L(nullptr);
    Applied A;
    A.Hook(L);
    L.ModelData().Resize(3, 5);
    for (int R = 1; R <= 5; ++R) L.ModelData().SetElem(1, R, R);
    L.SetVarType(1, mblVarIndep);
    L.SetVarType(3, mblVarTarget);
    L.SetVarType(9, mblVarTarget);  // ignored
    EXPECT_EQ(L.CountIndependentVars(), 1);
    EXPECT_EQ(L.CountTargetVars(), 1);
    EXPECT_EQ(L.VarType(9), mblVarIgnore);
    TDoubleArray Short = {1, 2};
    EXPECT_EQ(L.ApplyModel(Short, 0, 1), -3);
    EXPECT_EQ(Short, TDoubleArray(2, 0.0));
    EXPECT_EQ(A.Calls, 0);
    EXPECT_EQ(L.CalcDist(Short, 1), -1);
    L.SetNumNearestNb(5);
    TDoubleArray S = {2, 7, 7};
    EXPECT_EQ(L.ApplyModel(S, 0, 8), -2);
    EXPECT_EQ(S, TDoubleArray(3, 0.0));
    EXPECT_EQ(A.Calls, 1);
    EXPECT_EQ(A.Tag, 8);
    EXPECT_EQ(TIntArray(A.Rows.begin(), A.Rows.begin() + 6), (TIntArray{2, 3, 1, 4, 5, 0}));
    EXPECT_EQ(A.Dist[99], kBig);
    L.SetNumNearestNb(4);
    S = {2, 7, 7};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
    EXPECT_EQ(A.Calls, 2);
    EXPECT_EQ(A.Rows[1], 3);  // rows 1 and 3 at distance 1: the higher first
    // K clamps to the rows, then to 100, then to 1.
    for (auto [Rows, K, Want] : {std::tuple{1000, 250, 100}, {1000, 0, 1}, {0, -4, 1}, {2, 250, 2}, {2, 1, 1}}) {
        L.ModelData().Resize(3, Rows);
        L.SetNumNearestNb(K);
        EXPECT_EQ(L.NumNearestNb(), Want);
    }
    // A row whose distance is NaN is never listed; with none left the result is -2.
    S = {std::nan(""), 0, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), -2);
    EXPECT_EQ(A.Rows[0], 0);
    // kNN lists cover the rows of their computation only.
    L.CalcNNOfModelData();
    EXPECT_EQ(L.kNNOfModelData(1, 2), 2);
    EXPECT_EQ(L.kNNOfModelData(101, 1), -1);
    L.ModelData().Resize(3, 3);
    EXPECT_EQ(L.kNNOfModelData(1, 3), -1);
    L.ModelData().Resize(3, 1);
    EXPECT_EQ(L.kNNOfModelData(1, 2), -1);
    EXPECT_EQ(L.kNNDistOfModelData(0, 1), -1);
}

TEST(MemBasedLearner, StatisticsFollowTheTable) {
    TMemBasedLearner L(nullptr);
    L.ModelData().Resize(1, 4);  // a resize fires no OnChange: statistics still 0
    L.SetVarType(1, mblVarIndep);
    L.SetScalingMode(TMBLScalingMode::mblStandardized);
    EXPECT_EQ(L.CalcDist({3}, 1), 3);  // mean 0, SD 0: centring on 0
    for (int R = 1; R <= 4; ++R) L.ModelData().SetElem(1, R, 2 * R);  // mean 5, variance 20/3
    EXPECT_DOUBLE_EQ(L.CalcDist({5}, 1), 3 / std::sqrt(20.0 / 3));
    L.ModelData().NumericData()->Fill(7);  // constant: centring only
    EXPECT_EQ(L.CalcDist({9}, 1), 2);
    // Nominal cells read half to even whatever the host's rounding mode.
    L.ModelData().SetMScaleType(1, TMScaleType::stNominal);
    L.ModelData().SetElem(1, 2, 2.4);
    L.SetScalingMode(TMBLScalingMode::mblUnscaled);
    L.SetNumNearestNb(1);
    Applied A;
    A.Hook(L);
    TDoubleArray S = {0};
    std::fesetround(FE_UPWARD);
    L.ApplyModel(S, 0, 0);
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(A.Dist[0], 2);
    int Relayed = 0;
    L.OnPercentDone = [&](TObject* S, double P) { Relayed += S == &L && P == 40; };
    L.ModelData().PercDone(nullptr, 40);
    EXPECT_EQ(Relayed, 1);
}

TEST(MemBasedLearner, MajorityGaussianFallbacksAndRegression) {
    TMemBasedLearner L(nullptr);
    TDataTable& T = L.ModelData();
    // x = 0..9 input; y target; majority over 3 neighbours of x = 0: rows 1, 2, 3.
    T.Resize(2, 10);
    L.SetVarType(1, mblVarIndep);
    L.SetVarType(2, mblVarTarget);
    L.SetLocalModel(TMBLLocalModel::mblLMMajority);
    L.SetNumNearestNb(3);
    // Column SDs 1.26, 1.89 and exactly 2 (a difference of 2 is not within it).
    for (auto [Y, Want] : {std::pair{TDoubleArray{1, 5, 5, 5, 5, 5, 5, 5, 5, 5}, 5.0},
                           {TDoubleArray{1, 5, 9, 5, 5, 5, 5, 5, 5, 5}, 1.0},
                           {TDoubleArray{1, 3, 3, -3, -2, -2, 0, 0, 0, 0}, 3.0}}) {
        for (int R = 1; R <= 10; ++R) T.SetElem(1, R, R - 1), T.SetElem(2, R, Y[R - 1]);
        TDoubleArray S = {0, 0};
        EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
        EXPECT_EQ(S[1], Want);
    }
    TDoubleArray S;
    // Gaussian: all distances equal (SD 0) is the plain average; far-away rows whose
    // weights all underflow weigh relative to the nearest.
    L.SetLocalModel(TMBLLocalModel::mblLMWgtGauss);
    for (int R = 1; R <= 10; ++R) T.SetElem(1, R, 1), T.SetElem(2, R, R);
    S = {0, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
    EXPECT_EQ(S[1], (10 + 9 + 8) / 3.0);
    for (int R = 1; R <= 10; ++R) T.SetElem(1, R, 1e6 + R);
    S = {0, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
    EXPECT_EQ(S[1], 1);
    // Weights that are subnormal (d^2/sd^2 = 743.0 and 743.4) keep one or two significant
    // digits: weighed relative to the nearest instead. Expected value by mpmath (40 digits)
    // from these rows: y = 0 and 1 for the two nearest, exp(-(d2^2 - d1^2)/sd^2) weighting.
    L.SetNumNearestNb(2);
    for (int R = 1; R <= 10; ++R) T.SetElem(1, R, R <= 2 ? 1000 + 0.3 * (R - 1) : 1000 + 12.774179 * (R - 2)), T.SetElem(2, R, R - 1);
    S = {0, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
    EXPECT_NEAR(S[1], 0.3903438984181410, 1e-9);
    // The SD is over the finite distances of the rows taking part (a NaN input is none);
    // fewer than three give 0, the plain average.
    T.Resize(2, 4);
    for (int R = 1; R <= 4; ++R) T.SetElem(1, R, R == 4 ? std::nan("") : R == 3 ? 4 : R), T.SetElem(2, R, 10 * R);
    const double SD = std::sqrt(((1 - 7 / 3.0) * (1 - 7 / 3.0) + (2 - 7 / 3.0) * (2 - 7 / 3.0) + (4 - 7 / 3.0) * (4 - 7 / 3.0)) / 2);
    const double W1 = std::exp(-1 / (SD * SD)), W2 = std::exp(-4 / (SD * SD));
    for (auto [Exclude, Want] : {std::pair{0, (10 * W1 + 20 * W2) / (W1 + W2)}, {3, 15.0}}) {
        S = {0, 0};
        EXPECT_EQ(L.ApplyModel(S, Exclude, 0), 0);
        EXPECT_NEAR(S[1], Want, 1e-12) << Exclude;
    }
    // Regression: y = 2 x1 - 3 x2 + 5 exactly; K < 3 is near singular, still estimated.
    T.Resize(3, 30);
    L.SetVarType(2, mblVarIndep);
    L.SetVarType(3, mblVarTarget);
    L.SetLocalModel(TMBLLocalModel::mblLMRegress);
    std::mt19937 G(5);
    std::normal_distribution<double> N(0, 1);
    for (int R = 1; R <= 30; ++R) {
        const double X1 = N(G), X2 = N(G);
        T.SetElem(1, R, X1), T.SetElem(2, R, X2), T.SetElem(3, R, 2 * X1 - 3 * X2 + 5);
    }
    L.SetNumNearestNb(6);
    S = {0.3, -0.2, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
    EXPECT_NEAR(S[2], 2 * 0.3 + 3 * 0.2 + 5, 1e-10);
    L.SetNumNearestNb(2);
    S = {0.3, -0.2, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), -1);
    EXPECT_TRUE(std::isfinite(S[2]));
    for (int R = 1; R <= 30; ++R) T.SetElem(1, R, R % 2 ? 1.7e308 : -1.7e308);  // the fit overflows: it fails
    L.SetNumNearestNb(5);
    L.SetDistMode(TMBLDistMode::mblDistManhattan);  // finite distances
    S = {0, 0, 0};
    Applied A;
    A.Hook(L);
    EXPECT_EQ(L.ApplyModel(S, 0, 0), -1);
    double Avg = 0;
    for (int K = 0; K < 5; ++K) Avg += T.Elem(3, A.Rows[K]);
    EXPECT_EQ(S[2], Avg / 5);  // the failed fit writes the neighbours' average
}

TEST(MemBasedLearner, ContingencyTable) {
    TMemBasedLearner L(nullptr);
    TDataTable& T = L.ModelData();
    T.Resize(2, 40);
    L.SetVarType(1, mblVarIndep);
    std::mt19937 G(3);
    for (int R = 1; R <= 40; ++R) T.SetElem(1, R, R <= 4 ? 1 : std::uniform_int_distribution<int>(0, 9)(G)), T.SetElem(2, R, 2 + R % 3);
    TInt2DArray Tab = {{7}};
    const TInt2DArray Untouched = Tab;
    EXPECT_EQ(L.CalcContingencyTable(3, 5, Tab), -1);
    EXPECT_EQ(L.CalcContingencyTable(2, 5, Tab), -2);
    EXPECT_EQ(L.CalcContingencyTable(0, 5, Tab), -2);
    T.SetMScaleType(2, TMScaleType::stOrdinal);
    T.SetElem(2, 40, 0);  // values 0..4
    EXPECT_EQ(L.CalcContingencyTable(2, 5, Tab), -4);
    T.SetElem(2, 40, 150);
    EXPECT_EQ(L.CalcContingencyTable(2, 5, Tab), -3);
    T.SetCellState(2, 40, csEmpty);  // invalid: classes 2..4 (the cell's 150 is skipped)
    EXPECT_EQ(Tab, Untouched);
    for (int NumNb : {0, 5, 150}) {
        ASSERT_EQ(L.CalcContingencyTable(2, NumNb, Tab), 0);
        // Brute force: each row's nearest other rows (duplicates make the row itself
        // stand anywhere among those at distance 0).
        TInt2DArray Want(4, TIntArray(4, 0));
        const int Take = std::min(NumNb, 99);
        for (int J = 1; J <= 40; ++J) {
            TDoubleArray S = {double(T.Elem(1, J)), 0};
            const auto Ref = RefList(L, S, J);
            for (int K = 0; K < Take && K < 39; ++K) {
                const int A = int(T.Elem(2, J)), B = int(T.Elem(2, Ref[K].second));
                if (A > 4 || B > 4) continue;
                ++Want[A - 2][B - 2], ++Want[A - 2][3], ++Want[3][B - 2], ++Want[3][3];
            }
        }
        EXPECT_EQ(Tab, Want) << NumNb;
    }
    for (int R = 1; R <= 40; ++R) T.SetCellState(2, R, csNonNumeric);
    EXPECT_EQ(L.CalcContingencyTable(2, 5, Tab), -3);
    // 102 equal rows: each list keeps the 100 highest (rows 1 and 2 lose themselves), and
    // at most 99 neighbours count per row.
    T.Resize(2, 102);
    for (int R = 1; R <= 102; ++R) T.SetElem(1, R, 0), T.SetElem(2, R, 1 + R % 2), T.SetCellState(2, R, 0);
    ASSERT_EQ(L.CalcContingencyTable(2, 150, Tab), 0);
    EXPECT_EQ(L.kNNOfModelData(1, 1), 102);
    EXPECT_EQ(L.kNNOfModelData(100, 1), 3);
    EXPECT_EQ(Tab[2][2], 99 * 102);
}
