// TMat4D and the unit layer readers on binary matrix files written here: streaming by
// time slot, layers by code, progress cadences, and truncated or hostile files.
#include "mat4d_test_support.h"

#include "fuzz/mat4d_file_model.h"

#include <random>
#include <tuple>

namespace {

using namespace qmr;
using test::Mat4DFileBytes;
using test::TempPath;
using test::TMat4DFileModel;

struct Read {
    int ix, iy, il, it;
    double V;
    bool operator==(const Read&) const = default;
};

// Attaches a recorder of OnReadElement and OnPercentDone.
struct Recorder {
    std::vector<Read> Values;
    std::vector<double> Percent;
    void Attach(TMat4D& M) {
        M.OnReadElement = [this](TObject*, int ix, int iy, int il, int it, double V) { Values.push_back({ix, iy, il, it, V}); };
        M.OnPercentDone = [this](TObject*, double P) { Percent.push_back(P); };
    }
};

// The values the model says a read of slots from the file must deliver, in order.
std::vector<Read> Expected(const TMat4DFileModel& F, const TMat4DFileModel::TStream& S) {
    std::vector<Read> V;
    std::int64_t E = S.First;
    for (int it = 1; it <= S.Slots && E < S.First + S.Count; ++it)
        for (int il = 1; il <= F.H.Z; ++il)
            for (int iy = 1; iy <= F.H.Y; ++iy)
                for (int ix = 1; ix <= F.H.X; ++ix) V.push_back({ix, iy, il, it, F.Value(E++)});
    return V;
}

TEST(Mat4DFiles, ReadBinaryStreamsSlots) {
    TempPath P("m4.bin");
    const std::string Bytes = Mat4DFileBytes(4, 5, 10, 5, 1000);
    test::WriteBytes(P.str(), Bytes);
    const TMat4DFileModel F(Bytes);
    int X, Y, Z, T, Fmt;
    std::string Id;
    EXPECT_TRUE(TMat4D::ReadBinaryHeader(P.str(), X, Y, Z, T, Id, Fmt));
    EXPECT_EQ(std::tuple(X, Y, Z, T, Id, Fmt), std::tuple(4, 5, 10, 5, std::string("four-d"), 1));
    TMat4D M(nullptr);
    int Ev;
    test::CountChanges(M, Ev);
    // (start, end) -> code, first slot, slots; a file of 1000 values reports every 10 of them.
    for (auto [S, E, Code, From, Slots] : {std::tuple{0, 0, 0, 1, 5}, {3, 99, 0, 3, 3}, {2, 2, 0, 2, 1}, {-1, 4, 0, 1, 5}, {5, 0, 0, 1, 5},
                                           {4, 3, 0, 4, 0}, {6, 9, -1, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << "slots " << S << ".." << E);
        Recorder R;
        R.Attach(M);
        EXPECT_EQ(M.ReadBinary(P.str(), S, E), Code);
        EXPECT_EQ(R.Values, Expected(F, F.Binary(S, E)));
        ASSERT_EQ(R.Values.size(), 200u * Slots);
        EXPECT_EQ(Slots > 0 ? R.Values[0].V : -1.0, Slots > 0 ? 0.5 + 200 * (From - 1) : -1.0);
        EXPECT_EQ(R.Percent.size(), Slots == 0 ? 0u : 100u);  // every 2 * Slots of 200 * Slots values
    }
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.Elem(1, 1, 1, 1), Ev), std::tuple(1, 0.0L, 0));
    // 50 values: a report after each.
    Recorder R;
    R.Attach(M);
    test::WriteBytes(P.str(), Mat4DFileBytes(5, 2, 5, 1, 50));
    EXPECT_EQ(M.ReadBinary(P.str(), 0, 0), 0);
    EXPECT_EQ(R.Percent.size(), 50u);
    EXPECT_EQ(R.Percent[24], 50);
}

TEST(Mat4DFiles, ReadLayerAndTheUnitReaders) {
    TempPath P("m4l.bin");
    const std::string Bytes = Mat4DFileBytes(3, 2, 3, 2, 36);
    test::WriteBytes(P.str(), Bytes);
    const TMat4DFileModel F(Bytes);
    TMat4D M(nullptr);
    M.Resize(3, 2, 3, 2);
    int Ev;
    test::CountChanges(M, Ev);
    Recorder R;
    R.Attach(M);
    // Slot, then layer, then the shape; the later failure wins.
    for (auto [L, T, Want] : {std::tuple{1, 0, -1}, {1, 3, -1}, {4, 1, -2}, {0, 9, -2}, {2, 2, 0}}) EXPECT_EQ(M.ReadLayer(P.str(), L, T), Want);
    // Layer 2 of slot 2 only (the second layer, not the third); the failures stored nothing.
    EXPECT_TRUE(test::ElemsAre(M, {3, 2, 3, 2}, [&](int C, int Rw, int L, int T) { return L == 2 && T == 2 ? F.LayerValue(C, Rw, 2, 2) : 0.0; }));
    EXPECT_EQ(std::tuple(R.Percent.size(), R.Percent.back(), Ev), std::tuple(6u, 100.0, 0));
    TMat4D Small(nullptr);
    Small.Resize(2, 2, 5, 5);
    TMat4D Taller(nullptr);
    Taller.Resize(3, 3, 5, 5);
    EXPECT_EQ(std::tuple(Small.ReadLayer(P.str(), 5, 5), Taller.ReadLayer(P.str(), 1, 1), Small.ReadLayer(P.str() + "x", 1, 1)),
              std::tuple(-3, -3, -4));
    // The unit readers number their slot and layer codes the opposite way round.
    TDouble2DArray A{{9}};
    EXPECT_EQ(std::tuple(Read4DLayer(P.str(), 1, 0, A), Read4DLayer(P.str(), 0, 3, A), Read4DLayer(P.str() + "x", 1, 1, A)),
              std::tuple(-1, -2, -3));
    EXPECT_EQ(A, TDouble2DArray{{9}});
    EXPECT_EQ(Read4DLayer(P.str(), 3, 1, A), 0);
    EXPECT_EQ(A, (TDouble2DArray{{F.LayerValue(1, 1, 3, 1), F.LayerValue(1, 2, 3, 1)},
                                 {F.LayerValue(2, 1, 3, 1), F.LayerValue(2, 2, 3, 1)},
                                 {F.LayerValue(3, 1, 3, 1), F.LayerValue(3, 2, 3, 1)}}));
    TDouble2DArray Acc = test::Make2<double>(3, 2, 0.0), Ragged = {{1, 2}, {3}, {4, 5}};
    TDouble2DArray Tall = test::Make2<double>(3, 3, 0.0);
    EXPECT_EQ(std::tuple(Read4DLayerAndAccumulate(P.str(), 0, 1, Acc), Read4DLayerAndAccumulate(P.str(), 1, 3, Acc),
                         Read4DLayerAndAccumulate(P.str(), 0, 1, Ragged), Read4DLayerAndAccumulate(P.str(), 1, 1, Tall),
                         Read4DLayerAndAccumulate(P.str() + "x", 1, 1, Acc), Read4DLayerAndAccumulate(P.str(), 0, 3, Acc)),
              std::tuple(-1, -2, -3, -3, -4, -2));
    EXPECT_EQ(Acc, test::Make2<double>(3, 2, 0.0));
    EXPECT_EQ(std::tuple(Read4DLayerAndAccumulate(P.str(), 3, 1, Acc), Read4DLayerAndAccumulate(P.str(), 3, 1, Acc)), std::tuple(0, 0));
    for (auto& Col : A)
        for (double& V : Col) V *= 2;
    EXPECT_EQ(Acc, A);
}

TEST(Mat4DFiles, TruncatedAndHostileFilesFail) {
    TempPath P("m4h.bin");
    TMat4D M(nullptr);
    M.Resize(3, 2, 3, 2);
    Recorder R;
    R.Attach(M);
    // Too short for the data, counts that are not positive, counts of 2^31 - 1.
    const int Big = 2147483647;
    for (const std::string& B : {Mat4DFileBytes(30, 20, 1, 2, 600), Mat4DFileBytes(3, 2, 3, 2, 36, 0.5, false),
                                 Mat4DFileBytes(3, 0, 3, 2, 36), Mat4DFileBytes(3, 2, -3, 2, 36), Mat4DFileBytes(Big, Big, Big, Big, 36),
                                 Mat4DFileBytes(3, 2, Big, 2, 36)}) {
        test::WriteBytes(P.str(), B);
        const TMat4DFileModel F(B);
        ASSERT_TRUE(F.Binary(0, 0).Fails);
        EXPECT_THROW(M.ReadBinary(P.str(), 0, 0), EReadError);
        EXPECT_TRUE(R.Values.empty());
        TDouble2DArray A{{1}};
        EXPECT_EQ(Read4DLayer(P.str(), 1, 2, A) == 0, F.HoldsLayer(1, 2));
    }
    // 16 x 16 layers, 700 values: record 1 whole, record 2 cut inside layer 3 of slot 1.
    test::WriteBytes(P.str(), Mat4DFileBytes(16, 16, 3, 2, 700, 0.5, false));
    M.Resize(16, 16, 3, 2);
    M.Fill(7);
    EXPECT_EQ(M.ReadLayer(P.str(), 3, 1), -4);  // nothing stored
    EXPECT_EQ(M.Sum(0, 0, 0, 0, 0, 0, 0, 0), 7 * 1536);
    EXPECT_EQ(M.ReadLayer(P.str(), 2, 1), 0);
    EXPECT_EQ(std::tuple(M.Elem(1, 1, 2, 1), M.Elem(16, 16, 2, 1)), std::tuple(256.5L, 511.5L));
    test::WriteBytes(P.str(), "short");
    EXPECT_THROW(M.ReadBinary(P.str(), 0, 0), EReadError);
    EXPECT_THROW(M.ReadBinary(P.str() + "x", 0, 0), EFOpenError);
    EXPECT_EQ(M.ReadLayer(P.str(), 1, 1), -4);
}

// Random headers (small counts, some hostile) and truncations: every reader agrees with
// the model or reports failure.
TEST(Mat4DFiles, FuzzLoopAgreesWithTheModel) {
    TempPath P("m4f.bin");
    std::mt19937 Gen(2027);
    auto Pick = [&Gen](std::initializer_list<int> L) { return *(L.begin() + Gen() % L.size()); };
    for (int Round = 0; Round < 300; ++Round) {
        const int X = Pick({1, 2, 3, 0, -1, 70000}), Y = Pick({1, 2, 5, 0, 40000}), Z = Pick({1, 2, 3, -2}),
                  T = Pick({1, 2, 4, 0, -7, 2147483647});
        std::string B = Mat4DFileBytes(X, Y, Z, T, static_cast<std::int64_t>(Gen() % 1200));
        B.resize(Gen() % (B.size() + 1));
        test::WriteBytes(P.str(), B);
        const TMat4DFileModel F(B);
        TMat4D M(nullptr);
        Recorder R;
        R.Attach(M);
        const int S = Pick({0, 1, 2, 3}), E = Pick({0, 1, 3, 9});
        if (!F.HasHeader()) {
            EXPECT_THROW(M.ReadBinary(P.str(), S, E), EReadError);
            continue;
        }
        const TMat4DFileModel::TStream Want = F.Binary(S, E);
        if (Want.Fails) {
            EXPECT_THROW(M.ReadBinary(P.str(), S, E), EReadError);
        } else {
            EXPECT_EQ(M.ReadBinary(P.str(), S, E), Want.Result);
            EXPECT_EQ(R.Values, Expected(F, Want));
        }
        const int L = Pick({1, 2, 3}), Ts = Pick({1, 2, 4});
        TDouble2DArray A;
        const int Code = Read4DLayer(P.str(), L, Ts, A);
        if (F.HoldsLayer(L, Ts)) {
            ASSERT_EQ(Code, 0);
            EXPECT_EQ(A[static_cast<std::size_t>(F.H.X - 1)][0], F.LayerValue(F.H.X, 1, L, Ts));
        } else {
            EXPECT_NE(Code, 0);
        }
    }
}

}  // namespace
