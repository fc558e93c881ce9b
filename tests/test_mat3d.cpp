// TMat3D: sizing and its events, fills, search, range statistics with progress,
// percentiles, layer copies to and from TMatrix, and the fingerprint.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace qmr;
using test::CountChanges;
using Vals = std::vector<double>;

// Every element, column outer, layer inner.
Vals All(const TMat3D& M) {
    Vals V;
    for (int C = 1; C <= M.NrOfColumns(); ++C)
        for (int R = 1; R <= M.NrOfRows(); ++R)
            for (int L = 1; L <= M.NrOfLayers(); ++L) V.push_back(static_cast<double>(M.Elem(C, R, L)));
    return V;
}

// Nc x Nr x Nl holding 100 c + 10 r + l.
void Numbered(TMat3D& M, int Nc, int Nr, int Nl) {
    M.Resize(Nc, Nr, Nl);
    for (int C = 1; C <= Nc; ++C)
        for (int R = 1; R <= Nr; ++R)
            for (int L = 1; L <= Nl; ++L) M.SetElem(C, R, L, 100 * C + 10 * R + L);
}

TEST(Mat3D, SizingKeepsTheOverlapAndFiresOnlyOnAChange) {
    TMat3D M(nullptr);
    EXPECT_EQ(All(M), Vals{0});
    Numbered(M, 3, 3, 3);
    int Ev;
    CountChanges(M, Ev);
    M.SetElem(0, 1, 1, 5), M.SetElem(1, 1, 4, 5), M.SetElem(1, 1, 1, 7);
    EXPECT_EQ(std::tuple(M.Elem(0, 1, 1), M.Elem(1, 4, 1), M.Elem(1, 1, 1), Ev), std::tuple(0.0L, 0.0L, 7.0L, 0));
    M.Resize(2, 4, 2);
    EXPECT_EQ(All(M), (Vals{7, 112, 121, 122, 131, 132, 0, 0, 211, 212, 221, 222, 231, 232, 0, 0}));
    M.Resize(0, 5, 5), M.Resize(2, 4, 2), M.Resize(2, -1, 9);
    EXPECT_EQ(Ev, 1);
    M.SetNrOfLayers(0), M.SetNrOfColumns(-3);
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers(), Ev), std::tuple(1, 4, 1, 3));
    M.ResizeAndClear(1, 4, 1);  // same size: zeroes without an event
    EXPECT_EQ(std::tuple(All(M), Ev), std::tuple(Vals(4, 0.0), 3));
    M.SetName("T");
    const int Big = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.Resize(Big, Big, Big); }),
              "Component \"T\": not enough memory on heap");
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers(), Ev), std::tuple(1, 4, 1, 3));
    EXPECT_THROW(M.Assign(&M), EConvertError);
}

TEST(Mat3D, CloneAndFills) {
    TMat3D A(nullptr), B(nullptr);
    Numbered(A, 2, 3, 2);
    A.SetDataID("a");
    int Ev;
    CountChanges(B, Ev);
    B.Clone(nullptr);
    B.Clone(&A);
    EXPECT_EQ(std::tuple(All(B), B.DataID(), Ev), std::tuple(All(A), std::string(), 2));  // resize, then once
    B.Clone(&A);
    B.Fill(2.5);
    EXPECT_EQ(std::tuple(All(B), Ev), std::tuple(Vals(12, 2.5), 3));
    B.FillDiag(-1);  // min count 2: (1, 1, 1) and (2, 2, 2)
    EXPECT_EQ(std::tuple(B.Elem(1, 1, 1), B.Elem(2, 2, 2), B.Elem(2, 2, 1), Ev), std::tuple(-1.0L, -1.0L, 2.5L, 4));
    // Uniform numbers are drawn in storage order: column, row, layer innermost.
    RandSeed = 77;
    B.FillRandomUniform(-2, 6);
    RandSeed = 77;
    for (double V : All(B)) EXPECT_EQ(V, -2 + Random() * 8.0);
    B.Resize(40, 50, 10);
    B.FillRandomGauss(3, 0.5);
    double Mean, Var;
    B.MeanVar(0, 0, 0, 0, 0, 0, Mean, Var);
    EXPECT_NEAR(Mean, 3, 0.02);
    EXPECT_NEAR(Var, 0.25, 0.02);
    EXPECT_EQ(Ev, 7);
}

TEST(Mat3D, FindTakesTheFirstNearestInVisitingOrder) {
    TMat3D M(nullptr);
    Numbered(M, 3, 3, 3);
    struct Case { int C0, C1, R0, R1, L0, L1; double V; int C, R, L; };
    for (const Case& K : {Case{0, 0, 0, 0, 0, 0, 222.2, 2, 2, 2}, Case{0, 0, 0, 0, 0, 0, 226.5, 2, 2, 3},
                          Case{3, 2, 0, 0, 0, 0, 100, 2, 1, 1}, Case{0, 0, 0, 0, 2, 2, 116.5, 1, 1, 2},
                          Case{0, 0, 0, 0, 0, 0, 212, 2, 1, 2}}) {
        int C = -1, R = -1, L = -1;
        M.Find(K.C0, K.C1, K.R0, K.R1, K.L0, K.L1, K.V, C, R, L);
        EXPECT_EQ(std::tuple(C, R, L), std::tuple(K.C, K.R, K.L)) << K.V;
    }
    M.SetElem(1, 1, 1, 5), M.SetElem(1, 1, 2, 7);  // 6 is as near to both: the first wins
    int C, R, L;
    M.Find(0, 0, 0, 0, 0, 0, 6, C, R, L);
    EXPECT_EQ(L, 1);
    M.Find(0, 0, 0, 0, 0, 0, std::nan(""), C, R, L);
    EXPECT_EQ(std::tuple(C, R, L), std::tuple(0, 0, 0));
}

class Mat3DStats : public test::ProgressFixture {};

TEST_F(Mat3DStats, MinMaxAndMeanVarWithProgress) {
    TMat3D M(nullptr);
    Numbered(M, 12, 11, 4);
    double Lo, Hi, Mean, Var;
    M.MinMax(0, 10, 2, 11, 2, 4, Lo, Hi);  // 10 x 10 positions: a step every 2
    EXPECT_EQ(std::tuple(Lo, Hi, ProcStat.load(), Calls().size()), std::tuple(122.0, 1114.0, 50.0, 50u));
    M.MeanVar(2, 2, 5, 5, 1, 4, Mean, Var);  // 1 position: P = 1
    EXPECT_EQ(std::tuple(Mean, Var, ProcStat.load()), std::tuple(252.5, 5.0 / 3.0, 51.0));
    M.MeanVar(12, 12, 11, 11, 3, 4, Mean, Var);  // two values: variance 1
    EXPECT_EQ(std::tuple(Mean, Var), std::tuple(1313.5, 1.0));
    // 1e9 + i, i = 1..n: mean 1e9 + (n + 1) / 2, variance n (n + 1) / 12.
    M.Resize(10, 10, 10);
    for (int C = 1; C <= 10; ++C)
        for (int R = 1; R <= 10; ++R)
            for (int L = 1; L <= 10; ++L) M.SetElem(C, R, L, 1e9 + (C - 1) * 100 + (R - 1) * 10 + L);
    M.MeanVar(0, 0, 0, 0, 0, 0, Mean, Var);
    EXPECT_EQ(Mean, 1e9 + 500.5);
    EXPECT_NEAR(Var, 1000.0 * 1001.0 / 12.0, 1e-9);
    // Extremes: NaN passed over, infinities found.
    M.Resize(1, 1, 3);
    M.SetElem(1, 1, 1, std::nan("")), M.SetElem(1, 1, 2, -INFINITY), M.SetElem(1, 1, 3, -INFINITY);
    M.MinMax(0, 0, 0, 0, 0, 0, Lo, Hi);
    EXPECT_EQ(std::tuple(Lo, Hi), std::tuple(-INFINITY, -INFINITY));
}

TEST(Mat3D, PercentilesSelectTheRoundedRank) {
    TMat3D M(nullptr);
    M.Resize(5, 5, 3);  // 75 values, a permutation of 1..75
    for (int I = 0; I < 75; ++I) M.SetElem(I / 15 + 1, I / 3 % 5 + 1, I % 3 + 1, (I * 31) % 75 + 1);
    // (k + 1)-th smallest of 1..n is k + 1, k = Round(n prob / 100) held to n - 1;
    // 75 * 14 / 100 = 10.5 rounds to 10, 75 * 50 / 100 = 37.5 to 38.
    for (auto [Prob, Want] : {std::pair{14.0, 11.0}, {50.0, 39.0}, {100.0, 75.0}, {0.0, 1.0}, {-5.0, 1.0},
                              {250.0, 75.0}, {std::nan(""), 1.0}, {99.9, 75.0}}) {
        EXPECT_EQ(M.Percentile(Prob, 0, 0, 0, 0, 0, 0), Want) << Prob;
        EXPECT_EQ(M.Percentile(Prob, 0, 0, 0, 0, 0, 0, 0), Want) << Prob;
        EXPECT_EQ(M.Percentile(Prob, 0, 0, 0, 0, 0, 0, -3), Want) << Prob;
        EXPECT_EQ(M.Percentile(Prob, 0, 0, 0, 0, 0, 0, 75), Want) << Prob;
    }
    // A sub-range: columns 2..3, rows 1..1, layer 3 hold two values.
    EXPECT_EQ(M.Percentile(100, 3, 2, 1, 1, 3, 3), std::max(M.Elem(2, 1, 3), M.Elem(3, 1, 3)));
    // Sampled over columns 2..4, rows 1..2, layers 2..3 (12 values): after Randomize, 7
    // draws of a column, a row and a layer offset, in that order. The platform generator
    // steps its seed by a constant per draw, so the seed Randomize chose is found from
    // the one left behind and the draws are replayed; prob runs over every rank k.
    RandSeed = 0;
    Random(2);
    const auto Step = static_cast<std::uint32_t>(RandSeed);
    for (double Prob : {0.0, 15.0, 30.0, 45.0, 60.0, 75.0, 100.0}) {
        RandSeed = 4242;
        const Extended Got = M.Percentile(Prob, 2, 4, 1, 2, 3, 2, 7);
        RandSeed = static_cast<std::int32_t>(static_cast<std::uint32_t>(RandSeed) - 3 * 7 * Step);
        EXPECT_NE(RandSeed, 4242);  // re-seeded
        Vals Sample;
        for (int I = 0; I < 7; ++I) {
            const int C = 2 + Random(3), R = 1 + Random(2);
            Sample.push_back(static_cast<double>(M.Elem(C, R, 2 + Random(2))));
        }
        std::sort(Sample.begin(), Sample.end());
        EXPECT_EQ(Got, Sample[static_cast<std::size_t>(std::min(std::nearbyint(7 * Prob / 100), 6.0))]) << Prob;
    }
}

TEST(Mat3D, LayerCopies) {
    TMat3D M(nullptr);
    Numbered(M, 4, 3, 2);
    M.SetName("T");
    TMatrix D(nullptr);
    int Ev;
    CountChanges(D, Ev);
    const std::string Beyond = "Component \"T\": specified layer beyond data range";
    for (int Bad : {0, 3, -1}) {
        EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyLayerToMatrix(nullptr, 0, 0, 0, 0, Bad); }), Beyond);
        EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyLayerToMatrix(&D, 1, 1, 1, 1, Bad); }), Beyond);
        EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyMatrixToLayer(&D, 1, 1, 1, 1, Bad, 1, 1); }), Beyond);
    }
    EXPECT_EQ(std::tuple(test::Cells(D), Ev), std::tuple(Vals{0}, 0));
    M.CopyLayerToMatrix(nullptr, 0, 0, 0, 0, 1);
    M.CopyMatrixToLayer(nullptr, 0, 0, 0, 0, 1, 1, 1);
    M.CopyLayerToMatrix(&D, 9, 2, 2, 0, 2);  // columns 2..4, rows 1..2 of layer 2
    EXPECT_EQ(test::Cells(D), (Vals{212, 222, 312, 322, 412, 422}));
    EXPECT_EQ(Ev, 1 + 6);
    // Source bounds as given: with LayLowCol 0, source column 0 would land on column 0.
    TMat3D L(nullptr);
    int LEv;
    CountChanges(L, LEv);
    L.Resize(3, 2, 2);
    L.Fill(-1);
    L.CopyMatrixToLayer(&D, 0, 2, 1, 2, 2, 0, 1);  // source columns 1..2 land on 1..2, rows alike
    EXPECT_EQ(All(L), (Vals{-1, 212, -1, 222, -1, 312, -1, 322, -1, -1, -1, -1}));
    L.CopyMatrixToLayer(&D, 1, 3, 2, 1, 1, 2, 1);  // rows reversed: nothing
    EXPECT_EQ(LEv, 1);
    // Extreme bounds visit only the targets inside the layer.
    const std::int32_t Min = std::numeric_limits<std::int32_t>::min(), Max = std::numeric_limits<std::int32_t>::max();
    L.CopyMatrixToLayer(&D, Min, Max, Min, Max, 1, Min, Min);  // source (c, r) lands on (c, r)
    L.CopyMatrixToLayer(&D, Min, Max, 1, 2, 2, Max, 1);        // column c lands on c + 2^32 - 1: nowhere
    L.CopyMatrixToLayer(&D, 1, 1, Min, Max, 2, 1, Min);        // rewrites column 1 of layer 2 alone
    EXPECT_EQ(All(L), (Vals{212, 212, 222, 222, 312, 312, 322, 322, 412, -1, 422, -1}));
    EXPECT_EQ(LEv, 1);
}

TEST(Mat3D, FingerprintVisitsColumnRowLayer) {
    // A 2 x 3 x 2 matrix fingerprints like a 12 x 1 matrix holding its elements in the
    // order column, row, layer innermost.
    TMat3D M(nullptr);
    Numbered(M, 2, 3, 2);
    TMatrix Flat(nullptr);
    Flat.Resize(1, 12);
    Vals V = All(M);
    for (int I = 0; I < 12; ++I) Flat.SetElem(1, I + 1, V[I]);
    EXPECT_EQ(M.CRCofData(), Flat.CRCofData());
    M.SetElem(2, 3, 2, -0.0);
    EXPECT_NE(M.CRCofData(), Flat.CRCofData());
}

}  // namespace
