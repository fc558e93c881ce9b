// TDataTable: construction, sizing, cells, dictionary, names, notifications, copying and
// adopted matrices.
#include "qmr_test_support.h"

#include <cfenv>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace qmr;
using Log = std::vector<std::string>;

// Records every notification of a table, in order ("Resize 1x1>3x2" for OnResize).
struct Recorder {
    Log Events;
    explicit Recorder(TDataTable& T) {
        auto Note = [this](const char* Name) { return [this, Name](TObject*) { Events.push_back(Name); }; };
        T.OnChange = Note("Change");
        T.OnChangeSetup = Note("Setup");
        T.OnChangeNames = Note("Names");
        T.OnChangeAttrib = Note("Attrib");
        T.OnChangeCellState = Note("CellState");
        T.OnResize = [this](TObject*, int OC, int OR, int NC, int NR) {
            Events.push_back("Resize " + std::to_string(OC) + "x" + std::to_string(OR) + ">" + std::to_string(NC) +
                             "x" + std::to_string(NR));
        };
    }
    Log Take() { return std::exchange(Events, {}); }
};

// Exposes the header flag that the table's own sorts set.
struct HeaderSortTable : TDataTable {
    using TDataTable::TDataTable;
    using TDataTable::FSortIncludeHd;
};

// Column C as "name attribute scale identifiers |" and its cells as " value/state".
std::string Col(const TDataTable& T, int C) {
    std::ostringstream S;
    S << T.ColName(C) << ' ' << T.ColAttrib(C) << ' ' << MScaleTypeNames[static_cast<int>(T.MScaleType(C))] << ' '
      << T.CountNominalIDs(C) << " |";
    for (int R = 1; R <= T.NrOfRows(); ++R)
        S << ' ' << static_cast<double>(T.NumericData()->Elem(C, R)) << '/' << +T.CellState(C, R);
    return S.str();
}

void ExpectMessage(const std::function<void()>& Run, const std::string& Msg) {
    try {
        Run();
        ADD_FAILURE() << "no exception: " << Msg;
    } catch (const EQMRError& E) {
        EXPECT_EQ(E.what(), Msg);
    }
}

TEST(DataTableCore, NewTableSizingAndNeutralAccessOutside) {
    TDataTable T(nullptr);
    T.SetName("Tab");
    EXPECT_EQ(Col(T, 1), "C-1 0 Interval 0 | 0/0");
    EXPECT_EQ(T.RowName(1).str() + std::to_string(T.RowAttrib(1)), "R-10");
    for (int Ix : {0, 2, -1}) {
        EXPECT_EQ(T.AddNominalID(Ix, "a") + T.Elem(Ix, 1) + T.Elem(1, Ix) + T.CellState(Ix, 1), 0);
        EXPECT_TRUE(T.IsNumber(Ix, 1) && T.ColName(Ix).empty() && T.MScaleType(Ix) == TMScaleType::stUnknown);
    }
    T.SetElem(1, 1, 7);
    T.Resize(3, 2);
    EXPECT_EQ(Col(T, 1), "C-1 0 Interval 0 | 7/0 0/0");
    EXPECT_EQ(T.RowName(2), "R-2");
    EXPECT_EQ(T.NumericData()->NrOfColumns(), 3);
    // Shrinking and growing again brings back defaults, not the former contents.
    T.SetColName(3, "gone");
    T.SetColAttrib(3, 9);
    T.AddNominalID(3, "x");
    T.SetElem(3, 2, 4);
    T.SetCellState(3, 2, 0x80);
    T.SetColName(2, "kept");
    T.SetNrCols(2);
    T.SetNrCols(3);
    EXPECT_EQ(Col(T, 2), "kept 0 Interval 0 | 0/0 0/0");
    EXPECT_EQ(Col(T, 3), "C-3 0 Interval 0 | 0/0 0/0");

    // Too large: the table stays whole and its matrix hook attached.
    ExpectMessage([&] { T.Resize(INT_MAX, INT_MAX); }, "Component \"Tab\": not enough memory on heap");
    EXPECT_EQ(T.NrOfColumns() * 10 + T.NumericData()->NrOfRows(), 32);
    EXPECT_EQ(Col(T, 2), "kept 0 Interval 0 | 0/0 0/0");
    Recorder Rec(T);
    T.NumericData()->SetElem(1, 1, 3);
    EXPECT_EQ(Rec.Take(), Log{"Change"});
    T.Resize(0, 0);
    EXPECT_EQ(T.MaxColNameLength() + T.CountValidCells(0, 0, 0, 0), 0);
}

TEST(DataTableCore, NotificationSequences) {
    using Op = std::function<void(TDataTable&)>;
    struct Case {
        const char* Name;
        Op Run;
        Log Want;
    };
    const std::vector<Case> Cases = {
        {"SetElem", [](TDataTable& T) { T.SetElem(1, 1, 2); }, {"Change", "Change"}},
        {"SetElemNominal", [](TDataTable& T) { T.SetElemNominal(2, 1, "new"); }, {"Change", "Change"}},
        {"matrix write", [](TDataTable& T) { T.NumericData()->SetElem(1, 1, 2); }, {"Change"}},
        {"same state", [](TDataTable& T) { T.SetCellState(1, 1, 0x40); }, {}},
        {"new state", [](TDataTable& T) { T.SetCellState(1, 1, 0x41); }, {"CellState"}},
        {"IsEmpty unchanged", [](TDataTable& T) { T.SetIsEmpty(1, 1, false); }, {"Change"}},
        {"IsImputed set", [](TDataTable& T) { T.SetIsImputed(1, 1, true); }, {"CellState", "Change"}},
        {"name", [](TDataTable& T) { T.SetRowName(2, "r"); }, {"Names"}},
        {"attributes", [](TDataTable& T) { T.SetColAttributes(1, 3); }, {"Attrib"}},
        {"scale", [](TDataTable& T) { T.SetMScaleType(1, TMScaleType::stRatio); }, {"Setup"}},
        {"bad scale", [](TDataTable& T) { T.SetMScaleType(1, static_cast<TMScaleType>(9)); }, {}},
        {"comment", [](TDataTable& T) { T.SetComment("c"); }, {"Setup"}},
        {"AddNominalID new", [](TDataTable& T) { T.AddNominalID(2, "b"); }, {"Setup"}},
        {"AddNominalID known", [](TDataTable& T) { T.AddNominalID(2, "A"); }, {}},
        {"SetNominalID on interval", [](TDataTable& T) { T.SetNominalID(1, 3, "z"); }, {"Setup"}},
        {"ClearNominalIDs", [](TDataTable& T) { T.ClearNominalIDs(2); }, {"Setup"}},
        {"Clear", [](TDataTable& T) { T.Clear(); }, {"Change", "Names", "Attrib", "CellState", "Setup"}},
        {"Resize", [](TDataTable& T) { T.SetNrRows(4); }, {"Resize 2x3>2x4"}},
        {"Resize same or negative", [](TDataTable& T) {
             T.Resize(2, 3);
             T.Resize(-1, 5);
             T.SetNrRows(-3);
         }, {}},
        {"writes outside",
         [](TDataTable& T) {
             for (int Ix : {0, 4, -1}) {
                 T.SetElem(Ix, 1, 5);
                 T.SetElemNominal(1, Ix, "a");
                 T.SetCellState(1, Ix, 0x40);
                 T.SetColName(Ix, "x");
                 T.SetRowName(Ix, "x");
                 T.SetRowAttrib(Ix, 3);
                 T.SetColAttrib(Ix, 3);
                 T.SetMScaleType(Ix, TMScaleType::stNominal);
                 T.SetNominalID(Ix, 1, "a");
                 T.ClearNominalIDs(Ix);
                 T.AddNominalID(Ix, "a");
             }
         },
         {}},
        {"IsEmpty outside", [](TDataTable& T) { T.SetIsEmpty(5, 5, true); }, {"Change"}},
        {"FillMarkedCells", [](TDataTable& T) { T.FillMarkedCells(9, 0x40); }, {"Change", "Change"}},
        {"FillMarkedCells none", [](TDataTable& T) { T.FillMarkedCells(9, 0x80); }, {}},
    };
    for (const Case& C : Cases) {
        TDataTable T(nullptr);
        T.Resize(2, 3);
        T.AddNominalID(2, "a");
        T.SetCellState(1, 1, 0x40);
        Recorder Rec(T);
        C.Run(T);
        EXPECT_EQ(Rec.Take(), C.Want) << C.Name;
    }
}

TEST(DataTableCore, ElemRoundsNominalAndOrdinalReadsOnly) {
    TDataTable T(nullptr);
    T.Resize(2, 1);
    T.SetMScaleType(1, TMScaleType::stOrdinal);
    T.SetNominalID(1, 3, "three");
    struct Case {
        double Stored, Read;
        const char* Nominal;
    };
    const double Inf = std::numeric_limits<double>::infinity();
    // Reads round to the nearest integer whatever rounding mode the host has set.
    for (int Mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(Mode);
        for (const Case& C : std::vector<Case>{{2.6, 3, "three"}, {2.5, 2, ""}, {3.5, 4, ""}, {2.4, 2, ""},
                                               {-0.4, 0, "0"}, {151.4, 151, "151"}, {-7.5, -8, "-8"},
                                               {1e300, 1e300, "1000000000"}, {Inf, Inf, "+Inf"}, {-Inf, -Inf, "-Inf"}}) {
            T.SetElem(1, 1, C.Stored);
            T.SetElem(2, 1, C.Stored);
            double Lo = 0, Hi = 0;
            T.MinMaxOfValidCells(1, 1, 1, 1, Lo, Hi);
            EXPECT_EQ(T.NumericData()->Elem(1, 1), C.Stored);  // never rounded on writing
            EXPECT_TRUE(T.Elem(1, 1) == C.Read && (C.Read < 0 ? Lo : Hi) == C.Read) << C.Stored << " mode " << Mode;
            EXPECT_EQ(T.Elem(2, 1), C.Stored);  // interval column: as stored
            EXPECT_EQ(T.ElemNominal(1, 1), C.Nominal) << C.Stored << " mode " << Mode;
            EXPECT_EQ(T.ElemNominal(2, 1), "");
        }
    }
    std::fesetround(FE_TONEAREST);
    T.SetElem(1, 1, std::nan(""));
    EXPECT_TRUE(std::isnan(T.Elem(1, 1)));
    EXPECT_EQ(T.ElemNominal(1, 1), "Nan");
}

TEST(DataTableCore, DictionaryRules) {
    TDataTable T(nullptr);
    T.Resize(3, 2);
    // Adding to an interval column makes it nominal; lookups ignore case.
    EXPECT_EQ(T.AddNominalID(1, "abc"), 1);
    EXPECT_EQ(T.MScaleType(1), TMScaleType::stNominal);
    EXPECT_EQ(T.AddNominalID(1, "ABC"), 1);
    EXPECT_EQ(T.OrdinalOfNominalID(1, "aBc", true), 1);
    EXPECT_EQ(T.OrdinalOfNominalID(1, "aBc", false), 0);
    EXPECT_EQ(T.AddNominalID(1, ""), 0);  // an empty identifier takes no slot
    EXPECT_EQ(T.CountNominalIDs(1), 1);
    // An ordinal column turns nominal; a freed slot is reused first.
    T.SetMScaleType(2, TMScaleType::stOrdinal);
    EXPECT_EQ(T.AddNominalID(2, "p"), 1);
    EXPECT_EQ(T.AddNominalID(2, "q"), 2);
    EXPECT_EQ(T.MScaleType(2), TMScaleType::stNominal);
    T.SetNominalID(2, 1, "");
    EXPECT_EQ(T.AddNominalID(2, "r"), 1);
    for (int K = 3; K <= MaxNominalIDs; ++K) EXPECT_EQ(T.AddNominalID(2, "v" + std::to_string(K)), K);
    EXPECT_EQ(T.AddNominalID(2, "one more"), 0);
    EXPECT_EQ(T.CountNominalIDs(2), MaxNominalIDs);
    // A full dictionary refuses a new identifier in a cell and leaves the cell alone.
    T.SetName("Tab");
    T.SetElem(2, 1, 5);
    ExpectMessage([&] { T.SetElemNominal(2, 1, "one more"); },
                  "Component \"Tab\": number of available nominal values exceeded");
    EXPECT_EQ(T.Elem(2, 1), 5);
    T.SetElemNominal(2, 1, "V7");
    EXPECT_EQ(T.Elem(2, 1), 7);
    EXPECT_EQ(T.ElemNominal(2, 1), "v7");

    // On an interval column lookups find nothing: identifiers are hidden, non-empty ones
    // are not stored by SetNominalID, and each SetElemNominal takes a further slot.
    T.SetNominalID(3, 1, "hidden");
    EXPECT_EQ(T.CountNominalIDs(3), 0);
    T.SetMScaleType(3, TMScaleType::stNominal);
    T.SetNominalID(3, 1, "k");
    T.SetMScaleType(3, TMScaleType::stInterval);
    EXPECT_EQ(T.NominalID(3, 1), "");
    EXPECT_EQ(T.OrdinalOfNominalID(3, "k", true), 0);
    T.SetElemNominal(3, 1, "k");
    T.SetElemNominal(3, 2, "k");
    EXPECT_EQ(Col(T, 3), "C-3 0 Interval 3 | 2/0 3/0");
    T.SetElemNominal(3, 2, "");  // no identifier: ordinal 0, no slot taken
    EXPECT_EQ(Col(T, 3), "C-3 0 Interval 3 | 2/0 0/0");
    EXPECT_EQ(T.ListOfCategorialVars(), (TIntArray{1, 2}));
}

TEST(DataTableCore, TextsAreCutByBytesAtCharacterBoundariesAndAttributesMasked) {
    TDataTable T(nullptr);
    const std::string A49(49, 'a');
    struct Case {
        std::string In, Name, ID;
    };
    const std::string E = "\xC3\xA9";          // 2-byte character
    const std::string Euro = "\xE2\x82\xAC";   // 3-byte character
    for (const Case& C : std::vector<Case>{{A49 + E, A49, "aaaaaaaaaa"},
                                           {std::string(48, 'b') + E + "c", std::string(48, 'b') + E, "bbbbbbbbbb"},
                                           {"12345678" + Euro, "12345678" + Euro, "12345678"},
                                           {"123456789" + E, "123456789" + E, "123456789"},
                                           {std::string(60, '\x80'), std::string(50, '\x80'), std::string(10, '\x80')}}) {
        T.SetColName(1, C.In);
        EXPECT_EQ(T.ColName(1), C.Name);
        T.SetNominalID(1, 1, C.In);
        T.SetMScaleType(1, TMScaleType::stNominal);
        T.SetNominalID(1, 1, C.In);
        EXPECT_EQ(T.NominalID(1, 1), C.ID);
    }
    T.SetColName(1, "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(T.MaxColNameLength(), 3);
    T.SetComment("a\tb\r\nc");
    EXPECT_EQ(T.Comment(), "abc");
    T.Resize(2, 3);
    T.SetRowAttributes(0x0F);
    T.SetRowAttributes(0x30, 0x3C);
    T.SetColAttributes(-1);
    EXPECT_EQ(T.RowAttrib(3) * 10 + T.ColAttrib(2), 0x33 * 10 - 1);
}

TEST(DataTableCore, AssignCopiesEverythingButTheMatrixObject) {
    TDataTable Src(nullptr), Dst(nullptr);
    Src.Resize(2, 2);
    Src.SetComment("note");
    Src.SetElem(2, 2, 3.25);
    Src.AddNominalID(1, "id");
    Src.SetCellState(2, 1, 0x22);
    Src.SetRowName(2, "row");
    Src.SetColAttrib(2, 7);
    Recorder SrcRec(Src);
    TMatrix* Mine = Dst.NumericData();
    Recorder DstRec(Dst);
    Dst.Assign(&Src);
    EXPECT_EQ(DstRec.Take(), Log{});
    EXPECT_EQ(SrcRec.Take(), Log{});
    EXPECT_EQ(Dst.NumericData(), Mine);
    EXPECT_EQ(Dst.Comment() + Dst.RowName(2).str(), "noterow");
    for (int C = 1; C <= 2; ++C) EXPECT_EQ(Col(Dst, C), Col(Src, C));
    // Handlers are the source's; the matrix hook is the destination's own.
    Dst.NumericData()->SetElem(1, 1, 1);
    Dst.Clear();
    Dst.SetNrRows(3);  // fired through Dst with Src's handlers
    EXPECT_EQ(SrcRec.Take(), (Log{"Change", "Change", "Names", "Attrib", "CellState", "Setup", "Resize 2x2>2x3"}));
    bool DstFired = false;
    Dst.OnChange = [&](TObject* S) { DstFired = S == &Dst; };
    Dst.NumericData()->SetElem(1, 1, 2);
    EXPECT_TRUE(DstFired);
    EXPECT_EQ(Src.Elem(1, 1), 0);
    EXPECT_THROW(Dst.Assign(Src.NumericData()), EConvertError);
    TMatrix M(nullptr);
    EXPECT_THROW(M.Assign(&Dst), EConvertError);
}

TEST(DataTableCore, AdoptedMatrixIsBorrowedAndReleased) {
    auto M = std::make_unique<TMatrix>(nullptr);
    M->Resize(4, 10);
    M->SetElem(4, 10, 6);
    {
        TDataTable T(nullptr);
        T.AddNominalID(1, "kept");
        Recorder Rec(T);
        T.AssignAnotherDataMatrix(M.get());
        EXPECT_EQ(Rec.Take(), (Log{"Resize 1x1>4x10", "Resize 1x1>4x10", "Change", "Setup", "Names", "Attrib",
                                   "CellState"}));
        EXPECT_EQ(T.NumericData(), M.get());
        EXPECT_EQ(T.Elem(4, 10), 6);
        EXPECT_EQ(Col(T, 1).substr(0, 18), "C-1 0 Interval 1 |");  // dictionaries stay
        M->SetElem(1, 1, 2);  // the host writes the matrix directly
        EXPECT_EQ(Rec.Take(), Log{"Change"});
        // Nil and the matrix already held change nothing.
        T.AssignAnotherDataMatrix(nullptr);
        T.AssignAnotherDataMatrix(M.get());
        EXPECT_EQ(Rec.Take(), Log{});
        // Adopting another matrix of the same size releases the first one untouched.
        TMatrix M2(nullptr);
        M2.Resize(4, 10);
        T.AssignAnotherDataMatrix(&M2);
        EXPECT_EQ(Rec.Take(), (Log{"Resize 4x10>4x10", "Change", "Setup", "Names", "Attrib", "CellState"}));
        EXPECT_FALSE(M->OnChange);
        EXPECT_FALSE(M->OnSortExchange);
        T.Resize(2, 2);  // resizes the adopted matrix
        EXPECT_EQ(M2.NrOfRows(), 2);
        T.AssignAnotherDataMatrix(M.get());
        EXPECT_EQ(M2.NrOfRows(), 2);
        EXPECT_EQ(T.NrOfRows(), 10);
    }
    // The table is gone: the matrix lives on, without handlers.
    EXPECT_FALSE(M->OnChange);
    EXPECT_FALSE(M->OnSortExchange);
    EXPECT_EQ(M->Elem(4, 10), 6);
}

TEST(DataTableCore, AdoptedMatrixDestroyedFirstLeavesTheTableUsable) {
    TDataTable T(nullptr);
    auto* M = new TMatrix(nullptr);
    M->Resize(3, 2);
    M->Fill(4);
    T.SetCellState(1, 1, 0x40);
    T.AssignAnotherDataMatrix(M);
    // The host shrinks the matrix under the table: the table keeps its size, the cells
    // beyond the matrix read 0 everywhere.
    M->Resize(2, 1);
    auto Probe = [](const TDataTable& Tab) {
        int N = 0;
        return Tab.SumOfNumCells(0, 0, 0, 0, N) * 100 + N * 10 + Tab.Elem(3, 1) + Tab.Elem(1, 2);
    };
    std::ostringstream Xml;
    T.WriteToXML(Xml, "x");
    TDataTable Copy(nullptr);
    ASSERT_TRUE(Copy.ReadFromXML(Xml.str()));
    EXPECT_EQ(Probe(T), 860);
    EXPECT_EQ(Probe(Copy), 860);
    delete M;
    EXPECT_EQ(T.NumericData()->NrOfColumns() * 10 + T.NumericData()->NrOfRows(), 32);
    EXPECT_EQ(Col(T, 1), "C-1 0 Interval 0 | 0/64 0/0");
    EXPECT_EQ(Col(T, 3), "C-3 0 Interval 0 | 0/0 0/0");
    Recorder Rec(T);
    T.SetElem(3, 2, 1);
    EXPECT_EQ(Rec.Take(), (Log{"Change", "Change"}));

    // A shared owner deletes the matrix (created last) before the table.
    for (bool TableFirst : {true, false}) {
        auto* Owner = new TComponent(nullptr);
        TDataTable* Tab = nullptr;
        TMatrix* Mat = nullptr;
        if (TableFirst) Tab = new TDataTable(Owner);
        Mat = new TMatrix(Owner);
        if (!TableFirst) Tab = new TDataTable(Owner);
        Tab->AssignAnotherDataMatrix(Mat);
        delete Owner;  // the sanitizers report any use of the freed matrix
    }
}

TEST(DataTableCore, ExchangesOfTheMatrixSortsMoveStatesAndHeaders) {
    HeaderSortTable T(nullptr);
    T.Resize(3, 3);
    for (int C = 1; C <= 3; ++C)
        for (int R = 1; R <= 3; ++R) T.SetCellState(C, R, static_cast<TCellState>(C * 16 + R));
    T.AddNominalID(3, "n");
    std::vector<std::string> Relayed;
    T.OnSortExchange = [&](TObject* S, std::uint8_t K, int I1, int I2, int F, int L) {
        Relayed.push_back(std::to_string(S == &T) + ":" + std::to_string(K) + std::to_string(I1) + std::to_string(I2) +
                          std::to_string(F) + std::to_string(L));
    };
    T.NumericData()->SortExchange(1, 1, 3, 2, 3);  // columns 1 and 3, rows 2..3; headers stay
    EXPECT_EQ(Col(T, 1), "C-1 0 Interval 0 | 0/17 0/50 0/51");
    EXPECT_EQ(Col(T, 3), "C-3 0 Nominal 1 | 0/49 0/18 0/19");
    T.FSortIncludeHd = true;
    T.NumericData()->SortExchange(2, 1, 2, 0, 9);  // rows 1 and 2, columns clipped to 1..3
    EXPECT_EQ(Col(T, 2), "C-2 0 Interval 0 | 0/34 0/33 0/35");
    EXPECT_EQ(T.RowName(1), "R-2");
    T.NumericData()->SortExchange(1, 1, 3, 1, 1);
    EXPECT_EQ(Col(T, 1), "C-3 0 Nominal 1 | 0/18 0/17 0/51");
    T.NumericData()->SortExchange(1, 0, 7, 1, 3);  // indices outside: relayed only
    EXPECT_EQ(Relayed, (std::vector<std::string>{"1:11323", "1:21209", "1:11311", "1:10713"}));
}

TEST(ComponentFreeNotification, EitherSideIsToldOnce) {
    struct Watcher : TComponent {
        using TComponent::TComponent;
        std::string Gone;  // names of the linked components destroyed
        void Notification(TComponent* C) override { Gone += C->Name(); }
    };
    Watcher A(nullptr);
    auto* B = new Watcher(nullptr);
    auto* C = new TComponent(nullptr);
    auto* D = new Watcher(nullptr);
    B->SetName("B");
    C->SetName("C");
    D->SetName("D");
    for (TComponent* X : std::vector<TComponent*>{B, B, C, nullptr, &A}) A.FreeNotification(X);
    D->FreeNotification(&A);  // links work both ways
    delete B;
    A.RemoveFreeNotification(C);
    delete C;
    delete D;
    EXPECT_EQ(A.Gone, "BD");
}

}  // namespace
