// Platform streams, typed values on streams, TMixedFStream and the tag readers.
#include "qmr_test_support.h"

#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

using namespace qmr;

using qmr::test::FileBytes;
using qmr::test::ThrowsWith;
using qmr::test::WriteBytes;

TEST(StreamTest, MemoryStream) {
    TMemoryStream M;
    M.WriteBuffer("abcdef", 6);
    M.SetPosition(2);
    char Buf[8] = {};
    EXPECT_EQ(M.Read(Buf, 8), 4);
    EXPECT_STREQ(Buf, "cdef");
    EXPECT_EQ(M.Seek(-3, TSeekOrigin::soEnd), 3);
    M.WriteBuffer("XYZW", 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(M.Memory()), 7), "abcXYZW");
    M.SetPosition(0);
    EXPECT_TRUE(ThrowsWith<EReadError>([&] { M.ReadBuffer(Buf, 8); }, "Stream read error"));
    M.SetSize(2);
    EXPECT_EQ(M.Position(), 2);
}

TEST(StreamTest, MemoryStreamPositionsNearTheInt64Limit) {
    constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();
    TMemoryStream M;
    M.WriteBuffer("abc", 3);
    // A target before the start or beyond the 64-bit range keeps the position.
    const struct { std::int64_t From, Offset; TSeekOrigin Origin; std::int64_t Want; } Seeks[] = {
        {1, Max, TSeekOrigin::soCurrent, 1},         {1, Max - 1, TSeekOrigin::soCurrent, Max},
        {Max, 1, TSeekOrigin::soCurrent, Max},       {Max, Min, TSeekOrigin::soCurrent, Max},
        {2, Max - 2, TSeekOrigin::soEnd, 2},         {2, Max - 3, TSeekOrigin::soEnd, Max},
        {2, Min, TSeekOrigin::soEnd, 2},             {Max, Max, TSeekOrigin::soBeginning, Max}};
    for (const auto& S : Seeks) {
        M.SetPosition(S.From);
        ASSERT_EQ(M.Position(), S.From);
        EXPECT_EQ(M.Seek(S.Offset, S.Origin), S.Want) << S.From << " + " << S.Offset;
    }
    // A write whose end passes the limit writes nothing and leaves the stream as it was.
    for (const std::int64_t At : {Max, Max - 1, Max - 3}) {
        M.SetPosition(At);
        EXPECT_EQ(M.Write("wxyz", 4), 0) << At;
        EXPECT_TRUE(ThrowsWith<EWriteError>([&] { M.WriteBuffer("wxyz", 4); }, "Stream write error"));
        EXPECT_TRUE(M.Position() == At && M.Size() == 3) << At;
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(M.Memory()), 3), "abc");
}

TEST(StreamValuesTest, ExactRoundTripAndErrorFlag) {
    using L = std::numeric_limits<Extended>;
    const Extended Values[] = {0, -0.0, -2.5, Extended(1) / 3,
                               L::max(), L::denorm_min(), L::infinity(), L::quiet_NaN()};
    TMemoryStream M;
    for (Extended X : Values) WriteExtendedToStream(M, X);
    WriteLongintToStream(M, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(M.Size(), 8 * (QMR_EXTENDED_80 ? 10 : 8) + 4);
    M.SetPosition(0);
    bool Err;
    for (Extended X : Values) {
        Err = true;
        const Extended Y = ReadExtendedFromStream(M, Err);
        EXPECT_FALSE(Err);
        EXPECT_EQ(std::memcmp(&X, &Y, ExtendedStreamSize), 0);
    }
    Err = true;
    EXPECT_EQ(ReadLongintFromStream(M, Err), std::numeric_limits<std::int32_t>::min());
    EXPECT_FALSE(Err);
    EXPECT_EQ(ReadLongintFromStream(M, Err), 0);
    EXPECT_TRUE(Err);
    M.SetPosition(M.Size() - 3);  // a value cut short reads 0 with the error flag set
    Err = false;
    EXPECT_EQ(ReadExtendedFromStream(M, Err), 0);
    EXPECT_TRUE(Err);
}

TEST(MixedFStreamTest, RoundTripOfAllItemsAndFileModes) {
    test::TempPath P("mixed.bin");
    const std::string Lines[] = {"TMemBasedLearner/Tarnwick", "", std::string("a\0b\r\nc\xff", 7)};
    {
        TMixedFStream S(P.str(), fmCreate);
        S.WriteInteger(-42);
        for (const auto& L : Lines) S.WriteLn(L);
        S.WriteDouble(-1.25e-300);
    }
    {
        TMixedFStream S(P.str(), fmOpenReadWrite);
        S.Seek(0, TSeekOrigin::soEnd);
        S.WriteByte(0xA5);
    }
    TMixedFStream S(P.str(), fmOpenRead);
    bool E[6] = {true, true, true, true, true, true};
    EXPECT_EQ(S.ReadInteger(E[0]), -42);
    for (int I = 0; I < 3; ++I) EXPECT_EQ(S.ReadLn(E[I + 1]), Lines[I]);
    EXPECT_EQ(S.ReadDouble(E[4]), -1.25e-300);
    EXPECT_EQ(S.ReadByte(E[5]), 0xA5);
    EXPECT_EQ(std::vector<bool>(E, E + 6), std::vector<bool>(6, false));
    EXPECT_EQ(S.ReadByte(E[0]), 0);
    EXPECT_EQ(S.ReadLn(E[1]), "");
    EXPECT_TRUE(E[0] && E[1]);
    EXPECT_THROW(S.WriteByte(1), EWriteError);
    TMixedFStream(P.str(), fmCreate);  // empties an existing file
    EXPECT_EQ(FileBytes(P.str()), "");
    const std::string Missing = P.str() + ".missing", Msg = "Cannot open file \"" + Missing + "\"";
    EXPECT_TRUE(ThrowsWith<EFOpenError>([&] { TMixedFStream(Missing, fmOpenRead); }, Msg));
    EXPECT_THROW(TMixedFStream(Missing + "/sub/x.bin", fmCreate), EFCreateError);
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
    // Every cut: what was read whole is right, the rest reads empty with the error flag.
    for (std::size_t Cut = 0; Cut < Whole.size(); ++Cut) {
        WriteBytes(P.str(), Whole.substr(0, Cut));
        TMixedFStream S(P.str(), 0);
        bool E1, E2, E3;
        const std::string L1 = S.ReadLn(E1);
        const double D = S.ReadDouble(E2);
        EXPECT_EQ(S.ReadLn(E3), "");
        EXPECT_TRUE(E3 && L1 == (E1 ? "" : "first line") && D == (E2 ? 0.0 : 3.5)) << Cut;
        EXPECT_EQ(S.Position(), static_cast<std::int64_t>(Cut));
    }
    // A length far beyond the file, and a negative one.
    for (std::int32_t Len : {0x7FFFFFFF, -5}) {
        std::string Bytes(4, '\0');
        std::memcpy(Bytes.data(), &Len, 4);
        WriteBytes(P.str(), Bytes + "abc");
        TMixedFStream S(P.str(), 0);
        bool E1 = false, E2 = false;
        EXPECT_EQ(S.ReadLn(E1), "");
        S.ReadByte(E2);
        EXPECT_TRUE(E1 && E2);
    }
}

namespace {
constexpr std::string_view kLearnerTags[] = {"membasedlearner", "comment", "modelname", "modeldata", "distmode",
                                             "scaling", "locmodel", "numnnb", "$invalidtag$"};
constexpr std::string_view kMatrixTags[] = {"numcols", "numrows", "numplanes", "numtimeslots",
                                            "cell", "matrix", "/matrix", "invalidtag"};
using TagSeen = std::pair<int, std::string>;
// Every (index, content) the string reader hands out from position 1.
std::vector<TagSeen> AllTags(const std::string& Text, std::span<const std::string_view> Tags) {
    std::vector<TagSeen> Seen;
    std::string Attr, Content;
    int Pos = 1;
    for (int Ix; (Ix = ReadNextTagInString(Text, Pos, Tags, Attr, Content)) >= 0;) Seen.emplace_back(Ix, Content);
    return Seen;
}
// Every (index, content) the stream reader hands out; their attribute texts go to Attrs.
std::vector<TagSeen> AllTags(std::istream& F, std::span<const std::string_view> Tags,
                             std::vector<std::string>* Attrs = nullptr) {
    std::vector<TagSeen> Seen;
    std::string Attr, Content;
    for (int Ix; (Ix = ReadNextTagInTextFile(F, Tags, Attr, Content)) >= 0; Attrs ? Attrs->push_back(Attr) : void())
        Seen.emplace_back(Ix, Content);
    return Seen;
}
}  // namespace

TEST(TagReaderTest, LearnerModelFile) {
    std::istringstream F("<?xml version=\"1.0\"?>\r\n<membasedlearner sig=\"Korvalis\" vers=\"1.000\" id=\"abc\">\r\n"
                         "<!-- TMemBasedLearner / Tarnwick -->\r\n<comment>a note</comment>\r\n<NUMNNB>7</numnnb>\r\n"
                         "<modeldata>\r\n<datatable><comment>inner</comment></datatable>\r\n</modeldata>\r\n"
                         "</membasedlearner>\r\n");
    std::string Attr, Content;
    ASSERT_EQ(ReadNextTagInTextFile(F, kLearnerTags, Attr, Content), 0);
    EXPECT_EQ(Attr, "sig=\"Korvalis\" vers=\"1.000\" id=\"abc\"");
    // The root's content runs to its closing tag; a tag not listed gives the last entry.
    const std::vector<TagSeen> Want{{1, "a note"}, {7, "7"},
                                    {3, "\r\n<datatable><comment>inner</comment></datatable>\r\n"},
                                    {8, "<comment>inner</comment>"}, {1, "inner"}};
    EXPECT_EQ(AllTags(Content, kLearnerTags), Want);
    EXPECT_EQ(AllTags(F, kLearnerTags), Want);  // the root was left open: its inner tags follow
}

TEST(TagReaderTest, MatrixFileUpToTheEndTag) {
    const std::string Xml = "<?xml version=\"1.0\"?>\n<matrix>\n<numcols>2</numcols>\n<numrows> 3 </numrows>\n"
                            "<cell ix=\"1\" iy=\"1\">1.5</cell>\n<cell iy=\"3\" ix=\"2\">-2e3</cell>\n</matrix>\n";
    const std::size_t Begin = Xml.find("<matrix>") + 8, End = Xml.find("</matrix>");
    const std::vector<TagSeen> Want{{5, Xml.substr(Begin, End - Begin)}, {0, "2"}, {1, " 3 "}, {4, "1.5"},
                                    {4, "-2e3"}, {6, ""}};
    EXPECT_EQ(AllTags(Xml, kMatrixTags), Want);
    std::istringstream F(Xml);
    std::vector<std::string> Attrs;
    EXPECT_EQ(AllTags(F, kMatrixTags, &Attrs), Want);
    EXPECT_EQ(Attrs, (std::vector<std::string>{"", "", "", "ix=\"1\" iy=\"1\"", "iy=\"3\" ix=\"2\"", ""}));
}

TEST(TagReaderTest, EmptyElementsNestingAndPositions) {
    // "</numcols>" is passed over ("/numcols" is not listed); "</MATRIX>" is listed.
    const std::string T = "<cell ix=\"1\" iy='2' note=\"a>b\"/> <cell ix=\"2\">1.5</cell><foo>x</foo></numcols>"
                          "</MATRIX><matrix><matrix>in</matrix>out</matrix>";
    EXPECT_EQ(AllTags(T, kMatrixTags), (std::vector<TagSeen>{{4, ""}, {4, "1.5"}, {7, "x"}, {6, ""},
                                                              {5, "<matrix>in</matrix>out"}, {5, "in"}, {6, ""}}));
    std::string Attr = "?", Content = "?";
    const int Open = static_cast<int>(T.find("<matrix><matrix>")) + 1, End = static_cast<int>(T.size()) + 1;
    const int AfterCell = static_cast<int>(T.find(" <cell")) + 1;
    // {start position, index, position afterwards}: an element holding tags is left open after its tag.
    const int Steps[][3] = {{1, 4, AfterCell}, {Open, 5, Open + 8}, {End - 9, 6, End}, {End, -1, End},
                            {1000, -1, End}, {-3, 4, AfterCell}};
    for (const auto& S : Steps) {
        int Pos = S[0];
        EXPECT_EQ(ReadNextTagInString(T, Pos, kMatrixTags, Attr, Content), S[1]) << S[0];
        EXPECT_EQ(Pos, S[2]) << S[0];
    }
    EXPECT_EQ(Attr + Content, "ix=\"1\" iy='2' note=\"a>b\"");
    int Pos = 1;
    EXPECT_EQ(ReadNextTagInString(T, Pos, std::span<const std::string_view>{}, Attr, Content), -1);
    EXPECT_EQ(Attr + Content, "");
    // A stream that cannot seek consumes whole elements.
    struct ForwardOnlyBuf : std::streambuf {
        std::string D = "<matrix><numcols>2</numcols></matrix><numrows>3</numrows>";
        ForwardOnlyBuf() { setg(D.data(), D.data(), D.data() + D.size()); }
    } Buf;
    std::istream F(&Buf);
    EXPECT_EQ(AllTags(F, kMatrixTags), (std::vector<TagSeen>{{5, "<numcols>2</numcols>"}, {1, "3"}}));
}

TEST(TagReaderTest, DeepAndUnclosedNesting) {
    // Each element's content runs to its matching end tag, or to the end of the input when
    // there is none; every element holds tags, so each call moves on by one tag.
    constexpr int N = 2000;
    std::string Unclosed, Deep;
    for (int K = 0; K < N; ++K) Unclosed += "<matrix>";
    for (int K = 0; K < N; ++K) Deep += "<numcols>";
    Deep += "x";
    for (int K = 0; K < N; ++K) Deep += "</numcols>";
    std::istringstream F1(Unclosed), F2(Deep);
    std::string Attr, Content, Attr2, Content2;
    int Pos = 1;
    for (int K = 1; K <= N; ++K) {
        ASSERT_EQ(ReadNextTagInString(Unclosed, Pos, kMatrixTags, Attr, Content), 5);
        ASSERT_TRUE(Pos == 8 * K + 1 && Content == Unclosed.substr(8 * K)) << K;
        ASSERT_EQ(ReadNextTagInTextFile(F1, kMatrixTags, Attr2, Content2), 5);
        ASSERT_EQ(Content2, Content);
    }
    EXPECT_EQ(ReadNextTagInString(Unclosed, Pos, kMatrixTags, Attr, Content), -1);
    Pos = 1;
    for (int K = 1; K <= N; ++K) {
        ASSERT_EQ(ReadNextTagInString(Deep, Pos, kMatrixTags, Attr, Content), 0);
        const std::size_t Open = 9 * static_cast<std::size_t>(K), Close = 10 * static_cast<std::size_t>(K);
        ASSERT_EQ(Content, Deep.substr(Open, Deep.size() - Open - Close)) << K;
        ASSERT_EQ(ReadNextTagInTextFile(F2, kMatrixTags, Attr2, Content2), 0);
        ASSERT_EQ(Content2, Content);
    }
    // The innermost element is plain: consumed with its end tag. The other end tags are not listed.
    EXPECT_EQ(Pos, static_cast<int>(9 * N + 1 + 10 + 1));
    EXPECT_EQ(ReadNextTagInString(Deep, Pos, kMatrixTags, Attr, Content), -1);
    EXPECT_EQ(ReadNextTagInTextFile(F2, kMatrixTags, Attr2, Content2), -1);
}

TEST(TagReaderTest, TruncatedInputsStopCleanly) {
    EXPECT_TRUE(AllTags("text <numcols attr=\"x", kMatrixTags).empty());
    EXPECT_EQ(AllTags("<numcols>12<cell", kMatrixTags), (std::vector<TagSeen>{{0, "12<cell"}}));
    EXPECT_TRUE(AllTags("<!-- never closed <cell>1</cell>", kMatrixTags).empty());
    std::istringstream F("<numrows>3");
    EXPECT_EQ(AllTags(F, kMatrixTags), (std::vector<TagSeen>{{1, "3"}}));
    // Random bytes rich in markup characters: every call ends, positions only grow.
    std::mt19937 Gen(17);
    const char Alphabet[] = "<>/!?-\"'= ab\0\xff[]";
    std::string Attr, Content;
    for (int T = 0; T < 300; ++T) {
        std::string S(Gen() % 200, ' ');
        for (char& C : S) C = Alphabet[Gen() % (sizeof Alphabet - 1)];
        for (int P = 1, Before = 1, R = 0, Calls = 0; R >= 0; Before = P, ++Calls) {
            ASSERT_LT(Calls, 200);
            R = ReadNextTagInString(S, P, kMatrixTags, Attr, Content);
            ASSERT_TRUE(P >= Before && P <= static_cast<int>(S.size()) + 1 && R < 8);
        }
        std::istringstream G(S);
        for (int K = 0; ReadNextTagInTextFile(G, kMatrixTags, Attr, Content) >= 0; ++K) ASSERT_LT(K, 200);
    }
}
