// TDataTable editing, sorting and copying: metadata travelling with every move, the
// notification sequences, sorts against a reference order, copies and fingerprints.
#include "qmr_test_support.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace qmr;

// A 3 x 5 table where everything differs: names, attributes, values (column 2 nominal
// with a dictionary, its values not whole numbers), states.
void Build(TDataTable& T, int NC = 3, int NR = 5) {
    T.Resize(NC, NR);
    T.AddNominalID(2, "lo");
    T.AddNominalID(2, "hi");
    for (int C = 1; C <= NC; ++C) {
        T.SetColName(C, "col" + std::to_string(C));
        T.SetColAttrib(C, 1000 * C);
        for (int R = 1; R <= NR; ++R) {
            T.NumericData()->SetElem(C, R, C == 2 ? (R % 2) + 1.25 : 10 * C + R + 0.5);
            T.SetCellState(C, R, static_cast<TCellState>(R * 16 + C));
        }
    }
    for (int R = 1; R <= NR; ++R) T.SetRowName(R, "row" + std::to_string(R)), T.SetRowAttrib(R, -R);
}

// A row's (OnColumns false) or column's header: name and attribute, for a column also
// the scale and the first identifiers.
std::string HeaderSig(const TDataTable& T, bool OnColumns, int K) {
    if (!OnColumns) return T.RowName(K).str() + "|" + std::to_string(T.RowAttrib(K));
    std::string S = T.ColName(K).str() + "|" + std::to_string(T.ColAttrib(K)) + "|" +
                    std::to_string(static_cast<int>(T.MScaleType(K)));
    for (int I = 1; I <= 3; ++I) S += "," + T.NominalID(K, I).str();
    return S;
}
// A cell: its value (as Elem reads it, or the stored one with Raw) and its state.
std::string CellSig(const TDataTable& T, int C, int R, bool Raw) {
    const double V = Raw ? T.NumericData()->Elem(C, R) : static_cast<double>(T.Elem(C, R));
    return std::to_string(V) + "/" + std::to_string(T.CellState(C, R));
}
// Everything of row / column K.
std::string LineSig(const TDataTable& T, bool OnColumns, int K, bool Raw = false) {
    std::string S = HeaderSig(T, OnColumns, K);
    for (int X = 1; X <= (OnColumns ? T.NrOfRows() : T.NrOfColumns()); ++X)
        S += "|" + (OnColumns ? CellSig(T, K, X, Raw) : CellSig(T, X, K, Raw));
    return S;
}
std::vector<std::string> Sigs(const TDataTable& T, bool OnColumns, bool Raw = false) {
    std::vector<std::string> V;
    for (int K = 1; K <= (OnColumns ? T.NrOfColumns() : T.NrOfRows()); ++K) V.push_back(LineSig(T, OnColumns, K, Raw));
    return V;
}

// Records the table's notifications: C change, S setup, N names, A attributes, X states,
// R(...) resize, E(...) sort exchange (e when the sender is not the table).
struct Events {
    std::vector<std::string> Log;
    explicit Events(TDataTable& T) {
        auto Tag = [this](const char* K) { return [this, K](TObject*) { Log.push_back(K); }; };
        T.OnChange = Tag("C");
        T.OnChangeSetup = Tag("S");
        T.OnChangeNames = Tag("N");
        T.OnChangeAttrib = Tag("A");
        T.OnChangeCellState = Tag("X");
        T.OnResize = [this](TObject*, int A, int B, int C, int D) {
            Log.push_back("R" + std::to_string(A) + std::to_string(B) + std::to_string(C) + std::to_string(D));
        };
        T.OnSortExchange = [this, &T](TObject* S, std::uint8_t K, int I, int J, int F, int L) {
            Log.push_back(std::string(S == &T ? "E" : "e") + std::to_string(K) + std::to_string(I) + std::to_string(J) +
                          std::to_string(F) + std::to_string(L));
        };
    }
    std::vector<std::string> Tail(std::size_t N) const {
        return {Log.end() - static_cast<std::ptrdiff_t>(std::min(N, Log.size())), Log.end()};
    }
    long Count(const std::string& K) const { return std::count(Log.begin(), Log.end(), K); }
};
const std::vector<std::string> kFive = {"C", "X", "A", "N", "S"};

TEST(DataTableEdit, InsertAndRemoveCarryEverything) {
    for (const bool OnColumns : {false, true}) {
        SCOPED_TRACE(OnColumns ? "columns" : "rows");
        TDataTable T(nullptr);
        Build(T, 3, 5);
        auto Count = [&] { return OnColumns ? T.NrOfColumns() : T.NrOfRows(); };
        auto Insert = [&](int I) { OnColumns ? T.InsertColumn(I) : T.InsertRow(I); };
        auto Remove = [&](int I) { OnColumns ? T.RemoveColumn(I) : T.RemoveRow(I); };
        const int N = Count(), Across = OnColumns ? 5 : 3;
        const auto Before = Sigs(T, OnColumns);
        Events E(T);
        Insert(2);  // grows first, then moves from the end
        ASSERT_EQ(Count(), N + 1);
        EXPECT_EQ(E.Log.front(), OnColumns ? "R3545" : "R3536");
        EXPECT_EQ(E.Log.back(), "S");
        std::string Blank = OnColumns ? "|0|3,,," : "|0";  // empty name, attribute 0 (interval, no dictionary)
        for (int X = 0; X < Across; ++X) Blank += "|0.000000/0";
        EXPECT_EQ(LineSig(T, OnColumns, 2), Blank);
        EXPECT_EQ(LineSig(T, OnColumns, 1), Before[0]);
        for (int K = 3; K <= N + 1; ++K) EXPECT_EQ(LineSig(T, OnColumns, K), Before[static_cast<std::size_t>(K - 2)]);
        // The nominal column's values arrive rounded (2.25 -> 2).
        EXPECT_EQ(OnColumns ? T.NumericData()->Elem(3, 1) : T.NumericData()->Elem(2, 4), 2.0);
        E.Log.clear();
        Remove(2);  // moves first (the last line too), shrinks after, OnChange once
        EXPECT_EQ(Sigs(T, OnColumns), Before);
        EXPECT_EQ(E.Count("C"), (N - 1) * Across + 1);
        EXPECT_EQ(E.Tail(3), (std::vector<std::string>{OnColumns ? "R4535" : "R3635", "C", "S"}));
        Insert(N + 1);
        EXPECT_EQ(OnColumns ? T.ColName(N + 1) : T.RowName(N + 1), "");  // appended, with an empty name
        E.Log.clear();
        for (int Bad : {0, N + 3}) Insert(Bad), Remove(Bad);
        EXPECT_TRUE(E.Log.empty());
    }
    TDataTable One(nullptr);  // the last row or column stays
    One.RemoveRow(1), One.RemoveColumn(1);
    EXPECT_EQ(One.NrOfRows() * One.NrOfColumns(), 1);
    // Column 3 moves to 2 as an interval column, without identifiers: position 2 keeps the
    // nominal column's dictionary (unseen on an interval column).
    Build(One, 3, 2);
    One.RemoveColumn(1);
    EXPECT_EQ(One.NominalID(1, 2), "hi");
    EXPECT_EQ(One.MScaleType(2), TMScaleType::stInterval);
    EXPECT_EQ(One.CountNominalIDs(2), 2);
}

TEST(DataTableEdit, RemoveMarkedRowsKeepsTheRestInOrder) {
    TDataTable T(nullptr);
    Build(T, 2, 5);
    T.SetAllCellStates(0);
    T.SetCellState(1, 2, 0x40);
    T.SetCellState(2, 4, 0x41);
    const auto Before = Sigs(T, false);
    Events E(T);
    EXPECT_EQ(T.RemoveMarkedRows(1, 9, 0x40), -1);
    EXPECT_EQ(T.RemoveMarkedRows(0, 1, 0x40), -1);
    EXPECT_TRUE(E.Log.empty());
    EXPECT_EQ(T.RemoveMarkedRows(0, 0, 0x80), 0);
    EXPECT_EQ(T.RemoveMarkedRows(3, 3, 0x40), 2);  // the whole table is examined
    EXPECT_EQ(Sigs(T, false), (std::vector<std::string>{Before[0], Before[2], Before[4]}));
    EXPECT_EQ(E.Log, (std::vector<std::string>{"R2523", "C", "X", "A", "N", "S"}));
}

TEST(DataTableEdit, ExchangesAndMirrorsMoveEverythingThenNotifyOnce) {
    const struct {
        bool OnColumns;
        void (*Op)(TDataTable&);
        std::vector<int> Perm;  // line k takes former line Perm[k - 1]; empty: nothing happens
    } Cases[] = {
        {false, [](TDataTable& T) { T.ExchangeRows(1, 4); }, {4, 2, 3, 1, 5}},
        {false, [](TDataTable& T) { T.ExchangeRows(2, 2); }, {1, 2, 3, 4, 5}},
        {true, [](TDataTable& T) { T.ExchangeColumns(3, 2); }, {1, 3, 2}},
        {false, [](TDataTable& T) { T.MirrorRows(); }, {5, 4, 3, 2, 1}},
        {true, [](TDataTable& T) { T.MirrorColumns(); }, {3, 2, 1}},
        {false, [](TDataTable& T) { T.ExchangeRows(0, 2); }, {}},
        {true, [](TDataTable& T) { T.ExchangeColumns(1, 4); }, {}},
    };
    for (const auto& K : Cases) {
        TDataTable T(nullptr);
        Build(T);
        const auto Before = Sigs(T, K.OnColumns, true);
        Events E(T);
        K.Op(T);
        std::vector<std::string> Want = Before;
        for (std::size_t I = 0; I < K.Perm.size(); ++I) Want[I] = Before[static_cast<std::size_t>(K.Perm[I] - 1)];
        EXPECT_EQ(Sigs(T, K.OnColumns, true), Want);
        EXPECT_EQ(E.Log, K.Perm.empty() ? std::vector<std::string>{} : kFive);
    }
}

TEST(DataTableEdit, BulkCellStateOperations) {
    struct Case {
        void (*Op)(TDataTable&);
        TCellState In, Out;
    } const Cases[] = {
        {[](TDataTable& T) { T.ExchangeMarkings(); }, 0x42, 0x82},
        {[](TDataTable& T) { T.ExchangeMarkings(); }, 0xC0, 0xC0},
        {[](TDataTable& T) { T.ExchangeMarkings(); }, 0x85, 0x45},
        {[](TDataTable& T) { T.UnmarkAllCells(); }, 0xE3, 0x23},
        {[](TDataTable& T) { T.InvertCellStates(0x81); }, 0x03, 0x82},
        {[](TDataTable& T) { T.SetAllCellStates(0x20); }, 0x03, 0x20},
        {[](TDataTable& T) { T.SetAllCellStates(0x20); }, 0x20, 0x20},
    };
    for (const Case& K : Cases) {
        TDataTable T(nullptr);
        T.Resize(2, 3);
        T.SetAllCellStates(K.In);
        Events E(T);
        K.Op(T);
        EXPECT_EQ(E.Log, std::vector<std::string>{"X"});
        for (int C = 1; C <= 2; ++C)
            for (int R = 1; R <= 3; ++R) EXPECT_EQ(T.CellState(C, R), K.Out) << int(K.In);
    }
}

// Sort keys of line k: its value (a row's in column 1, a column's in row 3), attribute or name.
void Keys(TDataTable& T, bool OnColumns, const std::vector<double>& V) {
    for (int K = 1; K <= static_cast<int>(V.size()); ++K) OnColumns ? T.SetElem(K, 3, V[K - 1]) : T.SetElem(1, K, V[K - 1]);
}
void Attribs(TDataTable& T, bool OnColumns, const std::vector<int>& A) {
    for (int K = 1; K <= static_cast<int>(A.size()); ++K)
        OnColumns ? T.SetColAttrib(K, A[K - 1]) : T.SetRowAttrib(K, A[K - 1]);
}
void RowNames(TDataTable& T, const std::vector<const char*>& N) {
    for (int K = 1; K <= static_cast<int>(N.size()); ++K) T.SetRowName(K, N[K - 1]);
}

TEST(DataTableSort, LinesMoveWithTheirHeadersCellsAndStates) {
    using Fn = void (*)(TDataTable&);
    const Fn RowKeys = [](TDataTable& T) { Keys(T, false, {4, 1, 6, 3, 5, 2}); };
    const struct {
        const char* Name;
        bool OnColumns;
        Fn Setup, Sort;
        std::vector<int> Perm;   // line k takes former line Perm[k - 1]; empty: nothing happens
        std::vector<int> Cross;  // positions across whose cells move (the others stay)
        bool Headers;
        std::vector<std::string> Tail;
        std::string Relay;  // kind and range of every relayed exchange
    } Cases[] = {
        // Rows of a 3 x 6 table (row keys 4 1 6 3 5 2 in column 1).
        {"rows by values", false, RowKeys, [](TDataTable& T) { T.SortRows(1, false, 0, 0, 0, 0, true); },
         {3, 5, 1, 4, 6, 2}, {1, 2, 3}, true, {"C", "N", "A"}, "213"},
        {"flag kept for the matrix's own sort", false,
         [](TDataTable& T) { Keys(T, false, {4, 1, 6, 3, 5, 2}), T.SortRows(1, false, 0, 0, 0, 0, true); },
         [](TDataTable& T) { T.NumericData()->SortRows(1, true, 0, 0, 0, 0); }, {6, 5, 4, 3, 2, 1}, {1, 2, 3}, true,
         {"C"}, "213"},
        {"key column outside the range", false, RowKeys, [](TDataTable& T) { T.SortRows(1, false, 2, 0, 3, 0, true); },
         {3, 5, 1, 4, 6, 2}, {1, 2, 3}, true, {"C", "N", "A"}, "223"},
        {"rows 2..5 without headers", false, RowKeys, [](TDataTable& T) { T.SortRows(1, true, 0, 2, 0, 5, false); },
         {1, 2, 4, 5, 3, 6}, {1, 2, 3}, false, {"C"}, "213"},
        {"key outside the table", false, RowKeys,
         [](TDataTable& T) { T.SortRows(4, true, 0, 0, 0, 0, true), T.SortCols(7, true, 0, 0, 0, 0, true); }, {},
         {}, false, {}, ""},
        {"row attributes, column 2 only", false, [](TDataTable& T) { Attribs(T, false, {300, -5, 7, 0, -9, 12}); },
         [](TDataTable& T) { T.SortRowAttributes(true, 2, 0, 2, 0); }, {5, 2, 4, 3, 6, 1}, {2}, true, {"C", "A"},
         "222"},
        {"row names by character codes", false, [](TDataTable& T) { RowNames(T, {"b", "B", "a", "C", "d", "A"}); },
         [](TDataTable& T) { T.SortRowNames(true, 0, 0, 0, 0); }, {6, 2, 4, 3, 1, 5}, {1, 2, 3}, true, {"C", "N"},
         "213"},
        {"row names ignoring case, descending", false,
         [](TDataTable& T) { RowNames(T, {"b", "C", "a", "D", "e", "F"}); },
         [](TDataTable& T) { T.SortRowNames(false, true, 0, 0, 0, 0); }, {6, 5, 4, 2, 1, 3}, {1, 2, 3}, true,
         {"C", "N"}, "213"},
        // Columns of a 4 x 3 table (column 2 nominal with a dictionary).
        {"columns by row 3, outside rows 1..2", true, [](TDataTable& T) { Keys(T, true, {3, 1, 4, 2}); },
         [](TDataTable& T) { T.SortCols(3, true, 0, 1, 0, 2, true); }, {2, 4, 1, 3}, {1, 2, 3}, true,
         {"C", "N", "A"}, "112"},
        {"column names, rows 1..2", true, [](TDataTable&) {},
         [](TDataTable& T) { T.SortColNames(false, 0, 1, 0, 2); }, {4, 3, 2, 1}, {1, 2}, true, {"C", "N"}, "112"},
        {"column attributes 2..4", true, [](TDataTable& T) { Attribs(T, true, {5, 9, -1, 4}); },
         [](TDataTable& T) { T.SortColAttributes(true, 2, 0, 4, 0); }, {1, 3, 4, 2}, {1, 2, 3}, true, {"C", "A"},
         "113"},
    };
    for (const auto& K : Cases) {
        SCOPED_TRACE(K.Name);
        TDataTable T(nullptr), B(nullptr);
        K.OnColumns ? Build(T, 4, 3) : Build(T, 3, 6);
        K.Setup(T);
        B.Assign(&T);
        Events E(T);
        K.Sort(T);
        const int Lines = K.OnColumns ? T.NrOfColumns() : T.NrOfRows();
        const int Across = K.OnColumns ? T.NrOfRows() : T.NrOfColumns();
        for (int L = 1; L <= Lines; ++L) {
            const int From = K.Perm.empty() ? L : K.Perm[static_cast<std::size_t>(L - 1)];
            EXPECT_EQ(HeaderSig(T, K.OnColumns, L), HeaderSig(B, K.OnColumns, K.Headers ? From : L)) << L;
            for (int X = 1; X <= Across; ++X) {
                const bool Moves = std::find(K.Cross.begin(), K.Cross.end(), X) != K.Cross.end();
                const int S = Moves ? From : L;
                EXPECT_EQ(K.OnColumns ? CellSig(T, L, X, true) : CellSig(T, X, L, true),
                          K.OnColumns ? CellSig(B, S, X, true) : CellSig(B, X, S, true))
                    << L << "," << X;
            }
        }
        EXPECT_EQ(E.Tail(K.Tail.size()), K.Tail);
        if (K.Perm.empty()) {
            EXPECT_TRUE(E.Log.empty());
        }
        long Relays = 0;
        for (const std::string& S : E.Log)
            if (S[0] == 'E' || S[0] == 'e') {
                ++Relays;
                EXPECT_EQ(S.substr(0, 2) + S.substr(4), "E" + K.Relay) << S;
            }
        EXPECT_EQ(Relays > 0, !K.Perm.empty());
    }
}

TEST(DataTableSort, CombPassesOverEqualAttributes) {
    TDataTable T(nullptr);
    Build(T, 1, 4);
    const int Att[] = {300, -5, 7, -5};
    for (int R = 1; R <= 4; ++R) T.SetRowAttrib(R, Att[R - 1]);
    Events E(T);
    T.SortRowAttributes(true, 0, 0, 0, 0);
    // The passes by hand: gaps 2, 1, 1, 1 over 300, -5, 7, -5; equal values never swap.
    std::vector<std::string> Ex;
    std::copy_if(E.Log.begin(), E.Log.end(), std::back_inserter(Ex), [](const std::string& S) { return S[0] == 'E'; });
    EXPECT_EQ(Ex, (std::vector<std::string>{"E21311", "E21211", "E23411", "E22311"}));
    EXPECT_EQ(E.Count("C"), 4 * 2 + 1);  // two value writes per exchange, one at the end
    TDataTable One(nullptr);  // fewer than two rows: nothing at all
    Events E1(One);
    One.SortRowNames(true, 0, 0, 0, 0);
    One.SortColAttributes(true, 0, 0, 0, 0);
    EXPECT_TRUE(E1.Log.empty());
}

TEST(DataTableCopy, LookupsAndArrays) {
    TDataTable T(nullptr);
    T.Resize(3, 3);
    T.SetColName(3, "C-2");
    const struct {
        const char* ID;
        int Col, Row;
    } Finds[] = {{"  c-2  ", 2, 0}, {"r-3", 0, 3}, {"\tC-2", 0, 0}, {"C-", 0, 0}};  // only blanks are trimmed
    for (const auto& F : Finds) EXPECT_EQ(T.FindColIndex(F.ID) * 10 + T.FindRowIndex(F.ID), F.Col * 10 + F.Row) << F.ID;
    T.SetMScaleType(2, TMScaleType::stNominal);  // stored values come unrounded
    Events E(T);
    EXPECT_EQ(T.CopyDataFromArray(TDouble2DArray{}), -1);  // nothing copied, nothing fired
    EXPECT_TRUE(E.Log.empty());
    EXPECT_EQ(T.CopyDataFromArray(TDouble2DArray{{1.5, 2.5}, {3.5, 4.5}}), -1);
    EXPECT_EQ(E.Log, std::vector<std::string>{"C"});
    EXPECT_EQ(T.CopyDataFromArray(TInt2DArray{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), 0);
    // Ragged: each column read at most as far as the first column's length and its own.
    EXPECT_EQ(T.CopyDataFromArray(TDouble2DArray{{-1, -2}, {-3}, {-4, -5, -6}}), -1);
    TDouble2DArray All;
    T.CopyDataToArray(All);
    EXPECT_EQ(All, (TDouble2DArray{{-1, -2, 3}, {-3, 5, 6}, {-4, -5, 9}}));
    EXPECT_EQ(T.CopyDataRowFromArray(3, {0.25, 0.75, 1, 1, 1}), 0);
    EXPECT_EQ(T.CopyDataColumnFromArray(1, {8}), 0);
    EXPECT_EQ(T.CopyDataRowFromArray(4, {1}), -1);
    EXPECT_EQ(T.CopyDataColumnFromArray(0, {1}), -1);
    TDoubleArray A{99};
    EXPECT_EQ(T.CopyDataRowToArray(3, A), 0);
    EXPECT_EQ(A, (TDoubleArray{0.25, 0.75, 1}));
    EXPECT_EQ(T.CopyDataColumnToArray(1, A), 0);
    EXPECT_EQ(A, (TDoubleArray{8, -2, 0.25}));
    A = {7};
    EXPECT_EQ(T.CopyDataRowToArray(0, A), -1);
    EXPECT_EQ(T.CopyDataColumnToArray(4, A), -1);
    EXPECT_EQ(A, TDoubleArray{7});
}

TEST(DataTableCopy, BetweenTables) {
    TDataTable S(nullptr), T(nullptr);
    Build(S);
    S.SetComment("note");
    T.Resize(2, 2);
    Events E(T);
    T.CopyContentsFrom(nullptr);
    EXPECT_FALSE(T.CopyCellStatesFrom(nullptr));
    EXPECT_FALSE(T.CopyCellStatesFrom(&S));
    EXPECT_TRUE(E.Log.empty());
    T.CopyContentsFrom(&S);
    EXPECT_EQ(E.Log, (std::vector<std::string>{"R2235", "C", "X", "S", "N", "A", "R2235"}));
    for (const bool OnColumns : {false, true}) EXPECT_EQ(Sigs(T, OnColumns), Sigs(S, OnColumns));
    EXPECT_EQ(T.Comment(), "note");
    EXPECT_EQ(T.NumericData()->Elem(2, 1), 2.0);  // nominal values arrive rounded
    EXPECT_FALSE(S.OnChange);
    S.SetAllCellStates(7);
    E.Log.clear();
    EXPECT_TRUE(T.CopyCellStatesFrom(&S));
    EXPECT_EQ(T.CellState(3, 5), 7);
    EXPECT_EQ(E.Log, std::vector<std::string>{"X"});

    // Block copy onto itself, overlapping: the source block is read before any write.
    // Bounds are clamped (no (0, 0) rule), reversed pairs swapped, cells beyond dropped.
    TDataTable U(nullptr);
    Build(U, 3, 5);
    U.SetMScaleType(2, TMScaleType::stInterval);
    TDouble2DArray Old;
    U.CopyDataToArray(Old);
    Events EU(U);
    U.CopyFrom(&U, 9, 4, -2, 1, 2, 2);  // columns 1..3, rows 1..4 to (2, 2)
    EXPECT_EQ(EU.Log, (std::vector<std::string>{"C", "X"}));
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 5; ++R) {
            const bool Target = C >= 2 && R >= 2;
            EXPECT_EQ(U.NumericData()->Elem(C, R), Target ? Old[C - 2][R - 2] : Old[C - 1][R - 1]) << C << "," << R;
            EXPECT_EQ(U.CellState(C, R), Target ? (R - 1) * 16 + C - 1 : R * 16 + C);
        }
    U.CopyFrom(nullptr, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(EU.Log.size(), 2u);
}

// The fingerprint of eight byte streams: CRC-32 (reflected, polynomial EDB88320) of
// each, bit by bit, as 8 hex digits.
std::string Registers(const std::string (&Streams)[8]) {
    std::string S;
    for (const std::string& B : Streams) {
        std::uint32_t R = 0xFFFFFFFFu;
        for (unsigned char X : B) {
            R ^= X;
            for (int K = 0; K < 8; ++K) R = (R >> 1) ^ (0xEDB88320u & (0u - (R & 1u)));
        }
        char Buf[9];
        std::snprintf(Buf, sizeof Buf, "%08X", ~R);
        S += Buf;
    }
    return S;
}

TEST(DataTableFingerprint, RegistersTakeBytesByPosition) {
    TDataTable T(nullptr);
    T.Resize(2, 1);
    T.SetComment("abcdefghij");
    T.SetColAttrib(2, 0x1234);
    T.SetColName(2, "XY");
    T.AddNominalID(1, "q");
    // Byte p of each text to register p mod 8, positions restarting per text; the low
    // byte of attribute k and the scale of column k at p = k.
    std::string Exp[8];
    auto Feed = [&](const std::string& S) {
        for (std::size_t P = 0; P < S.size(); ++P) Exp[(P + 1) % 8] += S[P];
    };
    for (const char* S : {"abcdefghij", "C-1", "XY"}) Feed(S);
    Exp[1] += '\0', Exp[2] += '\x34';
    Feed("R-1");
    Exp[1] += std::string("\0\1", 2), Exp[2] += '\3';
    Feed("q");
    EXPECT_EQ(T.CRCofNamesAndAttributes(), Registers(Exp));
    const std::string States[8] = {"", std::string(2, '\0'), "", "", "", "", "", ""};
    EXPECT_EQ(T.CRCofCellStates(), Registers(States));
    T.SetRowName(1, "other");
    EXPECT_NE(T.CRCofNamesAndAttributes(), Registers(Exp));
    EXPECT_EQ(T.CRCofCellStates(), Registers(States));
}

}  // namespace
