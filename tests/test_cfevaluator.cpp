// TCFEvaluator: codes and states, counts and scores, ROC and AUC against brute force
// (Mann-Whitney U), the threshold sweep, ties, NaN and extreme values.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

using qmr::TCFEvaluator;
using qmr::test::Inf;
using qmr::test::NaN;
using Vals = std::vector<double>;
using Curve = qmr::TDouble2DArray;

void Load(TCFEvaluator& Ev, const Vals& Truth, const Vals& Est) {
    qmr::TMatrix M(nullptr);
    qmr::test::SetColumn(M, Truth);
    Ev.CopyTrueFromMatrix(1, &M);
    qmr::test::SetColumn(M, Est);
    Ev.CopyEstFromMatrix(1, &M);
}
// tp, fp, tn, fn, Threshold, then the code of GetConfMatValues.
Vals Conf(const TCFEvaluator& Ev) {
    std::int32_t C[4] = {-9, -9, -9, -9};
    double T = -9;
    const double Code = Ev.GetConfMatValues(C[0], C[1], C[2], C[3], T);
    return {double(C[0]), double(C[1]), double(C[2]), double(C[3]), T, Code};
}
Vals Scores(const TCFEvaluator& Ev) {
    return {Ev.TpRate(),      Ev.FnRate(),  Ev.TnRate(),   Ev.FpRate(),       Ev.Precision(),    Ev.NegPredVal(),
            Ev.ThreatScore(), Ev.F1Score(), Ev.Accuracy(), Ev.Informedness(), Ev.MatthewsCorr(), Ev.UncertCoeff()};
}
struct Opt {  // outputs of OptimizeThresholds, seeded with marks that show what it wrote
    std::int32_t Code = 0, Best = -7;
    Curve Roc{{42}};
    double Auc = -7, Mcc = -7, Acc = -7, Inf = -7;
};
Opt Optimize(TCFEvaluator& Ev, double Seed = -7) {
    Opt O;
    O.Mcc = O.Acc = O.Inf = Seed;
    O.Code = Ev.OptimizeThresholds(O.Roc, O.Best, O.Auc, O.Mcc, O.Acc, O.Inf);
    return O;
}

// Rank of an estimate in the sort (descending): NaN below -infinity.
long double Rank(double E) { return std::isnan(E) ? -std::numeric_limits<long double>::infinity() : E == -Inf ? -1e4000L : E; }

// Oracle: one ROC point per distinct estimate from the counts at or above it, then the
// final point again; the first point farthest from the diagonal; AUC = Mann-Whitney U /
// (P N) with ties counted 1/2.
struct Brute {
    Curve Roc = Curve(3);
    std::int32_t Best = 0;
    double Auc = 0;
};
Brute Oracle(const Vals& T, const Vals& E, double Mid) {
    Brute B;
    std::vector<long double> Levels;
    double P = 0, N = 0, U = 0, Far = 0;
    for (std::size_t I = 0; I < E.size(); ++I) {
        Levels.push_back(Rank(E[I]));
        (T[I] >= Mid ? P : N) += 1;
        for (std::size_t J = 0; J < E.size(); ++J)
            if (T[I] >= Mid && T[J] < Mid) U += Rank(E[I]) > Rank(E[J]) ? 1 : Rank(E[I]) == Rank(E[J]) ? 0.5 : 0;
    }
    std::sort(Levels.rbegin(), Levels.rend());
    Levels.erase(std::unique(Levels.begin(), Levels.end()), Levels.end());
    for (long double L : Levels) {
        double Tp = 0, Fp = 0, Est = NaN;
        for (std::size_t I = 0; I < E.size(); ++I) {
            if (Rank(E[I]) >= L) (T[I] >= Mid ? Tp : Fp) += 1;
            if (Rank(E[I]) == L) Est = E[I];
        }
        if (std::fabs(Fp / N - Tp / P) > Far) Far = std::fabs(Fp / N - Tp / P), B.Best = std::int32_t(B.Roc[0].size());
        for (std::size_t C = 0; C < 3; ++C) B.Roc[C].push_back(Vals{Fp / N, Tp / P, Est}[C]);
    }
    for (auto& C : B.Roc) C.push_back(C.back());
    B.Auc = U / (P * N);
    return B;
}
bool Same(const Curve& A, const Curve& B) {  // NaN matches NaN
    const auto Eq = [](double X, double Y) { return X == Y || (X != X && Y != Y); };
    return A.size() == 3 && std::equal(A.begin(), A.end(), B.begin(), B.end(), [&](const Vals& X, const Vals& Y) {
               return std::equal(X.begin(), X.end(), Y.begin(), Y.end(), Eq);
           });
}

TEST(CFEvaluator, WorkedExample) {
    TCFEvaluator Ev(nullptr);
    Ev.SetNData(4);
    const Vals E{0.2, 0.8, 0.6, 0.4};
    for (std::int32_t I = 1; I <= 4; ++I) Ev.SetTrueData(I, 1 - I % 2), Ev.SetEstimData(I, E[std::size_t(I - 1)]);
    ASSERT_EQ(Ev.CalcConfusionMatrix(0.5), 0);
    EXPECT_EQ(Conf(Ev), (Vals{1, 1, 1, 1, 0.5, 0}));
    Vals S = Scores(Ev);
    S.pop_back();
    EXPECT_EQ(S, (Vals{0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 1.0 / 3, 0.5, 0.5, 0, 0}));
    EXPECT_EQ((Vals{Ev.EstimData(1), Ev.TrueData(1), Ev.EstimData(4), Ev.TrueData(4)}), (Vals{0.8, 1, 0.2, 0}));
    Ev.CalcConfusionMatrix(0.6);  // an estimate equal to the threshold is positive
    EXPECT_EQ(Conf(Ev)[1], 1);
    Ev.CalcConfusionMatrix(std::nextafter(0.6, 1.0));
    EXPECT_EQ(Conf(Ev)[1], 0);
    Ev.CalcConfusionMatrix(-5);  // all positive
    EXPECT_EQ((Vals{Conf(Ev)[2], Conf(Ev)[3], Ev.NegPredVal(), Ev.MatthewsCorr(), Ev.TnRate()}), Vals(5, 0.0));

    const Opt O = Optimize(Ev);
    ASSERT_EQ(O.Code, 0);
    EXPECT_EQ(O.Roc, (Curve{{0, 0.5, 0.5, 1, 1}, {0.5, 0.5, 1, 1, 1}, {0.8, 0.6, 0.4, 0.2, 0.2}}));
    EXPECT_EQ(O.Best, 0);
    EXPECT_EQ(O.Auc, 0.75);
    // The three scores peak equally on (0.2, 0.4] and on (0.6, 0.8]: the later plateau's
    // mean wins. Thresholds: from min - 5 s in accumulated steps s while below max + 5 s.
    const double Step = 0.01 * (0.8 - 0.2);
    double Sum = 0, Cnt = 0, Last = 0;
    for (double T = 0.2 - 5 * Step; T < 0.8 + 5 * Step; T += Step) {
        Last = T;
        if (T > 0.6 && T <= 0.8) Sum += T, Cnt += 1;
    }
    for (double X : {O.Mcc, O.Acc, O.Inf}) EXPECT_DOUBLE_EQ(X, Sum / Cnt);
    EXPECT_EQ(Conf(Ev), (Vals{0, 0, 2, 2, Last, 0}));  // the last threshold tried
}

TEST(CFEvaluator, CodesStatesAndCopies) {
    const Vals Unsorted{-1, -1, -1, -1, -1, -1, -1, -1, -1, -2, -3, -1};
    const Vals NotDicho{-2, -2, -2, -2, -2, -2, -2, -2, -2, -3, -2, -2};
    const auto Counted = [](TCFEvaluator& Ev) { Load(Ev, {0, 1, 0}, {0.3, 0.2, 0.1}), Ev.CalcConfusionMatrix(0.15); };
    const auto Fives = [](TCFEvaluator& Ev) {
        Ev.SetNData(3);
        for (std::int32_t I = 1; I <= 3; ++I) Ev.SetTrueData(I, 5);
    };
    const struct {
        std::function<void(TCFEvaluator&)> Setup;
        int Calc, GetConf, Optimize;
        const Vals* Codes;  // nullptr: the scores compute
    } Cases[] = {
        {[](TCFEvaluator&) {}, -2, -2, -1, &NotDicho},
        {Fives, -2, -2, -1, &NotDicho},
        {[](TCFEvaluator& Ev) { Load(Ev, {0, NaN, 1}, {1, 2, 3}); }, -2, -2, -1, &NotDicho},
        {[](TCFEvaluator& Ev) { Load(Ev, {0, Inf, 0}, {1, 2, 3}); }, -2, -2, -1, &NotDicho},
        {[](TCFEvaluator& Ev) { Load(Ev, {-Inf, 1, 1}, {1, 2, 3}); }, -2, -2, -1, &NotDicho},
        {[](TCFEvaluator& Ev) { Load(Ev, {0, 1, 0}, {1, 2, 3}); }, 0, -1, 0, &Unsorted},
        {[](TCFEvaluator& Ev) { Load(Ev, {0, 1, 0}, {1, 2, 3, 4}); }, -1, -1, -3, &Unsorted},
        {[](TCFEvaluator& Ev) { Load(Ev, {0, 0, 0}, {1, 2, 3, 4}); }, -2, -2, -3, &NotDicho},
        {[](TCFEvaluator& Ev) { Load(Ev, {1, 1 + 0x1p-52, 1}, {1, 2, 3}); }, 0, -1, -2, &Unsorted},  // midpoint 1
        {[&](TCFEvaluator& Ev) { Counted(Ev), Ev.SetEstimData(2, 0.25); }, 0, -1, 0, &Unsorted},
        {[&](TCFEvaluator& Ev) { Counted(Ev), Ev.SetTrueData(3, 1); }, 0, 0, 0, nullptr},
        {[&](TCFEvaluator& Ev) { Counted(Ev), Ev.SetNData(5); }, 0, 0, 0, nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(&C - Cases);
        TCFEvaluator Ev(nullptr), Copy(nullptr);
        C.Setup(Ev);
        C.Setup(Copy);
        if (C.Codes) {
            EXPECT_EQ(Scores(Ev), *C.Codes);
        }
        EXPECT_EQ(Conf(Ev)[5], C.GetConf);
        const Opt O = Optimize(Copy);
        EXPECT_EQ(O.Code, C.Optimize);
        if (O.Code != 0) {  // outputs untouched
            EXPECT_EQ((Vals{O.Roc[0][0], double(O.Best), O.Auc, O.Mcc, O.Acc, O.Inf}), Vals({42, -7, -7, -7, -7, -7}));
        }
        EXPECT_EQ(Ev.CalcConfusionMatrix(0.5), C.Calc);
        EXPECT_EQ(Ev.Threshold(), C.Calc ? 0 : 0.5);
    }
    // Refused copies change nothing; a three-valued column is copied all the same.
    TCFEvaluator Ev(nullptr);
    qmr::TMatrix M(nullptr);
    qmr::test::FillCells(M, 2, 3, [](int C, int R) { return C == 1 ? R % 2 : R; });
    Ev.CopyTrueFromMatrix(1, &M);
    EXPECT_EQ((Vals{double(Ev.CopyTrueFromMatrix(0, &M)), double(Ev.CopyEstFromMatrix(3, &M)),
                    double(Ev.CopyTrueFromMatrix(2, nullptr)), double(Ev.CopyEstFromMatrix(2, nullptr))}),
              Vals(4, -1));
    EXPECT_EQ((Vals{double(Ev.NData()), Ev.TrueData(1), Ev.DichoV2(), double(Ev.CopyTrueFromMatrix(2, &M)), Ev.TrueData(3)}),
              (Vals{-1, 1, 1, -2, 3}));
}

TEST(CFEvaluator, ScoresFromKnownCounts) {
    // tp fp tn fn; the last overflows a 64-bit product of the four margins.
    const Vals Table[] = {{3, 1, 4, 2}, {5, 0, 7, 0}, {0, 4, 0, 6}, {1, 6, 6, 1}, {6e4, 4e4, 6e4, 4e4}};
    for (const Vals& K : Table) {
        const double tp = K[0], fp = K[1], tn = K[2], fn = K[3], n = tp + fp + tn + fn;
        Vals T, E;  // truth 7 or -3, estimate 1 (predicted positive at 0.5) or 0
        for (const Vals& Run : {Vals{tp, 7, 1}, Vals{fn, 7, 0}, Vals{fp, -3, 1}, Vals{tn, -3, 0}}) {
            T.insert(T.end(), std::size_t(Run[0]), Run[1]);
            E.insert(E.end(), std::size_t(Run[0]), Run[2]);
        }
        TCFEvaluator Ev(nullptr);
        Load(Ev, T, E);
        ASSERT_EQ(Ev.CalcConfusionMatrix(0.5), 0);
        EXPECT_EQ(Conf(Ev), (Vals{tp, fp, tn, fn, 0.5, 0}));
        const auto Q = [](double A, double B) { return B == 0 ? 0.0 : A / B; };
        // Matthews: the signed geometric mean of informedness and markedness. Uncertainty:
        // twice the mutual information over the sum of the two class entropies.
        const double Bm = Q(tp, tp + fn) + Q(tn, tn + fp) - 1, Mk = Q(tp, tp + fp) + Q(tn, tn + fn) - 1;
        const bool Flat = (tp + fp) * (tp + fn) * (tn + fp) * (tn + fn) == 0;
        const double Mcc = Flat ? 0 : std::copysign(std::sqrt(Bm * Mk), Bm);
        const double Cell[2][2] = {{tp, fn}, {fp, tn}}, Tr[2] = {tp + fn, fp + tn}, Pr[2] = {tp + fp, fn + tn};
        const auto PlnP = [n](double C) { return C > 0 ? C / n * std::log(C / n) : 0.0; };
        double MI = 0, H = 0;
        for (int A = 0; A < 2; ++A) {
            H -= PlnP(Tr[A]) + PlnP(Pr[A]);
            for (int B = 0; B < 2; ++B) MI += Cell[A][B] > 0 ? Cell[A][B] / n * std::log(Cell[A][B] * n / (Tr[A] * Pr[B])) : 0;
        }
        const Vals Want{Q(tp, tp + fn), Q(fn, tp + fn), Q(tn, tn + fp), Q(fp, tn + fp), Q(tp, tp + fp), Q(tn, tn + fn),
                        Q(tp, n - tn),  Q(2 * tp, n - tn + tp), (tp + tn) / n, Bm, Mcc, 2 * MI / (H + 1e-15)};
        for (std::size_t I = 0; I < Want.size(); ++I) EXPECT_NEAR(Scores(Ev)[I], Want[I], 1e-12) << I << " @ " << tp;
    }
}

TEST(CFEvaluator, RocAucAndSweepAgainstBruteForce) {
    std::mt19937 Gen(2024);
    for (int Round = 0; Round < 40; ++Round) {
        SCOPED_TRACE(Round);
        const std::size_t N = 2 + std::size_t(Round) * 7;
        const bool Finite = Round % 4 == 3;
        Vals T(N), E(N);
        for (std::size_t I = 0; I < N; ++I) {  // few levels, so many ties; NaN and infinities
            T[I] = I < 2 ? double(I) * 3.5 - 1 : Gen() % 10 < 4 ? 2.5 : -1.0;
            const int L = int(Gen() % 13);
            E[I] = (L - 6) * 0.25 + (T[I] > 0) * 0.25 * (Round % 3);
            if (!Finite && L < 3) E[I] = Vals{NaN, -Inf, Inf}[std::size_t(L)];
        }
        TCFEvaluator Ev(nullptr);
        Load(Ev, T, E);
        const Opt O = Optimize(Ev);
        const Brute B = Oracle(T, E, 0.75);
        ASSERT_EQ(O.Code, 0);
        EXPECT_TRUE(Same(O.Roc, B.Roc));
        EXPECT_EQ(O.Best, B.Best);
        EXPECT_NEAR(O.Auc, B.Auc, 1e-14);
        for (std::int32_t I = 1; I < std::int32_t(N); ++I) EXPECT_GE(Rank(Ev.EstimData(I)), Rank(Ev.EstimData(I + 1)));
        if (!Finite) continue;
        // The accuracy's plateau, replayed with counts made object by object.
        const auto [Lo, Hi] = std::minmax_element(E.begin(), E.end());
        const double S = 0.01 * (*Hi - *Lo);
        double Best = 0, Sum = 0, Cnt = 0, Want = -7;
        for (double X = *Lo - 5 * S; X < *Hi + 5 * S; X += S) {
            double Hits = 0;
            for (std::size_t I = 0; I < N; ++I) Hits += (E[I] >= X) == (T[I] > 0.75);
            if (Hits / double(N) > Best) Best = Hits / double(N), Sum = X, Cnt = 1, Want = X;
            else if (Hits / double(N) == Best) Sum += X, Cnt += 1, Want = Sum / Cnt;
            else Sum = Cnt = 0;
        }
        EXPECT_DOUBLE_EQ(O.Acc, Want);
    }
}

TEST(CFEvaluator, TiesNaNExtremesAndStaleOrder) {
    // Counts at a threshold, then the ROC against the oracle (midpoint Mid) and the sweep's
    // last counts, which share CalcConfusionMatrix's positives (above the midpoint).
    const struct { Vals T, E; double Thresh, Mid; Vals Want; } Cases[] = {
        // NaN sorts last and is never positive; -Inf - (-Inf) is NaN: negative too.
        {{1, 0, 1, 0, 1}, {NaN, 0.5, NaN, -Inf, 2}, -Inf, 0.5, {1, 1, 1, 2}},
        // Midpoints whose literal sum overflows.
        {{1e308, 1.5e308, 1.5e308, 1e308}, {1, 2, 3, 0}, 1.5, 1.25e308, {2, 0, 2, 0}},
        {{-1.5e308, -1e308, -1e308}, {0, 1, 2}, 0.5, -1.25e308, {2, 0, 1, 0}},
        // 1 - 2^-53 and 1: the midpoint rounds to 1, so the ROC counts 1 as positive (at or
        // above) while the counts (above) have no positive at all.
        {{1 - 0x1p-53, 1, 1 - 0x1p-53, 1, 1}, {0.1, 0.9, 0.4, 0.3, 0.7}, 0.5, 1.0, {0, 2, 3, 0}},
    };
    TCFEvaluator Ev(nullptr);
    for (const auto& C : Cases) {
        Load(Ev, C.T, C.E);
        Ev.CalcConfusionMatrix(C.Thresh);
        EXPECT_EQ(Conf(Ev), (Vals{C.Want[0], C.Want[1], C.Want[2], C.Want[3], C.Thresh, 0}));
        EXPECT_TRUE(Same(Optimize(Ev).Roc, Oracle(C.T, C.E, C.Mid).Roc));
        EXPECT_EQ(Conf(Ev)[0] + Conf(Ev)[3], C.Want[0] + C.Want[3]);
    }
    // Ties move as the passes from gap Trunc((n - 1) / 1.3) move them (a first gap of n
    // would leave the truths 0, 1, 0).
    Load(Ev, {0, 1, 0}, {1, 1, 2});
    Ev.CalcConfusionMatrix(0);
    EXPECT_EQ((Vals{Ev.TrueData(1), Ev.TrueData(2), Ev.TrueData(3)}), (Vals{0, 0, 1}));
    // NData appends objects of estimate 0 after sorted negatives: the state stays, the
    // ROC still walks the true order.
    Load(Ev, {1, 0, 1, 0}, {-1, -2, -3, -4});
    Ev.CalcConfusionMatrix(-2.5);
    Ev.SetNData(6);
    Ev.SetTrueData(5, 1);
    EXPECT_EQ(Ev.TpRate(), 0.5);
    EXPECT_TRUE(Same(Optimize(Ev).Roc, Oracle({1, 0, 1, 0, 1, 0}, {-1, -2, -3, -4, 0, 0}, 0.5).Roc));
    // Sweeps that try nothing (outputs and counts kept) or stop once t + s = t: rows of
    // the ROC and Threshold afterwards.
    const std::pair<Vals, Vals> Sweeps[] = {{{2, 2, 2, 2}, {2, 123}},
                                            {{NaN, NaN, NaN, NaN}, {2, 123}},
                                            {{1e16, 1e16 + 2, 1e16, 1e16 + 2}, {3, 1e16 - 5 * 0.02}},
                                            {{-Inf, 3, 1, 1}, {4, -Inf}}};
    for (const auto& [Est, Want] : Sweeps) {
        Load(Ev, {0, 1, 0, 1}, Est);
        Ev.CalcConfusionMatrix(123);
        const Opt P = Optimize(Ev, 0.25);
        EXPECT_EQ((Vals{double(P.Code), double(P.Roc[0].size()), Ev.Threshold()}), (Vals{0, Want[0], Want[1]}));
        if (Want[1] == 123) {  // one run on the diagonal
            EXPECT_EQ((Vals{P.Mcc, P.Acc, P.Inf, P.Auc}), (Vals{0.25, 0.25, 0.25, 0.5}));
        }
    }
}

}  // namespace
