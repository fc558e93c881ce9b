// TDataTable range statistics: every statistic against a brute-force walk over a random
// table, the documented edge values, and the column and attribute queries.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace qmr;

constexpr int NC = 5, NR = 7;
const TMScaleType Scales[NC] = {TMScaleType::stInterval, TMScaleType::stNominal, TMScaleType::stRatio,
                                TMScaleType::stOrdinal, TMScaleType::stUnknown};

// A random table whose values are multiples of 0.25 (sums and squares stay exact).
struct DataTableStatsRandom : ::testing::Test {
    TDataTable T{nullptr};
    void SetUp() override {
        std::mt19937 Gen(12345);
        const TCellState States[] = {0, 0, 0, 0x01, 0x02, 0x04, 0x20, 0x40, 0x80, 0xC0, 0x42, 0x41, 0x60};
        T.Resize(NC, NR);
        for (int C = 1; C <= NC; ++C) {
            T.SetMScaleType(C, Scales[C - 1]);
            for (int R = 1; R <= NR; ++R) {
                T.SetElem(C, R, static_cast<int>(Gen() % 81) * 0.25 - 10);
                T.SetCellState(C, R, States[Gen() % std::size(States)]);
            }
        }
    }
    // The values of the cells of a range (its own range rule) that pass Keep(value, state, scale).
    template <class Fn> std::vector<double> Pick(int LC, int LR, int HC, int HR, Fn Keep, bool AsRead = false) const {
        auto Norm = [](int& Lo, int& Hi, int N) {
            if (Lo == 0 && Hi == 0) Lo = 1, Hi = N;
            Lo = std::clamp(Lo, 1, N);
            Hi = std::clamp(Hi, 1, N);
            if (Hi < Lo) std::swap(Lo, Hi);
        };
        Norm(LC, HC, NC);
        Norm(LR, HR, NR);
        std::vector<double> V;
        for (int C = LC; C <= HC; ++C)
            for (int R = LR; R <= HR; ++R) {
                const double X = static_cast<double>(T.NumericData()->Elem(C, R));
                if (Keep(X, T.CellState(C, R), T.MScaleType(C)))
                    V.push_back(AsRead ? static_cast<double>(T.Elem(C, R)) : X);
            }
        return V;
    }
};

bool Metric(TMScaleType S) { return S == TMScaleType::stInterval || S == TMScaleType::stRatio; }
bool Valid(TCellState S) { return (S & 3) == 0; }

double Sum(const std::vector<double>& V, bool Squares = false) {
    double S = 0;
    for (double X : V) S += Squares ? X * X : X;
    return S;
}

// The classical median: the middle value, or the mean of the two middle ones; 0 for none.
double Median(std::vector<double> V) {
    if (V.empty()) return 0;
    std::sort(V.begin(), V.end());
    const std::size_t H = V.size() / 2;
    return V.size() % 2 ? V[H] : (V[H - 1] + V[H]) / 2;
}

TEST_F(DataTableStatsRandom, StatisticsAgreeWithABruteForceWalk) {
    const int Ranges[][4] = {{0, 0, 0, 0}, {2, 3, 4, 6}, {4, 6, 2, 3}, {-3, 9, 0, 2}, {3, 0, 3, 0}, {9, 9, 9, 9}};
    for (const auto& G : Ranges)
        for (TCellState M : {0x40, 0x80, 0x03, 0xFF, 0x04}) {
            const int LC = G[0], LR = G[1], HC = G[2], HR = G[3];
            SCOPED_TRACE(testing::Message() << LC << "," << LR << "," << HC << "," << HR << " mask " << +M);
            auto Size = [](const std::vector<double>& V) { return static_cast<int>(V.size()); };
            const auto VNum = Pick(LC, LR, HC, HR, [](double, TCellState S, TMScaleType Sc) {
                return Valid(S) && Metric(Sc);
            });
            const auto VMark = Pick(LC, LR, HC, HR, [M](double, TCellState S, TMScaleType Sc) {
                return Valid(S) && Metric(Sc) && (S & M & 0xFC) != 0;
            });
            const auto VValidMark = Pick(LC, LR, HC, HR, [M](double, TCellState S, TMScaleType) {
                return Valid(S) && (S & M & 0xFC) != 0;
            });
            const auto VValid = Pick(LC, LR, HC, HR, [](double, TCellState S, TMScaleType) { return Valid(S); }, true);
            auto Bits = [&](TCellState B) {
                return Size(Pick(LC, LR, HC, HR, [B](double, TCellState S, TMScaleType) { return (S & B) != 0; }));
            };
            int N = -1, N2 = -1;
            EXPECT_EQ(T.CountNumCells(LC, LR, HC, HR), Size(VNum));
            EXPECT_EQ(T.CountValidCells(LC, LR, HC, HR), Size(VValid));
            EXPECT_EQ(T.CountEmptyCells(LC, LR, HC, HR), Bits(0x02));
            EXPECT_EQ(T.CountImputedCells(LC, LR, HC, HR), Bits(0x20));
            EXPECT_EQ(T.SumOfNumCells(LC, LR, HC, HR, N), Sum(VNum));
            EXPECT_EQ(T.SumOfSquaredNumCells(LC, LR, HC, HR, N2), Sum(VNum, true));
            EXPECT_EQ(N * 1000 + N2, Size(VNum) * 1001);
            EXPECT_EQ(T.SumOfMarkedCells(LC, LR, HC, HR, M, N), Sum(VMark));
            EXPECT_EQ(T.SumOfSquaredMarkedCells(LC, LR, HC, HR, M, N2), Sum(VMark, true));
            EXPECT_EQ(N * 1000 + N2, Size(VMark) * 1001);

            for (bool Marked : {false, true}) {
                const auto& V = Marked ? VMark : VNum;
                // Mean and sample variance (1 below three values).
                double Mean = -1, Var = -1;
                EXPECT_EQ(Marked ? T.MeanVarOfMarkedCells(LC, LR, HC, HR, M, Mean, Var)
                                 : T.MeanVarOfNumCells(LC, LR, HC, HR, Mean, Var),
                          Size(V));
                const double WantMean = V.empty() ? 0 : Sum(V) / Size(V);
                double Ss = 0;
                for (double X : V) Ss += (X - WantMean) * (X - WantMean);
                EXPECT_NEAR(Mean, WantMean, 1e-12);
                EXPECT_NEAR(Var, Size(V) <= 2 ? 1.0 : Ss / (Size(V) - 1), 1e-12);
                // The second quartile and the 50th percentile are both the median.
                double Q1, Q2, Q3;
                EXPECT_TRUE(Marked ? T.QuartilesOfMarkedCells(LC, LR, HC, HR, Q1, Q2, Q3, M, N)
                                   : T.QuartilesOfNumCells(LC, LR, HC, HR, Q1, Q2, Q3, N));
                const auto P50 = Marked ? T.PercentileOfMarkedCells(50, LC, LR, HC, HR, M, N2)
                                        : T.PercentileOfNumCells(50, LC, LR, HC, HR, N2);
                EXPECT_EQ(N * 1000 + N2, Size(V) * 1001);
                EXPECT_EQ(Q2, Median(V));
                EXPECT_EQ(static_cast<double>(P50), Median(V));
                EXPECT_TRUE(Size(V) < 3 || (Q1 <= Q2 && Q2 <= Q3));  // n = 2 puts Q3 at x[1]
            }

            // Extremes of three filters (unrounded, marked of any scale, rounded as read).
            const std::vector<double>* Sets[] = {&VNum, &VValidMark, &VValid};
            for (int K = 0; K < 3; ++K) {
                double Lo, Hi;
                const int Got = K == 0   ? T.MinMaxOfNumCells(LC, LR, HC, HR, Lo, Hi)
                                : K == 1 ? T.MinMaxOfMarkedCells(LC, LR, HC, HR, M, Lo, Hi)
                                         : T.MinMaxOfValidCells(LC, LR, HC, HR, Lo, Hi);
                const auto& V = *Sets[K];
                EXPECT_EQ(Got, Size(V));
                EXPECT_EQ(Lo, V.empty() ? uc_MaxReal : *std::min_element(V.begin(), V.end()));
                EXPECT_EQ(Hi, V.empty() ? -uc_MaxReal : *std::max_element(V.begin(), V.end()));
            }

            // Copies of the valid cells carrying a bit of the mask (255: all valid cells).
            TVector Vec(nullptr);
            const auto Want = Pick(LC, LR, HC, HR, [M](double, TCellState S, TMScaleType) {
                return Valid(S) && (M == 255 || (S & M) != 0);
            });
            EXPECT_EQ(T.CopyCellsToVector(LC, LR, HC, HR, M, &Vec), Size(Want));
            std::vector<double> Got;
            for (int I = 1; I <= Vec.NrOfElem(); ++I) Got.push_back(static_cast<double>(Vec.Elem(I)));
            if (!Want.empty()) {
                EXPECT_EQ(Got, Want);
            }
        }
}

TEST_F(DataTableStatsRandom, StateQueriesAndFills) {
    for (int R = 0; R <= NR + 1; ++R) {
        TCellState Or = 0;
        int N40 = 0;
        for (int C = 1; C <= NC; ++C) {
            Or |= T.CellState(C, R);
            N40 += (T.CellState(C, R) & 0x42) != 0;
        }
        for (TCellState M : {0x40, 0x80, 0x03, 0xFF, 0x04}) EXPECT_EQ(T.IfRowHasCellState(R, M), (Or & M) != 0) << R;
        EXPECT_EQ(T.CountMarkedCellsInRow(R, 0x42), N40);
    }
    for (int C = 0; C <= NC + 1; ++C) {
        int N = 0;
        for (int R = 1; R <= NR; ++R) N += (T.CellState(C, R) & 0x02) != 0;
        EXPECT_EQ(T.CountMarkedCellsInColumn(C, 0x02), N);
        EXPECT_EQ(T.IfColHasCellState(C, 0x02), N > 0);
    }
    EXPECT_TRUE(T.IfAnyCellHasCellState(0, 0, 0, 0, 0x01));
    EXPECT_FALSE(T.IfAnyCellHasCellState(0, 0, 0, 0, 0x10));
    int Want = 0;
    for (int C = 1; C <= NC; ++C)
        for (int R = 1; R <= NR; ++R) Want += (T.CellState(C, R) & 0x80) != 0;
    int Changes = 0;
    T.OnChange = [&](TObject*) { ++Changes; };
    EXPECT_EQ(T.FillMarkedCells(99, 0x80), Want);
    EXPECT_EQ(Changes, Want + 1);
    for (int C = 1; C <= NC; ++C)
        for (int R = 1; R <= NR; ++R)
            if (T.CellState(C, R) & 0x80) {
                EXPECT_EQ(T.NumericData()->Elem(C, R), 99);
            }
}

TEST(DataTableStats, DocumentedValues) {
    TDataTable T(nullptr);
    T.SetName("Tab");
    auto Column = [&T](std::vector<double> V, std::vector<TCellState> S = {}) {
        T.Resize(1, static_cast<int>(V.size()));
        for (int R = 1; R <= T.NrOfRows(); ++R) {
            T.SetElem(1, R, V[R - 1]);
            T.SetCellState(1, R, S.empty() ? 0 : S[R - 1]);
        }
    };
    int N = -1;
    double Mean, Var, Q1, Q2, Q3;
    Column({4, 6});
    EXPECT_EQ(T.MeanVarOfNumCells(0, 0, 0, 0, Mean, Var), 2);
    EXPECT_EQ(Mean * 10 + Var, 51);  // mean 5, variance 1 below three values
    EXPECT_TRUE(T.QuartilesOfNumCells(0, 0, 0, 0, Q1, Q2, Q3, N));
    EXPECT_EQ(std::vector<double>({Q1, Q2, Q3}), std::vector<double>({4, 5, 4}));
    Column({1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5});  // variance 2.5 needs a stable method
    T.MeanVarOfNumCells(0, 0, 0, 0, Mean, Var);
    EXPECT_EQ(Var, 2.5);
    Column({7, 1, 3, 5, 9});
    T.QuartilesOfNumCells(0, 0, 0, 0, Q1, Q2, Q3, N);
    EXPECT_EQ(std::vector<double>({Q1, Q2, Q3}), std::vector<double>({2, 5, 8}));
    // Percentiles interpolate on n - 1 (numpy.percentile([1,2,3,4], 50) = 2.5).
    Column({4, 3, 2, 1});
    for (auto [P, Want] : {std::pair{50.0, 2.5}, {150.0, 4.0}, {-5.0, 1.0}, {std::nan(""), 1.0}, {10.0, 1.3}})
        EXPECT_DOUBLE_EQ(static_cast<double>(T.PercentileOfNumCells(P, 0, 0, 0, 0, N)), Want) << P;
    // Geometric and harmonic means; no qualifying cell gives 0 with a count of 0.
    Column({2, 0, 8});
    EXPECT_EQ(T.GeometricMeanOfNumCells(0, 0, 0, 0, N), 0);
    EXPECT_EQ(N, 2);
    Column({2, 8, -1}, {0, 0, 0x02});
    EXPECT_NEAR(static_cast<double>(T.GeometricMeanOfNumCells(0, 0, 0, 0, N)), 4, 1e-15);
    Column({1, 2, 4});
    EXPECT_NEAR(static_cast<double>(T.HarmonicMeanOfNumCells(0, 0, 0, 0, N)), 12.0 / 7, 1e-15);
    Column({1, 2}, {2, 1});
    EXPECT_EQ(T.GeometricMeanOfNumCells(0, 0, 0, 0, N) + T.HarmonicMeanOfNumCells(0, 0, 0, 0, N), 0);
    EXPECT_EQ(N, 0);
    for (auto [V, Harmonic, Reason] : {std::tuple{std::vector<double>{1, -2}, false, "negative argument passed to GeometricMean"},
                                        {{1, 0}, true, "negative or zero argument passed to HarmonicMean"},
                                        {{-1}, true, "negative or zero argument passed to HarmonicMean"}}) {
        Column(V);
        try {
            Harmonic ? T.HarmonicMeanOfNumCells(0, 0, 0, 0, N) : T.GeometricMeanOfNumCells(0, 0, 0, 0, N);
            ADD_FAILURE() << Reason;
        } catch (const EQMRMatrixError& E) {
            EXPECT_EQ(E.what(), "Component \"Tab\": " + std::string(Reason));
        }
    }
    // CopyCellsToVector: nil does nothing; no qualifying cell keeps the range size.
    EXPECT_EQ(T.CopyCellsToVector(0, 0, 0, 0, 255, nullptr), 0);
    TVector V(nullptr);
    Column({1, 2, 3}, {2, 2, 2});
    EXPECT_EQ(T.CopyCellsToVector(0, 0, 0, 0, 255, &V), 0);
    EXPECT_EQ(V.NrOfElem(), 3);
}

TEST(DataTableStats, EmptyTablesHaveNoCells) {
    for (auto [C, R] : {std::pair{0, 0}, {3, 0}, {0, 4}}) {
        TDataTable T(nullptr);
        T.Resize(C, R);
        int N = -1;
        double Lo, Hi, Q1, Q2, Q3;
        EXPECT_EQ(T.CountValidCells(0, 0, 0, 0) + T.CountEmptyCells(1, 1, 1, 1), 0);
        EXPECT_EQ(T.SumOfNumCells(0, 0, 0, 0, N), 0);
        EXPECT_EQ(N, 0);
        EXPECT_EQ(T.MinMaxOfValidCells(0, 0, 0, 0, Lo, Hi), 0);
        EXPECT_EQ(Lo, uc_MaxReal);
        T.QuartilesOfNumCells(0, 0, 0, 0, Q1, Q2, Q3, N);
        EXPECT_EQ(Q1 + Q2 + Q3 + N, 0);
        EXPECT_FALSE(T.IfAnyCellHasCellState(0, 0, 0, 0, 0xFF));
        int Ix = -1;
        EXPECT_EQ(T.MaxRowAttrib(0, 0, Ix), 0);
        EXPECT_EQ(Ix, R == 0 ? 0 : 1);
        EXPECT_EQ(T.FindHighestMLevel(0, 0), C == 0 ? TMScaleType::stNominal : TMScaleType::stInterval);
        EXPECT_EQ(T.FindLowestMLevel(0, 0), C == 0 ? TMScaleType::stRatio : TMScaleType::stInterval);
        EXPECT_EQ(T.IsConstantColumn(1), C > 0);
    }
}

TEST(DataTableStats, ColumnTests) {
    struct Case {
        std::vector<double> V;
        bool Dich;
        double V1, V2;
        bool Const;
    };
    for (const Case& K : std::vector<Case>{{{5, 5, 3, 5}, true, 3, 5, false},
                                           {{1, 2, 3}, false, 0, 0, false},
                                           {{1, 2, 1, 2, 3}, false, 0, 0, false},
                                           {{-0.0, 0.0, 0.0}, false, 0, 0, true},
                                           {{5, 5}, false, 5, 5, true},
                                           {{9, 2}, true, 2, 9, false},
                                           {{7}, false, 0, 0, true}}) {
        TDataTable T(nullptr);
        T.Resize(2, static_cast<int>(K.V.size()));
        T.SetMScaleType(1, TMScaleType::stNominal);  // scale and states do not matter
        for (int R = 1; R <= T.NrOfRows(); ++R) {
            T.SetElem(1, R, K.V[R - 1]);
            T.SetCellState(1, R, 0x02);
        }
        double V1 = -1, V2 = -1;
        EXPECT_EQ(T.CheckDichotomousColumn(1, V1, V2), K.Dich) << K.V[0];
        if (K.Dich) {
            EXPECT_EQ(V1 * 100 + V2, K.V1 * 100 + K.V2);
        }
        EXPECT_EQ(T.IsConstantColumn(1), K.Const) << K.V[0];
        EXPECT_FALSE(T.IsConstantColumn(3));
        EXPECT_FALSE(T.CheckDichotomousColumn(3, V1, V2));
    }
}

TEST(DataTableStats, AttributesAndMeasurementLevels) {
    TDataTable T(nullptr);
    T.Resize(4, 6);
    const int Att[] = {300, -5, 70000, 300, -5, 0};
    for (int R = 1; R <= 6; ++R) T.SetRowAttrib(R, Att[R - 1]);
    // "value@index", the first occurrence winning.
    auto At = [&T](auto Fn, int First, int Last) {
        int Ix = -1;
        const int V = (T.*Fn)(First, Last, Ix);
        return std::to_string(V) + "@" + std::to_string(Ix);
    };
    EXPECT_EQ(At(&TDataTable::MaxRowAttrib, 0, 0), "70000@3");
    EXPECT_EQ(At(&TDataTable::MinRowAttrib, 0, 0), "-5@2");
    EXPECT_EQ(At(&TDataTable::MaxRowAttrib, 6, 4), "300@4");
    EXPECT_EQ(T.RowAttribLevels(), 4);  // attributes outside 0..255 count exactly
    T.SetColAttrib(2, 256);
    EXPECT_EQ(T.ColAttribLevels(), 2);
    EXPECT_EQ(At(&TDataTable::MinColAttrib, 2, 4), "0@3");
    T.SetMScaleType(1, TMScaleType::stUnknown);
    T.SetMScaleType(2, TMScaleType::stUnknown);
    T.SetMScaleType(3, TMScaleType::stOrdinal);
    T.SetMScaleType(4, TMScaleType::stRatio);
    EXPECT_EQ(T.FindHighestMLevel(1, 2), TMScaleType::stNominal);
    EXPECT_EQ(T.FindLowestMLevel(1, 2), TMScaleType::stUnknown);
    EXPECT_EQ(T.FindHighestMLevel(0, 0), TMScaleType::stRatio);
    EXPECT_EQ(T.FindLowestMLevel(3, 9), TMScaleType::stOrdinal);
}

}  // namespace
