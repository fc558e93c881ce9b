// TCFEvaluator: result codes and states, confusion counts and scores, ROC curve and AUC
// against brute-force oracles, the threshold sweep, ties, NaN and extreme values.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

using qmr::TCFEvaluator;
using qmr::TDouble2DArray;
using qmr::TMatrix;
using Vals = std::vector<double>;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// Truths and estimates through the two matrix copies (one scan of the truths).
void Load(TCFEvaluator& Ev, const Vals& Truth, const Vals& Est) {
    TMatrix M(nullptr);
    for (const Vals* V : {&Truth, &Est}) {
        M.Resize(1, static_cast<std::int32_t>(V->size()));
        for (std::size_t I = 0; I < V->size(); ++I) M.SetElem(1, static_cast<std::int32_t>(I + 1), (*V)[I]);
        if (V == &Truth) Ev.CopyTrueFromMatrix(1, &M);
        else Ev.CopyEstFromMatrix(1, &M);
    }
}

struct Conf {
    std::int32_t tp = -9, fp = -9, tn = -9, fn = -9;
    double Thresh = -9;
    bool operator==(const Conf&) const = default;
};
Conf ConfOf(const TCFEvaluator& Ev) {
    Conf C;
    EXPECT_EQ(Ev.GetConfMatValues(C.tp, C.fp, C.tn, C.fn, C.Thresh), 0);
    return C;
}

struct Optimum {
    std::int32_t Code = 0;
    TDouble2DArray Roc;
    std::int32_t Best = -7;
    double Auc = -7, Mcc = -7, Acc = -7, Inf = -7;
};
Optimum Optimize(TCFEvaluator& Ev) {
    Optimum O;
    O.Code = Ev.OptimizeThresholds(O.Roc, O.Best, O.Auc, O.Mcc, O.Acc, O.Inf);
    return O;
}

// The twelve scores in declaration order.
Vals Scores(const TCFEvaluator& Ev) {
    return {Ev.TpRate(),   Ev.FnRate(),      Ev.TnRate(),      Ev.FpRate(),  Ev.Precision(),    Ev.NegPredVal(),
            Ev.ThreatScore(), Ev.F1Score(), Ev.Accuracy(), Ev.Informedness(), Ev.MatthewsCorr(), Ev.UncertCoeff()};
}
// The scores' codes for an unsorted and for a not dichotomous evaluator.
const Vals kUnsortedCodes{-1, -1, -1, -1, -1, -1, -1, -1, -1, -2, -3, -1};
const Vals kNotDichoCodes{-2, -2, -2, -2, -2, -2, -2, -2, -2, -3, -2, -2};

// Estimate order of the sort: descending, NaN below every number.
double Key(double E) { return std::isnan(E) ? -Inf : E; }
bool Above(double A, double B) { return Key(A) > Key(B) || (!std::isnan(A) && std::isnan(B) && A == -Inf); }
bool Tied(double A, double B) { return A == B || (std::isnan(A) && std::isnan(B)); }

// The ROC curve from cumulative counts: one point per distinct estimate (descending),
// counting every object ranked at or above it, then the repeated final point.
TDouble2DArray BruteRoc(const Vals& Truth, const Vals& Est, double Mid) {
    Vals Levels = Est;
    std::sort(Levels.begin(), Levels.end(), Above);
    Levels.erase(std::unique(Levels.begin(), Levels.end(), Tied), Levels.end());
    double P = 0, N = 0;
    for (double T : Truth) (T >= Mid ? P : N) += 1;
    TDouble2DArray Roc(3);
    for (double L : Levels) {
        double Tp = 0, Fp = 0;
        for (std::size_t I = 0; I < Est.size(); ++I)
            if (!Above(L, Est[I])) (Truth[I] >= Mid ? Tp : Fp) += 1;
        Roc[0].push_back(Fp / N);
        Roc[1].push_back(Tp / P);
        Roc[2].push_back(L);
    }
    for (auto& Col : Roc) Col.push_back(Col.back());
    return Roc;
}

// Mann-Whitney U / (P N) over every positive-negative pair, ties counted 1/2.
double MannWhitneyAuc(const Vals& Truth, const Vals& Est, double Mid) {
    double U = 0, P = 0, N = 0;
    for (std::size_t I = 0; I < Est.size(); ++I) {
        if (Truth[I] < Mid) continue;
        P += 1;
        for (std::size_t J = 0; J < Est.size(); ++J) {
            if (Truth[J] >= Mid) continue;
            U += Above(Est[I], Est[J]) ? 1.0 : Tied(Est[I], Est[J]) ? 0.5 : 0.0;
        }
    }
    for (double T : Truth) N += T < Mid;
    return U / (P * N);
}

// First row farthest from the diagonal (0 when no row leaves it).
std::int32_t FarthestRow(const TDouble2DArray& Roc) {
    std::int32_t Best = 0;
    double D = 0;
    for (std::size_t K = 0; K < Roc[0].size(); ++K)
        if (std::fabs(Roc[0][K] - Roc[1][K]) > D) {
            D = std::fabs(Roc[0][K] - Roc[1][K]);
            Best = static_cast<std::int32_t>(K);
        }
    return Best;
}

void ExpectSameRoc(const TDouble2DArray& Got, const TDouble2DArray& Want) {
    ASSERT_EQ(Got.size(), 3u);
    ASSERT_EQ(Got[0].size(), Want[0].size());
    for (std::size_t C = 0; C < 3; ++C)
        for (std::size_t K = 0; K < Want[C].size(); ++K) {
            if (std::isnan(Want[C][K])) EXPECT_TRUE(std::isnan(Got[C][K])) << C << "," << K;
            else EXPECT_EQ(Got[C][K], Want[C][K]) << C << "," << K;
        }
}

// The sweep's thresholds: from min - 5 s in accumulated steps s while below max + 5 s.
Vals SweepThresholds(double Min, double Max) {
    const double S = 0.01 * (Max - Min);
    Vals T;
    for (double X = Min - 5 * S; X < Max + 5 * S; X += S) T.push_back(X);
    return T;
}

// ---------------------------------------------------------------- worked example

TEST(CFEvaluator, WorkedExampleCountsScoresAndOrder) {
    TCFEvaluator Ev(nullptr);
    Ev.SetNData(4);
    const Vals T{0, 1, 0, 1}, E{0.2, 0.8, 0.6, 0.4};
    for (std::int32_t I = 1; I <= 4; ++I) {
        Ev.SetTrueData(I, T[static_cast<std::size_t>(I - 1)]);
        Ev.SetEstimData(I, E[static_cast<std::size_t>(I - 1)]);
    }
    EXPECT_EQ(Ev.DichoV1(), 0);
    EXPECT_EQ(Ev.DichoV2(), 1);
    ASSERT_EQ(Ev.CalcConfusionMatrix(0.5), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{1, 1, 1, 1, 0.5}));
    const Vals S = Scores(Ev);
    for (int I : {0, 4, 8, 7}) EXPECT_EQ(S[static_cast<std::size_t>(I)], 0.5) << I;  // TpRate .. F1Score
    EXPECT_DOUBLE_EQ(S[6], 1.0 / 3);
    EXPECT_EQ(S[9], 0);
    EXPECT_EQ(S[10], 0);
    // The pairs now read in descending order of the estimates.
    for (std::int32_t I = 1; I <= 4; ++I) {
        EXPECT_EQ(Ev.EstimData(I), (Vals{0.8, 0.6, 0.4, 0.2}[static_cast<std::size_t>(I - 1)]));
        EXPECT_EQ(Ev.TrueData(I), (Vals{1, 0, 1, 0}[static_cast<std::size_t>(I - 1)]));
    }
    // An estimate equal to the threshold is predicted positive; just above it is not.
    ASSERT_EQ(Ev.CalcConfusionMatrix(0.6), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{1, 1, 1, 1, 0.6}));
    ASSERT_EQ(Ev.CalcConfusionMatrix(std::nextafter(0.6, 1.0)), 0);
    EXPECT_EQ(ConfOf(Ev).fp, 0);
    // All predicted positive.
    ASSERT_EQ(Ev.CalcConfusionMatrix(-5), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{2, 2, 0, 0, -5}));
    EXPECT_EQ(Ev.NegPredVal(), 0);
    EXPECT_EQ(Ev.MatthewsCorr(), 0);
    EXPECT_EQ(Ev.TnRate(), 0);
}

TEST(CFEvaluator, WorkedExampleRocAndLaterPlateau) {
    TCFEvaluator Ev(nullptr);
    Load(Ev, {0, 1, 0, 1}, {0.2, 0.8, 0.6, 0.4});
    Optimum O = Optimize(Ev);
    ASSERT_EQ(O.Code, 0);
    ExpectSameRoc(O.Roc, {{0, 0.5, 0.5, 1, 1}, {0.5, 0.5, 1, 1, 1}, {0.8, 0.6, 0.4, 0.2, 0.2}});
    EXPECT_EQ(O.Best, 0);
    EXPECT_EQ(O.Auc, 0.75);
    // All three scores peak on (0.2, 0.4] and again, equal, on (0.6, 0.8]: the later
    // plateau's mean wins.
    const Vals Ts = SweepThresholds(0.2, 0.8);
    double Sum = 0, Cnt = 0, EarlySum = 0, EarlyCnt = 0;
    for (double X : Ts) {
        if (0.6 < X && X <= 0.8) Sum += X, Cnt += 1;
        if (0.2 < X && X <= 0.4) EarlySum += X, EarlyCnt += 1;
    }
    ASSERT_GT(Cnt, 0);
    ASSERT_GT(std::fabs(Sum / Cnt - EarlySum / EarlyCnt), 0.3);
    for (double Got : {O.Mcc, O.Acc, O.Inf}) EXPECT_DOUBLE_EQ(Got, Sum / Cnt);
    // Counts and Threshold are those of the last threshold tried.
    EXPECT_EQ(ConfOf(Ev), (Conf{0, 0, 2, 2, Ts.back()}));
}

// ---------------------------------------------------------------- codes and states

TEST(CFEvaluator, ResultCodesPerOperation) {
    struct Case {
        const char* Name;
        std::function<void(TCFEvaluator&)> Setup;
        std::int32_t Calc, GetConf, Optimize;
        const Vals* ScoreCodes;  // nullptr: the scores compute
    };
    const auto Dicho = [](TCFEvaluator& Ev) { Load(Ev, {0, 1, 0}, {0.3, 0.2, 0.1}); };
    const std::vector<Case> Cases = {
        {"fresh", [](TCFEvaluator&) {}, -2, -2, -1, &kNotDichoCodes},
        {"one value", [](TCFEvaluator& Ev) { Ev.SetNData(3); for (int I = 1; I <= 3; ++I) Ev.SetTrueData(I, 5); },
         -2, -2, -1, &kNotDichoCodes},
        {"NaN truth", [](TCFEvaluator& Ev) { Load(Ev, {0, NaN, 1}, {1, 2, 3}); }, -2, -2, -1, &kNotDichoCodes},
        {"infinite truth", [](TCFEvaluator& Ev) { Load(Ev, {0, Inf, 0}, {1, 2, 3}); }, -2, -2, -1, &kNotDichoCodes},
        {"-infinite truth", [](TCFEvaluator& Ev) { Load(Ev, {-Inf, 1, 1}, {1, 2, 3}); }, -2, -2, -1, &kNotDichoCodes},
        {"dicho, unsorted", Dicho, 0, -1, 0, &kUnsortedCodes},
        {"lengths differ",
         [](TCFEvaluator& Ev) { Load(Ev, {0, 1, 0}, {1, 2, 3, 4}); }, -1, -1, -3, &kUnsortedCodes},
        {"lengths differ, not dicho",
         [](TCFEvaluator& Ev) { Load(Ev, {0, 0, 0}, {1, 2, 3, 4}); }, -2, -2, -3, &kNotDichoCodes},
        {"one class at or above the midpoint",  // 1 and 1 + eps: the midpoint rounds to 1
         [](TCFEvaluator& Ev) { Load(Ev, {1, 1 + 0x1p-52, 1}, {1, 2, 3}); }, 0, -1, -2, &kUnsortedCodes},
        {"counted, then an estimate written",
         [&](TCFEvaluator& Ev) { Dicho(Ev); Ev.CalcConfusionMatrix(0.15); Ev.SetEstimData(2, 0.25); },
         0, -1, 0, &kUnsortedCodes},
        {"counted, then a truth written",
         [&](TCFEvaluator& Ev) { Dicho(Ev); Ev.CalcConfusionMatrix(0.15); Ev.SetTrueData(3, 1); }, 0, 0, 0, nullptr},
        {"counted, then NData written",
         [&](TCFEvaluator& Ev) { Dicho(Ev); Ev.CalcConfusionMatrix(0.15); Ev.SetNData(5); }, 0, 0, 0, nullptr},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TCFEvaluator Ev(nullptr);
        C.Setup(Ev);
        if (C.ScoreCodes) EXPECT_EQ(Scores(Ev), *C.ScoreCodes);
        else for (double S : Scores(Ev)) EXPECT_GE(S, -1);
        std::int32_t a = 7, b = 7, c = 7, d = 7;
        double Th = 7;
        EXPECT_EQ(Ev.GetConfMatValues(a, b, c, d, Th), C.GetConf);
        if (C.GetConf != 0) {
            EXPECT_EQ(Vals({double(a), double(b), double(c), double(d), Th}), Vals(5, 7.0));
        }
        {
            TCFEvaluator Copy(nullptr);
            C.Setup(Copy);
            Optimum O;
            O.Roc = {{42}};
            O.Code = Copy.OptimizeThresholds(O.Roc, O.Best, O.Auc, O.Mcc, O.Acc, O.Inf);
            EXPECT_EQ(O.Code, C.Optimize);
            if (O.Code != 0) {  // outputs untouched
                EXPECT_EQ(O.Roc, TDouble2DArray{{42}});
                EXPECT_EQ(Vals({double(O.Best), O.Auc, O.Mcc, O.Acc, O.Inf}), Vals({-7, -7, -7, -7, -7}));
            }
        }
        const double ThBefore = Ev.Threshold();
        EXPECT_EQ(Ev.CalcConfusionMatrix(0.5), C.Calc);
        if (C.Calc != 0) {
            EXPECT_EQ(Ev.Threshold(), ThBefore);
        }
    }
}

TEST(CFEvaluator, DataAccessNDataAndCopies) {
    TCFEvaluator Ev(nullptr);
    EXPECT_EQ(Ev.NData(), 1);
    for (std::int32_t Ix : {0, 2}) {
        Ev.SetTrueData(Ix, 3);
        Ev.SetEstimData(Ix, 3);
        EXPECT_EQ(Ev.TrueData(Ix), 0);
        EXPECT_EQ(Ev.EstimData(Ix), 0);
    }
    Ev.SetNData(0);
    Ev.SetNData(-2);
    EXPECT_EQ(Ev.NData(), 1);

    TMatrix M(nullptr);
    M.Resize(2, 3);
    for (std::int32_t R = 1; R <= 3; ++R) {
        M.SetElem(1, R, R % 2);  // 1 0 1
        M.SetElem(2, R, R);      // 1 2 3: three values
    }
    const auto Unchanged = [&] {
        EXPECT_EQ(Ev.NData(), 3);
        EXPECT_EQ(Ev.TrueData(1), 1);
        EXPECT_EQ(Ev.EstimData(3), 3);
    };
    EXPECT_EQ(Ev.CopyTrueFromMatrix(1, &M), 0);
    EXPECT_EQ(Ev.CopyEstFromMatrix(2, &M), 0);
    Unchanged();
    for (std::int32_t Col : {0, 3}) {
        EXPECT_EQ(Ev.CopyTrueFromMatrix(Col, &M), -1);
        EXPECT_EQ(Ev.CopyEstFromMatrix(Col, &M), -1);
    }
    EXPECT_EQ(Ev.CopyTrueFromMatrix(1, nullptr), -1);
    EXPECT_EQ(Ev.CopyEstFromMatrix(1, nullptr), -1);
    Unchanged();
    EXPECT_EQ(Ev.CalcConfusionMatrix(0), 0);  // still dichotomous after the refusals
    // A three-valued column is copied all the same.
    EXPECT_EQ(Ev.CopyTrueFromMatrix(2, &M), -2);
    EXPECT_EQ(Ev.TrueData(3), 3);
    double V1 = 0, V2 = 0;
    EXPECT_FALSE(Ev.GetActualDichoValues(V1, V2));
    // Lengths differ: NData -1; writing NData sizes both (new slots 0).
    M.Resize(2, 5);
    Ev.CopyEstFromMatrix(2, &M);
    EXPECT_EQ(Ev.NData(), -1);
    Ev.SetNData(6);
    EXPECT_EQ(Ev.NData(), 6);
    EXPECT_EQ(Ev.TrueData(6), 0);
    EXPECT_EQ(Ev.TrueData(3), 3);
    // GetActualDichoValues reads the vector as it is now, smaller value first.
    for (std::int32_t I = 1; I <= 6; ++I) Ev.SetTrueData(I, I % 2 ? 4.0 : -2.0);
    EXPECT_TRUE(Ev.GetActualDichoValues(V1, V2));
    EXPECT_EQ(V1, -2);
    EXPECT_EQ(V2, 4);
}

// ---------------------------------------------------------------- scores

TEST(CFEvaluator, ScoresFromKnownCounts) {
    struct Cnt {
        std::int32_t tp, fp, tn, fn;
    };
    // Positives first at estimate 1 (tp) or 0 (fn), then negatives at 1 (fp) or 0 (tn).
    for (const Cnt& K : {Cnt{3, 1, 4, 2}, Cnt{5, 0, 7, 0}, Cnt{0, 4, 0, 6}, Cnt{2, 3, 0, 1}, Cnt{1, 6, 6, 1},
                         Cnt{60000, 40000, 60000, 40000}}) {
        SCOPED_TRACE(testing::Message() << K.tp << " " << K.fp << " " << K.tn << " " << K.fn);
        Vals T, E;
        const auto Add = [&](std::int32_t N, double Truth, double Est) {
            T.insert(T.end(), static_cast<std::size_t>(N), Truth);
            E.insert(E.end(), static_cast<std::size_t>(N), Est);
        };
        Add(K.tp, 7, 1);
        Add(K.fn, 7, 0);
        Add(K.fp, -3, 1);
        Add(K.tn, -3, 0);
        TCFEvaluator Ev(nullptr);
        Load(Ev, T, E);
        ASSERT_EQ(Ev.CalcConfusionMatrix(0.5), 0);
        EXPECT_EQ(ConfOf(Ev), (Conf{K.tp, K.fp, K.tn, K.fn, 0.5}));
        const double tp = K.tp, fp = K.fp, tn = K.tn, fn = K.fn, n = tp + fp + tn + fn;
        const auto Q = [](double A, double B) { return B == 0 ? 0.0 : A / B; };
        const double Tpr = Q(tp, tp + fn), Tnr = Q(tn, tn + fp), Ppv = Q(tp, tp + fp), Npv = Q(tn, tn + fn);
        // Matthews correlation as the signed geometric mean of informedness and markedness.
        const double Bm = Tpr + Tnr - 1, Mk = Ppv + Npv - 1;
        const bool Degenerate = (tp + fp) * (tp + fn) * (tn + fp) * (tn + fn) == 0;
        const double Mcc = Degenerate ? 0 : std::copysign(std::sqrt(Bm * Mk), Bm);
        // Uncertainty coefficient through the mutual information sum p ln(p / (p_pred p_true)).
        const double Cell[2][2] = {{tp, fn}, {fp, tn}};  // [true class][predicted class]
        const double PTrue[2] = {(tp + fn) / n, (fp + tn) / n}, PPred[2] = {(tp + fp) / n, (fn + tn) / n};
        double MI = 0, Hp = 0, Ht = 0;
        for (int A = 0; A < 2; ++A) {
            if (PTrue[A] > 0) Ht -= PTrue[A] * std::log(PTrue[A]);
            if (PPred[A] > 0) Hp -= PPred[A] * std::log(PPred[A]);
            for (int B = 0; B < 2; ++B)
                if (Cell[A][B] > 0) MI += Cell[A][B] / n * std::log(Cell[A][B] / n / (PTrue[A] * PPred[B]));
        }
        const Vals Want{Tpr,      Q(fn, tp + fn),         Tnr,        Q(fp, tn + fp), Ppv,
                        Npv,      Q(tp, tp + fn + fp),    Q(2 * tp, 2 * tp + fn + fp), (tp + tn) / n,
                        Bm,       Mcc,                    2 * MI / (Hp + Ht + 1e-15)};
        const Vals Got = Scores(Ev);
        for (std::size_t I = 0; I < Want.size(); ++I) EXPECT_NEAR(Got[I], Want[I], 1e-12) << "score " << I;
    }
}

// ---------------------------------------------------------------- ROC, AUC and sweep

TEST(CFEvaluator, RocAndAucMatchBruteForceWithTiesAndNaN) {
    std::mt19937 Gen(2024);
    std::uniform_int_distribution<int> Level(0, 12), Coin(0, 99);
    for (int Round = 0; Round < 40; ++Round) {
        SCOPED_TRACE(Round);
        const std::size_t N = 2 + static_cast<std::size_t>(Round) * 7;
        Vals T(N), E(N);
        for (std::size_t I = 0; I < N; ++I) {
            T[I] = Coin(Gen) < 40 ? 2.5 : -1.0;
            const int L = Level(Gen);
            // Few levels, so ties abound; some NaN and infinite estimates.
            E[I] = L == 0 ? NaN : L == 1 ? -Inf : L == 2 ? Inf : (L - 6) * 0.25 + (T[I] > 0 ? 0.25 * (Round % 3) : 0);
        }
        T[0] = 2.5, T[1] = -1.0;  // both classes present
        TCFEvaluator Ev(nullptr);
        Load(Ev, T, E);
        const Optimum O = Optimize(Ev);
        ASSERT_EQ(O.Code, 0);
        const TDouble2DArray Want = BruteRoc(T, E, 0.75);
        ExpectSameRoc(O.Roc, Want);
        EXPECT_EQ(O.Best, FarthestRow(Want));
        EXPECT_NEAR(O.Auc, MannWhitneyAuc(T, E, 0.75), 1e-14);
        // The area and the curve do not depend on the order inside a tie.
        std::vector<std::size_t> Perm(N);
        for (std::size_t I = 0; I < N; ++I) Perm[I] = I;
        std::shuffle(Perm.begin(), Perm.end(), Gen);
        Vals T2(N), E2(N);
        for (std::size_t I = 0; I < N; ++I) T2[I] = T[Perm[I]], E2[I] = E[Perm[I]];
        TCFEvaluator Ev2(nullptr);
        Load(Ev2, T2, E2);
        const Optimum O2 = Optimize(Ev2);
        EXPECT_EQ(O2.Auc, O.Auc);
        EXPECT_EQ(O2.Best, O.Best);
        // The sorted pairs: estimates descending with NaN last, truths moved along.
        for (std::int32_t I = 1; I < static_cast<std::int32_t>(N); ++I)
            EXPECT_FALSE(Above(Ev.EstimData(I + 1), Ev.EstimData(I))) << I;
        Vals Pairs1, Pairs2;
        for (std::int32_t I = 1; I <= static_cast<std::int32_t>(N); ++I) {
            Pairs1.push_back(Key(Ev.EstimData(I)) * 10 + Ev.TrueData(I));
            Pairs2.push_back(Key(E[static_cast<std::size_t>(I - 1)]) * 10 + T[static_cast<std::size_t>(I - 1)]);
        }
        std::sort(Pairs1.begin(), Pairs1.end());
        std::sort(Pairs2.begin(), Pairs2.end());
        EXPECT_EQ(Pairs1, Pairs2);
    }
}

TEST(CFEvaluator, SweepMatchesLinearCountsAtEveryThreshold) {
    std::mt19937 Gen(77);
    std::normal_distribution<double> G(0, 1);
    for (int Round = 0; Round < 12; ++Round) {
        SCOPED_TRACE(Round);
        const std::size_t N = 50 + static_cast<std::size_t>(Round) * 40;
        Vals T(N), E(N);
        for (std::size_t I = 0; I < N; ++I) {
            T[I] = (I % 3 == 0) ? 1 : 0;
            E[I] = std::round((G(Gen) + T[I]) * (Round % 2 ? 4 : 1000)) / 8;
            if (Round >= 6 && I % 17 == 0) E[I] = NaN;
        }
        TCFEvaluator Ev(nullptr);
        Load(Ev, T, E);
        Optimum O = Optimize(Ev);
        ASSERT_EQ(O.Code, 0);
        // Oracle: every sweep threshold counted object by object, plateaus by hand.
        double Min = Inf, Max = -Inf;
        for (double X : E)
            if (!std::isnan(X)) Min = std::min(Min, X), Max = std::max(Max, X);
        struct Track {
            double Best = 0, Sum = 0, Cnt = 0, Out;
        } Tr[3] = {{0, 0, 0, -7}, {0, 0, 0, -7}, {0, 0, 0, -7}};
        const Vals Ts = SweepThresholds(Min, Max);
        for (double X : Ts) {
            double tp = 0, fp = 0, tn = 0, fn = 0;
            for (std::size_t I = 0; I < N; ++I) {
                const bool Pred = E[I] >= X, Pos = T[I] > 0.5;
                (Pos ? (Pred ? tp : fn) : (Pred ? fp : tn)) += 1;
            }
            const double Margins = (tp + fp) * (tp + fn) * (tn + fp) * (tn + fn);
            const double V[3] = {Margins == 0 ? 0 : (tp * tn - fp * fn) / std::sqrt(Margins), (tp + tn) / N,
                                 (tp + fn ? tp / (tp + fn) : 0) + (tn + fp ? tn / (tn + fp) : 0) - 1};
            for (int K = 0; K < 3; ++K) {
                if (V[K] > Tr[K].Best) Tr[K] = {V[K], X, 1, X};
                else if (V[K] == Tr[K].Best) Tr[K].Sum += X, Tr[K].Cnt += 1, Tr[K].Out = Tr[K].Sum / Tr[K].Cnt;
                else Tr[K].Sum = 0, Tr[K].Cnt = 0;
            }
        }
        EXPECT_DOUBLE_EQ(O.Mcc, Tr[0].Out);
        EXPECT_DOUBLE_EQ(O.Acc, Tr[1].Out);
        EXPECT_DOUBLE_EQ(O.Inf, Tr[2].Out);
        // The counts left behind are those of the last threshold, as CalcConfusionMatrix
        // counts them.
        const Conf Last = ConfOf(Ev);
        EXPECT_EQ(Last.Thresh, Ts.back());
        ASSERT_EQ(Ev.CalcConfusionMatrix(Last.Thresh), 0);
        EXPECT_EQ(ConfOf(Ev), Last);
    }
}

TEST(CFEvaluator, SweepBoundaries) {
    struct Case {
        const char* Name;
        Vals T, E;
        bool Tries;  // whether any threshold is tried
    };
    const std::vector<Case> Cases = {
        {"all equal", {0, 1, 0}, {2, 2, 2}, false},
        {"all NaN", {0, 1, 0}, {NaN, NaN, NaN}, false},
        {"step vanishes beside the threshold", {0, 1, 0, 1}, {1e16, 1e16 + 2, 1e16, 1e16 + 2}, true},
        {"infinite estimate", {0, 1, 0}, {-Inf, 3, 1}, true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TCFEvaluator Ev(nullptr);
        Load(Ev, C.T, C.E);
        Ev.CalcConfusionMatrix(123);
        const Conf Before = ConfOf(Ev);
        Optimum O;
        O.Mcc = 0.25, O.Acc = 0.5, O.Inf = 0.75;
        O.Code = Ev.OptimizeThresholds(O.Roc, O.Best, O.Auc, O.Mcc, O.Acc, O.Inf);
        ASSERT_EQ(O.Code, 0);
        if (!C.Tries) {
            EXPECT_EQ(Vals({O.Mcc, O.Acc, O.Inf}), Vals({0.25, 0.5, 0.75}));
            EXPECT_EQ(ConfOf(Ev), Before);
            EXPECT_EQ(O.Auc, 0.5);  // one run: the diagonal
            EXPECT_EQ(O.Roc[0].size(), 2u);
        } else {
            EXPECT_NE(ConfOf(Ev).Thresh, 123);
        }
    }
    // t + s = t: exactly one threshold is tried, min - 5 s.
    TCFEvaluator Ev(nullptr);
    Load(Ev, {0, 1}, {1e16, 1e16 + 2});
    Optimum O = Optimize(Ev);
    EXPECT_EQ(ConfOf(Ev), (Conf{1, 1, 0, 0, 1e16 - 5 * 0.02}));
    EXPECT_EQ(O.Acc, 1e16 - 5 * 0.02);
}

// ---------------------------------------------------------------- order, extremes, NData

TEST(CFEvaluator, SortOrderAndNaNHandling) {
    // Ties are moved as the comb passes from gap Trunc((n - 1) / 1.3) move them: with
    // estimates 1, 1, 2 the gap-1 passes give the truths 0 (third), 0 (first), 1 (second);
    // a first gap of 2 would leave 0, 1, 0.
    TCFEvaluator Ev(nullptr);
    Load(Ev, {0, 1, 0}, {1, 1, 2});
    ASSERT_EQ(Ev.CalcConfusionMatrix(0), 0);
    EXPECT_EQ((Vals{Ev.TrueData(1), Ev.TrueData(2), Ev.TrueData(3)}), (Vals{0, 0, 1}));

    // NaN estimates sort last and are never predicted positive, not even at -infinity.
    Load(Ev, {1, 0, 1, 0, 1}, {NaN, 0.5, NaN, -Inf, 2});
    ASSERT_EQ(Ev.CalcConfusionMatrix(-Inf), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{1, 1, 1, 2, -Inf}));  // -Inf - (-Inf) is NaN: negative
    EXPECT_EQ(Ev.EstimData(1), 2);
    EXPECT_TRUE(std::isnan(Ev.EstimData(4)) && std::isnan(Ev.EstimData(5)));
    // The sweep's range ignores NaN: every threshold lies within 5 steps of [0, 2].
    Load(Ev, {1, 0, 1, 0, 1}, {NaN, 0.5, NaN, 0, 2});
    const Optimum O = Optimize(Ev);
    for (double X : {O.Mcc, O.Acc, O.Inf}) {
        EXPECT_GE(X, -0.1);
        EXPECT_LT(X, 2.1);
    }
}

TEST(CFEvaluator, ExtremeTruthsAndLargeCounts) {
    // The literal midpoint sum overflows here; the halves do not.
    TCFEvaluator Ev(nullptr);
    Load(Ev, {1e308, 1.5e308, 1.5e308, 1e308}, {1, 2, 3, 0});
    ASSERT_EQ(Ev.CalcConfusionMatrix(1.5), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{2, 0, 2, 0, 1.5}));
    EXPECT_EQ(Ev.Accuracy(), 1);
    Optimum O = Optimize(Ev);
    ASSERT_EQ(O.Code, 0);
    EXPECT_EQ(O.Auc, 1);
    // And at the negative end.
    Load(Ev, {-1.5e308, -1e308, -1e308}, {0, 1, 2});
    ASSERT_EQ(Ev.CalcConfusionMatrix(0.5), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{2, 0, 1, 0, 0.5}));
}

TEST(CFEvaluator, MidpointRoundedOntoTheUpperTruth) {
    // 1 - 2^-53 and 1: the midpoint rounds to 1. The ROC classes take truths at or above
    // it (1 is positive); CalcConfusionMatrix, and so the sweep, only truths above it.
    const double Lo = 1 - 0x1p-53;
    const Vals T{Lo, 1, Lo, 1, 1}, E{0.1, 0.9, 0.4, 0.3, 0.7};
    ASSERT_EQ((Lo + 1) / 2, 1.0);
    TCFEvaluator Ev(nullptr);
    Load(Ev, T, E);
    const Optimum O = Optimize(Ev);
    ASSERT_EQ(O.Code, 0);
    ExpectSameRoc(O.Roc, BruteRoc(T, E, 1.0));
    EXPECT_NEAR(O.Auc, MannWhitneyAuc(T, E, 1.0), 1e-15);
    const Conf Last = ConfOf(Ev);
    EXPECT_EQ(Last.tp + Last.fn, 0);
    ASSERT_EQ(Ev.CalcConfusionMatrix(0.35), 0);
    EXPECT_EQ(ConfOf(Ev), (Conf{0, 3, 2, 0, 0.35}));
}

TEST(CFEvaluator, GrowingNDataKeepsStatesButNotAStaleOrder) {
    // Sorted negative estimates, then NData appends objects of estimate 0: the counts stay
    // readable (the state is kept) but the ROC walks the true order.
    TCFEvaluator Ev(nullptr);
    Load(Ev, {1, 0, 1, 0}, {-1, -2, -3, -4});
    ASSERT_EQ(Ev.CalcConfusionMatrix(-2.5), 0);
    Ev.SetNData(6);
    Ev.SetTrueData(5, 1);
    EXPECT_EQ(Ev.TpRate(), 0.5);
    const Optimum O = Optimize(Ev);
    ASSERT_EQ(O.Code, 0);
    const Vals T{1, 0, 1, 0, 1, 0}, E{-1, -2, -3, -4, 0, 0};
    EXPECT_NEAR(O.Auc, MannWhitneyAuc(T, E, 0.5), 1e-15);
    ExpectSameRoc(O.Roc, BruteRoc(T, E, 0.5));
}

}  // namespace
