// TMat4D: storage order and addressing, sizing and its events, assignment, cut,
// resample, transpose, mirrors, fills, fingerprint and the XML tags.
#include "mat4d_test_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

using namespace qmr;
using namespace qmr::test;
using Vals = std::vector<double>;

// Records OnPercentDone.
struct PercentLog {
    std::vector<double> P;
    void Attach(TMat4D& M) {
        P.clear();
        M.OnPercentDone = [this](TObject*, double X) { P.push_back(X); };
    }
};

// The percentages a loop over Total units reports: Round(k * 100 / Total) at every
// multiple k of max(1, Total div 100).
std::vector<double> Cadence(long Total) {
    std::vector<double> P;
    const long Every = std::max(1L, Total / 100);
    for (long K = Every; K <= Total; K += Every) P.push_back(static_cast<double>(Round(K * 100.0L / Total)));
    return P;
}

// Src with rows and columns exchanged.
auto Swapped(const TMat4D& Src) {
    return [&Src](int C, int R, int L, int T) { return Src.Elem(R, C, L, T); };
}

// Transposes M (events, progress, elements against a copy taken before), then transposes
// again asking an abort at the AbortAt-th progress report: the matrix stays as it was
// unless the work Completes first.
void CheckTranspose(TMat4D& M, int AbortAt, bool Completes) {
    const int Nc = M.NrOfColumns(), Nr = M.NrOfRows();
    TMat4D Before(nullptr);
    Before.Assign(&M);
    PercentLog Log;
    Log.Attach(M);
    int Ev;
    CountChanges(M, Ev);
    struct Detach {  // the handlers point into this frame
        TMat4D& M;
        ~Detach() { M.OnChange = nullptr, M.OnPercentDone = nullptr; }
    } Guard{M};
    ASSERT_TRUE(M.Transpose());
    ASSERT_EQ(std::tuple(M.NrOfColumns(), M.NrOfRows(), Ev), std::tuple(Nr, Nc, 1));
    ASSERT_TRUE(ElemsAre(M, {Nr, Nc, M.NrOfLayers(), M.NrOfTimeSlots()}, Swapped(Before)));
    EXPECT_EQ(Log.P, Cadence(2L * Nc * Nr));
    Before.Assign(&M);
    int Reports = 0;
    M.OnPercentDone = [&](TObject*, double) { AbortMathProc = AbortMathProc || ++Reports == AbortAt; };
    EXPECT_EQ(M.Transpose(), Completes);
    M.OnPercentDone = nullptr;
    AbortMathProc = false;
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.NrOfRows(), M.CRCofData(), Ev), std::tuple(Nr, Nc, Before.CRCofData(), 1 + Completes));
}

using Mat4DCore = test::ProgressFixture;

TEST_F(Mat4DCore, SizingAddressingAndEvents) {
    TMat4D M(nullptr);
    EXPECT_EQ(All(M), Vals{0});
    Numbered(M, {3, 2, 4, 2});
    int Ev;
    CountChanges(M, Ev);
    M.SetElem(0, 1, 1, 1, 5), M.SetElem(1, 1, 1, 3, 5);
    EXPECT_EQ(std::tuple(M.Elem(0, 1, 1, 1), M.Elem(1, 1, 1, 3), M.Elem(3, 2, 4, 2), Ev), std::tuple(0.0L, 0.0L, 3242.0L, 0));
    // Resize keeps the overlap, zeroes the rest; counts <= 0 change nothing.
    M.Resize(2, 3, 4, 3);
    M.Resize(0, 5, 5, 5), M.Resize(2, 3, 4, -1), M.Resize(2, 3, 4, 0), M.Resize(2, 3, 4, 3);
    EXPECT_EQ(Ev, 1);
    EXPECT_TRUE(ElemsAre(M, {2, 3, 4, 3}, [](int C, int R, int L, int T) { return R <= 2 && T <= 2 ? Code(C, R, L, T) : 0.0; }));
    M.SetNrOfLayers(0), M.SetNrOfTimeSlots(-4), M.SetNrOfColumns(5), M.SetNrOfRows(2);
    EXPECT_EQ(std::tuple(DimsOf(M), Ev), std::tuple(Dims4{5, 2, 1, 1}, 5));
    EXPECT_EQ(M.MemoryConsumed(), 10 * 8 / 1048576.0L);
    M.ResizeAndClear(5, 2, 1, 1);  // same size: cleared, OnChange from the fill
    EXPECT_EQ(std::tuple(All(M), Ev), std::tuple(Vals(10, 0.0), 6));
    // Linear addresses within a slot run the layer fastest.
    M.Resize(3, 4, 5, 2);
    std::int32_t X = -1, Y = -1, Z = -1;
    EXPECT_EQ(std::tuple(M.Lin3DAddr(1, 1, 1), M.Lin3DAddr(2, 1, 1), M.Lin3DAddr(1, 2, 1), M.Lin3DAddr(0, 1, 1)),
              std::tuple(0, 5, 15, -1));
    for (int A : {0, 17, 59}) EXPECT_EQ((std::pair{M.ConvertLinTo3DAddr(A, X, Y, Z), M.Lin3DAddr(X, Y, Z)}), std::pair(true, A));
    EXPECT_FALSE(M.ConvertLinTo3DAddr(60, X, Y, Z) || M.ConvertLinTo3DAddr(-1, X, Y, Z));
    // The element count is a checked 64-bit product: 2^64 elements cannot be had.
    M.SetName("M4");
    const std::int32_t Big = 65536;
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { M.Resize(Big, Big, Big, Big); }),
              "Component \"M4\": not enough memory on heap");
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.NrOfTimeSlots()), std::tuple(3, 2));
}

TEST_F(Mat4DCore, AssignAndClone) {
    TMat4D A(nullptr), B(nullptr);
    Numbered(A, {20, 15, 2, 3});
    A.SetDataID("a");
    int Fired = 0;
    A.OnChange = [&Fired](TObject*) { ++Fired; };
    A.OnReadElement = [](TObject*, int, int, int, int, double) {};
    B.Assign(&A);
    EXPECT_EQ(std::tuple(All(B), B.DataID(), Fired, bool(B.OnReadElement), bool(B.OnPercentDone)),
              std::tuple(All(A), std::string("a"), 0, true, false));
    B.OnChange(&B);
    EXPECT_EQ(Fired, 1);
    TMatrix Other(nullptr);
    EXPECT_THROW(B.Assign(&Other), EConvertError);
    TMat4D C(nullptr);
    int Ev;
    CountChanges(C, Ev);
    C.Clone(nullptr);
    C.Clone(&A);  // resize and once at the end; a step every Trunc(300 / 100) + 1 = 4 pairs
    EXPECT_EQ(std::tuple(All(C), C.DataID(), Ev, ProcStat.load()), std::tuple(All(A), std::string(), 2, 75.0));
}

TEST_F(Mat4DCore, CutAndResample) {
    TMat4D M(nullptr);
    PercentLog Log;
    Numbered(M, {5, 4, 3, 6});
    Log.Attach(M);
    M.Cut(4, 2, 0, 0, 3, 3, 2, 5);  // columns 2..4, all rows, layer 3, slots 2..5
    EXPECT_EQ(DimsOf(M), (Dims4{3, 4, 1, 4}));
    EXPECT_TRUE(ElemsAre(M, {3, 4, 1, 4}, [](int C, int R, int, int T) { return Code(C + 1, R, 3, T + 1); }));
    EXPECT_EQ(Log.P, Cadence(2 * 4));
    // Along each axis (count, divisor, offset) -> first source positions; averaging
    // divides by the whole block even at the edges; a block starting at or past the end
    // is 0.
    struct Case { int N, Div, Off; Vals Want; };
    for (const Case& K : {Case{5, 2, 0, {1.5, 3.5, 2.5}}, Case{5, 3, 7, {3, 5.0 / 3}}, Case{5, 1, 0, {1, 2, 3, 4, 5}},
                          Case{5, 0, 0, {1, 2, 3, 4, 5}}, Case{5, -3, 2, {1, 2, 3, 4, 5}}, Case{5, 2, -1, {2.5, 4.5}},
                          Case{2, 5, 3, {0}}, Case{2, 5, 2, {0}}}) {
        for (int Axis = 0; Axis < 4; ++Axis)
            for (bool Average : {true, false}) {
                TMat4D V(nullptr);
                Dims4 N{1, 1, 1, 1};
                std::array<int, 8> A{1, 0, 1, 0, 1, 0, 1, 0};
                N[Axis] = K.N, A[2 * Axis] = K.Div, A[2 * Axis + 1] = K.Off;
                V.Resize(N[0], N[1], N[2], N[3]);
                Each4(N, [&](int C, int R, int L, int T) { V.SetElem(C, R, L, T, C * R * L * T); });
                V.Resample(A[0], A[1], A[2], A[3], A[4], A[5], A[6], A[7], Average);
                Vals Want = K.Want;
                const int D = std::max(K.Div, 1), Off = ((K.Off % D) + D) % D;
                if (!Average)  // the block's first element, 0 outside
                    for (std::size_t I = 0; I < Want.size(); ++I) Want[I] = I * D + Off < unsigned(K.N) ? I * D + Off + 1.0 : 0.0;
                EXPECT_EQ(All(V), Want) << K.N << " " << K.Div << " " << K.Off << " axis " << Axis << " " << Average;
            }
    }
    // All four axes at once against the definition; huge divisors do not wrap.
    Numbered(M, {5, 4, 3, 6});
    Log.Attach(M);
    TMat4D Src(nullptr);
    Src.Assign(&M);
    M.Resample(2, 1, 3, 0, 2, 0, 4, 2, true);  // 2 x 2 x 2 x 1 new
    ASSERT_EQ(DimsOf(M), (Dims4{2, 2, 2, 1}));
    EXPECT_TRUE(ElemsAre(M, {2, 2, 2, 1}, [&](int C, int R, int L, int) {
        Extended S = 0;  // slot outermost, column innermost
        Each4({4, 2, 3, 2}, [&](int T, int Ll, int Rr, int Cc) { S += Src.Elem(2 * C - 1 + Cc, 3 * R - 3 + Rr, 2 * L - 2 + Ll, 2 + T); });
        return static_cast<double>(S / 48);
    }));
    EXPECT_EQ(Log.P, Cadence(2));
    // The full block of 65536 x 65536 is 2^32, not 0 as in 32 bits.
    Vals Want;
    for (int L = 1; L <= 2; ++L)
        Want.push_back(static_cast<double>((M.Elem(1, 1, L, 1) + M.Elem(1, 2, L, 1) + M.Elem(2, 1, L, 1) + M.Elem(2, 2, L, 1)) /
                                           4294967296.0L));
    M.Resample(65536, 0, 65536, 0, 1, 0, 1, 0, true);
    EXPECT_EQ(All(M), Want);
}

TEST_F(Mat4DCore, TransposeAndMirrors) {
    TMat4D M(nullptr), Src(nullptr);
    // Gathered into new storage, and in place; the abort comes in the second of six
    // planes, but 1 x 1 reports twice only and completes.
    for (auto [X, Y] : {std::pair{13, 9}, {17, 17}, {1, 1}}) {
        SCOPED_TRACE(testing::Message() << X << " x " << Y);
        Numbered(M, {X, Y, 2, 3});
        CheckTranspose(M, 30, X == 1);
    }
    // Each mirror against the definition, with its progress: pairs x two other axes, one
    // ProcStat step every Trunc(N * 0.005) + 1 of the N pairs and planes; a step each
    // while N * 0.005 < 1; 2000 * 0.005 = 10: every 11 of 20 * 50 * 1; 20 * 20 * 10 slots
    // * 0.005 = 20: every 21 of 5 * 20 * 20.
    struct Case { void (TMat4D::*Op)(); int Axis; Dims4 N; double Steps; };
    for (const Case& K : {Case{&TMat4D::MirrorColumns, 0, {4, 5, 3, 7}, 2 * 5 * 3}, Case{&TMat4D::MirrorRows, 1, {4, 5, 3, 7}, 2 * 4 * 3},
                          Case{&TMat4D::MirrorLayers, 2, {4, 5, 3, 7}, 1 * 4 * 5}, Case{&TMat4D::MirrorTimeSlots, 3, {4, 5, 3, 7}, 3 * 4 * 5},
                          Case{&TMat4D::MirrorColumns, 0, {40, 50, 1, 1}, 1000 / 11}, Case{&TMat4D::MirrorTimeSlots, 3, {20, 20, 1, 10}, 2000 / 21}}) {
        SCOPED_TRACE(testing::Message() << "axis " << K.Axis << " of " << K.N[0] << " x " << K.N[1]);
        Numbered(M, K.N);
        Src.Assign(&M);
        ProcStat = 0.0;
        (M.*K.Op)();
        EXPECT_EQ(ProcStat.load(), K.Steps);
        EXPECT_TRUE(ElemsAre(M, K.N, [&](int C, int R, int L, int T) {
            int I[4] = {C, R, L, T};
            I[K.Axis] = K.N[K.Axis] + 1 - I[K.Axis];
            return Src.Elem(I[0], I[1], I[2], I[3]);
        }));
    }
}

// Blocks of 4 MiB and more come from the huge-page route: they start zeroed, resize,
// copy, resample and transpose exactly as the definitions say (the resample adds each
// block slot, layer, row, column as the small cases do, so the bits agree).
TEST_F(Mat4DCore, LargeBlocks) {
    constexpr int X = 70, Y = 66, Z = 30, T = 4;  // 554400 elements, 4.2 MiB
    TMat4D M(nullptr), Src(nullptr);
    M.SetElem(1, 1, 1, 1, 5);
    M.Resize(X, Y, Z, T);
    EXPECT_TRUE(ElemsAre(M, {X, Y, Z, T}, [](int C, int R, int L, int Ts) { return C + R + L + Ts == 4 ? 5 : 0; }));
    RandSeed = 7;
    M.FillRandomUniform(-1, 1);
    Src.Assign(&M);
    M.Resize(X + 1, Y, Z, T + 1);  // both large: the kept elements move, the new ones are 0
    EXPECT_EQ(std::tuple(M.Elem(X, Y, Z, T), M.Elem(X + 1, Y, Z, T), M.Elem(1, 1, 1, T + 1)),
              std::tuple(Src.Elem(X, Y, Z, T), Extended(0), Extended(0)));
    M.Assign(&Src);
    M.SetElem(3, 3, 3, 3, 9);  // a copy of the same size reuses the block, still a copy
    EXPECT_NE(Src.Elem(3, 3, 3, 3), Extended(9));

    PercentLog Log;
    int Ev = 0;
    struct Div { int X, XOff, Y, YOff; };
    for (const Div& D : {Div{2, 0, 1, 0}, Div{2, 1, 3, 2}, Div{3, 2, 2, 1}, Div{4, 0, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << "divisors " << D.X << "+" << D.XOff << ", " << D.Y << "+" << D.YOff);
        M.Assign(&Src);
        Log.Attach(M);
        CountChanges(M, Ev);
        M.Resample(D.X, D.XOff, D.Y, D.YOff, 2, 1, 1, 0, true);
        const int Nx = (X - D.XOff - 1) / D.X + 1, Ny = (Y - D.YOff - 1) / D.Y + 1, Nz = (Z - 2) / 2 + 1;
        ASSERT_EQ(std::tuple(DimsOf(M), Ev), std::tuple(Dims4{Nx, Ny, Nz, T}, 1));
        EXPECT_EQ(Log.P, Cadence(long{T} * Nz));
        EXPECT_TRUE(ElemsAre(M, {Nx, Ny, Nz, T}, [&](int C, int R, int L, int Ts) {
            Extended S = 0;
            for (int Ll = 2 * L; Ll <= std::min(2 * L + 1, Z); ++Ll)
                for (int Rr = (R - 1) * D.Y + D.YOff + 1; Rr <= std::min(R * D.Y + D.YOff, Y); ++Rr)
                    for (int Cc = (C - 1) * D.X + D.XOff + 1; Cc <= std::min(C * D.X + D.XOff, X); ++Cc) S += Src.Elem(Cc, Rr, Ll, Ts);
            return static_cast<double>(S / (D.X * D.Y * 2));
        }));
    }

    // In place (square planes) and gathered into new storage; report 60 is the first at
    // 60 % for both.
    for (auto [Nc, Nr] : {std::pair{96, 96}, {X, Y}}) {
        SCOPED_TRACE(testing::Message() << Nc << " x " << Nr);
        M.Assign(&Src);
        M.Resize(Nc, Nr, Z, T);
        CheckTranspose(M, 60, false);
    }
}

// The values the random fills must hold, drawn again from Seed in storage order.
template <class F> Vals Redrawn(std::int32_t Seed, std::size_t N, F&& Draw) {
    RandSeed = Seed;
    Vals V(N);
    for (double& X : V) X = Draw();
    return V;
}

TEST(Mat4D, Fills) {
    TMat4D M(nullptr);
    M.Resize(3, 2, 5, 4);
    int Ev;
    CountChanges(M, Ev);
    M.Fill(2.5);
    EXPECT_EQ(std::tuple(All(M), Ev), std::tuple(Vals(120, 2.5), 1));
    M.Fill(-0.0);  // exactly 0: a fresh zeroed block, so no negative zeros
    EXPECT_FALSE(std::signbit(static_cast<double>(M.Elem(3, 2, 5, 4))));
    M.Fill(2.5);
    Ev = 1;
    M.FillDiag(-1);  // two elements: (1,1,1,1) and (2,2,2,2)
    Vals V = All(M);
    EXPECT_EQ(std::tuple(std::count(V.begin(), V.end(), -1.0), M.Elem(2, 2, 2, 2)), std::tuple(2, -1.0L));
    M.FillLayer(3, 7), M.FillLayer(6, 9), M.FillLayer(0, 9);
    V = All(M);
    EXPECT_EQ(std::tuple(std::count(V.begin(), V.end(), 7.0), Ev), std::tuple(24, 2));
    // Codes: later failure wins; nothing changes.
    struct Case { int L, T, Mode, Want; };
    for (const Case& K : {Case{0, 1, 0, -1}, Case{1, 5, 0, -2}, Case{9, 9, 0, -2}, Case{1, 1, 3, -3}, Case{0, 0, -1, -3}})
        EXPECT_EQ(M.FillLayer(K.L, K.T, K.Mode, 1, 2), K.Want) << K.L << " " << K.T << " " << K.Mode;
    EXPECT_EQ(Ev, 2);
    EXPECT_EQ(M.FillLayer(2, 3, 0, 4, 0), 0);
    RandSeed = 5;
    EXPECT_EQ(M.FillLayer(1, 4, 1, 10, 20), 0);  // column outer, row inner
    Vals Layer;
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 2; ++R) Layer.push_back(static_cast<double>(M.Elem(C, R, 1, 4)));
    EXPECT_EQ(Layer, Redrawn(5, 6, [] { return 10 + Random() * 10.0; }));
    EXPECT_EQ(std::tuple(M.Elem(3, 2, 2, 3), Ev), std::tuple(4.0L, 4));
    // AccumulateLayer: shape, layer, slot (the later wins), no event.
    const TDouble2DArray Good{{1, 2}, {3, 4}, {5, 6}};
    const TDouble2DArray Ragged{{1, 2}, {3}, {5, 6}}, Empty{};
    EXPECT_EQ(std::tuple(M.AccumulateLayer(2, 3, Ragged), M.AccumulateLayer(2, 3, Empty), M.AccumulateLayer(0, 3, Ragged),
                         M.AccumulateLayer(0, 9, Ragged), M.AccumulateLayer(6, 1, Good)),
              std::tuple(-1, -1, -2, -3, -2));
    EXPECT_EQ(M.AccumulateLayer(2, 3, Good), 0);
    EXPECT_EQ(std::tuple(M.Elem(1, 1, 2, 3), M.Elem(3, 2, 2, 3), Ev), std::tuple(5.0L, 10.0L, 4));
    // The random fills draw column outermost, time slot innermost.
    RandSeed = 77;
    M.FillRandomUniform(-2, 6);
    EXPECT_EQ(All(M), Redrawn(77, 120, [] { return -2 + Random() * 8.0; }));
    RandSeed = 78;
    M.FillRandomGauss(3, 0.5);
    EXPECT_EQ(All(M), Redrawn(78, 120, [] { return GRandom() * 0.5 + 3; }));
    EXPECT_EQ(Ev, 6);
}

TEST(Mat4D, FingerprintSamplesLayers) {
    TMat4D A(nullptr), B(nullptr);
    PercentLog Log;
    Numbered(A, {11, 10, 4, 2});
    B.Assign(&A);
    B.SetElem(3, 4, 1, 2, -5);  // differs only in layer 1
    Log.Attach(A);
    EXPECT_NE(A.CRCofData(), B.CRCofData());
    EXPECT_EQ(A.CRCofData(2), B.CRCofData(2));  // layers 2 and 4
    B.Assign(&A);
    B.OnPercentDone = nullptr;  // Assign copied the recorder
    B.SetElem(3, 4, 3, 2, -5);  // only in layer 3
    EXPECT_EQ(A.CRCofData(2), B.CRCofData(2));
    B.SetElem(3, 4, 4, 1, -5);
    EXPECT_NE(A.CRCofData(2), B.CRCofData(2));
    std::vector<double> Four;  // four fingerprints of A, each reporting per (column, row)
    const std::vector<double> One = Cadence(110);
    for (int K = 0; K < 4; ++K) Four.insert(Four.end(), One.begin(), One.end());
    EXPECT_EQ(Log.P, Four);
    EXPECT_EQ(A.CRCofData(0), A.CRCofData(1));
    // Column outermost, time slot innermost: the same bytes as the 3-D matrix of the
    // values in that order.
    TMat3D Flat(nullptr);
    Flat.Resize(11, 10, 4 * 2);
    Each4(DimsOf(A), [&](int C, int R, int L, int T) { Flat.SetElem(C, R, (L - 1) * 2 + T, static_cast<double>(A.Elem(C, R, L, T))); });
    EXPECT_EQ(A.CRCofData(), Flat.CRCofData());
    A.Resize(11, 10, 2, 2);
    EXPECT_EQ(A.CRCofData(2), A.CRCofData(1));  // 2 layers: Sample 2 becomes 1
}

TEST(Mat4D, XmlTagsResizeOnceAtTheFirstCell) {
    TMat4D M(nullptr);
    int Ev;
    CountChanges(M, Ev);
    M.SetFirstCell(true);
    using enum TMatXmlTag;
    EXPECT_EQ(M.ProcessXmlTag(xmlMatBegin, "", ""), 0);
    for (auto [Tag, N] : {std::pair{xmlMatNumCols, "2"}, {xmlMatNumRows, "3"}, {xmlMatNumLayers, "4"}, {xmlMatNumTimeSlots, "5"}})
        EXPECT_EQ(M.ProcessXmlTag(Tag, "", N), 0);
    EXPECT_EQ(M.NrOfColumns(), 1);
    EXPECT_EQ(M.ProcessXmlTag(xmlMatCell, "ix=\"2\" iy=\"3\" il=\"4\" it=\"5\"", "1.5E2"), 0);
    EXPECT_EQ(M.ProcessXmlTag(xmlMatCell, "ix=\"1\" iy=\"1\" il=\"1\" it=\"6\"", "7"), 0);  // outside: ignored
    EXPECT_EQ((std::tuple{M.ProcessXmlTag(xmlMatEnd, "", ""), M.ProcessXmlTag(xmlInvalid, "", "")}), std::tuple(1, -1));
    EXPECT_EQ(std::tuple(DimsOf(M), M.Elem(2, 3, 4, 5), Ev), std::tuple(Dims4{2, 3, 4, 5}, 150.0L, 1));
    const Vals V = All(M);
    EXPECT_EQ(std::count(V.begin(), V.end(), 0.0), 119);
}

}  // namespace
