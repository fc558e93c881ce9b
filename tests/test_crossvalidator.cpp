// TCrossValidator: setup errors, folds and progress seen by a scripted host, leave-one-out
// PRESS against its closed form, confusion rates, aborts, failing and throwing hosts,
// borrowed matrices.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace {

using qmr::TCrossValidator;
using qmr::TDoubleArray;
using qmr::TIntArray;
using qmr::TMatrix;
using Rows = std::vector<std::int32_t>;
using Reals = std::vector<double>;
using Sizes = std::vector<std::size_t>;
using CellFn = std::function<double(std::int32_t Col, std::int32_t Row)>;
using qmr::test::FillCells;

// A host that records its requests. XMat column 1 holds the row number, so every apply
// request names its row; it checks that no model predicts a row it was trained on and
// that Response arrives as YMat's columns of 0.
struct Host {
    TCrossValidator Cv{nullptr};
    std::vector<TIntArray> Train;  // per successful model
    Rows CreatePct, ApplyPct, Applied;
    Sizes Folds;
    std::function<bool(std::size_t Request)> Succeeds = [](std::size_t) { return true; };
    std::function<void(std::int32_t Row, const TIntArray& Train, TDoubleArray& Resp)> Predict = [](auto, auto&, auto&) {};

    Host(std::int32_t NRow, std::int32_t NY = 1, const CellFn& Y = [](auto, auto) { return 0.0; }) {
        FillCells(*Cv.XMat(), 2, NRow, [](std::int32_t C, std::int32_t R) { return C == 1 ? R : -R; });
        FillCells(*Cv.YMat(), NY, NRow, Y);
        Cv.OnModelCreateRequest = [this](qmr::TObject* S, std::int32_t Pct, const TIntArray& List, bool& Ok) {
            EXPECT_TRUE(S == &Cv && Cv.IsExecuting() && !Ok && std::is_sorted(List.begin(), List.end()));
            Ok = Succeeds(CreatePct.size());
            CreatePct.push_back(Pct);
            if (Ok) Train.push_back(List), Folds.push_back(0);
        };
        Cv.OnModelApplyRequest = [this](qmr::TObject*, std::int32_t Pct, const TDoubleArray& X, TDoubleArray& Resp) {
            const auto Row = static_cast<std::int32_t>(X.at(0));
            EXPECT_FALSE(std::binary_search(Train.back().begin(), Train.back().end(), Row)) << "row seen in training";
            EXPECT_EQ(Resp, TDoubleArray(std::size_t(Cv.YMat()->NrOfColumns()), 0.0));
            ApplyPct.push_back(Pct), Applied.push_back(Row), ++Folds.back();
            Predict(Row, Train.back(), Resp);
        };
    }
    // Every row predicted once, each model trained on all the other rows.
    void ExpectEveryRowOnce(std::int32_t NRow) const {
        Rows Sorted = Applied, All;
        std::sort(Sorted.begin(), Sorted.end());
        for (std::int32_t R = 1; R <= NRow; ++R) All.push_back(R);
        EXPECT_EQ(Sorted, All);
        for (std::size_t F = 0; F < Folds.size(); ++F) EXPECT_EQ(Train[F].size() + Folds[F], std::size_t(NRow));
    }
};

TEST(CrossValidator, SetupErrorsInOrderChangeNothing) {
    TMatrix Short(nullptr);
    Short.Resize(1, 5);
    const std::pair<const char*, std::function<void(TCrossValidator&)>> Cases[] = {
        {"TCrossValidator.Execute: data matrix not assigned", [](auto& Cv) { Cv.SetXMat(nullptr), Cv.OnModelApplyRequest = nullptr; }},
        {"TCrossValidator.Execute: data matrix not assigned", [](auto& Cv) { Cv.SetYMat(nullptr); }},
        {"TCrossValidator.Execute: number of rows of XMat and YMat not equal",
         [&](auto& Cv) { Cv.SetYMat(&Short), Cv.OnModelApplyRequest = nullptr; }},
        {"TCrossValidator: OnModelApplyRequest event is not assigned",
         [](auto& Cv) { Cv.OnModelApplyRequest = nullptr, Cv.OnModelCreateRequest = nullptr; }},
        {"TCrossValidator: OnModelCreateRequest event is not assigned", [](auto& Cv) { Cv.OnModelCreateRequest = nullptr; }},
        {"TCrossValidator.Execute: data matrix is empty", [](auto& Cv) { Cv.XMat()->Resize(2, 0), Cv.YMat()->Resize(1, 0); }},
    };
    for (const auto& [Msg, Spoil] : Cases) {
        Host H(6);
        H.Cv.SetSizeTestSet(50);
        Spoil(H.Cv);
        EXPECT_EQ(qmr::test::RaisedMessage<qmr::EQMRStatisError>([&] { H.Cv.Execute(); }), Msg);
        EXPECT_EQ((Reals{double(H.Cv.IsExecuting()), double(H.Cv.SizeTestSet()), H.Cv.TPRate(1)}), (Reals{0, 50, -1}));
        EXPECT_TRUE(H.CreatePct.empty());
    }
}

TEST(CrossValidator, FoldsAndProgress) {
    // PercentDone is 100 a / NRow rounded half to even, a the rows applied so far (for a
    // create request: before its fold). With 40 rows 57.5 and 29.5 are exact halves that
    // (a / NRow) * 100 in floating point misses.
    const auto Percent = [](std::size_t A, std::size_t NRow) {
        const std::size_t Q = 100 * A / NRow, Twice = 2 * (100 * A % NRow);
        return std::int32_t(Q + (Twice > NRow || (Twice == NRow && Q % 2 == 1)));
    };
    const struct { std::int32_t NRow, Size, SizeAfter; Sizes Folds; } Cases[] = {
        {10, 3, 3, {3, 3, 3, 1}}, {10, 50, 6, {6, 4}}, {8, 1, 1, Sizes(8, 1)}, {1, 2, 1, {1}}, {40, 1, 1, Sizes(40, 1)},
        {200, 1, 1, Sizes(200, 1)},
    };
    for (const auto& C : Cases) {
        Host H(C.NRow);
        H.Cv.SetSizeTestSet(C.Size);
        EXPECT_TRUE(H.Cv.Execute());
        EXPECT_EQ(H.Cv.SizeTestSet(), C.SizeAfter);
        EXPECT_EQ(H.Folds, C.Folds);
        Rows CreatePct, ApplyPct;
        std::size_t A = 0;
        for (std::size_t F : C.Folds) {
            CreatePct.push_back(Percent(A, std::size_t(C.NRow)));
            for (std::size_t I = 0; I < F; ++I) ApplyPct.push_back(Percent(++A, std::size_t(C.NRow)));
        }
        EXPECT_EQ(H.CreatePct, CreatePct) << C.NRow;
        EXPECT_EQ(H.ApplyPct, ApplyPct) << C.NRow;
        H.ExpectEveryRowOnce(C.NRow);
    }
    // The first fold of 2 rows: two draws Random(NRow) + 1, the second moved on to the
    // next free row (after NRow comes 1) when taken.
    int Wrapped = 0;
    for (std::int32_t Seed = 1; Seed <= 60; ++Seed) {
        const std::int32_t NRow = 3 + Seed % 3;
        qmr::RandSeed = Seed;
        const std::int32_t R1 = qmr::Random(NRow) + 1, R2 = qmr::Random(NRow) + 1;
        const std::int32_t Second = R2 != R1 ? R2 : R1 == NRow ? 1 : R1 + 1;
        Wrapped += R2 == R1 && R1 == NRow;
        Host H(NRow);
        qmr::RandSeed = Seed;
        H.Cv.Execute();
        EXPECT_EQ(Rows(H.Applied.begin(), H.Applied.begin() + 2), (Rows{std::min(R1, Second), std::max(R1, Second)}));
    }
    EXPECT_GT(Wrapped, 0);
}

TEST(CrossValidator, LeaveOneOutPressOfTheTrainingMean) {
    // Predicting each row by the mean of the others misses by (y - ybar) n / (n - 1), so
    // PRESS = n^2 / (n - 1)^2 * sum (y - ybar)^2.
    const std::int32_t N = 23;
    const CellFn Y = [](std::int32_t C, std::int32_t R) { return C == 1 ? std::sin(R * 1.7) * 10 : 1e6 + R * R; };
    Host H(N, 2, Y);
    H.Predict = [&](std::int32_t, const TIntArray& Train, TDoubleArray& Resp) {
        for (std::int32_t C = 1; C <= 2; ++C)
            for (std::int32_t R : Train) Resp[std::size_t(C - 1)] += Y(C, R) / double(Train.size());
    };
    H.Cv.SetSizeTestSet(1);
    ASSERT_TRUE(H.Cv.Execute());
    for (std::int32_t C = 1; C <= 2; ++C) {
        double Mean = 0, Ss = 0;
        for (std::int32_t R = 1; R <= N; ++R) Mean += Y(C, R) / N;
        for (std::int32_t R = 1; R <= N; ++R) Ss += (Y(C, R) - Mean) * (Y(C, R) - Mean);
        const double Rmsep = std::sqrt(double(N) * N / ((N - 1.0) * (N - 1.0)) * Ss / N);
        EXPECT_NEAR(H.Cv.RMSEP(C), Rmsep, 1e-9 * Rmsep);
    }
}

TEST(CrossValidator, ConfusionRatesAndResults) {
    // Per row: responses and predictions of three columns. Positive only for y = 1
    // exactly; a hit needs |e| < 0.5.
    const double Y[5][3] = {{1, 1, 0.9999}, {0, 1, 0}, {1, 0, 2}, {0, 0, 1}, {1, 1, 1}};
    const double P[5][3] = {{1, 0.6, 0.9999}, {0, 0.4, 0.5}, {1, -0.49, 2.4}, {0, 0.5, 1.5}, {1, 1.5, 0.5000001}};
    Host H(5, 3, [&](std::int32_t C, std::int32_t R) { return Y[R - 1][C - 1]; });
    H.Predict = [&](std::int32_t Row, const TIntArray&, TDoubleArray& Resp) { std::copy_n(P[Row - 1], 3, Resp.begin()); };
    ASSERT_TRUE(H.Cv.Execute());
    double Press[4] = {};
    for (int R = 0; R < 5; ++R)
        for (int C = 0; C < 3; ++C) Press[C] += (P[R][C] - Y[R][C]) * (P[R][C] - Y[R][C]);
    // Column 1 exact; 2: TP 1 FN 2 TN 1 FP 1; 3: TP 1 FN 1 TN 2 FP 1; 4 is outside.
    const double Want[4][2] = {{1, 0}, {1.0 / 3, 0.5}, {0.5, 1.0 / 3}, {0, 1}};
    for (std::int32_t C = 1; C <= 4; ++C) {
        EXPECT_DOUBLE_EQ(H.Cv.RMSEP(C), std::sqrt(Press[C - 1] / 5)) << C;
        EXPECT_EQ((Reals{H.Cv.TPRate(C), H.Cv.FPRate(C)}), (Reals{Want[C - 1][0], Want[C - 1][1]})) << C;
    }
    // A host that shrinks Response: the removed slot reads 0. No negatives: FPRate 1.
    Host S(6, 2, [](std::int32_t C, std::int32_t R) { return C == 1 ? 1.0 : 2.0 + R; });
    S.Predict = [](std::int32_t, const TIntArray&, TDoubleArray& Resp) { Resp.assign(1, 1.0); };
    ASSERT_TRUE(S.Cv.Execute());
    EXPECT_EQ((Reals{S.Cv.RMSEP(1), S.Cv.TPRate(1), S.Cv.FPRate(1)}), (Reals{0, 1, 1}));
    EXPECT_DOUBLE_EQ(S.Cv.RMSEP(2), std::sqrt((9.0 + 16 + 25 + 36 + 49 + 64) / 6));
    // A SizeTestSet write stores at least 1 and voids the results; without XMat, RMSEP -1.
    S.Cv.SetSizeTestSet(0);
    EXPECT_EQ((Reals{double(S.Cv.SizeTestSet()), S.Cv.RMSEP(1), S.Cv.TPRate(2), S.Cv.FPRate(2), S.Cv.FPRate(3)}),
              (Reals{1, -1, -1, -1, 1}));
    S.Cv.SetXMat(nullptr);
    EXPECT_EQ(S.Cv.RMSEP(3), -1);
}

TEST(CrossValidator, AbortsFailuresAndThrowingHosts) {
    const auto Always = [](std::size_t) { return true; };
    const auto Never = [](std::size_t) { return false; };
    const struct {
        std::size_t AbortAtCheck;  // 0: never
        std::function<bool(std::size_t)> Succeeds;
        bool Throws, Result;
        Sizes CreatesAppliesChecks;
    } Cases[] = {
        {4, Always, false, false, {2, 4, 4}},                                       // ends after the current row
        {0, [](std::size_t R) { return R != 0 && R != 2; }, false, true, {5, 9, 11}},  // failed folds drawn again
        {0, Never, false, false, {9, 0, 9}},                                        // NRow failures in a row
        {1, Never, false, false, {1, 0, 1}},                                        // asked after a failure
        {0, Always, true, false, {1, 1, 0}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(&C - Cases);
        Host H(9, 1, [](auto, std::int32_t R) { return R % 2; });
        H.Succeeds = C.Succeeds;
        if (C.Throws) H.Predict = [](auto, auto&, auto&) { throw std::runtime_error("host"); };
        std::size_t Checks = 0;
        H.Cv.OnCheckAbort = [&](qmr::TObject*, bool& Abort) { Abort = ++Checks == C.AbortAtCheck; };
        H.Cv.SetSizeTestSet(3);
        if (C.Throws) {
            EXPECT_THROW(H.Cv.Execute(), std::runtime_error);
        } else {
            EXPECT_EQ(H.Cv.Execute(), C.Result);
        }
        EXPECT_FALSE(H.Cv.IsExecuting());
        EXPECT_EQ((Sizes{H.CreatePct.size(), H.Applied.size(), Checks}), C.CreatesAppliesChecks);
        // Completed: predictions of 0 miss the five rows of y = 1. Otherwise all -1.
        const Reals Want = C.Result ? Reals{std::sqrt(5.0 / 9), 0, 0} : Reals(3, -1);
        EXPECT_EQ((Reals{H.Cv.RMSEP(1), H.Cv.TPRate(1), H.Cv.FPRate(1)}), Want);
        if (C.Result) H.ExpectEveryRowOnce(9);
    }
}

TEST(CrossValidator, BorrowedMatricesAreNeverFreed) {
    auto X = std::make_unique<TMatrix>(nullptr), Y = std::make_unique<TMatrix>(nullptr);
    FillCells(*X, 1, 4, [](auto, std::int32_t R) { return R; });
    FillCells(*Y, 1, 4, [](auto, auto) { return 1.0; });
    {
        Host H(1);
        TMatrix* Own = H.Cv.XMat();
        H.Cv.SetXMat(X.get());
        H.Cv.SetYMat(Y.get());
        H.Predict = [](auto, auto&, TDoubleArray& R) { R[0] = 1; };
        ASSERT_TRUE(H.Cv.Execute());
        EXPECT_EQ(H.Cv.TPRate(1), 1);
        H.Cv.SetXMat(Own);  // still alive
        EXPECT_EQ(Own->NrOfRows(), 1);
    }
    // The borrowed matrices outlive the validator (AddressSanitizer sees any free).
    EXPECT_EQ(X->Elem(1, 4) + Y->Elem(1, 4), 5);
    // A borrowed matrix destroyed first leaves nil behind: Execute raises.
    Host H(1);
    H.Cv.SetXMat(X.get());
    H.Cv.SetYMat(X.get());
    H.Cv.SetYMat(Y.get());
    X.reset();
    EXPECT_EQ(H.Cv.XMat(), nullptr);
    EXPECT_THROW(H.Cv.Execute(), qmr::EQMRStatisError);
}

}  // namespace
