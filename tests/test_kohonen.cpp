// TKohonen: training against a plain re-implementation, windows, schedule, abort and
// resume, the best-matching unit, and the standardisation rules.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace qmr;

namespace {

using Rows = std::vector<std::vector<double>>;
constexpr double kMax = std::numeric_limits<double>::max();

void SetRows(TKohonen& K, const Rows& R) {
    TMatrix M(nullptr);
    M.Resize(int(R[0].size()), int(R.size()));
    for (std::size_t r = 0; r < R.size(); ++r)
        for (std::size_t e = 0; e < R[r].size(); ++e) M.SetElem(int(e + 1), int(r + 1), R[r][e]);
    K.SetTrainData(&M);
}

Rows RandomRows(int n, int nin, unsigned seed) {
    std::mt19937 g(seed);
    std::normal_distribution<double> N(1, 3);
    Rows R(n, std::vector<double>(nin));
    for (auto& r : R)
        for (auto& v : r) v = N(g);
    return R;
}

double W(const TKohonen& K, int x, int y, int e) { return double(K.Weights(x, y, e)); }

// The training rule written plainly: weights w[x][y][e], each window unit's distance
// computed afresh from its own weights.
struct RefMap {
    int Sx, Sy, Nin, Nb, Steps;
    bool Cyc;
    double Alpha;
    std::vector<double> w = std::vector<double>(Sx * Sy * Nin);
    double& At(int x, int y, int e) { return w[((x - 1) * Sy + y - 1) * Nin + e]; }
    double Dist(int x, int y, const std::vector<double>& d) {
        double s = 0;
        for (int e = 0; e < Nin; ++e) s += (At(x, y, e) - d[e]) * (At(x, y, e) - d[e]);
        return s;
    }
    void Step(int step, const Rows& R) {
        const double f = step < Steps ? double(Steps - step) / Steps : 0, rate = f * f * Alpha;
        const auto rad = int(Round(f * f * (Nb - 1.0) + 1));
        const int rx = std::max(Cyc && rad >= Sx / 2 ? Sx / 2 - 1 : rad, 0);
        const int ry = std::max(Cyc && rad >= Sy / 2 ? Sy / 2 - 1 : rad, 0);
        for (const auto& d : R) {
            int bx = 0, by = 0;
            double dmin = kMax;
            for (int x = 1; x <= Sx; ++x)
                for (int y = 1; y <= Sy; ++y)
                    if (Dist(x, y, d) < dmin) dmin = Dist(x, y, d), bx = x, by = y;
            for (int i = bx - rx; bx > 0 && i <= bx + rx; ++i)
                for (int j = by - ry; j <= by + ry; ++j) {
                    const int x = Cyc ? (i + Sx - 1) % Sx + 1 : i, y = Cyc ? (j + Sy - 1) % Sy + 1 : j;
                    if (x < 1 || x > Sx || y < 1 || y > Sy) continue;
                    const double h = rate / (std::sqrt(Dist(x, y, d) - dmin) + 1);
                    for (int e = 0; e < Nin; ++e) At(x, y, e) += (d[e] - At(x, y, e)) * h;
                }
        }
    }
};

}  // namespace

// Trainit from a known seed equals the plain rule from the same random weights, bit for
// bit; after StandardizeData Weights reads them back in data units.
TEST(Kohonen, TrainingMatchesThePlainRule) {
    struct Case { int Sx, Sy, Nin, Nb, Steps; bool Cyc; double Alpha; bool Standardize; };
    for (const Case& C : {Case{5, 4, 3, 3, 12, false, 0.8, true}, Case{6, 6, 2, 5, 9, true, 1.0, false},
                          Case{7, 1, 4, 40, 6, true, 0.5, true}, Case{1, 9, 2, 2, 5, false, 2.0, false},
                          Case{9, 3, 1, -4, 7, false, 1.0, false}}) {
        TKohonen K(nullptr);
        Rows R = RandomRows(23, C.Nin, C.Sx * 10 + C.Sy);
        SetRows(K, R);
        K.SetSizeX(C.Sx), K.SetSizeY(C.Sy), K.SetCyclic(C.Cyc), K.SetInitialNeighbors(C.Nb);
        K.SetNrOfTrnSteps(C.Steps), K.SetInitialAlpha(C.Alpha);
        std::vector<double> Mean(C.Nin, 0), Sd(C.Nin, 1);
        for (int e = 0; C.Standardize && e < C.Nin; ++e) {
            K.TrainData()->MeanVar(e + 1, 0, e + 1, 0, Mean[e], Sd[e]);
            Sd[e] = std::sqrt(Sd[e]);
        }
        if (C.Standardize) K.StandardizeData();
        for (std::size_t r = 0; C.Standardize && r < R.size(); ++r)  // train on the matrix as it stands
            for (int e = 0; e < C.Nin; ++e) R[r][e] = double(K.TrainData()->Elem(e + 1, int(r + 1)));
        RefMap Ref{C.Sx, C.Sy, C.Nin, C.Nb, C.Steps, C.Cyc, C.Alpha};
        RandSeed = 1234;
        for (double& v : Ref.w) v = (Random() - 0.5) * 0.2;  // x, y, input order
        for (int s = 1; s < C.Steps; ++s) Ref.Step(s, R);
        RandSeed = 1234;
        K.Trainit();
        for (int x = 1; x <= C.Sx; ++x)
            for (int y = 1; y <= C.Sy; ++y)
                for (int e = 0; e < C.Nin; ++e)
                    ASSERT_NEAR(W(K, x, y, e + 1), Ref.At(x, y, e) * Sd[e] + Mean[e], C.Standardize ? 1e-12 : 0)
                        << C.Sx << "x" << C.Sy << " at " << x << "," << y << "," << e;
    }
}

// Zero weights and one row [1] put the best unit at (1, 1); one step with radius 7
// (f^2 = 0.998) or the given neighbours marks the units it updated.
TEST(Kohonen, WindowsWrapOrClipPerAxis) {
    struct Case { int Sx, Sy; bool Cyc; std::int32_t Nb; const char* Updated; /* x outer, y inner */ };
    constexpr std::int32_t Big = std::numeric_limits<std::int32_t>::max(), Small = -Big - 1;
    for (const Case& C : {Case{10, 1, true, 7, "1111101111"}, Case{10, 1, false, 7, "1111111100"},
                          Case{1, 4, true, 7, "1101"}, Case{3, 3, false, Big, "111111111"},
                          Case{3, 3, true, Big, "100000000"}, Case{3, 2, false, Small, "100000"}}) {
        TKohonen K(nullptr);
        SetRows(K, {{1.0}});
        K.SetSizeX(C.Sx), K.SetSizeY(C.Sy), K.SetCyclic(C.Cyc), K.SetInitialNeighbors(C.Nb), K.SetNrOfTrnSteps(1000);
        K.OnFeedback = [&K](TObject*, double) { K.AbortTraining(); };
        K.ContinueTraining();
        std::string Got;
        for (int x = 1; x <= C.Sx; ++x)
            for (int y = 1; y <= C.Sy; ++y) Got += W(K, x, y, 1) != 0 ? '1' : '0';
        EXPECT_EQ(Got, C.Updated) << C.Sx << "x" << C.Sy << " cyclic " << C.Cyc << " radius " << C.Nb;
    }
}

// Feedback Round(step * 100 / N), halves to even, after steps 1..N-1; an abort leaves the
// map at the next step; from the last step on one step per call with f = 0 (no change).
TEST(Kohonen, FeedbackAbortResumeAndTheEnd) {
    struct Case { std::int32_t Steps; std::vector<double> Want; };
    for (const Case& C : {Case{8, {12, 25, 38, 50, 62, 75, 88}}, Case{1, {100}}, Case{0, {100}}, Case{-5, {100}}}) {
        TKohonen K(nullptr);
        K.SetNrOfTrnSteps(C.Steps);
        std::vector<double> Got;
        K.OnFeedback = [&](TObject* S, double P) { Got.push_back(S == &K ? P : -1); };
        K.Trainit();
        EXPECT_EQ(Got, C.Want) << C.Steps;
    }
    TKohonen K(nullptr);
    SetRows(K, RandomRows(30, 2, 5));
    K.SetSizeX(4);
    std::vector<double> Got;
    K.OnFeedback = [&](TObject*, double P) {
        Got.push_back(P);
        if (Got.size() == 1) K.AbortTraining();
    };
    K.Trainit();  // 200 steps: aborted after step 1
    K.ContinueTraining();
    ASSERT_EQ(Got.size(), 199u);
    EXPECT_EQ(std::tuple(Got[0], Got[1], Got[198]), std::tuple(0, 1, 100));  // steps 1, 2, 199
    const double W4 = W(K, 4, 1, 2);
    K.SetNrOfTrnSteps(2);  // far behind the current step 200
    K.ContinueTraining();
    K.ContinueTraining();
    EXPECT_EQ(std::tuple(Got.size(), Got.back(), W(K, 4, 1, 2)), std::tuple(201u, 10050, W4));
}

// One step of rate 0.125 on a 2 x 2 zero map moves only (1, 1), to 0.125 (the NaN and the
// overflowing row are skipped); ties go to the first unit, x outer, y inner; without a
// finite winner the result is (0, 0, max).
TEST(Kohonen, ApplyItTakesTheFirstMinimum) {
    TKohonen K(nullptr);
    std::int32_t Bx = -1, By = -1;
    double D = -1;
    K.ApplyIt(nullptr, Bx, By, D);
    EXPECT_EQ(std::tuple(Bx, By, D), std::tuple(0, 0, kMax));
    TVector V(nullptr);
    K.ApplyIt(&V, Bx, By, D);  // untrained 1 x 1
    EXPECT_EQ(std::tuple(Bx, By), std::tuple(1, 1));
    SetRows(K, {{1.0}, {std::nan("")}, {1e300}});
    K.SetSizeX(2), K.SetSizeY(2), K.SetInitialNeighbors(-3), K.SetInitialAlpha(0.5), K.SetNrOfTrnSteps(2);
    K.ContinueTraining();  // a new map is at step 1: f = 0.5
    struct Case { double In; std::int32_t Bx, By; double D; };
    for (const Case& C : {Case{1, 1, 1, 0.875 * 0.875}, Case{-1, 1, 2, 1}, Case{0.0625, 1, 1, 0.0625 * 0.0625},
                          Case{NAN, 0, 0, kMax}, Case{INFINITY, 0, 0, kMax}, Case{1e200, 0, 0, kMax}}) {
        V.SetElem(1, C.In);
        K.ApplyIt(&V, Bx, By, D);
        EXPECT_EQ(std::tuple(Bx, By, D), std::tuple(C.Bx, C.By, C.D)) << C.In;
    }
    EXPECT_EQ(std::tuple(W(K, 2, 2, 1), W(K, 3, 1, 1), W(K, 1, 1, 2)), std::tuple(0, 0, 0));  // 2 outside
}

// Two clusters beside a constant column of 1000 (centred): whatever the seed, they map to
// disjoint units at small distances.
TEST(Kohonen, SeparatesTwoClustersBesideAConstantColumn) {
    Rows R;
    std::mt19937 g(3);
    std::uniform_real_distribution<double> U(-0.5, 0.5);
    for (int i = 0; i < 40; ++i) R.push_back({(i % 2) * 10 + U(g), (i % 2) * 10 + U(g), 1000});
    for (std::int32_t Seed : {1, 77, -5, 123456}) {
        TKohonen K(nullptr);
        SetRows(K, R);
        K.SetSizeX(4), K.SetSizeY(3), K.SetNrOfTrnSteps(50), K.SetInitialNeighbors(3);
        K.StandardizeData();
        EXPECT_EQ(K.TrainData()->Elem(3, 7), 0);
        RandSeed = Seed;
        K.Trainit();
        std::set<std::pair<int, int>> Units[2];
        TVector V(nullptr);
        V.SetNrOfElem(3);
        for (int i = 0; i < 40; ++i) {
            V.CopyFromArray(R[i], 1);
            std::int32_t Bx, By;
            double D;
            K.ApplyIt(&V, Bx, By, D);
            EXPECT_LT(D, 0.1) << Seed;
            EXPECT_EQ(W(K, Bx, By, 3), 1000);
            Units[i % 2].insert({Bx, By});
        }
        for (const auto& P : Units[0]) EXPECT_EQ(Units[1].count(P), 0u) << Seed;
    }
}

// Positive sizes (even the current one) zero the weights, others are ignored; new data or
// inputs reset the standardisation; the handler may change sizes and data between steps.
TEST(Kohonen, SettersReplaceWeightsAndData) {
    TKohonen K(nullptr);
    SetRows(K, {{1, 50}, {3, 70}, {5, 60}});
    K.StandardizeData();  // column 2: mean 60, deviation 10
    K.SetSizeX(3);
    K.Trainit();
    K.SetSizeX(0), K.SetSizeY(-2), K.SetNrOfInSens(0), K.SetTrainData(nullptr);
    EXPECT_EQ(std::tuple(K.SizeX(), K.SizeY(), K.NrOfInSens()), std::tuple(3, 1, 2));
    EXPECT_NE(W(K, 3, 1, 2), 60);
    K.SetSizeY(1);
    EXPECT_EQ(W(K, 3, 1, 2), 60);
    K.SetTrainData(K.TrainData());  // keeps the standardised data, resets mean and deviation
    EXPECT_EQ(std::tuple(K.TrainData()->Elem(1, 1), W(K, 3, 1, 2)), std::tuple(-1, 0));
    K.SetNrOfInSens(4);
    EXPECT_EQ(std::tuple(K.TrainData()->NrOfColumns(), K.TrainData()->NrOfRows(), K.TrainData()->Elem(1, 1)),
              std::tuple(4, 3, 0));
    K.OnFeedback = [&K](TObject*, double P) {
        if (P == 1) K.SetSizeX(7), SetRows(K, RandomRows(5, 3, 9));
    };
    K.Trainit();
    EXPECT_EQ(std::tuple(K.SizeX(), K.NrOfInSens()), std::tuple(7, 3));
    EXPECT_NE(W(K, 7, 1, 3), 0);
}
