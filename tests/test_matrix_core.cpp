// TMatrix: element access, sizing, events, copies, range rule and fingerprint.
#include "qmr_test_support.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

using qmr::test::Cells;
using qmr::test::CountChanges;

using qmr::TMatrix;
using Vals = std::vector<double>;

// Fills M (Nc x Nr) with 10 * column + row.
void Numbered(TMatrix& M, int Nc, int Nr) {
    M.Resize(Nc, Nr);
    for (int C = 1; C <= Nc; ++C)
        for (int R = 1; R <= Nr; ++R) M.SetElem(C, R, 10 * C + R);
}

// Reference fingerprint, bit by bit: register k is the CRC-32 (reflected, polynomial
// 0xEDB88320) of byte k of every value.
std::string RefFingerprint(const Vals& Values) {
    std::uint32_t Reg[8];
    std::fill(Reg, Reg + 8, 0xFFFFFFFFu);
    for (double V : Values) {
        unsigned char B[8];
        std::memcpy(B, &V, 8);
        for (int K = 0; K < 8; ++K) {
            Reg[K] ^= B[K];
            for (int Bit = 0; Bit < 8; ++Bit) Reg[K] = (Reg[K] & 1u) ? (Reg[K] >> 1) ^ 0xEDB88320u : Reg[K] >> 1;
        }
    }
    std::string S;
    for (std::uint32_t R : Reg) {
        char Buf[9];
        std::snprintf(Buf, sizeof Buf, "%08X", ~R);
        S += Buf;
    }
    return S;
}

TEST(MatrixCore, NewMatrixAndElementsOutsideTheCounts) {
    TMatrix M(nullptr);
    EXPECT_EQ(Cells(M), Vals{0});
    EXPECT_EQ(M.DataID(), "");
    EXPECT_EQ(M.Precision(1), 15);
    EXPECT_EQ(M.Precision(2), -1);
    M.Resize(3, 2);
    int Ev;
    CountChanges(M, Ev);
    for (auto [C, R] : {std::pair{0, 1}, {1, 0}, {4, 1}, {1, 3}}) {
        M.SetElem(C, R, 5);
        EXPECT_EQ(M.Elem(C, R), 0) << C << "," << R;
    }
    EXPECT_EQ(Ev, 0);
    M.SetElem(3, 2, 7.5);
    EXPECT_EQ(Ev, 1);
    EXPECT_EQ(Cells(M), (Vals{0, 0, 0, 0, 0, 7.5}));
}

TEST(MatrixCore, ResizeKeepsTheOverlapAndFiresOncePerChange) {
    TMatrix M(nullptr);
    Numbered(M, 3, 3);
    int Ev;
    CountChanges(M, Ev);
    EXPECT_TRUE(M.Resize(3, 3));
    EXPECT_EQ(Ev, 0);
    EXPECT_TRUE(M.Resize(2, 4));
    EXPECT_EQ(Ev, 1);
    ASSERT_EQ(M.NrOfRows(), 4);
    EXPECT_EQ(Cells(M), (Vals{11, 12, 13, 0, 21, 22, 23, 0}));
    // Counts are compared before negatives become 0: -3 differs from 0 and fires again.
    EXPECT_TRUE(M.Resize(-3, 2));
    EXPECT_EQ(M.NrOfColumns(), 0);
    EXPECT_EQ(M.Elem(1, 1), 0);
    EXPECT_TRUE(M.Resize(-3, 2));
    EXPECT_EQ(Ev, 3);
    M.SetNrOfColumns(-4);  // max(0, -4) is the present count
    EXPECT_EQ(Ev, 3);
    M.SetNrOfRows(5);
    EXPECT_EQ(M.NrOfRows(), 5);
    EXPECT_EQ(Ev, 4);
    // ResizeAndClear fires for the resize and for the fill; at the same size only the fill.
    M.SetElem(1, 1, 3);
    EXPECT_TRUE(M.ResizeAndClear(2, 2));
    EXPECT_EQ(Ev, 6);
    M.SetElem(2, 2, 8);
    EXPECT_TRUE(M.ResizeAndClear(2, 2));
    EXPECT_EQ(Ev, 8);
    EXPECT_EQ(Cells(M), Vals(4, 0.0));
}

TEST(MatrixCore, HiddenValuesDoNotComeBack) {
    for (auto [C, R] : {std::pair{0, 0}, {1, 0}, {0, 1}}) {
        TMatrix M(nullptr);
        Numbered(M, 2, 2);
        M.Resize(C, R);
        M.Resize(2, 2);
        EXPECT_EQ(Cells(M), Vals(4, 0.0)) << C << "x" << R;
    }
}

TEST(MatrixCore, ResizeTooLargeRaisesAndKeepsCounts) {
    TMatrix M(nullptr);
    M.SetName("Big");
    Numbered(M, 2, 3);
    try {
        M.Resize(INT_MAX, INT_MAX);
        FAIL() << "no exception";
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "Component \"Big\": not enough memory on heap");
    }
    EXPECT_EQ(M.NrOfRows(), 3);
    EXPECT_EQ(Cells(M), (Vals{11, 12, 13, 21, 22, 23}));
}

TEST(MatrixCore, PrecisionIndexAndClamp) {
    TMatrix M(nullptr);
    M.SetPrecision(7, 99);
    M.SetPrecision(0, -5);
    EXPECT_EQ(M.Precision(2), 25);
    EXPECT_EQ(M.Precision(-3), -1);
    M.SetPrecision(-2, 9);
    EXPECT_EQ(M.Precision(1), 9);
}

TEST(MatrixCore, RemoveColumnAndRow) {
    TMatrix M(nullptr);
    EXPECT_FALSE(M.RemoveColumn(1));
    EXPECT_FALSE(M.RemoveRow(1));
    Numbered(M, 3, 4);
    int Ev;
    CountChanges(M, Ev);
    EXPECT_FALSE(M.RemoveColumn(0));
    EXPECT_FALSE(M.RemoveColumn(4));
    EXPECT_FALSE(M.RemoveRow(5));
    EXPECT_EQ(Ev, 0);
    EXPECT_TRUE(M.RemoveColumn(1));
    EXPECT_TRUE(M.RemoveRow(2));
    EXPECT_EQ(Ev, 2);
    ASSERT_EQ(M.NrOfRows(), 3);
    EXPECT_EQ(Cells(M), (Vals{21, 23, 24, 31, 33, 34}));
}

TEST(MatrixCore, RangeRule) {
    // Only (0, 0) is the whole extent; then clamp low, clamp high, swap. 4 columns, 6 rows.
    struct Case { int Lo, Hi, ColLo, ColHi, RowLo, RowHi; };
    TMatrix M(nullptr);
    M.Resize(4, 6);
    for (const Case& K : {Case{0, 0, 1, 4, 1, 6}, Case{5, 2, 2, 4, 2, 5}, Case{0, 3, 1, 3, 1, 3},
                          Case{3, 0, 1, 3, 1, 3}, Case{-2, -7, 1, 1, 1, 1}, Case{9, 9, 4, 4, 6, 6}}) {
        int Lo = K.Lo, Hi = K.Hi;
        M.MakeValidColRange(Lo, Hi);
        EXPECT_EQ(std::make_pair(Lo, Hi), std::make_pair(K.ColLo, K.ColHi)) << K.Lo << "," << K.Hi;
        Lo = K.Lo, Hi = K.Hi;
        M.MakeValidRowRange(Lo, Hi);
        EXPECT_EQ(std::make_pair(Lo, Hi), std::make_pair(K.RowLo, K.RowHi)) << K.Lo << "," << K.Hi;
    }
    // With no columns every range is empty and never reaches index 0.
    M.Resize(0, 6);
    for (auto [Lo, Hi] : {std::pair{2, 3}, {0, 0}}) {
        M.MakeValidColRange(Lo, Hi);
        EXPECT_LT(Hi, Lo);
        EXPECT_GE(Lo, 1);
    }
}

TEST(MatrixCore, RelaysWithThisMatrixAsSender) {
    TMatrix M(nullptr), Other(nullptr);
    std::vector<std::int32_t> Seen;
    M.OnSortExchange = [&](qmr::TObject* S, std::uint8_t K, std::int32_t A, std::int32_t B, std::int32_t F,
                           std::int32_t L) { Seen = {S == &M, K, A, B, F, L}; };
    M.OnPercentDone = [&](qmr::TObject* S, double P) { Seen = {S == &M, static_cast<std::int32_t>(P)}; };
    M.SortExchange(2, 3, 7, 1, 4);
    EXPECT_EQ(Seen, (std::vector<std::int32_t>{1, 2, 3, 7, 1, 4}));
    M.PercDone(&Other, 42);  // the given sender is not passed on
    EXPECT_EQ(Seen, (std::vector<std::int32_t>{1, 42}));
    M.Changed();  // no handler assigned: nothing
}

TEST(MatrixCore, CloneFiresPerElementAndCopiesOnlyData) {
    TMatrix Src(nullptr), Dst(nullptr);
    Numbered(Src, 3, 2);
    Src.SetDataID("source");
    Src.SetPrecision(1, 4);
    int SrcEv, Ev;
    CountChanges(Src, SrcEv);
    CountChanges(Dst, Ev);
    Dst.Clone(&Src);
    EXPECT_EQ(Ev, 1 + 6 + 1);  // resize, one per element, one at the end
    EXPECT_EQ(SrcEv, 0);
    EXPECT_EQ(Dst.DataID(), "");
    EXPECT_EQ(Dst.Precision(1), 15);
    EXPECT_EQ(Dst.NrOfRows(), 2);
    EXPECT_EQ(Cells(Dst), Cells(Src));
    Dst.Clone(nullptr);
    EXPECT_EQ(Ev, 8);
}

TEST(MatrixCore, AssignCopiesEverythingButPercentDoneAndFiresNothing) {
    TMatrix Src(nullptr), Dst(nullptr);
    Numbered(Src, 2, 3);
    Src.SetDataID("id-7");
    Src.SetPrecision(1, 3);
    Src.SetPrecision(2, 8);
    int SrcEv, DstEv, SrcPct = 0, DstPct = 0, Dist = 0, Exch = 0;
    CountChanges(Src, SrcEv);
    CountChanges(Dst, DstEv);
    Src.OnPercentDone = [&](qmr::TObject*, double) { ++SrcPct; };
    Dst.OnPercentDone = [&](qmr::TObject*, double) { ++DstPct; };
    Src.OnCalcDistance = [&](qmr::TObject*, std::int32_t, std::int32_t, double&) { ++Dist; };
    Src.OnSortExchange = [&](qmr::TObject*, std::uint8_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t) { ++Exch; };
    Dst.Assign(&Src);
    EXPECT_EQ(SrcEv + DstEv, 0);
    EXPECT_EQ(Dst.NrOfRows(), 3);
    EXPECT_EQ(Cells(Dst), Cells(Src));
    EXPECT_EQ(Dst.DataID(), "id-7");
    EXPECT_EQ(Dst.Precision(1), 3);
    EXPECT_EQ(Dst.Precision(2), 8);
    Dst.Changed();
    Dst.PercDone(nullptr, 5);
    double D = 0;
    Dst.OnCalcDistance(&Dst, 1, 2, D);
    Dst.SortExchange(1, 1, 2, 1, 3);
    // The three handlers are the source's, OnPercentDone is still the copy's own.
    EXPECT_EQ(std::vector<int>({SrcEv, DstEv, DstPct, SrcPct, Dist, Exch}), std::vector<int>({1, 0, 1, 0, 1, 1}));
    Src.SetElem(2, 3, 9);  // the copy has its own storage
    EXPECT_EQ(Dst.Elem(2, 3), 23);
    qmr::TVector V(nullptr);
    EXPECT_THROW(Dst.Assign(&V), qmr::EConvertError);
    EXPECT_THROW(V.Assign(&Dst), qmr::EConvertError);
    EXPECT_THROW(Dst.Assign(nullptr), qmr::EConvertError);
}

TEST(MatrixCore, FingerprintMatchesBitwiseCrc) {
    TMatrix M(nullptr);
    EXPECT_EQ(M.CRCofData(), RefFingerprint({0.0}));
    M.Resize(3, 2);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 2; ++R) M.SetElem(C, R, (C * 1.75 - R) * 1e5 / 3.0);
    EXPECT_EQ(M.CRCofData(), RefFingerprint(Cells(M)));
    TMatrix Twin(nullptr);
    Twin.Clone(&M);
    Twin.SetDataID("other");
    Twin.SetPrecision(1, 2);
    EXPECT_EQ(Twin.CRCofData(), M.CRCofData());
    Twin.SetElem(3, 2, -0.0);  // differs from +0 only in its bits
    M.SetElem(3, 2, 0.0);
    EXPECT_NE(Twin.CRCofData(), M.CRCofData());
    for (auto [C, R] : {std::pair{0, 4}, {3, 0}}) {  // no columns or no rows: the complemented seeds
        M.Resize(C, R);
        EXPECT_EQ(M.CRCofData(), std::string(64, '0'));
    }
}

}  // namespace
