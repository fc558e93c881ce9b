// TMatrix: element access, sizing, events, copies, range rule and fingerprint.
#include "qmr_test_support.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

using qmr::TMatrix;

// Counts OnChange calls of a matrix.
struct ChangeCounter {
    int Count = 0;
    void Attach(TMatrix& M) {
        M.OnChange = [this](qmr::TObject*) { ++Count; };
    }
};

// Bitwise reference CRC-32 (reflected, polynomial 0xEDB88320) of a byte string.
std::uint32_t RefCrc32(const std::vector<unsigned char>& Bytes) {
    std::uint32_t C = 0xFFFFFFFFu;
    for (unsigned char B : Bytes) {
        C ^= B;
        for (int K = 0; K < 8; ++K) C = (C & 1u) ? (C >> 1) ^ 0xEDB88320u : C >> 1;
    }
    return ~C;
}

// Reference fingerprint: register k holds the CRC-32 of byte k of every value.
std::string RefFingerprint(const std::vector<double>& Values) {
    std::string S;
    for (int K = 0; K < 8; ++K) {
        std::vector<unsigned char> Bytes;
        for (double V : Values) {
            unsigned char B[8];
            std::memcpy(B, &V, 8);
            Bytes.push_back(B[K]);
        }
        char Buf[9];
        std::snprintf(Buf, sizeof Buf, "%08X", RefCrc32(Bytes));
        S += Buf;
    }
    return S;
}

TEST(MatrixCore, NewMatrixIsOneByOneZero) {
    TMatrix M(nullptr);
    EXPECT_EQ(M.NrOfColumns(), 1);
    EXPECT_EQ(M.NrOfRows(), 1);
    EXPECT_EQ(M.Elem(1, 1), 0);
    EXPECT_EQ(M.DataID(), "");
    EXPECT_EQ(M.Precision(1), 15);
    EXPECT_EQ(M.Precision(2), -1);
    EXPECT_EQ(M.ClassName(), "TMatrix");
}

TEST(MatrixCore, ElementsOutsideTheCountsReadZeroAndIgnoreWrites) {
    TMatrix M(nullptr);
    ChangeCounter Ev;
    Ev.Attach(M);
    M.Resize(3, 2);
    ASSERT_EQ(Ev.Count, 1);
    M.SetElem(0, 1, 5);
    M.SetElem(1, 0, 5);
    M.SetElem(4, 1, 5);
    M.SetElem(1, 3, 5);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_EQ(M.Elem(0, 1), 0);
    EXPECT_EQ(M.Elem(1, 0), 0);
    EXPECT_EQ(M.Elem(4, 1), 0);
    M.SetElem(3, 2, 7.5);
    EXPECT_EQ(Ev.Count, 2);
    EXPECT_EQ(M.Elem(3, 2), 7.5);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 2; ++R)
            if (C != 3 || R != 2) {
                EXPECT_EQ(M.Elem(C, R), 0);
            }
}

TEST(MatrixCore, ResizeKeepsOverlapAndFiresOncePerChange) {
    TMatrix M(nullptr);
    M.Resize(3, 3);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 3; ++R) M.SetElem(C, R, 10 * C + R);
    ChangeCounter Ev;
    Ev.Attach(M);
    EXPECT_TRUE(M.Resize(3, 3));
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_TRUE(M.Resize(2, 4));
    EXPECT_EQ(Ev.Count, 1);
    ASSERT_EQ(M.NrOfColumns(), 2);
    ASSERT_EQ(M.NrOfRows(), 4);
    for (int C = 1; C <= 2; ++C) {
        for (int R = 1; R <= 3; ++R) EXPECT_EQ(M.Elem(C, R), 10 * C + R);
        EXPECT_EQ(M.Elem(C, 4), 0);
    }
}

TEST(MatrixCore, NegativeCountsBecomeZeroButCompareFirst) {
    TMatrix M(nullptr);
    ChangeCounter Ev;
    Ev.Attach(M);
    M.SetElem(1, 1, 9);
    Ev.Count = 0;
    EXPECT_TRUE(M.Resize(-3, 2));
    EXPECT_EQ(M.NrOfColumns(), 0);
    EXPECT_EQ(M.NrOfRows(), 2);
    EXPECT_EQ(M.Elem(1, 1), 0);
    EXPECT_EQ(Ev.Count, 1);
    // -3 differs from the current 0, so the call goes through and fires again.
    EXPECT_TRUE(M.Resize(-3, 2));
    EXPECT_EQ(Ev.Count, 2);
    M.SetNrOfColumns(-4);  // max(0, -4) = 0 is the current count: nothing
    EXPECT_EQ(Ev.Count, 2);
    M.SetNrOfRows(5);
    EXPECT_EQ(M.NrOfRows(), 5);
    EXPECT_EQ(Ev.Count, 3);
}

TEST(MatrixCore, HiddenValuesDoNotComeBack) {
    TMatrix M(nullptr);
    M.Resize(2, 2);
    for (int C = 1; C <= 2; ++C)
        for (int R = 1; R <= 2; ++R) M.SetElem(C, R, 1 + C + R);
    M.Resize(0, 0);
    M.Resize(2, 2);
    for (int C = 1; C <= 2; ++C)
        for (int R = 1; R <= 2; ++R) EXPECT_EQ(M.Elem(C, R), 0);
    M.SetElem(1, 1, 4);
    M.Resize(1, 0);
    M.Resize(1, 1);
    EXPECT_EQ(M.Elem(1, 1), 0);
    M.SetElem(1, 1, 4);
    M.Resize(0, 1);
    M.Resize(1, 1);
    EXPECT_EQ(M.Elem(1, 1), 0);
}

TEST(MatrixCore, ResizeTooLargeRaisesAndKeepsCounts) {
    TMatrix M(nullptr);
    M.SetName("Big");
    M.Resize(2, 3);
    M.SetElem(2, 3, 6);
    try {
        M.Resize(INT_MAX, INT_MAX);
        FAIL() << "no exception";
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "Component \"Big\": not enough memory on heap");
    }
    EXPECT_EQ(M.NrOfColumns(), 2);
    EXPECT_EQ(M.NrOfRows(), 3);
    EXPECT_EQ(M.Elem(2, 3), 6);
}

TEST(MatrixCore, ResizeAndClearFiresForResizeAndFill) {
    TMatrix M(nullptr);
    ChangeCounter Ev;
    Ev.Attach(M);
    M.SetElem(1, 1, 3);
    Ev.Count = 0;
    EXPECT_TRUE(M.ResizeAndClear(2, 2));
    EXPECT_EQ(Ev.Count, 2);
    M.SetElem(2, 2, 8);
    Ev.Count = 0;
    EXPECT_TRUE(M.ResizeAndClear(2, 2));  // same size: only the fill fires
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_EQ(M.Elem(2, 2), 0);
    EXPECT_EQ(M.Elem(1, 1), 0);
}

TEST(MatrixCore, PrecisionIndexAndClamp) {
    TMatrix M(nullptr);
    M.SetPrecision(7, 99);
    EXPECT_EQ(M.Precision(2), 25);
    M.SetPrecision(0, -5);
    EXPECT_EQ(M.Precision(1), -1);
    EXPECT_EQ(M.Precision(-3), -1);
    M.SetPrecision(1, 9);
    EXPECT_EQ(M.Precision(0), 9);
    EXPECT_EQ(M.Precision(5), 25);
}

TEST(MatrixCore, RemoveColumnAndRow) {
    TMatrix M(nullptr);
    EXPECT_FALSE(M.RemoveColumn(1));
    EXPECT_FALSE(M.RemoveRow(1));
    M.Resize(3, 4);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 4; ++R) M.SetElem(C, R, 10 * C + R);
    ChangeCounter Ev;
    Ev.Attach(M);
    EXPECT_FALSE(M.RemoveColumn(0));
    EXPECT_FALSE(M.RemoveColumn(4));
    EXPECT_FALSE(M.RemoveRow(5));
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_TRUE(M.RemoveColumn(1));
    EXPECT_EQ(Ev.Count, 1);
    ASSERT_EQ(M.NrOfColumns(), 2);
    for (int R = 1; R <= 4; ++R) {
        EXPECT_EQ(M.Elem(1, R), 20 + R);
        EXPECT_EQ(M.Elem(2, R), 30 + R);
    }
    EXPECT_TRUE(M.RemoveRow(2));
    ASSERT_EQ(M.NrOfRows(), 3);
    for (int C = 1; C <= 2; ++C) {
        EXPECT_EQ(M.Elem(C, 1), 10 * (C + 1) + 1);
        EXPECT_EQ(M.Elem(C, 2), 10 * (C + 1) + 3);
        EXPECT_EQ(M.Elem(C, 3), 10 * (C + 1) + 4);
    }
}

TEST(MatrixCore, RangeRule) {
    TMatrix M(nullptr);
    M.Resize(4, 6);
    auto Col = [&](int Lo, int Hi) {
        M.MakeValidColRange(Lo, Hi);
        return std::make_pair(Lo, Hi);
    };
    auto Row = [&](int Lo, int Hi) {
        M.MakeValidRowRange(Lo, Hi);
        return std::make_pair(Lo, Hi);
    };
    EXPECT_EQ(Col(0, 0), std::make_pair(1, 4));
    EXPECT_EQ(Col(5, 2), std::make_pair(2, 4));
    EXPECT_EQ(Col(0, 3), std::make_pair(1, 3));
    EXPECT_EQ(Col(3, 0), std::make_pair(1, 3));
    EXPECT_EQ(Col(-2, -7), std::make_pair(1, 1));
    EXPECT_EQ(Row(0, 0), std::make_pair(1, 6));
    EXPECT_EQ(Row(9, 9), std::make_pair(6, 6));
    // With no columns every range is empty, never index 0.
    M.Resize(0, 6);
    auto [Lo, Hi] = Col(2, 3);
    EXPECT_LT(Hi, Lo);
    EXPECT_GE(Lo, 1);
    auto [Lo0, Hi0] = Col(0, 0);
    EXPECT_LT(Hi0, Lo0);
}

TEST(MatrixCore, EventsRelayed) {
    TMatrix M(nullptr);
    TMatrix Other(nullptr);
    std::vector<std::int32_t> Seen;
    qmr::TObject* Sender = nullptr;
    M.OnSortExchange = [&](qmr::TObject* S, std::uint8_t K, std::int32_t A, std::int32_t B, std::int32_t F,
                           std::int32_t L) {
        Sender = S;
        Seen = {K, A, B, F, L};
    };
    M.SortExchange(2, 3, 7, 1, 4);
    EXPECT_EQ(Sender, &M);
    EXPECT_EQ(Seen, (std::vector<std::int32_t>{2, 3, 7, 1, 4}));
    double Pct = -1;
    M.OnPercentDone = [&](qmr::TObject* S, double P) {
        Sender = S;
        Pct = P;
    };
    M.PercDone(&Other, 42);
    EXPECT_EQ(Sender, &M);
    EXPECT_EQ(Pct, 42);
    M.OnChange = nullptr;
    M.Changed();  // not assigned: nothing
}

TEST(MatrixCore, CloneFiresPerElementAndCopiesOnlyData) {
    TMatrix Src(nullptr), Dst(nullptr);
    Src.Resize(3, 2);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 2; ++R) Src.SetElem(C, R, C - 0.5 * R);
    Src.SetDataID("source");
    Src.SetPrecision(1, 4);
    int SrcEvents = 0;
    Src.OnChange = [&](qmr::TObject*) { ++SrcEvents; };
    ChangeCounter Ev;
    Ev.Attach(Dst);
    Dst.Clone(&Src);
    EXPECT_EQ(Ev.Count, 1 + 6 + 1);  // resize, one per element, one at the end
    EXPECT_EQ(SrcEvents, 0);
    EXPECT_EQ(Dst.DataID(), "");
    EXPECT_EQ(Dst.Precision(1), 15);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 2; ++R) EXPECT_EQ(Dst.Elem(C, R), C - 0.5 * R);
    Dst.Clone(nullptr);
    EXPECT_EQ(Ev.Count, 8);
}

TEST(MatrixCore, AssignCopiesEverythingButPercentDoneAndFiresNothing) {
    TMatrix Src(nullptr), Dst(nullptr);
    Src.Resize(2, 3);
    Src.SetElem(2, 3, 1.25);
    Src.SetDataID("id-7");
    Src.SetPrecision(1, 3);
    Src.SetPrecision(2, 8);
    int SrcChanges = 0, DstChanges = 0, SrcPct = 0, DstPct = 0, Dist = 0, Exch = 0;
    Src.OnChange = [&](qmr::TObject*) { ++SrcChanges; };
    Src.OnPercentDone = [&](qmr::TObject*, double) { ++SrcPct; };
    Src.OnCalcDistance = [&](qmr::TObject*, std::int32_t, std::int32_t, double&) { ++Dist; };
    Src.OnSortExchange = [&](qmr::TObject*, std::uint8_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
        ++Exch;
    };
    Dst.OnChange = [&](qmr::TObject*) { ++DstChanges; };
    Dst.OnPercentDone = [&](qmr::TObject*, double) { ++DstPct; };
    Dst.Assign(&Src);
    EXPECT_EQ(SrcChanges + DstChanges, 0);
    EXPECT_EQ(Dst.NrOfColumns(), 2);
    EXPECT_EQ(Dst.NrOfRows(), 3);
    EXPECT_EQ(Dst.Elem(2, 3), 1.25);
    EXPECT_EQ(Dst.DataID(), "id-7");
    EXPECT_EQ(Dst.Precision(1), 3);
    EXPECT_EQ(Dst.Precision(2), 8);
    Dst.Changed();
    EXPECT_EQ(SrcChanges, 1);  // the copy now reports to the source's handler
    EXPECT_EQ(DstChanges, 0);
    Dst.PercDone(nullptr, 5);
    EXPECT_EQ(DstPct, 1);
    EXPECT_EQ(SrcPct, 0);
    double D = 0;
    Dst.OnCalcDistance(&Dst, 1, 2, D);
    Dst.SortExchange(1, 1, 2, 1, 3);
    EXPECT_EQ(Dist, 1);
    EXPECT_EQ(Exch, 1);
    // The copy is independent of the source's storage.
    Src.SetElem(2, 3, 9);
    EXPECT_EQ(Dst.Elem(2, 3), 1.25);
}

TEST(MatrixCore, AssignRefusesForeignClasses) {
    TMatrix M(nullptr);
    qmr::TVector V(nullptr);
    EXPECT_THROW(M.Assign(&V), qmr::EConvertError);
    EXPECT_THROW(V.Assign(&M), qmr::EConvertError);
    EXPECT_THROW(M.Assign(nullptr), qmr::EConvertError);
}

TEST(MatrixCore, FingerprintMatchesReferenceCrc) {
    TMatrix M(nullptr);
    // A fresh matrix: one zero double; the CRC-32 of a single 0 byte is D202EF8D.
    std::string Zero;
    for (int K = 0; K < 8; ++K) Zero += "D202EF8D";
    EXPECT_EQ(M.CRCofData(), Zero);
    M.Resize(3, 2);
    std::vector<double> ColumnOrder;
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 2; ++R) {
            const double V = (C * 1.75 - R) * 1e5 / 3.0;
            M.SetElem(C, R, V);
            ColumnOrder.push_back(V);
        }
    EXPECT_EQ(M.CRCofData(), RefFingerprint(ColumnOrder));
    TMatrix Twin(nullptr);
    Twin.Clone(&M);
    Twin.SetDataID("other");
    Twin.SetPrecision(1, 2);
    EXPECT_EQ(Twin.CRCofData(), M.CRCofData());
    Twin.SetElem(3, 2, -0.0);  // differs from +0 only in its bits
    M.SetElem(3, 2, 0.0);
    EXPECT_NE(Twin.CRCofData(), M.CRCofData());
}

TEST(MatrixCore, FingerprintOfEmptyMatrixIsZeros) {
    TMatrix M(nullptr);
    M.Resize(0, 4);
    EXPECT_EQ(M.CRCofData(), std::string(64, '0'));
    M.Resize(3, 0);
    EXPECT_EQ(M.CRCofData(), std::string(64, '0'));
}

}  // namespace
