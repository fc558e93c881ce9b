// Vector files: ASC tables, text lists and binary streams of TVector and TIntVector,
// their byte layouts, round trips, failure codes, events, and hostile input.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace {

using namespace qmr::test;
using qmr::TIntVector;
using qmr::TMemoryStream;
using qmr::TVector;
using Vals = std::vector<double>;
using Ints = std::vector<std::int32_t>;

const std::string kFlags = "FALSE FALSE FALSE FALSE\t;row attributes, column names, row names, nominal variables";
const std::string kHead = "\r\n1\t;nr. of columns\r\n";

// An ASC table with the given row count, flag line and data.
std::string Asc(int Rows, const std::string& Flags, const std::string& Data, int Cols = 1) {
    return "c\r\n" + std::to_string(Cols) + "\t;nr. of columns\r\n" + std::to_string(Rows) + "\t;nr. of rows\r\n" +
           Flags + "\r\n" + Data;
}

std::string Bytes(TMemoryStream& S) {
    return {reinterpret_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size())};
}

// ---------------------------------------------------------------- ASC tables

TEST(VectorAsc, ExportWritesTheTableByteForByte) {
    TempPath P("v.asc");
    TVector V(nullptr);
    ASSERT_EQ(V.ExportAsASC(P.str(), 4, ""), 0);
    EXPECT_EQ(FileBytes(P.str()), "Exported by QMR TVector component: " + P.str() + kHead + "1\t;nr. of rows\r\n" +
                                      kFlags + "\r\n      0.0000\r\n");
    // Line feeds and carriage returns of a comment become blanks, so the file reads back.
    SetValues(V, Vals{1.25, -3});
    ASSERT_EQ(V.ExportAsASC(P.str(), 1, "two\nlines\r\nhere"), 0);
    EXPECT_EQ(FileBytes(P.str()), "two lines  here" + kHead + "2\t;nr. of rows\r\n" + kFlags +
                                      "\r\n         1.3\r\n        -3.0\r\n");  // the tie 1.25 goes up
    std::string Comment;
    EXPECT_EQ(V.ImportASC(P.str(), Comment), 0);
    EXPECT_EQ(Comment, "two lines  here");
    TIntVector I(nullptr);
    SetValues(I, Ints{-2147483647 - 1, 7});
    ASSERT_EQ(I.ExportAsASC(P.str(), ""), 0);
    EXPECT_EQ(FileBytes(P.str()), "Exported by QMR TIntVector component: " + P.str() + kHead +
                                      "2\t;nr. of rows\r\n" + kFlags + "\r\n-2147483648\r\n7\r\n");
    EXPECT_EQ(std::pair(V.ExportAsASC("/nonexistent-dir/v", 2, ""), I.ExportAsASC("/nonexistent-dir/v", "")),
              std::pair(-1, -1));
}

TEST(VectorAsc, ImportCodesSizesAndValues) {
    const std::string F3 = "FALSE FALSE FALSE";
    const struct {
        std::string File;
        int Code;
        Vals Want;  // the vector afterwards; it held 9, 9 before
    } Cases[] = {
        {Asc(3, kFlags, "1.5\r\n-2e3\r\n.25\r\n"), 0, {1.5, -2000, 0.25}},
        {Asc(4, F3, "NAN ### 7 8"), 0, {0, 0, 7, 8}},  // three flags (the curve fitter's): the fourth is FALSE
        {Asc(5, F3, "1\n2\nabc\n4\n5\n"), 250, {1, 2, 0}},  // cut after the failing row, which keeps its 0
        {Asc(2, F3, "nan 3"), 250, {9}},
        {Asc(2, F3, "1"), 250, {1, 9}},
        {Asc(2, "TRUE FALSE TRUE FALSE", "0.5 \"row one\" 1.5 -1 \"r2\" 2.5"), 0, {1.5, 2.5}},
        {Asc(2, "TRUE FALSE FALSE FALSE", "x 1.5"), 251, {9}},
        {Asc(1, "FALSE TRUE FALSE FALSE", "\"the \"\"column\"\"\" 4.5"), 0, {4.5}},
        {Asc(1, "FALSE TRUE FALSE FALSE", "\"n\" 5.5", 0), 0, {5.5}},  // at least one column name
        {Asc(3, F3, "1 2 3", 2), -7, {9, 9}},
        {"c\r\n1\r\nmany\r\n", qmr::ascErrRows, {9, 9}},
        {"c\r\n2\r\nmany\r\n", -7, {9, 9}},  // more than one column outranks the header's code
        {Asc(0, F3, "1 2"), 0, {9, 9}},
    };
    TempPath P("in.asc");
    for (const auto& C : Cases) {
        WriteBytes(P.str(), C.File);
        TVector V(nullptr);
        SetValues(V, Vals{9, 9});
        std::string Comment;
        EXPECT_EQ(V.ImportASC(P.str(), Comment), C.Code) << C.File;
        EXPECT_EQ(ValuesOf(V), C.Want) << C.File;
    }
    std::string Comment = "kept";
    TIntVector I(nullptr);
    EXPECT_EQ(I.ImportASC(P.str() + ".missing", Comment), -8);
    EXPECT_EQ(Comment, "kept");
    // The integer twin rounds half to even; a value beyond 32 bits is not a value.
    WriteBytes(P.str(), Asc(7, F3, "2.5 3.5 -2.5 1e3 ### 2147483647.4 2147483648"));
    EXPECT_EQ(I.ImportASC(P.str(), Comment), 250);
    EXPECT_EQ(ValuesOf<int>(I), (Ints{2, 4, -2, 1000, 0, 2147483647, 0}));
}

TEST(VectorAsc, AnnouncedRowCountIsNotAllocatedBeforeTheData) {
    TempPath P("big.asc");
    WriteBytes(P.str(), Asc(2000000000, kFlags, "1 2 3\r\n"));
    TVector V(nullptr);
    std::int32_t Largest = 0;
    V.OnChange = [&](qmr::TObject*) { Largest = std::max(Largest, V.NrOfElem()); };
    std::string C;
    EXPECT_EQ(V.ImportASC(P.str(), C), 250);
    EXPECT_EQ(ValuesOf(V), (Vals{1, 2, 3, 0}));
    EXPECT_LE(Largest, 6);
}

// ---------------------------------------------------------------- text lists

TEST(VectorList, StoreWritesTheListForms) {
    TempPath P("v.txt");
    TVector V(nullptr);
    SetValues(V, Vals{1.5, -0.25, 1e-3});
    for (auto [Lo, Hi, Prec, Want] : {std::tuple{0, 0, 1, std::string("1 3\r\n1.5\r\n-0.3\r\n0.0\r\n")},
                                      {3, 2, -5, "2 3\r\n-0.25\r\n0.00\r\n"},  // below -2: 2 decimals
                                      {1, 1, -1, "1 1\r\n 1.5000E+0000\r\n"},  // 13 characters
                                      {2, 2, -2, "2 2\r\n-2.50000000000000000E-0001\r\n"},
                                      {1, 1, 99, "1 1\r\n1.50000000000000000000\r\n"}}) {  // above 20: 20
        ASSERT_TRUE(V.StoreOnFile(Lo, Hi, Prec, P.str()));
        EXPECT_EQ(FileBytes(P.str()), Want) << Prec;
    }
    EXPECT_FALSE(V.StoreOnFile(0, 0, 2, "/nonexistent-dir/v.txt"));
    TIntVector I(nullptr);
    SetValues(I, Ints{5, -6, 7});
    ASSERT_TRUE(I.StoreOnFile(0, 0, P.str()));
    EXPECT_EQ(FileBytes(P.str()), "1 0\r\n");  // no whole-vector rule for the integer twin
    ASSERT_TRUE(I.StoreOnFile(9, 2, P.str()));
    EXPECT_EQ(FileBytes(P.str()), "2 3\r\n-6\r\n7\r\n");
}

TEST(VectorList, LoadResizesSkipsBadWordsAndRefusesUnbackedSizes) {
    TempPath P("l.txt");
    TVector V(nullptr);
    int Ev;
    WriteBytes(P.str(), "2 4\r\n2.5\r\nxyz\r\n-1e2\r\n");
    SetValues(V, Vals{9, 9, 9});
    CountChanges(V, Ev);
    EXPECT_TRUE(V.LoadFromFile(P.str(), true));
    EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{9, 2.5, 9, -100}, 1 + 2 + 1));  // resize, values, end
    SetValues(V, Vals{9, 9});
    CountChanges(V, Ev);
    EXPECT_FALSE(V.LoadFromFile(P.str(), false));  // shorter than the last index: nothing read, one event
    EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{9, 9}, 1));
    // No first/last pair, values the bytes cannot hold, a resize far beyond the values:
    // False, nothing changed, no event.
    for (std::string Bad : {"", "2", "x 4\r\n1", "1 3\n123", "1 2147483647\r\n1 2 3", "-2147483648 5\r\n1",
                            "2147483647 2147483647\r\n5"}) {
        WriteBytes(P.str(), Bad);
        EXPECT_FALSE(V.LoadFromFile(P.str(), true)) << Bad;
        EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{9, 9}, 1)) << Bad;
    }
    EXPECT_FALSE(V.LoadFromFile(P.str() + ".missing", true));
    // Auto-detection: as many values as lines holding "//dig", read as words in order.
    WriteBytes(P.str(), "head\n1.5 //dig\n\n2.5 //dig x\n");
    EXPECT_TRUE(V.LoadFromFile(P.str(), true, true));
    EXPECT_EQ(ValuesOf(V), (Vals{9, 1.5}));  // "head" is no number: element 1 unchanged
    TIntVector I(nullptr);
    WriteBytes(P.str(), "1 3\n4.5\n-7\n5.5");
    EXPECT_TRUE(I.LoadFromFile(P.str(), true));
    EXPECT_EQ(ValuesOf<int>(I), (Ints{4, -7, 6}));
}

TEST(VectorList, RoundTripsKeepEveryBit) {
    TempPath P("rt.txt");
    const Vals X = RandomValues(200, 5, -100, 100);
    TVector V(nullptr), Back(nullptr);
    SetValues(V, X);
    for (int Prec : {17, -2}) {  // 18 significant digits either way
        ASSERT_TRUE(V.StoreOnFile(0, 0, Prec, P.str()));
        EXPECT_TRUE(Back.LoadFromFile(P.str(), true));
        EXPECT_EQ(ValuesOf(Back), X) << Prec;
    }
    TIntVector I(nullptr), IBack(nullptr);
    SetValues(I, Ints{-2147483647 - 1, 2147483647, 0, -5});
    ASSERT_TRUE(I.StoreOnFile(1, 4, P.str()));
    EXPECT_TRUE(IBack.LoadFromFile(P.str(), true));
    EXPECT_EQ(ValuesOf<int>(IBack), ValuesOf<int>(I));
}

// ---------------------------------------------------------------- binary streams

TEST(VectorStream, LayoutRoundTripAndResizeToHigh) {
    TIntVector I(nullptr), IBack(nullptr);
    SetValues(I, Ints{10, -2, 0x01020304});
    TMemoryStream* S = nullptr;
    I.SaveToStream(S, 3, 2);  // a new stream; the range normalised to 2..3
    std::unique_ptr<TMemoryStream> Own(S);
    ASSERT_NE(S, nullptr);
    EXPECT_EQ(Bytes(*S), std::string("\2\0\0\0\3\0\0\0\xFE\xFF\xFF\xFF\4\3\2\1", 16));
    S->SetPosition(0);
    EXPECT_TRUE(IBack.LoadFromStream(S, true));
    EXPECT_EQ(ValuesOf<int>(IBack), (Ints{0, -2, 0x01020304}));  // high elements, not high - low + 1

    std::mt19937_64 Gen(3);
    Vals X(100);
    for (double& V : X) V = std::ldexp(static_cast<double>(Gen() >> 11), static_cast<int>(Gen() % 200) - 100);
    TVector V(nullptr), Back(nullptr);
    SetValues(V, X);
    TMemoryStream M;
    M.WriteBuffer("xyz", 3);  // writing and reading start at the present position
    TMemoryStream* PM = &M;
    V.SaveToStream(PM, 0, 0);
    EXPECT_EQ(M.Size(), 3 + 102 * qmr::ExtendedStreamSize);
    M.SetPosition(3);
    EXPECT_TRUE(Back.LoadFromStream(&M, true));
    EXPECT_EQ(ValuesOf(Back), X);
    TempPath P("s.bin");
    {
        qmr::TFileStream F(P.str(), qmr::fmCreate);
        V.SaveToStream(&F, 99, 98);
        V.SaveToStream(static_cast<qmr::TFileStream*>(nullptr), 1, 2);  // nothing
    }
    qmr::TFileStream F(P.str(), qmr::fmOpenRead);
    Back.Fill(0);
    EXPECT_TRUE(Back.LoadFromStream(&F, false));
    EXPECT_EQ(ValuesOf(Back)[97], X[97]);
    EXPECT_EQ(std::tuple(Back.Elem(97), Back.Elem(99), Back.Elem(100)), std::tuple(0, X[98], 0));
}

TEST(VectorStream, FailuresAndTheirEvents) {
    auto Stream = [](std::initializer_list<qmr::Extended> Items) {
        auto S = std::make_shared<TMemoryStream>();
        for (qmr::Extended X : Items) qmr::WriteExtendedToStream(*S, X);
        S->SetPosition(0);
        return S;
    };
    TVector V(nullptr);
    int Ev;
    SetValues(V, Vals{9, 9});
    CountChanges(V, Ev);
    EXPECT_FALSE(V.LoadFromStream(static_cast<TMemoryStream*>(nullptr), true));
    // A missing index, indices that are not 32-bit integers, a count the bytes cannot hold,
    // a resize adding more than the values plus 2^20 elements: False, nothing changed, no event.
    const qmr::Extended Inf = std::numeric_limits<qmr::Extended>::infinity();
    for (auto& S : {Stream({1}), Stream({Inf, 2, 5}), Stream({1, std::nan("")}), Stream({1, 3e9, 5}),
                    Stream({3, 3}), Stream({1, 4, 5, 6}), Stream({2147483647, 2147483647, 1}),
                    Stream({1048590, 1048589})})
        EXPECT_FALSE(V.LoadFromStream(S.get(), true));
    EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{9, 9}, 0));
    TVector Big(nullptr);
    EXPECT_TRUE(Big.LoadFromStream(Stream({1048577, 1048578, 1, 2}).get(), true));  // 2 values + 2^20 zeros
    EXPECT_EQ(std::pair(Big.NrOfElem(), Big.Elem(1048578)), std::pair(1048578, qmr::Extended{2}));
    // Without a resize: a high index beyond the count reads nothing but still fires.
    EXPECT_FALSE(V.LoadFromStream(Stream({1, 3, 5, 6, 7}).get(), false));
    EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{9, 9}, 1));
    // Indices round half to even (0.5 -> 0, 2.5 -> 2): 5 goes to element 0 (dropped), 6 to
    // element 1; the third value is missing: False, after the writes and one event.
    EXPECT_FALSE(V.LoadFromStream(Stream({0.5, 2.5, 5, 6}).get(), false));
    EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{6, 9}, 1 + 1 + 1));
}

// ---------------------------------------------------------------- hostile input

// Random bytes, and valid files cut short or with bytes changed, fed to every reader:
// nothing crashes (the sanitizer builds watch), codes stay in range, and no vector grows
// beyond what its input backs.
TEST(VectorFilesFuzz, ReadersStayBoundedOnRandomAndDamagedInput) {
    std::mt19937 Gen(12345);
    TempPath P("fuzz");
    TVector Src(nullptr);
    SetValues(Src, Vals{1.5, -2, 3e10, 0.125, 7});
    std::vector<std::string> Seeds{Asc(3, "TRUE TRUE TRUE FALSE", "\"c\" 1 \"a\" 2 3 \"b\" 4 5 \"\"\"\" 6")};
    Src.ExportAsASC(P.str(), 3, "");
    Seeds.push_back(FileBytes(P.str()));
    Src.StoreOnFile(0, 0, 6, P.str());
    Seeds.push_back(FileBytes(P.str()));
    TMemoryStream Ms;
    TMemoryStream* PMs = &Ms;
    Src.SaveToStream(PMs, 2, 5);
    Seeds.push_back(Bytes(Ms));
    for (int Round = 0; Round < 400; ++Round) {
        std::string In;
        if (Round % 4 == 0) {
            In.resize(Gen() % 64);
            for (char& C : In) C = static_cast<char>(Gen() % 4 == 0 ? "0123456789 .\n\"-TRUEFALS"[Gen() % 23] : Gen());
        } else {
            In = Seeds[Gen() % Seeds.size()];
            In.resize(Gen() % (In.size() + 1));
            for (int K = static_cast<int>(Gen() % 3); K > 0 && !In.empty(); --K)
                In[Gen() % In.size()] = static_cast<char>(Gen());
        }
        WriteBytes(P.str(), In);
        const auto Bound = static_cast<std::int32_t>(In.size() / 2 + 2);
        TVector V(nullptr);
        TIntVector I(nullptr);
        std::string C;
        for (int R : {V.ImportASC(P.str(), C), I.ImportASC(P.str(), C)})
            EXPECT_TRUE(R == 0 || R == 250 || R == 251 || (R >= -7 && R <= -1)) << R;
        EXPECT_LE(std::max(V.NrOfElem(), I.NrOfElem()), Bound);
        V.LoadFromFile(P.str(), true);
        V.LoadFromFile(P.str(), true, true);
        I.LoadFromFile(P.str(), true);
        EXPECT_LE(std::max(V.NrOfElem(), I.NrOfElem()), Bound + (1 << 20));
        TMemoryStream S;
        S.WriteBuffer(In.data(), static_cast<std::int64_t>(In.size()));
        for (bool Adjust : {true, false}) {
            S.SetPosition(0);
            V.LoadFromStream(&S, Adjust);
            S.SetPosition(0);
            I.LoadFromStream(&S, Adjust);
        }
    }
}

}  // namespace
