// TDataTable XML form: round trips of every part of a table, a fixed document, the form
// embedded in a learner file, refusals, and mangled input.
#include "qmr_test_support.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace qmr;

// Sees the table's arrays (dictionaries of every column, whatever its scale).
struct XTable : TDataTable {
    using TDataTable::TDataTable;
    using TDataTable::FCState, TDataTable::FColAtt, TDataTable::FColName, TDataTable::FRowAtt, TDataTable::FRowName,
        TDataTable::FVType;
};

std::string Xml(const TDataTable& T, const std::string& Id = "T") {
    std::ostringstream S;
    T.WriteToXML(S, Id);
    return S.str();
}

double FromBits(std::uint64_t B) {
    double D;
    std::memcpy(&D, &B, 8);
    return D;
}

// Field by field, values bit by bit (through the matrix fingerprint of its raw bytes).
void ExpectSame(const XTable& A, const XTable& B) {
    EXPECT_EQ(A.NrOfColumns() * 1000 + A.NrOfRows(), B.NrOfColumns() * 1000 + B.NrOfRows());
    EXPECT_EQ(A.Comment(), B.Comment());
    EXPECT_EQ(A.NumericData()->CRCofData(), B.NumericData()->CRCofData());
    EXPECT_TRUE(A.FVType == B.FVType && A.FColName == B.FColName && A.FRowName == B.FRowName &&
                A.FColAtt == B.FColAtt && A.FRowAtt == B.FRowAtt && A.FCState == B.FCState);
}

// Columns of every scale, odd names, extreme attributes, special values and all 256 states.
void FillOdd(XTable& T) {
    T.Resize(6, 43);
    T.SetComment("x < y & \"z\" > 'w' ]]> &amp;");
    const std::vector<std::string> Names = {"a\"b", "<tag>&amp;", "\x01\x1F\x7F tab\t", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                                            "", std::string(50, 'n')};
    const int Att[] = {INT_MIN, INT_MAX, -1, 0, 255, 256};
    for (int C = 1; C <= 6; ++C) {
        T.SetColName(C, Names[C - 1]);
        T.SetColAttrib(C, Att[C - 1]);
        T.SetMScaleType(C, static_cast<TMScaleType>((C - 1) % 5));
    }
    T.SetMScaleType(2, TMScaleType::stNominal);
    T.SetNominalID(2, 1, "<&\">");
    T.SetNominalID(2, 150, "last");
    T.SetNominalID(2, 7, "\xC3\xA9t\xC3\xA9");
    T.SetMScaleType(6, TMScaleType::stOrdinal);
    T.SetNominalID(6, 3, "hidden");
    T.SetMScaleType(6, TMScaleType::stRatio);  // a dictionary on a ratio column
    T.SetRowName(1, " blanks around ");
    T.SetRowName(2, "&#x41;");
    T.SetRowAttrib(43, INT_MIN);
    const double Special[] = {std::numeric_limits<double>::quiet_NaN(), FromBits(0x7FF0000000000001ull),
                              FromBits(0xFFF800000000BEEFull), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), -0.0, 4.9e-324, 1.7976931348623157e308,
                              1.0 / 3, -2.5};
    int K = 0;
    for (int C = 1; C <= 6; ++C)
        for (int R = 1; R <= 43; ++R, ++K) {
            T.SetElem(C, R, K < 10 ? Special[K] : K * 0.1);
            T.SetCellState(C, R, static_cast<TCellState>(K % 256));
        }
}

// Tables of every size class, the odd one and empty ones, written into a learner-like
// model file and read back from the content of the enclosing element.
TEST(DataTableXml, RoundTripKeepsEverything) {
    const std::string Id = "id \"q\" & <x>";
    for (auto [C, R] : {std::pair{6, 43}, {0, 0}, {3, 0}, {0, 4}, {1, 1}}) {
        XTable A(nullptr), B(nullptr);
        if (R == 43) FillOdd(A);
        A.Resize(C, R);
        std::ostringstream F;
        F << "<?xml version=\"1.0\"?>\n<membasedlearner id=\"abc\">\n<comment>c</comment>\n<modeldata>\n";
        A.WriteToXML(F, Id);
        F << "</modeldata>\n</membasedlearner>\n";
        const std::string File = F.str();
        const std::string_view Tags[] = {"membasedlearner", "comment", "modeldata", "$invalidtag$"};
        int Pos = 1, Tag;
        std::string Attr, Content;
        while ((Tag = ReadNextTagInString(File, Pos, Tags, Attr, Content)) >= 0 && Tag != 2) {
        }
        B.Resize(2, 2);
        B.SetComment("old");
        B.AddNominalID(1, "old");
        std::vector<std::string> Events;
        auto Note = [&](const char* N) { return [&Events, N](TObject*) { Events.push_back(N); }; };
        B.OnChange = Note("Change");
        B.OnChangeCellState = Note("CellState");
        B.OnChangeSetup = Note("Setup");
        B.OnChangeNames = Note("Names");
        B.OnChangeAttrib = Note("Attrib");
        B.OnResize = [&](TObject*, int, int, int, int) { Events.push_back("Resize"); };
        ASSERT_TRUE(B.ReadFromXML(Content)) << C << "x" << R;
        ExpectSame(A, B);
        EXPECT_EQ(Events, (std::vector<std::string>{"Resize", "Change", "CellState", "Setup", "Names", "Attrib"}));
        EXPECT_EQ(Xml(B, Id), Xml(A, Id));
        // The table's matrix hook is attached after the read.
        Events.clear();
        B.NumericData()->SetElem(1, 1, 0);
        EXPECT_EQ(Events, std::vector<std::string>(C * R > 0, "Change"));
    }
    EXPECT_NE(Xml(XTable(nullptr), Id).find("<datatable id=\"id &quot;q&quot; &amp; &lt;x&gt;\">"), std::string::npos);
}

// A document as a person might write it: blanks and comments between elements, tags in
// capitals, single quotes, numeric character references, lower-case hex digits.
TEST(DataTableXml, HandWrittenDocument) {
    const std::string Doc = R"(<?xml version="1.0"?>
  <!-- a table -->
  <DataTable id='x'>
    <comment>caf&#233; &#x263A;</comment>
    <size rows = '3' cols = "2" />
    <colnames><col>height</col> <col></col></colnames>
    <rownames><row>r1</row><row>r2</row><row>&lt;r3&gt;</row></rownames>
    <colattrib> 1
      -2 </colattrib>
    <rowattrib>0 0 7</rowattrib>
    <vardef scale="ratio"/>
    <vardef scale="NOMINAL"><idf ord="2">yes</idf><idf ord='1'>no</idf></vardef>
    <datacells>
      <col>3ff0000000000000 4000000000000000/40
           bff8000000000000/03</col>
      <col>3FF0000000000000 4000000000000000 0000000000000000</col>
    </datacells>
  </datatable>)";
    XTable T(nullptr);
    ASSERT_TRUE(T.ReadFromXML(Doc));
    EXPECT_EQ(T.Comment(), "caf\xC3\xA9 \xE2\x98\xBA");
    EXPECT_EQ(T.NrOfColumns() * 10 + T.NrOfRows(), 23);
    EXPECT_EQ(T.ColName(1), "height");
    EXPECT_EQ(T.RowName(3), "<r3>");
    EXPECT_EQ(T.ColAttrib(2), -2);
    EXPECT_EQ(T.RowAttrib(3), 7);
    EXPECT_EQ(T.MScaleType(1), TMScaleType::stRatio);
    EXPECT_EQ(T.ElemNominal(2, 2), "yes");
    EXPECT_EQ(T.ElemNominal(2, 1), "no");
    EXPECT_EQ(T.Elem(1, 3), -1.5);
    EXPECT_EQ(T.CellState(1, 2), 0x40);
    EXPECT_EQ(T.CellState(1, 3), 0x03);
}

TEST(DataTableXml, RefusedDocumentsLeaveTheTableAlone) {
    XTable Src(nullptr);
    Src.Resize(2, 2);
    Src.AddNominalID(1, "a");
    Src.SetElem(2, 2, 1.5);
    const std::string Good = Xml(Src);
    auto Edit = [&Good](const std::string& From, const std::string& To) {
        std::string S = Good;
        const auto P = S.find(From);
        EXPECT_NE(P, std::string::npos) << From;
        return P == std::string::npos ? S : S.replace(P, From.size(), To);
    };
    const std::vector<std::string> Bad = {
        "", "garbage", "<datatable>", Good.substr(0, Good.size() - 14),  // no </datatable>
        Edit("<col>C-2</col>\n", ""),                                       // a name missing
        Edit("<row>R-2</row>\n", "<row>R-2</row>\n<row>R-3</row>\n"),      // a name too many
        Edit("3FF8000000000000", "3FF8000000000000 0000000000000000"),      // a cell too many
        Edit("3FF8000000000000", "3FF800000000000"), Edit("3FF8000000000000", "3FF800000000000G"),
        Edit("3FF8000000000000", "3FF8000000000000/00"), Edit("3FF8000000000000", "3FF8000000000000/4"),
        Edit("Nominal", "Nominl"), Edit("ord=\"1\"", "ord=\"0\""), Edit("ord=\"1\"", "ord=\"151\""),
        Edit("<idf ord=\"1\">a</idf>", "<idf ord=\"1\">a</idf><idf ord=\"1\">b</idf>"),
        Edit("<idf ord=\"1\">a</idf>", "<idf ord=\"1\"></idf>"), Edit("ord=\"1\"", "ord=\"1\" x=\"2\""),
        Edit("cols=\"2\"", "cols=\"-2\""), Edit("cols=\"2\" ", ""), Edit("cols=\"2\"", "cols=2"),
        Edit("<colattrib>0 0", "<colattrib>0"), Edit("<rowattrib>0 0", "<rowattrib>0 1.5"),
        Edit("<comment></comment>", "<comment>&foo;</comment>"), Edit("<comment></comment>", "<comment>&#xD800;</comment>"),
        Edit("<col>C-1</col>", "<col>C<b/>1</col>"), Edit("<col>C-1</col>", "<col>a&b</col>"),
        Edit("<datacells>", "<cell/><datacells>"), Edit("<colnames>", "<invalid/><colnames>"),
        Edit("</vardef>", ""),  // a <vardef> left open
        Edit("<size cols=\"2\" rows=\"2\"/>\n", "") + "<size cols=\"2\" rows=\"2\"/>",
        "<datatable><comment/><size cols=\"2000000000\" rows=\"2000000000\"/><colnames>",
        "<datatable><comment/><size cols=\"0\" rows=\"0\"/><colnames/><rownames/><colattrib/><rowattrib/>"
        "<datacells/>",  // no </datatable>
    };
    XTable T(nullptr);
    FillOdd(T);
    const std::string Before = Xml(T);
    int Events = 0;
    T.OnChange = T.OnChangeSetup = T.OnChangeNames = T.OnChangeCellState = T.OnChangeAttrib =
        [&](TObject*) { ++Events; };
    T.OnResize = [&](TObject*, int, int, int, int) { ++Events; };
    for (const std::string& B : Bad) EXPECT_FALSE(T.ReadFromXML(B)) << B;
    EXPECT_EQ(Events, 0);
    EXPECT_EQ(Xml(T), Before);
    EXPECT_TRUE(T.ReadFromXML("text before " + Good + " and after"));
}

// Mangled documents either read as a table that writes and reads back unchanged, or are
// refused with the table unchanged. Many nested open tags stay linear.
TEST(DataTableXml, MangledInputIsReadOrRefusedCleanly) {
    XTable Src(nullptr);
    FillOdd(Src);
    Src.Resize(4, 6);
    const std::string Good = Xml(Src);
    std::mt19937 Gen(2024);
    auto Rand = [&Gen](std::size_t N) { return N == 0 ? std::size_t{0} : static_cast<std::size_t>(Gen() % N); };
    const char* Pieces[] = {"<col>", "</col>", "<datatable>", "<idf ord=\"2\">x</idf>", "<vardef scale=\"Ratio\">",
                            "&amp;", "/FF", "<", ">", "\"", " ", "0", "<!--", "-->", "</datacells>"};
    XTable T(nullptr), Again(nullptr);
    int Accepted = 0;
    for (int Iter = 0; Iter < 1500; ++Iter) {
        std::string S = Good;
        for (int M = 1 + static_cast<int>(Rand(4)); M > 0; --M) {
            const std::size_t P = Rand(S.size());
            switch (Rand(5)) {
                case 0: S[P] = static_cast<char>(Gen()); break;
                case 1: S.erase(P, 1 + Rand(40)); break;
                case 2: S.insert(P, Pieces[Rand(std::size(Pieces))]); break;
                case 3: S.insert(P, S.substr(Rand(S.size()), Rand(60))); break;
                default: S.resize(P); break;
            }
        }
        if (Iter % 10 == 0) {
            S.resize(Rand(300));
            for (char& C : S) C = static_cast<char>(Gen());
        }
        const std::string Before = Xml(T);
        if (T.ReadFromXML(S)) {
            ++Accepted;
            const std::string Mine = Xml(T);
            ASSERT_TRUE(Again.ReadFromXML(Mine));
            EXPECT_EQ(Xml(Again), Mine);
        } else {
            EXPECT_EQ(Xml(T), Before);
        }
    }
    EXPECT_GT(Accepted, 0);  // some mutations only touch values or names
    // Open elements by the hundred thousand are refused after a bounded number of scans
    // (a reader that scanned each open <vardef> to the end would take minutes here).
    const int K = 100000;
    std::string Head = "<datatable><comment/><size cols=\"" + std::to_string(K) + "\" rows=\"0\"/><colnames>";
    std::string Deep = Head, Open = Head;
    std::string Zeros;
    for (int I = 0; I < K; ++I) {
        Deep += "<col>";
        Open += "<col/>";
        Zeros += "0 ";
    }
    Open += "</colnames><rownames/><colattrib>" + Zeros + "</colattrib><rowattrib/>";
    for (int I = 0; I < K; ++I) Open += "<vardef scale=\"Ratio\"><idf ord=\"1\">a</idf>";
    EXPECT_FALSE(T.ReadFromXML(Deep));
    EXPECT_FALSE(T.ReadFromXML(Open));
}

}  // namespace
