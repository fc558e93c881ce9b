// Flipping, absolute values, Boolean arrays as numbers, linear search.
#include "qmr_test_support.h"

#include <cmath>

using namespace qmr;
using namespace qmr::test;

namespace {

template <class T> class ElemTyped : public ::testing::Test {};
TYPED_TEST_SUITE(ElemTyped, IntAndDouble);

TYPED_TEST(ElemTyped, FlipOneAndTwoDimensions) {
    using T = TypeParam;
    V1<T> A = {1, 2, 3, 4, 5}, E;
    V2<T> B = {{1, 2, 3}, {4, 5, 6}}, R = Ragged<T>(), L = {{1, 2}, {3, 4, 5}};
    EXPECT_EQ(Ok(FlipDimArray(A, 1), A), (V1<T>{5, 4, 3, 2, 1}));  // odd length: the middle stays
    EXPECT_EQ(FlipDimArray(A, 2), -2);
    EXPECT_EQ(FlipDimArray(A, 0), -2);
    EXPECT_EQ(A, (V1<T>{5, 4, 3, 2, 1}));
    EXPECT_EQ(FlipDimArray(E, 1), -1);
    EXPECT_EQ(Ok(FlipDimArray(B, 1), B), (V2<T>{{4, 5, 6}, {1, 2, 3}}));
    EXPECT_EQ(Ok(FlipDimArray(B, 2), B), (V2<T>{{6, 5, 4}, {3, 2, 1}}));
    EXPECT_EQ(FlipDimArray(B, 3), -2);
    EXPECT_EQ(FlipDimArray(R, 2), -1);
    EXPECT_EQ(R, Ragged<T>());
    // A longer later column keeps its length and its extra cell stays where it was.
    EXPECT_EQ(Ok(FlipDimArray(L, 1), L), (V2<T>{{3, 4}, {1, 2, 5}}));
}

TYPED_TEST(ElemTyped, FlipHigherDimensions) {
    using T = TypeParam;
    // Each cell holds its indices as digits; flipping index d maps i_d to n_d - 1 - i_d.
    const int N[4] = {2, 3, 4, 2};
    const auto Make = [&N](int Flip) {
        V4<T> A = Make4<T>(2, 3, 4, 2);
        for (int I[4] = {0, 0, 0, 0}; I[0] < N[0]; ++I[0])
            for (I[1] = 0; I[1] < N[1]; ++I[1])
                for (I[2] = 0; I[2] < N[2]; ++I[2])
                    for (I[3] = 0; I[3] < N[3]; ++I[3]) {
                        int Value = 0;
                        for (int D = 0; D < 4; ++D) Value = 10 * Value + (D == Flip - 1 ? N[D] - 1 - I[D] : I[D]);
                        A[I[0]][I[1]][I[2]][I[3]] = T(Value);
                    }
        return A;
    };
    for (int D = 1; D <= 4; ++D) {
        V4<T> A = Make(0);
        EXPECT_EQ(Ok(FlipDimArray(A, D), A), Make(D)) << "dimension " << D;
    }
    V4<T> A = Make(0);
    V3<T> B = {{{1, 2}}, {{3, 4}}};
    EXPECT_EQ(FlipDimArray(A, 5), -2);
    EXPECT_EQ(A, Make(0));
    EXPECT_EQ(Ok(FlipDimArray(B, 3), B), (V3<T>{{{2, 1}}, {{4, 3}}}));
}

TYPED_TEST(ElemTyped, AbsoluteValues) {
    using T = TypeParam;
    V1<T> A = {-1, 2, -3};
    V2<T> B = {{-1, 0}, {5, -7}};
    V3<T> C = {{{-2}}}, E = {{}};
    V4<T> D = {{{{-4, 4}}}};
    EXPECT_EQ(AbsValArray(A) + AbsValArray(B) + AbsValArray(C) + AbsValArray(D), 0);
    EXPECT_EQ(A, (V1<T>{1, 2, 3}));
    EXPECT_EQ(B, (V2<T>{{1, 0}, {5, 7}}));
    EXPECT_EQ(C, (V3<T>{{{2}}}));
    EXPECT_EQ(D, (V4<T>{{{{4, 4}}}}));
    EXPECT_EQ(AbsValArray(E), -1);
    TIntArray F = {INT32_MIN, -5};
    TDoubleArray G = {-0.0};
    EXPECT_EQ(AbsValArray(F) + AbsValArray(G), 0);
    EXPECT_EQ(F, (TIntArray{INT32_MIN, 5}));  // wraps as the integer arithmetic does
    EXPECT_FALSE(std::signbit(G[0]));
}

TYPED_TEST(ElemTyped, BoolToNum) {
    using T = TypeParam;
    V1<T> B = {9, 9, 9, 9};
    V2<T> C;
    EXPECT_EQ(Ok(BoolToNumArray(TBoolArray{true, false}, T(0), T(1), B), B), (V1<T>{1, 0}));
    EXPECT_EQ(Ok(BoolToNumArray(TBool2DArray{{true, false, true}, {false, false, true}}, T(-1), T(2), C), C),
              (V2<T>{{2, -1, 2}, {-1, -1, 2}}));
    EXPECT_EQ(BoolToNumArray(TBoolArray{}, T(0), T(1), B), -1);
    EXPECT_EQ(BoolToNumArray(Ragged<bool>(), T(0), T(1), C), -1);
    EXPECT_EQ(BoolToNumArray(TBool2DArray{{}, {}}, T(0), T(1), C), -1);
    EXPECT_EQ(B, (V1<T>{1, 0}));
    EXPECT_EQ(C, (V2<T>{{2, -1, 2}, {-1, -1, 2}}));
}

TEST(Elem, FindInArray) {
    EXPECT_EQ(FindInArray(3, TIntArray{1, 3, 3}), 1);
    EXPECT_EQ(FindInArray(7, TIntArray{1, 3}), -2);
    EXPECT_EQ(FindInArray(7, TIntArray{}), -1);
    const TStrArray A = {"xAbx"}, B = {"one", "Two", "two", "network"};
    EXPECT_EQ(FindInArray("ab", A, true, true), 0);
    EXPECT_EQ(FindInArray("ab", A, false, true), -2);
    EXPECT_EQ(FindInArray("ab", A, true, false), -2);
    EXPECT_EQ(FindInArray("XABX", A, true, false), 0);
    EXPECT_EQ(FindInArray("two", B, false, false), 2);
    EXPECT_EQ(FindInArray("two", B, true, false), 1);  // the first match wins
    EXPECT_EQ(FindInArray("wo", B, false, true), 1);
    EXPECT_EQ(FindInArray("x", TStrArray{}, true, true), -1);
}

}  // namespace
