// TMemBasedLearner model files: binary and XML round trips, exact lines, and mangled,
// truncated and hand-edited files.
#include "qmr_test_support.h"

#include <cmath>
#include <random>
#include <sstream>

using namespace qmr;
using qmr::test::FileBytes;
using qmr::test::TempPath;
using qmr::test::WriteBytes;

namespace {

// Everything a model file carries, as one text.
std::string Snapshot(const TMemBasedLearner& L) {
    std::ostringstream S;
    S << L.Comment() << '|' << L.ModelName() << '|' << L.NumNearestNb() << '|' << int(L.DistMode()) << '|'
      << int(L.ScalingMode()) << '|' << int(L.LocalModel()) << '\n';
    L.ModelData().WriteToXML(S, "x");
    return S.str();
}

// Every scale, 150 identifiers, padded names, markup in texts, every cell state.
void FillModel(TMemBasedLearner& L) {
    TDataTable& T = L.ModelData();
    T.Resize(5, 52);
    for (int C = 1; C <= 5; ++C) T.SetMScaleType(C, static_cast<TMScaleType>(C - 1));
    for (int K = 1; K <= 150; ++K) T.SetNominalID(2, K, "id<" + std::to_string(K) + "&");
    T.SetNominalID(3, 2, "lo w");
    T.SetComment("table <comment> & more");
    for (int C = 1; C <= 5; ++C) T.SetColName(C, "  col " + std::to_string(C) + " <&> "), T.SetColAttrib(C, C * 3 - 8);
    std::mt19937 G(9);
    for (int R = 1; R <= 52; ++R) {
        T.SetRowName(R, R % 2 ? " r\"" + std::to_string(R) : "");
        T.SetRowAttrib(R, R * 1000003);
        for (int C = 1; C <= 5; ++C) {
            T.SetElem(C, R, std::uniform_real_distribution<double>(-1e3, 1e3)(G));
            T.SetCellState(C, R, static_cast<TCellState>((C * 52 + R) % 256));
        }
    }
    T.SetElem(2, 1, 2.6), T.SetElem(4, 2, std::nan("")), T.SetElem(4, 3, -HUGE_VAL), T.SetElem(5, 4, -0.0);
    L.SetComment("learner\ncomment <b> & \"q\"");
    L.SetModelName(" model & <name> ");
    L.SetNumNearestNb(7);
    L.SetDistMode(TMBLDistMode::mblDistMahalanobis);
    L.SetScalingMode(TMBLScalingMode::mblStandardized);
    L.SetLocalModel(TMBLLocalModel::mblLMMajority);
}

// The bytes L stores under Id, as a binary or (Xml) an XML model.
std::string Stored(TMemBasedLearner& L, const std::string& Id, bool Xml = false) {
    TempPath P("membl_src");
    Xml ? L.StoreModelXML(P.str(), Id) : L.StoreModelBin(P.str(), Id);
    return FileBytes(P.str());
}

// Loads Bytes as a binary or (Xml) an XML model; the result.
int Load(TMemBasedLearner& L, const std::string& Bytes, std::string& Id, bool Xml = false) {
    TempPath P("membl_load");
    WriteBytes(P.str(), Bytes);
    return Xml ? L.LoadModelXML(P.str(), Id) : L.LoadModelBin(P.str(), Id);
}

// A file of the TMixedFStream items Write writes.
template <class Fn> std::string MixedFile(Fn&& Write) {
    TempPath P("membl_items.bin");
    {
        TMixedFStream F(P.str(), fmCreate);
        Write(F);
    }
    return FileBytes(P.str());
}

// The binary header items 1..13 with the given values.
std::string BinHeader(int K, int Dist, int Scl, int Loc, int NC, int NR, int NIds) {
    return MixedFile([&](TMixedFStream& F) {
        for (std::string S : {"TMemBasedLearner/Tarnwick", "vers=2.5", "DATAID=h", "c", "m"}) F.WriteInteger(0), F.WriteLn(S);
        for (int V : {K, Dist, Scl, Loc}) F.WriteInteger(V);
        F.WriteInteger(0), F.WriteLn("tc");
        for (int V : {NC, NR, NIds}) F.WriteInteger(V);
    });
}

}  // namespace

TEST(MemBasedLearnerFiles, BinaryRoundTrip) {
    TMemBasedLearner Src(nullptr);
    FillModel(Src);
    const std::string Bytes = Stored(Src, "id dataID=x");
    // What the file keeps: names without outer blanks, nominal and ordinal values rounded.
    TMemBasedLearner Want(nullptr);
    FillModel(Want);
    TDataTable& W = Want.ModelData();
    for (int C = 1; C <= 5; ++C) W.SetColName(C, StripLTBlanks(W.ColName(C)));
    for (int R = 1; R <= 52; ++R) {
        W.SetRowName(R, StripLTBlanks(W.RowName(R)));
        for (int C : {2, 3}) W.SetElem(C, R, W.Elem(C, R));
    }
    TMemBasedLearner L(nullptr);
    int Names = 0;
    L.ModelData().OnChangeNames = [&Names](TObject*) { ++Names; };
    std::string Id = "old";
    ASSERT_EQ(Load(L, Bytes, Id), 0);
    EXPECT_EQ(Id, "id dataID=x");  // the first "dataid=" of the line removed
    EXPECT_EQ(Snapshot(L), Snapshot(Want));
    EXPECT_EQ(Names, 1);  // the host's handlers stay, notified once
    // The learner's statistics follow the loaded table.
    TDoubleArray S(5, 0.0);
    S[3] = 1;
    EXPECT_DOUBLE_EQ(L.CalcDist(S, 5), Want.CalcDist(S, 5));
    // The version line is not checked; the signature must match exactly.
    std::string Other = Bytes;
    Other.replace(Other.find("vers=1.000"), 10, "vers=9.999");
    EXPECT_EQ(Load(L, Other, Id), 0);
    Other = Bytes;
    Other[Other.find("Tarnwick")] = 't';
    TMemBasedLearner Fresh(nullptr);
    const std::string Before = Snapshot(Fresh);
    EXPECT_EQ(Load(Fresh, Other, Id), -1);
    EXPECT_EQ(Snapshot(Fresh), Before);
    EXPECT_EQ(Id, "id dataID=x");
    // A file of many buffers, with a line longer than one, reads back.
    std::string Long(200000, 'n');
    for (std::size_t I = 0; I < Long.size(); I += 7) Long[I] = static_cast<char>('a' + I % 26);
    Src.SetModelName(Long);
    Src.ModelData().Resize(5, 10000);
    Src.ModelData().SetElem(4, 9999, 0.125);
    const std::string Big = Stored(Src, "big");
    ASSERT_EQ(Load(L, Big, Id), 0);
    EXPECT_EQ(L.ModelName(), Long);
    EXPECT_EQ(L.ModelData().Elem(4, 9999), 0.125);
    EXPECT_EQ(Stored(L, "big"), Big);
}

// The file, item by item, as TMixedFStream writes it (a nominal and an interval column,
// two rows; a line break inside a text).
TEST(MemBasedLearnerFiles, BinaryItemsInFileOrder) {
    TMemBasedLearner L(nullptr);
    TDataTable& T = L.ModelData();
    T.Resize(2, 2);
    T.SetMScaleType(1, TMScaleType::stNominal);
    T.SetNominalID(1, 3, "three");
    T.SetComment("tc");
    T.SetColName(2, " b ");
    T.SetRowName(1, "r1");
    T.SetColAttrib(1, 2), T.SetRowAttrib(2, -7);
    T.SetElem(1, 2, 2.5), T.SetElem(2, 1, -0.25);
    T.SetCellState(2, 2, 9);
    L.SetComment("c\nd"), L.SetModelName("m");
    L.SetLocalModel(TMBLLocalModel::mblLMRegress);
    const std::string Want = MixedFile([&T](TMixedFStream& F) {
        auto Counted = [&F](const std::string& S) { F.WriteInteger(int(S.size())), F.WriteLn(S); };
        for (std::string S : {"TMemBasedLearner/Tarnwick", "vers=1.000", "DataID=x y", "c\nd", "m"}) Counted(S);
        for (int V : {3, 0, 0, 3}) F.WriteInteger(V);
        Counted("tc");
        for (int V : {2, 2, 150, 1}) F.WriteInteger(V);
        for (int K = 1; K <= 150; ++K) F.WriteLn(K == 3 ? "three" : "");
        F.WriteInteger(int(T.MScaleType(2)));
        for (std::string S : {T.ColName(1).str(), std::string("b"), std::string("r1"), T.RowName(2).str()}) Counted(S);
        for (int V : {2, 0, 0, -7}) F.WriteInteger(V);
        for (double V : {0.0, -0.25, 2.0, 0.0}) F.WriteDouble(V);  // rows outer; 2.5 rounds to even
        for (int C : {0, 0, 0, 9}) F.WriteByte(static_cast<std::uint8_t>(C));
    });
    EXPECT_EQ(Stored(L, "x y"), Want);
}

TEST(MemBasedLearnerFiles, BadBinaryFilesChangeNothing) {
    TMemBasedLearner Src(nullptr);
    FillModel(Src);
    Src.ModelData().Resize(3, 4);
    const std::string Good = Stored(Src, "g");
    TMemBasedLearner L(nullptr);
    L.ModelData().Resize(2, 2);
    L.SetComment("mine");
    const std::string Before = Snapshot(L);
    std::string Id = "keep";
    auto Refused = [&](const std::string& Bytes) {
        const int R = Load(L, Bytes, Id);
        return R < 0 && Snapshot(L) == Before && Id == "keep";
    };
    // Every truncation of a good file.
    for (std::size_t N = 0; N < Good.size(); N += N < 300 || N + 300 > Good.size() ? 1 : 11)
        ASSERT_TRUE(Refused(Good.substr(0, N))) << N;
    // Counts and ordinals out of range, sizes the file cannot hold.
    const std::string Tail(64, '\0');
    for (auto H : {BinHeader(3, 3, 0, 0, 1, 1, 0), BinHeader(3, 0, 2, 0, 1, 1, 0), BinHeader(3, 0, 0, 4, 1, 1, 0),
                   BinHeader(3, 0, 0, 0, -1, 1, 0), BinHeader(3, 0, 0, 0, 1, -1, 0), BinHeader(3, 0, 0, 0, 1, 1, 151),
                   BinHeader(3, 0, 0, 0, 1, 0x7FFFFFFF, 0), BinHeader(3, 0, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0),
                   BinHeader(3, 0, 0, 0, 1, 1, 0) + std::string("\x09\0\0\0", 4) + Tail})
        EXPECT_TRUE(Refused(H + Tail));
    EXPECT_TRUE(Refused(""));
    TempPath Missing("membl_missing.bin");
    EXPECT_EQ(L.LoadModelBin(Missing.str(), Id), -2);
    // A hand-made file with a raw K and an empty table loads.
    std::string Loaded;
    EXPECT_EQ(Load(L, BinHeader(250, 1, 1, 3, 0, 0, 150), Loaded), 0);
    EXPECT_EQ(Loaded, "h");
    EXPECT_EQ(L.NumNearestNb(), 250);
    EXPECT_EQ(L.ModelData().NrOfColumns(), 0);
    // Random damage: refused files change nothing, accepted ones round-trip.
    std::mt19937 G(17);
    for (int I = 0; I < 150; ++I) {
        std::string B = Good;
        for (int J = std::uniform_int_distribution<int>(1, 4)(G); J > 0; --J)
            B[std::uniform_int_distribution<std::size_t>(0, B.size() - 1)(G)] = static_cast<char>(G());
        TMemBasedLearner M(nullptr);
        const std::string Start = Snapshot(M);
        std::string MId;
        const int R = Load(M, B, MId);
        ASSERT_TRUE(R == 0 || R == -1 || R == -2);
        if (R != 0) {
            EXPECT_EQ(Snapshot(M), Start);
        } else {
            TMemBasedLearner Again(nullptr);
            ASSERT_EQ(Load(Again, Stored(M, MId), MId), 0);
            EXPECT_EQ(Stored(Again, MId), Stored(M, MId));
        }
    }
}

TEST(MemBasedLearnerFiles, XmlLinesAndRoundTrip) {
    TMemBasedLearner L(nullptr);
    L.SetComment("c<1> & d");
    L.SetModelName("m");
    L.SetDistMode(TMBLDistMode::mblDistManhattan);
    L.SetScalingMode(TMBLScalingMode::mblStandardized);
    L.SetLocalModel(TMBLLocalModel::mblLMWgtGauss);
    const std::string X = Stored(L, "abc", true);
    const std::string Head =
        "<?xml version=\"1.0\"?>\n<membasedlearner sig=\"Korvalis\" vers=\"1.000\" id=\"abc\">\n"
        "<!-- TMemBasedLearner / Tarnwick -->\n<comment>c&lt;1&gt; &amp; d</comment>\n<modelname>m</modelname>\n"
        "<numnnb>3</numnnb>\n<distmode>manhattan</distmode>\n<scaling>standardized</scaling>\n"
        "<locmodel>weighted average</locmodel>\n<modeldata>\n<datatable id=\"MBLModel\">\n";
    EXPECT_EQ(X.substr(0, Head.size()), Head);
    EXPECT_EQ(X.substr(X.size() - 32), "</modeldata>\n</membasedlearner>\n");
    // The whole model, ids with markup included, reads back exactly.
    TMemBasedLearner Src(nullptr), Dst(nullptr);
    FillModel(Src);
    std::string Id;
    ASSERT_EQ(Load(Dst, Stored(Src, "a&\"<b>", true), Id, true), 0);
    EXPECT_EQ(Id, "a&\"<b>");
    EXPECT_EQ(Snapshot(Dst), Snapshot(Src));
    // Every truncation loads nothing complete and does not crash.
    for (std::size_t N = 0; N <= X.find("</datatable>"); N += 3) {
        TMemBasedLearner T(nullptr);
        try {
            EXPECT_EQ(Load(T, X.substr(0, N), Id, true), -1) << N;
        } catch (const EConvertError&) {
            EXPECT_LT(N, X.find("</numnnb>") + 9) << N;  // a cut numnnb is no integer
        }
    }
}

TEST(MemBasedLearnerFiles, HandEditedXml) {
    TMemBasedLearner Src(nullptr);
    Src.ModelData().Resize(2, 120);
    std::string Table;
    {
        std::ostringstream S;
        Src.ModelData().WriteToXML(S, "t");
        Table = S.str();
    }
    const std::string Top = "<?xml version=\"1.0\"?>\n<membasedlearner id=\"q\">";
    struct Case {
        std::string Body;
        int Result;
        std::string Comment, ModelName;
        TMBLDistMode Dist;
        int Rows;
    };
    using enum TMBLDistMode;
    const Case Cases[] = {
        {"<comment>x</comment><distmode>MANHATTAN</distmode></membasedlearner>", -1, "x", "undefined", mblDistManhattan, 1},
        {"<comment>y</comment><foo>1</foo><modelname>z</modelname><modeldata>" + Table + "</modeldata>", -1, "y",
         "undefined", mblDistEuclid, 1},
        {"<distmode>chebyshev</distmode><modeldata>" + Table + "</modeldata><comment>late</comment>", 0, "", "undefined",
         mblDistEuclid, 120},
        {"<comment>&amp;lt;&quot;</comment><modeldata>no table</modeldata>", -1, "&lt;\"", "undefined", mblDistEuclid, 1},
        {"<comment><comment>n</comment></comment><numnnb> 250</numnnb><modeldata>" + Table + "</modeldata>", 0,
         "<comment>n</comment>", "undefined", mblDistEuclid, 120},
    };
    for (const Case& C : Cases) {
        TMemBasedLearner L(nullptr);
        std::string Id = "before";
        EXPECT_EQ(Load(L, Top + C.Body, Id, true), C.Result) << C.Body;
        EXPECT_EQ(Id, "q");
        EXPECT_EQ(L.Comment(), C.Comment);
        EXPECT_EQ(L.ModelName(), C.ModelName);
        EXPECT_EQ(L.DistMode(), C.Dist);
        EXPECT_EQ(L.ModelData().NrOfRows(), C.Rows);
    }
    // A raw K from the file is clamped where it is used: 100 < 120 rows predicts.
    TMemBasedLearner L(nullptr);
    std::string Id;
    ASSERT_EQ(Load(L, Top + "<numnnb>250</numnnb><modeldata>" + Table + "</modeldata>", Id, true), 0);
    EXPECT_EQ(L.NumNearestNb(), 250);
    L.SetVarType(2, TMBLVarType::mblVarTarget);
    TDoubleArray S = {0, 0};
    EXPECT_EQ(L.ApplyModel(S, 0, 0), 0);
    // The first line is passed over; a bad numnnb raises; a missing file raises.
    EXPECT_EQ(Load(L, "<membasedlearner><modeldata>" + Table + "</modeldata></membasedlearner>", Id, true), -1);
    EXPECT_THROW(Load(L, Top + "<numnnb>7x</numnnb>", Id, true), EConvertError);
    TempPath Missing("membl_missing.xml");
    EXPECT_THROW(L.LoadModelXML(Missing.str(), Id), EFOpenError);
    // Deeply nested elements are read once each, not once per level.
    std::string Deep = "\n";
    for (int I = 0; I < 20000; ++I) Deep += "<membasedlearner><comment>";
    EXPECT_EQ(Load(L, Deep, Id, true), -1);
}
