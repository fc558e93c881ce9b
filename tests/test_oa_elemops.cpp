// Flipping, absolute values, Boolean arrays as numbers, linear search.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>

using namespace qmr;

namespace {

template <class T> using V1 = std::vector<T>;
template <class T> using V2 = std::vector<V1<T>>;
template <class T> using V3 = std::vector<V2<T>>;
template <class T> using V4 = std::vector<V3<T>>;

template <class T> class ElemTyped : public ::testing::Test {};
using CellTypes = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(ElemTyped, CellTypes);

TYPED_TEST(ElemTyped, FlipOneAndTwoDimensions) {
    using T = TypeParam;
    V1<T> A = {1, 2, 3, 4, 5};
    EXPECT_EQ(FlipDimArray(A, 1), 0);
    EXPECT_EQ(A, (V1<T>{5, 4, 3, 2, 1}));  // odd length: the middle stays
    EXPECT_EQ(FlipDimArray(A, 2), -2);
    EXPECT_EQ(FlipDimArray(A, 0), -2);
    EXPECT_EQ(A, (V1<T>{5, 4, 3, 2, 1}));
    V1<T> E;
    EXPECT_EQ(FlipDimArray(E, 1), -1);

    V2<T> B = {{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(FlipDimArray(B, 1), 0);
    EXPECT_EQ(B, (V2<T>{{4, 5, 6}, {1, 2, 3}}));
    EXPECT_EQ(FlipDimArray(B, 2), 0);
    EXPECT_EQ(B, (V2<T>{{6, 5, 4}, {3, 2, 1}}));
    EXPECT_EQ(FlipDimArray(B, 3), -2);
    V2<T> R = {{1, 2, 3}, {4}};
    EXPECT_EQ(FlipDimArray(R, 2), -1);
    EXPECT_EQ(R, (V2<T>{{1, 2, 3}, {4}}));
    // A longer later column keeps its length and its extra cell stays where it was.
    V2<T> L = {{1, 2}, {3, 4, 5}};
    EXPECT_EQ(FlipDimArray(L, 1), 0);
    EXPECT_EQ(L, (V2<T>{{3, 4}, {1, 2, 5}}));
}

TYPED_TEST(ElemTyped, FlipHigherDimensions) {
    using T = TypeParam;
    // Cell value encodes its indices; flipping index d maps i_d to n_d - 1 - i_d.
    const std::size_t N[4] = {2, 3, 4, 2};
    auto Make = [&] {
        V4<T> A(N[0], V3<T>(N[1], V2<T>(N[2], V1<T>(N[3]))));
        for (std::size_t I = 0; I < N[0]; ++I)
            for (std::size_t J = 0; J < N[1]; ++J)
                for (std::size_t K = 0; K < N[2]; ++K)
                    for (std::size_t L = 0; L < N[3]; ++L) A[I][J][K][L] = T(1000 * I + 100 * J + 10 * K + L);
        return A;
    };
    for (int D = 1; D <= 4; ++D) {
        V4<T> A = Make();
        ASSERT_EQ(FlipDimArray(A, D), 0);
        for (std::size_t I = 0; I < N[0]; ++I)
            for (std::size_t J = 0; J < N[1]; ++J)
                for (std::size_t K = 0; K < N[2]; ++K)
                    for (std::size_t L = 0; L < N[3]; ++L) {
                        std::size_t Ix[4] = {I, J, K, L};
                        Ix[D - 1] = N[D - 1] - 1 - Ix[D - 1];
                        EXPECT_EQ(A[I][J][K][L], T(1000 * Ix[0] + 100 * Ix[1] + 10 * Ix[2] + Ix[3]));
                    }
    }
    V4<T> A = Make();
    EXPECT_EQ(FlipDimArray(A, 5), -2);
    EXPECT_EQ(A, Make());
    V3<T> B = {{{1, 2}}, {{3, 4}}};
    EXPECT_EQ(FlipDimArray(B, 3), 0);
    EXPECT_EQ(B, (V3<T>{{{2, 1}}, {{4, 3}}}));
}

TYPED_TEST(ElemTyped, AbsoluteValues) {
    using T = TypeParam;
    V1<T> A = {-1, 2, -3};
    EXPECT_EQ(AbsValArray(A), 0);
    EXPECT_EQ(A, (V1<T>{1, 2, 3}));
    V2<T> B = {{-1, 0}, {5, -7}};
    EXPECT_EQ(AbsValArray(B), 0);
    EXPECT_EQ(B, (V2<T>{{1, 0}, {5, 7}}));
    V3<T> C = {{{-2}}};
    EXPECT_EQ(AbsValArray(C), 0);
    EXPECT_EQ(C[0][0][0], T(2));
    V4<T> D = {{{{-4, 4}}}};
    EXPECT_EQ(AbsValArray(D), 0);
    EXPECT_EQ(D[0][0][0], (V1<T>{4, 4}));
    V3<T> E = {{}};
    EXPECT_EQ(AbsValArray(E), -1);
}

TEST(Elem, AbsEdgeValues) {
    const std::int32_t Min = std::numeric_limits<std::int32_t>::min();
    TIntArray A = {Min, -5};
    EXPECT_EQ(AbsValArray(A), 0);
    EXPECT_EQ(A, (TIntArray{Min, 5}));  // wraps like the integer arithmetic
    TDoubleArray B = {-0.0};
    EXPECT_EQ(AbsValArray(B), 0);
    EXPECT_FALSE(std::signbit(B[0]));
}

TYPED_TEST(ElemTyped, BoolToNum) {
    using T = TypeParam;
    V1<T> B = {9, 9, 9, 9};
    EXPECT_EQ(BoolToNumArray(TBoolArray{true, false}, T(0), T(1), B), 0);
    EXPECT_EQ(B, (V1<T>{1, 0}));
    V2<T> C;
    EXPECT_EQ(BoolToNumArray(TBool2DArray{{true, false, true}, {false, false, true}}, T(-1), T(2), C), 0);
    EXPECT_EQ(C, (V2<T>{{2, -1, 2}, {-1, -1, 2}}));
    EXPECT_EQ(BoolToNumArray(TBoolArray{}, T(0), T(1), B), -1);
    EXPECT_EQ(B, (V1<T>{1, 0}));
    EXPECT_EQ(BoolToNumArray(TBool2DArray{{true, true}, {true}}, T(0), T(1), C), -1);
    EXPECT_EQ(BoolToNumArray(TBool2DArray{{}, {}}, T(0), T(1), C), -1);
    EXPECT_EQ(C.size(), 2u);
}

TEST(Elem, FindInArray) {
    EXPECT_EQ(FindInArray(3, TIntArray{1, 3, 3}), 1);
    EXPECT_EQ(FindInArray(7, TIntArray{1, 3}), -2);
    EXPECT_EQ(FindInArray(7, TIntArray{}), -1);

    const TStrArray A = {"xAbx"};
    EXPECT_EQ(FindInArray("ab", A, true, true), 0);
    EXPECT_EQ(FindInArray("ab", A, false, true), -2);
    EXPECT_EQ(FindInArray("ab", A, true, false), -2);
    EXPECT_EQ(FindInArray("XABX", A, true, false), 0);
    const TStrArray B = {"one", "Two", "two", "network"};
    EXPECT_EQ(FindInArray("two", B, false, false), 2);
    EXPECT_EQ(FindInArray("two", B, true, false), 1);  // the first match wins
    EXPECT_EQ(FindInArray("wo", B, false, true), 1);
    EXPECT_EQ(FindInArray("x", TStrArray{}, true, true), -1);
}

}  // namespace
