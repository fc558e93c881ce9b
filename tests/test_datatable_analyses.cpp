// TDataTable analyses: covariance modes against a brute-force pair walk (missing cells,
// constant columns, rows beyond the table, abort), the product path against the pair
// loop, standardisation and centring, the long format and the category counts.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace qmr;
using qmr::test::ThrowsWith;

// Independent reference for one pair of CalcCovar: textbook formulas in long double over
// the rows where both cells are valid; ModeMean are the column means (mode 1).
double RefPair(const TDataTable& T, int Mode, int Ci, int Cj, int LoR, int HiR, double MeanI, double MeanJ) {
    std::vector<long double> X, Y;
    for (int R = LoR; R <= HiR; ++R)
        if (T.IsNumber(Ci, R) && T.IsNumber(Cj, R)) X.push_back(T.Elem(Ci, R)), Y.push_back(T.Elem(Cj, R));
    const auto m = static_cast<long double>(X.size());
    long double S = 0, Sx = 0, Sy = 0;
    for (std::size_t k = 0; k < X.size(); ++k) Sx += X[k], Sy += Y[k];
    for (std::size_t k = 0; k < X.size(); ++k) {
        if (Mode == 0) S += X[k] * Y[k];
        if (Mode == 1) S += (X[k] - MeanI) * (Y[k] - MeanJ);
        if (Mode == 4) S += (X[k] - Y[k]) * (X[k] - Y[k]);
    }
    if (Mode <= 1 || Mode == 4) return m > 1 ? static_cast<double>(S / (m - 1)) : 0.0;
    if (Ci == Cj) return 1;
    long double Sxx = 0, Syy = 0, Sxy = 0;
    for (std::size_t k = 0; k < X.size(); ++k) {
        Sxx += (X[k] - Sx / m) * (X[k] - Sx / m);
        Syy += (Y[k] - Sy / m) * (Y[k] - Sy / m);
        Sxy += (X[k] - Sx / m) * (Y[k] - Sy / m);
    }
    if (m <= 2 || Sxx == 0 || Syy == 0) return 0;
    const long double r = Sxy / std::sqrt(Sxx * Syy);
    return static_cast<double>(Mode == 2 ? r : r * r);
}

struct DataTableCovar : qmr::test::ProgressFixture {
    TDataTable T{nullptr};
    TDataTable Padded{nullptr};  // T with 20 rows of valid zeros appended: the reference's cells
    TMatrix M{nullptr};
    // 6 columns x 40 rows of values around 50 (column 4 nominal: read rounded); with
    // Holes, some cells are empty or non-numeric.
    void Fill(bool Holes, int Rows = 40) {
        std::mt19937 Gen(7);
        std::uniform_real_distribution<double> U(0, 100);
        T.Resize(6, Rows);
        T.SetMScaleType(4, TMScaleType::stNominal);
        for (int C = 1; C <= 6; ++C)
            for (int R = 1; R <= Rows; ++R) {
                T.SetElem(C, R, U(Gen) + (C == 2 ? 0.5 * T.Elem(1, R) : 0.0));
                if (Holes && Gen() % 7 == 0) T.SetCellState(C, R, Gen() % 2 == 0 ? 0x02 : 0x41);
            }
        Padded.Assign(&T);
        Padded.SetNrRows(Rows + 20);
        M.Resize(6, 6);
    }
    // Every mode over the range against RefPair on the padded cells, with the column
    // means MeanVarOfNumCells gives on T (range rule: rows beyond do not count there).
    void ExpectAgainstReference(int LoC, int HiC, int LoR, int HiR) {
        for (int Mode : {0, 1, 2, 3, 4}) {
            ASSERT_TRUE(T.CalcCovar(&M, LoC, HiC, LoR, HiR, Mode));
            for (int i = LoC; i <= HiC; ++i)
                for (int j = LoC; j <= HiC; ++j) {
                    double Mi = 0, Mj = 0, V = 0;
                    T.MeanVarOfNumCells(i, LoR, i, HiR, Mi, V);
                    T.MeanVarOfNumCells(j, LoR, j, HiR, Mj, V);
                    const double Ref = RefPair(Padded, Mode, i, j, LoR, HiR, Mi, Mj);
                    EXPECT_NEAR(M.Elem(i - LoC + 1, j - LoC + 1), Ref, 1e-11 * (1 + std::fabs(Ref)))
                        << "mode " << Mode << " pair " << i << "," << j << " rows " << LoR << ".." << HiR;
                }
        }
    }
};

TEST_F(DataTableCovar, AllModesMatchThePairWalk) {
    const struct {
        bool Holes;
        int LoC, HiC, LoR, HiR;
    } Cases[] = {
        {false, 1, 6, 1, 40},   // every cell valid: the product path
        {false, 2, 5, 3, 31},
        {false, 1, 6, 30, 55},  // rows beyond the table: valid zeros that take part
        {true, 1, 6, 1, 40},    // the pair loop
        {true, 3, 4, 5, 40},    // validity judged on table columns 3 and 4
        {true, 1, 6, 30, 55},
    };
    for (const auto& K : Cases) {
        Fill(K.Holes);
        ExpectAgainstReference(K.LoC, K.HiC, K.LoR, K.HiR);
    }
}

TEST_F(DataTableCovar, ProductPathGivesThePairLoopsBits) {
    Fill(false, 700);  // more rows than one panel of the product
    for (int Mode : {0, 1, 2, 3}) {
        ASSERT_TRUE(T.CalcCovar(&M, 1, 6, 1, 700, Mode));
        TMatrix Fast(nullptr);
        Fast.Assign(&M);
        // A hole in column 6 sends every pair to the pair loop; the pairs without column 6
        // (and, for mode 1, its unchanged means) see the same rows and must agree exactly.
        T.SetCellState(6, 17, 0x02);
        ASSERT_TRUE(T.CalcCovar(&M, 1, 6, 1, 700, Mode));
        T.SetCellState(6, 17, 0);
        for (int i = 1; i <= 5; ++i)
            for (int j = 1; j <= 5; ++j) EXPECT_EQ(M.Elem(i, j), Fast.Elem(i, j)) << Mode << " " << i << "," << j;
    }
}

TEST_F(DataTableCovar, CorrelationOfConstantIdenticalAndShortColumns) {
    // Three values of 0.1 sum to a double whose third is not 0.1: only an exact
    // constancy test gives these columns zero spread.
    T.Resize(4, 4);
    M.Resize(4, 4);
    for (int C = 1; C <= 4; ++C) T.SetCellState(C, 4, 0x02);  // HiR = 4: the pair loop
    for (int R = 1; R <= 3; ++R) {
        T.SetElem(1, R, 0.1);
        T.SetElem(2, R, 0.1);
        T.SetElem(3, R, 1e9 + R);
        T.SetElem(4, R, 1e9 + R);
    }
    const double Want[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 1}, {0, 0, 1, 1}};
    for (int Mode : {2, 3})
        for (int HiR : {3, 4}) {
            ASSERT_TRUE(T.CalcCovar(&M, 1, 4, 1, HiR, Mode));
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    EXPECT_EQ(M.Elem(i + 1, j + 1), Want[i][j]) << Mode << " " << HiR << ": " << i << "," << j;
        }
    // A NaN value: its column's sum of squares is not above 0, so its correlations are 0
    // (the product path and the pair loop alike).
    T.SetElem(3, 2, std::nan(""));
    for (int Mode : {2, 3})
        for (int HiR : {3, 4}) {
            ASSERT_TRUE(T.CalcCovar(&M, 3, 4, 1, HiR, Mode));
            EXPECT_EQ(M.Elem(1, 2), 0.0) << Mode << " " << HiR;
            EXPECT_EQ(M.Elem(2, 1) + M.Elem(1, 1), 1.0);
        }
    T.SetElem(3, 2, 1e9 + 2);
    // Two usable rows: every correlation off the diagonal is 0; modes 0, 1 and 4 over
    // a single usable row store 0 rather than a division by zero.
    ASSERT_TRUE(T.CalcCovar(&M, 3, 4, 1, 2, 2));
    EXPECT_EQ(M.Elem(1, 2), 0.0);
    for (int Mode : {0, 1, 4}) {
        ASSERT_TRUE(T.CalcCovar(&M, 3, 4, 3, 3, Mode));
        EXPECT_EQ(M.Elem(1, 2), 0.0);
        EXPECT_EQ(M.Elem(2, 2), 0.0);
    }
}

TEST_F(DataTableCovar, WholeIntRowRangeIsCountedNotWalked) {
    Fill(true);
    ASSERT_TRUE(T.CalcCovar(&M, 1, 2, -2147483647 - 1, 2147483647, 0));
    // 2^32 rows: the table's usable ones and 2^32 - 40 valid zeros.
    long double S = 0, m = 4294967296.0L - 40;
    for (int R = 1; R <= 40; ++R)
        if (T.IsNumber(1, R) && T.IsNumber(2, R)) S += T.Elem(1, R) * T.Elem(2, R), m += 1;
    EXPECT_DOUBLE_EQ(M.Elem(1, 2), static_cast<double>(S / (m - 1)));
}

TEST_F(DataTableCovar, RefusalsProgressAndAbort) {
    Fill(false);
    M.Fill(-7);
    EXPECT_FALSE(T.CalcCovar(nullptr, 1, 2, 1, 40, 1));
    EXPECT_FALSE(T.CalcCovar(&M, 3, 2, 1, 40, 1));  // HiC < LoC
    TMatrix Small(nullptr);
    Small.Resize(6, 5);
    EXPECT_FALSE(T.CalcCovar(&Small, 1, 6, 1, 40, 1));
    EXPECT_EQ(Small.Elem(1, 1), 0.0);
    EXPECT_TRUE(Calls().empty());

    for (int Mode : {0, 1}) {
        Calls().clear();
        ASSERT_TRUE(T.CalcCovar(&M, 1, 6, 1, 40, Mode));
        EXPECT_EQ(Calls().size(), Mode == 0 ? 6u : 12u);
    }
    // The host aborts on the third result column: two are kept, the rest untouched.
    M.Fill(-7);
    AbortMathProc = true;  // cleared at the start
    MathFeedBackProc = [](double P) {
        if (P >= 3) AbortMathProc = true;
    };
    ProcStat = 0;
    EXPECT_FALSE(T.CalcCovar(&M, 1, 6, 1, 40, 0));
    EXPECT_NE(M.Elem(1, 3), -7.0);
    EXPECT_EQ(M.Elem(1, 4), -7.0);
    EXPECT_EQ(M.Elem(4, 4), -7.0);
}

TEST(DataTableStandardize, ColumnsAndRowsAgainstTwoPassFormulas) {
    TDataTable T(nullptr);
    T.Resize(4, 5);
    const double V[4][5] = {{1, 3, 0, 0, 0}, {2, 4, 9, 10, 6.25}, {5, 5, 5, 5, 5}, {7, 1, 4, 0, 0}};
    for (int C = 1; C <= 4; ++C)
        for (int R = 1; R <= 5; ++R) T.SetElem(C, R, V[C - 1][R - 1]);
    // Column 1: two valid cells, variance 1 by rule.
    for (int R = 3; R <= 5; ++R) T.SetCellState(1, R, R == 4 ? 0x01 : 0x02);
    T.SetMScaleType(3, TMScaleType::stRatio);
    T.SetMScaleType(4, TMScaleType::stUnknown);  // skipped by the columns, centred with the rows
    TVector Means(nullptr), SDs(nullptr);
    Means.SetNrOfElem(2);  // not resized: column 3 is dropped
    SDs.SetNrOfElem(4);
    SDs.SetElem(4, -1);
    int Changes = 0;
    T.OnChange = [&](TObject*) { ++Changes; };
    T.StandardizeNumCellColumns(&Means, &SDs);
    EXPECT_EQ(T.Elem(1, 1) * 10 + T.Elem(1, 2), -9.0);  // -1 and 1
    EXPECT_EQ(T.Elem(1, 3), 0.0);                       // invalid cells untouched
    const double SD2 = std::sqrt(((2 - 6.25) * (2 - 6.25) + (4 - 6.25) * (4 - 6.25) + (9 - 6.25) * (9 - 6.25) +
                                  (10 - 6.25) * (10 - 6.25)) / 4);
    EXPECT_DOUBLE_EQ(T.Elem(2, 4), (10 - 6.25) / SD2);
    EXPECT_EQ(T.Elem(2, 5), 0.0);
    EXPECT_EQ(T.Elem(3, 1), 5.0);  // variance 0: unchanged
    EXPECT_EQ(Means.Elem(2), 6.25);
    EXPECT_EQ(Means.NrOfElem(), 2);
    EXPECT_DOUBLE_EQ(SDs.Elem(2), SD2);
    EXPECT_EQ(SDs.Elem(3), 0.0);
    EXPECT_EQ(SDs.Elem(4), -1.0);
    EXPECT_EQ(T.Elem(4, 1), 7.0);
    EXPECT_EQ(Changes, 7 + 1);  // seven writes through the matrix and one at the end

    Changes = 0;
    TDataTable Flat(nullptr);  // only a constant column: nothing transformed, no OnChange
    Flat.Resize(1, 3);
    Flat.OnChange = T.OnChange;
    Flat.StandardizeNumCellColumns(nullptr, nullptr);
    EXPECT_EQ(Changes, 0);

    // Rows: centring then standardising; a nominal column refuses both untouched.
    T.MeanCenterNumCellRows(&Means);
    const double Row1Mean = (-1.0 + (2 - 6.25) / SD2 + 5) / 3;  // the numeric cells only
    EXPECT_DOUBLE_EQ(T.Elem(3, 1), 5 - Row1Mean);
    EXPECT_DOUBLE_EQ(T.Elem(4, 1), 7 - Row1Mean);
    T.SetMScaleType(2, TMScaleType::stOrdinal);
    const std::string Before = T.NumericData()->CRCofData();
    EXPECT_TRUE(ThrowsWith<EQMRDataTableError>([&] { T.StandardizeNumCellRows(nullptr, nullptr); },
                                               "standardization of rows is not possible with nominal or ordinal variables"));
    EXPECT_TRUE(ThrowsWith<EQMRDataTableError>([&] { T.MeanCenterNumCellRows(nullptr); },
                                               "mean centering of rows is not possible with nominal or ordinal variables"));
    EXPECT_EQ(T.NumericData()->CRCofData(), Before);
}

TEST(DataTableSerialize, LongFormatWithHeadersAndIndices) {
    TDataTable T(nullptr);
    T.Resize(2, 3);
    T.SetMScaleType(1, TMScaleType::stRatio);
    for (int C = 1; C <= 2; ++C)
        for (int R = 1; R <= 3; ++R) {
            T.SetElem(C, R, 10 * C + R + 0.5);
            T.SetCellState(C, R, static_cast<TCellState>(C == 2 && R == 1 ? 0x42 : 0x04 * C));
        }
    T.SetMScaleType(2, TMScaleType::stOrdinal);  // its values read rounded: 22, 22, 24
    T.AddNominalID(2, "x");
    T.SetMScaleType(2, TMScaleType::stOrdinal);
    for (int R = 1; R <= 3; ++R) T.SetRowAttrib(R, 100 + R), T.SetRowName(R, "obs" + std::to_string(R));
    T.SetColAttrib(2, 9);
    int Changes = 0;
    T.OnChange = [&](TObject*) { ++Changes; };
    T.Serialize(true, true);
    ASSERT_EQ(T.NrOfColumns(), 4);
    ASSERT_EQ(T.NrOfRows(), 6);
    EXPECT_EQ(Changes, 1);
    const char* Names[] = {"(column)", "(col. index)", "(row index)", "(data)"};
    for (int C = 1; C <= 4; ++C) EXPECT_EQ(T.ColName(C), Names[C - 1]);
    EXPECT_EQ(T.MScaleType(1), TMScaleType::stNominal);
    EXPECT_EQ(T.NominalID(1, 1), "1:C-1");
    EXPECT_EQ(T.NominalID(1, 2), "2:C-2");
    EXPECT_EQ(T.MScaleType(4), TMScaleType::stRatio);  // the highest scale of the table
    for (int C : {2, 3}) {
        EXPECT_EQ(T.MScaleType(C), TMScaleType::stInterval);
        EXPECT_EQ(T.CountNominalIDs(C), 0);
        EXPECT_EQ(T.ColAttrib(C), 0);
    }
    const double Data[] = {11.5, 12.5, 13.5, 22, 22, 24};
    for (int Q = 1; Q <= 6; ++Q) {
        const int S = (Q - 1) / 3 + 1, Tr = (Q - 1) % 3 + 1;
        EXPECT_EQ(T.Elem(1, Q), S);
        EXPECT_EQ(T.Elem(2, Q), S);
        EXPECT_EQ(T.Elem(3, Q), Tr);
        EXPECT_EQ(T.Elem(4, Q), Data[Q - 1]);
        EXPECT_EQ(T.RowName(Q), "obs" + std::to_string(Tr));
        EXPECT_EQ(T.RowAttrib(Q), 100 + Tr);
        EXPECT_EQ(T.CellState(4, Q), S == 2 && Tr == 1 ? 0x42 : 0x04 * S);
        for (int C = 1; C <= 3; ++C) EXPECT_EQ(T.CellState(C, Q), 0) << C << "," << Q;
    }
    T.Serialize(true, false);  // the 4 x 6 result: 2 columns of 24 rows
    EXPECT_EQ(T.ColName(2).str() + std::to_string(T.NrOfRows()) + T.NominalID(1, 2).str(), "(data)242:(col. in");
    EXPECT_EQ(T.Elem(1, 24) * 100 + T.Elem(2, 24), 424.0);  // column 4 and the former (4, 6)
}

TEST(DataTableCategories, ContingencyTableAndScan) {
    TDataTable T(nullptr);
    T.Resize(4, 8);
    T.SetMScaleType(1, TMScaleType::stNominal);
    T.SetMScaleType(2, TMScaleType::stOrdinal);
    T.SetMScaleType(4, TMScaleType::stNominal);
    const double Inf = std::numeric_limits<double>::infinity();
    const double A[] = {1, 1, 2, 2.4, 0, std::nan(""), -1, Inf}, B[] = {2, 2, 1, 3, 1, 1, 1, 1};
    // Rounded half to even: 150, 150, 2, 2 in range; 0, 151 and the infinities outside.
    const double D[] = {150, 149.5, 1.5, 2.5, 0.5, 151, -Inf, Inf};
    for (int R = 1; R <= 8; ++R) T.SetElem(1, R, A[R - 1]), T.SetElem(2, R, B[R - 1]), T.SetElem(4, R, D[R - 1]);
    T.SetCellState(2, 4, 0x02);  // (2, 3): in range but invalid, skipped silently
    T.SetCellState(1, 5, 0x02);  // out of range is tested before validity
    T.SetCellState(1, 6, 0x01);
    TInt2DArray Tab;
    EXPECT_EQ(T.CreateContingencyTable(1, 2, 1, 3, Tab), 0);
    EXPECT_EQ(Tab, (TInt2DArray{{0, 2, 2}, {1, 0, 1}, {1, 2, 3}}));
    EXPECT_EQ(T.CreateContingencyTable(1, 2, 0, 0, Tab), -3);  // 0, NaN, -1, Inf out of range
    EXPECT_EQ(Tab, (TInt2DArray{{0, 2, 2}, {1, 0, 1}, {1, 2, 3}}));
    EXPECT_EQ(T.CreateContingencyTable(1, 5, 0, 0, Tab), -1);
    EXPECT_EQ(T.CreateContingencyTable(1, 3, 0, 0, Tab), -2);
    EXPECT_EQ(Tab.size(), 3u);

    TIntArray L{5};
    EXPECT_EQ(T.ScanForCatValues(1, 0, 0, L), 4);
    ASSERT_EQ(L.size(), 150u);
    EXPECT_EQ(L[0], 2);
    EXPECT_EQ(L[1], 2);  // 2 and 2.4 both round to 2; states not consulted
    EXPECT_EQ(T.ScanForCatValues(4, 0, 0, L), 4);
    EXPECT_EQ(L[149] * 10 + L[1], 22);
    T.SetElem(1, 1, 1e300);
    EXPECT_EQ(T.ScanForCatValues(1, 1, 3, L), 1);
    EXPECT_EQ(T.ScanForCatValues(3, 0, 0, L), 0);
    EXPECT_EQ(L.size(), 150u);
    EXPECT_EQ(T.ScanForCatValues(5, 0, 0, L), -1);
}

}  // namespace
