// TVector: elements, sizing, events, IsEmpty, copies, fills, length and fingerprint.
#include "qmr_test_support.h"

#include <array>
#include <cmath>

namespace {

using qmr::test::CountChanges;

using qmr::TVector;
using Vals = std::vector<double>;

void Load(TVector& V, const Vals& X) {
    V.Resize(static_cast<std::int32_t>(X.size()));
    for (std::size_t i = 0; i < X.size(); ++i) V.SetElem(static_cast<std::int32_t>(i + 1), X[i]);
}

Vals Values(const TVector& V) {
    Vals X;
    for (std::int32_t i = 1; i <= V.NrOfElem(); ++i) X.push_back(static_cast<double>(V.Elem(i)));
    return X;
}

TEST(VectorCore, ElementsSizeAndIsEmpty) {
    TVector V(nullptr);
    EXPECT_EQ(Values(V), Vals{0});
    EXPECT_TRUE(V.IsEmpty());
    V.Resize(3);
    int Ev;
    CountChanges(V, Ev);
    for (int Ix : {0, 4}) {
        V.SetElem(Ix, 5);
        EXPECT_EQ(V.Elem(Ix), 0);
    }
    EXPECT_EQ(Ev, 0);
    EXPECT_TRUE(V.IsEmpty());
    V.SetElem(3, 2.5);
    EXPECT_EQ(Ev, 1);
    EXPECT_FALSE(V.IsEmpty());
    // Same size: True, no event; sizes <= 0: False, no change.
    EXPECT_TRUE(V.Resize(3));
    EXPECT_FALSE(V.Resize(0));
    EXPECT_FALSE(V.Resize(-3));
    V.SetNrOfElem(0);
    V.SetNrOfElem(-1);
    EXPECT_EQ(V.NrOfElem(), 3);
    EXPECT_EQ(Ev, 1);
    EXPECT_TRUE(V.Resize(5));
    EXPECT_EQ(Values(V), (Vals{0, 0, 2.5, 0, 0}));
    V.SetNrOfElem(3);
    EXPECT_EQ(Values(V), (Vals{0, 0, 2.5}));
    EXPECT_EQ(Ev, 3);
    TVector W(nullptr);
    W.Resize(8);  // resizing leaves IsEmpty alone
    EXPECT_TRUE(W.IsEmpty());
}

TEST(VectorCore, ElemRangeRule) {
    TVector V(nullptr);
    V.Resize(9);
    for (auto [Lo, Hi, WantLo, WantHi] : {std::array{0, 0, 1, 9}, {7, 2, 2, 7}, {-4, 99, 1, 9}, {0, 5, 1, 5},
                                          {5, 0, 1, 5}, {12, 11, 9, 9}}) {
        const int L = Lo, H = Hi;
        V.MakeValidElemRange(Lo, Hi);
        EXPECT_EQ(std::make_pair(Lo, Hi), std::make_pair(WantLo, WantHi)) << L << "," << H;
    }
}

TEST(VectorCore, AssignCopiesDataAndHandlersCloneFiresPerElement) {
    TVector Src(nullptr), Dst(nullptr);
    Load(Src, {1, -2, 3.5});
    int SrcEv, DstEv, SrcExch = 0;
    CountChanges(Src, SrcEv);
    CountChanges(Dst, DstEv);
    Src.OnSortExchange = [&](qmr::TObject*, std::uint8_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t) { ++SrcExch; };
    Dst.Assign(&Src);
    EXPECT_EQ(SrcEv + DstEv, 0);
    EXPECT_EQ(Values(Dst), Values(Src));
    EXPECT_FALSE(Dst.IsEmpty());
    Dst.SetElem(1, 9);
    Dst.SortExchange(0, 1, 2, 0, 0);
    EXPECT_EQ(SrcEv, 1);  // the copy reports to the source's handlers
    EXPECT_EQ(SrcExch, 1);
    EXPECT_EQ(DstEv, 0);
    EXPECT_EQ(Src.Elem(1), 1);
    TVector Empty(nullptr);
    Dst.Assign(&Empty);
    EXPECT_TRUE(Dst.IsEmpty());
    EXPECT_EQ(Values(Dst), Vals{0});
    qmr::TComponent Foreign(nullptr);
    EXPECT_THROW(Dst.Assign(&Foreign), qmr::EConvertError);

    CountChanges(Dst, DstEv);
    Dst.Clone(&Src);
    EXPECT_EQ(DstEv, 1 + 3 + 1);  // resize, one per element, one at the end
    EXPECT_EQ(Values(Dst), Values(Src));
    EXPECT_FALSE(Dst.IsEmpty());
    Dst.Clone(nullptr);
    EXPECT_EQ(DstEv, 5);
}

TEST(VectorCore, FillsLengthAndIsEmpty) {
    TVector V(nullptr);
    V.Resize(2);
    int Ev;
    CountChanges(V, Ev);
    V.Fill(-2.5);
    EXPECT_EQ(Values(V), (Vals{-2.5, -2.5}));
    EXPECT_FALSE(V.IsEmpty());
    V.Clear();
    EXPECT_TRUE(V.IsEmpty());
    EXPECT_EQ(Values(V), (Vals{0, 0}));
    V.SetLeng(2);  // zero vector: nothing
    V.SetElem(1, -3);
    V.SetElem(2, 4);
    EXPECT_EQ(V.Leng(), 5);
    V.SetIsEmpty(true);
    V.AbsVal();  // leaves IsEmpty alone
    EXPECT_TRUE(V.IsEmpty());
    V.SetLeng(2);
    EXPECT_DOUBLE_EQ(V.Elem(1), 1.2);
    EXPECT_DOUBLE_EQ(V.Elem(2), 1.6);
    EXPECT_EQ(Ev, 6);  // Fill, Clear, two writes, AbsVal, SetLeng
}

TEST(VectorCore, RandomFillsDrawFromTheirGenerators) {
    TVector V(nullptr);
    V.Resize(2000);
    int Ev;
    CountChanges(V, Ev);
    // Not re-seeded: elements are the platform generator's numbers, in element order.
    qmr::RandSeed = 77;
    Vals Want;
    for (int i = 0; i < 2000; ++i) Want.push_back(-3 + qmr::Random() * 8);
    qmr::RandSeed = 77;
    V.FillRandomUniform(-3, 5);
    EXPECT_EQ(Values(V), Want);
    EXPECT_FALSE(V.IsEmpty());
    V.Clear();
    V.FillRandomGauss(10, 2);
    EXPECT_FALSE(V.IsEmpty());
    EXPECT_EQ(Ev, 3);
    double M = 0, Q = 0;
    for (double X : Values(V)) M += X / 2000;
    for (double X : Values(V)) Q += (X - M) * (X - M) / 1999;
    EXPECT_NEAR(M, 10, 0.3);
    EXPECT_NEAR(std::sqrt(Q), 2, 0.2);
}

TEST(VectorCore, CopyFromClampsAndFires) {
    TVector Src(nullptr), Dst(nullptr);
    Load(Src, {1, 2, 3, 4, 5});
    Dst.Resize(4);
    int Ev;
    CountChanges(Dst, Ev);
    Dst.CopyFrom(&Src, 0, 0, 1);  // 0 is clamped to 1, not the whole vector
    EXPECT_EQ(Values(Dst), (Vals{1, 0, 0, 0}));
    EXPECT_EQ(Ev, 2);
    Dst.CopyFrom(&Src, 5, 2, 2);  // 2..5 to positions 2..5; position 5 is dropped
    EXPECT_EQ(Values(Dst), (Vals{1, 2, 3, 4}));
    EXPECT_EQ(Ev, 2 + 3 + 1);
    Dst.CopyFrom(&Src, 1, 3, -1);  // positions -1, 0 dropped, element 3 to position 1
    EXPECT_EQ(Values(Dst), (Vals{3, 2, 3, 4}));
    Dst.CopyFrom(nullptr, 1, 2, 1);
    EXPECT_EQ(Ev, 8);
    // Overlapping copies within one vector read the values from before the copy.
    Load(Dst, {1, 2, 3, 4, 5});
    Dst.CopyFrom(&Dst, 1, 4, 2);
    EXPECT_EQ(Values(Dst), (Vals{1, 1, 2, 3, 4}));
    Load(Dst, {1, 2, 3, 4, 5});
    Dst.CopyFrom(&Dst, 2, 5, 1);
    EXPECT_EQ(Values(Dst), (Vals{2, 3, 4, 5, 5}));
}

TEST(VectorCore, ArrayCopies) {
    TVector V(nullptr);
    Load(V, {1, 2, 3, 4});
    int Ev;
    CountChanges(V, Ev);
    qmr::TDoubleArray A{9, 9, 9, 9, 9, 9};
    V.CopyToArray(A, 3, 2);
    EXPECT_EQ(A, (qmr::TDoubleArray{2, 3}));
    V.CopyToArray(A, 0, 0);
    EXPECT_EQ(A, (qmr::TDoubleArray{1, 2, 3, 4}));
    EXPECT_EQ(Ev, 0);
    V.CopyFromArray({7, 8, 9}, 3);  // the third value falls outside
    EXPECT_EQ(Values(V), (Vals{1, 2, 7, 8}));
    EXPECT_EQ(Ev, 2);  // per element written, no final event
    V.CopyFromArray({5, 6}, 0);
    EXPECT_EQ(Values(V), (Vals{6, 2, 7, 8}));
    EXPECT_EQ(Ev, 3);
    TVector W(nullptr);
    W.CopyFromArray({}, 1);  // nothing written: still empty
    EXPECT_TRUE(W.IsEmpty());
}

TEST(VectorCore, FingerprintIsThatOfAMatrixColumn) {
    TVector V(nullptr);
    qmr::TMatrix M(nullptr);
    EXPECT_EQ(V.CRCofData(), M.CRCofData());
    Load(V, {1.5, -2, 1e300});
    M.Resize(1, 3);
    for (int i = 1; i <= 3; ++i) M.SetElem(1, i, static_cast<double>(V.Elem(i)));
    EXPECT_EQ(V.CRCofData(), M.CRCofData());
    M.SetElem(1, 2, -2.0000000000000004);
    EXPECT_NE(V.CRCofData(), M.CRCofData());
}

}  // namespace
