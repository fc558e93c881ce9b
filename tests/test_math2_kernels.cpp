// Kernel convolution, compass and Kirsch kernels, image correlation, Mahalanobis distance,
// parenthesis check, Gaussian peaks, sigmoids and Gaussian similarity kernels.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace qmr::test {
namespace {

TDouble2DArray RandomArray(std::size_t A, std::size_t B, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    TDouble2DArray X(A, TDoubleArray(B));
    for (auto& Col : X)
        for (double& V : Col) V = U(Gen);
    return X;
}

// The plain clamped-index correlation, cell by cell.
TDouble2DArray BruteConvolve(const TDouble2DArray& K, const TDouble2DArray& D) {
    const int L1 = int(D.size()), L2 = int(D[0].size()), H = int(K.size()) / 2;
    TDouble2DArray R(D.size(), TDoubleArray(D[0].size()));
    for (int I = 0; I < L1; ++I)
        for (int J = 0; J < L2; ++J) {
            double S = 0;
            for (int P = 0; P < int(K.size()); ++P)
                for (int Q = 0; Q < int(K.size()); ++Q)
                    S += D[std::clamp(I + P - H, 0, L1 - 1)][std::clamp(J + Q - H, 0, L2 - 1)] * K[P][Q];
            R[I][J] = S;
        }
    return R;
}

TEST(Math2Kernels, KernelConvolveMatchesPlainLoopBitForBit) {
    const struct { std::size_t L1, L2, K; } Shapes[] = {{7, 9, 3}, {9, 6, 5}, {40, 33, 7}, {4, 7, 5}, {2, 2, 5}, {1, 1, 3}};
    unsigned Seed = 1;
    TDouble2DArray R = RandomArray(3, 50, 1);  // reused: grows, then shrinks
    for (const auto& S : Shapes) {
        const TDouble2DArray K = RandomArray(S.K, S.K, ++Seed), D = RandomArray(S.L1, S.L2, ++Seed);
        ASSERT_EQ(KernelConvolve(K, D, R), 0);
        EXPECT_EQ(R, BruteConvolve(K, D)) << S.L1 << " x " << S.L2 << " kernel " << S.K;
    }
    // Identity kernel: the data unchanged, borders included. Then a result written over
    // its own data.
    TDouble2DArray D = RandomArray(6, 5, 99);
    ASSERT_EQ(KernelConvolve({{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, D, R), 0);
    EXPECT_EQ(R, D);
    const TDouble2DArray K = RandomArray(3, 3, 98), Want = BruteConvolve(K, D);
    ASSERT_EQ(KernelConvolve(K, D, D), 0);
    EXPECT_EQ(D, Want);
}

TEST(Math2Kernels, KernelConvolveCodesLeaveResultUntouched) {
    const TDouble2DArray D = RandomArray(5, 5, 3), Untouched = {{42}};
    const struct { TDouble2DArray K, Data; int Code; } Cases[] = {
        {{{1}}, D, -3},
        {TDouble2DArray(4, TDoubleArray(4, 1)), D, -2},
        {TDouble2DArray(3, TDoubleArray(5, 1)), D, -1},
        {{{1, 1, 1}, {1, 1}, {1, 1, 1}}, D, -1},
        {TDouble2DArray(2, TDoubleArray(3, 1)), D, -3},
        {{}, D, -3},
        {TDouble2DArray(3, TDoubleArray(3, 1)), Ragged<double>(), -4},
    };
    for (const auto& C : Cases) {
        TDouble2DArray R = Untouched;
        EXPECT_EQ(KernelConvolve(C.K, C.Data, R), C.Code);
        EXPECT_EQ(R, Untouched);
    }
    TDouble2DArray R = Untouched;
    EXPECT_EQ(KernelConvolve(TDouble2DArray(3, TDoubleArray(3, 1)), {}, R), 0);
    EXPECT_TRUE(R.empty());
    EXPECT_EQ(ApplyKirschKernel(8, D, R), -1);
    EXPECT_EQ(ApplyCompassKernel(-1, D, R), -1);
    EXPECT_TRUE(R.empty());
}

TEST(Math2Kernels, KernelConvolveFeedbackEveryStep) {
    // 23 x 23 with a 3 x 3 kernel: step 20 * 20 div 100 = 4 over 21 * 21 interior cells.
    std::vector<int> Got;
    TDouble2DArray R;
    ASSERT_EQ(KernelConvolve(TDouble2DArray(3, TDoubleArray(3, 1)), RandomArray(23, 23, 5), R,
                             [&](TObject* Sender, std::int32_t P) {
                                 EXPECT_EQ(Sender, nullptr);
                                 Got.push_back(P);
                             }),
              0);
    std::vector<int> Want(110);
    for (int I = 0; I < 110; ++I) Want[I] = I + 1;
    EXPECT_EQ(Got, Want);
}

TEST(Math2Kernels, CompassAndKirschKernelsRotateAroundTheRing) {
    // Ring of the 3 x 3 kernel from [0][0] clockwise; compass d: -1 on ring cells d..d + 2,
    // else 1, centre -2; Kirsch d: 5 on ring cells d + 4..d + 6, else -3, centre 0.
    const int Ring[8][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}, {1, 0}};
    TDouble2DArray Impulse(5, TDoubleArray(5, 0.0)), R;
    Impulse[2][2] = 1;
    for (int Dir = 0; Dir < 8; ++Dir) {
        for (bool Kirsch : {false, true}) {
            ASSERT_EQ((Kirsch ? ApplyKirschKernel : ApplyCompassKernel)(Dir, Impulse, R, {}), 0);
            for (int Pos = 0; Pos < 8; ++Pos) {
                const int Off = (Pos - Dir + 8) % 8;
                const double Want = Kirsch ? (Off >= 4 && Off <= 6 ? 5 : -3) : (Off <= 2 ? -1 : 1);
                // The impulse response is the kernel reflected: K[p][q] = R[3 - p][3 - q].
                EXPECT_EQ(R[3 - Ring[Pos][0]][3 - Ring[Pos][1]], Want) << "dir " << Dir << " kirsch " << Kirsch;
            }
            EXPECT_EQ(R[2][2], Kirsch ? 0 : -2);
        }
    }
}

TEST(Math2Kernels, MahalanobisDistance) {
    TVector X(nullptr), Y(nullptr), Z(nullptr);
    TMatrix M(nullptr), Neg(nullptr), Rect(nullptr), Big(nullptr);
    SetValues(X, std::vector<double>{1, 2});
    SetValues(Y, ValuesOf(X));
    SetRows(M, {{1, 0}, {0, 1}});
    EXPECT_EQ(MahalanobisDistance(X, Y, M), 0.0);
    SetValues(Y, std::vector<double>{0, 0});  // x - y = (1, 2)
    SetRows(M, {{2, 1}, {1, 3}});
    EXPECT_NEAR(MahalanobisDistance(X, Y, M), std::sqrt(18.0), 1e-15);
    SetRows(Neg, {{1, 0}, {0, -0.3}});  // form -0.2
    Z.Resize(3), Rect.Resize(2, 3), Big.Resize(3, 3);
    const struct { const TVector* B; const TMatrix* M; const char* Text; } Cases[] = {
        {&Z, &Rect, "dimensions of vectors do not match"},
        {&Y, &Rect, "inverse covariance matrix is not quadratric"},
        {&Y, &Big, "dimension of vectors and inverse covariance matrix do not match"},
        {&Y, &Neg, "the inverse covariance matrix must be symmetric and positive definite"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(RaisedMessage<EQMRVectorError>([&] { MahalanobisDistance(X, *C.B, *C.M); }),
                  std::string("MahalanobisDistance: ") + C.Text);
}

double Channel(std::uint32_t C, TImgCompareMode Mode) {
    const std::uint8_t R = C & 0xFF, G = (C >> 8) & 0xFF, B = (C >> 16) & 0xFF;
    double H, S, I;
    RGBtoHSI(R, G, B, H, S, I);
    switch (Mode) {
    case TImgCompareMode::icmRed: return R;
    case TImgCompareMode::icmGreen: return G;
    case TImgCompareMode::icmBlue: return B;
    case TImgCompareMode::icmHue: return H;
    case TImgCompareMode::icmLightness: return I;
    case TImgCompareMode::icmSaturation: return S;
    case TImgCompareMode::icmGrayValues: return RGBtoGray(R, G, B);
    }
    return NaN;
}

// Pearson r over the pairs of the inclusive area whose pixels lie in both bitmaps.
double BruteCorrelation(const TBitmap& A, const TBitmap& B, TRect R1, TRect R2, TImgCompareMode Mode) {
    std::vector<double> X, Y;
    for (int Y1 = R1.Top; Y1 <= R1.Bottom; ++Y1)
        for (int X1 = R1.Left; X1 <= R1.Right; ++X1) {
            const int X2 = X1 + R2.Left - R1.Left, Y2 = Y1 + R2.Top - R1.Top;
            if (X1 < 0 || Y1 < 0 || X1 >= A.Width() || Y1 >= A.Height() || X2 < 0 || Y2 < 0 || X2 >= B.Width() || Y2 >= B.Height())
                continue;
            X.push_back(Channel(A.Pixel(X1, Y1), Mode));
            Y.push_back(Channel(B.Pixel(X2, Y2), Mode));
        }
    long double Mx = 0, My = 0, Sxx = 0, Syy = 0, Sxy = 0;
    for (std::size_t I = 0; I < X.size(); ++I) Mx += X[I] / X.size(), My += Y[I] / Y.size();
    for (std::size_t I = 0; I < X.size(); ++I)
        Sxx += (X[I] - Mx) * (X[I] - Mx), Syy += (Y[I] - My) * (Y[I] - My), Sxy += (X[I] - Mx) * (Y[I] - My);
    return X.size() < 3 || Sxx == 0 || Syy == 0 ? 0 : double(Sxy / std::sqrt(Sxx * Syy));
}

TEST(Math2Kernels, CalcImgCorrelationPerChannelOverPixelsInsideBoth) {
    std::mt19937 Gen(17);
    TBitmap A(20, 15), B(18, 16);
    for (TBitmap* Img : {&A, &B})
        for (int Y = 0; Y < Img->Height(); ++Y)
            for (int X = 0; X < Img->Width(); ++X) {
                const std::uint32_t R = Gen() % 256;
                // Green follows red, blue is independent: a mixed-up channel changes r.
                Img->SetPixel(X, Y, R | ((R / 2 + Gen() % 64) << 8) | ((Gen() % 256) << 16));
            }
    const TRect Areas[][2] = {
        {{2, 3, 12, 10}, {2, 3, 12, 10}},   // same place
        {{-3, 2, 9, 14}, {8, 6, 20, 7}},    // reaches outside both; heights differ
        {{0, 0, 19, 14}, {-5, -2, 14, -2}},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}},
    };
    for (const auto& Pair : Areas)
        for (int M = 0; M <= 6; ++M) {
            const auto Mode = TImgCompareMode(M);
            const TRect& R1 = Pair[0];
            // The huge area holds the same pairs as the whole of the smaller bitmap.
            const TRect Brute1 = R1.Left == INT32_MIN ? TRect{0, 0, 17, 14} : R1;
            const TRect Brute2 = R1.Left == INT32_MIN ? Brute1 : Pair[1];
            EXPECT_NEAR(CalcImgCorrelation(A, B, R1, Pair[1], Mode), BruteCorrelation(A, B, Brute1, Brute2, Mode), 1e-13)
                << "mode " << M << " area " << R1.Left;
        }
    EXPECT_GT(CalcImgCorrelation(A, A, {0, 0, 5, 5}, {0, 0, 5, 5}, TImgCompareMode::icmRed), 0.999999);
    EXPECT_EQ(CalcImgCorrelation(A, B, {0, 0, 0, 1}, {0, 0, 0, 1}, TImgCompareMode::icmRed), 0.0);  // 2 pairs
    EXPECT_EQ(CalcImgCorrelation(A, TBitmap(9, 9), {0, 0, 5, 5}, {0, 0, 5, 5}, TImgCompareMode::icmRed), 0.0);
    EXPECT_EQ(RaisedMessage<EQMRMath2Error>(
                  [&] { CalcImgCorrelation(A, B, {0, 0, 5, 5}, {0, 0, 6, 5}, TImgCompareMode::icmRed); }),
              "image ranges to compare are not of equal size");
}

TEST(Math2Kernels, CheckParanthInExp) {
    const std::pair<const char*, int> Cases[] = {{"(a+b)", 0}, {"((a)", 1}, {"a)+(b", -2}, {"", 0}, {"())(", -3}, {"((((", 4}};
    for (auto [Text, Want] : Cases) EXPECT_EQ(CheckParanthInExp(Text), Want) << Text;
}

TEST(Math2Kernels, GaussianPeaksGauss2DAndSigmoid) {
    TDoubleArray D(12, 9.0);
    EXPECT_EQ(CreateGaussianPeaks({{3.5, 2, 1.5}, {9, -1.5, -2}, {4, 0, 2.5}, {6.5, 0, 7}}, D), 0);
    for (int I = 1; I <= 12; ++I)
        EXPECT_NEAR(D[I - 1], 1.5 * std::exp(-std::pow((I - 3.5) / 2, 2)) - 2 * std::exp(-std::pow((I - 9) / 1.5, 2)) + (I == 4 ? 2.5 : 0), 1e-15);
    TDoubleArray Short(2, 9.0);
    EXPECT_EQ(CreateGaussianPeaks({}, D), -1);
    EXPECT_EQ(CreateGaussianPeaks({{1, 1, 1}}, Short), -2);
    EXPECT_EQ(CreateGaussianPeaks({}, Short), -2);
    EXPECT_EQ(CreateSigmoidArray(Short, 1, 0, 1, 1), -1);
    EXPECT_EQ(Short, TDoubleArray(2, 9.0));

    TDouble2DArray G(4, TDoubleArray(3));
    EXPECT_EQ(Gauss2D(2, 5, 1.5, 3, G), 0);
    for (int I = 1; I <= 4; ++I)
        for (int J = 1; J <= 3; ++J)
            EXPECT_NEAR(G[I - 1][J - 1], 3 * std::exp(-((I - 2) * (I - 2) + (J - 5) * (J - 5)) / 2.25), 1e-15);
    const TDouble2DArray Before = G;
    for (auto [W, Data, Code] : {std::tuple{0.0, G, -1}, std::tuple{NaN, G, -1}, std::tuple{-1.0, TDouble2DArray(1, TDoubleArray(5)), -2},
                                 std::tuple{1.0, Ragged<double>(), -2}}) {
        EXPECT_EQ(Gauss2D(1, 1, W, 1, Data), Code);
    }
    EXPECT_EQ(G, Before);

    TDoubleArray S(5);
    EXPECT_EQ(CreateSigmoidArray(S, 0, 1, 4, 3), 0);
    EXPECT_EQ(S, TDoubleArray(5, 3.0));
    EXPECT_EQ(CreateSigmoidArray(S, 0.7, -1, 2, 3), 0);
    for (int I = 1; I <= 5; ++I) EXPECT_NEAR(S[I - 1], -1 + 2 / (1 + std::exp(-0.7 * (I - 3))), 1e-15);
}

TEST(Math2Kernels, GaussKernels) {
    TVector X(nullptr), Y(nullptr);
    TMatrix M(nullptr);
    SetValues(X, std::vector<double>{10, 0});
    SetValues(Y, std::vector<double>{0, 0});
    EXPECT_EQ(CalcGaussKernel(X, Y, 1), std::exp(-20.0));
    EXPECT_EQ(CalcGaussKernel(X, Y, 0), std::exp(-20.0));
    EXPECT_EQ(CalcGaussKernel(Y, Y, 0), 1.0);
    SetValues(Y, std::vector<double>{9, 2});
    EXPECT_NEAR(CalcGaussKernel(X, Y, 2), std::exp(-5.0 / 4), 1e-16);
    SetRows(M, {{0, 0}, {9, 2}, {10, 0}});
    EXPECT_NEAR(CalcGaussKernelMat(X, M, 2, 2), std::exp(-5.0 / 4), 1e-16);
    EXPECT_EQ(CalcGaussKernelMat(X, M, 3, 0), 1.0);
}

}  // namespace
}  // namespace qmr::test
