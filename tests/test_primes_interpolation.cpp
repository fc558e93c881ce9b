// Primes, factorisation, fractions, table interpolation, bits and byte order.
#include "qmr_test_support.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <utility>

using namespace qmr;

namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// Sieve of Eratosthenes up to Limit.
std::vector<bool> Sieve(int Limit) {
    std::vector<bool> Prime(static_cast<std::size_t>(Limit) + 1, true);
    Prime[0] = Prime[1] = false;
    for (int I = 2; I * I <= Limit; ++I)
        if (Prime[static_cast<std::size_t>(I)])
            for (int J = I * I; J <= Limit; J += I) Prime[static_cast<std::size_t>(J)] = false;
    return Prime;
}

// The cancellation by repeated passes of trial divisors, done literally.
void CancelByPasses(std::int32_t& N, std::int32_t& D) {
    bool Divided = true;
    while (Divided) {
        Divided = false;
        const std::int32_t M = std::min(std::abs(N), std::abs(D));
        if (M < 2) return;
        for (std::int32_t C = 2; C <= M; ++C)
            if (N % C == 0 && D % C == 0) {
                N /= C;
                D /= C;
                Divided = true;
            }
    }
}

template <class F>
std::string MessageOf(F&& Call) {
    try {
        Call();
    } catch (const EQMRMath1Error& E) {
        return E.what();
    }
    return "<no EQMRMath1Error>";
}

}  // namespace

TEST(Primes, TableAndPrimalityAgainstSieve) {
    const auto Prime = Sieve(200000);
    std::vector<std::int32_t> Listed;
    for (int I = 2; I <= 46340; ++I)
        if (Prime[static_cast<std::size_t>(I)]) Listed.push_back(I);
    ASSERT_EQ(Listed.size(), 4792u);
    for (std::size_t I = 0; I < Listed.size(); ++I) ASSERT_EQ(ListOfPrimes(static_cast<std::int32_t>(I + 1)), Listed[I]);
    EXPECT_EQ(ListOfPrimes(1), 2);
    EXPECT_EQ(ListOfPrimes(4792), 46337);
    EXPECT_EQ(ListOfPrimes(4793), 0);
    EXPECT_EQ(ListOfPrimes(0), 0);
    EXPECT_EQ(ListOfPrimes(-1), 0);

    for (int N = 2; N <= 200000; ++N) {
        ASSERT_EQ(IsPrime(N), Prime[static_cast<std::size_t>(N)]) << N;
        ASSERT_EQ(IsPrime(-N), Prime[static_cast<std::size_t>(N)]) << -N;
    }
    EXPECT_TRUE(IsPrime(0));
    EXPECT_TRUE(IsPrime(1));
    EXPECT_TRUE(IsPrime(-1));
    EXPECT_TRUE(IsPrime(kMax32));            // 2^31 - 1
    EXPECT_FALSE(IsPrime(46337 * 46337));    // square of the largest table prime
    EXPECT_FALSE(IsPrime(kMax32 - 1));
    EXPECT_FALSE(IsPrime(kMin32));           // -2^31, magnitude beyond 32 bits
    EXPECT_TRUE(IsPrime(-kMax32));
}

TEST(Primes, FactorisationExamplesAndProducts) {
    TIntArray F{99};
    FindPrimeFactors(360, F);
    EXPECT_EQ(F, (TIntArray{2, 2, 2, 3, 3, 5}));
    FindPrimeFactors(kMax32, F);
    EXPECT_EQ(F, (TIntArray{kMax32}));
    FindPrimeFactors(1, F);
    EXPECT_TRUE(F.empty());
    FindPrimeFactors(-12, F);
    EXPECT_TRUE(F.empty());
    FindPrimeFactors(46337 * 46337, F);
    EXPECT_EQ(F, (TIntArray{46337, 46337}));
    FindPrimeFactors(2 * 1073741789, F);  // 1073741789 is prime
    EXPECT_EQ(F, (TIntArray{2, 1073741789}));

    // Ascending prime factors whose product is N (IsPrime is checked against a sieve above).
    auto Check = [](std::int32_t N) {
        TIntArray G;
        FindPrimeFactors(N, G);
        std::int64_t Product = 1;
        for (std::size_t I = 0; I < G.size(); ++I) {
            Product *= G[I];
            ASSERT_TRUE(G[I] >= 2 && IsPrime(G[I])) << N;
            ASSERT_TRUE(I == 0 || G[I - 1] <= G[I]) << N;
        }
        ASSERT_EQ(Product, N);
    };
    for (std::int32_t N = 2; N <= 30000; ++N) Check(N);
    std::mt19937 Gen(2);
    std::uniform_int_distribution<std::int32_t> Big(2, kMax32);
    for (int I = 0; I < 300; ++I) Check(Big(Gen));
}

TEST(Primes, CancelFraction) {
    for (std::int32_t N = -60; N <= 60; ++N)
        for (std::int32_t D = -60; D <= 60; ++D) {
            std::int32_t N1 = N, D1 = D, N2 = N, D2 = D;
            CancelFraction(N1, D1);
            CancelByPasses(N2, D2);
            ASSERT_EQ(N1, N2) << N << "/" << D;
            ASSERT_EQ(D1, D2) << N << "/" << D;
        }
    auto Cancelled = [](std::int32_t N, std::int32_t D) {
        CancelFraction(N, D);
        return std::pair{N, D};
    };
    EXPECT_EQ(Cancelled(12, -18), std::pair(2, -3));
    EXPECT_EQ(Cancelled(0, 5), std::pair(0, 5));
    // Magnitudes beyond 32 bits and a large coprime pair.
    EXPECT_EQ(Cancelled(kMin32, 6), std::pair(-(1 << 30), 3));
    EXPECT_EQ(Cancelled(kMin32, kMin32), std::pair(-1, -1));
    EXPECT_EQ(Cancelled(3, kMin32), std::pair(3, kMin32));
    EXPECT_EQ(Cancelled(kMax32, kMax32 - 1), std::pair(kMax32, kMax32 - 1));
}

TEST(InterpolTable, ExamplesAndLinearClosedForm) {
    const TDoubleArray V{10, 20, 40, 30};
    EXPECT_EQ(InterpolTable(0.0, 0.0, 3.0, V), 10.0);
    EXPECT_DOUBLE_EQ(InterpolTable(1.5, 0.0, 3.0, V), 30.0);   // halfway between second and third
    EXPECT_EQ(InterpolTable(3.0, 0.0, 3.0, V), 30.0);          // exactly X1
    EXPECT_DOUBLE_EQ(InterpolTable(5.0, 0.0, 3.0, V), 10.0);   // beyond X1 on the last slope
    EXPECT_DOUBLE_EQ(InterpolTable(-1.0, 0.0, 3.0, V), 0.0);   // before X0 on the first slope
    // Descending range: X0 holds the first value.
    EXPECT_EQ(InterpolTable(3.0, 3.0, 0.0, V), 10.0);
    EXPECT_DOUBLE_EQ(InterpolTable(0.5, 3.0, 0.0, V), 35.0);
    EXPECT_DOUBLE_EQ(InterpolTable(-1.0, 3.0, 0.0, V), 20.0);
    EXPECT_DOUBLE_EQ(InterpolTable(4.0, 3.0, 0.0, V), 0.0);

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
        EXPECT_NEAR(InterpolTable(X, X1, X0, TDoubleArray(L.rbegin(), L.rend())), 3 * X + 1, 1e-12) << X;
        const double Pos = (N - 1) * (X - X0) / (X1 - X0);
        EXPECT_NEAR(InterpolTable(X, X0, X1, Li), 2 * Pos - 7, 1e-12) << X;
    }
}

TEST(InterpolTable, FarEndAndFailures) {
    // The position of X just inside X1 rounds up to n - 1: the last value, no read beyond.
    EXPECT_EQ(InterpolTable(0.8999999999999999, 0.2, 0.9, TDoubleArray{1.0, 2.0}), 2.0);
    EXPECT_EQ(InterpolTable(0.8999999999999999, 0.2, 0.9, TIntArray{5, 9}), 9.0);
    // X1 itself where (n - 1) (X1 - X0) / (X1 - X0) computes below n - 1.
    const double X0 = -29.82037724341609, X1 = 82.271609582235357;
    ASSERT_LT(3 * (X1 - X0) / (X1 - X0), 3.0);
    EXPECT_EQ(InterpolTable(X1, X0, X1, TDoubleArray{0, 0, 1, 3}), 3.0);
    EXPECT_EQ(InterpolTable(X1, X0, X1, TIntArray{0, 0, 1, 3}), 3.0);
    // Just inside the far end of many ranges (either direction): within the last segment.
    std::mt19937 Gen(9);
    std::uniform_real_distribution<double> U(-100, 100);
    for (int I = 0; I < 2000; ++I) {
        const double A = U(Gen), B = U(Gen);
        if (A == B) continue;
        const std::size_t N = 2 + static_cast<std::size_t>(I % 6);
        TDoubleArray W(N);
        for (std::size_t K = 0; K < N; ++K) W[K] = static_cast<double>(K * K);
        const double R = InterpolTable(std::nextafter(B, A), A, B, W);
        EXPECT_LE(R, W[N - 1]);
        EXPECT_GE(R, W[N - 2]);
    }

    EXPECT_EQ(MessageOf([] { InterpolTable(1, 0, 1, TDoubleArray{1}); }),
              "InterpolTable: pivot array must contain at least 2 values");
    EXPECT_EQ(MessageOf([] { InterpolTable(1, 2, 2, TDoubleArray{1}); }),
              "InterpolTable: pivot array must contain at least 2 values");
    EXPECT_EQ(MessageOf([] { InterpolTable(1, 2, 2, TIntArray{1, 2}); }),
              "InterpolTable: specified range of pivot array is zero");
    // Non-finite input gives NaN, not an exception.
    const double Inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(InterpolTable(std::nan(""), 0, 1, TDoubleArray{1, 2})));
    EXPECT_TRUE(std::isnan(InterpolTable(0, -Inf, Inf, TDoubleArray{1, 2})));
}

TEST(InterpolXYTable, AgainstPiecewiseLinearReference) {
    const TDoubleArray Xs{-3, -1, 0.5, 2, 6};
    const TDoubleArray Ys{4, -2, 1, 1, 9};
    auto Reference = [&](double X) {
        for (std::size_t I = 0; I + 1 < Xs.size(); ++I)
            if (X >= Xs[I] && X <= Xs[I + 1])
                return Ys[I] + (X - Xs[I]) * (Ys[I + 1] - Ys[I]) / (Xs[I + 1] - Xs[I]);
        return std::nan("");
    };
    const TDouble2DArray Asc{Xs, Ys};
    const TDouble2DArray Desc{TDoubleArray(Xs.rbegin(), Xs.rend()), TDoubleArray(Ys.rbegin(), Ys.rend())};
    for (double X = -2.99; X < 6; X += 0.0731) {
        EXPECT_NEAR(InterpolXYTable(X, Asc, false), Reference(X), 1e-12) << X;
        EXPECT_NEAR(InterpolXYTable(X, Desc, true), Reference(X), 1e-12) << X;
    }
    for (std::size_t I = 1; I + 1 < Xs.size(); ++I) {  // interior pivots give their y
        EXPECT_DOUBLE_EQ(InterpolXYTable(Xs[I], Asc, false), Ys[I]);
        EXPECT_DOUBLE_EQ(InterpolXYTable(Xs[I], Desc, false), Ys[I]);
    }
}

TEST(InterpolXYTable, EndsAndExtrapolation) {
    const TDouble2DArray Asc{{0, 1, 3}, {5, 7, 3}};
    const TDouble2DArray Desc{{3, 1, 0}, {3, 7, 5}};
    for (const auto* P : {&Asc, &Desc}) {
        EXPECT_EQ(InterpolXYTable(0, *P, false), 0.0);  // an end pivot without extrapolation
        EXPECT_EQ(InterpolXYTable(3, *P, false), 0.0);
        EXPECT_EQ(InterpolXYTable(0, *P, true), 5.0);
        EXPECT_EQ(InterpolXYTable(3, *P, true), 3.0);
        EXPECT_EQ(InterpolXYTable(-1, *P, false), 0.0);
        EXPECT_EQ(InterpolXYTable(10, *P, false), 0.0);
        EXPECT_DOUBLE_EQ(InterpolXYTable(-1, *P, true), 3.0);   // slope 2 at the low end
        EXPECT_DOUBLE_EQ(InterpolXYTable(5, *P, true), -1.0);   // slope -2 at the high end
    }
    // Two end pivots with the same x: the end pivot's y, no division by zero.
    const TDouble2DArray Flat{{1, 1, 4, 4}, {2, 8, 6, 9}};
    EXPECT_EQ(InterpolXYTable(-5, Flat, true), 2.0);
    EXPECT_EQ(InterpolXYTable(7, Flat, true), 9.0);
    EXPECT_DOUBLE_EQ(InterpolXYTable(2.5, Flat, true), 7.0);
}

TEST(InterpolXYTable, Failures) {
    const std::string Cols = "InterpolXYTable: pivot array must contain 2 columns";
    const std::string Rows = "InterpolXYTable: pivot array must contain at least 2 rows";
    EXPECT_EQ(MessageOf([] { InterpolXYTable(0, TDouble2DArray{}, true); }), Cols);
    EXPECT_EQ(MessageOf([] { InterpolXYTable(0, TDouble2DArray{{1, 2}}, true); }), Cols);
    EXPECT_EQ(MessageOf([] { InterpolXYTable(0, TDouble2DArray{{1, 2}, {1, 2}, {1, 2}}, true); }), Cols);
    EXPECT_EQ(MessageOf([] { InterpolXYTable(0, TDouble2DArray{{1}, {1}}, true); }), Rows);
    EXPECT_EQ(MessageOf([] { InterpolXYTable(0, TDouble2DArray{{1, 2, 3}, {1, 2}}, true); }), Cols);
    EXPECT_EQ(MessageOf([] { InterpolXYTable(0, TDouble2DArray{{1, 2}, {1, 2, 3}}, true); }), Cols);
    static_assert(std::is_base_of_v<EQMRError, EQMRMath1Error>);
}

TEST(InterpolZofXYRect, CornersAndBilinearClosedForm) {
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 0, 0), 1.0);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 0, 1), 2.0);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 1, 0), 3.0);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 1, 1), 4.0);
    // z = a + b S + c T + d S T is reproduced exactly by bilinear interpolation.
    auto Z = [](double S, double T) { return 1.5 - 2 * S + 0.25 * T + 3 * S * T; };
    for (double S = -0.5; S <= 1.5; S += 0.25)
        for (double T = -0.5; T <= 1.5; T += 0.25)
            EXPECT_NEAR(InterpolZofXYRect(Z(0, 0), Z(0, 1), Z(1, 0), Z(1, 1), S, T), Z(S, T), 1e-14);
}

TEST(Bits, MasksAndLowestBit) {
    for (int N = 0; N <= 7; ++N) EXPECT_EQ(DecodeBit(N), 1 << N);
    EXPECT_EQ(DecodeBit(8), 0);
    EXPECT_EQ(DecodeBit(-1), 0);
    for (int N = 0; N <= 30; ++N) EXPECT_EQ(DecodeLong(N), 1 << N);
    EXPECT_EQ(DecodeLong(31), kMin32);
    EXPECT_EQ(DecodeLong(32), 0);
    EXPECT_EQ(DecodeLong(-1), 0);
    EXPECT_EQ(EncodeLong(12), 2);
    EXPECT_EQ(EncodeLong(0), 31);
    for (int N = 0; N <= 31; ++N) EXPECT_EQ(EncodeLong(std::uint32_t{1} << N), N);
    EXPECT_EQ(EncodeLong(0xFFFF0000u), 16);
}

TEST(Bits, ByteCountsReversalAndGrayCode) {
    for (unsigned B = 0; B < 256; ++B) {
        int Count = 0;
        unsigned Rev = 0;
        for (int K = 0; K < 8; ++K) {
            Count += (B >> K) & 1;
            Rev = (Rev << 1) | ((B >> K) & 1);
        }
        EXPECT_EQ(CountBits(static_cast<std::uint8_t>(B)), Count);
        EXPECT_EQ(BitReversal(static_cast<std::uint8_t>(B)), Rev);
    }
    EXPECT_EQ(GrayCode(2), 3);
    // Decoding by prefix xor returns every N, and neighbours differ in one bit.
    for (unsigned N = 0; N < 65536; ++N) {
        const unsigned G = GrayCode(static_cast<std::uint16_t>(N));
        unsigned Decoded = 0;
        for (unsigned V = G; V != 0; V >>= 1) Decoded ^= V;
        ASSERT_EQ(Decoded, N);
        if (N > 0) {
            ASSERT_EQ(std::popcount(G ^ GrayCode(static_cast<std::uint16_t>(N - 1))), 1);
        }
    }
}

TEST(Bits, ConvertEndian) {
    const std::uint16_t W = 0x1234;
    static_assert(std::is_same_v<decltype(ConvertEndian(W)), std::uint16_t>);
    EXPECT_EQ(ConvertEndian(W), 0x3412);
    static_assert(std::is_same_v<decltype(ConvertEndian(std::int32_t{})), std::int32_t>);
    EXPECT_EQ(ConvertEndian(std::int32_t{0x12345678}), 0x78563412);
    EXPECT_EQ(ConvertEndian(std::int32_t{-2}), static_cast<std::int32_t>(0xFEFFFFFFu));
    auto Reversed = [](auto X) {
        unsigned char Bytes[sizeof X];
        std::memcpy(Bytes, &X, sizeof X);
        std::reverse(std::begin(Bytes), std::end(Bytes));
        decltype(X) R;
        std::memcpy(&R, Bytes, sizeof X);
        return R;
    };
    for (double D : {1.0, -2.5, 1e-300, 123456.789}) {
        static_assert(std::is_same_v<decltype(ConvertEndian(D)), double>);
        const double R = ConvertEndian(D);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(R), std::bit_cast<std::uint64_t>(Reversed(D)));
        EXPECT_EQ(ConvertEndian(R), D);
    }
    for (float F : {1.0f, -2.5f, 3e-30f}) {
        static_assert(std::is_same_v<decltype(ConvertEndian(F)), float>);
        const float R = ConvertEndian(F);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(R), std::bit_cast<std::uint32_t>(Reversed(F)));
        EXPECT_EQ(ConvertEndian(R), F);
    }
}
