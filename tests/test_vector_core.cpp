// TVector: elements, sizing, events, IsEmpty, copies, fills, length and fingerprint.
#include "qmr_test_support.h"

#include <cmath>

namespace {

using qmr::TVector;

struct Counter {
    int Count = 0;
    void Attach(TVector& V) {
        V.OnChange = [this](qmr::TObject*) { ++Count; };
    }
};

void Load(TVector& V, const std::vector<double>& X) {
    V.Resize(static_cast<std::int32_t>(X.size()));
    for (std::size_t i = 0; i < X.size(); ++i) V.SetElem(static_cast<std::int32_t>(i + 1), X[i]);
}

std::vector<double> Values(const TVector& V) {
    std::vector<double> X;
    for (std::int32_t i = 1; i <= V.NrOfElem(); ++i) X.push_back(static_cast<double>(V.Elem(i)));
    return X;
}

TEST(VectorCore, NewVector) {
    TVector V(nullptr);
    EXPECT_EQ(V.NrOfElem(), 1);
    EXPECT_EQ(V.Elem(1), 0);
    EXPECT_TRUE(V.IsEmpty());
    EXPECT_EQ(V.ClassName(), "TVector");
    // One zero double: every register holds the CRC-32 of a single 0 byte.
    std::string Zero;
    for (int K = 0; K < 8; ++K) Zero += "D202EF8D";
    EXPECT_EQ(V.CRCofData(), Zero);
}

TEST(VectorCore, ElementsOutsideRangeAreIgnored) {
    TVector V(nullptr);
    Counter Ev;
    Ev.Attach(V);
    V.Resize(3);
    Ev.Count = 0;
    V.SetElem(0, 5);
    V.SetElem(4, 5);
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_TRUE(V.IsEmpty());
    EXPECT_EQ(V.Elem(0), 0);
    EXPECT_EQ(V.Elem(4), 0);
    V.SetElem(3, 2.5);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_FALSE(V.IsEmpty());
    EXPECT_EQ(V.Elem(3), 2.5);
}

TEST(VectorCore, ResizeRules) {
    TVector V(nullptr);
    Load(V, {1, 2, 3});
    Counter Ev;
    Ev.Attach(V);
    EXPECT_TRUE(V.Resize(3));
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_FALSE(V.Resize(0));
    EXPECT_FALSE(V.Resize(-3));
    EXPECT_EQ(V.NrOfElem(), 3);
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_TRUE(V.Resize(5));
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_EQ(Values(V), (std::vector<double>{1, 2, 3, 0, 0}));
    V.Resize(2);
    EXPECT_EQ(Values(V), (std::vector<double>{1, 2}));
    V.SetNrOfElem(0);
    V.SetNrOfElem(-1);
    V.SetNrOfElem(2);
    EXPECT_EQ(V.NrOfElem(), 2);
    EXPECT_EQ(Ev.Count, 2);
    V.SetNrOfElem(4);
    EXPECT_EQ(V.NrOfElem(), 4);
    // Resizing leaves IsEmpty alone.
    TVector W(nullptr);
    W.Resize(8);
    EXPECT_TRUE(W.IsEmpty());
}

TEST(VectorCore, ElemRangeRule) {
    TVector V(nullptr);
    V.Resize(9);
    auto R = [&](int Lo, int Hi) {
        V.MakeValidElemRange(Lo, Hi);
        return std::make_pair(Lo, Hi);
    };
    EXPECT_EQ(R(0, 0), std::make_pair(1, 9));
    EXPECT_EQ(R(7, 2), std::make_pair(2, 7));
    EXPECT_EQ(R(-4, 99), std::make_pair(1, 9));
    EXPECT_EQ(R(0, 5), std::make_pair(1, 5));
    EXPECT_EQ(R(5, 0), std::make_pair(1, 5));
    EXPECT_EQ(R(12, 11), std::make_pair(9, 9));
}

TEST(VectorCore, AssignCopiesDataAndHandlers) {
    TVector Src(nullptr), Dst(nullptr);
    Load(Src, {1, -2, 3.5});
    int SrcEvents = 0, SrcExch = 0;
    Src.OnChange = [&](qmr::TObject*) { ++SrcEvents; };
    Src.OnSortExchange = [&](qmr::TObject*, std::uint8_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t) { ++SrcExch; };
    int DstEvents = 0;
    Dst.OnChange = [&](qmr::TObject*) { ++DstEvents; };
    Dst.Assign(&Src);
    EXPECT_EQ(SrcEvents + DstEvents, 0);
    EXPECT_EQ(Values(Dst), Values(Src));
    EXPECT_FALSE(Dst.IsEmpty());
    Dst.SetElem(1, 9);
    EXPECT_EQ(SrcEvents, 1);  // the copy reports to the source's handler
    EXPECT_EQ(DstEvents, 0);
    EXPECT_EQ(Src.Elem(1), 1);
    Dst.SortExchange(0, 1, 2, 0, 0);
    EXPECT_EQ(SrcExch, 1);
    TVector Empty(nullptr);
    Dst.Assign(&Empty);
    EXPECT_TRUE(Dst.IsEmpty());
    EXPECT_EQ(Dst.NrOfElem(), 1);
    qmr::TComponent Foreign(nullptr);
    EXPECT_THROW(Dst.Assign(&Foreign), qmr::EConvertError);
}

TEST(VectorCore, CloneFiresPerElementAndOnceMore) {
    TVector Src(nullptr), Dst(nullptr);
    Load(Src, {4, 5, 6, 7});
    Counter Ev;
    Ev.Attach(Dst);
    Dst.Clone(&Src);
    EXPECT_EQ(Ev.Count, 1 + 4 + 1);
    EXPECT_EQ(Values(Dst), Values(Src));
    EXPECT_FALSE(Dst.IsEmpty());
    Dst.Clone(nullptr);
    EXPECT_EQ(Ev.Count, 6);
}

TEST(VectorCore, FillsAndIsEmpty) {
    TVector V(nullptr);
    V.Resize(4);
    Counter Ev;
    Ev.Attach(V);
    V.Fill(-2.5);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_FALSE(V.IsEmpty());
    V.AbsVal();
    EXPECT_EQ(Values(V), (std::vector<double>{2.5, 2.5, 2.5, 2.5}));
    V.Clear();
    EXPECT_TRUE(V.IsEmpty());
    EXPECT_EQ(Values(V), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(Ev.Count, 3);
    V.SetIsEmpty(false);
    V.AbsVal();
    EXPECT_FALSE(V.IsEmpty());
}

TEST(VectorCore, RandomFillsDrawFromTheirGenerators) {
    TVector V(nullptr);
    V.Resize(2000);
    Counter Ev;
    Ev.Attach(V);
    qmr::RandSeed = 77;
    V.FillRandomUniform(-3, 5);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_FALSE(V.IsEmpty());
    double Lo = 1e9, Hi = -1e9, Sum = 0;
    for (double X : Values(V)) {
        Lo = std::min(Lo, X);
        Hi = std::max(Hi, X);
        Sum += X;
    }
    EXPECT_GE(Lo, -3);
    EXPECT_LT(Hi, 5);
    EXPECT_NEAR(Sum / 2000, 1, 0.25);
    // Not re-seeded: the same seed gives the same numbers, drawn in element order.
    qmr::RandSeed = 77;
    const double First = -3 + qmr::Random() * 8;
    EXPECT_EQ(V.Elem(1), First);
    qmr::RandSeed = 77;
    V.FillRandomUniform(-3, 5);
    EXPECT_EQ(V.Elem(1), First);

    V.Clear();
    V.FillRandomGauss(10, 2);
    EXPECT_FALSE(V.IsEmpty());
    double M = 0, Q = 0;
    for (double X : Values(V)) M += X;
    M /= 2000;
    for (double X : Values(V)) Q += (X - M) * (X - M);
    EXPECT_NEAR(M, 10, 0.3);
    EXPECT_NEAR(std::sqrt(Q / 1999), 2, 0.2);
}

TEST(VectorCore, LengthAndScaling) {
    TVector V(nullptr);
    Load(V, {3, 4});
    EXPECT_EQ(V.Leng(), 5);
    Counter Ev;
    Ev.Attach(V);
    V.SetLeng(2);
    EXPECT_DOUBLE_EQ(V.Elem(1), 1.2);
    EXPECT_DOUBLE_EQ(V.Elem(2), 1.6);
    EXPECT_EQ(Ev.Count, 1);
    V.Clear();
    Ev.Count = 0;
    V.SetLeng(2);
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_EQ(V.Elem(1), 0);
}

TEST(VectorCore, CopyFromClampsAndFires) {
    TVector Src(nullptr), Dst(nullptr);
    Load(Src, {1, 2, 3, 4, 5});
    Dst.Resize(4);
    Counter Ev;
    Ev.Attach(Dst);
    Dst.CopyFrom(&Src, 0, 0, 1);  // 0 is clamped to 1, not the whole vector
    EXPECT_EQ(Values(Dst), (std::vector<double>{1, 0, 0, 0}));
    EXPECT_EQ(Ev.Count, 2);
    Ev.Count = 0;
    Dst.CopyFrom(&Src, 5, 2, 2);  // 2..5 to positions 2..5; position 5 is dropped
    EXPECT_EQ(Values(Dst), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(Ev.Count, 3 + 1);
    Dst.CopyFrom(&Src, 1, 3, -1);  // positions -1, 0 dropped, element 3 to position 1
    EXPECT_EQ(Values(Dst), (std::vector<double>{3, 2, 3, 4}));
    Ev.Count = 0;
    Dst.CopyFrom(nullptr, 1, 2, 1);
    EXPECT_EQ(Ev.Count, 0);
}

TEST(VectorCore, CopyFromItselfWithOverlap) {
    TVector V(nullptr);
    Load(V, {1, 2, 3, 4, 5});
    V.CopyFrom(&V, 1, 4, 2);
    EXPECT_EQ(Values(V), (std::vector<double>{1, 1, 2, 3, 4}));
    Load(V, {1, 2, 3, 4, 5});
    V.CopyFrom(&V, 2, 5, 1);
    EXPECT_EQ(Values(V), (std::vector<double>{2, 3, 4, 5, 5}));
}

TEST(VectorCore, ArrayCopies) {
    TVector V(nullptr);
    Load(V, {1, 2, 3, 4});
    Counter Ev;
    Ev.Attach(V);
    qmr::TDoubleArray A{9, 9, 9, 9, 9, 9};
    V.CopyToArray(A, 3, 2);
    EXPECT_EQ(A, (qmr::TDoubleArray{2, 3}));
    V.CopyToArray(A, 0, 0);
    EXPECT_EQ(A, (qmr::TDoubleArray{1, 2, 3, 4}));
    EXPECT_EQ(Ev.Count, 0);
    V.CopyFromArray({7, 8, 9}, 3);  // the third value falls outside
    EXPECT_EQ(Values(V), (std::vector<double>{1, 2, 7, 8}));
    EXPECT_EQ(Ev.Count, 2);  // per element written, no final event
    V.CopyFromArray({5, 6}, 0);
    EXPECT_EQ(Values(V), (std::vector<double>{6, 2, 7, 8}));
    EXPECT_EQ(Ev.Count, 3);
    TVector W(nullptr);
    W.CopyFromArray({}, 1);
    EXPECT_TRUE(W.IsEmpty());
}

TEST(VectorCore, FingerprintDependsOnBytesOnly) {
    TVector A(nullptr), B(nullptr);
    Load(A, {1.5, -2, 1e300});
    B.Clone(&A);
    EXPECT_EQ(A.CRCofData(), B.CRCofData());
    EXPECT_EQ(A.CRCofData().size(), 64u);
    B.SetElem(2, -2.0000000000000004);
    EXPECT_NE(A.CRCofData(), B.CRCofData());
    // A matrix column with the same values has the same fingerprint.
    qmr::TMatrix M(nullptr);
    M.Resize(1, 3);
    for (int i = 1; i <= 3; ++i) M.SetElem(1, i, static_cast<double>(A.Elem(i)));
    EXPECT_EQ(M.CRCofData(), A.CRCofData());
}

}  // namespace
