// Clustering and nearest neighbours: brute-force neighbour lists, plain-rescan merges,
// linkage heights from scipy, k-means against a plain Lloyd loop, progress and abort.
#include "qmr_test_support.h"

#include "analysis/QMR_math2_detail.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace qmr::test {
namespace {

using Rows = std::vector<std::vector<double>>;

void Load(TMatrix& M, const Rows& R) {
    M.Resize(R.empty() ? 0 : static_cast<std::int32_t>(R[0].size()), static_cast<std::int32_t>(R.size()));
    for (std::size_t r = 0; r < R.size(); ++r)
        for (std::size_t c = 0; c < R[r].size(); ++c) M.SetElem(int(c + 1), int(r + 1), R[r][c]);
}

void SetVec(TVector& V, std::initializer_list<double> X) {
    V.SetNrOfElem(int(X.size()));
    for (int i = 0; const double x : X) V.SetElem(++i, x);
}

// Small integer coordinates: many equal distances, so the tie rules are exercised.
Rows IntRows(int N, int P, unsigned Seed, int Range = 4) {
    std::mt19937 G(Seed);
    std::uniform_int_distribution<int> U(0, Range);
    Rows R(static_cast<std::size_t>(N), std::vector<double>(static_cast<std::size_t>(P)));
    for (auto& Row : R)
        for (double& V : Row) V = U(G);
    return R;
}

double SqDist(const std::vector<double>& A, const std::vector<double>& B) {
    double S = 0;
    for (std::size_t c = 0; c < A.size(); ++c) S += (A[c] - B[c]) * (A[c] - B[c]);
    return S;
}

// Brute force: rows Lo..Hi sorted by (distance, later row first), first k.
std::vector<std::pair<int, double>> Nearest(const Rows& R, const std::vector<double>& Q, int Lo, int Hi, int k) {
    std::vector<std::pair<int, double>> L;
    for (int r = Lo; r <= Hi; ++r) L.push_back({r, std::sqrt(SqDist(R[std::size_t(r - 1)], Q))});
    std::sort(L.begin(), L.end(), [](auto A, auto B) { return A.second < B.second || (A.second == B.second && A.first > B.first); });
    L.resize(std::size_t(k));
    return L;
}

TEST(Math2Cluster, NearestNeighboursMatchBruteForce) {
    const Rows R = IntRows(300, 3, 1);
    TMatrix M(nullptr), NN(nullptr);
    Load(M, R);
    TVector Q(nullptr);
    SetVec(Q, {2, 2, 2});
    // The list in NN against (row, distance) pairs; the row after it untouched.
    auto Check = [&NN](const std::vector<std::pair<int, double>>& Want, double After) {
        for (int i = 1; i <= int(Want.size()); ++i) {
            EXPECT_EQ(NN.Elem(1, i), Want[std::size_t(i - 1)].first) << "row " << i;
            EXPECT_EQ(NN.Elem(2, i), Want[std::size_t(i - 1)].second) << "row " << i;
        }
        EXPECT_EQ(NN.Elem(1, int(Want.size()) + 1), After);
    };
    // (k, LoRow, HiRow) -> expected range and k; k held to 100 and to the rows scanned.
    // k = 50 ends the list among rows at distance sqrt(3), whose square rounds below 3.
    const struct { int k, Lo, Hi, ELo, EHi, Ek; } Cases[] = {
        {10, 1, 300, 1, 300, 10}, {150, 0, 0, 1, 1, 1}, {150, 1, 300, 1, 300, 100}, {5, 280, 40, 40, 280, 5},
        {20, 295, 999, 295, 300, 6}, {0, 1, 300, 1, 1, 0}, {50, 1, 300, 1, 300, 50}};
    for (const auto& C : Cases) {
        NN.ResizeAndClear(2, 110);
        NN.SetElem(1, C.Ek + 1, -7);
        FindNearestNeighbors(C.k, M, C.Lo, C.Hi, Q, NN, nullptr);
        SCOPED_TRACE(C.k);
        Check(Nearest(R, {2, 2, 2}, C.ELo, C.EHi, C.Ek), -7);
    }
    // Distances whose squares are subnormal: the same list.
    Rows Tiny = R;
    for (auto& Row : Tiny)
        for (double& V : Row) V *= 1e-160;
    TMatrix MT(nullptr);
    Load(MT, Tiny);
    SetVec(Q, {2e-160, 2e-160, 2e-160});
    NN.ResizeAndClear(2, 31);
    FindNearestNeighbors(30, MT, 1, 300, Q, NN, nullptr);
    Check(Nearest(Tiny, {2e-160, 2e-160, 2e-160}, 1, 300, 30), 0);
    // The caller's distance: rows as given (also beyond the matrix); a NaN never enters,
    // the list pads with row 0; k held to the 4 rows.
    NN.ResizeAndClear(2, 5);
    FindNearestNeighbors(5, M, 299, 302, Q, NN, [](std::int32_t ix) { return ix == 300 ? NaN : ix % 2; });
    Check({{302, 0}, {301, 1}, {299, 1}, {0, Inf}}, 0);
    EXPECT_EQ(NN.Elem(2, 5), 0);
    // A query longer than the rows: the rows read 0 there.
    SetVec(Q, {2, 2, 2, 3});
    FindNearestNeighbors(1, M, 1, 300, Q, NN, nullptr);
    const auto& Near = R[std::size_t(Nearest(R, {2, 2, 2}, 1, 300, 1)[0].first - 1)];
    EXPECT_EQ(NN.Elem(2, 1), std::sqrt(SqDist(Near, {2, 2, 2}) + 9));
}

TEST(Math2Cluster, MeanDistanceKNNCountsTheRowItself) {
    const Rows R = IntRows(60, 2, 2);
    TMatrix M(nullptr);
    Load(M, R);
    const struct { int k, Lo, Hi, ELo, EHi, Ek; } Cases[] = {
        {4, 1, 60, 1, 60, 4}, {1, 1, 60, 1, 60, 1}, {0, 50, 10, 10, 50, 1}, {99, 1, 60, 1, 60, 50}, {9, 0, 3, 1, 3, 3}};
    for (const auto& C : Cases) {
        TVector D(nullptr);
        D.SetNrOfElem(70);
        D.Fill(-1);
        MeanDistanceKNN(M, C.k, C.Lo, C.Hi, D);
        EXPECT_EQ(D.NrOfElem(), 70);
        for (int r = 1; r <= 70; ++r) {
            double Want = -1;
            if (r >= C.ELo && r <= C.EHi) {
                const auto L = Nearest(R, R[std::size_t(r - 1)], C.ELo, C.EHi, C.Ek);
                Want = 0;
                for (const auto& [Row, Dist] : L) Want += Dist;
                Want /= C.Ek;
            }
            EXPECT_DOUBLE_EQ(D.Elem(r), Want) << C.k << " row " << r;
        }
    }
}

TEST(Math2Cluster, EstimateByKNNWeightings) {
    // Targets: a quadratic of the two features, so the local quadratic fit is exact.
    const Rows R = IntRows(400, 2, 3, 20);
    TMatrix M(nullptr);
    Load(M, R);
    TVector T(nullptr), Q(nullptr);
    SetVec(Q, {7.5, 11.25});
    auto F = [](double x, double y) { return 1 + 2 * x - y + 0.5 * x * x + 0.25 * y * y - 0.3 * x * y; };
    T.SetNrOfElem(400);
    for (int r = 1; r <= 400; ++r) T.SetElem(r, F(R[std::size_t(r - 1)][0], R[std::size_t(r - 1)][1]));
    double E = 0, MD = 0;
    // Beyond 100 too (no hidden limit); KTie ends the list between two rows at one
    // distance with different targets, so the later row must be the one taken.
    const auto All = Nearest(R, {7.5, 11.25}, 1, 400, 400);
    int KTie = 140;
    while (KTie < 399 && (All[std::size_t(KTie - 1)].second != All[std::size_t(KTie)].second ||
           T.Elem(All[std::size_t(KTie - 1)].first) == T.Elem(All[std::size_t(KTie)].first)))
        ++KTie;
    ASSERT_LT(KTie, 399);
    for (const int k : {15, 150, KTie}) {
        const auto L = Nearest(R, {7.5, 11.25}, 1, 400, k);
        double dm = 0, Avg = 0, Sg = 0, SgT = 0, Sl = 0, SlT = 0;
        std::vector<double> Ts;
        for (const auto& [Row, D] : L) dm += D, Ts.push_back(T.Elem(Row));
        dm /= k;
        for (std::size_t i = 0; i < L.size(); ++i) {
            const double g = std::exp(-std::pow(1.5 * L[i].second / dm, 2)), l = 1 - L[i].second / dm / 1.5;
            Avg += Ts[i] / k, Sg += g, SgT += g * Ts[i];
            if (l > 0) Sl += l, SlT += l * Ts[i];
        }
        std::sort(Ts.begin(), Ts.end());
        const double Med = k % 2 ? Ts[std::size_t(k / 2)] : (Ts[std::size_t(k / 2 - 1)] + Ts[std::size_t(k / 2)]) / 2;
        const std::pair<TKnnWMode, double> Modes[] = {{TKnnWMode::kwmAverage, Avg}, {TKnnWMode::kwmGauss, SgT / Sg},
                                                      {TKnnWMode::kwmLinear, SlT / Sl}, {TKnnWMode::kwmMedian, Med},
                                                      {TKnnWMode::kwmBiQuad, F(7.5, 11.25)}};
        for (const auto& [Mode, Want] : Modes) {
            EstimateByKNN(M, T, k, Mode, 1.5, Q, E, MD);
            EXPECT_NEAR(E, Want, 1e-9 * std::fabs(Want)) << k << " mode " << int(Mode);
            EXPECT_DOUBLE_EQ(MD, dm);
        }
    }
    // k < 1. One feature (terms 1, x, x^2) at 0, 1, 3, 6 with targets 1 + x - x^2 / 2: three
    // neighbours of 0.5 fit exactly, two are too few.
    EstimateByKNN(M, T, 0, TKnnWMode::kwmAverage, 1, Q, E, MD);
    EXPECT_EQ(E, 0);
    EXPECT_EQ(MD, 0);
    Load(M, {{0}, {1}, {3}, {6}});
    SetVec(T, {1, 1.5, -0.5, -11});
    SetVec(Q, {0.5});
    EstimateByKNN(M, T, 3, TKnnWMode::kwmBiQuad, 1, Q, E, MD);
    EXPECT_NEAR(E, 1.375, 1e-12);
    EstimateByKNN(M, T, 2, TKnnWMode::kwmBiQuad, 1, Q, E, MD);
    EXPECT_EQ(E, 0);
    // Every weight underflowed: the mean target at the smallest distance. All at distance 0:
    // MeanDist 0 and equal weights.
    Load(M, {{0}, {1}, {1}, {3}});
    SetVec(T, {10, 20, 30, 40});
    EstimateByKNN(M, T, 4, TKnnWMode::kwmGauss, 1e200, Q, E, MD);
    EXPECT_EQ(E, 20);  // rows 1, 2, 3 at 0.5, not row 4 at 2.5
    Load(M, {{2}, {2}, {2}});
    Q.SetElem(1, 2);
    EstimateByKNN(M, T, 3, TKnnWMode::kwmGauss, 1, Q, E, MD);
    EXPECT_EQ(MD, 0);
    EXPECT_DOUBLE_EQ(E, 20);
}

// The plain merge loop: closest pair by full rescan from +infinity, first pair on ties.
Rows PlainCenters(Rows R, int NumCenters) {
    std::vector<double> W(R.size(), 1);
    while (int(R.size()) > NumCenters) {
        double Best = Inf;
        std::size_t I = 0, J = 1;
        for (std::size_t i = 0; i < R.size(); ++i)
            for (std::size_t j = i + 1; j < R.size(); ++j)
                if (SqDist(R[i], R[j]) < Best) Best = SqDist(R[i], R[j]), I = i, J = j;
        for (std::size_t c = 0; c < R[I].size(); ++c) R[I][c] = (W[I] * R[I][c] + W[J] * R[J][c]) / (W[I] + W[J]);
        W[I] += W[J];
        R[J] = R.back(), W[J] = W.back();
        R.pop_back(), W.pop_back();
    }
    return R;
}

TEST_F(ProgressFixture, FindCentersMatchesPlainMergeAndLeavesMatUnchanged) {
    TMatrix M(nullptr), C(nullptr);
    // Small coordinates (many ties), wide ones (few), and seven rows whose last two are
    // the closest pair and where the merged rows 2, 3 come nearer to row 1 than row 4 was.
    const Rows Pull = {{0, 0, 0}, {-3, 9.6, 0}, {3, 9.6, 0}, {0, -10, 0}, {100, 100, 0}, {200, 200, 0}, {200, 201, 0}};
    for (const Rows& R : {IntRows(80, 3, 4), IntRows(80, 3, 9, 1000), Pull}) {
        Load(M, R);
        const std::string Crc = M.CRCofData();
        const int n = int(R.size());
        const struct { int Lo, Hi, N; } Cases[] = {{1, 80, 7}, {70, 11, 12}, {1, 80, 1}, {78, 0, 5}, {1, 80, 80}, {1, 80, 2}, {1, 80, 4}, {1, 80, 6}};
        for (const auto& Cs : Cases) {
            const int A = std::clamp(Cs.Lo, 1, n), B = std::clamp(Cs.Hi, 1, n), Lo = std::min(A, B), Hi = std::max(A, B);
            const Rows Want = PlainCenters(Rows(R.begin() + Lo - 1, R.begin() + Hi), Cs.N);
            C.ResizeAndClear(3, 90);
            const double Before = ProcStat;
            double MD = -1;
            FindCenters(M, Cs.Lo, Cs.Hi, Cs.N, C, MD);
            EXPECT_EQ(ProcStat - Before, double(Hi - Lo + 1 - int(Want.size())));
            double WantMD = 0;
            for (std::size_t s = 0; s < Want.size(); ++s) {
                double Near = Inf;
                for (std::size_t t = 0; t < Want.size(); ++t)
                    if (t != s) Near = std::min(Near, std::sqrt(SqDist(Want[s], Want[t])));
                if (Want.size() > 1) WantMD += Near / double(Want.size());
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(C.Elem(c + 1, int(s + 1)), Want[s][std::size_t(c)]) << Cs.N << " " << s;
            }
            EXPECT_NEAR(MD, WantMD, 1e-12 * WantMD) << Cs.N;
            EXPECT_EQ(C.Elem(1, int(Want.size()) + 1), 0);
        }
        EXPECT_EQ(M.CRCofData(), Crc);
    }
    EXPECT_FALSE(std::filesystem::exists("MAT.$$$"));
    // No centre: Centers untouched, MeanDist 0, no step.
    double MD = 5;
    C.Fill(9);
    const double Before = ProcStat;
    FindCenters(M, 1, 80, 0, C, MD);
    EXPECT_EQ(MD, 0);
    EXPECT_EQ(C.Elem(1, 1), 9);
    EXPECT_EQ(ProcStat, Before);
    // NaN rows: the first pair merges; a centre whose every distance is NaN keeps NaN.
    Load(M, {{NaN}, {NaN}, {NaN}});
    FindCenters(M, 1, 3, 2, C, MD);
    EXPECT_TRUE(std::isnan(C.Elem(1, 1)) && std::isnan(C.Elem(1, 2)) && std::isnan(MD));
}

// Plain Lloyd passes with the same rules, for comparison.
double PlainKMeans(const Rows& R, Rows& C, std::vector<int>& Cl) {
    const int K = int(C.size());
    Cl.assign(R.size(), 0);
    for (int Pass = 0;; ++Pass) {
        bool Changed = Pass == 0;
        for (std::size_t i = 0; i < R.size(); ++i) {
            int Best = 0;
            for (int j = 1; j < K; ++j)
                if (SqDist(R[i], C[std::size_t(j)]) < SqDist(R[i], C[std::size_t(Best)])) Best = j;
            Changed |= Cl[i] != Best;
            Cl[i] = Best;
        }
        if (!Changed) break;
        Rows S(C.size(), std::vector<double>(R[0].size(), 0));
        std::vector<int> N(C.size(), 0);
        for (std::size_t i = 0; i < R.size(); ++i) {
            ++N[std::size_t(Cl[i])];
            for (std::size_t c = 0; c < R[i].size(); ++c) S[std::size_t(Cl[i])][c] += R[i][c];
        }
        for (std::size_t j = 0; j < C.size(); ++j)
            for (std::size_t c = 0; c < S[j].size(); ++c) C[j][c] = N[j] ? S[j][c] / N[j] : 0;
    }
    double W = 0;
    for (std::size_t i = 0; i < R.size(); ++i) W += SqDist(R[i], C[std::size_t(Cl[i])]);
    return W;
}

TEST_F(ProgressFixture, KMeansMatchesPlainLloydAndRenumbersBySize) {
    const Rows R = IntRows(700, 3, 5, 3);
    TMatrix M(nullptr), C(nullptr);
    Load(M, R);
    TIntVector Cl(nullptr), Sz(nullptr);
    Cl.SetNrOfElem(705);
    for (int i = 1; i <= 705; ++i) Cl.SetElem(i, 1);  // a reused vector must not stop pass 1
    std::vector<int> WantCl;
    Rows WantC(R.begin(), R.begin() + 6);
    const double W = PlainKMeans(R, WantC, WantCl);
    const double Got = kMeansClustering(M, 0, 0, 6, 0, C, Cl, Sz);
    EXPECT_NEAR(Got, W, 1e-9 * W);
    ASSERT_EQ(C.NrOfRows(), 6);
    EXPECT_EQ(Cl.NrOfElem(), 700);
    std::vector<int> Size(6, 0);
    for (int i : WantCl) ++Size[std::size_t(i)];
    std::vector<int> Order(6);
    std::iota(Order.begin(), Order.end(), 0);
    std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return Size[std::size_t(A)] > Size[std::size_t(B)]; });
    for (int j = 0; j < 6; ++j) {
        const auto Old = std::size_t(Order[std::size_t(j)]);
        EXPECT_EQ(Sz.Elem(j + 1), Size[Old]);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(C.Elem(c + 1, j + 1), WantC[Old][std::size_t(c)]);
        for (std::size_t i = 0; i < 700; ++i)
            if (std::size_t(WantCl[i]) == Old) {
                ASSERT_EQ(Cl.Elem(int(i + 1)), j + 1) << i;
            }
    }
    // Every object its own cluster; a duplicate row joins the lower centre, leaving an empty
    // centre of zeros at the end.
    Load(M, {{1, 1}, {4, 0}, {1, 1}, {9, 9}});
    EXPECT_EQ(kMeansClustering(M, 0, 0, 4, C, Cl), 0);
    EXPECT_EQ(Cl.Elem(1), 1);
    EXPECT_EQ(Cl.Elem(3), 1);
    EXPECT_EQ(C.Elem(1, 4), 0);
    EXPECT_EQ(C.Elem(2, 4), 0);
    // Objects halfway between the two seeds join the lower one (31 of them: whole vector
    // lanes and a tail): centre 1 = 31/32, result (31/32)^2 + 31/32^2.
    Rows Half(33, {1});
    Half[0] = {0}, Half[1] = {2};
    Load(M, Half);
    EXPECT_EQ(kMeansClustering(M, 0, 0, 2, C, Cl), 0.96875);
    EXPECT_EQ(C.Elem(1, 1), 0.96875);
    EXPECT_EQ(Cl.Elem(33), 1);
    // Seeds drawn from the platform generator.
    Load(M, R);
    RandSeed = 12345;
    std::vector<int> Drawn;
    for (int j = 0; j < 3; ++j) Drawn.push_back(Random(700));
    Rows Got3, Want3;
    for (int d : Drawn) Want3.push_back(R[std::size_t(d)]);
    PlainKMeans(R, Want3, WantCl);
    kMeansClustering(M, 0, 0, 3, 12345, C, Cl, Sz);
    for (int j = 1; j <= 3; ++j) Got3.push_back({double(C.Elem(1, j)), double(C.Elem(2, j)), double(C.Elem(3, j))});
    std::sort(Got3.begin(), Got3.end());
    std::sort(Want3.begin(), Want3.end());
    EXPECT_EQ(Got3, Want3);
}

TEST_F(ProgressFixture, KMeansErrorsAbortAndPassLimit) {
    TMatrix M(nullptr), C(nullptr);
    TIntVector Cl(nullptr), Sz(nullptr);
    Load(M, {{0}, {1}, {10}, {11}, {12}});
    C.Resize(4, 4);
    auto Raises = [&](int K, const char* What) {
        try {
            kMeansClustering(M, 0, 0, K, 0, C, Cl, Sz);
            ADD_FAILURE() << K;
        } catch (const EQMRMath2Error& E) {
            EXPECT_STREQ(E.what(), What);
        }
    };
    Raises(0, "kMeansClustering: number of clusters must be positive");
    Raises(6, "kMeansClustering: number of clusters is greater than number of objects");
    EXPECT_EQ(C.NrOfColumns(), 4);  // nothing changed
    // Abort after pass 1, and after pass 3 (the one that changes nothing): result 0,
    // nothing renumbered (seed rows 1, 2; sizes 1, 4 after pass 1, then 2, 3).
    static int AbortPass;
    const struct { int Pass, Size1, Size2; double C12; } Aborts[] = {{1, 1, 4, 8.5}, {3, 2, 3, 11}};
    for (const auto& A : Aborts) {
        AbortPass = A.Pass;
        ProcStat = 0;
        MathFeedBackProc = [](double P) { AbortMathProc = P == AbortPass; };
        EXPECT_EQ(kMeansClustering(M, 0, 0, 2, 0, C, Cl, Sz), 0) << A.Pass;
        EXPECT_EQ(ProcStat, A.Pass);
        EXPECT_EQ(Sz.Elem(1), A.Size1);
        EXPECT_EQ(Sz.Elem(2), A.Size2);
        EXPECT_EQ(C.Elem(1, 2), A.C12);
    }
    // A host that moves an object back and forth at every pass: pass 1001 raises after
    // storing its results.
    AbortMathProc = false;
    static TMatrix* Moving;
    Moving = &M;
    MathFeedBackProc = [](double P) { Moving->SetElem(1, 1, std::fmod(P, 2) == 0 ? 0 : 20); };
    ProcStat = 0;
    Raises(2, "kMeansClustering: max. number of iterations exceeded");
    EXPECT_EQ(ProcStat, 1001);
    EXPECT_EQ(Sz.Elem(1) + Sz.Elem(2), 5);
    EXPECT_EQ(kMeansEstimatedSteps(1, 1, 1), 20);
    EXPECT_EQ(kMeansEstimatedSteps(100000, 8, 16), 172);  // 172.2022 (Python)
    EXPECT_EQ(kMeansEstimatedSteps(5000, 10, 3), 20);     // -27.0
    EXPECT_EQ(kMeansEstimatedSteps(-4, 1, 1), 20);        // no real root
    EXPECT_EQ(CalcFishQ(2, 0, 0, 0), 4e6);
}

// The plain O(n^3) clustering with the same Lance-Williams arithmetic.
void PlainAgglom(const TMatrix& M, TDistMode Mode, TClusterMethod Meth, double Alpha, std::vector<int>& Dend,
                 std::vector<double>& Heights) {
    const int n = M.NrOfRows();
    const auto N = static_cast<std::size_t>(n);
    std::vector<std::vector<double>> D(N, std::vector<double>(N));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) D[std::size_t(i)][std::size_t(j)] = double(M.DistanceOfObjects(Mode, i + 1, j + 1));
    std::vector<int> Id(N), Sz(N, 1);
    std::iota(Id.begin(), Id.end(), 1);
    std::vector<bool> Act(N, true);
    for (int f = 1; f < n; ++f) {
        // From +infinity, strictly smaller wins; nothing smaller: the first pair.
        const std::size_t None = std::size_t(n);
        std::size_t g = None, h = None, Fg = None, Fh = None;
        double Best = Inf;
        for (std::size_t i = 0; i < std::size_t(n); ++i)
            for (std::size_t j = i + 1; j < std::size_t(n); ++j) {
                if (!Act[i] || !Act[j]) continue;
                if (Fg == None) Fg = i, Fh = j;
                if (D[i][j] < Best) Best = D[i][j], g = i, h = j;
            }
        if (g == None) g = Fg, h = Fh;
        const double Dgh = D[g][h], ng = Sz[g], nh = Sz[h];
        for (std::size_t i = 0; i < std::size_t(n); ++i) {
            if (!Act[i] || i == g || i == h) continue;
            const double a = D[g][i], b = D[h][i], ni = Sz[i];
            double New = 0;
            switch (Meth) {
                case TClusterMethod::cmSingleLink: New = a < b ? a : b; break;
                case TClusterMethod::cmCompleteLink: New = a > b ? a : b; break;
                case TClusterMethod::cmWard: New = ((ng + ni) * a + (nh + ni) * b - ni * Dgh) / (ng + nh + ni); break;
                case TClusterMethod::cmAvgLink: New = (a + b) / 2; break;
                case TClusterMethod::cmFlexLink: New = Alpha * (a + b) + (1 - 2 * Alpha) * Dgh; break;
                case TClusterMethod::cmUpgma: New = (ng * a + nh * b) / (ng + nh); break;
            }
            D[h][i] = D[i][h] = New;
        }
        Dend.insert(Dend.end(), {Id[g], Id[h], n + f});
        Heights.push_back(Dgh);
        Id[h] = n + f, Sz[h] += Sz[g], Act[g] = false;
    }
}

struct TAgglomRun {
    TIntMatrix Dend{nullptr};
    TVector Dist{nullptr}, Pos{nullptr};
    std::vector<double> Percent;
    int Run(TMatrix& M, TDistMode Mode, TClusterMethod Meth, double Alpha = 0.5, int AbortAt = 0) {
        return AgglomClustering(nullptr, M, Mode, Meth, Alpha, Dend, Dist, Pos,
                                [this, AbortAt](TObject*, double P, double) {
                                    Percent.push_back(P);
                                    if (int(Percent.size()) == AbortAt + 1) AbortMathProc = true;
                                },
                                nullptr);
    }
};

TEST_F(ProgressFixture, AgglomClusteringMatchesPlainRescan) {
    // Many equal distances; then also rows with a NaN coordinate (their distances never
    // win) and Alpha 3, held to 1.
    TMatrix M(nullptr);
    Rows R = IntRows(45, 2, 6, 5);
    const struct { int NaNs; double Alpha, Held; } Sets[] = {{0, 0.7, 0.7}, {6, 3, 1}};
    auto Same = [](double A, double B) { return A == B || (std::isnan(A) && std::isnan(B)); };
    for (const auto& S : Sets) {
        for (int i = 0; i < S.NaNs; ++i) R[std::size_t(7 * i + 3)][std::size_t(i % 2)] = NaN;
        Load(M, R);
        for (int Meth = 0; Meth < 6; ++Meth)
            for (const TDistMode Mode : {TDistMode::dmEuclid, TDistMode::dmManhattan, TDistMode::dmEuclidSqr}) {
                const auto Method = static_cast<TClusterMethod>(Meth);
                TAgglomRun A;
                ASSERT_EQ(A.Run(M, Mode, Method, S.Alpha), 0);
                std::vector<int> Dend;
                std::vector<double> H;
                PlainAgglom(M, Mode, Method, S.Held, Dend, H);
                for (int f = 1; f <= 44; ++f) {
                    for (int c = 1; c <= 3; ++c)
                        ASSERT_EQ(A.Dend.Elem(c, f), Dend[std::size_t(3 * (f - 1) + c - 1)]) << Meth << " step " << f;
                    ASSERT_TRUE(Same(A.Dist.Elem(f), H[std::size_t(f - 1)])) << Meth << " step " << f;
                }
                // Positions: every leaf a distinct place, each merge at the mean of its parts.
                std::vector<double> Leaf;
                for (int r = 1; r <= 45; ++r) Leaf.push_back(A.Pos.Elem(r));
                std::sort(Leaf.begin(), Leaf.end());
                for (int r = 1; r <= 45; ++r) EXPECT_EQ(Leaf[std::size_t(r - 1)], r);
                for (int f = 1; f <= 44; ++f)
                    EXPECT_EQ(A.Pos.Elem(45 + f), (A.Pos.Elem(A.Dend.Elem(1, f)) + A.Pos.Elem(A.Dend.Elem(2, f))) / 2);
            }
    }
}

TEST_F(ProgressFixture, AgglomClusteringHeightsAndExample) {
    // Linkage heights of scipy.cluster.hierarchy.linkage (scipy 1.10) for these six points:
    // single, complete, weighted (= average link), average (= UPGMA); Ward on squared
    // distances gives scipy's Ward heights squared.
    TMatrix M(nullptr);
    Load(M, {{0, 0}, {1, 0}, {0, 2}, {4, 4}, {5, 5}, {9, 1}});
    const struct { TClusterMethod Meth; TDistMode Mode; bool Square; double H[5]; } Cases[] = {
        {TClusterMethod::cmSingleLink, TDistMode::dmEuclid, false, {1.0, 1.4142135623730951, 2.0, 4.47213595499958, 5.656854249492381}},
        {TClusterMethod::cmCompleteLink, TDistMode::dmEuclid, false, {1.0, 1.4142135623730951, 2.23606797749979, 5.830951894845301, 9.055385138137417}},
        {TClusterMethod::cmAvgLink, TDistMode::dmEuclid, false, {1.0, 1.4142135623730951, 2.118033988749895, 5.592152749810058, 7.275503181423271}},
        {TClusterMethod::cmFlexLink, TDistMode::dmEuclid, false, {1.0, 1.4142135623730951, 2.118033988749895, 5.592152749810058, 7.275503181423271}},
        {TClusterMethod::cmUpgma, TDistMode::dmEuclid, false, {1.0, 1.4142135623730951, 2.118033988749895, 5.73902235810593, 7.532166833782213}},
        {TClusterMethod::cmWard, TDistMode::dmEuclidSqr, true, {1.0, 1.4142135623730951, 2.3804761428476167, 6.582805886043833, 10.847426730181986}}};
    for (const auto& C : Cases) {
        TAgglomRun A;
        ASSERT_EQ(A.Run(M, C.Mode, C.Meth, 0.2), 0);  // Alpha 0.2 is held to 0.5: average link
        std::vector<double> H;
        for (int f = 1; f <= 5; ++f) H.push_back(A.Dist.Elem(f));
        std::sort(H.begin(), H.end());
        for (int f = 0; f < 5; ++f) EXPECT_NEAR(H[std::size_t(f)], C.Square ? C.H[f] * C.H[f] : C.H[f], 1e-12) << int(C.Meth);
    }
    // Three rows at 0, 1 and 5: rows (1, 2, 4) and (4, 3, 5), leaves 2, 1, 3; progress.
    Load(M, {{0}, {1}, {5}});
    TAgglomRun A;
    ProcStat = 0;
    Calls().clear();
    ASSERT_EQ(A.Run(M, TDistMode::dmEuclid, TClusterMethod::cmSingleLink), 0);
    const int Want[2][3] = {{1, 2, 4}, {4, 3, 5}};
    for (int f = 1; f <= 2; ++f)
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(A.Dend.Elem(c, f), Want[f - 1][c - 1]);
    EXPECT_EQ(A.Dist.Elem(1), 1);
    EXPECT_EQ(A.Dist.Elem(2), 4);
    const double Pos[5] = {2, 1, 3, 1.5, 2.25};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(A.Pos.Elem(i + 1), Pos[i]);
    EXPECT_EQ(A.Percent, (std::vector<double>{0, 100.0 / 3, 200.0 / 3}));
    EXPECT_EQ(Calls(), (std::vector<double>{1, 2}));
    EXPECT_EQ(ProcStat, 2);
}

TEST_F(ProgressFixture, AgglomClusteringAbortHandlerAndSmallCases) {
    TMatrix M(nullptr);
    Load(M, IntRows(10, 2, 7));
    bool OldCalled = false;
    M.OnCalcDistance = [&](TObject*, std::int32_t, std::int32_t, double& D) { OldCalled = true, D = 0; };
    // Abort from the feedback of step 2: -1, outputs zero-filled with their sizes.
    TAgglomRun A;
    ASSERT_EQ(A.Run(M, TDistMode::dmEuclid, TClusterMethod::cmCompleteLink), 0);
    A.Percent.clear();
    AbortMathProc = true;  // a stale request is cleared before the steps
    EXPECT_EQ(A.Run(M, TDistMode::dmEuclid, TClusterMethod::cmCompleteLink, 0.5, 2), -1);
    EXPECT_EQ(A.Percent.size(), 3u);
    EXPECT_EQ(A.Dend.NrOfRows(), 9);
    EXPECT_EQ(A.Pos.NrOfElem(), 19);
    for (int f = 1; f <= 9; ++f)
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(A.Dend.Elem(c, f), 0);
    for (int i = 1; i <= 19; ++i) EXPECT_EQ(A.Pos.Elem(i) + A.Dist.Elem(i), 0);
    AbortMathProc = false;
    // The caller's distance serves the call; the former handler comes back, also after a throw.
    TIntMatrix Dend(nullptr);
    TVector Dist(nullptr), Pos(nullptr);
    int Calls = 0;
    ASSERT_EQ(AgglomClustering(nullptr, M, TDistMode::dmUser, TClusterMethod::cmSingleLink, 1, Dend, Dist, Pos, nullptr,
                               [&](TObject* S, std::int32_t R1, std::int32_t R2, double& D) {
                                   EXPECT_EQ(S, &M);
                                   ++Calls, D = std::abs(R1 - R2);
                               }),
              0);
    EXPECT_EQ(Calls, 45);
    EXPECT_EQ(Dist.Elem(9), 1);
    EXPECT_THROW(AgglomClustering(nullptr, M, TDistMode::dmUser, TClusterMethod::cmSingleLink, 1, Dend, Dist, Pos,
                                  nullptr, [](TObject*, std::int32_t, std::int32_t, double&) { throw std::runtime_error("x"); }),
                 std::runtime_error);
    double D = 1;
    M.OnCalcDistance(nullptr, 1, 2, D);
    EXPECT_TRUE(OldCalled);
    // NaN distances: the first pair each time, no hang.
    Load(M, {{NaN}, {NaN}, {NaN}, {NaN}});
    ASSERT_EQ(AgglomClustering(nullptr, M, TDistMode::dmEuclid, TClusterMethod::cmUpgma, 1, Dend, Dist, Pos, nullptr, nullptr), 0);
    const int Chain[3][2] = {{1, 2}, {5, 3}, {6, 4}};
    for (int f = 1; f <= 3; ++f) EXPECT_TRUE(Dend.Elem(1, f) == Chain[f - 1][0] && Dend.Elem(2, f) == Chain[f - 1][1]) << f;
    // One row: 0 and Positions [1]; no rows: nothing touched.
    Load(M, {{3}});
    ASSERT_EQ(AgglomClustering(nullptr, M, TDistMode::dmEuclid, TClusterMethod::cmUpgma, 1, Dend, Dist, Pos, nullptr, nullptr), 0);
    EXPECT_EQ(Pos.NrOfElem(), 1);
    EXPECT_EQ(Pos.Elem(1), 1);
    M.Resize(1, 0);
    Pos.SetElem(1, 7);
    EXPECT_EQ(AgglomClustering(nullptr, M, TDistMode::dmEuclid, TClusterMethod::cmUpgma, 1, Dend, Dist, Pos, nullptr, nullptr), 0);
    EXPECT_EQ(Pos.Elem(1), 7);
}

TEST(Math2Cluster, EveryKernelWidthGivesTheSameBits) {
    std::mt19937 G(8);
    std::normal_distribution<double> N(0, 1);
    TMatrix M(nullptr), C(nullptr), NN(nullptr);
    M.Resize(7, 1003);  // rows not a multiple of any width
    for (int c = 1; c <= 7; ++c)
        for (int r = 1; r <= 1003; ++r) M.SetElem(c, r, N(G));
    TVector Q(nullptr), D(nullptr);
    Q.SetNrOfElem(7);
    Q.Fill(0.1);
    D.SetNrOfElem(1003);
    TIntVector Cl(nullptr);
    std::vector<std::string> Crc;
    for (const int W : {2, 4, 8}) {
        detail::SetClusterWidth(W);
        NN.Resize(2, 40);
        FindNearestNeighbors(40, M, 1, 1003, Q, NN, nullptr);
        MeanDistanceKNN(M, 7, 1, 1003, D);
        const double Wcss = kMeansClustering(M, 0, 0, 9, C, Cl);
        Crc.push_back(NN.CRCofData() + D.CRCofData() + C.CRCofData() + Cl.CRCofData() + std::to_string(Wcss));
    }
    detail::SetClusterWidth(0);
    EXPECT_EQ(Crc[0], Crc[1]);
    EXPECT_EQ(Crc[0], Crc[2]);
}

}  // namespace
}  // namespace qmr::test
