// TDataTable editing, sorting and copying: metadata travelling with every move, the
// notification sequences, sorts against a reference order, copies and fingerprints.
#include "qmr_test_support.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <numeric>
#include <random>
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

// Everything of a row / column, as the accessors read it.
std::string RowSig(const TDataTable& T, int R) {
    std::string S = T.RowName(R).str() + "|" + std::to_string(T.RowAttrib(R));
    for (int C = 1; C <= T.NrOfColumns(); ++C)
        S += "|" + std::to_string(static_cast<double>(T.Elem(C, R))) + "/" + std::to_string(T.CellState(C, R));
    return S;
}
std::string ColSig(const TDataTable& T, int C) {
    std::string S = T.ColName(C).str() + "|" + std::to_string(T.ColAttrib(C)) + "|" +
                    std::to_string(static_cast<int>(T.MScaleType(C))) + "|" + std::to_string(T.CountNominalIDs(C));
    for (int K = 1; K <= 3; ++K) S += "," + T.NominalID(C, K).str();
    for (int R = 1; R <= T.NrOfRows(); ++R)
        S += "|" + std::to_string(static_cast<double>(T.Elem(C, R))) + "/" + std::to_string(T.CellState(C, R));
    return S;
}
std::vector<std::string> Sigs(const TDataTable& T, bool Rows) {
    std::vector<std::string> V;
    for (int I = 1; I <= (Rows ? T.NrOfRows() : T.NrOfColumns()); ++I) V.push_back(Rows ? RowSig(T, I) : ColSig(T, I));
    return V;
}

// Records the table's notifications: C change, S setup, N names, A attributes, X states,
// R(...) resize, E(...) sort exchange.
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

TEST(DataTableEdit, InsertAndRemoveRowsCarryEverything) {
    TDataTable T(nullptr);
    Build(T);
    const auto Before = Sigs(T, true);
    Events E(T);
    T.InsertRow(2);
    ASSERT_EQ(T.NrOfRows(), 6);
    EXPECT_EQ(E.Log.front(), "R3536");
    EXPECT_EQ(E.Log.back(), "S");
    EXPECT_EQ(RowSig(T, 2), "|0|0.000000/0|0.000000/0|0.000000/0");
    for (int R = 3; R <= 6; ++R) EXPECT_EQ(RowSig(T, R), Before[static_cast<std::size_t>(R - 2)]);
    EXPECT_EQ(T.NumericData()->Elem(2, 4), 2.0);  // nominal values arrive rounded (1.25 -> 1, 2.25 -> 2)
    E.Log.clear();
    T.RemoveRow(2);
    EXPECT_EQ(Sigs(T, true), Before);  // the last row too: moves come before the shrink
    EXPECT_EQ(E.Count("C"), 4 * 3 + 1);
    EXPECT_EQ(E.Tail(3), (std::vector<std::string>{"R3635", "C", "S"}));
    T.InsertRow(6);
    EXPECT_EQ(T.RowName(6), "");  // appended, with an empty name
    for (int Bad : {0, 8}) T.InsertRow(Bad), T.RemoveRow(Bad);
    TDataTable One(nullptr);
    One.RemoveRow(1), One.RemoveColumn(1);
    EXPECT_EQ(T.NrOfRows() * One.NrOfRows() * One.NrOfColumns(), 6);
}

TEST(DataTableEdit, InsertAndRemoveColumnsCarryScaleAndDictionary) {
    TDataTable T(nullptr);
    Build(T);
    const auto Before = Sigs(T, false);
    T.InsertColumn(1);
    ASSERT_EQ(T.NrOfColumns(), 4);
    EXPECT_EQ(ColSig(T, 1), "|0|3|0,,,|0.000000/0|0.000000/0|0.000000/0|0.000000/0|0.000000/0");
    for (int C = 2; C <= 4; ++C) EXPECT_EQ(ColSig(T, C), Before[static_cast<std::size_t>(C - 2)]);
    T.RemoveColumn(1);
    EXPECT_EQ(ColSig(T, 1), Before[0]);
    EXPECT_EQ(ColSig(T, 2), Before[1]);
    // A column that is neither nominal nor ordinal moves without identifiers: its new
    // place keeps the dictionary it had (column 2's two, unseen on an interval column).
    EXPECT_EQ(T.CountNominalIDs(3), 2);
    EXPECT_EQ(ColSig(T, 3).replace(12, 1, "0"), Before[2]);
}

TEST(DataTableEdit, RemoveMarkedRowsKeepsTheRestInOrder) {
    TDataTable T(nullptr);
    Build(T, 2, 5);
    T.SetAllCellStates(0);
    T.SetCellState(1, 2, 0x40);
    T.SetCellState(2, 4, 0x41);
    const auto Before = Sigs(T, true);
    Events E(T);
    EXPECT_EQ(T.RemoveMarkedRows(1, 9, 0x40), -1);
    EXPECT_TRUE(E.Log.empty());
    EXPECT_EQ(T.RemoveMarkedRows(0, 0, 0x80), 0);
    EXPECT_EQ(T.RemoveMarkedRows(3, 3, 0x40), 2);  // the whole table is examined
    EXPECT_EQ(Sigs(T, true), (std::vector<std::string>{Before[0], Before[2], Before[4]}));
    EXPECT_EQ(E.Log, (std::vector<std::string>{"R2523", "C", "X", "A", "N", "S"}));
}

TEST(DataTableEdit, ExchangesAndMirrorsMoveEverythingThenNotifyOnce) {
    TDataTable T(nullptr);
    Build(T);
    const auto Rows = Sigs(T, true), Cols = Sigs(T, false);
    Events E(T);
    T.ExchangeRows(0, 2);
    T.ExchangeColumns(1, 4);
    EXPECT_TRUE(E.Log.empty());
    T.ExchangeRows(1, 4);
    EXPECT_EQ(E.Log, kFive);
    EXPECT_EQ(RowSig(T, 1), Rows[3]);
    EXPECT_EQ(RowSig(T, 4), Rows[0]);
    T.ExchangeRows(1, 4);
    E.Log.clear();
    T.ExchangeColumns(3, 2);
    EXPECT_EQ(E.Log, kFive);
    EXPECT_EQ(ColSig(T, 3), Cols[1]);
    EXPECT_EQ(ColSig(T, 2), Cols[2]);
    T.ExchangeColumns(3, 2);
    E.Log.clear();
    T.MirrorRows();
    EXPECT_EQ(E.Log, kFive);
    auto Rev = Rows;
    std::reverse(Rev.begin(), Rev.end());
    EXPECT_EQ(Sigs(T, true), Rev);
    T.MirrorRows();
    T.MirrorColumns();
    Rev.assign(Cols.rbegin(), Cols.rend());
    EXPECT_EQ(Sigs(T, false), Rev);
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

TEST(DataTableSort, RowsByValuesMoveStatesAndOptionallyHeaders) {
    TDataTable T(nullptr);
    Build(T, 3, 9);
    std::mt19937 Gen(3);
    std::vector<double> Key(9);
    std::iota(Key.begin(), Key.end(), 1.0);
    std::shuffle(Key.begin(), Key.end(), Gen);
    for (int R = 1; R <= 9; ++R) T.SetElem(1, R, Key[static_cast<std::size_t>(R - 1)]);
    const auto Before = Sigs(T, true);
    auto Expect = [&](bool Headers, bool Ascending) {
        for (int R = 1; R <= 9; ++R) {
            const int Rank = Ascending ? R : 10 - R;
            const auto From = static_cast<std::size_t>(std::find(Key.begin(), Key.end(), Rank) - Key.begin());
            std::string Want = Before[From];
            if (!Headers) Want = T.RowName(R).str() + "|" + std::to_string(T.RowAttrib(R)) + Want.substr(Want.find('|', Want.find('|') + 1));
            EXPECT_EQ(RowSig(T, R), Want) << R;
        }
    };
    Events E(T);
    T.SortRows(1, false, 0, 0, 0, 0, true);
    Expect(true, false);
    EXPECT_GT(E.Log.size(), 3u);
    EXPECT_EQ(E.Tail(3), (std::vector<std::string>{"C", "N", "A"}));
    // Every relay carries the table as sender and the columns 1..3.
    EXPECT_TRUE(std::all_of(E.Log.begin(), E.Log.end() - 3, [](const std::string& S) {
        return S.size() == 6 && S.substr(0, 2) == "E2" && S.substr(4) == "13";
    }));
    // The header flag stays for a sort started on the matrix.
    T.NumericData()->SortRows(1, true, 0, 0, 0, 0);
    Expect(true, true);
    // A key column outside the sorted columns: its states move with its values.
    T.SortRows(1, false, 2, 0, 3, 0, true);
    Expect(true, false);
    std::vector<std::string> Names;
    for (int R = 1; R <= 9; ++R) Names.push_back(T.RowName(R));
    T.SortRows(1, true, 0, 0, 0, 0, false);
    Expect(false, true);
    for (int R = 1; R <= 9; ++R) EXPECT_EQ(T.RowName(R), Names[static_cast<std::size_t>(R - 1)]);
    // Key outside the table: nothing at all.
    E.Log.clear();
    T.SortRows(4, true, 0, 0, 0, 0, false);
    T.SortCols(10, true, 0, 0, 0, 0, false);
    EXPECT_TRUE(E.Log.empty());
}

TEST(DataTableSort, ColumnsByValuesMoveVariableTypes) {
    TDataTable T(nullptr);
    Build(T, 4, 3);
    const double Key[] = {3, 1, 4, 2};
    for (int C = 1; C <= 4; ++C) T.SetElem(C, 3, Key[C - 1]);
    const auto Before = Sigs(T, false);
    // The key row lies outside the sorted rows: its states move with its values.
    T.SortCols(3, true, 0, 1, 0, 2, true);
    for (int C = 1; C <= 4; ++C)
        EXPECT_EQ(ColSig(T, C), Before[static_cast<std::size_t>(std::find(Key, Key + 4, C) - Key)]);
}

TEST(DataTableSort, ByAttributesAndNamesMoveOnlyTheOtherRange) {
    TDataTable T(nullptr);
    Build(T, 3, 4);
    const int Att[] = {300, -5, 7, -5};
    for (int R = 1; R <= 4; ++R) T.SetRowAttrib(R, Att[R - 1]);
    Events E(T);
    T.SortRowAttributes(true, 2, 0, 2, 0);
    for (int R = 1; R <= 4; ++R) {
        EXPECT_EQ(T.CellState(1, R), R * 16 + 1);  // columns 1 and 3 stay
        EXPECT_EQ(T.Elem(3, R), 30 + R + 0.5);
    }
    std::vector<int> Got;
    for (int R = 1; R <= 4; ++R) Got.push_back(T.RowAttrib(R));
    EXPECT_EQ(Got, (std::vector<int>{-5, -5, 7, 300}));
    EXPECT_EQ(T.RowName(4), "row1");
    EXPECT_EQ(T.CellState(2, 4), 16 + 2);  // column 2's states and values moved with row 1
    EXPECT_EQ(T.Elem(2, 4), 2.0);
    EXPECT_EQ(E.Tail(2), (std::vector<std::string>{"C", "A"}));
    // The comb passes by hand: gaps 2, 1, 1, 1 over 300, -5, 7, -5.
    std::vector<std::string> Ex;
    std::copy_if(E.Log.begin(), E.Log.end(), std::back_inserter(Ex), [](const std::string& S) { return S[0] == 'E'; });
    EXPECT_EQ(Ex, (std::vector<std::string>{"E21322", "E21222", "E23422", "E22322"}));
    EXPECT_EQ(E.Count("C"), 4 * 2 + 1);  // two value writes per exchange, one at the end

    for (int R = 1; R <= 4; ++R) T.SetRowName(R, std::vector<std::string>{"b", "B", "a", "C"}[static_cast<std::size_t>(R - 1)]);
    T.SortRowNames(true, 0, 0, 0, 0);
    EXPECT_EQ(T.RowName(1), "B");  // character codes: capitals first
    EXPECT_EQ(T.RowName(4), "b");
    T.SortRowNames(false, true, 0, 0, 0, 0);
    EXPECT_EQ(T.RowName(1), "C");
    EXPECT_EQ(T.RowName(4), "a");

    // Columns: names, attributes and variable types move whole, values only in rows 1..2.
    const TCellState S31 = T.CellState(3, 1), S33 = T.CellState(3, 3);
    T.SortColNames(false, 0, 1, 0, 2);
    EXPECT_EQ(T.ColName(1), "col3");
    EXPECT_EQ(T.MScaleType(2), TMScaleType::stNominal);
    EXPECT_EQ(T.NominalID(2, 2), "hi");
    EXPECT_EQ(T.ColAttrib(1), 3000);
    EXPECT_EQ(T.CellState(1, 1), S31);
    EXPECT_EQ(T.CellState(3, 3), S33);  // row 3 lies outside the range
    T.SortColAttributes(true, 0, 0, 0, 0);
    EXPECT_EQ(T.ColName(1), "col1");
}

TEST(DataTableCopy, LookupsAndArrays) {
    TDataTable T(nullptr);
    T.Resize(3, 3);
    EXPECT_EQ(T.FindColIndex("  c-2  "), 2);
    EXPECT_EQ(T.FindRowIndex("r-3"), 3);
    EXPECT_EQ(T.FindColIndex("\tC-2"), 0);  // only blanks are trimmed
    T.SetMScaleType(2, TMScaleType::stNominal);  // stored values come unrounded
    Events E(T);
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
    EXPECT_FALSE(T.CopyCellStatesFrom(&S));
    EXPECT_TRUE(E.Log.empty());
    T.CopyContentsFrom(&S);
    EXPECT_EQ(E.Log, (std::vector<std::string>{"R2235", "C", "X", "S", "N", "A", "R2235"}));
    EXPECT_EQ(Sigs(T, true), Sigs(S, true));
    EXPECT_EQ(Sigs(T, false), Sigs(S, false));
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
    E.Log.clear();
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
