// Matrix files: record 0 and its acceptance per class, the data-record reader, the two
// number scanners, the attribute reader and the XML tag interpreter of TMatrix/TMat3D.
#include "qmr_test_support.h"

#include "containers/QMR_matrix_files.h"
#include "fuzz/matrix_xml_model.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>

namespace {

using namespace qmr;
using Bytes = std::vector<std::uint8_t>;
constexpr double MaxD = std::numeric_limits<double>::max();
constexpr std::int32_t MaxI = std::numeric_limits<std::int32_t>::max();

// Record 0 laid out byte by byte from the format's table; the reserved bytes and the
// identifier bytes past its length are filled with junk that must not matter.
Bytes Record0(std::int32_t X, std::int32_t Y, std::int32_t Z, std::int32_t T, const std::string& Id,
              std::int32_t Format) {
    Bytes R(4096, 0xA5);
    auto Put = [&](std::size_t Off, std::int32_t V) {
        for (int K = 0; K < 4; ++K) R[Off + K] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(V) >> (8 * K));
    };
    Put(0, X), Put(4, Y), Put(8, Z), Put(12, T), Put(272, Format);
    R[16] = static_cast<std::uint8_t>(Id.size());
    std::memcpy(R.data() + 17, Id.data(), Id.size());
    return R;
}

void WriteBytes(const std::string& Path, const Bytes& B) {
    std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(B.data()), std::streamsize(B.size()));
}

TEST(MatrixFiles, Record0AcceptancePerClassHandsOutTheFileValues) {
    test::TempPath F("hdr.bin");
    const std::string Long(255, 'q');  // the identifier's bytes are Latin-1 after a length byte
    // Fits: TMatrix, TIntMatrix, TMat3D, TMat4D.
    struct Case { std::int32_t Z, T, Format; const char* Fits; std::string Raw, Id; };
    for (const Case& C : {Case{0, 0, 1, "1000", "run 7", "run 7"}, Case{0, 0, 2, "0100", "", ""},
                          Case{3, 0, 1, "0010", Long, Long}, Case{3, 2, 1, "0001", "caf\xE9 \xFF", "caf\xC3\xA9 \xC3\xBF"},
                          Case{-1, 0, 1, "0000", "", ""}, Case{0, 5, 1, "0000", "", ""}, Case{3, 0, 2, "0000", "", ""},
                          Case{3, -2, 1, "0000", "", ""}}) {
        Bytes B = Record0(7, -9, C.Z, C.T, C.Raw, C.Format);
        B.resize(4096 + 1000, 0x5A);  // a partial record after record 0 is never read
        WriteBytes(F.str(), B);
        std::int32_t X = 0, Y = 0, Z = 0, T = 0, Fmt = 0;
        std::string Id, Fits = "0000";
        Fits[0] = TMatrix::ReadBinaryHeader(F.str(), X, Y, Id, Fmt) ? '1' : '0';
        EXPECT_EQ(std::tie(X, Y, Id, Fmt), std::make_tuple(7, -9, C.Id, C.Format));
        X = Y = 0;
        Fits[2] = TMat3D::ReadBinaryHeader(F.str(), X, Y, Z, T, Id, Fmt) ? '1' : '0';
        EXPECT_EQ(std::tie(X, Y, Z, T), std::make_tuple(7, -9, C.Z, C.T));
        const detail::TMatFileHeader H = detail::ReadMatFileHeader(F.str());
        Fits[1] = detail::Fits(H, detail::IntMatrixFileRule) ? '1' : '0';
        Fits[3] = detail::Fits(H, detail::Mat4DFileRule) ? '1' : '0';
        EXPECT_EQ(Fits, C.Fits) << C.Z << " " << C.T << " " << C.Format;
    }
    // Every byte survives Latin-1 -> UTF-8 -> Latin-1; what Latin-1 cannot hold becomes '?'.
    std::string All;
    for (int B = 0; B < 256; ++B) All += static_cast<char>(B);
    EXPECT_EQ(detail::Utf8ToLatin1(detail::Latin1ToUtf8(All)), All);
    EXPECT_EQ(detail::Utf8ToLatin1("\xE2\x82\xAC|\xC3|\xC0\x80"), "?|?|?");
}

TEST(MatrixFiles, MissingOrShortFileRaisesWithOutParametersUnchanged) {
    test::TempPath F("short.bin");
    std::int32_t X = -1, Y = -1, Z = -1, T = -1, Fmt = -1;
    std::string Id = "keep";
    for (std::size_t Len : {0, 276, 4095}) {
        Bytes B = Record0(4, 5, 0, 0, "x", 1);
        B.resize(Len);
        WriteBytes(F.str(), B);
        EXPECT_THROW(TMatrix::ReadBinaryHeader(F.str(), X, Y, Id, Fmt), EReadError);
    }
    EXPECT_THROW(TMat3D::ReadBinaryHeader(F.str() + ".none", X, Y, Z, T, Id, Fmt), EFOpenError);
    EXPECT_THROW(TMatrix::ReadBinaryHeader(std::filesystem::temp_directory_path().string(), X, Y, Id, Fmt),
                 EFOpenError);
    EXPECT_EQ(std::tie(X, Y, Z, T, Fmt, Id), std::make_tuple(-1, -1, -1, -1, -1, std::string("keep")));
}

TEST(MatrixFiles, DataReaderWalksRowMajorRecordsAndRefusesWhatTheFileCannotHold) {
    test::TempPath F("data.bin");
    // 40 x 30: 1200 doubles in three data records (1536 slots), element e holding e + 0.5.
    Bytes B = Record0(40, 30, 0, 0, "", 1);
    B.resize(4 * 4096);
    for (int E = 0; E < 3 * 512; ++E) {
        const double V = E + 0.5;
        std::memcpy(B.data() + 4096 + 8 * E, &V, 8);
    }
    WriteBytes(F.str(), B);
    detail::TMatDataReader R(F.str());
    // Row-major: (r - 1) * X + c - 1; indices outside the counts name no element.
    EXPECT_EQ(std::tuple(R.ElementIndex(3, 2, 1, 1), R.ElementIndex(0, 1, 1, 1), R.ElementIndex(1, 1, 2, 1)),
              std::tuple(1 * 40 + 2, -1, -1));
    ASSERT_TRUE(R.Seek(R.ElementIndex(40, 12, 1, 1)));  // element 479: record 1, slot 479
    for (int E = 479; E < 1536; ++E) ASSERT_EQ(R.Next(), E + 0.5);
    EXPECT_THROW(R.Next(), EReadError);
    EXPECT_EQ((std::vector<bool>{R.Holds(0, 1536), R.Holds(0, 1537), R.Holds(-1, 1),
                                 R.Holds(std::numeric_limits<std::int64_t>::max(), 2), R.Seek(1536)}),
              (std::vector<bool>{true, false, false, false, false}));
    // Counts whose element index overflows 64 bits name no element.
    WriteBytes(F.str(), Record0(MaxI, MaxI, MaxI, MaxI, "", 1));
    detail::TMatDataReader H(F.str());
    EXPECT_EQ(std::pair(H.ElementIndex(MaxI, MaxI, MaxI, MaxI), H.Holds(0, 1)), std::pair(std::int64_t{-1}, false));
}

TEST(MatrixFiles, ReadIntAtPos) {
    struct Case { const char* Text; std::int32_t Pos, Want, WantPos; };
    for (const Case& C : {Case{"  -42abc", 1, -42, 6}, Case{"+7", 1, 7, 3}, Case{"", 1, 0, 1},
                          Case{"12", 3, 0, 3}, Case{"12", 0, 0, 0}, Case{"12", -5, 0, -5}, Case{" 5 ", 1, 5, 3},
                          Case{"   ", 1, 0, 3}, Case{"-", 1, 0, 2}, Case{"--5", 1, 0, 2}, Case{"\t5", 1, 0, 1},
                          Case{"x12", 2, 12, 4},
                          // 32-bit wrap: 2^32 + 1 -> 1; 2^31 -> -2^31; -(2^31 + 1) -> 2^31 - 1.
                          Case{"4294967297", 1, 1, 11}, Case{"2147483648", 1, -MaxI - 1, 11},
                          Case{"-2147483649", 1, MaxI, 12}}) {
        std::int32_t P = C.Pos;
        EXPECT_EQ(std::pair(detail::ReadIntAtPos(C.Text, P), P), std::pair(C.Want, C.WantPos)) << C.Text;
    }
}

TEST(MatrixFiles, ReadRealAtPosFollowsTheStateTable) {
    struct Case { std::string Text; bool Exp; std::int32_t Mode, Pos; double Want; std::int32_t WantPos; };
    const std::string Tiny = "0." + std::string(42000, '0') + "1e420015";  // exponent kept as 42001
    for (const Case& C : {
             Case{"12.5", true, 1, 1, 12.5, 5}, Case{" -3e2 ", true, 1, 1, -300, 6}, Case{"7.", true, 1, 1, 7, 3},
             Case{".5", true, 1, 1, 0.5, 3}, Case{"1e5000", true, 1, 1, MaxD, 7}, Case{"-1E5000", true, 1, 1, -MaxD, 8},
             Case{"1.8e308", true, 1, 1, MaxD, 8}, Case{"-1e-5000", true, 1, 1, 0, 9}, Case{"--1", true, 1, 1, 0, 2},
             Case{"1,5", true, 1, 1, 1, 2}, Case{"1,5", true, 2, 1, 1.5, 4}, Case{"1,5", true, 3, 1, 1.5, 4},
             Case{"1.5", true, 2, 1, 1, 2}, Case{"2E3", false, 1, 1, 2, 2}, Case{"2E", true, 1, 1, 2, 3},
             Case{"2E+", true, 1, 1, 2, 4}, Case{".E5", true, 1, 1, 0, 4}, Case{"3e+x", true, 1, 1, 3, 4},
             Case{"3e x", true, 1, 1, 0, 3}, Case{"2e-3", true, 1, 1, 0.002, 5}, Case{"+.5e+1", true, 1, 1, 5, 7},
             Case{"abc", true, 1, 1, 0, 1}, Case{"  ", true, 1, 1, 0, 3}, Case{"12", true, 1, 5, 0, 5},
             Case{"x-0.1y", true, 1, 2, -0.1, 6}, Case{"5.E2", true, 1, 1, 500, 5}, Case{"-.", true, 1, 1, 0, 3},
             Case{Tiny, true, 1, 1, 1, 42011}}) {
        std::int32_t P = C.Pos, Q = C.Pos;
        EXPECT_EQ(std::pair(detail::ReadDoubleAtPos(C.Text, C.Exp, C.Mode, P), P), std::pair(C.Want, C.WantPos))
            << C.Text;
        EXPECT_EQ(std::pair(static_cast<double>(detail::ReadRealAtPos(C.Text, C.Exp, C.Mode, Q)), Q),
                  std::pair(C.Want, C.WantPos))
            << C.Text;
    }
    // Underflow gives a zero of its sign as a double; Extended holds what it can. The
    // cell value is the correctly rounded double, also in the wide build.
    std::int32_t P = 1, Q = 1, S = 1;
    const double D = detail::ReadDoubleAtPos("-1e-400", true, 1, P);
    EXPECT_TRUE(D == 0 && std::signbit(D));
    EXPECT_EQ(detail::ReadRealAtPos("1e-400", true, 1, Q), sizeof(Extended) > 8 ? 1e-400L : 0.0L);
    EXPECT_EQ(detail::ReadDoubleAtPos("0.1", true, 1, S), 0.1);
}

TEST(MatrixFiles, AttributeIndexIsTheFirstLiteralOccurrenceElsePositionFour) {
    struct Case { const char* Attr; const char* Name; std::int32_t Want; };
    for (const Case& C : {Case{"ix=\"3\" iy=\"4\"", "ix", 3}, Case{"ix=\"3\" iy=\"4\"", "iy", 4},
                          Case{"six=\"5\" ix=\"7\"", "ix", 5}, Case{"IX=\"3\" ix=\"8\"", "ix", 8},
                          Case{"zzz9 iy=\"1\"", "ix", 9}, Case{"iy=\"4\"", "ix", 0}, Case{"ix=\"  12\"", "ix", 12},
                          Case{"ix=\"", "ix", 0}, Case{"ab", "ix", 0}, Case{"", "iz", 0}}) {
        EXPECT_EQ(detail::ReadAttrIndex(C.Attr, C.Name), C.Want) << C.Attr << " " << C.Name;
    }
}

// The result of the last tag of Xml fed to Mat (2: Mat disagreed with the plain model).
template <int Axes, class M> int Feed(M& Mat, const std::string& Xml) { return test::Feed<Axes>(Mat, Xml, MaxI).Result; }

TEST(MatrixFiles, XmlIntoTMatrix) {
    TMatrix M(nullptr);
    int Ev;
    test::CountChanges(M, Ev);
    std::string Xml = "<matrix><numcols>2</numcols><numrows> 3</numrows><numplanes>4</numplanes>";
    for (int C = 1; C <= 2; ++C)
        for (int R = 1; R <= 3; ++R)
            Xml += "<cell ix=\"" + std::to_string(C) + "\" iy=\"" + std::to_string(R) + "\">" + std::to_string(C * 10 + R) +
                   ".5e-1</cell>";
    Xml += "<numcols>9</numcols><cell ix=\"0\" iy=\"1\">7</cell><cell ix=\"3\" iy=\"1\">7</cell></matrix><cell/>";
    EXPECT_EQ(Feed<2>(M, Xml), 1);
    EXPECT_EQ(test::Cells(M), (std::vector<double>{1.15, 1.25, 1.35, 2.15, 2.25, 2.35}));
    EXPECT_EQ(Ev, 1 + 6);  // the resize, then one event per stored cell
    EXPECT_FALSE(M.FirstCell());
    // A cell before any count keeps the size; the first cell does not clear; numbers
    // end at a comma; an unknown tag ends with -1.
    EXPECT_EQ(Feed<2>(M, "<cell ix=\"2\" iy=\"2\">-1,5</cell><cell iy=\"1\" ix=\"1\">2E</cell><numrows>1</numrows><bogus/>"),
              -1);
    EXPECT_EQ(test::Cells(M), (std::vector<double>{2, 1.25, 1.35, 2.15, -1, 2.35}));
    // A negative count is 0 for TMatrix; counts read before SetFirstCell(true) are forgotten.
    M.ProcessXmlTag(TMatXmlTag::xmlMatNumRows, "", "5");
    EXPECT_EQ(Feed<2>(M, "<numcols>-4</numcols><cell ix=\"1\" iy=\"1\">1</cell></matrix>"), 1);
    EXPECT_EQ(std::pair(M.NrOfColumns(), M.NrOfRows()), std::pair(0, 3));
    EXPECT_EQ(M.ProcessXmlTag(static_cast<TMatXmlTag>(8), "", ""), -1);
}

TEST(MatrixFiles, XmlIntoTMat3D) {
    TMat3D M(nullptr);
    int Ev;
    test::CountChanges(M, Ev);
    EXPECT_EQ(Feed<3>(M, "<numcols>2</numcols><numrows>1</numrows><numplanes>3</numplanes><numtimeslots>9</numtimeslots>"
                         "<cell ix=\"2\" iy=\"1\" iz=\"3\">4.25</cell><cell ix=\"1\" iy=\"1\" il=\"2\" iz=\"1\">-8</cell>"
                         "<cell ix=\"1\" iy=\"1\" il=\"2\">5</cell></matrix>"),
              1);
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers()), std::tuple(2, 1, 3));
    EXPECT_EQ(std::pair(M.Elem(2, 1, 3), M.Elem(1, 1, 1)), std::pair(Extended{4.25}, Extended{-8}));  // iz is the layer
    EXPECT_EQ(Ev, 1);  // the resize only: cell writes fire nothing
    // Any count <= 0 makes the first cell's resize a no-op.
    EXPECT_EQ(Feed<3>(M, "<numcols>0</numcols><numrows>5</numrows><cell ix=\"1\" iy=\"1\" iz=\"2\">3</cell>"), 0);
    EXPECT_EQ(std::tuple(M.NrOfColumns(), M.NrOfRows(), M.NrOfLayers(), M.Elem(1, 1, 2)), std::tuple(2, 1, 3, 3.0L));
}

TEST(MatrixFiles, HostileCountsRaiseNoMemoryAndChangeNothing) {
    const std::string Big = "<numcols>2147483647</numcols><numrows>2147483647</numrows>"
                            "<numplanes>2147483647</numplanes><cell ix=\"1\" iy=\"1\" iz=\"1\">5</cell>";
    TMatrix M(nullptr);
    TMat3D M3(nullptr);
    M.SetName("M");
    M3.SetName("M3");
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { Feed<2>(M, Big); }), "Component \"M\": not enough memory on heap");
    EXPECT_EQ(test::RaisedMessage<EQMRMatrixError>([&] { Feed<3>(M3, Big); }), "Component \"M3\": not enough memory on heap");
    EXPECT_TRUE(M.FirstCell() && M3.FirstCell());  // the next cell tries again
    EXPECT_EQ(test::Cells(M), std::vector<double>{0});
    EXPECT_EQ(std::tuple(M3.NrOfColumns(), M3.NrOfRows(), M3.NrOfLayers(), M3.Elem(1, 1, 1)), std::tuple(1, 1, 1, 0.0L));
}

// Random tag soups, truncated and with random bytes spliced in, against the model; the
// header decoder on random records must round-trip its significant bytes.
TEST(MatrixFiles, FuzzLoopAgainstTheModel) {
    std::mt19937 G(20240613);
    auto Pick = [&](std::initializer_list<const char*> L) { return std::string(L.begin()[G() % L.size()]); };
    auto Index = [&](const char* Name) -> std::string {  // mostly inside 1..4, sometimes 0, -1, 1 or missing
        if (G() % 8 == 0) return "";
        const int V = G() % 10 ? 1 + static_cast<int>(G() % 4) : static_cast<int>(G() % 3) - 1;
        return std::string(" ") + Name + "=\"" + std::to_string(V) + "\"";
    };
    for (int Iter = 0; Iter < 3000; ++Iter) {
        std::string Xml = G() % 2 ? "<matrix>" : "";
        for (const char* Tag : {"numcols", "numrows", "numplanes"})
            if (G() % 4) Xml += std::string("<") + Tag + ">" + std::to_string(G() % 4 + 1) + "</" + Tag + ">";
        for (int K = static_cast<int>(G() % 30); K > 0; --K) {
            const unsigned What = G() % 60;
            if (What < 4) {
                const std::string Tag = Pick({"numcols", "numrows", "numplanes", "numtimeslots"});
                Xml += "<" + Tag + ">" + Pick({"3", " 2", "-2", "0", "5x", "+4", "99999999999", ""}) + "</" + Tag + ">";
            } else if (What < 58) {
                Xml += "<cell" + Index("ix") + Index("iy") + Index(G() % 4 ? "iz" : "six") + ">" +
                       Pick({"1.5", "-2e3", " 7", ".E5", "2E", "1,5", "1e999", "-0", "x"}) + "</cell>";
            } else {
                Xml += Pick({"</matrix>", "<bogus>", "<!-- c -->", "<cell", "\"", ">"});
            }
        }
        if (G() % 4 == 0) Xml.resize(G() % (Xml.size() + 1));
        if (G() % 4 == 0 && !Xml.empty()) Xml[G() % Xml.size()] = static_cast<char>(G());
        TMatrix M(nullptr);
        TMat3D M3(nullptr);
        EXPECT_TRUE(test::Agrees(M, test::Feed<2>(M, Xml))) << Xml;
        EXPECT_TRUE(test::Agrees(M3, test::Feed<3>(M3, Xml))) << Xml;
    }
    std::array<std::uint8_t, 4096> Rec, Back;
    for (int Iter = 0; Iter < 300; ++Iter) {
        for (auto& B : Rec) B = static_cast<std::uint8_t>(G());
        detail::EncodeMatFileHeader(detail::DecodeMatFileHeader(Rec), Back);
        EXPECT_EQ(std::memcmp(Rec.data(), Back.data(), 17 + Rec[16]), 0);
        EXPECT_EQ(std::memcmp(Rec.data() + 272, Back.data() + 272, 4), 0);
    }
}

}  // namespace
