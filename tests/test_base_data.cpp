// CRC-32 step, bit field, numeric constants, ln n! table and colour conversions.
#include "qmr_test_support.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace qmr;

namespace {
std::uint32_t Crc(const std::string& S) {
    std::uint32_t R = 0xFFFFFFFFu;
    for (unsigned char C : S) CalcNextCRC32(C, R);
    return ~R;
}
// Bit-by-bit CRC-32 (no table), to check the table-driven step.
std::uint32_t BitwiseCrc(const std::string& S) {
    std::uint32_t R = 0xFFFFFFFFu;
    for (unsigned char C : S) {
        R ^= C;
        for (int K = 0; K < 8; ++K) R = (R >> 1) ^ (0xEDB88320u & (0u - (R & 1u)));
    }
    return ~R;
}
}  // namespace

TEST(CRC32Test, StandardCheckValueAndBitwiseReference) {
    EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc(""), 0u);
    EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    std::mt19937 Gen(5);
    for (int T = 0; T < 50; ++T) {
        std::string S(T * 3, '\0');
        for (char& C : S) C = static_cast<char>(Gen());
        EXPECT_EQ(Crc(S), BitwiseCrc(S));
    }
}

TEST(BitFldTest, SizeMeansBitsZeroToN) {
    TBitFld F(nullptr);
    EXPECT_EQ(F.Size(), 0);
    for (int N : {0, 1, 63, 64, 65, 130}) {
        F.SetSize(N);
        EXPECT_EQ(F.Size(), N);
        F.Clear();
        F.SetBit(N, true);
        EXPECT_TRUE(F.GetBit(N));
        F.SetBit(N + 1, true);
        F.SetBit(-1, true);
        EXPECT_FALSE(F.GetBit(N + 1));
        EXPECT_FALSE(F.GetBit(-1));
        EXPECT_EQ(F.CountTrueBits(), 1);
        EXPECT_EQ(F.FirstTrueBit(), N);
        F.Invert();
        EXPECT_EQ(F.CountTrueBits(), N);
        EXPECT_FALSE(F.GetBit(N));
        EXPECT_EQ(F.FirstTrueBit(), N == 0 ? -1 : 0);
    }
    F.SetSize(-5);
    EXPECT_EQ(F.Size(), -5);
    F.SetBit(0, true);
    F.Invert();
    EXPECT_FALSE(F.GetBit(0));
    EXPECT_EQ(F.CountTrueBits(), 0);
    EXPECT_EQ(F.FirstTrueBit(), -1);
}

TEST(BitFldTest, ResizeKeepsBitsAndCloneCopies) {
    TBitFld F(nullptr), G(nullptr);
    F.SetSize(100);
    F.SetBit(3, true);
    F.SetBit(70, true);
    F.SetBit(100, true);
    F.SetSize(70);
    EXPECT_EQ(F.CountTrueBits(), 2);
    F.SetSize(200);
    EXPECT_FALSE(F.GetBit(100));
    EXPECT_EQ(F.CountTrueBits(), 2);
    G.Clone(&F);
    EXPECT_EQ(G.Size(), 200);
    EXPECT_TRUE(G.GetBit(70));
    G.SetBit(70, false);
    EXPECT_TRUE(F.GetBit(70));
    G.Clone(nullptr);
    EXPECT_EQ(G.Size(), 200);
}

TEST(BitFldTest, CombineWithMatchesBoolReference) {
    std::mt19937 Gen(9);
    const TLogicOp Ops[] = {TLogicOp::loAnd, TLogicOp::loOr, TLogicOp::loXor, TLogicOp::loAndNot};
    for (auto [SA, SB] : {std::pair{150, 150}, std::pair{150, 40}, std::pair{40, 150}}) {
        for (TLogicOp Op : Ops) {
            TBitFld A(nullptr), B(nullptr);
            A.SetSize(SA);
            B.SetSize(SB);
            std::vector<bool> RA(SA + 1), RB(SB + 1);
            for (int I = 0; I <= SA; ++I) A.SetBit(I, RA[I] = Gen() & 1);
            for (int I = 0; I <= SB; ++I) B.SetBit(I, RB[I] = Gen() & 1);
            A.CombineWith(&B, Op);
            EXPECT_EQ(A.Size(), SA);
            for (int I = 0; I <= SA + 1; ++I) {
                bool X = I <= SA && RA[I], Y = I <= SB && RB[I];
                bool Want = Op == TLogicOp::loAnd ? (X && Y) : Op == TLogicOp::loOr ? (X || Y)
                          : Op == TLogicOp::loXor ? (X != Y) : (X && !Y);
                if (I > SA) Want = false;
                ASSERT_EQ(A.GetBit(I), Want) << I;
            }
        }
    }
}

TEST(BitFldTest, FoldBookkeepingOfACrossValidation) {
    // Rows 1..6 in bits 1..6, bit 0 kept False; a failed fold leaves Used again.
    const int NRow = 6;
    TBitFld Used(nullptr), Test(nullptr);
    Used.SetSize(NRow);
    Test.SetSize(NRow);
    for (int R : {2, 5}) Used.SetBit(R, true);
    for (int R : {3, 4}) {
        Used.SetBit(R, true);
        Test.SetBit(R, true);
    }
    Used.CombineWith(&Test, static_cast<TLogicOp>(3));
    EXPECT_EQ(Used.CountTrueBits(), 2);
    EXPECT_TRUE(Used.GetBit(2) && Used.GetBit(5));
    EXPECT_FALSE(Used.GetBit(3) || Used.GetBit(4));
    // The last fold takes every row not used yet.
    Test.Clone(&Used);
    Test.Invert();
    Test.SetBit(0, false);
    EXPECT_EQ(Test.CountTrueBits(), NRow - 2);
    EXPECT_EQ(Test.FirstTrueBit(), 1);
    Used.Clear();
    Used.Invert();
    Used.SetBit(0, false);
    EXPECT_EQ(Used.CountTrueBits(), NRow);
}

TEST(BitFldTest, OwnedByComponent) {
    auto* Owner = new TComponent(nullptr);
    auto* F = new TBitFld(Owner);
    F->SetSize(10);
    EXPECT_EQ(Owner->ComponentCount(), 1);
    EXPECT_EQ(F->ClassName(), "TBitFld");
    delete Owner;  // frees F; leak checkers see a leak otherwise
}

TEST(ConstantsTest, Values) {
    EXPECT_EQ(uc_MaxDouble, DBL_MAX);
    EXPECT_EQ(uc_MaxSingle, FLT_MAX);
    EXPECT_GE(uc_MaxReal, 1.7e308);
    EXPECT_EQ(uc_MaxInt64, INT64_MAX);
    EXPECT_EQ(uc_sqrt2 * uc_sqrt2, 2.0000000000000004);
    EXPECT_EQ(uc_sqrt2, std::numbers::sqrt2);
    const Extended Want = 1 / std::sqrt(2 * std::numbers::pi_v<Extended>);
    EXPECT_NEAR(static_cast<double>(uc_sqrt2pitom1 / Want - 1), 0.0, 4 * std::numeric_limits<Extended>::epsilon());
}

TEST(ConstantsTest, LnFactorialTable) {
    EXPECT_EQ(uc_LnFactorial[0], 0);
    EXPECT_EQ(uc_LnFactorial[1], 0);
    EXPECT_EQ(uc_LnFactorial[2], std::log(Extended(2)));
    EXPECT_EQ(uc_LnFactorial[5], std::log(Extended(120)));
    EXPECT_EQ(uc_LnFactorial[10], std::log(Extended(3628800)));
    const Extended Eps = std::numeric_limits<Extended>::epsilon();
    for (int N = 2; N <= uc_LnFactorialMax; ++N) {
        Extended L = std::lgamma(static_cast<Extended>(N + 1));
        ASSERT_LE(std::fabs(uc_LnFactorial[N] - L), 4 * Eps * L) << N;
        // Consecutive entries differ by ln n.
        Extended D = uc_LnFactorial[N] - uc_LnFactorial[N - 1];
        ASSERT_LE(std::fabs(D - std::log(static_cast<Extended>(N))), 4 * Eps * uc_LnFactorial[N]) << N;
    }
}

TEST(ColorsTest, GrayValue) {
    EXPECT_NEAR(RGBtoGray(255, 255, 255), 255.0, 1e-9);
    EXPECT_EQ(RGBtoGray(0, 0, 0), 0.0);
    EXPECT_NEAR(RGBtoGray(100, 0, 0), 29.9, 1e-12);
    EXPECT_NEAR(RGBtoGray(0, 100, 0), 58.7, 1e-12);
    EXPECT_NEAR(RGBtoGray(0, 0, 100), 11.4, 1e-12);
}

TEST(ColorsTest, HueSaturationIntensity) {
    double H, S, I;
    RGBtoHSI(255, 0, 0, H, S, I);
    EXPECT_NEAR(H, 0, 1e-12);
    EXPECT_NEAR(S, 1, 1e-12);
    EXPECT_NEAR(I, 1.0 / 3, 1e-12);
    RGBtoHSI(0, 255, 0, H, S, I);
    EXPECT_NEAR(H, 120, 1e-9);
    RGBtoHSI(0, 0, 255, H, S, I);
    EXPECT_NEAR(H, 240, 1e-9);
    RGBtoHSI(255, 255, 0, H, S, I);
    EXPECT_NEAR(H, 60, 1e-9);
    EXPECT_NEAR(I, 2.0 / 3, 1e-12);
    RGBtoHSI(128, 128, 128, H, S, I);
    EXPECT_EQ(H, 0);
    EXPECT_EQ(S, 0);
    EXPECT_NEAR(I, 128 / 255.0, 1e-12);
    RGBtoHSI(0, 0, 0, H, S, I);
    EXPECT_EQ(H + S + I, 0);
    // Textbook arccos form of the hue on random colours.
    std::mt19937 Gen(3);
    for (int T = 0; T < 200; ++T) {
        int R = Gen() % 256, G = Gen() % 256, B = Gen() % 256;
        if (R == G && G == B) continue;
        RGBtoHSI(R, G, B, H, S, I);
        double Num = 0.5 * ((R - G) + (R - B));
        double Den = std::sqrt(double(R - G) * (R - G) + double(R - B) * (G - B));
        double Theta = std::acos(std::clamp(Num / Den, -1.0, 1.0)) * 180 / std::numbers::pi;
        double Want = B <= G ? Theta : 360 - Theta;
        if (Want >= 360) Want -= 360;
        double Diff = std::fabs(H - Want);
        EXPECT_LT(std::min(Diff, 360 - Diff), 1e-6) << R << " " << G << " " << B;
        EXPECT_NEAR(S, 1 - 3.0 * std::min({R, G, B}) / (R + G + B), 1e-12);
        EXPECT_GE(H, 0);
        EXPECT_LT(H, 360);
    }
}
