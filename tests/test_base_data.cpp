// CRC-32 step, bit field, numeric constants, ln n! table and colour conversions.
#include "qmr_test_support.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>

using namespace qmr;

TEST(CRC32Test, CheckValueAndBitwiseReference) {
    const auto Crc = [](const std::string& S) {
        std::uint32_t R = 0xFFFFFFFFu;
        for (unsigned char C : S) CalcNextCRC32(C, R);
        return ~R;
    };
    const auto BitwiseCrc = [](const std::string& S) {  // no table
        std::uint32_t R = 0xFFFFFFFFu;
        for (unsigned char C : S) {
            R ^= C;
            for (int K = 0; K < 8; ++K) R = (R >> 1) ^ (0xEDB88320u & (0u - (R & 1u)));
        }
        return ~R;
    };
    EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
    std::mt19937 Gen(5);
    for (int T = 0; T < 50; ++T) {
        std::string S(T * 3, '\0');
        for (char& C : S) C = static_cast<char>(Gen());
        EXPECT_EQ(Crc(S), BitwiseCrc(S));
    }
}

TEST(BitFldTest, SizeMeansBitsZeroToNAndCloneCopies) {
    auto* Owner = new TComponent(nullptr);
    auto& F = *new TBitFld(Owner);  // the owner frees it
    EXPECT_EQ(F.Size(), 0);
    for (int N : {0, 1, 63, 64, 65, 130, -5}) {
        F.SetSize(N);
        F.Clear();
        for (int Ix : {N, N + 1, -1}) F.SetBit(Ix, true);
        EXPECT_EQ(F.Size(), N);
        EXPECT_EQ(F.GetBit(N), N >= 0);
        EXPECT_FALSE(F.GetBit(N + 1) || F.GetBit(-1));
        EXPECT_EQ(F.CountTrueBits(), N >= 0 ? 1 : 0);
        EXPECT_EQ(F.FirstTrueBit(), N >= 0 ? N : -1);
        F.Invert();  // bits beyond N stay False
        EXPECT_EQ(F.CountTrueBits(), std::max(N, 0));
        EXPECT_FALSE(F.GetBit(N));
        EXPECT_EQ(F.FirstTrueBit(), N <= 0 ? -1 : 0);
    }
    F.SetSize(100);
    F.Clear();
    for (int Ix : {3, 70, 100}) F.SetBit(Ix, true);
    F.SetSize(70);
    F.SetSize(200);  // bit 100 was dropped and does not come back
    EXPECT_FALSE(F.GetBit(100));
    EXPECT_EQ(F.CountTrueBits(), 2);
    TBitFld G(nullptr);
    G.Clone(&F);
    G.SetBit(70, false);
    G.Clone(nullptr);
    EXPECT_EQ(G.Size(), 200);
    EXPECT_TRUE(G.GetBit(3) && !G.GetBit(70) && F.GetBit(70));
    delete Owner;
}

TEST(BitFldTest, CombineWithMatchesBoolReference) {
    std::mt19937 Gen(9);
    for (auto [SA, SB] : {std::pair{150, 150}, std::pair{150, 40}, std::pair{40, 150}}) {
        for (TLogicOp Op : {TLogicOp::loAnd, TLogicOp::loOr, TLogicOp::loXor, TLogicOp::loAndNot}) {
            TBitFld A(nullptr), B(nullptr);
            A.SetSize(SA);
            B.SetSize(SB);
            std::vector<bool> RA(SA + 1), RB(SB + 1);
            for (int I = 0; I <= SA; ++I) A.SetBit(I, RA[I] = Gen() & 1);
            for (int I = 0; I <= SB; ++I) B.SetBit(I, RB[I] = Gen() & 1);
            A.CombineWith(&B, Op);
            EXPECT_EQ(A.Size(), SA);
            for (int I = 0; I <= SA + 1; ++I) {
                const bool X = I <= SA && RA[I], Y = I <= SB && RB[I];
                const bool Want = I <= SA && (Op == TLogicOp::loAnd ? X && Y : Op == TLogicOp::loOr ? X || Y
                                              : Op == TLogicOp::loXor ? X != Y : X && !Y);
                ASSERT_EQ(A.GetBit(I), Want) << I;
            }
        }
    }
}

TEST(BitFldTest, LargestCountableField) {
    // Size INT32_MAX would make 2^31 bits, more than the count can hold: refused, the
    // field as it was. One bit less is the largest field, counted exactly.
    TBitFld F(nullptr);
    F.SetSize(5);
    F.SetBit(3, true);
    EXPECT_THROW(F.SetSize(std::numeric_limits<int>::max()), EQMRError);
    EXPECT_TRUE(F.Size() == 5 && F.GetBit(3) && F.CountTrueBits() == 1);
    const int Last = std::numeric_limits<int>::max() - 1;
    F.SetSize(Last);  // 256 MiB
    F.Invert();
    EXPECT_EQ(F.CountTrueBits(), Last);  // all of the 2^31 - 1 bits but bit 3
    EXPECT_TRUE(F.GetBit(Last) && !F.GetBit(3) && F.FirstTrueBit() == 0);
}

TEST(ConstantsTest, ValuesAndLnFactorialTable) {
    EXPECT_EQ(uc_MaxDouble, DBL_MAX);
    EXPECT_EQ(uc_MaxSingle, FLT_MAX);
    EXPECT_GE(uc_MaxReal, 1.7e308);
    EXPECT_EQ(uc_MaxInt64, INT64_MAX);
    EXPECT_EQ(uc_sqrt2, std::numbers::sqrt2);
    const Extended Eps = std::numeric_limits<Extended>::epsilon();
    const Extended Want = 1 / std::sqrt(2 * std::numbers::pi_v<Extended>);
    EXPECT_NEAR(static_cast<double>(uc_sqrt2pitom1 / Want - 1), 0.0, 4 * Eps);
    EXPECT_EQ(uc_LnFactorial[0], 0);
    EXPECT_EQ(uc_LnFactorial[1], 0);
    EXPECT_EQ(uc_LnFactorial[10], std::log(Extended(3628800)));
    for (int N = 2; N <= uc_LnFactorialMax; ++N) {
        const Extended L = std::lgamma(static_cast<Extended>(N + 1));
        ASSERT_LE(std::fabs(uc_LnFactorial[N] - L), 4 * Eps * L) << N;
    }
}

TEST(ColorsTest, GrayAndHueSaturationIntensity) {
    EXPECT_NEAR(RGBtoGray(100, 0, 0), 29.9, 1e-12);
    EXPECT_NEAR(RGBtoGray(0, 100, 0), 58.7, 1e-12);
    EXPECT_NEAR(RGBtoGray(0, 0, 100), 11.4, 1e-12);
    double H, S, I;
    for (int Level : {0, 128}) {  // gray: no hue, no saturation
        RGBtoHSI(std::uint8_t(Level), std::uint8_t(Level), std::uint8_t(Level), H, S, I);
        EXPECT_EQ(std::tuple(H, S), std::tuple(0.0, 0.0));
        EXPECT_NEAR(I, Level / 255.0, 1e-12);
    }
    // Against the textbook arccos form of the hue on random colours.
    std::mt19937 Gen(3);
    for (int T = 0; T < 300; ++T) {
        const int R = Gen() % 256, G = Gen() % 256, B = Gen() % 256;
        if (R == G && G == B) continue;
        RGBtoHSI(std::uint8_t(R), std::uint8_t(G), std::uint8_t(B), H, S, I);
        const double Num = 0.5 * ((R - G) + (R - B));
        const double Den = std::sqrt(double(R - G) * (R - G) + double(R - B) * (G - B));
        const double Theta = std::acos(std::clamp(Num / Den, -1.0, 1.0)) * 180 / std::numbers::pi;
        const double Diff = std::fabs(H - (B <= G ? Theta : 360 - Theta));
        EXPECT_LT(std::min(Diff, 360 - Diff), 1e-6) << R << " " << G << " " << B;
        EXPECT_TRUE(H >= 0 && H < 360);
        EXPECT_NEAR(S, 1 - 3.0 * std::min({R, G, B}) / (R + G + B), 1e-12);
        EXPECT_NEAR(I, (R + G + B) / 765.0, 1e-12);
    }
}
