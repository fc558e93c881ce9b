// Percentiles of array ranges, runs tests and the adaptive kernel density estimate.
#include "qmr_test_support.h"

#include "analysis/detail/QMR_statis_runs_detail.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using namespace qmr;

TEST(PercentileOfArray, CodesInOrderAndRanksWithinTheRange) {
    TDoubleArray D{9, 1, 8, 2, 7, 3, 6, 4, 5, 0};
    double V = 1;
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double Pct;
        int Lo, Hi, Code;
        double Want;
    };
    for (const Case& C : std::initializer_list<Case>{
             {150, 5, 2, -2, 0}, {NaN, 0, 9, -2, 0}, {-1, 0, 9, -2, 0}, {50, 5, 2, -3, 0}, {50, -1, 3, -1, 0},
             {50, 3, 10, -1, 0},
             {100, 0, 9, 0, 9}, {0, 0, 9, 0, 0},
             // From index 6 (beyond every rank): 6, 4, 5, 0 -> rank Round(0.5 * 4) = 2 is 5.
             {50, 6, 9, 0, 5},
             // Three values, 50%: Round(1.5) = 2, the largest.
             {50, 7, 9, 0, 5}, {25, 6, 9, 0, 4}}) {
        TDoubleArray Work = D;
        V = 1;
        EXPECT_EQ(PercentileOfArray(Work, C.Pct, C.Lo, C.Hi, V), C.Code) << C.Pct << " " << C.Lo << " " << C.Hi;
        EXPECT_EQ(V, C.Want) << C.Pct << " " << C.Lo << " " << C.Hi;
    }
}

TEST(RunsTests, ExactDistributionOfTheRunCount) {
    // Exact fractions (Python fractions, math.comb) of the counting formula.
    struct Case {
        int n1, n2, r;
        double Want;
    };
    for (const Case& C : std::initializer_list<Case>{
             {3, 3, 6, 1.0}, {3, 3, 1, 0.0}, {3, 3, 3, 0.3}, {10, 12, 9, 0.14205763276970707},
             {12, 10, 9, 0.14205763276970707}, {25, 25, 20, 0.057895008556072776},
             {17, 17, 12, 0.027218111374420317}, {25, 20, 41, 1.0}, {25, 20, 2147483647, 1.0},
             {33, 33, 30, 0.19320627338480736},  // the last row of 64-bit binomials
             {34, 34, 30, 0.13608558620210742},  // beyond them from here
             {30, 40, 30, 0.11970189261219386},
             {100, 80, 85, 0.25333425400319215}, {200, 200, 180, 0.019996122066635817}, {-1, 5, 3, 0.0},
             {4, 0, 3, 0.0}}) {
        const double P = ExactRunsTest(C.n1, C.n2, C.r);
        EXPECT_NEAR(P, C.Want, 1e-12 * C.Want) << C.n1 << " " << C.n2 << " " << C.r;
        EXPECT_TRUE(P >= 0 && P <= 1);
    }
}

TEST(RunsTests, BitSequencesAndSerialTest) {
    TBitFld B(nullptr);
    double P = 0;
    // 60 alternating values: normal branch, z = 7.55 in the upper tail (scipy norm.sf
    // 2.14e-14; the distribution function is good to 1e-9).
    B.SetSize(59);
    for (int i = 0; i <= 59; ++i) B.SetBit(i, i % 2 == 0);
    EXPECT_TRUE(RunsTest(&B, P));
    EXPECT_NEAR(P, 2.142436737899403e-14, 1e-9);
    // 41 set, 34 clear, 55 runs: z = 3.947 (scipy norm.sf 3.9513e-05).
    B.SetSize(74);
    for (int i = 0; i <= 74; ++i) B.SetBit(i, i * 7 % 11 < 6);
    EXPECT_TRUE(RunsTest(&B, P));
    EXPECT_NEAR(P, 3.951305074672788e-05, 1e-9);
    // All set: exact branch up to 25 values (no two groups: P = 0), then sigma = 0.
    for (int Size : {24, 25, 40}) {
        B.SetSize(Size);
        for (int i = 0; i <= Size; ++i) B.SetBit(i, true);
        P = -5;
        EXPECT_TRUE(RunsTest(&B, P));
        EXPECT_EQ(P, 0.0);
    }
    // 25 set then 25 clear: still the exact branch (2 / C(50, 25)).
    B.SetSize(49);
    for (int i = 0; i <= 49; ++i) B.SetBit(i, i < 25);
    EXPECT_TRUE(RunsTest(&B, P));
    EXPECT_NEAR(P, 1.5821457204897235e-14, 1e-26);
    P = 0;
    EXPECT_FALSE(RunsTest(nullptr, P));
    EXPECT_EQ(P, -1.0);

    // Against the median 5: 6 above, 9 not, 6 runs; exact fraction 0.17482517482517482.
    TVector V(nullptr);
    const TDoubleArray X{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7, 9};
    V.SetNrOfElem(static_cast<std::int32_t>(X.size()));
    V.CopyFromArray(X, 1);
    EXPECT_FALSE(RunsTestSerial(&V, P));
    EXPECT_NEAR(P, 0.17482517482517482, 1e-15);
    // Values equal to the median 3 clear their bit: 0 0 0 0 0 1 1, two runs, P = 2 / C(7, 2)
    // (setting them would give three runs, P = 7 / 21).
    V.SetNrOfElem(7);
    V.CopyFromArray({3.0, 3.0, 3.0, 1.0, 2.0, 4.0, 5.0}, 1);
    EXPECT_FALSE(RunsTestSerial(&V, P));
    EXPECT_NEAR(P, 2.0 / 21, 1e-15);
    P = 0;
    EXPECT_FALSE(RunsTestSerial(nullptr, P));
    EXPECT_EQ(P, -1.0);
}

// The estimate as written: scans kept on the data, every point summed at every step.
struct TDirect {
    std::vector<double> h, Density;
};
TDirect Direct(std::vector<double> x, double LowX, double HighX, double BwFactor, double Window, int NumSteps) {
    std::sort(x.begin(), x.end());
    const int n = static_cast<int>(x.size());
    auto X = [&](int p) { return x[static_cast<std::size_t>(p - 1)]; };  // 1-based
    TDirect R;
    for (int i = 1; i <= n; ++i) {
        double S = 0;
        int m = 0;
        for (int j = i + 1; j >= 2 && j <= n && std::abs(X(j) - X(i)) < Window; --j, ++m) S += std::abs(X(j) - X(j - 1));
        for (int j = i - 1; j >= 1 && j <= n - 1 && std::abs(X(j) - X(i)) < Window; ++j, ++m) S += std::abs(X(j) - X(j + 1));
        R.h.push_back(m == 0 ? Window : S != 0 ? S / m : Window / m);
    }
    for (int s = 0; s <= NumSteps; ++s) {
        const double At = LowX + s * (HighX - LowX) / NumSteps;
        double Sum = 0;
        for (int i = 0; i < n; ++i) {
            const double b = BwFactor * R.h[static_cast<std::size_t>(i)] != 0 ? BwFactor * R.h[static_cast<std::size_t>(i)] : BwFactor;
            const double z = (At - x[static_cast<std::size_t>(i)]) / b;
            Sum += std::exp(-0.5 * z * z) / b;
        }
        R.Density.push_back(static_cast<double>(uc_sqrt2pitom1 * Sum / n));
    }
    return R;
}

std::vector<double> GFeedback;
void RecordStep(TObject* Sender, double Step, double Percent) {
    EXPECT_EQ(Sender, nullptr);
    EXPECT_DOUBLE_EQ(Percent, Step * 100 / GFeedback.front());
    GFeedback.push_back(Step);
}

TEST(DensityEstimate, MatchesTheSumsAsWritten) {
    std::mt19937_64 Gen(17);
    std::normal_distribution<double> Nd(3, 2);
    std::vector<double> x(300);
    for (double& v : x) v = Nd(Gen);
    x[10] = x[11] = x[12];  // ties: zero gaps
    TVector Data(nullptr), Density(nullptr);
    struct Case {
        double Low, High, Bw, Window;
        int Steps;
        double Tol;  // relative to the largest value; 0: bit for bit
    };
    for (const Case& C : std::initializer_list<Case>{{-4, 10, 1, 1e-9, 200, 0},  // no scan enters: exact
                                                     {-4, 10, 0.5, 0.8, 300, 1e-12},
                                                     {10, -4, 2, 3, 50, 1e-12},   // descending steps
                                                     {-20, 25, 1, 100, 100, 1e-12}}) {
        Data.SetNrOfElem(300);
        Data.CopyFromArray(x, 1);
        std::int32_t MinIx = -7, MaxIx = -7;
        EstimateProbDensity(&Data, &Density, C.Low, C.High, C.Bw, C.Window, C.Steps, MinIx, MaxIx, nullptr);
        const TDirect W = Direct(x, C.Low, C.High, C.Bw, C.Window, C.Steps);
        ASSERT_EQ(Density.NrOfElem(), C.Steps + 1);
        const double Max = *std::max_element(W.Density.begin(), W.Density.end());
        for (int s = 0; s <= C.Steps; ++s) {
            const double Got = static_cast<double>(Density.Elem(s + 1)), Want = W.Density[static_cast<std::size_t>(s)];
            if (C.Tol == 0)
                ASSERT_EQ(Got, Want) << s;
            else
                ASSERT_NEAR(Got, Want, C.Tol * Max) << s;
        }
        EXPECT_EQ(MaxIx, std::max_element(W.Density.begin(), W.Density.end()) - W.Density.begin() + 1);
        EXPECT_EQ(MinIx, std::min_element(W.Density.begin(), W.Density.end()) - W.Density.begin() + 1);
        for (int i = 2; i <= 300; ++i) ASSERT_LE(Data.Elem(i - 1), Data.Elem(i));  // sorted in place
    }
}

// Kernels far narrower than the range: every step's sum must keep the bits of the sum over
// all points, whatever share of the terms is only bounded (the slack setting) and however
// many steps fall back to full sums. Integer data keeps the adaptive bandwidths exact.
TEST(DensityEstimate, NarrowKernelsKeepEveryBitOfTheFullSum) {
    std::mt19937_64 Gen(29);
    std::normal_distribution<double> Wide(0, 30), Tight(500, 3), Unit(0, 1);
    std::vector<double> Adaptive;  // ties, a tight cluster, a sparse spread; in eighths
    for (int i = 0; i < 400; ++i)
        Adaptive.push_back(std::round(i < 200 ? Wide(Gen) : i < 300 ? Tight(Gen) : 4000 * Unit(Gen)) / 8);
    std::vector<double> Normal(1500);
    for (double& v : Normal) v = Unit(Gen);
    // Around step 50 of 0..100 with b = 1 and 1/8: exponents near -708 (subnormal terms),
    // -745.13 (the last nonzero one) and the 39-bandwidth window's edge.
    std::vector<double> Edges{50, 12.5, 87.5};
    for (double z : {37.5, 37.64, 38.5, 38.6, 38.603, 38.61, 38.7, 39.0, 39.5})
        for (double b : {1.0, 0.125}) {
            Edges.push_back(50 + z * b);
            Edges.push_back(50 - z * b);
            Edges.push_back(std::nextafter(50 + z * b, 100.0));
        }
    // 1000 points 9 bandwidths before the steps: each term below what a slack of 40 keeps,
    // together above an ulp of the sum. 1000 points 8 bandwidths after them: each term below
    // what a slack of 30 keeps, yet above half an ulp of the sum.
    std::vector<double> Before{0}, After{0};
    for (int j = 0; j < 1000; ++j) {
        Before.push_back(-9 - j * 1e-9);
        After.push_back(8 + j * 1e-9);
    }
    struct Case {
        const std::vector<double>* x;
        double Low, High, Bw, Window;
        int Steps;
    };
    const std::vector<double> Odd{1, 2, 2, 5, test::Inf, -3};  // not finite: every term evaluated
    for (const Case& C : std::initializer_list<Case>{{&Adaptive, -300, 700, 0.05, 2, 3000},
                                                     {&Adaptive, 700, -300, 0.4, 6, 2000},
                                                     {&Normal, -6, 6, 0.03 / 0x1p-40, 0x1p-40, 4000},
                                                     {&Edges, 0, 100, 0x1p40, 0x1p-40, 100},
                                                     {&Edges, 0, 100, 0x1p37, 0x1p-40, 800},
                                                     {&Edges, 0, 100, 1, -1, 100},  // negative bandwidths
                                                     {&Edges, 0, 100, 1e-300, 1e-10, 100},
                                                     {&Before, 0, 1e-3, 1e12, 1e-12, 10},
                                                     {&After, 0, 1e-3, 1e12, 1e-12, 10},
                                                     {&Odd, -5, 5, 0.01, 1e-9, 100}}) {
        const TDirect W = Direct(*C.x, C.Low, C.High, C.Bw, C.Window, C.Steps);
        for (const double Slack : {-1.0, 0.0, 2.0, 8.0, 30.0, 40.0, test::Inf}) {
            detail::SetDensitySlack(Slack);
            TVector Data(nullptr), Density(nullptr);
            Data.SetNrOfElem(static_cast<std::int32_t>(C.x->size()));
            Data.CopyFromArray(*C.x, 1);
            std::int32_t MinIx = 0, MaxIx = 0;
            EstimateProbDensity(&Data, &Density, C.Low, C.High, C.Bw, C.Window, C.Steps, MinIx, MaxIx, nullptr);
            int Differ = 0;
            for (int s = 0; s <= C.Steps; ++s) {
                const double Got = static_cast<double>(Density.Elem(s + 1)), Want = W.Density[static_cast<std::size_t>(s)];
                Differ += std::memcmp(&Got, &Want, sizeof Got) != 0;
            }
            EXPECT_EQ(Differ, 0) << C.x->size() << " points, bandwidth factor " << C.Bw << ", slack " << Slack;
            const auto Most = std::max_element(W.Density.begin(), W.Density.end());
            if (*Most > 0) {
                EXPECT_EQ(MaxIx, Most - W.Density.begin() + 1);
            }
            EXPECT_EQ(MinIx, std::min_element(W.Density.begin(), W.Density.end()) - W.Density.begin() + 1);
        }
    }
    detail::SetDensitySlack(-1);
}

TEST(DensityEstimate, StepsFeedbackAndAliases) {
    TVector Data(nullptr);
    Data.SetNrOfElem(4);
    Data.CopyFromArray({1.0, 2.0, 4.0, 8.0}, 1);
    std::int32_t MinIx = -7, MaxIx = -7;
    // NumSteps 5 means 10 (11 points); BwFactor -1 means 1; 4 + 11 feedback steps.
    GFeedback = {15};
    EstimateProbDensity(&Data, &Data, 0, 10, -1, 2.5, 5, MinIx, MaxIx, &RecordStep);
    ASSERT_EQ(GFeedback.size(), 16u);
    for (std::size_t k = 1; k < GFeedback.size(); ++k) EXPECT_EQ(GFeedback[k], double(k));
    const TDirect W = Direct({1, 2, 4, 8}, 0, 10, 1, 2.5, 10);
    ASSERT_EQ(Data.NrOfElem(), 11);  // the density replaced the data it came from
    for (int s = 0; s <= 10; ++s) EXPECT_NEAR(Data.Elem(s + 1), W.Density[static_cast<std::size_t>(s)], 1e-15);
    // No positive value: MaxIx stays as it was.
    TVector Far(nullptr), D(nullptr);
    Far.SetNrOfElem(1);
    Far.SetElem(1, 1e6);
    MaxIx = -7;
    EstimateProbDensity(&Far, &D, 0, 1, 1, 1, 10, MinIx, MaxIx, nullptr);
    EXPECT_EQ(MaxIx, -7);
    EXPECT_EQ(MinIx, 1);
    EstimateProbDensity(nullptr, &D, 0, 1, 1, 1, 10, MinIx, MaxIx, nullptr);  // nothing happens
    EXPECT_EQ(D.NrOfElem(), 11);
}

}  // namespace
