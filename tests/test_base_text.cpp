// String routines, quoted names, ASC headers and word reading.
#include "qmr_test_support.h"

#include <fstream>
#include <random>
#include <sstream>
#include <tuple>

using namespace qmr;

TEST(StringRoutinesTest, SearchTrimReplaceTokenize) {
    const TStrArray L{"alpha", "beta", "beta"};
    EXPECT_EQ(std::vector<int>({StringIx("beta", L), StringIx("Beta", L), StringIx("alpha", {})}),
              (std::vector<int>{2, 0, 0}));
    EXPECT_EQ(StripLTBlanks(" \t a b \t "), "a b");
    EXPECT_EQ(StripLTBlanks("   "), "");
    EXPECT_EQ(StripTrailingChars("1.2500", '0'), "1.25");
    EXPECT_EQ(StripTrailingChars("000", '0'), "");
    EXPECT_EQ(ReplaceCharInString("a\nb\nc", '\n', ' '), "a b c");
    EXPECT_EQ(RemoveControlChars(std::string("a\tb\r\n\0c\x7f\xc3\xa9", 10)), "abc\xc3\xa9");
    EXPECT_TRUE(StringContains("vers=\"1.000\" id=\"abc\"", "id="));
    EXPECT_FALSE(StringContains("ID=1", "id="));
    TStrArray T{"stale"};
    EXPECT_EQ(Tokenize("  sig=\"Korvalis\"\tvers=\"1.000\"   id=\"a b\" / ", T), 5);
    EXPECT_EQ(T, (TStrArray{"sig=\"Korvalis\"", "vers=\"1.000\"", "id=\"a", "b\"", "/"}));
    EXPECT_EQ(Tokenize(" \r\n ", T), 0);
    EXPECT_TRUE(T.empty());
}

TEST(QuotedNameTest, CharacterByCharacter) {
    using enum TQuotedStrState;
    // {input, quote, index of the character that completes the name (-1: none), name, state}.
    // A doubled quote stands for one; a name cut off by the end of the input is not complete,
    // and a plain name (no quote) ends at a blank.
    const struct { std::string In; char Quote; int Done; std::string Name; TQuotedStrState St; } Cases[] = {
        {"  \"col \"\"A\"\"\" 1.5", '"', 13, "col \"A\"", qsDone}, {"\"row1\"", '"', -1, "row1", qsQuoteInName},
        {"\"\" ", '"', 2, "", qsDone}, {"'it''s' ", '\'', 7, "it's", qsDone},
        {"\t ab\"c", '"', -1, "ab\"c", qsInPlainName}, {"x   y", '"', 1, "x", qsDone}};
    for (const auto& C : Cases) {
        TQuotedStrState St = qsStart;
        std::string Name;
        int Done = -1;
        for (std::size_t I = 0; I < C.In.size() && Done < 0; ++I)
            if (ParseQuotedName(C.In[I], St, Name, C.Quote)) Done = static_cast<int>(I);
        EXPECT_EQ(Done, C.Done) << C.In;
        EXPECT_EQ(Name, C.Name) << C.In;
        EXPECT_EQ(St, C.St) << C.In;
        const bool WasDone = St == qsDone;  // done stays done
        EXPECT_TRUE(!WasDone || (ParseQuotedName('x', St, Name) && Name == C.Name));
    }
}

TEST(AscHeaderTest, HeadersAndFailures) {
    test::TempPath P("h.asc");
    const auto Read = [&](const std::string& Text) {
        std::ofstream(P.str(), std::ios::binary | std::ios::trunc) << Text;
        std::string Comment = "x";
        std::int32_t Cols = -9, Rows = -9;
        bool F[4] = {true, true, true, true};
        const int R = ReadHeaderOfASC(P.str(), Comment, Cols, Rows, F[0], F[1], F[2], F[3]);
        std::string Line = Text.substr(0, Text.find('\n'));
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        EXPECT_EQ(Comment, Line);
        return std::tuple(R, Cols, Rows, std::vector<bool>(F, F + 4));
    };
    using Flags = std::vector<bool>;
    const Flags None(4, false);
    EXPECT_EQ(Read("Exported by QMR TVector component: v.asc\r\n1\t;nr. of columns\r\n5\t;nr. of rows\r\n"
                   "FALSE TRUE FALSE TRUE\t;row attributes, column names, row names, nominal variables\r\n  1.000\r\n"),
              std::tuple(0, 1, 5, Flags{false, true, false, true}));
    // The curve fitter's header: three flags (the fourth reads False), the column names next.
    EXPECT_EQ(Read("Exported by QMR TCurveFit component: f.asc\r\n2\t;nr. of columns\r\n3\t;nr. of rows\r\n"
                   "FALSE TRUE FALSE\t;row attributes, column names, row names\r\nx   y\r\n"),
              std::tuple(0, 2, 3, Flags{false, true, false, false}));
    EXPECT_EQ(Read("c\n2\t;cols\n3\t;rows\ntrue TRUE True\t;three\n"),
              std::tuple(0, 2, 3, Flags{true, true, true, false}));
    EXPECT_EQ(Read("c\n2\n-3"), std::tuple(0, 2, -3, None));  // no flags line: no error
    EXPECT_EQ(Read(""), std::tuple(ascErrColumns, 0, 0, None));
    EXPECT_EQ(Read("comment\r\nx1\t;cols\r\n"), std::tuple(ascErrColumns, 0, 0, None));
    EXPECT_EQ(Read("comment\r\n2\t;cols\r\n12abc\r\n"), std::tuple(ascErrRows, 2, 0, None));
    EXPECT_EQ(Read("c\n1\n99999999999\n"), std::tuple(ascErrRows, 1, 0, None));
    // Callers test the column count before the result; flags read so far stay.
    EXPECT_EQ(Read("c\n3\n2\nTRUE MAYBE\n"), std::tuple(ascErrFlags, 3, 2, Flags{true, false, false, false}));
    // After four flags only blanks or a remark; a count takes one sign at most. Each
    // failure gives its line's code, with what was read before it.
    const Flags Four{false, true, false, true};
    const struct { const char* Text; std::tuple<int, int, int, Flags> Want; } Strict[] = {
        {"c\n1\n2\nFALSE TRUE FALSE TRUE XYZ\n", {ascErrFlags, 1, 2, Four}},
        {"c\n1\n2\nFALSE TRUE FALSE TRUE TRUE\n", {ascErrFlags, 1, 2, Four}},
        {"c\n1\n2\nFALSE TRUE FALSE TRUE   \r\n", {0, 1, 2, Four}},
        {"c\n1\n2\nFALSE TRUE FALSE TRUE  \t;remark XYZ\n", {0, 1, 2, Four}},
        {"c\n1\n2\nFALSE TRUE FALSE TRUE ;remark\n", {0, 1, 2, Four}},
        {"c\n+-5\n2\n", {ascErrColumns, 0, 0, None}},
        {"c\n-+5\n2\n", {ascErrColumns, 0, 0, None}},
        {"c\n++5\n2\n", {ascErrColumns, 0, 0, None}},
        {"c\n5\n+-2\n", {ascErrRows, 5, 0, None}},
        {"c\n+5\n-2\tremark\n", {0, 5, -2, None}}};
    for (const auto& C : Strict) EXPECT_EQ(Read(C.Text), C.Want) << C.Text;
    // Garbage bytes never crash and give a defined code.
    std::mt19937 Gen(23);
    for (int T = 0; T < 100; ++T) {
        std::string S(Gen() % 60, ' ');
        for (char& C : S) C = static_cast<char>(Gen() % 5 == 0 ? '\n' : Gen());
        const int R = std::get<0>(Read(S));
        EXPECT_TRUE(R == 0 || R == ascErrColumns || R == ascErrRows || R == ascErrFlags);
    }
    // A missing file, and a path that opens but cannot be read.
    for (const std::string& Path : {P.str() + ".missing", std::filesystem::temp_directory_path().string()}) {
        std::string Comment = "x";
        std::int32_t Cols = -9, Rows;
        bool F[4];
        EXPECT_EQ(ReadHeaderOfASC(Path, Comment, Cols, Rows, F[0], F[1], F[2], F[3]), ascErrOpen);
        EXPECT_EQ(Comment + std::to_string(Cols), "0");
    }
}

TEST(WordReaderTest, WordsAcrossLinesAndEnd) {
    const char Text[] = "  1.5\t-2e3\r\n\r\n NAN\0###  \"q\"";
    std::istringstream F(std::string(Text, sizeof Text - 1));
    EXPECT_EQ(ReadNextWordInTextFile(F), "1.5");
    EXPECT_EQ(F.peek(), '\t');  // the delimiter after a word stays unread
    for (const char* W : {"-2e3", "NAN", "###", "\"q\"", "", ""}) EXPECT_EQ(ReadNextWordInTextFile(F), W);
    std::istringstream Bytes("\xff\xfe word");
    EXPECT_EQ(ReadNextWordInTextFile(Bytes), "\xff\xfe");
    // After the curve fitter's names line, the data words.
    std::istringstream Fit("x   y\r\n1.000\t2.000\r\n");
    for (const char* W : {"x", "y", "1.000", "2.000", ""}) EXPECT_EQ(ReadNextWordInTextFile(Fit), W);
}
