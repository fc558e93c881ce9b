// TMemBasedLearner: the binary and XML model files.
//
// Binary (TMixedFStream items; a counted line is an integer, not used when reading,
// followed by a line item):
//   counted lines "TMemBasedLearner/Tarnwick", "vers=1.000", "DataID=<id>", comment,
//   model name; integers K, distance, scaling and local-model ordinals; counted line
//   table comment; integers NC, NR, identifiers per class column (150); per column its
//   scale ordinal, after a nominal or ordinal scale that many identifier lines; counted
//   lines column names, row names (outer blanks removed); integers column attributes,
//   row attributes; doubles the values (Elem), rows outer; bytes the cell states, same order.
// Items go through a 64 KiB buffer each way (a row name is three items of a few bytes).
// The reader stages the table and the settings and commits them only when the whole
// file was read; it allocates no more than the bytes left in the file.
//
// XML: the declaration line, <membasedlearner sig="Korvalis" vers="1.000" id="...">, a
// comment line, one line per setting, <modeldata>, the table's own XML form,
// </modeldata>, </membasedlearner>. Texts are escaped (& < > in elements, & " < in the
// id). The reader passes over the first line, reads the root element's settings in any
// order up to its modeldata and ignores what follows; an element it does not know ends
// the root with -1.
#include "analysis/QMR_membl.h"

#include "platform/Qmr_streams.h"
#include "platform/Qmr_stringl.h"
#include "platform/rtl_streams.h"
#include "platform/rtl_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <istream>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace qmr {

namespace {

constexpr std::string_view kSignature = "TMemBasedLearner/Tarnwick";
constexpr std::string_view kVersion = "vers=1.000";
constexpr std::string_view kTableId = "MBLModel";
constexpr std::int32_t kIdsWritten = MaxNominalIDs;

char Lower(char C) noexcept { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

std::string LowerCase(std::string_view S) {
    std::string R(S);
    for (char& C : R) C = Lower(C);
    return R;
}

bool SameText(std::string_view A, std::string_view B) noexcept {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return Lower(X) == Lower(Y);
           });
}

// ---------------------------------------------------------------- binary items

// A short or inconsistent binary model.
struct TBadModel {};

// Bytes moved per file read or write: the items are a few bytes each.
constexpr std::size_t kIoBuffer = std::size_t{1} << 16;

// Reads the items of a TMixedFStream file through a buffer of kIoBuffer bytes.
class TItemReader {
public:
    explicit TItemReader(TStream& F) : FF(F), FLeft(F.Size() - F.Position()), FBuf(kIoBuffer) {}
    std::int32_t Int() {
        std::int32_t V = 0;
        Bytes(&V, sizeof V);
        return V;
    }
    // A line item: its length, then its bytes (not allocated before they are there).
    std::string Line() {
        const std::int32_t Len = Int();
        if (Len < 0 || Len > Remaining()) throw TBadModel{};
        std::string S(static_cast<std::size_t>(Len), '\0');
        Bytes(S.data(), S.size());
        return S;
    }
    // A counted line: its count is read and not used.
    std::string Counted() {
        Int();
        return Line();
    }
    // Ordinal in 0..High.
    std::int32_t Ordinal(std::int32_t High) {
        const std::int32_t V = Int();
        if (V < 0 || V > High) throw TBadModel{};
        return V;
    }
    // Exactly Count bytes.
    void Bytes(void* Buffer, std::size_t Count) {
        if (static_cast<std::int64_t>(Count) > Remaining()) throw TBadModel{};
        auto* Dst = static_cast<std::uint8_t*>(Buffer);
        const std::size_t Have = std::min(Count, FEnd - FPos);
        std::memcpy(Dst, FBuf.data() + FPos, Have);
        FPos += Have;
        Dst += Have;
        Count -= Have;
        if (Count == 0) return;
        if (Count >= FBuf.size()) {
            Pull(Dst, Count);
            return;
        }
        const auto Fill = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(FBuf.size()), FLeft));
        Pull(FBuf.data(), Fill);
        std::memcpy(Dst, FBuf.data(), Count);
        FPos = Count;
        FEnd = Fill;
    }
    std::int64_t Remaining() const noexcept { return FLeft + static_cast<std::int64_t>(FEnd - FPos); }

private:
    void Pull(void* Dst, std::size_t Count) {
        if (FF.Read(Dst, static_cast<std::int64_t>(Count)) != static_cast<std::int64_t>(Count)) throw TBadModel{};
        FLeft -= static_cast<std::int64_t>(Count);
    }
    TStream& FF;
    std::int64_t FLeft;  // bytes of the file not yet in the buffer
    std::vector<std::uint8_t> FBuf;
    std::size_t FPos = 0, FEnd = 0;
};

// Writes TMixedFStream items through a buffer of kIoBuffer bytes; Flush ends the file.
class TItemWriter {
public:
    explicit TItemWriter(TStream& F) : FF(F) { FBuf.reserve(kIoBuffer); }
    void Int(std::int32_t V) { Bytes(&V, sizeof V); }
    void Line(const std::string& S) {
        if (S.size() > 0x7FFFFFFFu) throw EWriteError("Stream write error");
        Int(static_cast<std::int32_t>(S.size()));
        Bytes(S.data(), S.size());
    }
    // A counted line: the line's length, then the line item.
    void Counted(const std::string& S) {
        Int(static_cast<std::int32_t>(std::min<std::size_t>(S.size(), 0x7FFFFFFF)));
        Line(S);
    }
    void Bytes(const void* Buffer, std::size_t Count) {
        if (FBuf.size() + Count > kIoBuffer) Flush();
        if (Count >= kIoBuffer) {
            FF.WriteBuffer(Buffer, static_cast<std::int64_t>(Count));
            return;
        }
        const auto* P = static_cast<const std::uint8_t*>(Buffer);
        FBuf.insert(FBuf.end(), P, P + Count);
    }
    void Flush() {
        FF.WriteBuffer(FBuf.data(), static_cast<std::int64_t>(FBuf.size()));
        FBuf.clear();
    }

private:
    TStream& FF;
    std::vector<std::uint8_t> FBuf;
};

// The identifier line without its first "dataid=" (any case).
std::string StripDataIdKey(const std::string& Line) {
    constexpr std::string_view Key = "dataid=";
    const std::string Low = LowerCase(Line);
    const std::size_t P = Low.find(Key);
    if (P == std::string::npos) return Line;
    return Line.substr(0, P) + Line.substr(P + Key.size());
}

// ---------------------------------------------------------------- XML texts

std::string Escaped(std::string_view S, bool InAttribute) {
    std::string R;
    R.reserve(S.size());
    for (char C : S) {
        switch (C) {
            case '&': R += "&amp;"; break;
            case '<': R += "&lt;"; break;
            case '>':
                if (InAttribute) R += C;
                else R += "&gt;";
                break;
            case '"':
                if (InAttribute) R += "&quot;";
                else R += C;
                break;
            default: R += C;
        }
    }
    return R;
}

// The five standard entities replaced in one pass; any other '&' is kept.
std::string Unescaped(std::string_view S) {
    static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities = {
        {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
    std::string R;
    R.reserve(S.size());
    for (std::size_t I = 0; I < S.size(); ++I) {
        if (S[I] == '&') {
            const auto E = std::find_if(kEntities.begin(), kEntities.end(), [&](const auto& X) {
                return S.compare(I, X.first.size(), X.first) == 0;
            });
            if (E != kEntities.end()) {
                R += E->second;
                I += E->first.size() - 1;
                continue;
            }
        }
        R += S[I];
    }
    return R;
}

// Position of Name (any case) in Names; -1 when absent.
template <std::size_t N> int FindName(const std::array<std::string_view, N>& Names, const std::string& S) {
    for (std::size_t I = 0; I < N; ++I)
        if (SameText(Names[I], S)) return static_cast<int>(I);
    return -1;
}

// After a tag whose Content the reader handed out: when the element held further tags
// the reader stands at the start of that content; step over it, so that no byte is
// scanned again (a plain element was consumed already, and text equal to its content
// that follows holds no tag either, so stepping over it changes nothing).
void StepOverContent(const std::string& Text, int& Pos, const std::string& Content) {
    if (Content.empty() || Pos < 1) return;
    const auto From = static_cast<std::size_t>(Pos - 1);
    if (From <= Text.size() && Text.compare(From, Content.size(), Content) == 0)
        Pos += static_cast<int>(Content.size());
}

void StepOverContent(std::istream& F, const std::string& Content) {
    if (Content.empty()) return;
    const auto Mark = F.tellg();
    if (Mark == std::istream::pos_type(-1)) return;
    char Buf[4096];
    std::size_t Done = 0;
    while (Done < Content.size()) {
        const std::size_t N = std::min(sizeof Buf, Content.size() - Done);
        F.read(Buf, static_cast<std::streamsize>(N));
        if (static_cast<std::size_t>(F.gcount()) != N || std::memcmp(Buf, Content.data() + Done, N) != 0) {
            F.clear();
            F.seekg(Mark);
            return;
        }
        Done += N;
    }
}

}  // namespace

// ---------------------------------------------------------------- binary form

void TMemBasedLearner::StoreModelBin(const std::string& FName, const std::string& DataID) {
    const TDataTable& T = *FModelData;
    const std::int32_t NC = T.NrOfColumns(), NR = T.NrOfRows();
    TMixedFStream F(FName, fmCreate);
    TItemWriter Out(F);
    Out.Counted(std::string(kSignature));
    Out.Counted(std::string(kVersion));
    Out.Counted("DataID=" + DataID);
    Out.Counted(FComment);
    Out.Counted(FModelName);
    Out.Int(FNumNearestNb);
    Out.Int(static_cast<std::int32_t>(FDistMode));
    Out.Int(static_cast<std::int32_t>(FScalingMode));
    Out.Int(static_cast<std::int32_t>(FLocModel));
    Out.Counted(T.Comment());
    Out.Int(NC);
    Out.Int(NR);
    Out.Int(kIdsWritten);
    for (std::int32_t C = 1; C <= NC; ++C) {
        const TMScaleType S = T.MScaleType(C);
        Out.Int(static_cast<std::int32_t>(S));
        if (IsCategorial(S))
            for (std::int32_t K = 1; K <= kIdsWritten; ++K) Out.Line(T.NominalID(C, K));
    }
    for (std::int32_t C = 1; C <= NC; ++C) Out.Counted(StripLTBlanks(T.ColName(C)));
    for (std::int32_t R = 1; R <= NR; ++R) Out.Counted(StripLTBlanks(T.RowName(R)));
    for (std::int32_t C = 1; C <= NC; ++C) Out.Int(T.ColAttrib(C));
    for (std::int32_t R = 1; R <= NR; ++R) Out.Int(T.RowAttrib(R));
    // Values and states, rows outer.
    for (std::int32_t R = 1; R <= NR; ++R)
        for (std::int32_t C = 1; C <= NC; ++C) {
            const auto V = static_cast<double>(T.Elem(C, R));
            Out.Bytes(&V, sizeof V);
        }
    for (std::int32_t R = 1; R <= NR; ++R)
        for (std::int32_t C = 1; C <= NC; ++C) {
            const TCellState S = T.CellState(C, R);
            Out.Bytes(&S, 1);
        }
    Out.Flush();
}

std::int32_t TMemBasedLearner::LoadModelBin(const std::string& FName, std::string& DataId) {
    // The settings and the table are staged and committed only when the file was read whole.
    struct TSettings {
        std::string DataId, Comment, ModelName;
        std::int32_t K = 0;
        TMBLDistMode Dist{};
        TMBLScalingMode Scaling{};
        TMBLLocalModel Local{};
    } S;
    TDataTable Stage(nullptr);
    std::int32_t Result = 0;
    try {
        TMixedFStream F(FName, fmOpenRead);
        TItemReader In(F);
        if (In.Counted() != kSignature) {
            Result = -1;
        } else {
            In.Counted();  // the version is not checked
            S.DataId = StripDataIdKey(In.Counted());
            S.Comment = In.Counted();
            S.ModelName = In.Counted();
            S.K = In.Int();
            S.Dist = static_cast<TMBLDistMode>(In.Ordinal(static_cast<std::int32_t>(MBLDistModeID.size()) - 1));
            S.Scaling =
                static_cast<TMBLScalingMode>(In.Ordinal(static_cast<std::int32_t>(MBLScalingModeID.size()) - 1));
            S.Local = static_cast<TMBLLocalModel>(In.Ordinal(static_cast<std::int32_t>(MBLLocalModelID.size()) - 1));
            const std::string TableComment = In.Counted();
            const std::int32_t NC = In.Int(), NR = In.Int();
            const std::int32_t NIds = In.Ordinal(MaxNominalIDs);
            if (NC < 0 || NR < 0) throw TBadModel{};
            // Least bytes the rest takes: per column a scale, a counted name and an
            // attribute; per row a counted name and an attribute; 9 bytes per cell.
            const std::int64_t Left = In.Remaining();
            const std::int64_t Cells = std::int64_t{NC} * NR;
            if (Cells > Left / 9) throw TBadModel{};
            if (Cells * 9 + std::int64_t{NC} * 16 + std::int64_t{NR} * 12 > Left) throw TBadModel{};

            Stage.Resize(NC, NR);
            Stage.SetComment(TableComment);
            for (std::int32_t C = 1; C <= NC; ++C) {
                const auto Scale = static_cast<TMScaleType>(In.Ordinal(static_cast<std::int32_t>(TMScaleType::stRatio)));
                Stage.SetMScaleType(C, Scale);
                if (IsCategorial(Stage.MScaleType(C)))
                    for (std::int32_t K = 1; K <= NIds; ++K) Stage.SetNominalID(C, K, In.Line());
            }
            for (std::int32_t C = 1; C <= NC; ++C) Stage.SetColName(C, In.Counted());
            for (std::int32_t R = 1; R <= NR; ++R) Stage.SetRowName(R, In.Counted());
            for (std::int32_t C = 1; C <= NC; ++C) Stage.SetColAttrib(C, In.Int());
            for (std::int32_t R = 1; R <= NR; ++R) Stage.SetRowAttrib(R, In.Int());
            // Values and states, rows outer, straight into the staged table.
            {
                TDataTable::TMutedMatrix Mute(Stage);
                for (std::int32_t R = 1; R <= NR; ++R)
                    for (std::int32_t C = 1; C <= NC; ++C) {
                        std::int32_t Rows = 0;
                        In.Bytes(&Stage.ColumnValues(C, Rows)[R - 1], sizeof(double));
                    }
                for (std::int32_t R = 1; R <= NR; ++R)
                    for (std::int32_t C = 1; C <= NC; ++C) In.Bytes(&Stage.State(C, R), 1);
            }

            // Commit: the table through Assign (which copies handlers too: the table's
            // own are put back), then the settings.
            TDataTable& T = *FModelData;
            const std::int32_t OldC = T.NrOfColumns(), OldR = T.NrOfRows();
            auto Handlers = std::make_tuple(T.OnChangeSetup, T.OnChangeNames, T.OnChangeAttrib, T.OnChangeCellState,
                                            T.OnPercentDone, T.OnResize, T.OnSortExchange);
            T.Assign(&Stage);
            std::tie(T.OnChangeSetup, T.OnChangeNames, T.OnChangeAttrib, T.OnChangeCellState, T.OnPercentDone,
                     T.OnResize, T.OnSortExchange) = Handlers;
            FComment = S.Comment;
            FModelName = S.ModelName;
            FNumNearestNb = S.K;
            FDistMode = S.Dist;
            FScalingMode = S.Scaling;
            FLocModel = S.Local;
            DataId = S.DataId;
            HookTable();
            if ((OldC != NC || OldR != NR) && T.OnResize) T.OnResize(&T, OldC, OldR, NC, NR);
            T.ChangedSetup();
            T.ChangedNames();
            T.ChangedAttrib();
            T.ChangedCellStates();
        }
    } catch (...) {
        Result = -2;
    }
    HookTable();
    FStatsStale = true;
    return Result;
}

// ---------------------------------------------------------------- XML form

void TMemBasedLearner::StoreModelXML(const std::string& FName, const std::string& DataID) {
    std::ofstream F(FName, std::ios::binary | std::ios::trunc);
    if (!F) throw EFCreateError("Cannot create file \"" + FName + "\"");
    auto Element = [&F](std::string_view Tag, std::string_view Text) {
        F << '<' << Tag << '>' << Text << "</" << Tag << ">\n";
    };
    F << "<?xml version=\"1.0\"?>\n";
    F << "<membasedlearner sig=\"Korvalis\" vers=\"1.000\" id=\"" << Escaped(DataID, true) << "\">\n";
    F << "<!-- TMemBasedLearner / Tarnwick -->\n";
    Element("comment", Escaped(FComment, false));
    Element("modelname", Escaped(FModelName, false));
    Element("numnnb", std::to_string(FNumNearestNb));
    Element("distmode", LowerCase(MBLDistModeID[static_cast<std::size_t>(FDistMode)]));
    Element("scaling", LowerCase(MBLScalingModeID[static_cast<std::size_t>(FScalingMode)]));
    Element("locmodel", LowerCase(MBLLocalModelID[static_cast<std::size_t>(FLocModel)]));
    F << "<modeldata>\n";
    FModelData->WriteToXML(F, std::string(kTableId));
    F << "</modeldata>\n";
    F << "</membasedlearner>\n";
    F.close();
    if (F.fail()) throw EWriteError("Stream write error");
}

std::int32_t TMemBasedLearner::LoadModelXML(const std::string& FName, std::string& DataId) {
    using enum TMBLxmlTags;
    std::ifstream F(FName, std::ios::binary);
    if (!F) throw EFOpenError("Cannot open file \"" + FName + "\"");
    DataId.clear();
    std::string Skipped;
    std::getline(F, Skipped);
    const std::span<const std::string_view> Tags(MBLxmlTagNames);
    std::string Attr, Content, InnerAttr, Inner;
    for (;;) {
        const int Ix = ReadNextTagInTextFile(F, Tags, Attr, Content);
        if (Ix < 0) break;
        StepOverContent(F, Content);
        if (Ix != static_cast<int>(xmlMBLId)) continue;
        TStrArray Tokens;
        Tokenize(Attr, Tokens);
        for (const std::string& Tok : Tokens) {
            const std::size_t P = Tok.find("id=");
            if (P == std::string::npos) continue;
            std::string V = Tok.substr(P + 3);
            if (!V.empty() && V.front() == '"') V.erase(0, 1);
            if (!V.empty() && V.back() == '"') V.pop_back();
            DataId = Unescaped(V);
        }
        // The root's elements, up to its modeldata or one that is not in the list; a root
        // that ends without a model leaves the search for a further one going.
        int Pos = 1;
        for (bool Reading = true; Reading;) {
            const int T = ReadNextTagInString(Content, Pos, Tags, InnerAttr, Inner);
            if (T < 0) break;
            switch (static_cast<TMBLxmlTags>(T)) {
                case xmlComment: FComment = Unescaped(Inner); break;
                case xmlModelName: FModelName = Unescaped(Inner); break;
                case xmlNumNNb: {
                    const std::string Text = Unescaped(Inner);
                    std::int32_t K = 0;
                    if (!TryStrToInt(Text, K)) throw EConvertError("'" + Text + "' is not a valid integer value");
                    FNumNearestNb = K;
                    break;
                }
                case xmlDistMode:
                    if (const int M = FindName(MBLDistModeID, Unescaped(Inner)); M >= 0)
                        FDistMode = static_cast<TMBLDistMode>(M);
                    break;
                case xmlSclMode:
                    if (const int M = FindName(MBLScalingModeID, Unescaped(Inner)); M >= 0)
                        FScalingMode = static_cast<TMBLScalingMode>(M);
                    break;
                case xmlLocalModel:
                    if (const int M = FindName(MBLLocalModelID, Unescaped(Inner)); M >= 0)
                        FLocModel = static_cast<TMBLLocalModel>(M);
                    break;
                case xmlModelData:
                    if (FModelData->ReadFromXML(Inner)) return 0;
                    Reading = false;
                    break;
                case xmlMBLId: break;
                case xmlInvalid: Reading = false; break;
            }
            StepOverContent(Content, Pos, Inner);
        }
    }
    return -1;
}

}  // namespace qmr
