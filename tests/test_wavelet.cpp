// TWavelet1D: filters, Haar closed forms, extension rules at the left edge (including
// lengths shorter than the filter), round trips, energy, levels, sizes and messages.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

using qmr::TWavelet1D;
using qmr::TWLSigExtMode;
using Vals = std::vector<double>;

// Daubechies scaling filters, h[0] first, taps summing to √2: I. Daubechies, Ten Lectures
// on Wavelets (SIAM 1992), Table 6.1, N = 1, 2, 3.
const std::vector<Vals> kH = {
    {0.7071067811865475, 0.7071067811865475},
    {0.4829629131445341, 0.8365163037378077, 0.2241438680420134, -0.1294095225512603},
    {0.3326705529500825, 0.8068915093110924, 0.4598775021184914, -0.1350110200102546, -0.0854412738820267,
     0.0352262918857095}};

double H(int K, int j) { return kH[K - 1][j]; }
double G(int K, int j) { return (j % 2 == 0 ? 1 : -1) * H(K, 2 * K - 1 - j); }

void Load(TWavelet1D& W, const Vals& X) {
    W.SetSize(static_cast<std::int32_t>(X.size()));
    for (std::size_t i = 0; i < X.size(); ++i) W.SetData(static_cast<std::int32_t>(i + 1), X[i]);
}

Vals Read(const TWavelet1D& W) {
    Vals X(static_cast<std::size_t>(W.Size()));
    for (std::size_t i = 0; i < X.size(); ++i) X[i] = W.Data(static_cast<std::int32_t>(i + 1));
    return X;
}

Vals Random(std::size_t N, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    Vals X(N);
    for (double& V : X) V = U(Gen);
    return X;
}

int Log2(std::size_t N) { return static_cast<int>(std::lround(std::log2(static_cast<double>(N)))); }

// Output 4 of one step over 32 values reads positions 10 - 2K + j (no edge involved), so a
// unit value there gives tap j of both filters.
TEST(WaveletFilters, InteriorImpulseResponsesAreTheDaubechiesTaps) {
    TWavelet1D W(nullptr);
    for (int K = 1; K <= 3; ++K) {
        W.SetOrder(K);
        for (int j = 0; j < 2 * K; ++j) {
            W.SetSize(32);
            W.SetData(10 - 2 * K + j + 1, 1.0);
            W.Transform(1);
            EXPECT_NEAR(W.Data(5), H(K, j), 1e-15) << "order " << K << " tap " << j;
            EXPECT_NEAR(W.Data(16 + 5), G(K, j), 1e-15) << "order " << K << " tap " << j;
        }
    }
}

TEST(WaveletHaar, ConstantSignalClosedForms) {
    TWavelet1D W(nullptr);
    W.SetOrder(1);
    Load(W, {1, 1, 1, 1});
    W.Transform(1);
    const double R2 = std::sqrt(2.0);
    EXPECT_NEAR(W.Data(1), R2, 1e-15);
    EXPECT_NEAR(W.Data(2), R2, 1e-15);
    EXPECT_EQ(W.Data(3), 0.0);
    EXPECT_EQ(W.Data(4), 0.0);
    Load(W, {1, 1, 1, 1});
    W.Transform(2);
    EXPECT_NEAR(W.Data(1), 2.0, 1e-15);
    W.InverseTransform(2);
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(W.Data(i), 1.0, 1e-15);
}

// With wseWrap every step is orthogonal: a full transform keeps the energy, and the full
// inverse restores the signal, for every order and length (also lengths below the taps).
TEST(WaveletWrap, FullDepthKeepsEnergyAndRoundTrips) {
    TWavelet1D W(nullptr);
    for (int K = 1; K <= 3; ++K)
        for (std::size_t N : {2, 4, 8, 256, 4096}) {
            W.SetOrder(K);
            const Vals X = Random(N, static_cast<unsigned>(N) + K);
            Load(W, X);
            W.Transform(Log2(N));
            double E0 = 0, E1 = 0;
            const Vals Y = Read(W);
            for (std::size_t i = 0; i < N; ++i) E0 += X[i] * X[i], E1 += Y[i] * Y[i];
            EXPECT_NEAR(E1, E0, 1e-12 * E0) << "order " << K << " N " << N;
            W.InverseTransform(Log2(N));
            const Vals Z = Read(W);
            for (std::size_t i = 0; i < N; ++i) ASSERT_NEAR(Z[i], X[i], 1e-13) << "order " << K << " N " << N;
        }
}

// Output 0 reads positions 2 - 2K .. 1; left of the signal the extension decides. Each
// case lists the source of every tap (-1: none) independently of the code's index rule.
TEST(WaveletEdges, FirstOutputsFollowTheExtensionRule) {
    struct Case {
        int K;
        std::size_t N;
        TWLSigExtMode Mode;
        std::vector<int> Src;
    };
    const std::vector<Case> Cases = {
        {2, 8, TWLSigExtMode::wseWrap, {6, 7, 0, 1}},
        {2, 8, TWLSigExtMode::wseZeroPad, {-1, -1, 0, 1}},   // uses only x[0] and x[1]
        {2, 8, TWLSigExtMode::wseSymmetric, {1, 0, 0, 1}},
        {3, 4, TWLSigExtMode::wseSymmetric, {3, 2, 1, 0, 0, 1}},
        {3, 2, TWLSigExtMode::wseSymmetric, {0, 1, 1, 0, 0, 1}},  // mirror with period 2n: a | a b | b a | a b
        {3, 2, TWLSigExtMode::wseWrap, {0, 1, 0, 1, 0, 1}},
        {3, 2, TWLSigExtMode::wseZeroPad, {-1, -1, -1, -1, 0, 1}},
    };
    TWavelet1D W(nullptr);
    for (const Case& C : Cases) {
        W.SetOrder(C.K);
        W.SetSignalExtMode(C.Mode);
        const Vals X = Random(C.N, 5);
        double A = 0, D = 0;
        for (int m = 0; m < 2 * C.K; ++m)
            if (C.Src[m] >= 0) A += H(C.K, m) * X[C.Src[m]], D += G(C.K, m) * X[C.Src[m]];
        Load(W, X);
        W.SingleStep(false);
        EXPECT_NEAR(W.Data(1), A, 1e-15) << "order " << C.K << " N " << C.N << " mode " << int(C.Mode);
        EXPECT_NEAR(W.Data(static_cast<std::int32_t>(C.N / 2 + 1)), D, 1e-15) << "order " << C.K << " N " << C.N;
        // the inverse spreads output 0 back over the same sources
        const Vals Y = Random(C.N, 6);
        Vals Back(C.N, 0.0);
        for (std::size_t l = 0; l < C.N / 2; ++l)
            for (int m = 0; m < 2 * C.K; ++m) {
                const long t = static_cast<long>(2 * l) + 2 - 2 * C.K + m;
                const int S = t < 0 ? C.Src[t + 2 * C.K - 2] : static_cast<int>(t);  // a position keeps its source
                if (S >= 0) Back[S] += H(C.K, m) * Y[l] + G(C.K, m) * Y[l + C.N / 2];
            }
        Load(W, Y);
        W.SingleStep(true);
        const Vals Z = Read(W);
        for (std::size_t i = 0; i < C.N; ++i) EXPECT_NEAR(Z[i], Back[i], 1e-15) << "order " << C.K << " N " << C.N;
    }
}

// Every inverse starts with the length-2 step, so an order-3 mirrored inverse always
// meets the short length; it stays inside the values (AddressSanitizer watches).
TEST(WaveletEdges, Order3MirroredInverseStaysInsideTheValues) {
    TWavelet1D W(nullptr);
    W.SetOrder(3);
    W.SetSignalExtMode(TWLSigExtMode::wseSymmetric);
    for (std::size_t N : {2, 4, 64}) {
        const Vals X = Random(N, 9);
        Load(W, X);
        W.InverseTransform(Log2(N));
        W.Transform(Log2(N));
        for (double V : Read(W)) EXPECT_TRUE(std::isfinite(V));
    }
}

TEST(WaveletLevels, LevelRulesAndShortSignals) {
    TWavelet1D W(nullptr);
    const Vals X = Random(16, 3);
    auto After = [&](auto Op) {
        Load(W, X);
        Op();
        return Read(W);
    };
    const Vals One = After([&] { W.Transform(1); });
    EXPECT_NE(One, X);
    EXPECT_EQ(After([&] { W.Transform(0); }), One);
    EXPECT_EQ(After([&] { W.Transform(-3); }), One);
    EXPECT_EQ(After([&] { W.SingleStep(false); }), One);
    EXPECT_EQ(After([&] { W.Transform(100); }), After([&] { W.Transform(4); }));
    EXPECT_EQ(After([&] { W.InverseTransform(0); }), After([&] { W.InverseTransform(1); }));
    // the inverse starts at length 2: one level touches the first two values only
    const Vals Inv1 = After([&] { W.InverseTransform(1); });
    EXPECT_NE(Vals(Inv1.begin(), Inv1.begin() + 2), Vals(X.begin(), X.begin() + 2));
    EXPECT_EQ(Vals(Inv1.begin() + 2, Inv1.end()), Vals(X.begin() + 2, X.end()));
    // a single value is left alone by every operation
    for (int Op = 0; Op < 4; ++Op) {
        Load(W, {2.5});
        if (Op == 0) W.Transform(3);
        if (Op == 1) W.InverseTransform(3);
        if (Op == 2) W.SingleStep(false);
        if (Op == 3) W.SingleStep(true);
        EXPECT_EQ(W.Data(1), 2.5) << Op;
    }
}

TEST(WaveletState, SizeOrderAndModeRules) {
    TWavelet1D W(nullptr);
    W.SetName("WL");
    EXPECT_EQ(W.Size(), 256);
    EXPECT_EQ(W.Order(), 2);
    EXPECT_EQ(W.SignalExtMode(), TWLSigExtMode::wseWrap);
    EXPECT_EQ(W.WaveletFamily(), qmr::TWaveletFamily::wlfDaubechies);
    Load(W, {1, 2, 3, 4});
    for (std::int32_t N : {0, -4, 48, 1 << 24, (1 << 24) + 1, static_cast<std::int32_t>(0x80000004u),
                           std::numeric_limits<std::int32_t>::min()}) {
        try {
            W.SetSize(N);
            ADD_FAILURE() << N << " accepted";
        } catch (const qmr::EQMRWaveletError& E) {
            EXPECT_STREQ(E.what(), "Component \"WL\": data length must be power of 2");
        }
        EXPECT_EQ(Read(W), (Vals{1, 2, 3, 4}));
    }
    for (std::int32_t K : {0, 4, -1}) {
        try {
            W.SetOrder(K);
            ADD_FAILURE() << K << " accepted";
        } catch (const qmr::EQMRWaveletError& E) {
            EXPECT_STREQ(E.what(), "Component \"WL\": invalid order of Daubechies wavelet family");
        }
        EXPECT_EQ(W.Order(), 2);
    }
    // order and mode changes keep the values, a size change clears them (same size too)
    W.SetOrder(3);
    W.SetSignalExtMode(TWLSigExtMode::wseZeroPad);
    EXPECT_EQ(Read(W), (Vals{1, 2, 3, 4}));
    W.SetSize(4);
    EXPECT_EQ(Read(W), (Vals{0, 0, 0, 0}));
    // reads outside are 0, writes there ignored
    W.SetData(0, 9), W.SetData(5, 9);
    EXPECT_EQ(W.Data(0), 0.0);
    EXPECT_EQ(W.Data(5), 0.0);
    EXPECT_EQ(Read(W), (Vals{0, 0, 0, 0}));
    W.SetSize(1 << 23);
    EXPECT_EQ(W.Size(), 1 << 23);
}

}  // namespace
