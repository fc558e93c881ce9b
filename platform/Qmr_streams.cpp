// Typed values on streams, TMixedFStream and the tag readers of XML-like text.
#include "platform/Qmr_streams.h"

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

namespace {

struct StringSource {
    const std::string& S;
    std::size_t I;
    int Get() { return I < S.size() ? static_cast<unsigned char>(S[I++]) : -1; }
    // Current place, to come back to with Rewind.
    std::size_t Tell() const { return I; }
    void Rewind(std::size_t Mark) { I = Mark; }
};

struct StreamSource {
    std::istream& F;
    int Get() {
        auto C = F.get();
        return C == std::istream::traits_type::eof() ? -1 : static_cast<int>(static_cast<unsigned char>(C));
    }
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

struct TMarkup {
    TMarkKind Kind = TMarkKind::Other;
    std::string Name;
    std::string Attr;
    bool Empty = false;  // "<name/>"
    std::string Raw;     // every byte read, from "<" on
};

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f' || C == '\v'; }

std::string Trimmed(std::string_view S) {
    std::size_t B = 0, E = S.size();
    while (B < E && IsBlank(S[B])) ++B;
    while (E > B && IsBlank(S[E - 1])) --E;
    return std::string(S.substr(B, E - B));
}

char Lower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool SameText(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (Lower(A[I]) != Lower(B[I])) return false;
    return true;
}

bool EndsWith(const std::string& S, std::string_view Tail, std::size_t MinLen) {
    return S.size() >= MinLen && S.size() >= Tail.size() && S.compare(S.size() - Tail.size(), Tail.size(), Tail) == 0;
}

bool IsPrefixOf(const std::string& S, std::string_view Full) {
    return S.size() <= Full.size() && Full.compare(0, S.size(), S) == 0;
}

// Reads the rest of a markup item after its "<". False when the input ends inside it.
template <class Src> bool ReadMarkup(Src& S, TMarkup& M) {
    M.Kind = TMarkKind::Other;
    M.Name.clear();
    M.Attr.clear();
    M.Empty = false;
    M.Raw.assign(1, '<');
    int C = S.Get();
    if (C < 0) return false;
    M.Raw += static_cast<char>(C);

    if (C == '!' || C == '?') {
        // "<?...?>", "<!--...-->", "<![CDATA[...]]>" or another "<!...>".
        constexpr std::string_view kComment = "<!--", kCData = "<![CDATA[";
        std::string_view Terminator = C == '?' ? "?>" : ">";
        std::size_t MinLen = C == '?' ? 4 : 3;
        bool Decided = C == '?';
        while (!(Decided && EndsWith(M.Raw, Terminator, MinLen))) {
            if (!Decided) {
                if (M.Raw == kComment) { Terminator = "-->"; MinLen = 7; Decided = true; }
                else if (M.Raw == kCData) { Terminator = "]]>"; MinLen = 12; Decided = true; }
                else if (!IsPrefixOf(M.Raw, kComment) && !IsPrefixOf(M.Raw, kCData)) {
                    Decided = true;
                    if (M.Raw.back() == '>') break;
                    continue;
                }
            }
            C = S.Get();
            if (C < 0) return false;
            M.Raw += static_cast<char>(C);
        }
        M.Kind = TMarkKind::Other;
        return true;
    }

    // A tag: read up to the ">" that is not inside a quoted attribute value.
    char Quote = 0, LastSig = static_cast<char>(C);
    while (Quote != 0 || C != '>') {
        C = S.Get();
        if (C < 0) return false;
        char Ch = static_cast<char>(C);
        M.Raw += Ch;
        if (Quote != 0) {
            if (Ch == Quote) Quote = 0;
            LastSig = Ch;
        } else if ((Ch == '"' || Ch == '\'') && LastSig == '=') {
            Quote = Ch;
        } else if (!IsBlank(Ch)) {
            LastSig = Ch;
        }
    }
    // M.Raw is "<...>"; parse name and attributes from the inner text.
    std::string_view Inner(M.Raw);
    Inner = Inner.substr(1, Inner.size() - 2);
    bool Closing = !Inner.empty() && Inner.front() == '/';
    if (Closing) Inner.remove_prefix(1);
    std::size_t N = 0;
    while (N < Inner.size() && !IsBlank(Inner[N]) && Inner[N] != '/') ++N;
    M.Name = std::string(Inner.substr(0, N));
    std::string Rest = Trimmed(Inner.substr(N));
    if (Closing) {
        M.Kind = TMarkKind::Close;
    } else {
        M.Kind = TMarkKind::Element;
        if (!Rest.empty() && Rest.back() == '/') {
            M.Empty = true;
            Rest.pop_back();
            Rest = Trimmed(Rest);
        }
    }
    M.Attr = std::move(Rest);
    return true;
}

// Index of Name in Tags (case ignored); -1 when it is not listed.
int FindTag(std::span<const std::string_view> Tags, std::string_view Name) {
    for (std::size_t I = 0; I < Tags.size(); ++I)
        if (SameText(Tags[I], Name)) return static_cast<int>(I);
    return -1;
}

template <class Src>
int ReadNextTag(Src& S, std::span<const std::string_view> Tags, std::string& Attr, std::string& Content) {
    Attr.clear();
    Content.clear();
    if (Tags.empty()) return -1;
    TMarkup M;
    for (;;) {
        int C = S.Get();
        if (C < 0) return -1;
        if (C != '<') continue;
        if (!ReadMarkup(S, M)) return -1;
        if (M.Kind == TMarkKind::Element) break;
        if (M.Kind == TMarkKind::Close) {
            // End of an element whose inner tags were visited: reported when listed as "/name".
            std::string Closing(1, '/');
            Closing.append(M.Name);
            int Ix = FindTag(Tags, Closing);
            if (Ix >= 0) return Ix;
        }
    }
    Attr = M.Attr;
    if (!M.Empty) {
        // Content up to the matching closing tag. An element holding further tags is
        // left open, so that its inner tags follow; a plain one is consumed whole.
        const auto Mark = S.Tell();
        const std::string& Name = M.Name;
        int Depth = 1;
        bool Nested = false;
        TMarkup Inner;
        for (;;) {
            int C = S.Get();
            if (C < 0) break;
            if (C != '<') {
                Content += static_cast<char>(C);
                continue;
            }
            if (!ReadMarkup(S, Inner)) {
                Content += Inner.Raw;
                break;
            }
            if (Inner.Kind == TMarkKind::Close && SameText(Inner.Name, Name)) {
                if (--Depth == 0) break;
            } else if (Inner.Kind == TMarkKind::Element && !Inner.Empty && SameText(Inner.Name, Name)) {
                ++Depth;
            }
            if (Inner.Kind != TMarkKind::Other) Nested = true;
            Content += Inner.Raw;
        }
        if (Nested) S.Rewind(Mark);
    }
    int Ix = FindTag(Tags, M.Name);
    return Ix >= 0 ? Ix : static_cast<int>(Tags.size()) - 1;
}

}  // namespace

int ReadNextTagInTextFile(std::istream& F, std::span<const std::string_view> Tags, std::string& Attr,
                          std::string& Content) {
    StreamSource S{F};
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
