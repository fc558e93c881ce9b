// Typed values on streams, TMixedFStream and the tag readers of XML-like text.
#include "platform/Qmr_streams.h"

#include <algorithm>
#include <cstring>

namespace qmr {

// ---------------------------------------------------------------- typed values on streams
// Values are copied as their in-memory bytes: the library runs on little-endian x86.

// The first ExtendedStreamSize bytes of an Extended hold its whole value.
void WriteExtendedToStream(TStream& S, Extended X) { S.WriteBuffer(&X, ExtendedStreamSize); }

Extended ReadExtendedFromStream(TStream& S, bool& Error) {
    Extended X = 0;
    Error = S.Read(&X, ExtendedStreamSize) != ExtendedStreamSize;
    return Error ? 0 : X;
}

void WriteLongintToStream(TStream& S, std::int32_t X) { S.WriteBuffer(&X, sizeof X); }

std::int32_t ReadLongintFromStream(TStream& S, bool& Error) {
    std::int32_t X = 0;
    Error = S.Read(&X, sizeof X) != static_cast<std::int64_t>(sizeof X);
    return Error ? 0 : X;
}

// ---------------------------------------------------------------- TMixedFStream

TMixedFStream::TMixedFStream(const std::string& FileName, std::uint16_t Mode) : TFileStream(FileName, Mode) {}

std::string TMixedFStream::ClassName() const { return "TMixedFStream"; }

void TMixedFStream::WriteInteger(std::int32_t Value) { WriteBuffer(&Value, sizeof Value); }
void TMixedFStream::WriteDouble(double Value) { WriteBuffer(&Value, sizeof Value); }
void TMixedFStream::WriteByte(std::uint8_t Value) { WriteBuffer(&Value, 1); }

void TMixedFStream::WriteLn(const std::string& Line) {
    if (Line.size() > 0x7FFFFFFFu) throw EWriteError("Stream write error");
    WriteInteger(static_cast<std::int32_t>(Line.size()));
    WriteBuffer(Line.data(), static_cast<std::int64_t>(Line.size()));
}

bool TMixedFStream::ReadExact(void* Buffer, std::int64_t Count) {
    if (Read(Buffer, Count) == Count) return true;
    std::memset(Buffer, 0, static_cast<std::size_t>(Count));
    Seek(0, TSeekOrigin::soEnd);
    return false;
}

std::int32_t TMixedFStream::ReadInteger(bool& Error) {
    std::int32_t V = 0;
    Error = !ReadExact(&V, sizeof V);
    return V;
}

double TMixedFStream::ReadDouble(bool& Error) {
    double V = 0;
    Error = !ReadExact(&V, sizeof V);
    return V;
}

std::uint8_t TMixedFStream::ReadByte(bool& Error) {
    std::uint8_t V = 0;
    Error = !ReadExact(&V, 1);
    return V;
}

std::string TMixedFStream::ReadLn(bool& Error) {
    std::int32_t Len = ReadInteger(Error);
    if (Error) return {};
    std::int64_t Here = Position();
    if (Len < 0 || Len > Size() - Here) {
        Seek(0, TSeekOrigin::soEnd);
        Error = true;
        return {};
    }
    std::string Line(static_cast<std::size_t>(Len), '\0');
    Error = !ReadExact(Line.data(), Len);
    if (Error) Line.clear();
    return Line;
}

// ---------------------------------------------------------------- tag readers
//
// One pass per call: the reader moves over the text once, from the tag it reports to the end
// of that element's content, keeping positions instead of copies; the content is copied once
// at the end. A call thus costs time in proportion to the bytes it passes over and returns.

namespace {

// The text of the string form, read in place.
struct StringSource {
    const std::string& S;
    std::size_t I;
    int Get() { return I < S.size() ? static_cast<unsigned char>(S[I++]) : -1; }
    // Passes over text up to the next "<" and reads it; false at the end of the input.
    bool NextMarkup(bool /*KeepText*/) {
        // Markup is often dense: look at a few bytes before calling memchr.
        for (std::size_t Stop = std::min(S.size(), I + 16); I < Stop;)
            if (S[I++] == '<') return true;
        const void* P = I < S.size() ? std::memchr(S.data() + I, '<', S.size() - I) : nullptr;
        if (P == nullptr) {
            I = S.size();
            return false;
        }
        I = static_cast<std::size_t>(static_cast<const char*>(P) - S.data()) + 1;
        return true;
    }
    // Moves past the next ">" when no quote character comes before it (so no quoted value
    // can hide it); false, without moving, otherwise.
    bool SkipPlainTag() {
        for (std::size_t K = I; K < S.size(); ++K) {
            const char C = S[K];
            if (C == '>') {
                I = K + 1;
                return true;
            }
            if (C == '"' || C == '\'') return false;
        }
        return false;
    }
    // The bytes read so far end at Here() in Seen().
    std::string_view Seen() const { return S; }
    std::size_t Here() const { return I; }
    void Forget() {}
    // Current place, to come back to with Rewind.
    std::size_t Tell() const { return I; }
    void Rewind(std::size_t Mark) { I = Mark; }
};

// The stream form: the bytes read since the last Forget are kept in Buf. Bytes are taken
// from the stream buffer directly, with the stream's state set as get() would set it.
struct StreamSource {
    std::istream& F;
    std::string Buf;
    using Traits = std::istream::traits_type;
    int Next() {
        if (!F.good()) {
            F.setstate(std::ios::failbit);
            return -1;
        }
        const Traits::int_type C = F.rdbuf()->sbumpc();
        if (Traits::eq_int_type(C, Traits::eof())) {
            F.setstate(std::ios::eofbit | std::ios::failbit);
            return -1;
        }
        return static_cast<int>(static_cast<unsigned char>(Traits::to_char_type(C)));
    }
    int Get() {
        const int C = Next();
        if (C >= 0) Buf += static_cast<char>(C);
        return C;
    }
    bool NextMarkup(bool KeepText) {
        for (;;) {
            const int C = Next();
            if (C < 0) return false;
            if (KeepText || C == '<') Buf += static_cast<char>(C);
            if (C == '<') return true;
        }
    }
    bool SkipPlainTag() { return false; }
    std::string_view Seen() const { return Buf; }
    std::size_t Here() const { return Buf.size(); }
    void Forget() { Buf.clear(); }
    // Current place (-1 when the stream cannot tell it).
    std::istream::pos_type Tell() { return F.tellg(); }
    // Goes back to Mark; stays put when the stream cannot seek.
    void Rewind(std::istream::pos_type Mark) {
        if (Mark == std::istream::pos_type(-1)) return;
        F.clear();
        F.seekg(Mark);
    }
};

enum class TMarkKind { Element, Close, Other };

// One markup item as positions in the source's Seen() text.
struct TMarkup {
    TMarkKind Kind = TMarkKind::Other;
    std::size_t Begin = 0;               // the "<"
    std::size_t NameB = 0, NameE = 0;    // the name
    std::size_t AttrB = 0, AttrE = 0;    // the attributes, without surrounding blanks
    bool Empty = false;                  // "<name/>"
    std::string_view Name(std::string_view T) const { return T.substr(NameB, NameE - NameB); }
};

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f' || C == '\v'; }

char Lower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

inline bool SameText(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    if (A == B) return true;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (Lower(A[I]) != Lower(B[I])) return false;
    return true;
}

bool EndsWith(std::string_view S, std::string_view Tail, std::size_t MinLen) {
    return S.size() >= MinLen && S.size() >= Tail.size() && S.substr(S.size() - Tail.size()) == Tail;
}

bool IsPrefixOf(std::string_view S, std::string_view Full) {
    return S.size() <= Full.size() && Full.substr(0, S.size()) == S;
}

// Reads the rest of a markup item after its "<" (just read). False when the input ends inside it.
template <class Src> bool ReadMarkup(Src& S, TMarkup& M) {
    M.Kind = TMarkKind::Other;
    M.Empty = false;
    M.Begin = S.Here() - 1;
    auto Raw = [&S, &M] { return S.Seen().substr(M.Begin, S.Here() - M.Begin); };
    int C = S.Get();
    if (C < 0) return false;

    if (C == '!' || C == '?') {
        // "<?...?>", "<!--...-->", "<![CDATA[...]]>" or another "<!...>".
        constexpr std::string_view kComment = "<!--", kCData = "<![CDATA[";
        std::string_view Terminator = C == '?' ? "?>" : ">";
        std::size_t MinLen = C == '?' ? 4 : 3;
        bool Decided = C == '?';
        while (!(Decided && EndsWith(Raw(), Terminator, MinLen))) {
            if (!Decided) {
                const std::string_view R = Raw();
                if (R == kComment) { Terminator = "-->"; MinLen = 7; Decided = true; }
                else if (R == kCData) { Terminator = "]]>"; MinLen = 12; Decided = true; }
                else if (!IsPrefixOf(R, kComment) && !IsPrefixOf(R, kCData)) {
                    Decided = true;
                    if (R.back() == '>') break;
                    continue;
                }
            }
            if (S.Get() < 0) return false;
        }
        return true;
    }

    // A tag: read up to the ">" that is not inside a quoted attribute value.
    char Quote = 0, LastSig = static_cast<char>(C);
    if (C != '>' && S.SkipPlainTag()) C = '>';
    while (Quote != 0 || C != '>') {
        C = S.Get();
        if (C < 0) return false;
        const char Ch = static_cast<char>(C);
        if (Quote != 0) {
            if (Ch == Quote) Quote = 0;
            LastSig = Ch;
        } else if ((Ch == '"' || Ch == '\'') && LastSig == '=') {
            Quote = Ch;
        } else if (!IsBlank(Ch)) {
            LastSig = Ch;
        }
    }
    // Name and attributes from the text between "<" and ">".
    const std::string_view T = S.Seen();
    std::size_t B = M.Begin + 1, E = S.Here() - 1;
    const bool Closing = B < E && T[B] == '/';
    if (Closing) ++B;
    std::size_t N = B;
    while (N < E && !IsBlank(T[N]) && T[N] != '/') ++N;
    M.NameB = B;
    M.NameE = N;
    auto Trim = [&T](std::size_t& From, std::size_t& To) {
        while (From < To && IsBlank(T[From])) ++From;
        while (To > From && IsBlank(T[To - 1])) --To;
    };
    Trim(N, E);
    if (Closing) {
        M.Kind = TMarkKind::Close;
    } else {
        M.Kind = TMarkKind::Element;
        if (E > N && T[E - 1] == '/') {
            M.Empty = true;
            --E;
            Trim(N, E);
        }
    }
    M.AttrB = N;
    M.AttrE = E;
    return true;
}

// Index of Name in Tags (case ignored), or of "/" + Name when Closing; -1 when it is not listed.
int FindTag(std::span<const std::string_view> Tags, std::string_view Name, bool Closing = false) {
    for (std::size_t I = 0; I < Tags.size(); ++I) {
        std::string_view T = Tags[I];
        if (Closing) {
            if (T.empty() || T.front() != '/') continue;
            T.remove_prefix(1);
        }
        if (SameText(T, Name)) return static_cast<int>(I);
    }
    return -1;
}

template <class Src>
int ReadNextTag(Src& S, std::span<const std::string_view> Tags, std::string& Attr, std::string& Content) {
    Attr.clear();
    Content.clear();
    if (Tags.empty()) return -1;
    TMarkup M;
    for (;;) {
        S.Forget();
        if (!S.NextMarkup(false) || !ReadMarkup(S, M)) return -1;
        if (M.Kind == TMarkKind::Element) break;
        if (M.Kind == TMarkKind::Close) {
            // End of an element whose inner tags were visited: reported when listed as "/name".
            const int Ix = FindTag(Tags, M.Name(S.Seen()), true);
            if (Ix >= 0) return Ix;
        }
    }
    Attr.assign(S.Seen().substr(M.AttrB, M.AttrE - M.AttrB));
    const std::string Name(M.Name(S.Seen()));
    if (!M.Empty) {
        // Content up to the matching closing tag. An element holding further tags is
        // left open, so that its inner tags follow; a plain one is consumed whole.
        const auto Mark = S.Tell();
        S.Forget();
        const std::size_t From = S.Here();
        std::size_t To = 0;
        int Depth = 1;
        bool Nested = false;
        TMarkup Inner;
        for (;;) {
            if (!S.NextMarkup(true) || !ReadMarkup(S, Inner)) {
                To = S.Here();  // the input ended: the content runs to its end
                break;
            }
            const bool Same = Inner.Kind != TMarkKind::Other && SameText(Inner.Name(S.Seen()), Name);
            if (Same && Inner.Kind == TMarkKind::Close) {
                if (--Depth == 0) {
                    To = Inner.Begin;
                    break;
                }
            } else if (Same && !Inner.Empty) {
                ++Depth;
            }
            if (Inner.Kind != TMarkKind::Other) Nested = true;
        }
        Content.assign(S.Seen().substr(From, To - From));
        if (Nested) S.Rewind(Mark);
    }
    const int Ix = FindTag(Tags, Name);
    return Ix >= 0 ? Ix : static_cast<int>(Tags.size()) - 1;
}

}  // namespace

int ReadNextTagInTextFile(std::istream& F, std::span<const std::string_view> Tags, std::string& Attr,
                          std::string& Content) {
    StreamSource S{F, {}};
    return ReadNextTag(S, Tags, Attr, Content);
}

int ReadNextTagInString(const std::string& Text, int& Pos, std::span<const std::string_view> Tags,
                        std::string& Attr, std::string& Content) {
    std::size_t Start = Pos < 1 ? 0 : static_cast<std::size_t>(Pos) - 1;
    StringSource S{Text, Start > Text.size() ? Text.size() : Start};
    int R = ReadNextTag(S, Tags, Attr, Content);
    Pos = S.I >= 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(S.I) + 1;
    return R;
}

}  // namespace qmr
