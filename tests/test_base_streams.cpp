// Platform streams, typed values on streams, TMixedFStream and the tag readers.
#include "qmr_test_support.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

using namespace qmr;

namespace {
std::string FileBytes(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(F), {});
}
void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream F(Path, std::ios::binary | std::ios::trunc);
    F << Bytes;
}
}  // namespace

TEST(StreamTest, MemoryStreamReadWriteSeek) {
    TMemoryStream M;
    M.WriteBuffer("abcdef", 6);
    EXPECT_EQ(M.Size(), 6);
    EXPECT_EQ(M.Position(), 6);
    M.SetPosition(2);
    char Buf[8] = {};
    EXPECT_EQ(M.Read(Buf, 8), 4);
    EXPECT_STREQ(Buf, "cdef");
    EXPECT_EQ(M.Seek(-3, TSeekOrigin::soEnd), 3);
    M.WriteBuffer("XYZW", 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(M.Memory()), 7), "abcXYZW");
    M.SetPosition(0);
    try {
        M.ReadBuffer(Buf, 8);
        FAIL();
    } catch (const EReadError& E) {
        EXPECT_STREQ(E.what(), "Stream read error");
    }
    M.SetSize(2);
    EXPECT_EQ(M.Position(), 2);
    M.Clear();
    EXPECT_EQ(M.Size(), 0);
}

TEST(StreamTest, FileStreamModesAndErrors) {
    test::TempPath P("fs.bin");
    {
        TFileStream F(P.str(), fmCreate);
        F.WriteBuffer("hello", 5);
        EXPECT_EQ(F.Size(), 5);
    }
    {
        TFileStream F(P.str(), fmOpenRead);
        char B[5];
        F.ReadBuffer(B, 5);
        EXPECT_EQ(std::string(B, 5), "hello");
        EXPECT_EQ(F.Read(B, 1), 0);
        EXPECT_THROW(F.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream F(P.str(), fmOpenReadWrite);
        F.Seek(0, TSeekOrigin::soEnd);
        F.WriteBuffer("!", 1);
    }
    EXPECT_EQ(FileBytes(P.str()), "hello!");
    {
        TFileStream F(P.str(), fmCreate);  // empties an existing file
    }
    EXPECT_EQ(FileBytes(P.str()), "");
    test::TempPath Missing("no_such_file.bin");
    try {
        TFileStream F(Missing.str(), fmOpenRead);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ(std::string(E.what()), "Cannot open file \"" + Missing.str() + "\"");
    }
    EXPECT_THROW(TFileStream(Missing.str() + "/sub/x.bin", fmCreate), EFCreateError);
}

TEST(StreamValuesTest, ExtendedAndLongintRoundTrip) {
    const Extended Values[] = {0, -0.0, 1, -2.5, std::numeric_limits<Extended>::max(),
                               std::numeric_limits<Extended>::denorm_min(), std::numeric_limits<Extended>::infinity(),
                               static_cast<Extended>(1) / 3};
    TMemoryStream M;
    for (Extended X : Values) WriteExtendedToStream(M, X);
    WriteLongintToStream(M, std::numeric_limits<std::int32_t>::min());
    WriteLongintToStream(M, 123456789);
    EXPECT_EQ(M.Size(), 8 * ExtendedStreamSize + 8);
    EXPECT_EQ(ExtendedStreamSize, QMR_EXTENDED_80 ? 10 : 8);
    M.SetPosition(0);
    for (Extended X : Values) {
        bool Err = true;
        Extended Y = ReadExtendedFromStream(M, Err);
        EXPECT_FALSE(Err);
        EXPECT_EQ(std::memcmp(&X, &Y, ExtendedStreamSize), 0);
    }
    bool Err = true;
    EXPECT_EQ(ReadLongintFromStream(M, Err), std::numeric_limits<std::int32_t>::min());
    EXPECT_FALSE(Err);
    EXPECT_EQ(ReadLongintFromStream(M, Err), 123456789);
    EXPECT_FALSE(Err);
    EXPECT_EQ(ReadLongintFromStream(M, Err), 0);
    EXPECT_TRUE(Err);
    // A value cut short reads 0 with the error flag set.
    TMemoryStream Short;
    Short.WriteBuffer("\x01\x02\x03", 3);
    Short.SetPosition(0);
    Err = false;
    EXPECT_EQ(ReadExtendedFromStream(Short, Err), 0);
    EXPECT_TRUE(Err);
    EXPECT_TRUE(std::isnan(static_cast<double>(
        [] { TMemoryStream N; WriteExtendedToStream(N, std::numeric_limits<Extended>::quiet_NaN());
             N.SetPosition(0); bool E; return ReadExtendedFromStream(N, E); }())));
}

TEST(MixedFStreamTest, RoundTripOfAllItems) {
    test::TempPath P("mixed.bin");
    const std::string Lines[] = {"TMemBasedLearner/Tarnwick", "", std::string("a\0b\r\nc\xff", 7), "vers=1.000"};
    {
        TMixedFStream S(P.str(), 0xFF00);
        S.WriteInteger(-42);
        for (const auto& L : Lines) S.WriteLn(L);
        S.WriteDouble(-1.25e-300);
        S.WriteByte(0xA5);
        S.WriteInteger(2147483647);
    }
    TMixedFStream S(P.str(), 0);
    bool Err = true;
    EXPECT_EQ(S.ReadInteger(Err), -42);
    EXPECT_FALSE(Err);
    for (const auto& L : Lines) {
        Err = true;
        EXPECT_EQ(S.ReadLn(Err), L);
        EXPECT_FALSE(Err);
    }
    EXPECT_EQ(S.ReadDouble(Err), -1.25e-300);
    EXPECT_EQ(S.ReadByte(Err), 0xA5);
    EXPECT_EQ(S.ReadInteger(Err), 2147483647);
    EXPECT_FALSE(Err);
    EXPECT_EQ(S.ReadByte(Err), 0);
    EXPECT_TRUE(Err);
    EXPECT_EQ(S.ReadLn(Err), "");
    EXPECT_TRUE(Err);
    EXPECT_THROW(TMixedFStream(P.str() + ".missing", 0), EFOpenError);
}

TEST(MixedFStreamTest, TruncatedAndGarbageFilesStopCleanly) {
    test::TempPath P("mixed_cut.bin");
    {
        TMixedFStream S(P.str(), 0xFF00);
        S.WriteLn("first line");
        S.WriteDouble(3.5);
        S.WriteLn("second");
    }
    const std::string Whole = FileBytes(P.str());
    for (std::size_t Cut = 0; Cut < Whole.size(); ++Cut) {
        WriteBytes(P.str(), Whole.substr(0, Cut));
        TMixedFStream S(P.str(), 0);
        bool E1, E2, E3;
        std::string L1 = S.ReadLn(E1);
        double D = S.ReadDouble(E2);
        std::string L2 = S.ReadLn(E3);
        EXPECT_TRUE(E1 || E2 || E3) << Cut;
        if (!E1) {
            EXPECT_EQ(L1, "first line");
        }
        if (!E2) {
            EXPECT_EQ(D, 3.5);
        }
        if (E3) {
            EXPECT_EQ(L2, "");
        }
        EXPECT_EQ(S.Position(), static_cast<std::int64_t>(Cut));
    }
    // A length far beyond the file, and a negative one.
    for (std::int32_t Len : {0x7FFFFFFF, -5}) {
        std::string Bytes(4, '\0');
        std::memcpy(Bytes.data(), &Len, 4);
        WriteBytes(P.str(), Bytes + "abc");
        TMixedFStream S(P.str(), 0);
        bool Err = false;
        EXPECT_EQ(S.ReadLn(Err), "");
        EXPECT_TRUE(Err);
        S.ReadByte(Err);
        EXPECT_TRUE(Err);
    }
}

namespace {
constexpr std::string_view kLearnerTags[] = {"membasedlearner", "comment", "modelname", "modeldata", "distmode",
                                             "scaling", "locmodel", "numnnb", "$invalidtag$"};
constexpr std::string_view kMatrixTags[] = {"numcols", "numrows", "numplanes", "numtimeslots",
                                            "cell", "matrix", "/matrix", "invalidtag"};
}  // namespace

namespace {
using TagSeen = std::pair<int, std::string>;
// Every (index, content) the string reader hands out from position 1.
std::vector<TagSeen> AllTags(const std::string& Text, std::span<const std::string_view> Tags) {
    std::vector<TagSeen> Seen;
    std::string Attr, Content;
    int Pos = 1;
    for (int Ix; (Ix = ReadNextTagInString(Text, Pos, Tags, Attr, Content)) >= 0;) Seen.emplace_back(Ix, Content);
    return Seen;
}
// A stream that cannot seek.
class ForwardOnlyBuf : public std::streambuf {
public:
    explicit ForwardOnlyBuf(std::string S) : FData(std::move(S)) { setg(FData.data(), FData.data(), FData.data() + FData.size()); }

private:
    std::string FData;
};
}  // namespace

TEST(TagReaderTest, ModelFileRootAndItsContent) {
    test::TempPath P("model.xml");
    WriteBytes(P.str(),
               "<?xml version=\"1.0\"?>\r\n"
               "<membasedlearner sig=\"Korvalis\" vers=\"1.000\" id=\"abc\">\r\n"
               "<!-- TMemBasedLearner / Tarnwick -->\r\n"
               "<comment>a note</comment>\r\n"
               "<NUMNNB>7</numnnb>\r\n"
               "<modeldata>\r\n<datatable><comment>inner</comment></datatable>\r\n</modeldata>\r\n"
               "</membasedlearner>\r\n");
    std::ifstream F(P.str());
    std::string Attr, Content;
    ASSERT_EQ(ReadNextTagInTextFile(F, kLearnerTags, Attr, Content), 0);
    EXPECT_EQ(Attr, "sig=\"Korvalis\" vers=\"1.000\" id=\"abc\"");
    // The root's content runs to its closing tag; read tag by tag from position 1.
    const auto Root = AllTags(Content, kLearnerTags);
    ASSERT_EQ(Root.size(), 5u);
    EXPECT_EQ(Root[0], (TagSeen{1, "a note"}));
    EXPECT_EQ(Root[1], (TagSeen{7, "7"}));
    EXPECT_EQ(Root[2], (TagSeen{3, "\r\n<datatable><comment>inner</comment></datatable>\r\n"}));
    EXPECT_EQ(Root[3], (TagSeen{8, "<comment>inner</comment>"}));  // not in the list: the last entry
    EXPECT_EQ(Root[4], (TagSeen{1, "inner"}));
    // At file level the root's inner tags follow it; closing tags are not listed.
    std::vector<int> Rest;
    for (int Ix; (Ix = ReadNextTagInTextFile(F, kLearnerTags, Attr, Content)) >= 0;) Rest.push_back(Ix);
    EXPECT_EQ(Rest, (std::vector<int>{1, 7, 3, 8, 1}));
}

TEST(TagReaderTest, MatrixTagsOneByOneUpToTheEndTag) {
    const std::string Xml = "<?xml version=\"1.0\"?>\n<matrix>\n<numcols>2</numcols>\n<numrows> 3 </numrows>\n"
                            "<cell ix=\"1\" iy=\"1\">1.5</cell>\n<cell iy=\"3\" ix=\"2\">-2e3</cell>\n</matrix>\n";
    const std::size_t Begin = Xml.find("<matrix>") + 8, End = Xml.find("</matrix>");
    const std::vector<TagSeen> Want{{5, Xml.substr(Begin, End - Begin)}, {0, "2"}, {1, " 3 "}, {4, "1.5"},
                                    {4, "-2e3"}, {6, ""}};
    EXPECT_EQ(AllTags(Xml, kMatrixTags), Want);
    test::TempPath P("matrix.xml");
    WriteBytes(P.str(), Xml);
    std::ifstream F(P.str());
    std::string Attr, Content;
    std::vector<TagSeen> Seen;
    std::vector<std::string> Attrs;
    for (int Ix; (Ix = ReadNextTagInTextFile(F, kMatrixTags, Attr, Content)) >= 0;) {
        Seen.emplace_back(Ix, Content);
        Attrs.push_back(Attr);
    }
    EXPECT_EQ(Seen, Want);
    EXPECT_EQ(Attrs[3], "ix=\"1\" iy=\"1\"");
    EXPECT_EQ(Attrs[4], "iy=\"3\" ix=\"2\"");
}

TEST(TagReaderTest, ListLookupNestingAndEmptyElements) {
    std::string Attr, Content;
    const std::string T = "<cell ix=\"1\" iy='2' note=\"a>b\"/> <cell ix=\"2\">1.5</cell><foo>x</foo></numcols></MATRIX>"
                          "<matrix><matrix>in</matrix>out</matrix>";
    int Pos = 1;
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 4);
    EXPECT_EQ(Attr, "ix=\"1\" iy='2' note=\"a>b\"");
    EXPECT_EQ(Content, "");
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 4);
    EXPECT_EQ(Content, "1.5");
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 7);  // unknown: last entry
    EXPECT_EQ(Content, "x");
    // "</numcols>" is passed over ("/numcols" is not listed); "</MATRIX>" is listed.
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 6);
    EXPECT_EQ(Content, "");
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 5);
    EXPECT_EQ(Content, "<matrix>in</matrix>out");
    EXPECT_EQ(Pos, static_cast<int>(T.find("<matrix><matrix>")) + 9);  // left open after its tag
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 5);
    EXPECT_EQ(Content, "in");
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 6);
    EXPECT_EQ(Pos, static_cast<int>(T.size()) + 1);
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), -1);
    EXPECT_EQ(Attr, "");
    EXPECT_EQ(Content, "");
    Pos = 1000;
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), -1);
    Pos = -3;
    EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), 4);
    Pos = 1;
    EXPECT_EQ(ReadNextTagInString(T, Pos, std::span<const std::string_view>{}, Attr, Content), -1);
}

TEST(TagReaderTest, StreamThatCannotSeekConsumesWholeElements) {
    ForwardOnlyBuf Buf("<matrix><numcols>2</numcols></matrix><numrows>3</numrows>");
    std::istream F(&Buf);
    std::string Attr, Content;
    EXPECT_EQ(ReadNextTagInTextFile(F, kMatrixTags, Attr, Content), 5);
    EXPECT_EQ(Content, "<numcols>2</numcols>");
    EXPECT_EQ(ReadNextTagInTextFile(F, kMatrixTags, Attr, Content), 1);
    EXPECT_EQ(Content, "3");
    EXPECT_EQ(ReadNextTagInTextFile(F, kMatrixTags, Attr, Content), -1);
}

TEST(TagReaderTest, TruncatedInputsStopCleanly) {
    std::string Attr, Content;
    int Pos = 1;
    EXPECT_EQ(ReadNextTagInString("text <numcols attr=\"x", Pos, kMatrixTags, Attr, Content), -1);
    Pos = 1;
    EXPECT_EQ(ReadNextTagInString("<numcols>12<cell", Pos, kMatrixTags, Attr, Content), 0);
    EXPECT_EQ(Content, "12<cell");  // no closing tag: content runs to the end
    Pos = 1;
    EXPECT_EQ(ReadNextTagInString("<!-- never closed <cell>1</cell>", Pos, kMatrixTags, Attr, Content), -1);
    std::istringstream F("<numrows>3");
    EXPECT_EQ(ReadNextTagInTextFile(F, kMatrixTags, Attr, Content), 1);
    EXPECT_EQ(Content, "3");
    EXPECT_EQ(ReadNextTagInTextFile(F, kMatrixTags, Attr, Content), -1);
    // Random bytes rich in markup characters: every call ends, positions only grow.
    std::mt19937 Gen(17);
    const char Alphabet[] = "<>/!?-\"'= ab\0\xff[]";
    for (int T = 0; T < 300; ++T) {
        std::string S(Gen() % 200, ' ');
        for (char& C : S) C = Alphabet[Gen() % (sizeof Alphabet - 1)];
        int P = 1, Calls = 0;
        for (;;) {
            int Before = P;
            int R = ReadNextTagInString(S, P, kMatrixTags, Attr, Content);
            ASSERT_GE(P, Before);
            ASSERT_LE(P, static_cast<int>(S.size()) + 1);
            if (R < 0) break;
            ASSERT_LT(R, 8);
            ASSERT_LT(++Calls, 200);
        }
        std::istringstream G(S);
        for (int K = 0; ReadNextTagInTextFile(G, kMatrixTags, Attr, Content) >= 0; ++K) ASSERT_LT(K, 200);
    }
}
