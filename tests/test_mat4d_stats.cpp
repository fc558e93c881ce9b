// TMat4D: range statistics against brute force, percentiles, and the block copies to
// and from matrices, vectors and arrays with their codes and events.
#include "mat4d_test_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace {

using namespace qmr;
using namespace qmr::test;
using Vals = std::vector<double>;

// Bounds as the caller gives them: (lo, hi) per axis, column, row, layer, slot.
using Bounds = std::array<int, 8>;

// The elements of a range in visiting order (column outermost), the range normalised
// here by its definition.
Vals InRange(const TMat4D& M, Bounds B) {
    const Dims4 N = DimsOf(M);
    for (int A = 0; A < 4; ++A) {
        int& Lo = B[2 * A];
        int& Hi = B[2 * A + 1];
        if (Lo == 0 && Hi == 0) Hi = N[A];
        Lo = std::clamp(Lo, 1, N[A]), Hi = std::clamp(Hi, 1, N[A]);
        if (Hi < Lo) std::swap(Lo, Hi);
    }
    Vals V;
    Each4({B[1] - B[0] + 1, B[3] - B[2] + 1, B[5] - B[4] + 1, B[7] - B[6] + 1}, [&](int C, int R, int L, int T) {
        V.push_back(static_cast<double>(M.Elem(B[0] + C - 1, B[2] + R - 1, B[4] + L - 1, B[6] + T - 1)));
    });
    return V;
}

using Mat4DStats = test::ProgressFixture;

TEST_F(Mat4DStats, RangeStatisticsAgreeWithBruteForce) {
    TMat4D M(nullptr);
    M.Resize(6, 5, 4, 3);
    RandSeed = 11;
    M.FillRandomUniform(-4, 4);
    for (int C = 1; C <= 6; ++C) M.SetElem(C, 2, 3, 2, 1.0);  // ties for Find and the percentiles
    for (const Bounds& B : {Bounds{0, 0, 0, 0, 0, 0, 0, 0}, Bounds{5, 2, 0, 9, 3, 3, -1, 2},
                            Bounds{6, 6, 2, 2, 1, 4, 1, 3}, Bounds{2, 3, 4, 4, 0, 0, 2, 2}}) {
        const Vals V = InRange(M, B);
        const auto [C0, C1, R0, R1, L0, L1, T0, T1] = B;
        double Lo, Hi, Mean, Var;
        M.MinMax(C0, C1, R0, R1, L0, L1, T0, T1, Lo, Hi);
        EXPECT_EQ(std::pair(Lo, Hi), std::pair(*std::min_element(V.begin(), V.end()), *std::max_element(V.begin(), V.end())));
        Extended S = 0, Q = 0;
        for (double X : V) S += X, Q += static_cast<Extended>(X) * X;
        EXPECT_EQ(std::tuple(M.Sum(C0, C1, R0, R1, L0, L1, T0, T1), M.SquaredSum(C0, C1, R0, R1, L0, L1, T0, T1)), std::tuple(S, Q));
        M.MeanVar(C0, C1, R0, R1, L0, L1, T0, T1, Mean, Var);
        const double N = static_cast<double>(V.size());
        EXPECT_DOUBLE_EQ(Mean, static_cast<double>(S / N));
        if (V.size() >= 3) {
            EXPECT_NEAR(Var, static_cast<double>((Q - S * S / N) / (N - 1)), 1e-12);
        }
        EXPECT_EQ(M.CountValues(C0, C1, R0, R1, L0, L1, T0, T1, -1, 1),
                  std::count_if(V.begin(), V.end(), [](double X) { return -1 <= X && X <= 1; }));
        int Fc, Fr, Fl, Ft;
        M.Find(C0, C1, R0, R1, L0, L1, T0, T1, 0.999, Fc, Fr, Fl, Ft);
        double Best = 1e300;
        for (double X : V) Best = std::min(Best, std::fabs(X - 0.999));
        EXPECT_EQ(std::fabs(M.Elem(Fc, Fr, Fl, Ft) - 0.999), Best);
        Vals Sorted = V;
        std::sort(Sorted.begin(), Sorted.end());
        for (double Prob : {0.0, 37.0, 50.0, 99.0, 150.0, -3.0, std::nan("")}) {
            const double P = std::isnan(Prob) ? 0 : std::clamp(Prob, 0.0, 100.0);
            const auto K = std::min<std::size_t>(static_cast<std::size_t>(std::nearbyint(N * P / 100)), V.size() - 1);
            EXPECT_EQ(std::tuple(M.Percentile(Prob, C0, C1, R0, R1, L0, L1, T0, T1), M.Percentile(Prob, C0, C1, R0, R1, L0, L1, T0, T1, 0)),
                      std::tuple(Sorted[K], Sorted[K])) << Prob;
        }
    }
    // Progress: a step every Trunc(6 * 5 / 100) + 1 = 1 (column, row) pair each.
    ProcStat = 0.0;
    double A, B;
    M.MinMax(0, 0, 0, 0, 0, 0, 0, 0, A, B), M.MeanVar(0, 0, 0, 0, 0, 0, 0, 0, A, B);
    M.Sum(0, 0, 0, 0, 0, 0, 0, 0), M.SquaredSum(0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(ProcStat.load(), 4 * 30);
    // The first of equal candidates in visiting order; NaN finds nothing.
    M.Fill(5);
    int C, R, L, T;
    M.Find(2, 3, 2, 3, 2, 3, 2, 3, 5, C, R, L, T);
    EXPECT_EQ(std::tuple(C, R, L, T), std::tuple(2, 2, 2, 2));
    M.Find(0, 0, 0, 0, 0, 0, 0, 0, std::nan(""), C, R, L, T);
    EXPECT_EQ(std::tuple(C, R, L, T), std::tuple(0, 0, 0, 0));
    // Two values: variance 1; 1e9 + i: the exact variance.
    M.MeanVar(1, 1, 1, 1, 1, 2, 1, 1, A, B);
    EXPECT_EQ(std::pair(A, B), std::pair(5.0, 1.0));
    M.Resize(10, 10, 5, 2);
    for (int I = 0; I < 1000; ++I) M.SetElem(I / 100 + 1, I / 10 % 10 + 1, I / 2 % 5 + 1, I % 2 + 1, 1e9 + I + 1);
    M.MeanVar(0, 0, 0, 0, 0, 0, 0, 0, A, B);
    EXPECT_EQ(A, 1e9 + 500.5);
    EXPECT_NEAR(B, 1000.0 * 1001.0 / 12.0, 1e-9);
    // Extremes pass over NaNs and find infinities.
    M.Fill(std::nan(""));
    M.MinMax(0, 0, 0, 0, 0, 0, 0, 0, A, B);
    EXPECT_EQ(std::pair(A, B), std::pair(uc_MaxReal, -uc_MaxReal));
    M.SetElem(3, 3, 3, 1, -INFINITY);
    M.MinMax(0, 0, 0, 0, 0, 0, 0, 0, A, B);
    EXPECT_EQ(std::pair(A, B), std::pair(-HUGE_VAL, -HUGE_VAL));
}

TEST(Mat4D, SampledPercentileDrawsColumnRowLayerSlot) {
    TMat4D M(nullptr);
    Numbered(M, {4, 3, 3, 2});
    // After Randomize, 5 draws of a column, row, layer and slot offset over columns
    // 2..4, rows 1..2, layers 2..3, slot 2 (24 values). The platform generator steps
    // its seed by a constant per draw, so the seed Randomize chose is recovered.
    RandSeed = 0;
    Random(2);
    const auto Step = static_cast<std::uint32_t>(RandSeed);
    for (double Prob : {0.0, 30.0, 50.0, 100.0}) {
        RandSeed = 4242;
        const Extended Got = M.Percentile(Prob, 2, 4, 1, 2, 2, 3, 2, 2, 5);
        RandSeed = static_cast<std::int32_t>(static_cast<std::uint32_t>(RandSeed) - 4 * 5 * Step);
        EXPECT_NE(RandSeed, 4242);
        Vals Sample;
        for (int I = 0; I < 5; ++I) {
            const int C = 2 + Random(3), R = 1 + Random(2), L = 2 + Random(2), T = 2 + Random(1);
            Sample.push_back(static_cast<double>(M.Elem(C, R, L, T)));
        }
        std::sort(Sample.begin(), Sample.end());
        EXPECT_EQ(Got, Sample[static_cast<std::size_t>(std::min(std::nearbyint(5 * Prob / 100), 4.0))]) << Prob;
    }
}

TEST(Mat4D, CopiesOutOfTheMatrix) {
    TMat4D M(nullptr);
    Numbered(M, {4, 3, 3, 2});
    M.SetName("Q");
    TDouble3DArray A3{{{7}}};
    EXPECT_EQ(M.CopyTimeSlotToArray(A3, 0, 0, 0, 0, 0, 0, 3), -1);
    EXPECT_EQ(A3, (TDouble3DArray{{{7}}}));
    EXPECT_EQ(M.CopyTimeSlotToArray(A3, 4, 3, 2, 2, 0, 0, 2), 0);  // columns 3..4, row 2, layers 1..3
    EXPECT_EQ(A3, (TDouble3DArray{{{3212, 3222, 3232}}, {{4212, 4222, 4232}}}));
    TMat3D D3(nullptr);
    M.CopyTimeSlotToMat3D(&D3, 3, 4, 2, 2, 0, 0, 2);
    EXPECT_EQ(std::tuple(D3.NrOfColumns(), D3.NrOfRows(), D3.NrOfLayers(), D3.Elem(2, 1, 3)), std::tuple(2, 1, 3, 4232.0L));
    const std::string Slot = "Component \"Q\": specified time slot beyond data range",
                      Layer = "Component \"Q\": specified layer beyond data range";
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyTimeSlotToMat3D(nullptr, 0, 0, 0, 0, 0, 0, 0); }), Slot);
    TMatrix D(nullptr);
    int Ev;
    CountChanges(D, Ev);
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyLayerToMatrix(&D, 0, 0, 0, 0, 4, 9); }), Layer);
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyLayerToMatrix(&D, 0, 0, 0, 0, 3, 9); }), Slot);
    M.CopyLayerToMatrix(nullptr, 0, 0, 0, 0, 1, 1);
    M.CopyLayerToMatrix(&D, 2, 1, 3, 3, 2, 1);  // resize, then one event per element
    EXPECT_EQ(std::tuple(test::Cells(D), Ev), std::tuple(Vals{1321, 2321}, 3));
    TDouble2DArray A2{{9}};
    EXPECT_EQ(std::tuple(M.CopyLayerToArray(A2, 0, 0, 0, 0, 0, 3), M.CopyLayerToArray(A2, 0, 0, 0, 0, 0, 1),
                         M.CopyLayerToArray(A2, 0, 0, 0, 0, 1, 0)),
              std::tuple(-2, -1, -2));
    EXPECT_EQ(A2, (TDouble2DArray{{9}}));
    EXPECT_EQ(M.CopyLayerToArray(A2, 1, 2, 2, 3, 3, 2), 0);
    EXPECT_EQ(A2, (TDouble2DArray{{1232, 1332}, {2232, 2332}}));
    TDoubleArray A1{1};
    TVector Vec(nullptr);
    for (auto [C, R, T, Want] : {std::tuple{0, 1, 1, -1}, {1, 4, 1, -2}, {5, 0, 1, -2}, {0, 0, 3, -3}, {4, 3, 0, -3}}) {
        EXPECT_EQ(M.CopyPixelTo1DArray(A1, C, R, T), Want);
        EXPECT_EQ(M.CopyPixelToVector(&Vec, C, R, T), Want);
    }
    EXPECT_EQ(std::tuple(A1, Vec.NrOfElem()), std::tuple(TDoubleArray{1}, 1));
    EXPECT_EQ(std::tuple(M.CopyPixelTo1DArray(A1, 4, 3, 2), M.CopyPixelToVector(&Vec, 4, 3, 1), M.CopyPixelToVector(nullptr, 1, 1, 1)),
              std::tuple(0, 0, -1));
    EXPECT_EQ(std::tuple(A1, test::ValuesOf(Vec)), std::tuple(TDoubleArray{4312, 4322, 4332}, Vals{4311, 4321, 4331}));
}

TEST_F(Mat4DStats, CopiesIntoTheMatrix) {
    TMat4D M(nullptr), S(nullptr);
    Numbered(S, {3, 3, 2, 2});
    M.Resize(4, 4, 3, 2);
    int Ev;
    CountChanges(M, Ev);
    M.CopyFrom(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1);
    M.CopyFrom(&S, 2, 9, 0, 0, 2, 2, 1, 1, 3, 0, 3, 2);  // columns 2..3 to 3..4, rows 1..3 to 0..2
    EXPECT_EQ(std::tuple(M.Elem(3, 1, 3, 2), M.Elem(4, 2, 3, 2), M.Elem(3, 3, 3, 2), Ev, ProcStat.load()),
              std::tuple(Code(2, 2, 2, 1), Code(3, 3, 2, 1), 0.0L, 1, 6.0));
    // Onto itself, overlapping: as if through a copy of the source block.
    Numbered(M, {4, 4, 3, 2});
    TMat4D Before(nullptr);
    Before.Assign(&M);
    M.CopyFrom(&M, 1, 3, 1, 3, 1, 2, 1, 2, 2, 2, 2, 1);
    ASSERT_TRUE(ElemsAre(M, {4, 4, 3, 2}, [&](int C, int R, int L, int T) {
        const bool Moved = C >= 2 && R >= 2 && L >= 2;
        return Moved ? Before.Elem(C - 1, R - 1, L - 1, T) : Before.Elem(C, R, L, T);
    }));
    Ev = 0;
    // Codes of the element copies; none fires OnChange.
    EXPECT_EQ(std::tuple(M.CopyArrayToLayer({{1}}, 1, 1, 4, 1), M.CopyArrayToLayer({{1}}, 1, 1, 4, 3),
                         M.CopyArrayToLayer({{1}}, 1, 1, 1, 0)),
              std::tuple(-1, -2, -2));
    EXPECT_EQ(M.CopyArrayToLayer({{-1, -2, -3}, {-4}}, 3, 3, 1, 2), 0);  // ragged columns, cut at the edge
    EXPECT_EQ(std::tuple(M.Elem(3, 3, 1, 2), M.Elem(3, 4, 1, 2), M.Elem(4, 3, 1, 2), M.Elem(4, 4, 1, 2)),
              std::tuple(-1.0L, -2.0L, -4.0L, Code(4, 4, 1, 2)));
    for (auto [C, R, L, T, Want] : {std::tuple{0, 1, 1, 1, -1}, {1, 5, 1, 1, -2}, {9, 9, 0, 1, -3}, {1, 1, 4, 1, -3}, {1, 1, 4, 3, -4}}) {
        EXPECT_EQ(M.Copy1DArrayToPixel({1}, C, R, L, T), Want);
        TVector V(nullptr);
        EXPECT_EQ(M.CopyVectorToPixel(&V, C, R, L, T), Want);
    }
    EXPECT_EQ(M.Copy1DArrayToPixel({5, 6, 7, 8, 9}, 2, 1, 2, 1), 0);  // layers 2..3 from elements 0..1
    TVector V(nullptr);
    test::SetValues(V, Vals{-5, -6, -7});
    EXPECT_EQ(std::tuple(M.CopyVectorToPixel(&V, 1, 1, 3, 2), M.CopyVectorToPixel(nullptr, 1, 1, 1, 1)), std::tuple(0, -1));
    EXPECT_EQ(std::tuple(M.Elem(2, 1, 1, 1), M.Elem(2, 1, 2, 1), M.Elem(2, 1, 3, 1), M.Elem(1, 1, 3, 2), M.Elem(1, 1, 2, 2)),
              std::tuple(Code(2, 1, 1, 1), 5.0L, 6.0L, -5.0L, Code(1, 1, 2, 2)));
    // CopyMatrixToLayer: the source ranges follow this matrix's counts.
    TMatrix Src(nullptr);
    Src.Resize(6, 2);
    for (int C = 1; C <= 6; ++C)
        for (int R = 1; R <= 2; ++R) Src.SetElem(C, R, 10 * C + R);
    M.SetName("Q");
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.CopyMatrixToLayer(&Src, 0, 0, 0, 0, 1, 9, 1, 1); }),
              "Component \"Q\": specified time slot beyond data range");
    M.CopyMatrixToLayer(&Src, 0, 0, 0, 0, 2, 2, 1, 1);  // columns 1..4, rows 1..4 (rows 3, 4: 0)
    for (int C = 1; C <= 4; ++C)
        for (int R = 1; R <= 4; ++R) ASSERT_EQ(M.Elem(C, R, 2, 2), R <= 2 ? 10 * C + R : 0);
    M.CopyMatrixToLayer(&Src, 9, 5, 1, 1, 1, 1, 1, 1);  // columns 9..5 clamped to the own 4..4, to column 1
    EXPECT_EQ(std::tuple(M.Elem(1, 1, 1, 1), M.Elem(2, 1, 1, 1)), std::tuple(41.0L, Code(2, 1, 1, 1)));
    TMat4D W(nullptr);  // 5 x 2: rows 1..2 of the source to rows 2..3, the second cut
    W.Resize(5, 2, 2, 1);
    W.CopyMatrixToLayer(&Src, 0, 0, 0, 0, 1, 1, 1, 2);
    EXPECT_EQ(std::tuple(W.Elem(5, 2, 1, 1), W.Elem(5, 1, 1, 1), W.Sum(0, 0, 0, 0, 2, 2, 0, 0)), std::tuple(51.0L, 0.0L, 0.0L));
    // CopyMat3DToTimeSlot: the TMat3D's range rule, placement cut at the edge.
    TMat3D Q3(nullptr);
    Q3.Resize(2, 2, 2);
    Q3.Fill(-9);
    M.CopyMat3DToTimeSlot(&Q3, 0, 0, 0, 0, 0, 0, 1, 4, 4, 3);
    EXPECT_EQ(std::tuple(M.Elem(4, 4, 3, 1), M.Elem(3, 4, 3, 1), M.Elem(4, 4, 3, 2)), std::tuple(-9.0L, Code(2, 3, 2, 1), Code(3, 3, 2, 2)));  // as moved above
    EXPECT_EQ(Ev, 0);
}

TEST(Mat4D, CopyArrayToTimeSlotCodesAndPlacement) {
    TMat4D M(nullptr);
    M.Resize(3, 3, 3, 2);
    const TDouble3DArray A = test::Make3<double>(2, 2, 2, 1.5);
    TDouble3DArray Ragged = A;
    Ragged[1].pop_back();
    TDouble3DArray RaggedL = A;
    RaggedL[1][1].push_back(1);
    struct Case { const TDouble3DArray* Src; Bounds B; int T, C, R, L, Want; };
    const TDouble3DArray Empty;
    for (const Case& K : {Case{&Empty, {}, 1, 1, 1, 1, -3}, Case{&A, {0, 2, 0, 0, 0, 0}, 1, 1, 1, 1, -1},
                          Case{&Ragged, {}, 1, 1, 1, 1, -2}, Case{&A, {0, 0, -1, 1, 0, 0}, 1, 1, 1, 1, -2},
                          Case{&RaggedL, {}, 1, 1, 1, 1, -3}, Case{&A, {}, 3, 1, 1, 1, -4}, Case{&A, {}, 1, 4, 1, 1, -5},
                          Case{&A, {9, 9, 0, 0, 0, 0}, 1, 1, 0, 1, -6}, Case{&A, {}, 1, 1, 1, 0, -7}})
        EXPECT_EQ(M.CopyArrayToTimeSlot(*K.Src, K.B[0], K.B[1], K.B[2], K.B[3], K.B[4], K.B[5], K.T, K.C, K.R, K.L), K.Want);
    TMat4D W(nullptr);  // each destination index against its own axis
    W.Resize(5, 3, 2, 1);
    EXPECT_EQ(std::tuple(W.CopyArrayToTimeSlot(A, 0, 0, 0, 0, 0, 0, 1, 5, 3, 2), W.CopyArrayToTimeSlot(A, 0, 0, 0, 0, 0, 0, 1, 1, 4, 1),
                         W.CopyArrayToTimeSlot(A, 0, 0, 0, 0, 0, 0, 1, 1, 1, 3)),
              std::tuple(0, -6, -7));
    EXPECT_EQ(M.CopyArrayToTimeSlot(A, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1), 0);  // reversed: nothing
    EXPECT_EQ(M.Sum(0, 0, 0, 0, 0, 0, 0, 0), 0);
    TDouble3DArray B = A;
    B[1][0][1] = 7;
    EXPECT_EQ(M.CopyArrayToTimeSlot(B, 0, 0, 0, 0, 0, 0, 2, 3, 2, 2), 0);  // inside part only
    EXPECT_EQ(std::tuple(M.Elem(3, 2, 2, 2), M.Elem(3, 3, 3, 2), M.Sum(0, 0, 0, 0, 0, 0, 0, 0)), std::tuple(1.5L, 1.5L, 6.0L));
    EXPECT_EQ(M.CopyArrayToTimeSlot(B, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1), 0);  // [1][r][1] to column 1, layer 1
    EXPECT_EQ(std::tuple(M.Elem(1, 1, 1, 1), M.Elem(1, 2, 1, 1)), std::tuple(7.0L, 1.5L));
}

TEST(Mat4D, UnitArrayCopiesReadOutsideAsZero) {
    const TDouble3DArray A{{{1, 2}, {3, 4}}, {{5, 6}, {7}}};
    TMatrix D(nullptr);
    CopyArr3DLayerToMatrix(A, &D, 0, 2, 1, 1, 1);  // columns 0..2 of row 1, layer 1
    EXPECT_EQ(test::Cells(D), (Vals{4, 0, 0}));
    CopyArr3DLayerToMatrix(A, &D, 1, 0, 0, 1, 0);  // reversed: no columns
    EXPECT_EQ(D.NrOfColumns(), 0);
    CopyArr3DLayerToMatrix(A, nullptr, 0, 1, 0, 1, 0);
    TDouble2DArray E{{1}};
    CopyArr3DLayerToArr2D(A, E, -1, 0, 0, 1, 0);
    EXPECT_EQ(E, (TDouble2DArray{{0, 0}, {1, 3}}));
    CopyArr3DLayerToArr2D(A, E, 0, 0, 1, 0, 0);  // rows reversed: no columns either
    EXPECT_EQ(E, TDouble2DArray{});
    CopyMatrixToArray(&D, E, 0, 1, 0, 1);
    CopyMatrixToArray(&D, E, 1, 1, 2, 1);
    EXPECT_EQ(E, TDouble2DArray{});
    TMatrix S(nullptr);
    test::SetRows(S, {{1, 2}, {3, 4}});
    CopyMatrixToArray(&S, E, 2, 3, 0, 2);  // not clamped: 0 outside
    EXPECT_EQ(E, (TDouble2DArray{{0, 2, 4}, {0, 0, 0}}));
    CopyMatrixToArray(nullptr, E, 1, 1, 1, 1);
    EXPECT_EQ(E.size(), 2u);
}

}  // namespace
