// Primes, factorisation, fractions, table interpolation, bits and byte order.
#include "qmr_test_support.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <type_traits>
#include <utility>

using namespace qmr;

namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

template <class F> std::string MessageOf(F&& Call) try {
    return Call(), "<no EQMRMath1Error>";
} catch (const EQMRMath1Error& E) {
    return E.what();
}

}  // namespace

TEST(Primes, TableAndPrimalityAgainstSieve) {
    constexpr int Limit = 200000;
    std::vector<bool> Prime(Limit + 1, true);
    for (int I = 2; I * I <= Limit; ++I)
        if (Prime[static_cast<std::size_t>(I)])
            for (int J = I * I; J <= Limit; J += I) Prime[static_cast<std::size_t>(J)] = false;
    std::int32_t Index = 0;
    for (int N = 2; N <= Limit; ++N) {
        const bool P = Prime[static_cast<std::size_t>(N)];
        ASSERT_TRUE(IsPrime(N) == P && IsPrime(-N) == P) << N;
        if (P && N <= 46340) {
            ASSERT_EQ(ListOfPrimes(++Index), N);
        }
    }
    EXPECT_EQ(Index, 4792);
    EXPECT_EQ(ListOfPrimes(4792), 46337);
    EXPECT_EQ(ListOfPrimes(4793), 0);
    EXPECT_EQ(ListOfPrimes(0), 0);
    EXPECT_TRUE(IsPrime(0) && IsPrime(1) && IsPrime(-1) && IsPrime(kMax32) && IsPrime(-kMax32));
    EXPECT_FALSE(IsPrime(46337 * 46337) || IsPrime(kMax32 - 1) || IsPrime(kMin32));
}

TEST(Primes, FactorisationIsAscendingPrimesWithProductN) {
    TIntArray F{99};
    const std::pair<std::int32_t, TIntArray> Cases[] = {
        {360, {2, 2, 2, 3, 3, 5}}, {kMax32, {kMax32}}, {46337 * 46337, {46337, 46337}},
        {2 * 1073741789, {2, 1073741789}}, {1, {}}, {-12, {}}};  // 1073741789 is prime
    for (const auto& [N, Want] : Cases) {
        FindPrimeFactors(N, F);
        EXPECT_EQ(F, Want) << N;
    }
    std::mt19937 Gen(2);
    std::uniform_int_distribution<std::int32_t> Big(2, kMax32);
    for (std::int32_t K = 0; K < 30300; ++K) {
        const std::int32_t N = K < 30000 ? K + 2 : Big(Gen);
        FindPrimeFactors(N, F);
        std::int64_t Product = 1;
        for (std::size_t I = 0; I < F.size(); ++I) {
            Product *= F[I];
            ASSERT_TRUE(F[I] >= 2 && IsPrime(F[I]) && (I == 0 || F[I - 1] <= F[I])) << N;
        }
        ASSERT_EQ(Product, N);
    }
}

TEST(Primes, CancelFraction) {
    auto Cancelled = [](std::int32_t N, std::int32_t D) {
        CancelFraction(N, D);
        return std::pair{N, D};
    };
    // Reference: repeated passes of trial divisors, literally.
    for (std::int32_t N = -60; N <= 60; ++N)
        for (std::int32_t D = -60; D <= 60; ++D) {
            std::int32_t RN = N, RD = D;
            for (bool Divided = true; Divided;) {
                Divided = false;
                for (std::int32_t C = 2; C <= std::min(std::abs(RN), std::abs(RD)); ++C)
                    if (RN % C == 0 && RD % C == 0) RN /= C, RD /= C, Divided = true;
            }
            ASSERT_EQ(Cancelled(N, D), std::pair(RN, RD)) << N << "/" << D;
        }
    const std::int32_t Cases[][4] = {{12, -18, 2, -3}, {0, 5, 0, 5}, {kMin32, 6, -(1 << 30), 3},
                                     {kMin32, kMin32, -1, -1}, {3, kMin32, 3, kMin32},
                                     {kMax32, kMax32 - 1, kMax32, kMax32 - 1}};  // large and coprime
    for (const auto& C : Cases) EXPECT_EQ(Cancelled(C[0], C[1]), std::pair(C[2], C[3])) << C[0] << "/" << C[1];
}

TEST(InterpolTable, PivotsEndsAndLinearClosedForm) {
    const TDoubleArray V{10, 20, 40, 30};
    const double Cases[][4] = {  // X, X0, X1, result
        {0, 0, 3, 10}, {1.5, 0, 3, 30}, {3, 0, 3, 30}, {5, 0, 3, 10}, {-1, 0, 3, 0},
        {3, 3, 0, 10}, {0.5, 3, 0, 35}, {-1, 3, 0, 20}, {4, 3, 0, 0}};
    for (const auto& C : Cases) EXPECT_DOUBLE_EQ(InterpolTable(C[0], C[1], C[2], V), C[3]) << C[0] << " " << C[1];
    // Pivots of f(x) = 3 x + 1 reproduce f inside and outside the range.
    const double X0 = -2.5, X1 = 4.0;
    const int N = 14;
    TDoubleArray L(N);
    TIntArray Li(N);
    for (int I = 0; I < N; ++I) {
        L[static_cast<std::size_t>(I)] = 3 * (X0 + (X1 - X0) * I / (N - 1)) + 1;
        Li[static_cast<std::size_t>(I)] = 2 * I - 7;
    }
    for (double X = -6; X <= 8; X += 0.173) {
        EXPECT_NEAR(InterpolTable(X, X0, X1, L), 3 * X + 1, 1e-12) << X;
        EXPECT_NEAR(InterpolTable(X, X0, X1, Li), 2 * (N - 1) * (X - X0) / (X1 - X0) - 7, 1e-12) << X;
    }
}

TEST(InterpolTable, FarEndAndFailures) {
    // X just inside X1 computes the position n - 1: the last value, no read beyond.
    EXPECT_EQ(InterpolTable(0.8999999999999999, 0.2, 0.9, TDoubleArray{1.0, 2.0}), 2.0);
    EXPECT_EQ(InterpolTable(0.8999999999999999, 0.2, 0.9, TIntArray{5, 9}), 9.0);
    // X1 itself where (n - 1) (X1 - X0) / (X1 - X0) computes below n - 1.
    const double X0 = -29.82037724341609, X1 = 82.271609582235357;
    ASSERT_LT(3 * (X1 - X0) / (X1 - X0), 3.0);
    EXPECT_EQ(InterpolTable(X1, X0, X1, TDoubleArray{0, 0, 1, 3}), 3.0);
    EXPECT_EQ(InterpolTable(X1, X0, X1, TIntArray{0, 0, 1, 3}), 3.0);
    EXPECT_EQ(MessageOf([] { InterpolTable(1, 2, 2, TDoubleArray{1}); }),
              "InterpolTable: pivot array must contain at least 2 values");
    EXPECT_EQ(MessageOf([] { InterpolTable(1, 2, 2, TIntArray{1, 2}); }),
              "InterpolTable: specified range of pivot array is zero");
    const double Inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(InterpolTable(std::nan(""), 0, 1, TDoubleArray{1, 2})) &&
                std::isnan(InterpolTable(0, -Inf, Inf, TDoubleArray{1, 2})));
}

TEST(InterpolXYTable, AgainstPiecewiseLinearReference) {
    const TDoubleArray Xs{-3, -1, 0.5, 2, 6}, Ys{4, -2, 1, 1, 9};
    const TDouble2DArray Asc{Xs, Ys};
    const TDouble2DArray Desc{TDoubleArray(Xs.rbegin(), Xs.rend()), TDoubleArray(Ys.rbegin(), Ys.rend())};
    for (double X = -2.99; X < 6; X += 0.0731) {
        const std::size_t I = static_cast<std::size_t>(std::upper_bound(Xs.begin(), Xs.end(), X) - Xs.begin()) - 1;
        const double Ref = Ys[I] + (X - Xs[I]) * (Ys[I + 1] - Ys[I]) / (Xs[I + 1] - Xs[I]);
        EXPECT_NEAR(InterpolXYTable(X, Asc, false), Ref, 1e-12) << X;
        EXPECT_NEAR(InterpolXYTable(X, Desc, true), Ref, 1e-12) << X;
    }
    for (std::size_t I = 1; I + 1 < Xs.size(); ++I) {  // interior pivots give their y
        EXPECT_DOUBLE_EQ(InterpolXYTable(Xs[I], Asc, false), Ys[I]);
        EXPECT_DOUBLE_EQ(InterpolXYTable(Xs[I], Desc, false), Ys[I]);
    }
}

TEST(InterpolXYTable, EndsExtrapolationAndFailures) {
    const TDouble2DArray Asc{{0, 1, 3}, {5, 7, 3}}, Desc{{3, 1, 0}, {3, 7, 5}};
    const double Cases[][3] = {  // X, without, with extrapolation
        {0, 0, 5}, {3, 0, 3}, {-1, 0, 3}, {5, 0, -1}, {10, 0, -11}};
    for (const auto* P : {&Asc, &Desc})
        for (const auto& C : Cases) {
            EXPECT_DOUBLE_EQ(InterpolXYTable(C[0], *P, false), C[1]) << C[0];
            EXPECT_DOUBLE_EQ(InterpolXYTable(C[0], *P, true), C[2]) << C[0];
        }
    // Two end pivots with the same x: the end pivot's y, no division by zero.
    const TDouble2DArray Flat{{1, 1, 4, 4}, {2, 8, 6, 9}};
    EXPECT_EQ(InterpolXYTable(-5, Flat, true), 2.0);
    EXPECT_EQ(InterpolXYTable(7, Flat, true), 9.0);
    const std::string Cols = "InterpolXYTable: pivot array must contain 2 columns";
    const std::string Rows = "InterpolXYTable: pivot array must contain at least 2 rows";
    // The row count is tested first; only an array without columns gets the columns message.
    const struct { TDouble2DArray P; std::string Want; } Bad[] = {
        {{}, Cols}, {{{1, 2}}, Cols}, {{{1, 2}, {1, 2}, {1, 2}}, Cols}, {{{1}, {1}}, Rows},
        {{{1}, {1}, {1}}, Rows}, {{{1}}, Rows}, {{{}}, Rows}, {{{}, {1, 2}, {3}}, Rows},
        {{{1, 2, 3}, {1, 2}}, Cols}, {{{1, 2}, {1, 2, 3}}, Cols}};
    for (const auto& B : Bad) EXPECT_EQ(MessageOf([&] { InterpolXYTable(0, B.P, true); }), B.Want);
}

TEST(InterpolZofXYRect, BilinearClosedForm) {
    // z = a + b S + c T + d S T is bilinear: reproduced from its corners (the grid holds them).
    auto Z = [](double S, double T) { return 1.5 - 2 * S + 0.25 * T + 3 * S * T; };
    for (double S = -0.5; S <= 1.5; S += 0.25)
        for (double T = -0.5; T <= 1.5; T += 0.25)
            EXPECT_NEAR(InterpolZofXYRect(Z(0, 0), Z(0, 1), Z(1, 0), Z(1, 1), S, T), Z(S, T), 1e-14) << S << " " << T;
}

TEST(Bits, MasksLowestBitCountsReversalAndGrayCode) {
    for (int N = -1; N <= 32; ++N) {
        EXPECT_EQ(DecodeBit(N), N >= 0 && N <= 7 ? 1 << N : 0) << N;
        EXPECT_EQ(DecodeLong(N), N >= 0 && N <= 31 ? static_cast<std::int32_t>(std::uint32_t{1} << N) : 0) << N;
        if (N >= 0 && N <= 31) {
            EXPECT_EQ(EncodeLong((std::uint32_t{1} << N) | 0x80000000u), N);
        }
    }
    EXPECT_EQ(EncodeLong(12), 2);
    EXPECT_EQ(EncodeLong(0), 31);
    for (std::uint8_t B = 0; B != 255; ++B) {  // the byte reversal by the 64-bit multiply-and-modulus trick
        EXPECT_EQ(CountBits(B), std::popcount(B));
        EXPECT_EQ(BitReversal(B), (B * 0x0202020202ULL & 0x010884422010ULL) % 1023) << int{B};
    }
    EXPECT_TRUE(CountBits(255) == 8 && BitReversal(255) == 255);
    EXPECT_EQ(GrayCode(2), 3);
    for (unsigned N = 0; N < 65536; ++N) {  // decoding by prefix xor returns N
        unsigned Decoded = 0;
        for (unsigned V = GrayCode(static_cast<std::uint16_t>(N)); V != 0; V >>= 1) Decoded ^= V;
        ASSERT_EQ(Decoded, N);
    }
}

TEST(Bits, ConvertEndianReversesTheBytesOfEachType) {
    static_assert(std::is_same_v<decltype(ConvertEndian(std::uint16_t{})), std::uint16_t>);  // no promotion
    EXPECT_EQ(ConvertEndian(std::uint16_t{0x1234}), 0x3412);
    EXPECT_EQ(ConvertEndian(std::int32_t{0x12345678}), 0x78563412);
    EXPECT_EQ(ConvertEndian(std::int32_t{-2}), static_cast<std::int32_t>(0xFEFFFFFFu));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ConvertEndian(1.0)), 0x000000000000F03Full);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ConvertEndian(-0.1)), 0x9A9999999999B9BFull);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(ConvertEndian(1.0f)), 0x0000803Fu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(ConvertEndian(-2.5f)), 0x000020C0u);
}
