// TCrossValidator: setup errors, folds and progress seen by a scripted host, leave-one-out
// PRESS against its closed form, confusion rates, aborts, failing and throwing hosts,
// ownership of the matrices.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>

namespace {

using qmr::EQMRStatisError;
using qmr::TCrossValidator;
using qmr::TDoubleArray;
using qmr::TIntArray;
using qmr::TMatrix;
using qmr::TObject;

// Rows x Cols matrix with cell (c, r) = F(c, r).
template <class F> void Fill(TMatrix& M, std::int32_t Cols, std::int32_t Rows, F Cell) {
    M.Resize(Cols, Rows);
    for (std::int32_t C = 1; C <= Cols; ++C)
        for (std::int32_t R = 1; R <= Rows; ++R) M.SetElem(C, R, Cell(C, R));
}

// A host that records what it is asked. XMat column 1 holds the row number, so each
// prediction request names its row. Predictions come from Predict(row, training rows).
struct ScriptedHost {
    std::vector<TIntArray> Training;            // per create request
    std::vector<std::int32_t> CreatePercent;    // per create request
    std::vector<std::int32_t> ApplyPercent;     // per apply request
    std::vector<bool> Succeeded;                // per create request
    std::vector<std::vector<std::int32_t>> Folds;  // rows predicted per successful model
    std::function<bool(std::size_t Request)> Succeeds = [](std::size_t) { return true; };
    std::function<void(std::int32_t Row, const TIntArray& Train, TDoubleArray& Response)> Predict =
        [](std::int32_t, const TIntArray&, TDoubleArray&) {};
    bool SawExecuting = true;

    void Attach(TCrossValidator& Cv) {
        Cv.OnModelCreateRequest = [this, &Cv](TObject* Sender, std::int32_t Pct, const TIntArray& List, bool& Ok) {
            SawExecuting &= Sender == &Cv && Cv.IsExecuting();
            EXPECT_FALSE(Ok);
            Training.push_back(List);
            CreatePercent.push_back(Pct);
            Ok = Succeeds(Training.size() - 1);
            Succeeded.push_back(Ok);
            if (Ok) Folds.emplace_back();
        };
        Cv.OnModelApplyRequest = [this, &Cv](TObject*, std::int32_t Pct, const TDoubleArray& X, TDoubleArray& Y) {
            SawExecuting &= Cv.IsExecuting();
            EXPECT_EQ(Y, TDoubleArray(static_cast<std::size_t>(Cv.YMat()->NrOfColumns()), 0.0));
            const auto Row = static_cast<std::int32_t>(X.at(0));
            ApplyPercent.push_back(Pct);
            Folds.back().push_back(Row);
            Predict(Row, Training.back(), Y);
        };
    }
};

// The validator's own matrices: XMat (2 columns, column 1 the row number), YMat as given.
void LoadRows(TCrossValidator& Cv, std::int32_t NRow, std::int32_t NY = 1,
              std::function<double(std::int32_t, std::int32_t)> Y = [](std::int32_t, std::int32_t) { return 0.0; }) {
    Fill(*Cv.XMat(), 2, NRow, [](std::int32_t C, std::int32_t R) { return C == 1 ? R : 0.5 * R; });
    Fill(*Cv.YMat(), NY, NRow, Y);
}

// Every row predicted exactly once, never by a model that was trained on it; training
// lists ascending and without repeats, each the complement of its fold.
void ExpectSoundFolds(const ScriptedHost& H, std::int32_t NRow) {
    std::multiset<std::int32_t> Seen;
    std::size_t F = 0;
    for (std::size_t Req = 0; Req < H.Training.size(); ++Req) {
        const TIntArray& Train = H.Training[Req];
        EXPECT_TRUE(std::adjacent_find(Train.begin(), Train.end(), std::greater_equal<>()) == Train.end());
        if (!H.Succeeded[Req]) continue;
        ASSERT_LT(F, H.Folds.size());
        EXPECT_EQ(Train.size() + H.Folds[F].size(), static_cast<std::size_t>(NRow));
        for (std::int32_t Row : H.Folds[F]) {
            EXPECT_FALSE(std::binary_search(Train.begin(), Train.end(), Row)) << "row " << Row << " seen in training";
            Seen.insert(Row);
        }
        ++F;
    }
    std::multiset<std::int32_t> All;
    for (std::int32_t R = 1; R <= NRow; ++R) All.insert(R);
    EXPECT_EQ(Seen, All);
}

std::vector<std::size_t> FoldSizes(const ScriptedHost& H) {
    std::vector<std::size_t> S;
    for (const auto& F : H.Folds) S.push_back(F.size());
    return S;
}

// ---------------------------------------------------------------- setup

TEST(CrossValidator, SetupErrorsInOrderChangeNothing) {
    struct Case {
        const char* Msg;
        std::function<void(TCrossValidator&, TMatrix&)> Spoil;
    };
    const std::vector<Case> Cases = {
        {"TCrossValidator.Execute: data matrix not assigned",
         [](TCrossValidator& Cv, TMatrix&) { Cv.SetXMat(nullptr); Cv.OnModelApplyRequest = nullptr; }},
        {"TCrossValidator.Execute: data matrix not assigned", [](TCrossValidator& Cv, TMatrix&) { Cv.SetYMat(nullptr); }},
        {"TCrossValidator.Execute: number of rows of XMat and YMat not equal",
         [](TCrossValidator& Cv, TMatrix& Other) { Cv.SetYMat(&Other); Cv.OnModelApplyRequest = nullptr; }},
        {"TCrossValidator: OnModelApplyRequest event is not assigned",
         [](TCrossValidator& Cv, TMatrix&) { Cv.OnModelApplyRequest = nullptr; Cv.OnModelCreateRequest = nullptr; }},
        {"TCrossValidator: OnModelCreateRequest event is not assigned",
         [](TCrossValidator& Cv, TMatrix&) { Cv.OnModelCreateRequest = nullptr; }},
        {"TCrossValidator.Execute: data matrix is empty",
         [](TCrossValidator& Cv, TMatrix&) { Cv.XMat()->Resize(2, 0); Cv.YMat()->Resize(1, 0); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Msg);
        TCrossValidator Cv(nullptr);
        ScriptedHost H;
        H.Attach(Cv);
        LoadRows(Cv, 6);
        Cv.SetSizeTestSet(50);
        TMatrix Other(nullptr);
        Other.Resize(1, 5);
        C.Spoil(Cv, Other);
        try {
            Cv.Execute();
            ADD_FAILURE() << "no exception";
        } catch (const EQMRStatisError& E) {
            EXPECT_STREQ(E.what(), C.Msg);
        }
        EXPECT_FALSE(Cv.IsExecuting());
        EXPECT_EQ(Cv.SizeTestSet(), 50);
        EXPECT_EQ(Cv.TPRate(1), -1);
        EXPECT_TRUE(H.Training.empty());
    }
}

TEST(CrossValidator, SizeTestSetAndResultReads) {
    TCrossValidator Cv(nullptr);
    EXPECT_EQ(Cv.SizeTestSet(), 2);
    // Fresh: one column of zero results.
    EXPECT_EQ(Cv.RMSEP(1), 0);
    EXPECT_EQ(Cv.TPRate(1), 0);
    EXPECT_EQ(Cv.FPRate(1), 1);
    for (std::int32_t V : {0, -4}) {
        Cv.SetSizeTestSet(V);
        EXPECT_EQ(Cv.SizeTestSet(), 1);
    }
    EXPECT_EQ(Cv.RMSEP(1), -1);
    EXPECT_EQ(Cv.TPRate(1), -1);
    EXPECT_EQ(Cv.FPRate(1), -1);
    for (std::int32_t Ix : {0, 2}) {
        EXPECT_EQ(Cv.RMSEP(Ix), 0);
        EXPECT_EQ(Cv.TPRate(Ix), 0);
        EXPECT_EQ(Cv.FPRate(Ix), 1);
    }
    Cv.SetXMat(nullptr);
    EXPECT_EQ(Cv.RMSEP(2), -1);
}

// ---------------------------------------------------------------- folds

TEST(CrossValidator, ScriptedHostSeesFoldsAndProgress) {
    struct Case {
        std::int32_t NRow, Size, SizeAfter;
        std::vector<std::size_t> Folds;
        std::vector<std::int32_t> CreatePct, ApplyPct;
    };
    const std::vector<Case> Cases = {
        {10, 3, 3, {3, 3, 3, 1}, {0, 30, 60, 90}, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
        {10, 50, 6, {6, 4}, {0, 60}, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
        // 1/8 = 12.5% and 5/8 = 62.5% round to even.
        {8, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}, {0, 12, 25, 38, 50, 62, 75, 88}, {12, 25, 38, 50, 62, 75, 88, 100}},
        {1, 2, 1, {1}, {0}, {100}},
        {5, 3, 3, {3, 2}, {0, 60}, {20, 40, 60, 80, 100}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.NRow << " rows, " << C.Size);
        TCrossValidator Cv(nullptr);
        ScriptedHost H;
        H.Attach(Cv);
        LoadRows(Cv, C.NRow);
        Cv.SetSizeTestSet(C.Size);
        qmr::RandSeed = 4711;
        EXPECT_TRUE(Cv.Execute());
        EXPECT_FALSE(Cv.IsExecuting());
        EXPECT_TRUE(H.SawExecuting);
        EXPECT_EQ(Cv.SizeTestSet(), C.SizeAfter);
        EXPECT_EQ(FoldSizes(H), C.Folds);
        EXPECT_EQ(H.CreatePercent, C.CreatePct);
        EXPECT_EQ(H.ApplyPercent, C.ApplyPct);
        ExpectSoundFolds(H, C.NRow);
        // The platform generator decides the folds: the same seed, the same folds.
        ScriptedHost Again;
        Again.Attach(Cv);
        qmr::RandSeed = 4711;
        Cv.Execute();
        EXPECT_EQ(Again.Folds, H.Folds);
    }
}

TEST(CrossValidator, FoldsDrawnWithLinearProbingAndWrap) {
    // The first fold of 2 rows out of NRow: two draws Random(NRow) + 1 from the platform
    // generator, the second moved to the next free row (after NRow comes 1) when taken.
    int Wrapped = 0;
    for (std::int32_t Seed = 1; Seed <= 60; ++Seed) {
        const std::int32_t NRow = 3 + Seed % 3;
        qmr::RandSeed = Seed;
        const std::int32_t R1 = qmr::Random(NRow) + 1;
        std::int32_t R2 = qmr::Random(NRow) + 1;
        if (R2 == R1) {
            R2 = R1 == NRow ? 1 : R1 + 1;
            Wrapped += R1 == NRow;
        }
        TCrossValidator Cv(nullptr);
        ScriptedHost H;
        H.Attach(Cv);
        LoadRows(Cv, NRow);
        qmr::RandSeed = Seed;
        ASSERT_TRUE(Cv.Execute());
        EXPECT_EQ(H.Folds.front(), (std::vector<std::int32_t>{std::min(R1, R2), std::max(R1, R2)})) << Seed;
    }
    EXPECT_GT(Wrapped, 0);  // the seeds reach the wrap
}

// ---------------------------------------------------------------- results

TEST(CrossValidator, LeaveOneOutPressOfTheTrainingMean) {
    // Predicting each row by the mean of the others gives the error (y - ybar) n / (n - 1),
    // so PRESS = n^2 / (n - 1)^2 * sum (y - ybar)^2.
    const std::int32_t N = 23;
    const auto Y = [](std::int32_t C, std::int32_t R) { return C == 1 ? std::sin(R * 1.7) * 10 : 1e6 + R * R; };
    TCrossValidator Cv(nullptr);
    ScriptedHost H;
    H.Predict = [&](std::int32_t, const TIntArray& Train, TDoubleArray& Resp) {
        for (std::size_t C = 0; C < Resp.size(); ++C) {
            double S = 0;
            for (std::int32_t R : Train) S += Y(static_cast<std::int32_t>(C + 1), R);
            Resp[C] = S / static_cast<double>(Train.size());
        }
    };
    H.Attach(Cv);
    LoadRows(Cv, N, 2, Y);
    Cv.SetSizeTestSet(1);
    ASSERT_TRUE(Cv.Execute());
    EXPECT_EQ(FoldSizes(H), std::vector<std::size_t>(N, 1));
    for (std::int32_t C : {1, 2}) {
        double Mean = 0, Ss = 0;
        for (std::int32_t R = 1; R <= N; ++R) Mean += Y(C, R) / N;
        for (std::int32_t R = 1; R <= N; ++R) Ss += (Y(C, R) - Mean) * (Y(C, R) - Mean);
        const double Press = double(N) * N / ((N - 1.0) * (N - 1.0)) * Ss;
        EXPECT_NEAR(Cv.RMSEP(C), std::sqrt(Press / N), 1e-9 * std::sqrt(Press / N));
    }
}

TEST(CrossValidator, ConfusionCountsPerColumn) {
    // Row r's response and prediction in three columns: exact predictions of 0/1 data;
    // the boundary cases of a hit; responses that are not exactly 1.
    struct RowCase {
        double Y[3], P[3];
    };
    const std::vector<RowCase> Rows = {
        {{1, 1, 0.9999}, {1, 0.6, 0.9999}},   // TP TP TN
        {{0, 1, 0}, {0, 0.4, 0.5}},           // TN FN FP (|e| = 0.5 is a miss)
        {{1, 0, 2}, {1, -0.49, 2.4}},         // TP TN TN
        {{0, 0, 1}, {0, 0.5, 1.5}},           // TN FP FN
        {{1, 1, 1}, {1, 1.5, 0.5000001}},     // TP FN TP
    };
    TCrossValidator Cv(nullptr);
    ScriptedHost H;
    H.Predict = [&](std::int32_t Row, const TIntArray&, TDoubleArray& Resp) {
        for (std::size_t C = 0; C < Resp.size(); ++C) Resp[C] = Rows[static_cast<std::size_t>(Row - 1)].P[C];
    };
    H.Attach(Cv);
    const auto N = static_cast<std::int32_t>(Rows.size());
    LoadRows(Cv, N, 3, [&](std::int32_t C, std::int32_t R) {
        return Rows[static_cast<std::size_t>(R - 1)].Y[C - 1];
    });
    ASSERT_TRUE(Cv.Execute());
    // Column 1 exact: PRESS 0, TPRate 1, FPRate 0.
    EXPECT_EQ(Cv.RMSEP(1), 0);
    EXPECT_EQ(Cv.TPRate(1), 1);
    EXPECT_EQ(Cv.FPRate(1), 0);
    // Column 2: TP 1, FN 2, TN 1, FP 1.
    EXPECT_DOUBLE_EQ(Cv.TPRate(2), 1.0 / 3);
    EXPECT_DOUBLE_EQ(Cv.FPRate(2), 0.5);
    const double Press2 = 0.16 + 0.36 + 0.49 * 0.49 + 0.25 + 0.25;
    EXPECT_NEAR(Cv.RMSEP(2), std::sqrt(Press2 / N), 1e-15);
    // Column 3: TP 1, FN 1, TN 2, FP 1.
    EXPECT_DOUBLE_EQ(Cv.TPRate(3), 0.5);
    EXPECT_DOUBLE_EQ(Cv.FPRate(3), 1.0 / 3);
    // Rows outside read 0, 0, 1.
    EXPECT_EQ(Cv.RMSEP(4), 0);
    EXPECT_EQ(Cv.TPRate(4), 0);
    EXPECT_EQ(Cv.FPRate(4), 1);
    // No positives and no negatives in a column: 0 and 1.
    LoadRows(Cv, 4, 2, [](std::int32_t C, std::int32_t) { return C == 1 ? 1.0 : 0.0; });
    ASSERT_TRUE(Cv.Execute());
    EXPECT_EQ(Cv.FPRate(1), 1);
    EXPECT_EQ(Cv.TPRate(2), 0);
}

TEST(CrossValidator, ResponseArrivesSizedAndShrunkSlotsReadZero) {
    TCrossValidator Cv(nullptr);
    ScriptedHost H;
    H.Predict = [](std::int32_t, const TIntArray&, TDoubleArray& Resp) {
        Resp.assign(1, 3.0);  // column 2 removed, so it reads 0
    };
    H.Attach(Cv);  // checks every Response arrives as YMat's columns of 0
    LoadRows(Cv, 6, 2, [](std::int32_t C, std::int32_t R) { return C * 1.0 + R; });
    ASSERT_TRUE(Cv.Execute());
    double P1 = 0, P2 = 0;
    for (std::int32_t R = 1; R <= 6; ++R) {
        P1 += (3.0 - (1 + R)) * (3.0 - (1 + R));
        P2 += (2.0 + R) * (2.0 + R);
    }
    EXPECT_DOUBLE_EQ(Cv.RMSEP(1), std::sqrt(P1 / 6));
    EXPECT_DOUBLE_EQ(Cv.RMSEP(2), std::sqrt(P2 / 6));
}

// ---------------------------------------------------------------- aborts and hosts that fail

TEST(CrossValidator, AbortsFailuresAndThrowingHosts) {
    struct Case {
        const char* Name;
        std::int32_t AbortAfterChecks;  // 0: never
        std::function<bool(std::size_t)> Succeeds;
        bool Throws;
        bool Result;
        std::size_t Creates, Applies, Checks;
    };
    const std::vector<Case> Cases = {
        // The abort ends the run after the current row: 4 of the fold's 3 + 1 rows.
        {"abort after 4 rows", 4, [](std::size_t) { return true; }, false, false, 2, 4, 4},
        // Two failed requests put their rows back; every row still gets predicted once.
        {"two failures", 0, [](std::size_t R) { return R != 0 && R != 2; }, false, true, 5, 9, 11},
        // A host that never succeeds: after 9 failed requests in a row, an abort.
        {"never succeeds", 0, [](std::size_t) { return false; }, false, false, 9, 0, 9},
        {"abort after a failure", 1, [](std::size_t) { return false; }, false, false, 1, 0, 1},
        {"host throws", 0, [](std::size_t) { return true; }, true, false, 1, 1, 0},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TCrossValidator Cv(nullptr);
        ScriptedHost H;
        H.Succeeds = C.Succeeds;
        if (C.Throws)
            H.Predict = [](std::int32_t, const TIntArray&, TDoubleArray&) { throw std::runtime_error("host"); };
        H.Attach(Cv);
        std::size_t Checks = 0;
        Cv.OnCheckAbort = [&](TObject*, bool& Abort) {
            EXPECT_FALSE(Abort);
            ++Checks;
            Abort = C.AbortAfterChecks != 0 && Checks == static_cast<std::size_t>(C.AbortAfterChecks);
        };
        LoadRows(Cv, 9, 1, [](std::int32_t, std::int32_t R) { return R % 2; });
        Cv.SetSizeTestSet(3);
        if (C.Throws) {
            EXPECT_THROW(Cv.Execute(), std::runtime_error);
        } else {
            EXPECT_EQ(Cv.Execute(), C.Result);
        }
        EXPECT_FALSE(Cv.IsExecuting());
        EXPECT_EQ(H.Training.size(), C.Creates);
        EXPECT_EQ(H.ApplyPercent.size(), C.Applies);
        EXPECT_EQ(Checks, C.Checks);
        if (C.Result) {
            ExpectSoundFolds(H, 9);
            // Every prediction is 0: the five odd rows (y = 1) are misses, the rest hits.
            EXPECT_DOUBLE_EQ(Cv.RMSEP(1), std::sqrt(5.0 / 9));
            EXPECT_EQ(Cv.TPRate(1), 0);
            EXPECT_EQ(Cv.FPRate(1), 0);
        } else {
            EXPECT_EQ(Cv.RMSEP(1), -1);
            EXPECT_EQ(Cv.TPRate(1), -1);
            EXPECT_EQ(Cv.FPRate(1), -1);
        }
    }
}

// ---------------------------------------------------------------- ownership

TEST(CrossValidator, BorrowedMatricesAreNeverFreed) {
    auto X = std::make_unique<TMatrix>(nullptr);
    auto Y = std::make_unique<TMatrix>(nullptr);
    Fill(*X, 1, 4, [](std::int32_t, std::int32_t R) { return R; });
    Fill(*Y, 1, 4, [](std::int32_t, std::int32_t) { return 1.0; });
    {
        TCrossValidator Cv(nullptr);
        TMatrix* OwnX = Cv.XMat();
        Cv.SetXMat(X.get());
        Cv.SetYMat(Y.get());
        ScriptedHost H;
        H.Predict = [](std::int32_t, const TIntArray&, TDoubleArray& R) { R[0] = 1; };
        H.Attach(Cv);
        ASSERT_TRUE(Cv.Execute());
        EXPECT_EQ(Cv.TPRate(1), 1);
        Cv.SetXMat(nullptr);
        Cv.SetXMat(OwnX);  // its own matrix is still alive
        EXPECT_EQ(OwnX->NrOfRows(), 1);
    }
    // The borrowed matrices outlive the validator (AddressSanitizer would see a double free).
    EXPECT_EQ(X->Elem(1, 4), 4);
    EXPECT_EQ(Y->NrOfRows(), 4);
}

}  // namespace
