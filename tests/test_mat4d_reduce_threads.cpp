// TMat4D layer reductions: the same bits for every thread count and against a plain
// loop, progress, serialised OnChange handlers and exceptions from them.
#include "qmr_test_support.h"

#include "containers/QMR_mat4d_detail.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <tuple>

namespace {

using namespace qmr;
using namespace qmr::test;
using Vals = std::vector<double>;

using Reduce = void (TMat4D::*)(TMatrix*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                std::int32_t, std::int32_t, std::int32_t, std::int32_t) const;
using ReduceAll = void (TMat4D::*)(TMatrix*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                   std::int32_t, std::int32_t, std::int32_t) const;
struct Op {
    const char* Name;
    Reduce WithThreads;
    ReduceAll OnAll;
};
const Op Ops[4] = {{"mean", &TMat4D::MeanOfLayersToMatrix, &TMat4D::MeanOfLayersToMatrix},
                   {"max", &TMat4D::MaximumOfLayersToMatrix, &TMat4D::MaximumOfLayersToMatrix},
                   {"min", &TMat4D::MinimumOfLayersToMatrix, &TMat4D::MinimumOfLayersToMatrix},
                   {"sd", &TMat4D::StdDevOfLayersToMatrix, &TMat4D::StdDevOfLayersToMatrix}};

// The reduction of one cell by the plain loop: layers outer, slots inner. The deviation
// (Kind 3) by Welford's update, one value at a time, the bits the reductions give; Kind 4
// by two passes, to check that formula.
double Plain(int Kind, const TMat4D& M, int C, int R, int L0, int L1, int T0, int T1) {
    Extended S = 0, Hi = -uc_MaxReal, Lo = uc_MaxReal, N = 0, Mw = 0, Qw = 0;
    for (int L = L0; L <= L1; ++L)
        for (int T = T0; T <= T1; ++T) {
            const Extended V = M.Elem(C, R, L, T), D = V - Mw;
            S += V, N += 1;
            Hi = V > Hi ? V : Hi;
            Lo = V < Lo ? V : Lo;
            Mw += D * (1 / N);
            Qw += D * (V - Mw);
        }
    if (Kind == 1) return static_cast<double>(Hi);
    if (Kind == 2) return static_cast<double>(Lo);
    if (Kind == 3) return static_cast<double>(std::sqrt(std::max(Extended(0), Qw / N)));
    const Extended Mean = S / N;
    if (Kind == 0) return static_cast<double>(Mean);
    Extended Q = 0;
    for (int L = L0; L <= L1; ++L)
        for (int T = T0; T <= T1; ++T) Q += (M.Elem(C, R, L, T) - Mean) * (M.Elem(C, R, L, T) - Mean);
    return static_cast<double>(std::sqrt(Q / N));
}

using Mat4DReduce = ProgressFixture;

TEST_F(Mat4DReduce, SameBitsForEveryThreadCountAndAsThePlainLoop) {
    struct Range { int C0, C1, R0, R1, L0, L1, T0, T1; bool Wide = false; };
    // Ranges of 37 x 29 cells; one of 33000 x 2 cells, wider than a tile holds.
    for (const Range& G : {Range{0, 0, 0, 0, 0, 0, 0, 0}, Range{30, 4, 2, 28, 4, 2, 3, 2}, Range{9, 9, 0, 0, 1, 5, 1, 1},
                           Range{0, 0, 0, 0, 0, 0, 0, 0, true}})
        for (int K = 0; K < 4; ++K) {
            TMat4D M(nullptr);
            if (G.Wide) M.Resize(33000, 2, 5, 3); else M.Resize(37, 29, 5, 3);
            RandSeed = 3;
            M.FillRandomGauss(1e3, 40);
            const Op& O = Ops[K];
            TMatrix Ref(nullptr), D(nullptr);
            (M.*O.WithThreads)(&Ref, G.C0, G.C1, G.R0, G.R1, G.L0, G.L1, G.T0, G.T1, 1);
            const int C0 = G.C0 == 0 ? 1 : std::min(G.C0, G.C1), R0 = G.R0 == 0 ? 1 : std::min(G.R0, G.R1);
            const int L0 = G.L0 == 0 ? 1 : std::min(G.L0, G.L1), L1 = G.L0 == 0 ? 5 : std::max(G.L0, G.L1);
            const int T0 = G.T0 == 0 ? 1 : std::min(G.T0, G.T1), T1 = G.T0 == 0 ? 3 : std::max(G.T0, G.T1);
            ASSERT_EQ(Ref.NrOfColumns(), G.C0 == 0 ? M.NrOfColumns() : std::abs(G.C1 - G.C0) + 1);
            ASSERT_EQ(Ref.NrOfRows(), G.R0 == 0 ? M.NrOfRows() : std::abs(G.R1 - G.R0) + 1);
            for (int C = 1; C <= Ref.NrOfColumns(); ++C)
                for (int R = 1; R <= Ref.NrOfRows(); ++R) {
                    ASSERT_EQ(Ref.Elem(C, R), Plain(K, M, C0 + C - 1, R0 + R - 1, L0, L1, T0, T1))
                        << O.Name << " " << C << " " << R;
                    if (K == 3) {
                        const double TwoPass = Plain(4, M, C0 + C - 1, R0 + R - 1, L0, L1, T0, T1);
                        ASSERT_NEAR(Ref.Elem(C, R), TwoPass, 1e-12 * TwoPass);
                    }
                }
            // Every vector width the processor has (the planes go 4 at a time: the ranges
            // leave groups of 1, 2 and 3), every thread count.
            for (int Width : {2, 4, 8}) {
                if (detail::SetLayerReductionWidth(Width) != Width) continue;
                for (int Threads : {0, -5, 2, 3, 8, 1000, -1}) {  // -1: the overload with the processor count
                    if (Threads == -1) (M.*O.OnAll)(&D, G.C0, G.C1, G.R0, G.R1, G.L0, G.L1, G.T0, G.T1);
                    else (M.*O.WithThreads)(&D, G.C0, G.C1, G.R0, G.R1, G.L0, G.L1, G.T0, G.T1, Threads);
                    EXPECT_EQ(D.CRCofData(), Ref.CRCofData()) << O.Name << " " << Width << " " << Threads;
                }
            }
            detail::SetLayerReductionWidth(0);
        }
}

TEST_F(Mat4DReduce, EdgeValues) {
    TMat4D M(nullptr);
    M.Resize(3, 2, 4, 2);
    for (int L = 1; L <= 4; ++L) M.FillLayer(L, L);
    TMatrix D(nullptr);
    for (int Threads : {1, 4}) {
        M.MeanOfLayersToMatrix(&D, 0, 0, 0, 0, 2, 3, 1, 1, Threads);
        EXPECT_EQ(Cells(D), Vals(6, 2.5));
        M.StdDevOfLayersToMatrix(&D, 0, 0, 0, 0, 3, 3, 0, 0, Threads);  // identical values: exactly 0
        EXPECT_EQ(Cells(D), Vals(6, 0.0));
        M.StdDevOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, Threads);  // 1..4 twice: sqrt(5 / 4)
        for (double V : Cells(D)) EXPECT_NEAR(V, std::sqrt(1.25), 1e-15);
    }
    // 1e9 + k, k = 1..8: the population deviation sqrt(63 / 12) to the last bits.
    for (int L = 1; L <= 4; ++L)
        for (int T = 1; T <= 2; ++T) M.SetElem(2, 1, L, T, 1e9 + 2 * L + T - 2);
    M.StdDevOfLayersToMatrix(&D, 2, 2, 1, 1, 0, 0, 0, 0, 1);
    EXPECT_NEAR(D.Elem(1, 1), std::sqrt(63.0 / 12), 1e-15 * 3);
    {  // The same in every vector lane: 1e9 + c + k, k = 0..19 over 5 layers x 4 slots of
       // 19 columns, whose deviation is sqrt((20^2 - 1) / 12) in every cell.
        TMat4D Big(nullptr);
        Big.Resize(19, 3, 5, 4);
        for (int C = 1; C <= 19; ++C)
            for (int R = 1; R <= 3; ++R)
                for (int L = 1; L <= 5; ++L)
                    for (int T = 1; T <= 4; ++T) Big.SetElem(C, R, L, T, 1e9 + C + 4 * (L - 1) + T - 1);
        for (int Width : {2, 4, 8}) {
            if (detail::SetLayerReductionWidth(Width) != Width) continue;
            Big.StdDevOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 1);
            for (double V : Cells(D)) ASSERT_NEAR(V, std::sqrt(399.0 / 12), 1e-9) << Width;
        }
        detail::SetLayerReductionWidth(0);
    }
    // Extremes: -1e300 found; infinities found; no number in the cell: -+uc_MaxReal.
    M.Fill(-1e300);
    M.SetElem(1, 2, 3, 1, -HUGE_VAL), M.SetElem(1, 2, 4, 2, -HUGE_VAL);
    M.SetElem(3, 1, 1, 1, std::nan(""));
    M.MaximumOfLayersToMatrix(&D, 0, 0, 0, 0, 3, 4, 0, 0, 2);
    EXPECT_EQ(Cells(D), (Vals{-1e300, -1e300, -1e300, -1e300, -1e300, -1e300}));
    M.MaximumOfLayersToMatrix(&D, 1, 1, 2, 2, 3, 3, 1, 1, 1);
    EXPECT_EQ(Cells(D), Vals{-HUGE_VAL});
    M.MinimumOfLayersToMatrix(&D, 0, 0, 0, 0, 3, 4, 0, 0, 2);
    EXPECT_EQ(D.Elem(1, 2), -HUGE_VAL);
    M.Fill(std::nan(""));
    M.MaximumOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 1);
    EXPECT_EQ(Cells(D), Vals(6, -uc_MaxReal));
    M.MinimumOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 3);
    EXPECT_EQ(Cells(D), Vals(6, uc_MaxReal));
    M.MeanOfLayersToMatrix(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 3);
}

TEST_F(Mat4DReduce, ProgressAndDestinationEvents) {
    TMat4D M(nullptr);
    M.Resize(37, 5, 2, 2);
    TMatrix D(nullptr);
    int Ev = 0;
    CountChanges(D, Ev);
    // Inline: a step every Trunc(185 / 100) + 1 = 2 cells; resize, fill, one event per cell.
    M.MeanOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 1);
    EXPECT_EQ(std::tuple(ProcStat.load(), Calls().size(), Ev), std::tuple(92.0, 92u, 2 + 185));
    // Threads: each column adds 100 / 37; the hook on the caller, the last call after all.
    ProcStat = 0.0;
    Calls().clear();
    Ev = 0;
    std::atomic<int> Inside{0}, Overlaps{0};
    D.OnChange = [&](TObject*) {
        if (Inside.fetch_add(1) != 0) ++Overlaps;
        ++Ev;
        Inside.fetch_sub(1);
    };
    M.StdDevOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 8);
    EXPECT_NEAR(ProcStat.load(), 100, 1e-9);
    EXPECT_EQ(Calls().back(), ProcStat.load());
    EXPECT_EQ(std::tuple(Ev, Overlaps.load()), std::tuple(186, 0));  // same size: the fill's and the cells'
    // A range of one column: one worker, its whole share at once.
    ProcStat = 0.0;
    M.MaximumOfLayersToMatrix(&D, 5, 5, 0, 0, 0, 0, 0, 0, 8);
    EXPECT_EQ(ProcStat.load(), 100);
    // An exception of the handler reaches the caller once every worker has ended.
    int Seen = 0;
    D.OnChange = [&](TObject*) {
        if (++Seen == 40) throw std::runtime_error("host");
    };
    EXPECT_EQ(RaisedMessage<std::runtime_error>([&] { M.MeanOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 4); }), "host");
    D.OnChange = nullptr;
    M.MeanOfLayersToMatrix(&D, 0, 0, 0, 0, 0, 0, 0, 0, 4);  // the lock was released
    EXPECT_EQ(D.NrOfColumns(), 37);
}

}  // namespace
