// Runtime core: rounding, checked conversion, components, messages, random generator.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>

using namespace qmr;

TEST(RoundingTest, HalvesGoToEven) {
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(-3.5), -4);
    EXPECT_EQ(Round(0.49999999999999994), 0);
    EXPECT_EQ(Round(4503599627370497.0), 4503599627370497);
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_DOUBLE_EQ(Frac(-1.25), -0.25);
    EXPECT_DOUBLE_EQ(Int(-1.75), -1.0);
}

TEST(RoundingTest, NaNAndOverflowNeverReachACast) {
    EXPECT_THROW(Round(std::nan("")), EMathError);
    EXPECT_THROW(Trunc(1e300), EMathError);
    EXPECT_THROW(Round(9223372036854775808.0), EMathError);
    std::int64_t Out = 7;
    EXPECT_FALSE(detail::CheckedTruncToInt64(std::numeric_limits<double>::infinity(), Out));
    EXPECT_EQ(Out, 7);
    EXPECT_TRUE(detail::CheckedTruncToInt64(-9223372036854775808.0L, Out));
    EXPECT_EQ(Out, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(detail::RoundToInt32Sat(1e20), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(detail::RoundToInt32Sat(-1e20), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(detail::RoundToInt32Sat(std::nan(""), -5), -5);
    EXPECT_EQ(detail::TruncToInt32Sat(-7.9), -7);
}

namespace {
struct Probe : TComponent {
    explicit Probe(TComponent* Owner, int* Deaths) : TComponent(Owner), FDeaths(Deaths) {}
    ~Probe() override { ++*FDeaths; }
    int* FDeaths;
};
}  // namespace

TEST(ComponentTest, OwnerDeletesOwnedAndChildLeavesOwner) {
    int Deaths = 0;
    auto* Owner = new TComponent(nullptr);
    auto* A = new Probe(Owner, &Deaths);
    new Probe(Owner, &Deaths);
    EXPECT_EQ(Owner->ComponentCount(), 2);
    delete A;
    EXPECT_EQ(Deaths, 1);
    EXPECT_EQ(Owner->ComponentCount(), 1);
    delete Owner;
    EXPECT_EQ(Deaths, 2);
}

TEST(ComponentTest, AssignRefusesByDefaultAndMessageShape) {
    TComponent A(nullptr), B(nullptr);
    EXPECT_THROW(A.Assign(&B), EConvertError);
    EXPECT_THROW(A.Assign(nullptr), EConvertError);
    A.SetName("Mat1");
    EXPECT_EQ(ComponentMessage(&A, "matrices do not match"), "Component \"Mat1\": matrices do not match");
    EXPECT_EQ(ComponentMessage(&A, "invalid number of bins", "Histogram"),
              "Component \"Mat1.Histogram\": invalid number of bins");
    EXPECT_EQ(ComponentMessage(nullptr, "x"), "Component \"\": x");
    EQMRError E("HexToDouble: invalid hex string \"zz\"");
    EXPECT_STREQ(E.what(), "HexToDouble: invalid hex string \"zz\"");
}

TEST(PlatformRandomTest, ReproducibleAndUniform) {
    RandSeed = 12345;
    double First[5];
    for (double& V : First) V = Random();
    RandSeed = 12345;
    for (double V : First) EXPECT_EQ(Random(), V);
    RandSeed = 1;
    double Sum = 0;
    int Counts[10] = {};
    const int N = 100000;
    for (int I = 0; I < N; ++I) {
        double U = Random();
        ASSERT_GE(U, 0.0);
        ASSERT_LT(U, 1.0);
        Sum += U;
        int K = Random(10);
        ASSERT_GE(K, 0);
        ASSERT_LT(K, 10);
        ++Counts[K];
    }
    EXPECT_NEAR(Sum / N, 0.5, 0.005);
    for (int C : Counts) EXPECT_NEAR(C, N / 10, 500);
    EXPECT_EQ(Random(0), 0);
    double S = 0, S2 = 0;
    for (int I = 0; I < N; ++I) {
        double G = RandG(3.0, 2.0);
        S += G;
        S2 += G * G;
    }
    double M = S / N;
    EXPECT_NEAR(M, 3.0, 0.03);
    EXPECT_NEAR(std::sqrt(S2 / N - M * M), 2.0, 0.03);
    EXPECT_GE(ProcessorCount(), 1);
}
