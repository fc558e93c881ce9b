// TIntMatrix: dense and sparse storage, the conversions, statistics, wrapping products,
// reordering, the refusals of the dense-only operations and the XML hook.
#include "qmr_test_support.h"

#include "containers/QMR_matrix_files.h"
#include "fuzz/intmatrix_xml_model.h"

#include <algorithm>
#include <climits>
#include <map>
#include <cmath>
#include <random>
#include <tuple>

namespace {

using namespace qmr;
using qmr::test::CountChanges;
using Ints = std::vector<std::int32_t>;

// Every element, column by column, and the size.
std::tuple<std::int32_t, std::int32_t, Ints> State(const TIntMatrix& M) {
    Ints V;
    for (std::int32_t C = 1; C <= M.NrOfColumns(); ++C)
        for (std::int32_t R = 1; R <= M.NrOfRows(); ++R) V.push_back(M.Elem(C, R));
    return {M.NrOfColumns(), M.NrOfRows(), V};
}

// A dense Cols x Rows matrix given column by column.
void Load(TIntMatrix& M, std::int32_t Cols, std::int32_t Rows, const Ints& V) {
    M.Resize(Cols, Rows);
    for (std::int32_t C = 1; C <= Cols; ++C)
        for (std::int32_t R = 1; R <= Rows; ++R) M.SetElem(C, R, V[static_cast<std::size_t>((C - 1) * Rows + R - 1)]);
}

TEST(IntMatrix, SparseStorageAndSizes) {
    TIntMatrix S(nullptr, 0);
    EXPECT_EQ(std::tuple(S.IsSparse(), S.NrOfColumns(), S.NrOfRows(), S.Elem(5, 7), S.NumAllocated()),
              std::tuple(true, 0, 0, 0, 1));
    int Ev;
    CountChanges(S, Ev);
    S.SetElem(3, 2, 32);
    S.SetElem(1, 4, 14);
    S.SetElem(3, 1, 31);
    S.SetElem(0, 1, 9);  // below 1: ignored
    S.SetElem(1, 4, 0);  // a stored zero stays an element
    EXPECT_EQ(std::tuple(S.NrOfColumns(), S.NrOfRows(), S.SparseNumElem(), S.NumAllocated(), Ev), std::tuple(3, 4, 3, 3, 4));
    EXPECT_EQ(std::get<2>(State(S)), (Ints{0, 0, 0, 0, 0, 0, 0, 0, 31, 32, 0, 0}));
    S.SetElem(5, 5, 55);
    EXPECT_FALSE(S.Resize(3, 3));  // elements beyond go, no event
    EXPECT_EQ(std::tuple(S.NrOfColumns(), S.SparseNumElem(), S.Elem(5, 5), Ev), std::tuple(3, 2, 0, 5));
    EXPECT_FALSE(S.Resize(9, 9));
    S.SetElem(2, 2, 1);  // the next write reports the box again
    EXPECT_EQ(std::tuple(S.NrOfColumns(), S.NrOfRows()), std::tuple(3, 3));
    EXPECT_FALSE(S.ResizeAndClear(4, 4));
    EXPECT_EQ(S.Elem(3, 2), 32);
    S.Fill(7);  // overwrites the stored values only
    EXPECT_EQ(std::tuple(S.SparseNumElem(), S.Elem(3, 1), S.Elem(2, 1)), std::tuple(3, 7, 0));
    S.Fill(0);  // removes them, keeps the size
    EXPECT_EQ(std::tuple(S.SparseNumElem(), S.NumAllocated(), S.NrOfColumns(), S.Elem(3, 1)), std::tuple(0, 1, 4, 0));
    TIntMatrix A(nullptr, 3);  // appends in (column, row) order, the fourth below the lowest row so far
    for (auto [C, R] : {std::pair(1, 5), std::pair(1, 6), std::pair(1, 7), std::pair(2, 1), std::pair(3, 2)}) A.SetElem(C, R, C * R);
    EXPECT_EQ(std::tuple(A.SparseNumElem(), A.NumAllocated(), A.NrOfColumns(), A.NrOfRows(), A.Elem(2, 1), A.Elem(3, 2), A.Elem(2, 5)),
              std::tuple(5, 6, 3, 7, 2, 6, 0));

    TIntMatrix D(nullptr);
    Load(D, 2, 2, {1, 2, 3, 4});
    CountChanges(D, Ev);
    EXPECT_FALSE(D.Resize(2, 2));
    EXPECT_FALSE(D.ResizeAndClear(2, 2));
    EXPECT_TRUE(D.Resize(3, 1));
    EXPECT_EQ(State(D), std::tuple(3, 1, Ints{1, 3, 0}));
    EXPECT_TRUE(D.Resize(0, 0));
    EXPECT_TRUE(D.Resize(2, 2));  // what a shrink to 0 hid stays lost
    EXPECT_EQ(std::tuple(std::get<2>(State(D)), Ev), std::tuple(Ints{0, 0, 0, 0}, 3));
    D.SetName("Big");
    EXPECT_TRUE(test::ThrowsWith<EQMRMatrixError>([&] { D.Resize(INT_MAX, INT_MAX); },
                                                  "Component \"Big\": not enough memory on heap"));
    Load(D, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_FALSE(D.RemoveColumn(0) || D.RemoveColumn(4) || D.RemoveRow(0) || D.RemoveRow(4));
    EXPECT_TRUE(D.RemoveColumn(2) && D.RemoveRow(1));  // later columns (rows) move down
    EXPECT_EQ(State(D), std::tuple(2, 2, Ints{2, 3, 8, 9}));
    EXPECT_TRUE(D.RemoveColumn(1) && !D.RemoveColumn(1) && D.RemoveRow(2) && !D.RemoveRow(1));
    EXPECT_EQ(State(D), std::tuple(1, 1, Ints{8}));
}

TEST(IntMatrix, ConversionsAndClone) {
    TIntMatrix M(nullptr);
    Load(M, 2, 2, {0, 5, 0, 7});
    int Ev;
    CountChanges(M, Ev);
    M.ArrayToSparse(0);
    EXPECT_EQ(std::tuple(M.IsSparse(), M.SparseNumElem(), M.NumAllocated(), M.NrOfColumns(), M.Elem(1, 2), Ev),
              std::tuple(true, 2, 2, 2, 5, 0));  // one step more before the third cell
    M.SparseToArray();
    EXPECT_EQ(State(M), std::tuple(2, 2, Ints{0, 5, 0, 7}));
    TIntMatrix S(nullptr, 4), T(nullptr, 1);
    S.SparseToArray();  // an empty list gives 1 x 1
    EXPECT_EQ(State(S), std::tuple(1, 1, Ints{0}));
    S.ArrayToSparse(4);
    S.SetElem(1, 1, 9);
    T.Clone(&M);  // across the forms: nothing
    EXPECT_EQ(T.SparseNumElem(), 0);
    T.Clone(&S);
    T.SparseToArray();
    EXPECT_EQ(State(T), std::tuple(1, 1, Ints{9}));
    TIntMatrix Far(nullptr, 8);
    Far.SetName("Far");
    Far.SetElem(INT_MAX, INT_MAX, 1);
    EXPECT_TRUE(test::ThrowsWith<EQMRMatrixError>([&] { Far.SparseToArray(); }, "Component \"Far\": not enough memory on heap"));
    EXPECT_EQ(std::tuple(Far.IsSparse(), Far.Elem(INT_MAX, INT_MAX)), std::tuple(true, 1));
    TIntMatrix D(nullptr);
    CountChanges(D, Ev);
    D.Clone(&M);  // resize, one event per element, one at the end
    EXPECT_EQ(std::tuple(State(D), Ev), std::tuple(State(M), 1 + 4 + 1));
}

// The same random writes, copies and transpositions on a dense and a sparse matrix:
// elements and every statistic of random blocks agree.
TEST(IntMatrix, DenseAndSparseAgree) {
    std::mt19937 Gen(14);
    for (int Round = 0; Round < 20; ++Round) {
        TIntMatrix D(nullptr), S(nullptr, 3);
        const std::int32_t NC = 2 + static_cast<std::int32_t>(Gen() % 9), NR = 2 + static_cast<std::int32_t>(Gen() % 9);
        D.Resize(NC, NR);
        auto Write = [&](std::int32_t C, std::int32_t R, std::int32_t V) { D.SetElem(C, R, V), S.SetElem(C, R, V); };
        Write(NC, NR, 1);  // the corner: the sparse box is the dense size
        for (int K = 0; K < 40; ++K) {
            const std::int32_t C = 1 + static_cast<std::int32_t>(Gen() % static_cast<unsigned>(D.NrOfColumns()));
            const std::int32_t R = 1 + static_cast<std::int32_t>(Gen() % static_cast<unsigned>(D.NrOfRows()));
            switch (Gen() % 8) {
            case 0: D.Transpose(), S.Transpose(); break;
            case 1:  // a block whose target lies inside (a sparse matrix would widen its box)
                D.CopyFrom(&D, 1, 1, std::max(1, C - 1), std::max(1, R - 1), 2, 2);
                S.CopyFrom(&S, 1, 1, std::max(1, C - 1), std::max(1, R - 1), 2, 2);
                break;
            default: Write(C, R, static_cast<std::int32_t>(Gen() % 2001) - 1000 + (K % 5 == 0 ? INT_MAX - 1000 : 0));
            }
        }
        ASSERT_EQ(State(D), State(S));
        for (int B = 0; B < 10; ++B) {
            const std::int32_t Lc = static_cast<std::int32_t>(Gen() % 12), Hc = static_cast<std::int32_t>(Gen() % 12);
            const std::int32_t Lr = static_cast<std::int32_t>(Gen() % 12), Hr = static_cast<std::int32_t>(Gen() % 12);
            double Md, Vd, Ms, Vs, Kd, Ks, Gd, Gs;
            D.MeanVar(Lc, Lr, Hc, Hr, Md, Vd), S.MeanVar(Lc, Lr, Hc, Hr, Ms, Vs);
            EXPECT_EQ(std::tuple(D.Sum(Lc, Lr, Hc, Hr), D.Trace(), Md), std::tuple(S.Sum(Lc, Lr, Hc, Hr), S.Trace(), Ms));
            EXPECT_NEAR(Vd, Vs, 1e-9 * std::fabs(Vd));
            D.SkewKurt(Lc, Lr, Hc, Hr, Gd, Kd), S.SkewKurt(Lc, Lr, Hc, Hr, Gs, Ks);
            EXPECT_NEAR(Gd, Gs, 1e-9 * (1 + std::fabs(Gd)));
            EXPECT_NEAR(Kd, Ks, 1e-9 * (1 + std::fabs(Kd)));
        }
        const std::string Crc = D.CRCofData();
        S.SparseToArray();
        EXPECT_EQ(S.CRCofData(), Crc);
    }
}

// Runs of writes in (column, row) order mixed with every operation that moves positions,
// the box or the counts, on a matrix without a handler (writes may take the inline append)
// and on one with OnChange (every write takes the general path), against a model of the
// stored elements and of the capacity counted step by step.
TEST(IntMatrix, InlineAppendsMatchTheGeneralPath) {
    std::mt19937 Gen(41);
    for (const std::int32_t Step : {1, 3, 16}) {
        TIntMatrix A(nullptr, Step), B(nullptr, Step);
        int Ev = 0, Writes = 0;
        CountChanges(B, Ev);
        std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> Model;
        std::int64_t Counted = Step;
        std::int32_t LastC = 1, LastR = 0;
        auto Write = [&](std::int32_t C, std::int32_t R, std::int32_t V, TIntMatrix* X = nullptr) {
            (X ? *X : A).SetElem(C, R, V), B.SetElem(C, R, V);
            if (C < 1 || R < 1) return;
            ++Writes;
            if (Model.emplace(std::pair(C, R), V).second) {
                if (static_cast<std::int64_t>(Model.size()) > Counted) Counted += Step;
            } else {
                Model[{C, R}] = V;
            }
            if (std::pair(C, R) > std::pair(LastC, LastR)) LastC = C, LastR = R;
        };
        for (int K = 0; K < 3000; ++K) {
            const auto Pick = Gen() % 100;
            const auto V = static_cast<std::int32_t>(Gen());
            if (Pick < 80) {  // the next position in order: same column or a later one, rows up to 40
                const bool NewCol = LastR >= 40 || Gen() % 4 == 0;
                const std::int32_t C = LastC + (NewCol ? 1 + static_cast<std::int32_t>(Gen() % 3) : 0);
                Write(C, (NewCol ? 0 : LastR) + 1 + static_cast<std::int32_t>(Gen() % 5), V);
            } else if (Pick < 90) {  // anywhere, a repeat, or below 1
                Write(static_cast<std::int32_t>(Gen() % (LastC + 2)) - 1, static_cast<std::int32_t>(Gen() % 42) - 1, V);
            } else if (Pick < 94) {  // a smaller or a larger size
                const auto C = static_cast<std::int32_t>(Gen() % (LastC + 3)), R = static_cast<std::int32_t>(Gen() % 45);
                A.Resize(C, R), B.Resize(C, R);
                std::erase_if(Model, [&](const auto& E) { return E.first.first > C || E.first.second > R; });
            } else if (Pick < 96) {
                A.Transpose(), B.Transpose();
                decltype(Model) T;
                for (const auto& [P, X] : Model) T[{P.second, P.first}] = X;
                Model.swap(T);
                Ev = 0, Writes = 0;  // Transpose fires once
            } else if (Pick < 98) {
                A.Fill(V % 3 == 0 ? 0 : V), B.Fill(V % 3 == 0 ? 0 : V);
                for (auto& E : Model) E.second = V;
                if (V % 3 == 0) Model.clear(), Counted = Step;
                Ev = 0, Writes = 0;
            } else {  // a copy of itself with one element more
                TIntMatrix Copy(nullptr, 1);
                Copy.Clone(&A);
                Write(LastC + 1, 1 + static_cast<std::int32_t>(Gen() % 40), V, &Copy);
                A.Clone(&Copy);
            }
            LastC = Model.empty() ? 1 : Model.rbegin()->first.first;
            LastR = Model.empty() ? 0 : Model.rbegin()->first.second;
            if (Pick >= 90 && !Model.empty()) Write(LastC, LastR, V ^ 1);  // overwrites the last element
            const auto Sizes = [](const TIntMatrix& M) {
                return std::tuple(M.NrOfColumns(), M.NrOfRows(), M.SparseNumElem(), M.NumAllocated());
            };
            ASSERT_EQ(Sizes(A), Sizes(B)) << "step " << K;
            ASSERT_EQ(std::tuple(A.SparseNumElem(), A.NumAllocated(), Ev), std::tuple(static_cast<std::int32_t>(Model.size()), Counted, Writes));
            if (K % 100 == 99) {
                for (const auto& [P, X] : Model) ASSERT_EQ(std::tuple(A.Elem(P.first, P.second), B.Elem(P.first, P.second)), std::tuple(X, X));
            }
        }
        A.SparseToArray(), B.SparseToArray();  // sized to the box
        EXPECT_EQ(State(A), State(B));
    }
}

// Every routine that moves positions, the box, the counts or the storage, interleaved with
// runs of in-order writes: a matrix without a handler (whose writes may append inline)
// against one whose handler sends every write down the general path. The box shows in
// Elem (0 outside it even where an element is stored); the handler of the first one is
// set now and then, and both then fire alike.
TEST(IntMatrix, InlineAppendsSurviveEveryMutation) {
    std::mt19937 Gen(2027);
    auto Rand = [&](std::int32_t N) { return static_cast<std::int32_t>(Gen() % static_cast<std::uint32_t>(N)); };
    for (const std::int32_t Step : {1, 5}) {
        TIntMatrix A(nullptr, Step), B(nullptr, Step), Src(nullptr, 3);
        for (std::int32_t C = 1; C <= 6; ++C) Src.SetElem(C, Rand(8) + 1, Rand(100) - 50);
        int EvA = 0, EvB = 0, EvB0 = 0;
        CountChanges(B, EvB);
        bool Handler = false;
        auto Both = [&](auto&& Op) { Op(A), Op(B); };
        for (int K = 0; K < 3000; ++K) {
            // A run of writes in order from the last column; a new column starts at row 0 or 1.
            const std::int32_t Run = Rand(12), Top = A.NrOfRows() + 1;
            const int Before = EvB;
            int Taken = 0;  // writes at a row of 1 or more: each fires once
            for (std::int32_t I = 0, C = std::max(A.NrOfColumns(), 1), R = 0; I < Run; ++I) {
                R += 1 + Rand(2);
                if (R > Top || Rand(4) == 0) C += 1 + Rand(2), R = Rand(3) == 0 ? 0 : 1;
                const std::int32_t V = Rand(1000) - 500;
                Both([&](TIntMatrix& M) { M.SetElem(C, R, V); });
                Taken += R >= 1;
            }
            ASSERT_EQ(EvB - Before, Taken) << "step " << K;
            // Sizes and positions around the present ones, from -1 on.
            const std::int32_t Nc = A.NrOfColumns(), Nr = A.NrOfRows(), V = Rand(7) - 3, C = Rand(Nc + 3) - 1,
                               R = Rand(Nr + 3) - 1;
            switch (Rand(13)) {
                case 0: Both([&](TIntMatrix& M) { M.Resize(C, R); }); break;
                case 1: Both([&](TIntMatrix& M) { M.SetNrOfColumns(C); }); break;
                case 2: Both([&](TIntMatrix& M) { M.SetNrOfRows(R); }); break;
                case 3: Both([&](TIntMatrix& M) { M.ResizeAndClear(C, R); }); break;
                case 4: Both([](TIntMatrix& M) { M.Transpose(); }); break;
                case 5: Both([&](TIntMatrix& M) { M.Fill(V); }); break;
                case 6: Both([&](TIntMatrix& M) { M.SparseToArray(), M.ArrayToSparse(Step); }); break;
                case 7: Both([](TIntMatrix& M) {  // a copy of itself back
                    TIntMatrix Copy(nullptr, 1);
                    Copy.Clone(&M);
                    M.Clone(&Copy);
                }); break;
                case 8: {
                    const bool Self = Rand(2) == 0;
                    const std::int32_t C0 = Rand(6), R0 = Rand(6), C1 = Rand(9), R1 = Rand(9);
                    Both([&](TIntMatrix& M) { M.CopyFrom(Self ? &M : &Src, C0, R0, C1, R1, C, R); });
                } break;
                case 9: {
                    TInt2DArray Arr(static_cast<std::size_t>(Rand(4)));
                    for (TIntArray& Col : Arr)
                        for (std::int32_t J = Rand(5); J > 0; --J) Col.push_back(Rand(9) - 4);
                    Both([&](TIntMatrix& M) { M.CopyFromArray(Arr, C, R); });
                } break;
                case 10: {  // an XML reading: counts, then cells in order and out of it
                    const std::string Cols = std::to_string(C), Rows = std::to_string(R);
                    std::vector<std::string> Cells;
                    for (std::int32_t J = Rand(6); J > 0; --J)
                        Cells.push_back("ix=\"" + std::to_string(Rand(Nc + 3)) + "\" iy=\"" + std::to_string(Rand(Nr + 3)) + "\"");
                    Both([&](TIntMatrix& M) {
                        M.SetFirstCell(true);
                        M.ProcessXmlTag(TMatXmlTag::xmlMatNumCols, "", Cols);
                        M.ProcessXmlTag(TMatXmlTag::xmlMatNumRows, "", Rows);
                        for (const std::string& Attr : Cells) M.ProcessXmlTag(TMatXmlTag::xmlMatCell, Attr, "7");
                    });
                } break;
                case 11: Both([&](TIntMatrix& M) { M.SetElem(C, R, V); }); break;
                default:  // the first one's handler on or off
                    Handler = !Handler;
                    A.OnChange = nullptr;
                    if (Handler) CountChanges(A, EvA), EvB0 = EvB;
            }
            const auto Sizes = [](const TIntMatrix& M) {
                return std::tuple(M.IsSparse(), M.NrOfColumns(), M.NrOfRows(), M.SparseNumElem(), M.NumAllocated());
            };
            ASSERT_EQ(Sizes(A), Sizes(B)) << "step " << K;
            for (std::int32_t C = 0; C <= A.NrOfColumns() + 1; ++C)
                for (std::int32_t R = 0; R <= A.NrOfRows() + 1; ++R) ASSERT_EQ(A.Elem(C, R), B.Elem(C, R)) << K;
            if (Handler) {
                ASSERT_EQ(EvA, EvB - EvB0) << "step " << K;
            }
        }
    }
}

// Writes that pass some conditions of the inline append and miss others, after nine
// elements in column 1 (rows 3..11, storage for 16): a matrix without a handler against
// one with OnChange, whose writes all take the general path.
TEST(IntMatrix, InlineAppendGateCases) {
    struct TOp {
        bool Shrink;  // Resize to (C, R) instead of a write
        std::int32_t C, R;
    };
    const std::vector<std::vector<TOp>> Cases = {
        // a later column inside the rows, the last column up to the high row and beyond it
        {{false, 2, 3}, {false, 2, 7}, {false, 2, 11}, {false, 2, 12}, {false, 2, 13}, {false, 3, 12}},
        // later columns below and above the rows, then inside them
        {{false, 2, 2}, {false, 3, 12}, {false, 5, 5}, {false, 5, 1}, {false, 6, 13}},
        // a shrink leaves the high column empty: writes before it widen the box
        {{false, 2, 4}, {false, 4, 6}, {true, 3, 11}, {false, 2, 5}, {false, 2, 30}, {false, 3, 1}, {false, 3, 2}},
        // repeats, positions before the last element, positions below 1
        {{false, 2, 5}, {false, 2, 5}, {false, 2, 4}, {false, 1, 1}, {false, -1, 5}, {false, 2, -1}, {false, 2, 0},
         {false, 3, -2}, {false, 0, 0}, {false, 2, 6}},
    };
    for (std::size_t I = 0; I < Cases.size(); ++I) {
        TIntMatrix A(nullptr, 2), B(nullptr, 2);
        int Ev = 0;
        CountChanges(B, Ev);
        std::int32_t V = 0;
        for (std::int32_t R = 3; R <= 11; ++R) A.SetElem(1, R, ++V), B.SetElem(1, R, V);
        for (const TOp& Op : Cases[I]) {
            if (Op.Shrink)
                A.Resize(Op.C, Op.R), B.Resize(Op.C, Op.R);
            else
                A.SetElem(Op.C, Op.R, ++V), B.SetElem(Op.C, Op.R, V);
            ASSERT_EQ(std::tuple(A.NrOfColumns(), A.NrOfRows(), A.SparseNumElem(), A.NumAllocated()),
                      std::tuple(B.NrOfColumns(), B.NrOfRows(), B.SparseNumElem(), B.NumAllocated()))
                << "case " << I << " at (" << Op.C << ", " << Op.R << ")";
        }
        EXPECT_EQ(State(A), State(B)) << "case " << I;
    }
}

TEST(IntMatrix, StatisticsAgainstClosedForms) {
    TIntMatrix M(nullptr);
    Load(M, 2, 2, {1, 2, 3, 4});
    double S, K;
    // Two values: skewness 0, kurtosis = m4 / s^4 - 3 = 0.0625 / 0.25 - 3 (s over n - 1).
    M.SkewKurt(1, 1, 1, 2, S, K);
    EXPECT_EQ(std::tuple(S, K, M.Percentile(std::nan(""), 0, 0, 0, 0), M.Percentile(25, 0, 0, 0, 0, 1000)),
              std::tuple(0.0, 0.25 - 3, Extended(1), Extended(2)));  // NaN as 0; a sample beyond the count is the block
    TIntMatrix C(nullptr);
    Load(C, 2, 3, {2147483640, 2147483641, 2147483642, 2147483643, 2147483644, 2147483645});
    double Mean, Var;
    C.MeanVar(0, 0, 0, 0, Mean, Var);  // 2147483642.5 and the sample variance of 0..5, 3.5
    EXPECT_EQ(std::tuple(Mean, Var, C.Trace()), std::tuple(2147483642.5, 3.5, 0));
    C.Fill(-5);
    C.SkewKurtSample(0, 0, 0, 0, S, K);
    EXPECT_EQ(std::tuple(S, K), std::tuple(0.0, 0.0));
    std::int32_t Lo, Hi;
    C.SetName("C");
    EXPECT_TRUE(test::ThrowsWith<EQMRMatrixError>([&] { C.GeometricMean(0, 0, 0, 0); },
                                                  "Component \"C\": negative argument passed to GeometricMean"));

    // A box of 2147483647 x 2147483647 holding one 5: n = (2^31 - 1)^2 positions, never
    // visited one by one; mean 5 / n, variance (25 - 25 / n) / (n - 1) = 25 / n.
    TIntMatrix Far(nullptr, 1);
    Far.SetElem(INT_MAX, INT_MAX, 5);
    Far.MeanVar(0, 0, 0, 0, Mean, Var);
    const double N = 2147483647.0 * 2147483647.0;
    EXPECT_NEAR(Mean, 5 / N, 1e-12 * 5 / N);
    EXPECT_NEAR(Var, 25 / N, 1e-9 * 25 / N);
    Far.MinMax(0, 0, 0, 0, Lo, Hi);  // stored elements only
    EXPECT_EQ(std::tuple(Lo, Hi, Far.Sum(0, 0, 0, 0), Far.Trace()), std::tuple(5, 5, 5, 5));
    TIntMatrix Empty(nullptr, 1);
    Empty.MinMax(0, 0, 0, 0, Lo, Hi);
    EXPECT_EQ(std::tuple(Lo, Hi), std::tuple(INT_MAX, -INT_MAX));
    TIntMatrix Sq(nullptr, 1);  // the sparse trace tests the box, not the reported size
    Sq.SetElem(1, 1, 5);
    Sq.SetElem(2, 2, 7);
    Sq.Resize(3, 2);
    const std::int32_t SquareBox = Sq.Trace();
    Sq.SetElem(1, 3, 1);
    EXPECT_EQ(std::tuple(SquareBox, Sq.Trace()), std::tuple(12, 0));
}

// 64-bit reference of A(r, k) = Elem(k, r) products, wrapped to 32 bits at the end.
std::int32_t Wrap64(std::int64_t X) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(X))); }

TEST(IntMatrix, ProductsWrapLikeSixtyFourBitSums) {
    std::mt19937 Gen(7);
    for (auto [NC, NR, NB] : {std::tuple(3, 2, 4), std::tuple(37, 19, 21), std::tuple(1, 1, 1), std::tuple(0, 3, 2)}) {
        auto Rand = [&] { return static_cast<std::int32_t>(Gen()); };  // full range: products wrap
        TIntMatrix A(nullptr), B(nullptr), R(nullptr), T(nullptr);
        A.Resize(NC, NR);  // NR rows x NC columns
        B.Resize(NB, NC);  // NC rows x NB columns
        T.Resize(NC, NB);  // for A * T^T: equal column counts
        for (std::int32_t C = 1; C <= NC; ++C)
            for (std::int32_t Rw = 1; Rw <= NR; ++Rw) A.SetElem(C, Rw, Rand());
        for (std::int32_t C = 1; C <= NB; ++C)
            for (std::int32_t Rw = 1; Rw <= NC; ++Rw) B.SetElem(C, Rw, Rand()), T.SetElem(Rw, C, Rand());
        TIntMatrix Rt(nullptr);
        ASSERT_TRUE(A.Multiply(&B, &R) && A.MultiplyTransposed(&T, &Rt));
        ASSERT_EQ(std::tuple(R.NrOfColumns(), R.NrOfRows(), Rt.NrOfColumns(), Rt.NrOfRows()), std::tuple(NB, NR, NB, NR));
        for (std::int32_t J = 1; J <= NB; ++J)
            for (std::int32_t I = 1; I <= NR; ++I) {
                std::uint64_t S = 0, St = 0;  // 64-bit sums of exact 64-bit products
                for (std::int32_t K = 1; K <= NC; ++K) {
                    S += static_cast<std::uint64_t>(std::int64_t{A.Elem(K, I)} * B.Elem(J, K));
                    St += static_cast<std::uint64_t>(std::int64_t{A.Elem(K, I)} * T.Elem(K, J));
                }
                ASSERT_EQ(std::tuple(R.Elem(J, I), Rt.Elem(J, I)),
                          std::tuple(Wrap64(static_cast<std::int64_t>(S)), Wrap64(static_cast<std::int64_t>(St))))
                    << NC << " " << I << "," << J;
            }
        // A^T * A equals the product of a transposed copy with A.
        TIntMatrix At(nullptr), P1(nullptr), P2(nullptr);
        At.Clone(&A);
        At.Transpose();
        EXPECT_TRUE(A.TransposeAndMultiply(&A, &P1) && At.Multiply(&A, &P2));
        EXPECT_EQ(State(P1), State(P2));
    }
    // The result may be an operand; vector forms; the element-wise product wraps.
    TIntMatrix A(nullptr), B(nullptr);
    Load(A, 2, 2, {INT_MAX, 2, 3, 4});
    Load(B, 2, 2, {2, 0, 0, 1});  // B = diag(2, 1): A * B doubles column 1
    int EvA, EvB;
    CountChanges(A, EvA);
    CountChanges(B, EvB);
    EXPECT_TRUE(A.Multiply(&B, &B));
    EXPECT_EQ(std::tuple(State(B), EvA, EvB), std::tuple(std::tuple(2, 2, Ints{-2, 4, 3, 4}), 1, 4));
    EXPECT_TRUE(A.EMult(&A, &B));
    EXPECT_EQ(std::get<2>(State(B)), (Ints{1, 4, 9, 16}));
    TIntVector V(nullptr), W(nullptr);
    TIntMatrix Wide(nullptr);  // 2 rows, 3 columns
    Load(Wide, 3, 2, {1, 2, 3, 4, 5, 6});
    using VecOp = bool (TIntMatrix::*)(const TIntVector*, TIntVector*);
    const VecOp Mul = &TIntMatrix::Multiply, TMul = &TIntMatrix::TransposeAndMultiply;
    for (const auto& [M, Op, In, Want] : {std::tuple{&A, Mul, Ints{1, 1}, Ints{Wrap64(std::int64_t{INT_MAX} + 3), 6}},
                                          {&A, TMul, Ints{1, 1}, Ints{Wrap64(std::int64_t{INT_MAX} + 2), 7}},
                                          {&Wide, Mul, Ints{1, 1, 1}, Ints{9, 12}}, {&Wide, TMul, Ints{1, -1}, Ints{-1, -1, -1}}}) {
        test::SetValues(V, In);
        EXPECT_TRUE((M->*Op)(&V, &W));
        EXPECT_EQ(std::tuple(test::ValuesOf<int>(W), test::ValuesOf<int>(V)), std::tuple(Want, In));  // the operand stays
    }
    test::SetValues(V, Ints{1, 1, 1});
    EXPECT_FALSE(A.Multiply(&V, &W) || A.Multiply(&A, nullptr) || A.EMult(nullptr, &B));
    EXPECT_TRUE(A.Add(&A) && A.Subtract(&B));  // 2A - A.*A
    EXPECT_EQ(std::get<2>(State(A)), (Ints{Wrap64(2 * std::int64_t{INT_MAX} - 1), 0, -3, -8}));
    A.SMult(-1);
    A.SAdd(INT_MIN);
    EXPECT_EQ(std::get<2>(State(A)), (Ints{INT_MIN + 3, INT_MIN, INT_MIN + 3, INT_MIN + 8}));
}

TEST(IntMatrix, SparseAddAndRefusals) {
    TIntMatrix D(nullptr), S(nullptr, 2);
    Load(D, 2, 2, {1, 2, 3, 4});
    S.SetElem(2, 3, 5);
    int Ev;
    CountChanges(D, Ev);
    EXPECT_FALSE(D.Add(&S));  // the box reaches beyond the dense size
    S.Resize(2, 2);
    S.SetElem(2, 1, 10);
    EXPECT_TRUE(D.Add(&S) && !S.Add(&D) && !D.Subtract(&S) && !D.Multiply(&S, &D));
    EXPECT_EQ(std::tuple(std::get<2>(State(D)), Ev), std::tuple(Ints{1, 2, 13, 4}, 1));
    // Dense-only operations on a sparse matrix change nothing and fire nothing.
    CountChanges(S, Ev);
    const auto Before = State(S);
    TIntMatrix Dst(nullptr);
    S.SMult(3), S.SAdd(1), S.Fill(1, 1, 1, 1, 9), S.FillDiag(9), S.MirrorRows(), S.MirrorColumns();
    S.SortRows(1, true, 0, 0, 0, 0), S.SortCols(1, true, 0, 0, 0, 0), S.ExchangeColumns(1, 2), S.ExchangeRows(1, 2);
    EXPECT_FALSE(S.RemoveColumn(1) || S.RemoveRow(1) || S.Multiply(&D, &Dst));
    std::int32_t Ci = 9, Ri = 9;
    S.Find(0, 0, 0, 0, 10, Ci, Ri);
    TInt2DArray Arr{{1}};
    TBool2DArray Bits{{true}};
    double Q1, Q2, Q3;
    EXPECT_EQ(std::tuple(Ci, Ri, S.FindInSortedColumn(2, true, 10), S.CountValues(0, 0, 0, 0, 0, 99), S.Dichotomize(0, Bits),
                         S.Quartiles(0, 0, 0, 0, Q1, Q2, Q3), S.Percentile(50, 0, 0, 0, 0)),
              std::tuple(0, 0, 0, 0, 0, false, Extended(0)));
    S.CopyToArray(Arr, 0, 0, 0, 0);
    TVector Means(nullptr), Edge(nullptr);
    TIntVector Iv(nullptr), Ir(nullptr);
    test::SetValues(Iv, Ints{1, 2});
    S.MeanVec(TDims::dimColumns, &Means), S.EdgeVector(TOrientation::orColumns, TEdgeOp::eoSum, &Edge);
    EXPECT_FALSE(S.Subtract(&S) || S.EMult(&S, &Dst) || S.MultiplyTransposed(&S, &Dst) || S.TransposeAndMultiply(&S, &Dst) ||
                 S.Multiply(&Iv, &Ir) || S.TransposeAndMultiply(&Iv, &Ir) || S.Add(&S) || D.Add(nullptr));
    EXPECT_EQ(std::tuple(S.CountMaskedZeros(0, 0, 0, 0, 0), S.GeometricMean(0, 0, 0, 0), S.HarmonicMean(0, 0, 0, 0),
                         S.Percentile(50, 0, 0, 0, 0, 1), S.CRCofData(), Means.NrOfElem(), Edge.NrOfElem(), Ir.NrOfElem()),
              std::tuple(0, Extended(0), Extended(0), Extended(0), std::string(32, '0'), 1, 1, 1));
    // Nil vectors and matrices: nothing, no event.
    S.MeanVec(TDims::dimRows, nullptr), S.EdgeVector(TOrientation::orRows, TEdgeOp::eoMin, nullptr);
    S.CopyRowToVec(nullptr, 1, 0, 0), S.CopyColToVec(nullptr, 1, 0, 0), S.Clone(nullptr), S.CopyFrom(nullptr, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(std::tuple(State(S), Ev, Arr.empty(), Bits.empty()), std::tuple(Before, 0, true, true));
    // A sparse list emptied by Resize inside a box that is not reset: lookups find nothing.
    TIntMatrix Gone(nullptr, 1), Copy(nullptr, 1);
    Gone.SetElem(3, 1, 5);
    Gone.SetElem(3, 2, 6);
    Gone.Resize(2, 2);
    Copy.Clone(&Gone);
    EXPECT_EQ(std::tuple(Copy.SparseNumElem(), Copy.Elem(2, 1), Copy.Elem(2, 2), Gone.Elem(2, 2)), std::tuple(0, 0, 0, 0));
    // A zero-size dense matrix: empty ranges, neutral results.
    TIntMatrix Z(nullptr);
    Z.Resize(0, 0);
    double Mean = 7, Var = 7;
    Z.MeanVar(0, 0, 0, 0, Mean, Var);
    Z.Find(0, 0, 0, 0, 1, Ci, Ri);
    EXPECT_EQ(std::tuple(Mean, Z.Sum(0, 0, 0, 0), Z.Percentile(50, 0, 0, 0, 0), Z.Quartiles(0, 0, 0, 0, Q1, Q2, Q3), Ci,
                         Z.CountMaskedZeros(0, 0, 0, 0, 1), Z.FindInSortedColumn(1, true, 0)),
              std::tuple(0.0, 0, Extended(0), false, 0, 0, 0));
}

TEST(IntMatrix, SearchCountsAndCopies) {
    TIntMatrix M(nullptr);
    Load(M, 2, 3, {INT_MIN, -5, 0, 1, 6, INT_MAX});
    std::int32_t C, R;
    M.Find(0, 0, 0, 2, INT_MAX, C, R);  // a 32-bit difference would wrap INT_MIN next to it
    EXPECT_EQ(std::tuple(C, R), std::tuple(2, 2));
    EXPECT_EQ(std::tuple(M.FindInSortedColumn(1, true, INT_MAX), M.FindInSortedColumn(2, true, 4),
                         M.FindInSortedColumn(2, true, 0), M.FindInSortedColumn(3, true, 0)),
              std::tuple(3, 2, 1, 0));
    EXPECT_EQ(std::tuple(M.CountValues(0, 0, 0, 0, -5, 6), M.CountMaskedZeros(0, 0, 0, 0, 1u), M.CountMaskedZeros(2, 2, 1, 2, 0x80000000u)),
              std::tuple(4, 3, 2));
    TBool2DArray Bits;
    EXPECT_EQ(M.Dichotomize(0, Bits), 3);
    EXPECT_EQ(Bits, (TBool2DArray{{false, false, false}, {true, true, true}}));
    TVector Means(nullptr), Cm(nullptr);
    M.MeanVec(TDims::dimRows, &Means);
    M.MeanVec(TDims::dimColumns, &Cm);
    EXPECT_EQ(std::tuple(test::ValuesOf(Means), test::ValuesOf(Cm)),
              std::tuple(std::vector<double>{(INT_MIN + 1.0) / 2, 0.5, (INT_MAX + 0.0) / 2},
                         std::vector<double>{(INT_MIN - 5.0) / 3, (INT_MAX + 7.0) / 3}));
    TIntVector V(nullptr);
    V.Resize(2);
    M.CopyColToVec(&V, 9, 0, 0);  // last column, cut to the vector's length
    EXPECT_EQ(test::ValuesOf<int>(V), (Ints{1, 6}));
    test::SetValues(V, Ints{9, 9, 9});
    M.CopyRowToVec(&V, -1, 0, 0);  // cleared first: the element beyond the row is 0
    EXPECT_EQ(test::ValuesOf<int>(V), (Ints{INT_MIN, 1, 0}));
    // Copies at extreme destinations: no wrap into valid positions.
    TIntMatrix D(nullptr), S(nullptr, 1);
    D.Resize(2, 2);
    D.CopyFrom(&M, 1, 1, 2, 3, INT_MAX, INT_MAX);
    D.CopyFrom(&M, 1, 1, 2, 3, INT_MIN, INT_MIN);
    D.CopyFromArray({{1, 2}, {3}}, INT_MAX, 1);
    EXPECT_EQ(std::get<2>(State(D)), (Ints{0, 0, 0, 0}));
    D.CopyFromArray({{1, 2, 9}, {3}}, 1, 1);  // ragged: each column as long as it is
    EXPECT_EQ(std::get<2>(State(D)), (Ints{1, 2, 3, 0}));
    S.CopyFromArray({{7}}, INT_MAX, INT_MAX);
    S.CopyFrom(&M, 2, 2, 1, 1, INT_MAX, 1);  // reversed corners; the second column does not fit
    EXPECT_EQ(std::tuple(S.SparseNumElem(), S.Elem(INT_MAX, INT_MAX), S.Elem(INT_MAX, 2)), std::tuple(3, 7, -5));
    M.CopyFrom(&M, 1, 1, 2, 2, 1, 2);  // onto itself, overlapping
    EXPECT_EQ(std::get<2>(State(M)), (Ints{INT_MIN, INT_MIN, -5, 1, 1, 6}));
    TMatrix Real(nullptr);
    Real.Resize(3, 2);
    Real.CopyFrom(&S, INT_MAX - 1, 1, INT_MAX, 2, 2, 1);
    Real.CopyFrom(static_cast<const TIntMatrix*>(nullptr), 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(test::Cells(Real), (std::vector<double>{0, 0, 0, 0, INT_MIN, -5}));
    EXPECT_EQ(TIntMatrix(nullptr).CRCofData(), "D202EF8DD202EF8DD202EF8DD202EF8D");  // zlib.crc32(b"\0")
    TIntMatrix Crc(nullptr);
    Load(Crc, 2, 2, {0x04030201, -2, 7, INT_MIN});
    // zlib.crc32 of byte k (little-endian) of each element, column by column, for k = 0..3.
    EXPECT_EQ(Crc.CRCofData(), "69E3706435D5237A8D69441FFD06FF86");
}

TEST(IntMatrix, SortsMirrorsAndEdges) {
    TIntMatrix M(nullptr);
    Load(M, 3, 4, {4, 3, 2, 1, 10, 20, 30, 40, 7, 5, 8, 6});
    std::vector<std::tuple<int, int, int, int, int>> Ex;
    M.OnSortExchange = [&](TObject*, std::uint8_t W, std::int32_t I, std::int32_t J, std::int32_t F, std::int32_t L) {
        Ex.emplace_back(W, I, J, F, L);
    };
    int Ev;
    CountChanges(M, Ev);
    M.SortRows(3, true, 1, 1, 1, 2);  // key column outside the range moves with it
    EXPECT_EQ(std::get<2>(State(M)), (Ints{3, 4, 2, 1, 10, 20, 30, 40, 5, 7, 8, 6}));
    EXPECT_EQ(Ex, (std::vector<std::tuple<int, int, int, int, int>>{{2, 1, 2, 1, 1}}));
    M.SortRows(3, true, 0, 2, 0, 2);
    M.SortRows(9, true, 0, 0, 0, 0);
    M.SortCols(0, true, 0, 0, 0, 0);
    M.ExchangeRows(1, 5);
    EXPECT_EQ(std::tuple(Ex.size(), Ev), std::tuple(1u, 1));
    M.SortCols(1, false, 0, 0, 0, 0);  // by row 1 descending: 10, 5, 3
    EXPECT_EQ(std::get<2>(State(M)), (Ints{10, 20, 30, 40, 5, 7, 8, 6, 3, 4, 2, 1}));
    EXPECT_EQ(std::tuple(Ex.size(), std::get<0>(Ex[1]), std::get<3>(Ex[2]), std::get<4>(Ex[2])), std::tuple(3u, 1, 1, 4));
    M.MirrorRows();
    M.MirrorColumns();
    M.ExchangeColumns(1, 3);
    EXPECT_EQ(std::get<2>(State(M)), (Ints{40, 30, 20, 10, 6, 8, 7, 5, 1, 2, 4, 3}));
    TVector E(nullptr);
    M.EdgeVector(TOrientation::orColumns, TEdgeOp::eoMean, &E);
    EXPECT_EQ(test::ValuesOf(E), (std::vector<double>{25, 6.5, 2.5}));
    M.EdgeVector(TOrientation::orRows, TEdgeOp::eoMin, &E);
    EXPECT_EQ(test::ValuesOf(E), (std::vector<double>{1, 2, 4, 3}));
    M.EdgeVector(TOrientation::orRows, static_cast<TEdgeOp>(4), &E);
    M.ExchangeColumns(0, 1), M.ExchangeColumns(1, 4), M.ExchangeRows(0, 1);
    EXPECT_EQ(std::tuple(test::ValuesOf(E), std::get<2>(State(M)), Ev),
              std::tuple(std::vector<double>{1, 2, 4, 3}, Ints{40, 30, 20, 10, 6, 8, 7, 5, 1, 2, 4, 3}, 5));
    TIntMatrix Z(nullptr);
    Z.Resize(0, 2);  // no columns: the extremes keep their start values, the mean of nothing is 0
    for (auto [Op, Want] : {std::pair{TEdgeOp::eoMin, uc_MaxDouble}, {TEdgeOp::eoMax, -uc_MaxDouble}, {TEdgeOp::eoMean, 0.0}}) {
        Z.EdgeVector(TOrientation::orRows, Op, &E);
        EXPECT_EQ(test::ValuesOf(E), (std::vector<double>{Want, Want})) << static_cast<int>(Op);
    }
    std::vector<std::pair<TObject*, double>> Pct;
    M.OnPercentDone = [&](TObject* Sender, double P) { Pct.emplace_back(Sender, P); };
    M.PercDone(&Z, 42);  // relayed with the matrix as sender
    EXPECT_EQ(Pct, (std::vector<std::pair<TObject*, double>>{{&M, 42.0}}));
    TIntMatrix S(nullptr, 5);
    S.SetElem(1, 2, 12);
    S.SetElem(1, 3, 13);
    S.SetElem(2, 1, 21);
    CountChanges(S, Ev);
    EXPECT_TRUE(S.Transpose());
    EXPECT_EQ(std::tuple(State(S), Ev), std::tuple(std::tuple(3, 2, Ints{0, 21, 12, 0, 13, 0}), 1));
}

TEST(IntMatrix, XmlAndBinaryHeader) {
    TIntMatrix D(nullptr), S(nullptr, 2);
    const std::string Xml = "<matrix><numcols>3</numcols><numrows>2</numrows><cell ix=\"2\" iy=\"1\">-7</cell>"
                            "<cell ix=\"4\" iy=\"1\">9</cell><cell ix=\"3\" iy=\"2\">+12</cell></matrix>";
    for (TIntMatrix* M : {&D, &S}) {
        const test::TIntXmlModel Model = test::FeedInt(*M, Xml);
        EXPECT_EQ(Model.Result, 1);
        EXPECT_TRUE(test::AgreesInt(*M, Model));
        EXPECT_EQ(State(*M), std::tuple(3, 2, Ints{0, 0, -7, 0, 0, 12}));  // (4, 1) lies outside the counts
    }
    D.SetName("D");
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] {
                  test::FeedInt(D, "<numcols>2147483647</numcols><numrows>2147483647</numrows><cell ix=\"1\" iy=\"1\">1</cell>",
                                INT_MAX);
              }),
              "Component \"D\": not enough memory on heap");
    EXPECT_EQ(std::tuple(D.NrOfColumns(), D.FirstCell()), std::tuple(3, true));
    // Random texts built from tag pieces, and their truncations, in both forms.
    const char* Pieces[] = {"<numcols>", "</numcols>", "<numrows>", "</numrows>", "<cell ix=\"", "\" iy=\"", "\">",
                            "</cell>", "</matrix>", "<bogus>", "-", "3", "1", "0", "12", " ", "x", "<"};
    std::mt19937 Gen(3);
    for (int K = 0; K < 400; ++K) {
        std::string T;
        for (int P = 0, N = static_cast<int>(Gen() % 40); P < N; ++P) T += Pieces[Gen() % std::size(Pieces)];
        T.resize(Gen() % (T.size() + 1));
        TIntMatrix Dn(nullptr), Sp(nullptr, 1);
        ASSERT_TRUE(test::AgreesInt(Dn, test::FeedInt(Dn, T))) << T;
        ASSERT_TRUE(test::AgreesInt(Sp, test::FeedInt(Sp, T))) << T;
    }
    test::TempPath F("intmatrix.bin");
    for (auto [Z, Format, Fits] : {std::tuple(0, 2, true), std::tuple(0, 1, false), std::tuple(1, 2, false)}) {
        std::array<std::uint8_t, detail::MatRecordBytes> Rec{};
        detail::EncodeMatFileHeader({5, 7, Z, 0, "ints", Format}, Rec);
        test::WriteBytes(F.str(), std::string(Rec.begin(), Rec.end()));
        std::int32_t C = 0, R = 0, Fm = 0;
        std::string Id;
        EXPECT_EQ(TIntMatrix::ReadBinaryHeader(F.str(), C, R, Id, Fm), Fits);
        EXPECT_EQ(std::tuple(C, R, Id, Fm), std::tuple(5, 7, "ints", Format));
    }
}

// The block an operation reads under its own bound order and the range rule, and what it
// computes there, against a brute-force walk over that block.
TEST(IntMatrix, BlocksAgainstBruteForce) {
    std::mt19937 Gen(21);
    constexpr std::int32_t NC = 5, NR = 4;
    TIntMatrix M(nullptr);
    M.Resize(NC, NR);
    for (std::int32_t C = 1; C <= NC; ++C)
        for (std::int32_t R = 1; R <= NR; ++R) M.SetElem(C, R, 1 + static_cast<std::int32_t>(Gen() % 40));
    auto Norm = [](std::int32_t& Lo, std::int32_t& Hi, std::int32_t N) {  // (0, 0) all, else clamped and ordered
        if (Lo == 0 && Hi == 0) Lo = 1, Hi = N;
        Lo = std::clamp(Lo, 1, N), Hi = std::clamp(Hi, 1, N);
        if (Hi < Lo) std::swap(Lo, Hi);
    };
    // (a, b, c, d): the statistics read (LowCol a, LowRow b, HighCol c, HighRow d), the others
    // (LowCol a, HighCol b, LowRow c, HighRow d); b != c, so a mixed-up order reads another block.
    for (auto [A, B, C, D] : {std::tuple(1, 3, 2, 4), std::tuple(0, 0, 0, 0), std::tuple(4, 9, 2, -3), std::tuple(5, 1, 3, 3),
                              std::tuple(2, 4, 1, 2), std::tuple(3, 2, 3, 1), std::tuple(2, 1, 2, 3)}) {
        std::int32_t SLc = A, SLr = B, SHc = C, SHr = D, OLc = A, OHc = B, OLr = C, OHr = D;
        Norm(SLc, SHc, NC), Norm(SLr, SHr, NR), Norm(OLc, OHc, NC), Norm(OLr, OHr, NR);
        Ints V;
        for (std::int32_t Cc = SLc; Cc <= SHc; ++Cc)
            for (std::int32_t R = SLr; R <= SHr; ++R) V.push_back(M.Elem(Cc, R));
        const auto n = static_cast<long double>(V.size());
        long double Sum = 0, Ln = 0, Inv = 0, M2 = 0, M3 = 0, M4 = 0;
        for (std::int32_t X : V) Sum += X, Ln += std::log(static_cast<long double>(X)), Inv += 1.0L / X;
        const long double Mean = Sum / n;
        for (std::int32_t X : V) M2 += (X - Mean) * (X - Mean), M3 += std::pow(X - Mean, 3), M4 += std::pow(X - Mean, 4);
        const long double Sd = std::sqrt(M2 / (n - 1)), G = M3 / n / std::pow(Sd, 3), K = M4 / n / std::pow(Sd, 4) - 3;
        Ints Sorted = V;
        std::sort(Sorted.begin(), Sorted.end());
        auto Quart = [&](double P) {  // position (n + 1) p, kept inside 1..n - 1
            const double Pos = (static_cast<double>(V.size()) + 1) * P;
            auto Kx = static_cast<std::size_t>(Pos);
            double F = Pos - static_cast<double>(Kx);
            if (V.size() == 1) return static_cast<double>(Sorted[0]);
            if (Kx == 0) Kx = 1, F = 0;
            if (Kx > V.size() - 1) Kx = V.size() - 1, F = 0;
            return Sorted[Kx - 1] + (Sorted[Kx] - Sorted[Kx - 1]) * F;
        };
        const std::string Block = std::to_string(A) + "," + std::to_string(B) + "," + std::to_string(C) + "," + std::to_string(D);
        std::int32_t Lo, Hi;
        double Mn, Vr, S, Ku, Q1, Q2, Q3;
        M.MinMax(A, B, C, D, Lo, Hi);
        M.MeanVar(A, B, C, D, Mn, Vr);
        EXPECT_EQ(std::tuple(M.Sum(A, B, C, D), Lo, Hi, Mn), std::tuple(static_cast<std::int32_t>(Sum), Sorted.front(), Sorted.back(),
                                                                         static_cast<double>(Mean)))
            << Block;
        EXPECT_NEAR(Vr, V.size() > 2 ? static_cast<double>(M2 / (n - 1)) : 1.0, 1e-12 * Vr) << Block;
        M.SkewKurt(A, B, C, D, S, Ku);
        EXPECT_NEAR(S, V.size() > 1 && Sd > 0 ? static_cast<double>(G) : 0.0, 1e-12) << Block;
        EXPECT_NEAR(Ku, V.size() > 1 && Sd > 0 ? static_cast<double>(K) : 0.0, 1e-12) << Block;
        M.SkewKurtSample(A, B, C, D, S, Ku);
        EXPECT_NEAR(S, V.size() > 3 ? static_cast<double>(n * n * G / ((n - 1) * (n - 2))) : 0.0, 1e-12) << Block;
        EXPECT_NEAR(Ku, V.size() > 3 ? static_cast<double>((K + 3) * n * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) -
                                                           3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)))
                                     : 0.0,
                    1e-12)
            << Block;
        EXPECT_NEAR(static_cast<double>(M.GeometricMean(A, B, C, D)), static_cast<double>(std::exp(Ln / n)), 1e-13 * Hi) << Block;
        EXPECT_NEAR(static_cast<double>(M.HarmonicMean(A, B, C, D)), static_cast<double>(n / Inv), 1e-13 * Hi) << Block;
        EXPECT_TRUE(M.Quartiles(A, B, C, D, Q1, Q2, Q3));
        EXPECT_EQ(std::tuple(Q1, Q2, Q3), std::tuple(Quart(0.25), Quart(0.5), Quart(0.75))) << Block;
        for (double P : {0.0, 10.0, 25.0, 50.0, 70.0, 100.0}) {  // k = Round(n p / 100), halves to even, <= n - 1
            const auto Kx = std::min(static_cast<std::size_t>(std::nearbyint(static_cast<double>(V.size()) * P / 100)), V.size() - 1);
            EXPECT_EQ(M.Percentile(P, A, B, C, D), Sorted[Kx]) << Block << " p " << P;
        }
        // A sample as large as the block is the block itself; a smaller one draws inside it.
        const auto Size = static_cast<std::int32_t>(V.size());
        for (int K2 = 0; K2 < 8; ++K2) {
            EXPECT_EQ(M.Percentile(0, A, B, C, D, Size), Sorted.front()) << Block;
            if (Size < 2) continue;
            const Extended X = M.Percentile(100, A, B, C, D, Size - 1), Y = M.Percentile(0, A, B, C, D, Size - 1);
            EXPECT_TRUE(X <= Sorted.back() && Y >= Sorted.front()) << Block;
        }
        // The operations with (LowCol, HighCol, LowRow, HighRow).
        TInt2DArray Want, Got;
        std::int32_t InRange = 0, Even = 0, FC = 0, FR = 0, Fc, Fr;
        std::int64_t Best = INT64_MAX;
        for (std::int32_t Cc = OLc; Cc <= OHc; ++Cc) {
            Want.emplace_back();
            for (std::int32_t R = OLr; R <= OHr; ++R) {
                const std::int32_t X = M.Elem(Cc, R);
                Want.back().push_back(X);
                InRange += X >= 10 && X <= 30, Even += X % 2 == 0;
                if (std::abs(X - 17) < Best) Best = std::abs(X - 17), FC = Cc, FR = R;
            }
        }
        M.Find(A, B, C, D, 17, Fc, Fr);
        M.CopyToArray(Got, A, B, C, D);
        EXPECT_EQ(std::tuple(M.CountValues(A, B, C, D, 10, 30), M.CountMaskedZeros(A, B, C, D, 1u), Fc, Fr, Got),
                  std::tuple(InRange, Even, FC, FR, Want)) << Block;
        TIntMatrix F(nullptr);
        F.Clone(&M);
        F.Fill(A, B, C, D, -1);
        for (std::int32_t Cc = 1; Cc <= NC; ++Cc)
            for (std::int32_t R = 1; R <= NR; ++R)
                ASSERT_EQ(F.Elem(Cc, R), Cc >= OLc && Cc <= OHc && R >= OLr && R <= OHr ? -1 : M.Elem(Cc, R)) << Block;
    }
}

}  // namespace
