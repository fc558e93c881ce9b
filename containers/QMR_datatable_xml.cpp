// TDataTable: the table's XML form.
//
//   <datatable id="DataID">
//   <comment>text</comment>
//   <size cols="NC" rows="NR"/>
//   <colnames>            NC elements <col>name</col>, in column order
//   <rownames>            NR elements <row>name</row>, in row order
//   <colattrib>a1 a2 ...</colattrib>       NC decimal integers
//   <rowattrib>a1 a2 ...</rowattrib>       NR decimal integers
//   <vardef scale="Nominal">               NC elements, in column order: the scale's name
//   <idf ord="k">identifier</idf>          and every occupied dictionary slot
//   </vardef>
//   <datacells>           NC elements <col>cell cell ...</col>, NR cells each, rows in order:
//                         a cell is the 16 hex digits of its value's bits, followed by
//                         "/" and two hex digits when its state is not 0
//   </datacells>
//   </datatable>
//
// Texts are escaped (& < > " as entities, control characters as &#xHH;), so any name
// survives. The reader accepts exactly this sequence of elements (tag names without
// regard to case, any blanks, comments and declarations between them); a <vardef> with
// identifiers must be closed, other closing tags of the inner elements are not checked.
// Every part of the text is scanned a bounded number of times. The reader works on a
// separate image and touches the table only when the whole element was read.
#include "containers/QMR_datatable.h"
#include "containers/QMR_datatable_cells.h"
#include "foundations/QMR_math1_text.h"
#include "platform/Qmr_streams.h"
#include "platform/Qmr_stringl.h"
#include "platform/rtl_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qmr {

namespace {

using enum TDTxmlTags;

constexpr std::size_t kValuesPerLine = 8;
constexpr std::size_t kIntsPerLine = 20;

std::string_view TagText(TDTxmlTags T) { return DTxmlTagNames[static_cast<std::size_t>(T)]; }

// ---------------------------------------------------------------- escaping

void AppendEscaped(std::string& Out, std::string_view S) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char Ch : S) {
        const auto B = static_cast<unsigned char>(Ch);
        switch (Ch) {
            case '&': Out += "&amp;"; break;
            case '<': Out += "&lt;"; break;
            case '>': Out += "&gt;"; break;
            case '"': Out += "&quot;"; break;
            default:
                if (B < 0x20 || B == 0x7F) {
                    Out += "&#x";
                    Out += kHex[B >> 4];
                    Out += kHex[B & 15];
                    Out += ';';
                } else {
                    Out += Ch;
                }
        }
    }
}

int HexDigit(char C) noexcept {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& Out, std::uint32_t Cp) {
    if (Cp < 0x80) {
        Out += static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Out += static_cast<char>(0xC0 | (Cp >> 6));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else if (Cp < 0x10000) {
        Out += static_cast<char>(0xE0 | (Cp >> 12));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Cp >> 18));
        Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    }
}

// Resolves the entities of S into Out; false for a "<" or a malformed or unknown entity.
bool Unescape(std::string_view S, std::string& Out) {
    Out.clear();
    for (std::size_t I = 0; I < S.size(); ++I) {
        const char Ch = S[I];
        if (Ch == '<') return false;
        if (Ch != '&') {
            Out += Ch;
            continue;
        }
        const std::size_t End = S.find(';', I + 1);
        if (End == std::string_view::npos || End - I > 10) return false;
        const std::string_view Ent = S.substr(I + 1, End - I - 1);
        I = End;
        if (Ent == "amp") Out += '&';
        else if (Ent == "lt") Out += '<';
        else if (Ent == "gt") Out += '>';
        else if (Ent == "quot") Out += '"';
        else if (Ent == "apos") Out += '\'';
        else {
            if (Ent.size() < 2 || Ent[0] != '#') return false;
            const bool IsHex = Ent[1] == 'x' || Ent[1] == 'X';
            const std::string_view Digits = Ent.substr(IsHex ? 2 : 1);
            if (Digits.empty() || Digits.size() > 7) return false;
            std::uint32_t Cp = 0;
            for (char D : Digits) {
                const int V = IsHex ? HexDigit(D) : (D >= '0' && D <= '9' ? D - '0' : -1);
                if (V < 0) return false;
                Cp = Cp * (IsHex ? 16u : 10u) + static_cast<std::uint32_t>(V);
            }
            if (Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF)) return false;
            AppendUtf8(Out, Cp);
        }
    }
    return true;
}

// ---------------------------------------------------------------- attributes and tokens

bool IsBlank(char C) noexcept { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// Splits an attribute text name="value" name='value' ... into pairs, values unescaped;
// false when it is not of that form.
bool ParseAttributes(std::string_view A, std::vector<std::pair<std::string, std::string>>& Pairs) {
    Pairs.clear();
    std::size_t I = 0;
    auto SkipBlanks = [&] {
        while (I < A.size() && IsBlank(A[I])) ++I;
    };
    for (;;) {
        SkipBlanks();
        if (I == A.size()) return true;
        const std::size_t NameStart = I;
        while (I < A.size() && A[I] != '=' && !IsBlank(A[I])) ++I;
        std::string Name(A.substr(NameStart, I - NameStart));
        SkipBlanks();
        if (Name.empty() || I == A.size() || A[I] != '=') return false;
        ++I;
        SkipBlanks();
        if (I == A.size() || (A[I] != '"' && A[I] != '\'')) return false;
        const char Quote = A[I++];
        const std::size_t Close = A.find(Quote, I);
        if (Close == std::string_view::npos) return false;
        std::string Value;
        if (!Unescape(A.substr(I, Close - I), Value)) return false;
        I = Close + 1;
        Pairs.emplace_back(std::move(Name), std::move(Value));
    }
}

// The attribute text holds exactly the given names (any order, each once); their values
// go to Values in the order of Names.
template <std::size_t N>
bool ExactAttributes(const std::string& A, const std::string_view (&Names)[N], std::string (&Values)[N]) {
    std::vector<std::pair<std::string, std::string>> Pairs;
    if (!ParseAttributes(A, Pairs) || Pairs.size() != N) return false;
    bool Seen[N] = {};
    for (auto& [Name, Value] : Pairs) {
        std::size_t K = 0;
        while (K < N && Names[K] != Name) ++K;
        if (K == N || Seen[K]) return false;
        Seen[K] = true;
        Values[K] = std::move(Value);
    }
    return true;
}

// Calls Fn(token) for every blank-separated token of S; stops with false when Fn does.
template <class Fn> bool ForEachToken(std::string_view S, Fn&& F) {
    std::size_t I = 0;
    while (I < S.size()) {
        if (IsBlank(S[I])) {
            ++I;
            continue;
        }
        std::size_t J = I;
        while (J < S.size() && !IsBlank(S[J])) ++J;
        if (!F(S.substr(I, J - I))) return false;
        I = J;
    }
    return true;
}

bool ParseCount(const std::string& S, std::int32_t& N) { return TryStrToInt(S, N) && N >= 0; }

// Exactly Count integers.
bool ParseIntList(std::string_view S, std::int32_t Count, TIntArray& Out) {
    Out.clear();
    const bool Ok = ForEachToken(S, [&](std::string_view T) {
        std::int32_t V = 0;
        if (static_cast<std::int64_t>(Out.size()) >= Count || !TryStrToInt(std::string(T), V)) return false;
        Out.push_back(V);
        return true;
    });
    return Ok && static_cast<std::int64_t>(Out.size()) == Count;
}

bool AllHex(std::string_view S) {
    for (char C : S)
        if (HexDigit(C) < 0) return false;
    return true;
}

// One cell token: 16 hex digits of the value's bits, optionally "/" and two of the state.
bool ParseCell(std::string_view T, double& Value, TCellState& State) {
    if (T.size() != 16 && T.size() != 19) return false;
    if (!AllHex(T.substr(0, 16))) return false;
    State = 0;
    if (T.size() == 19) {
        if (T[16] != '/' || !AllHex(T.substr(17))) return false;
        State = static_cast<TCellState>(HexDigit(T[17]) * 16 + HexDigit(T[18]));
        if (State == 0) return false;  // the writer leaves a zero state out
    }
    Value = HexToDouble(std::string(T.substr(0, 16)));
    return true;
}

// ---------------------------------------------------------------- reader

// Everything the XML form carries, read aside before the table is touched.
struct TTableImage {
    std::string Comment;
    std::int32_t NC = 0, NR = 0;
    std::vector<TDTNameStr> ColName, RowName;
    TIntArray ColAtt, RowAtt;
    std::vector<TVTypeSpec> VType;
    std::vector<double> Values;       // column-major
    std::vector<TCellState> CState;  // column-major
};

class TTableReader {
public:
    explicit TTableReader(const std::string& Text) : FText(Text) {}

    bool Read(TTableImage& Img) {
        if (!Expect(xmlDataTableId)) return false;
        if (!Expect(xmlComment) || !PlainText(Img.Comment)) return false;
        Img.Comment = RemoveControlChars(Img.Comment);
        if (!Expect(xmlSize) || !Plain()) return false;
        {
            static constexpr std::string_view Names[] = {"cols", "rows"};
            std::string Values[2];
            if (!ExactAttributes(FAttr, Names, Values) || !ParseCount(Values[0], Img.NC) ||
                !ParseCount(Values[1], Img.NR))
                return false;
        }
        if (!ReadNames(xmlColNames, xmlColId, Img.NC, Img.ColName)) return false;
        if (!ReadNames(xmlRowNames, xmlRowId, Img.NR, Img.RowName)) return false;
        if (!Expect(xmlColAttrib) || !Plain() || !ParseIntList(FContent, Img.NC, Img.ColAtt)) return false;
        if (!Expect(xmlRowAttrib) || !Plain() || !ParseIntList(FContent, Img.NR, Img.RowAtt)) return false;
        for (std::int32_t C = 0; C < Img.NC; ++C)
            if (!ReadVarDef(Img.VType)) return false;
        if (!Expect(xmlDataCells)) return false;
        for (std::int32_t C = 0; C < Img.NC; ++C)
            if (!ReadColumnCells(Img)) return false;
        return Expect(xmlDataTableEndId);
    }

private:
    bool Next() {
        const int T = ReadNextTagInString(FText, FPos, std::span<const std::string_view>(DTxmlTagNames), FAttr,
                                          FContent);
        if (T < 0) return false;
        FTag = static_cast<TDTxmlTags>(T);
        return true;
    }
    bool Expect(TDTxmlTags T) { return Next() && FTag == T; }
    // The element just read holds plain text (no further tags).
    bool Plain() const { return FContent.find('<') == std::string::npos; }
    bool PlainText(std::string& Out) const { return Unescape(FContent, Out); }

    bool ReadNames(TDTxmlTags Section, TDTxmlTags Item, std::int32_t Count, std::vector<TDTNameStr>& Names) {
        if (!Expect(Section)) return false;
        std::string S;
        for (std::int32_t I = 0; I < Count; ++I) {
            if (!Expect(Item) || !PlainText(S)) return false;
            Names.emplace_back(S);
        }
        return true;
    }

    // One <vardef>: its scale, then the <idf> elements of its content. The content is read
    // on its own and then passed over whole, so a <vardef> left open (its content running
    // on to the end of the text) is scanned once and refused, not again for each later one.
    bool ReadVarDef(std::vector<TVTypeSpec>& VTypes) {
        if (!Expect(xmlVarType)) return false;
        static constexpr std::string_view ScaleAttr[] = {"scale"};
        std::string Scale[1];
        if (!ExactAttributes(FAttr, ScaleAttr, Scale)) return false;
        TVTypeSpec& V = VTypes.emplace_back();
        std::size_t K = 0;
        while (K < MScaleTypeNames.size() && !detail::SameTextAscii(Scale[0], MScaleTypeNames[K])) ++K;
        if (K == MScaleTypeNames.size()) return false;
        V.MScaleType = static_cast<TMScaleType>(K);
        TTableReader Inner(FContent);
        std::string Id;
        while (Inner.Next()) {
            static constexpr std::string_view OrdAttr[] = {"ord"};
            std::string Ord[1];
            std::int32_t Slot = 0;
            if (Inner.FTag != xmlVarIdentifier || !ExactAttributes(Inner.FAttr, OrdAttr, Ord) ||
                !TryStrToInt(Ord[0], Slot) || Slot < 1 || Slot > MaxNominalIDs || !V.ID(Slot).empty() ||
                !Inner.PlainText(Id) || Id.empty())
                return false;
            V.SetID(Slot, TNominalIDStr(Id));
        }
        PassContent();
        return true;
    }

    // Moves behind the content of the element just read. The tag reader leaves an element
    // whose content holds tags open, right behind its opening tag, where that content
    // follows; any other element it has consumed whole, and text equal to its content
    // found there is text and comments that the next read would pass over anyway.
    void PassContent() {
        const auto At = static_cast<std::size_t>(FPos - 1);
        if (FText.compare(At, FContent.size(), FContent) == 0) FPos += static_cast<int>(FContent.size());
    }

    bool ReadColumnCells(TTableImage& Img) {
        if (!Expect(xmlColId) || !Plain()) return false;
        const std::size_t Start = Img.Values.size();
        const auto NR = static_cast<std::size_t>(Img.NR);
        const bool Ok = ForEachToken(FContent, [&](std::string_view T) {
            double V = 0;
            TCellState S = 0;
            if (Img.Values.size() - Start >= NR || !ParseCell(T, V, S)) return false;
            Img.Values.push_back(V);
            Img.CState.push_back(S);
            return true;
        });
        return Ok && Img.Values.size() - Start == NR;
    }

    const std::string& FText;
    int FPos = 1;
    TDTxmlTags FTag = xmlInvalid;
    std::string FAttr, FContent;
};

}  // namespace

// ---------------------------------------------------------------- writer

void TDataTable::WriteToXML(std::ostream& Out, const std::string& DataID) const {
    std::string L;
    auto Open = [&L](TDTxmlTags T) {
        L += '<';
        L += TagText(T);
        L += '>';
    };
    auto Close = [&L](TDTxmlTags T) {
        L += "</";
        L += TagText(T);
        L += ">\n";
    };
    auto Flush = [&] {
        Out.write(L.data(), static_cast<std::streamsize>(L.size()));
        L.clear();
    };
    auto Element = [&](TDTxmlTags T, std::string_view Text) {
        Open(T);
        AppendEscaped(L, Text);
        Close(T);
    };
    auto IntList = [&](TDTxmlTags T, const TIntArray& A) {
        Open(T);
        for (std::size_t I = 0; I < A.size(); ++I) {
            if (I > 0) L += I % kIntsPerLine == 0 ? '\n' : ' ';
            L += std::to_string(A[I]);
        }
        Close(T);
        Flush();
    };

    L += "<datatable id=\"";
    AppendEscaped(L, DataID);
    L += "\">\n";
    Element(xmlComment, FComment);
    L += "<size cols=\"" + std::to_string(FNrOfCols) + "\" rows=\"" + std::to_string(FNrOfRows) + "\"/>\n";
    Open(xmlColNames);
    L += '\n';
    for (const TDTNameStr& N : FColName) Element(xmlColId, N.str());
    Close(xmlColNames);
    Flush();
    Open(xmlRowNames);
    L += '\n';
    for (const TDTNameStr& N : FRowName) {
        Element(xmlRowId, N.str());
        if (L.size() > 4096) Flush();
    }
    Close(xmlRowNames);
    IntList(xmlColAttrib, FColAtt);
    IntList(xmlRowAttrib, FRowAtt);
    for (const TVTypeSpec& V : FVType) {
        L += "<vardef scale=\"";
        L += MScaleTypeNames[static_cast<std::size_t>(V.MScaleType)];
        if (V.HighestSlot() == 0) {
            L += "\"/>\n";
            continue;
        }
        L += "\">\n";
        for (std::int32_t K = 1; K <= V.HighestSlot(); ++K) {
            if (V.ID(K).empty()) continue;
            L += "<idf ord=\"" + std::to_string(K) + "\">";
            AppendEscaped(L, V.ID(K).str());
            Close(xmlVarIdentifier);
        }
        Close(xmlVarType);
        Flush();
    }
    Open(xmlDataCells);
    L += '\n';
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) {
        Open(xmlColId);
        for (std::int32_t R = 1; R <= FNrOfRows; ++R) {
            if (R > 1) L += (R - 1) % kValuesPerLine == 0 ? '\n' : ' ';
            L += FPNumToHex(CellValue(C, R));
            if (const TCellState S = State(C, R); S != 0) {
                L += '/';
                L += Hex(S, 2);
            }
        }
        Close(xmlColId);
        Flush();
    }
    Close(xmlDataCells);
    Close(xmlDataTableId);
    Flush();
}

// ---------------------------------------------------------------- reader

bool TDataTable::ReadFromXML(const std::string& Content) {
    if (Content.size() >= static_cast<std::size_t>(INT_MAX)) return false;
    TTableImage Img;
    TSizedArrays A;
    try {
        if (!TTableReader(Content).Read(Img)) return false;
        A.NC = Img.NC;
        A.NR = Img.NR;
        A.RowAtt = std::move(Img.RowAtt);
        A.ColAtt = std::move(Img.ColAtt);
        A.VType = std::move(Img.VType);
        A.CState = std::move(Img.CState);
        A.ColName = std::move(Img.ColName);
        A.RowName = std::move(Img.RowName);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    const std::int32_t OldC = FNrOfCols, OldR = FNrOfRows;
    {
        TMutedMatrix Muted(*this);
        try {
            FNumData->Resize(A.NC, A.NR);
        } catch (const EQMRError&) {
            return false;
        }
        const auto NR = static_cast<std::size_t>(A.NR);
        // The matrix is NC x NR now: every column takes its values with their exact bits.
        for (std::int32_t C = 1; C <= A.NC; ++C)
            std::copy_n(Img.Values.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(C - 1) * NR), NR,
                        FNumData->Column(C));
    }
    CommitArrays(A);
    FComment = std::move(Img.Comment);
    if (OldC != FNrOfCols || OldR != FNrOfRows) FireResize(OldC, OldR);
    ChangedData();
    ChangedCellStates();
    ChangedSetup();
    ChangedNames();
    ChangedAttrib();
    return true;
}

}  // namespace qmr
