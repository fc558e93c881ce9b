// String routines, quoted names, ASC headers and word reading.
#include "qmr_test_support.h"

#include <fstream>
#include <random>
#include <sstream>

using namespace qmr;

namespace {
void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream F(Path, std::ios::binary | std::ios::trunc);
    F << Bytes;
}
struct AscHeader {
    int Result = 99;
    std::string Comment = "x";
    std::int32_t Cols = -9, Rows = -9;
    bool Flags[4] = {true, true, true, true};
};
AscHeader ReadAsc(const std::string& Path) {
    AscHeader H;
    H.Result = ReadHeaderOfASC(Path, H.Comment, H.Cols, H.Rows, H.Flags[0], H.Flags[1], H.Flags[2], H.Flags[3]);
    return H;
}
}  // namespace

TEST(StringRoutinesTest, SearchTrimReplace) {
    TStrArray L{"alpha", "beta", "beta"};
    EXPECT_EQ(StringIx("beta", L), 2);
    EXPECT_EQ(StringIx("Beta", L), 0);
    EXPECT_EQ(StringIx("alpha", {}), 0);
    EXPECT_EQ(StripLTBlanks(" \t a b \t "), "a b");
    EXPECT_EQ(StripLTBlanks("   "), "");
    EXPECT_EQ(StripTrailingChars("1.2500", '0'), "1.25");
    EXPECT_EQ(StripTrailingChars("000", '0'), "");
    EXPECT_EQ(ReplaceCharInString("a\nb\nc", '\n', ' '), "a b c");
    EXPECT_EQ(RemoveControlChars(std::string("a\tb\r\n\0c\x7f\xc3\xa9", 10)), "abc\xc3\xa9");
    EXPECT_TRUE(StringContains("vers=\"1.000\" id=\"abc\"", "id="));
    EXPECT_FALSE(StringContains("ID=1", "id="));
    EXPECT_TRUE(StringContains("x", ""));
}

TEST(StringRoutinesTest, TokenizeAtBlanks) {
    TStrArray T{"stale"};
    EXPECT_EQ(Tokenize("  sig=\"Korvalis\"\tvers=\"1.000\"   id=\"a b\" ", T), 4);
    EXPECT_EQ(T, (TStrArray{"sig=\"Korvalis\"", "vers=\"1.000\"", "id=\"a", "b\""}));
    EXPECT_EQ(Tokenize("", T), 0);
    EXPECT_TRUE(T.empty());
    EXPECT_EQ(Tokenize(" \r\n ", T), 0);
}

TEST(QuotedNameTest, CharacterByCharacter) {
    auto Feed = [](const std::string& S, TQuotedStrState& St, std::string& Name) {
        for (std::size_t I = 0; I < S.size(); ++I)
            if (ParseQuotedName(S[I], St, Name)) return static_cast<int>(I);
        return -1;
    };
    TQuotedStrState St = TQuotedStrState::qsStart;
    std::string Name;
    EXPECT_EQ(Feed("  \"col \"\"A\"\"\" 1.5", St, Name), 13);
    EXPECT_EQ(Name, "col \"A\"");
    EXPECT_EQ(St, TQuotedStrState::qsDone);
    EXPECT_TRUE(ParseQuotedName('x', St, Name));
    EXPECT_EQ(Name, "col \"A\"");
    // Input that ends right after the closing quote.
    St = TQuotedStrState::qsStart;
    Name.clear();
    EXPECT_EQ(Feed("\"row1\"", St, Name), -1);
    EXPECT_EQ(St, TQuotedStrState::qsQuoteInName);
    EXPECT_EQ(Name, "row1");
    St = TQuotedStrState::qsStart;
    Name.clear();
    EXPECT_EQ(Feed("\"\" ", St, Name), 2);
    EXPECT_EQ(Name, "");
    // Another quote character.
    St = TQuotedStrState::qsStart;
    Name.clear();
    for (char C : std::string("'it''s' ")) ParseQuotedName(C, St, Name, '\'');
    EXPECT_EQ(Name, "it's");
}

TEST(QuotedNameTest, PlainNamesAsTheCurveFitterWritesThem) {
    // Column names "x   y" on their own line, then the data; each name ends at a blank.
    std::istringstream F("x   y\r\n1.000\t1.000\r\n");
    std::vector<std::string> Names;
    for (int Col = 0; Col < 2; ++Col) {
        TQuotedStrState St = TQuotedStrState::qsStart;
        std::string Name;
        for (int C; (C = F.get()) != EOF;)
            if (ParseQuotedName(static_cast<char>(C), St, Name)) break;
        Names.push_back(Name);
    }
    EXPECT_EQ(Names, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(ReadNextWordInTextFile(F), "1.000");
    EXPECT_EQ(ReadNextWordInTextFile(F), "1.000");
    // A plain name cut off by the end of the input is whole.
    TQuotedStrState St = TQuotedStrState::qsStart;
    std::string Name;
    for (char C : std::string("\t ab\"c")) EXPECT_FALSE(ParseQuotedName(C, St, Name));
    EXPECT_EQ(St, TQuotedStrState::qsInPlainName);
    EXPECT_EQ(Name, "ab\"c");
}

TEST(AscHeaderTest, VectorHeaderAndShortFlagLines) {
    test::TempPath P("h.asc");
    WriteBytes(P.str(), "Exported by QMR TVector component: v.asc\r\n1\t;nr. of columns\r\n5\t;nr. of rows\r\n"
                        "FALSE TRUE FALSE TRUE\t;row attributes, column names, row names, nominal variables\r\n"
                        "       1.000\r\n");
    auto H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, 0);
    EXPECT_EQ(H.Comment, "Exported by QMR TVector component: v.asc");
    EXPECT_EQ(H.Cols, 1);
    EXPECT_EQ(H.Rows, 5);
    EXPECT_EQ((std::vector<bool>(H.Flags, H.Flags + 4)), (std::vector<bool>{false, true, false, true}));
    // Three flags: the fourth reads False.
    WriteBytes(P.str(), "c\n2\t;cols\n3\t;rows\ntrue TRUE True\t;three\n");
    H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, 0);
    EXPECT_EQ((std::vector<bool>(H.Flags, H.Flags + 4)), (std::vector<bool>{true, true, true, false}));
    // The curve fitter's header: three flags, the column names on the next line.
    WriteBytes(P.str(), "Exported by QMR TCurveFit component: f.asc\r\n2\t;nr. of columns\r\n3\t;nr. of rows\r\n"
                        "FALSE TRUE FALSE\t;row attributes, column names, row names\r\nx   y\r\n");
    H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, 0);
    EXPECT_EQ(H.Cols, 2);
    EXPECT_EQ(H.Rows, 3);
    EXPECT_EQ((std::vector<bool>(H.Flags, H.Flags + 4)), (std::vector<bool>{false, true, false, false}));
    // No fourth line at all: all flags False, no error.
    WriteBytes(P.str(), "c\n2\n-3");
    H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, 0);
    EXPECT_EQ(H.Rows, -3);
    EXPECT_EQ((std::vector<bool>(H.Flags, H.Flags + 4)), (std::vector<bool>(4, false)));
}

TEST(AscHeaderTest, FailuresReportWhatWasRead) {
    test::TempPath P("bad.asc");
    auto H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, ascErrOpen);
    EXPECT_EQ(H.Comment, "");
    EXPECT_EQ(H.Cols, 0);
    WriteBytes(P.str(), "");
    EXPECT_EQ(ReadAsc(P.str()).Result, ascErrColumns);
    WriteBytes(P.str(), "comment\r\nx1\t;cols\r\n");
    H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, ascErrColumns);
    EXPECT_EQ(H.Comment, "comment");
    WriteBytes(P.str(), "comment\r\n2\t;cols\r\n12abc\r\n");
    H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, ascErrRows);
    EXPECT_EQ(H.Cols, 2);
    WriteBytes(P.str(), "c\n1\n99999999999\n");
    EXPECT_EQ(ReadAsc(P.str()).Result, ascErrRows);
    WriteBytes(P.str(), "c\n3\n2\nTRUE MAYBE\n");
    H = ReadAsc(P.str());
    EXPECT_EQ(H.Result, ascErrFlags);
    EXPECT_EQ(H.Cols, 3);  // callers test the column count before the result
    EXPECT_TRUE(H.Flags[0]);
    // A path that opens but cannot be read.
    EXPECT_EQ(ReadAsc(std::filesystem::temp_directory_path().string()).Result, ascErrOpen);
    // Garbage bytes never crash and give a defined code.
    std::mt19937 Gen(23);
    for (int T = 0; T < 100; ++T) {
        std::string S(Gen() % 60, ' ');
        for (char& C : S) C = static_cast<char>(Gen() % 5 == 0 ? '\n' : Gen());
        WriteBytes(P.str(), S);
        int R = ReadAsc(P.str()).Result;
        EXPECT_TRUE(R == 0 || R == ascErrColumns || R == ascErrRows || R == ascErrFlags);
    }
}

TEST(WordReaderTest, WordsAcrossLinesAndEnd) {
    const char Text[] = "  1.5\t-2e3\r\n\r\n NAN\0###  \"q\"";
    std::istringstream F(std::string(Text, sizeof Text - 1));
    EXPECT_EQ(ReadNextWordInTextFile(F), "1.5");
    EXPECT_EQ(F.peek(), '\t');
    EXPECT_EQ(ReadNextWordInTextFile(F), "-2e3");
    EXPECT_EQ(ReadNextWordInTextFile(F), "NAN");
    EXPECT_EQ(ReadNextWordInTextFile(F), "###");
    EXPECT_EQ(ReadNextWordInTextFile(F), "\"q\"");
    EXPECT_EQ(ReadNextWordInTextFile(F), "");
    EXPECT_EQ(ReadNextWordInTextFile(F), "");
    std::istringstream Empty("");
    EXPECT_EQ(ReadNextWordInTextFile(Empty), "");
    std::istringstream Bytes("\xff\xfe word");
    EXPECT_EQ(ReadNextWordInTextFile(Bytes), "\xff\xfe");
}
