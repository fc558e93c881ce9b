// Smoothing windows, Savitzky-Golay tables, sinc kernels, kernel filter and Chebyshev filters.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace qmr::test {
namespace {

using Fn = void (*)(const TVector*, std::int32_t, std::int32_t, TVector*, std::int32_t);

std::vector<double> Noise(std::size_t N, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::normal_distribution<double> G(0, 1);
    std::vector<double> X(N);
    for (double& V : X) V = G(Gen);
    return X;
}

// Least-squares quadratic over t = -m..m, from the normal equations (odd moments vanish):
// weight of sample t for the value at 0 (Deriv2 false) or for the second derivative.
double LsqWeight(int M, int T, bool Deriv2) {
    double S0 = 0, S2 = 0, S4 = 0;
    for (int I = -M; I <= M; ++I) S0 += 1, S2 += I * I, S4 += double(I) * I * I * I;
    return (Deriv2 ? 2 * (S0 * T * T - S2) : S4 - S2 * T * T) / (S0 * S4 - S2 * S2);
}

TEST(Math2Filters, GolayTablesAreTheLeastSquaresWeights) {
    for (int K = 0; K < 11; ++K) {
        const int M = K + 2;
        for (int C = 1; C < 14; ++C) {
            const int T = C - 1;
            SCOPED_TRACE(testing::Message() << "window " << 2 * M + 1 << " column " << C);
            const double Smooth = T <= M ? LsqWeight(M, T, false) : 0, Deriv = T <= M ? LsqWeight(M, T, true) : 0;
            EXPECT_NEAR(double(GolayPoly[K][C]) / GolayPoly[K][0], Smooth, 1e-15);
            EXPECT_NEAR(double(Golay2ndDeriv[K][C]) / Golay2ndDeriv[K][0], Deriv, 1e-15);
        }
    }
    // scipy.signal.savgol_coeffs(7, 2) and savgol_coeffs(9, 2, deriv=2): centre and outer taps.
    EXPECT_NEAR(double(GolayPoly[1][1]) / GolayPoly[1][0], 0.3333333333333336, 1e-15);
    EXPECT_NEAR(double(GolayPoly[1][4]) / GolayPoly[1][0], -0.09523809523809523, 1e-15);
    EXPECT_NEAR(double(Golay2ndDeriv[2][1]) / Golay2ndDeriv[2][0], -0.04329004329004328, 1e-15);
    EXPECT_NEAR(double(Golay2ndDeriv[2][5]) / Golay2ndDeriv[2][0], 0.060606060606060594, 1e-15);
}

// Brute-force window values at centre C of X (half-width M).
double Brute(Fn F, const std::vector<double>& X, int C, int M) {
    double S = 0, W = 0;
    std::vector<double> Win(X.begin() + C - M, X.begin() + C + M + 1);
    for (int J = -M; J <= M; ++J) {
        const double V = X[C + J];
        if (F == MovingAverageSmooth) S += V, W += 1;
        if (F == WeightedAverageSmooth) S += (M + 1 - std::abs(J)) * V, W += M + 1 - std::abs(J);
        if (F == PolynomialSmooth) S += LsqWeight(M, J, false) * V, W = 1;
        if (F == SecondDeriv) S += LsqWeight(M, J, true) * V, W = 1;
        if (F == FirstDeriv) S += J * V, W += J * J;
    }
    if (F == MovingMedianSmooth) {
        std::sort(Win.begin(), Win.end());
        return Win[M];
    }
    return S / W;
}

TEST(Math2Filters, WindowRoutinesMatchBruteForceWithEdgesRepeated) {
    const std::vector<double> X = Noise(60, 7);
    const struct { Fn F; int W; int Lo, Hi; } Cases[] = {
        {MovingAverageSmooth, 3, 1, 60},   {MovingAverageSmooth, 41, 70, 5}, {MovingMedianSmooth, 5, 3, 40},
        {MovingMedianSmooth, 31, 0, 60},   {WeightedAverageSmooth, 7, 2, 50}, {WeightedAverageSmooth, 25, 1, 60},
        {PolynomialSmooth, 5, 4, 44},      {PolynomialSmooth, 25, 1, 60},    {SecondDeriv, 9, 1, 60},
        {SecondDeriv, 23, 10, 60},         {FirstDeriv, 5, 1, 30},           {FirstDeriv, 25, 30, 60},
        {MovingMedianSmooth, 3, 7, 10},    {PolynomialSmooth, 5, 10, 15},
    };
    for (const auto& Case : Cases) {
        for (bool InPlace : {false, true}) {
            TVector Src(nullptr), Own(nullptr);
            SetValues(Src, X);
            Own.Resize(70);
            Own.Fill(-99);
            TVector& Dest = InPlace ? Src : Own;
            int Changes = 0;
            CountChanges(Dest, Changes);
            Case.F(&Src, Case.Lo, Case.Hi, &Dest, Case.W);
            const int Lo = std::clamp(std::min(Case.Lo, Case.Hi), 1, 60), Hi = std::clamp(std::max(Case.Lo, Case.Hi), 1, 60);
            const int M = Case.W / 2, N = Hi - Lo + 1;
            const std::vector<double> Range(X.begin() + Lo - 1, X.begin() + Hi);
            SCOPED_TRACE(testing::Message() << "window " << Case.W << " range " << Lo << ".." << Hi << " in place " << InPlace);
            EXPECT_EQ(Changes, 1);
            for (int K = 1; K <= N; ++K) {
                const int C = std::clamp(K - 1, M, N - M - 1);
                EXPECT_NEAR(double(Dest.Elem(K)), Brute(Case.F, Range, C, M), 1e-12) << "element " << K;
            }
            if (!InPlace) {
                EXPECT_EQ(double(Dest.Elem(N + 1)), -99.0);
            }
        }
    }
}

TEST(Math2Filters, WindowExamplesAndNaN) {
    TVector S(nullptr), D(nullptr);
    std::vector<double> Ramp(10), Parab(20), Sq(20), Line(20);
    for (int I = 0; I < 20; ++I) Parab[I] = 0.5 * I * I - 3 * I + 7, Sq[I] = double(I) * I, Line[I] = 3.0 * I;
    for (int I = 0; I < 10; ++I) Ramp[I] = I + 1;
    D.Resize(20);
    SetValues(S, Ramp);
    MovingAverageSmooth(&S, 1, 10, &D, 3);
    EXPECT_EQ(ValuesOf(D), (std::vector<double>{2, 2, 3, 4, 5, 6, 7, 8, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const struct { Fn F; const std::vector<double>* X; std::function<double(int)> Want; } Exact[] = {
        {PolynomialSmooth, &Parab, [&](int I) { return Parab[I]; }},
        {SecondDeriv, &Sq, [](int) { return 2.0; }},
        {FirstDeriv, &Line, [](int) { return 3.0; }},
    };
    for (const auto& E : Exact) {
        SetValues(S, *E.X);
        E.F(&S, 1, 20, &D, 5);
        for (int I = 2; I < 18; ++I) EXPECT_NEAR(double(D.Elem(I + 1)), E.Want(I), 1e-12);
    }
    // A NaN spoils only the medians of the windows that hold it.
    std::vector<double> X = Noise(30, 3);
    X[14] = NaN;
    SetValues(S, X);
    MovingMedianSmooth(&S, 1, 30, &D, 5);
    for (int I = 3; I <= 28; ++I) EXPECT_EQ(std::isnan(double(D.Elem(I))), I >= 13 && I <= 17) << I;
}

TEST(Math2Filters, WindowErrorsInOrderLeaveDestUntouched) {
    TVector S(nullptr), D(nullptr);
    SetValues(S, Noise(30, 1));
    D.Fill(5);
    const struct { Fn F; TVector* Src; int Lo, Hi, W; const char* Text; } Cases[] = {
        {MovingAverageSmooth, nullptr, 1, 30, 3, "MovingAverageSmooth: either SourceVec or DestVec is undefined"},
        {MovingMedianSmooth, &S, 1, 4, 4,
         "MovingMedianSmooth: specified range for smoothing is smaller than the length of the smoothing windows"},
        {WeightedAverageSmooth, &S, 1, 30, 1, "WeightedAverageSmooth: length of smoothing window is out of range"},
        {MovingAverageSmooth, &S, 1, 30, 4, "MovingAverageSmooth: length of smoothing window must be odd"},
        {PolynomialSmooth, &S, -5, 99, 27, "PolynomialSmooth: length of polynomial is out of range"},
        {SecondDeriv, &S, 30, 28, 5, "SecondDeriv: specified range for smoothing is smaller than the length of the polynomial"},
        {SecondDeriv, &S, 1, 30, 3, "SecondDeriv: length of polynomial is out of range"},
        {FirstDeriv, &S, 1, 30, 6, "FirstDeriv: length of polynomial must be odd"},
        {FirstDeriv, &S, 1, 5, 5, "FirstDeriv: specified range for calculation is smaller than the length of the polynomial"},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(RaisedMessage<EQMRMath2Error>([&] { C.F(C.Src, C.Lo, C.Hi, &D, C.W); }), C.Text);
        EXPECT_EQ(double(D.Elem(1)), 5.0);
    }
}

TEST(Math2Filters, SincKernels) {
    // numpy: 2 fc sinc(2 fc (i - i0)) times np.hamming(13)[1:-1] / np.blackman(13)[1:-1], normalised.
    const std::vector<double> LP = {-2.212936437392849e-18, -0.023510184580456756, -0.03374731312840092, 0.07218175308019087,
                                    0.2846618262818263, 0.4008278366936811, 0.2846618262818263, 0.07218175308019087,
                                    -0.03374731312840092, -0.023510184580456756, -2.212936437392849e-18};
    const std::vector<double> BP = {3.7000074996528446e-19, 0.002290511880792599, -0.0637881314589023, -0.17729348302547837,
                                    0.06293711395024093, 0.35170797730669434, 0.06293711395024093, -0.17729348302547837,
                                    -0.0637881314589023, 0.002290511880792599, 3.7000074996528446e-19};
    const std::vector<double> LP8 = {-2.1084575113173142e-17, -0.11477908094455232, 2.1084575113173142e-17, 0.34433724283365696,
                                     0.5408836762217907, 0.34433724283365696, 2.1084575113173142e-17, -0.11477908094455232};
    TDoubleArray K, H, B;
    auto Near = [](const TDoubleArray& A, const std::vector<double>& W) {
        ASSERT_EQ(A.size(), W.size());
        for (std::size_t I = 0; I < A.size(); ++I) EXPECT_NEAR(A[I], W[I], 1e-15) << I;
    };
    CalcSincLPKernel(11, 0.2, 1, K);
    Near(K, LP);
    CalcSincBPKernel(11, 0.3, 0.1, 2, K);
    Near(K, BP);
    CalcSincLPKernel(8, 0.25, 0, K);
    Near(K, LP8);
    // High-pass and band-stop are spectral inversions: sums 0 and 1, centre shifted by 1.
    CalcSincLPKernel(8, 0.15, 2, K);
    CalcSincHPKernel(8, 0.15, 2, H);
    CalcSincBSKernel(8, 0.4, 0.15, 2, B);
    double SumH = 0, SumB = 0;
    for (int I = 0; I < 8; ++I) {
        SumH += H[I];
        SumB += B[I];
        EXPECT_NEAR(H[I] + K[I], I == 4 ? 1 : 0, 1e-15);
    }
    EXPECT_NEAR(SumH, 0, 1e-15);
    EXPECT_NEAR(SumB, 1, 1e-14);
    // Cutoff 0 (or below): only the centre is 0 and the zero sum leaves the kernel as is.
    CalcSincLPKernel(5, -1, 0, K);
    EXPECT_EQ(K, TDoubleArray(5, 0.0));
    CalcSincLPKernel(7, 0.9, 1, K);
    CalcSincLPKernel(7, 0.5, 1, H);
    EXPECT_EQ(K, H);
    CalcSincBPKernel(0, 0.1, 0.2, 1, K);
    EXPECT_TRUE(K.empty());
    // The vector form: same taps, one event, untouched for no taps.
    TVector V(nullptr);
    int Changes = 0;
    CountChanges(V, Changes);
    CalcSincBPKernel(11, 0.3, 0.1, 2, V);
    EXPECT_EQ(Changes, 1);
    Near(ValuesOf(V), BP);
    CalcSincHPKernel(-3, 0.1, 1, V);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(V.NrOfElem(), 11);
}

TEST(Math2Filters, MovingKernelFilterCorrelatesWithClampedRange) {
    const std::vector<double> X = Noise(25, 11), Taps = {0.5, -1, 2, 0.25};
    for (bool InPlace : {false, true}) {
        TVector S(nullptr), Own(nullptr), Kn(nullptr);
        SetValues(S, X);
        SetValues(Kn, Taps);
        TVector& D = InPlace ? S : Own;
        MovingKernelFilter(&S, 20, 4, &D, &Kn);
        EXPECT_EQ(D.NrOfElem(), 25);
        for (int B = 4; B <= 20; ++B) {
            double Want = 0;
            for (int E = 1; E <= 4; ++E) Want += X[std::clamp(B + E - 1 - 2, 4, 20) - 1] * Taps[E - 1];
            EXPECT_NEAR(double(D.Elem(B - 3)), Want, 1e-14);
        }
    }
    TVector S(nullptr), Kn(nullptr);
    SetValues(S, X);
    SetValues(Kn, Taps);
    for (auto [Src, Hi, Text] : {std::tuple{(TVector*)nullptr, 25, "SourceVec, DestVec and/or FilterKernel is undefined"},
                                 std::tuple{&S, 4, "specified range for smoothing is smaller than the length of the kernel"}})
        EXPECT_EQ(RaisedMessage<EQMRMath2Error>([&, Src = Src, Hi = Hi] { MovingKernelFilter(Src, 1, Hi, &S, &Kn); }),
                  std::string("MovingKernelfilter: ") + Text);
}

TEST(Math2Filters, ChebyshevDesignMatchesScipy) {
    // scipy.signal.butter(4, 0.2) and cheby1(6, -20 log10(0.995), 2 atan(tan(0.2 pi) kx) / pi,
    // 'highpass') with kx = cosh(acosh(1/es)/6), gain normalised at Nyquist; A = b/a0, B = -a[1:]/a0.
    const struct { int NP; bool HP; double Fc, Ripple; std::vector<double> A, B; } Cases[] = {
        {4, false, 0.1, 0,
         {0.004824343357716231, 0.019297373430864923, 0.028946060146297387, 0.019297373430864923, 0.004824343357716231},
         {2.3695130071820376, -2.31398841441588, 1.0546654058785676, -0.18737949236818488}},
        {6, true, 0.2, 0.5,
         {0.039974894887321435, -0.2398493693239286, 0.5996234233098215, -0.7994978977464288, 0.5996234233098215,
          -0.2398493693239286, 0.039974894887321435},
         {0.24411626072106543, -1.1303056337200095, -0.10631568971532177, -0.34632941059830485, -0.08882963764593878,
          -0.032787295110452586}},
    };
    for (const auto& C : Cases) {
        TMatrix Co(nullptr);
        double A0 = 0;
        CalcChebFilterCoeffs(C.NP, C.HP, C.Fc, C.Ripple, A0, Co);
        ASSERT_EQ(Co.NrOfColumns(), 2);
        ASSERT_EQ(Co.NrOfRows(), C.NP);
        EXPECT_NEAR(A0, C.A[0], 1e-14);
        for (int R = 1; R <= C.NP; ++R) {
            EXPECT_NEAR(double(Co.Elem(1, R)), C.A[R], 1e-13);
            EXPECT_NEAR(double(Co.Elem(2, R)), C.B[R - 1], 1e-12);
        }
    }
    TMatrix Co(nullptr);
    double A0 = 0;
    CalcChebFilterCoeffs(0, false, 0.2, 0, A0, Co);
    EXPECT_EQ(A0, 1.0);
    EXPECT_EQ(Co.NrOfRows(), 0);
}

TEST(Math2Filters, ChebyshevDesignErrorsInOrder) {
    const struct { int NP; double Fc, Ripple; const char* Text; } Cases[] = {
        {3, 0.7, 30, "NPoles must be even"},   {22, 0.7, 30, "NPoles out of range"},
        {-1, 0.1, 0, "NPoles must be even"},   {4, 0.7, 30, "invalid Ripple value"},
        {4, 0.1, NaN, "invalid Ripple value"}, {4, 0, 29, "invalid cutoff frequency"},
        {4, 0.5, 0, "invalid cutoff frequency"}, {20, NaN, 0, "invalid cutoff frequency"},
    };
    for (const auto& C : Cases) {
        TMatrix Co(nullptr);
        double A0 = 7;
        EXPECT_EQ(RaisedMessage<EQMRMath2Error>([&] { CalcChebFilterCoeffs(C.NP, false, C.Fc, C.Ripple, A0, Co); }),
                  std::string("CalcChebFilterCoeffs: ") + C.Text);
        EXPECT_EQ(A0, 7.0);
        EXPECT_EQ(Co.NrOfRows(), 1);
    }
}

TEST(Math2Filters, ChebychevFilterRunsForwardAndBackward) {
    // scipy.signal.lfilter(butter(4, 0.2)) over the source delayed by 5 and padded to
    // HiIx + 10, then over the reversed output; entries z[i + 5].
    const std::vector<double> X = {1, 3, -2, 5, 4, 0, -1, 2, 7, 3, 1, -4};
    const std::vector<double> Full = {0.8506350259329065, 1.2253825142676789, 1.5929785772010807, 1.9190806388888593,
                                      2.177002199214408,  2.343480027021496,  2.3900584298603627, 2.2826390463425192,
                                      2.0005602535161597, 1.5668200711208335, 1.0610711881842967, 0.5941515141243601};
    const std::vector<double> Hi6 = {1.0838471028548993, 1.5370947612167987, 1.8715318679059134,
                                     1.9972238526570583, 1.8740875323868689, 1.5324376292060562};
    TMatrix Co(nullptr);
    double A0 = 0;
    CalcChebFilterCoeffs(4, false, 0.1, 0, A0, Co);
    const struct { int Lo, Hi, DestLen; bool InPlace; const std::vector<double>* Want; int Changes; } Cases[] = {
        {1, 12, 12, false, &Full, 1}, {4, 12, 12, true, &Full, 1}, {-20, 6, 12, false, &Hi6, 1},
        {3, 6, 5, false, &Hi6, 1},    {9, 8, 12, false, nullptr, 0}, {-9, 0, 12, false, nullptr, 0},
    };
    for (const auto& C : Cases) {
        TVector S(nullptr), Own(nullptr);
        SetValues(S, X);
        Own.Resize(C.DestLen);
        Own.Fill(-1);
        TVector& D = C.InPlace ? S : Own;
        int Changes = 0;
        CountChanges(D, Changes);
        ChebychevFilter(S, C.Lo, C.Hi, D, A0, Co);
        EXPECT_EQ(Changes, C.Changes);
        EXPECT_EQ(D.NrOfElem(), C.DestLen);
        for (int I = 1; I <= C.DestLen; ++I) {
            const bool Written = C.Want != nullptr && I >= C.Lo && I <= C.Hi;
            const double Before = C.InPlace ? X[I - 1] : -1;
            EXPECT_NEAR(double(D.Elem(I)), Written ? (*C.Want)[I - 1] : Before, 1e-13) << "lo " << C.Lo << " i " << I;
        }
    }
}

}  // namespace
}  // namespace qmr::test
