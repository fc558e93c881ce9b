// Contingency tables: chi-square (plain, Yates), median test, histogram comparison,
// 2 x 2 probabilities, Fisher's exact test, adjusted Rand index, Goodman-Kruskal's lambda.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

namespace {

using namespace qmr;
using Rows = std::vector<std::vector<std::int32_t>>;

// The [column][row] table with margins of the data cells given row by row.
TInt2DArray WithMargins(const Rows& R) {
    const std::size_t nr = R.size(), nc = R[0].size();
    TInt2DArray T(nc + 1, TIntArray(nr + 1, 0));
    for (std::size_t j = 0; j < nr; ++j)
        for (std::size_t i = 0; i < nc; ++i) {
            T[i][j] = R[j][i];
            T[nc][j] += R[j][i];
            T[i][nr] += R[j][i];
            T[nc][nr] += R[j][i];
        }
    return T;
}

TInt2DArray Bare(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) { return {{a, c}, {b, d}}; }

// Relative error within Tol of each wanted value (exactly 0 where 0 is wanted).
void ExpectRel(std::vector<double> Got, std::vector<double> Want, double Tol, const std::string& What) {
    for (std::size_t i = 0; i < Want.size(); ++i) {
        if (Want[i] == 0) EXPECT_EQ(Got[i], 0.0) << What << " #" << i;
        else EXPECT_LE(std::fabs(Got[i] - Want[i]), Tol * std::fabs(Want[i])) << What << " #" << i << ": " << Got[i];
    }
}

TEST(Chi2OfContTab, AgreesWithScipyIncludingSmallTails) {
    // scipy.stats.chi2_contingency(rows, correction=False / True): statistic and p-value;
    // 0, 0 where a routine does not apply.
    const std::vector<std::tuple<Rows, double, double, double, double>> Cases{
        {{{12, 5}, {7, 9}}, 2.4305755196815575, 0.118989205532145, 1.455996378814684, 0.22756821457580642},
        {{{20, 15, 10, 3}, {8, 12, 25, 30}, {5, 9, 14, 22}}, 36.71976265203052, 1.9968130935153898e-06, 0, 0},
        // P from mpmath's regularised upper incomplete gamma (scipy rounds it 8e-15 lower).
        {{{200, 10}, {10, 200}}, 343.8095238095238, 9.4457723512622087e-77, 340.2, 5.771838851925133e-76},
        // Yates with margins of 216: 216^4 overflows 32 bits.
        {{{150, 66}, {66, 150}}, 0, 0, 63.78703703703704, 1.3862273874261109e-15},
        // |ad - bc| < N/2: the correction is clipped at 0.
        {{{108, 108}, {108, 109}}, 0, 0, 0, 1},
        // A zero data row: its cells have E = 0 and drop out; the 4 df still count it.
        {{{4, 7, 9}, {0, 0, 0}, {6, 2, 8}}, 2.8270588235294114, 0.5871709650372321, 0, 0}};
    for (const auto& [R, Chi2W, PW, Chi2YW, PYW] : Cases) {
        const TInt2DArray T = WithMargins(R);
        double Chi2 = -1, P = -1;
        if (Chi2W != 0) {
            ASSERT_EQ(Chi2OfContTab(T, Chi2, P), 0);
            ExpectRel({Chi2, P}, {Chi2W, PW}, 1e-12, "plain");
            ExpectRel({Chi2}, {Chi2W}, 1e-13, "plain chi2");
        }
        if (T.size() == 3 && PYW != 0) {
            ASSERT_EQ(Chi2OfContTabYates(T, Chi2, P), 0);
            ExpectRel({Chi2, P}, {Chi2YW, PYW}, 1e-12, "yates");
            ExpectRel({Chi2}, {Chi2YW}, 1e-13, "yates chi2");
        }
    }
}

TEST(Chi2OfContTab, ShapesTotalsAndMarginCodes) {
    const TInt2DArray Good = WithMargins({{3, 4}, {5, 6}}), Wide = WithMargins({{1, 2, 3}, {4, 5, 6}});
    TInt2DArray Ragged = Good, Short = Good, ZeroTotal = Good, NegTotal = Good;
    TInt2DArray NegMargin = WithMargins({{5, 1}, {1, 5}});
    Ragged[2].pop_back();
    Short.pop_back();
    ZeroTotal[2][2] = 0;
    NegTotal[2][2] = -5;
    NegMargin[2][0] = -6;  // Yates would divide a positive numerator by a negative product
    // Code of Chi2OfContTab, of Chi2OfContTabYates; Chi2 = P = 0 with every refusal.
    for (const auto& [T, Plain, Yates] : std::vector<std::tuple<TInt2DArray, int, int>>{
             {TInt2DArray{}, -1, -1}, {Ragged, -1, -1}, {Short, -1, -1}, {ZeroTotal, -1, -1}, {NegTotal, -1, -1},
             {NegMargin, 0, -1}, {Wide, 0, -1}}) {
        double Chi2 = 7, P = 7;
        EXPECT_EQ(Chi2OfContTab(T, Chi2, P), Plain);
        if (Plain != 0) { EXPECT_TRUE(Chi2 == 0 && P == 0); }
        Chi2 = P = 7;
        EXPECT_EQ(Chi2OfContTabYates(T, Chi2, P), Yates);
        if (Yates != 0) { EXPECT_TRUE(Chi2 == 0 && P == 0); }
    }
    // A zero margin: -2, Chi2 keeps the numerator (a zero column clips it to 0), P stays
    // 0; r1 given as 0 with cells 5 1 / 1 5 keeps (|25 - 1| - 6)^2 * 12.
    TInt2DArray Odd = WithMargins({{5, 1}, {1, 5}});
    Odd[2][0] = 0;
    for (const auto& [T, Want] : std::vector<std::pair<TInt2DArray, double>>{
             {WithMargins({{0, 4}, {0, 6}}), 0.0}, {Odd, 18.0 * 18.0 * 12.0}}) {
        double Chi2 = 7, P = 7;
        EXPECT_EQ(Chi2OfContTabYates(T, Chi2, P), -2);
        EXPECT_TRUE(Chi2 == Want && P == 0) << Chi2;
    }
}

TEST(FisherExactTest, AgreesWithExactFractions) {
    // Python fractions over math.comb: a b c d, p_obs, P(A <= a), P(A >= a), and the sum of
    // the probabilities <= p_obs (1 + 1e-7). Each of r1, r2, c1, c2 is the smallest margin
    // once; the tails reach 1e-236.
    const std::vector<std::array<double, 8>> Cases{
        {3, 1, 1, 3, 0.22857142857142856, 0.9857142857142858, 0.24285714285714285, 0.4857142857142857},
        {1, 9, 11, 3, 0.0013460761879122358, 0.0013797280926100418, 0.9999663480953022, 0.0027594561852200836},
        {0, 5, 7, 2, 0.01048951048951049, 0.01048951048951049, 1.0, 0.02097902097902098},
        {8, 2, 1, 5, 0.0236013986013986, 0.9991258741258742, 0.024475524475524476, 0.03496503496503497},
        {2, 30, 25, 4, 7.461158856593029e-11, 7.535472163373956e-11, 0.9999999999992568, 7.663013340409734e-11},
        {3, 400, 390, 5, 1.9664795876253382e-221, 1.9666677278330943e-221, 1.0, 1.9666677278330943e-221},
        {480, 20, 15, 485, 1.9582835403979037e-236, 1.0, 1.960799524160564e-236, 3.921599048321128e-236},
        {10, 2, 3, 0, 0.6285714285714286, 0.6285714285714286, 1.0, 1.0},
        {7, 12, 0, 3, 0.29545454545454547, 1.0, 0.29545454545454547, 0.5227272727272727},
        {1, 0, 0, 1, 0.5, 1.0, 0.5, 1.0},
        // p(A = 14) exceeds p_obs by a relative 8.4e-8: inside the tolerance (exact: 0.3136).
        {20, 38, 40, 106, 0.08082689391595371, 0.8788344597315392, 0.20199243418441454, 0.39444497619552227},
        {0, 0, 0, 0, 1.0, 1.0, 1.0, 1.0}};
    for (const auto& C : Cases) {
        const TInt2DArray T = Bare(static_cast<std::int32_t>(C[0]), static_cast<std::int32_t>(C[1]),
                                   static_cast<std::int32_t>(C[2]), static_cast<std::int32_t>(C[3]));
        double Prob = -1, L = -1, R = -1, Two = -1;
        ASSERT_EQ(Prob2x2Contingency(T, Prob), 0);
        ASSERT_EQ(FisherExactTest(T, L, R, Two), 0);
        ExpectRel({Prob, L, R, Two}, {C[4], C[5], C[6], C[7]}, 1e-12, "a = " + std::to_string(C[0]));
    }
}

TEST(FisherExactTest, CheckOrderAndOverflowingCells) {
    TInt2DArray Ragged = Bare(1, 2, 3, 4), Three = WithMargins({{1, 2}, {3, 4}});
    Ragged[1].push_back(0);
    constexpr std::int32_t Big = 1 << 30;  // four of them wrap a 32-bit N to 0
    for (const auto& [T, Code] : std::vector<std::pair<TInt2DArray, int>>{
             {Ragged, -1}, {Three, -1}, {TInt2DArray{}, -1}, {Bare(-1, 2, 3, 4), -3},
             {Bare(-1, 900, 300, 4), -3},  // N > 1000 too: -3 wins
             {Bare(500, 1, 0, 500), -2}, {Bare(Big, Big, Big, Big), -2}, {Bare(250, 250, 250, 250), 0}}) {
        double Prob = 7, L = 7, R = 7, Two = 7;
        EXPECT_EQ(Prob2x2Contingency(T, Prob), Code);
        EXPECT_EQ(FisherExactTest(T, L, R, Two), Code);
        if (Code != 0) { EXPECT_TRUE(Prob == 0 && L == 0 && R == 0 && Two == 0); }
    }
}

TEST(MedianTest, AgreesWithScipyFisherAndRefuses) {
    // scipy.stats.median_test(x, y, ties='below', correction=False / True); PFisher the
    // smaller exact one-sided tail (fractions) of the table above / at-or-below.
    const std::vector<std::tuple<TDoubleArray, TDoubleArray, std::vector<double>>> Cases{
        {{1.5, 2.5, 3.0, 4.0, 7.0, 8.0, 9.5, 3.0}, {2.0, 3.0, 3.0, 5.5, 6.0, 1.0, 0.5},
         {0.714285714285714, 0.3980247195069381, 0.10044642857142846, 0.7512945586546258, 0.3776223776223776}},
        {{2.041, -2.556, 0.418, -0.568, -0.453, -0.216, -2.02, -0.232, -0.865, 3.323, 0.226, -0.353, -0.281, -0.668,
          -1.055, -0.391, 0.482, -0.239, 0.958, -0.2, 0.024, 1.546, 0.545, -0.505, -0.183, 0.541, 1.935, -0.27,
          -0.244, 1.002, -0.886, -0.292, 0.883, 0.58, 0.092, 0.67, -2.828, 1.021, -0.96, -1.669},
         {1.076, 1.501, 0.355, -0.276, 0.826, 0.747, 2.206, 1.547, 0.994, 1.912, 0.594, -0.126, 1.384, 1.383, 0.585,
          0.017, 1.029, -1.694, 1.49, 1.291, -0.839, 0.861, -0.164, 1.557, -1.234, -0.114, 1.51, 1.956, -1.358,
          0.302, 1.128, 0.191, 2.391, -0.391, 1.155},
         {7.045061979272507, 0.00794840742328235, 5.869853053241213, 0.01540233751498318, 0.007427194897341038}}};
    double Chi2 = 7, P = 7, Chi2Y = 7, PY = 7, PF = 7;
    for (const auto& [X, Y, Want] : Cases) {
        ASSERT_EQ(MedianTest(X, Y, Chi2, P, Chi2Y, PY, PF), 0);
        ExpectRel({Chi2, P, Chi2Y, PY, PF}, Want, 1e-12, "median test");
    }
    EXPECT_EQ(MedianTest({1, 2}, {}, Chi2, P, Chi2Y, PY, PF), -1);
    EXPECT_TRUE(Chi2 == 0 && P == 0 && Chi2Y == 0 && PY == 0 && PF == -1);
    // Every value at the median: no value above, a zero margin, Yates refuses.
    EXPECT_EQ(MedianTest({4, 4, 4}, {4, 4}, Chi2, P, Chi2Y, PY, PF), -2);
    EXPECT_TRUE(Chi2 == 0 && P == 1 && Chi2Y == 0 && PY == 0 && PF == 1);
    // 1001 values: Fisher refuses, PFisher stays -1, the chi-squares are delivered.
    TDoubleArray A(600), B(401);
    for (std::size_t i = 0; i < A.size(); ++i) A[i] = static_cast<double>(i);
    for (std::size_t i = 0; i < B.size(); ++i) B[i] = static_cast<double>(i) + 0.5;
    EXPECT_EQ(MedianTest(A, B, Chi2, P, Chi2Y, PY, PF), 0);
    EXPECT_TRUE(PF == -1 && Chi2 > 0 && PY > 0);
}

TEST(PerformChi2DistComp, MergesBinsAndChecksInOrder) {
    // Merged bins (O, E) = (7, 7), (10, 6), (6, 10), rest (1, 2); totals 24 and 25:
    // sum (sqrt(25/24) O - sqrt(24/25) E)^2 / E = 709/144, P = chi2.sf(., 3) (mpmath).
    // Identical histograms: 0 over four bins, or over two when E = 5 exactly does not
    // close a bin. A single merged bin: DF 0, P = 1.
    struct Case {
        TIntArray H1, H2;
        double Chi2, P;
        std::int32_t DF, T1, T2;
    };
    for (const Case& C : std::vector<Case>{{{3, 4, 8, 2, 0, 6, 1}, {2, 5, 6, 0, 3, 7, 2}, 709.0 / 144,
                                            0.17747693624736184587, 3, 24, 25},
                                           {{9, 8, 7, 6}, {9, 8, 7, 6}, 0, 1, 3, 30, 30},
                                           {{1, 2, 3}, {2, 2, 2}, 0, 1, 0, 6, 6},
                                           {{5, 5, 5}, {5, 5, 5}, 0, 1, 1, 15, 15}}) {
        double Chi2 = -1, P = -1;
        std::int32_t DF = -1, T1 = -1, T2 = -1;
        ASSERT_EQ(PerformChi2DistComp(C.H1, C.H2, Chi2, P, DF, T1, T2), 0);
        EXPECT_TRUE(DF == C.DF && T1 == C.T1 && T2 == C.T2) << DF;
        if (C.P == 1) EXPECT_EQ(P, 1.0);
        else ExpectRel({P}, {C.P}, 1e-12, "p");
        if (C.DF > 0) ExpectRel({Chi2}, {C.Chi2}, 1e-13, "chi2");
    }
    // Refusals: Chi2, P, DF 0; the totals whenever the lengths agree (0 beyond 32 bits).
    constexpr std::int32_t Max = 2147483647;
    for (const auto& [H1, H2, Code, T1W, T2W] : std::vector<std::tuple<TIntArray, TIntArray, int, int, int>>{
             {{1, 2}, {1}, -1, 0, 0}, {{}, {}, -2, 0, 0}, {{0, 0}, {1, 2}, -3, 0, 3}, {{5, -1, 3}, {2, 2, 3}, -3, 7, 7},
             {{Max, 1}, {3, 4}, -3, 0, 7}, {{Max - 7, 7}, {3, 4}, 0, Max, 7}}) {
        double Chi2 = 7, P = 7;
        std::int32_t DF = 7, T1 = 7, T2 = 7;
        EXPECT_EQ(PerformChi2DistComp(H1, H2, Chi2, P, DF, T1, T2), Code);
        EXPECT_TRUE(T1 == T1W && T2 == T2W) << Code;
        if (Code != 0) { EXPECT_TRUE(Chi2 == 0 && P == 0 && DF == 0) << Code; }
    }
}

TEST(AdjustedRandIxAndLambda, AgreeWithExactFractions) {
    // Python fractions of the pair-count formula and of the lambda ratios.
    for (const auto& [R, Ari, LRows, LCols] : std::vector<std::tuple<Rows, double, double, double>>{
             {{{5, 1, 0}, {1, 4, 2}, {0, 2, 6}}, 0.3032962328767123, 0.5384615384615384, 0.5384615384615384},
             {{{10, 0}, {0, 12}}, 1.0, 1.0, 1.0},
             {{{3, 3}, {3, 3}}, -0.1, 0.0, 0.0},
             // Pair counts near 2^32: 32-bit products would wrap; the index is near 0.
             {{{40000, 35000}, {36000, 39999}}, 0.003545132951928261, 0.05333333333333334, 0.05332071094281257},
             {{{700, 1}, {2, 650}, {3, 4}}, 0.9810155656412503, 0.9848254931714719, 0.9908396946564886},
             // Near independence: the index is the difference of two numbers near 2^82.
             {{{1000001, 1000000}, {1000039, 1000001}}, -2.499120017088589e-07, 0.0, 0.0},
             {{{1, 2, 3, 4}, {2, 3, 4, 1}}, -0.018244013683010263, 0.3, 0.07692307692307693},
             // Both partitions trivial: one cell, or all singletons; a total below 2.
             {{{7}}, 1.0, 0.0, 0.0}, {{{1, 0}, {0, 1}}, 1.0, 1.0, 1.0}, {{{1}}, 1.0, 0.0, 0.0},
             {{{0, 0}, {0, 0}}, 1.0, 0.0, 0.0},
             // One data row: the row variable's denominator N - max row total is 0; the
             // column variable's (5 - 5) / (10 - 5).
             {{{3, 5, 2}}, 0.0, 0.0, 0.0}}) {
        const TInt2DArray T = WithMargins(R);
        double LR = 7, LC = 7;
        ASSERT_EQ(Lambda(T, LR, LC), 0);
        ExpectRel({AdjustedRandIx(T), LR, LC}, {Ari, LRows, LCols}, 1e-14, "ari, lambda rows, cols");
    }
    // Refused: ARI 0, lambda -1 with both 0. A column, then only a row, not summing to its total.
    TInt2DArray Ragged = WithMargins({{1, 2}, {3, 4}}), Mismatch = Ragged, ColTotal = Ragged, RowTotal = Ragged;
    Ragged[0].pop_back();
    Mismatch[1][0] += 1;
    ColTotal[0][2] += 1;
    RowTotal[2][1] += 1;
    for (const TInt2DArray& T : {TInt2DArray{}, TInt2DArray{{5}}, Ragged}) EXPECT_EQ(AdjustedRandIx(T), 0.0);
    for (const TInt2DArray& T : {TInt2DArray{}, TInt2DArray{{5}}, Ragged, Mismatch, ColTotal, RowTotal}) {
        double LR = 7, LC = 7;
        EXPECT_EQ(Lambda(T, LR, LC), -1);
        EXPECT_TRUE(LR == 0 && LC == 0);
    }
}

}  // namespace
