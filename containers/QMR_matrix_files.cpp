// The matrix file machinery shared by the four matrix classes (record 0, data records,
// number scanners, XML tag interpreter) and TMatrix's two file hooks.
#include "containers/QMR_matrix_files.h"
#include "platform/Qmr_univconst.h"
#include "platform/rtl_streams.h"
#include "platform/rtl_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>

namespace qmr::detail {

namespace {

constexpr std::size_t OffX = 0, OffY = 4, OffZ = 8, OffT = 12, OffID = 16, OffFormat = 272;
constexpr std::size_t MaxIDLength = 255;

std::int32_t GetInt32(const std::uint8_t* P) noexcept {
    const std::uint32_t U = static_cast<std::uint32_t>(P[0]) | static_cast<std::uint32_t>(P[1]) << 8 |
                            static_cast<std::uint32_t>(P[2]) << 16 | static_cast<std::uint32_t>(P[3]) << 24;
    return static_cast<std::int32_t>(U);
}

void PutInt32(std::uint8_t* P, std::int32_t V) noexcept {
    const auto U = static_cast<std::uint32_t>(V);
    for (int K = 0; K < 4; ++K) P[K] = static_cast<std::uint8_t>(U >> (8 * K));
}

}  // namespace

// ---------------------------------------------------------------- record 0

TMatFileHeader DecodeMatFileHeader(std::span<const std::uint8_t, MatRecordBytes> Rec) {
    TMatFileHeader H;
    H.X = GetInt32(Rec.data() + OffX);
    H.Y = GetInt32(Rec.data() + OffY);
    H.Z = GetInt32(Rec.data() + OffZ);
    H.T = GetInt32(Rec.data() + OffT);
    const std::size_t Len = Rec[OffID];  // 0..255: always inside the 256-byte field
    H.DataID = Latin1ToUtf8(std::string_view(reinterpret_cast<const char*>(Rec.data() + OffID + 1), Len));
    H.Format = GetInt32(Rec.data() + OffFormat);
    return H;
}

void EncodeMatFileHeader(const TMatFileHeader& H, std::span<std::uint8_t, MatRecordBytes> Rec) {
    std::fill(Rec.begin(), Rec.end(), std::uint8_t{0});
    PutInt32(Rec.data() + OffX, H.X);
    PutInt32(Rec.data() + OffY, H.Y);
    PutInt32(Rec.data() + OffZ, H.Z);
    PutInt32(Rec.data() + OffT, H.T);
    std::string ID = Utf8ToLatin1(H.DataID);
    if (ID.size() > MaxIDLength) ID.resize(MaxIDLength);
    Rec[OffID] = static_cast<std::uint8_t>(ID.size());
    std::memcpy(Rec.data() + OffID + 1, ID.data(), ID.size());
    PutInt32(Rec.data() + OffFormat, H.Format);
}

TMatFileHeader ReadMatFileHeader(const std::string& FName) {
    TFileStream F(FName, fmOpenRead);
    std::array<std::uint8_t, MatRecordBytes> Rec;
    F.ReadBuffer(Rec.data(), static_cast<std::int64_t>(Rec.size()));
    return DecodeMatFileHeader(Rec);
}

bool ReadBinaryHeaderAs(const std::string& FName, const TMatFileRule& Rule, std::int32_t& NrColumns,
                        std::int32_t& NrRows, std::int32_t* NrLayers, std::int32_t* NrTimeSlots, std::string& DataID,
                        std::int32_t& Format) {
    TMatFileHeader H = ReadMatFileHeader(FName);
    DataID = std::move(H.DataID);
    NrColumns = H.X;
    NrRows = H.Y;
    if (NrLayers != nullptr) *NrLayers = H.Z;
    if (NrTimeSlots != nullptr) *NrTimeSlots = H.T;
    Format = H.Format;
    return Fits(H, Rule);
}

std::string Latin1ToUtf8(std::string_view S) {
    std::string R;
    R.reserve(S.size());
    for (char Ch : S) {
        const auto B = static_cast<unsigned char>(Ch);
        if (B < 0x80) {
            R += Ch;
        } else {
            R += static_cast<char>(0xC0 | (B >> 6));
            R += static_cast<char>(0x80 | (B & 0x3F));
        }
    }
    return R;
}

std::string Utf8ToLatin1(std::string_view S) {
    std::string R;
    R.reserve(S.size());
    for (std::size_t I = 0; I < S.size();) {
        const auto B = static_cast<unsigned char>(S[I]);
        if (B < 0x80) {
            R += S[I++];
            continue;
        }
        // Length of the sequence from its lead byte; anything else is one bad byte.
        const std::size_t N = B >= 0xF0 && B < 0xF8 ? 4 : B >= 0xE0 ? 3 : B >= 0xC0 ? 2 : 1;
        bool Ok = N > 1 && B < 0xF8 && I + N <= S.size();
        for (std::size_t K = 1; Ok && K < N; ++K) Ok = (static_cast<unsigned char>(S[I + K]) & 0xC0) == 0x80;
        if (Ok && N == 2 && B >= 0xC2 && B <= 0xC3) {  // U+0080..U+00FF; C0, C1 are overlong
            R += static_cast<char>(((B & 0x1F) << 6) | (static_cast<unsigned char>(S[I + 1]) & 0x3F));
        } else {
            R += '?';
        }
        I += Ok ? N : 1;
    }
    return R;
}

// ---------------------------------------------------------------- data records

static_assert(std::endian::native == std::endian::little, "the records are little-endian");

TMatDataReader::TMatDataReader(const std::string& FName)
    : FFile(std::make_unique<TFileStream>(FName, fmOpenRead)) {
    std::array<std::uint8_t, MatRecordBytes> Rec;
    FFile->ReadBuffer(Rec.data(), static_cast<std::int64_t>(Rec.size()));
    FHeader = DecodeMatFileHeader(Rec);
    FFileSize = FFile->Size();
}

TMatDataReader::~TMatDataReader() = default;

std::int64_t TMatDataReader::ElementIndex(std::int32_t c, std::int32_t r, std::int32_t l,
                                          std::int32_t t) const noexcept {
    const std::int64_t X = FHeader.X, Y = FHeader.Y;
    const std::int64_t Z = std::max(FHeader.Z, 1), T = std::max(FHeader.T, 1);
    if (c < 1 || c > X || r < 1 || r > Y || l < 1 || l > Z || t < 1 || t > T) return -1;
    // (t - 1) * Z + l - 1 < 2^62 always; the products with the layer size may overflow,
    // and then no file holds the element.
    std::int64_t Layer = (t - 1) * Z + (l - 1), LayerSize = 0, Base = 0, E = 0;
    if (__builtin_mul_overflow(X, Y, &LayerSize) || __builtin_mul_overflow(Layer, LayerSize, &Base) ||
        __builtin_add_overflow(Base, (r - 1) * X + (c - 1), &E))
        return -1;
    return E;
}

bool TMatDataReader::Holds(std::int64_t First, std::int64_t Count) const noexcept {
    if (First < 0 || Count < 0) return false;
    if (Count == 0) return true;
    std::int64_t Last = 0;
    if (__builtin_add_overflow(First, Count - 1, &Last)) return false;
    // Record 1 + Last div 512 must be a whole record of the file.
    return 1 + Last / static_cast<std::int64_t>(MatRecordDoubles) < FFileSize / static_cast<std::int64_t>(MatRecordBytes);
}

bool TMatDataReader::Seek(std::int64_t First) {
    if (!Holds(First, 1)) return false;
    const std::int64_t Rec = 1 + First / static_cast<std::int64_t>(MatRecordDoubles);
    if (Rec != FRecord) {
        FFile->SetPosition(Rec * static_cast<std::int64_t>(MatRecordBytes));
        FFile->ReadBuffer(FBuf.data(), static_cast<std::int64_t>(MatRecordBytes));
        FRecord = Rec;
    }
    FSlot = static_cast<std::size_t>(First % static_cast<std::int64_t>(MatRecordDoubles));
    return true;
}

double TMatDataReader::Next() {
    if (FSlot == MatRecordDoubles) {
        const std::int64_t Rec = FRecord + 1;
        FFile->SetPosition(Rec * static_cast<std::int64_t>(MatRecordBytes));
        FFile->ReadBuffer(FBuf.data(), static_cast<std::int64_t>(MatRecordBytes));
        FRecord = Rec;
        FSlot = 0;
    }
    return FBuf[FSlot++];
}

// ---------------------------------------------------------------- number scanners

namespace {

// Positions are 32-bit: text beyond the largest position is out of reach.
std::int64_t ReachableLength(std::string_view Text) noexcept {
    return static_cast<std::int64_t>(
        std::min<std::size_t>(Text.size(), std::numeric_limits<std::int32_t>::max() - 1));
}

bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }

// Character classes and states of the real-number machine.
enum TRealClass { rcSep, rcBlank, rcSign, rcDigit, rcExp, rcOther };
constexpr int rsError = -1, rsEnd = 9, rsExpOrEnd = 0;
// Next state for states 1..8 and each class; rsExpOrEnd: 6 when the exponent is
// allowed, else 9.
constexpr int RealNext[8][6] = {
    {4, 1, 2, 3, rsError, rsError},        // 1 start
    {4, rsError, rsError, 3, rsError, rsError},  // 2 after the sign
    {4, rsEnd, rsEnd, 3, rsExpOrEnd, rsEnd},     // 3 integer digits
    {rsError, rsEnd, rsEnd, 5, rsExpOrEnd, rsEnd},  // 4 after the separator
    {rsError, rsEnd, rsEnd, 5, rsExpOrEnd, rsEnd},  // 5 fraction digits
    {rsError, rsError, 7, 8, rsError, rsEnd},    // 6 after E
    {rsError, rsError, rsError, 8, rsError, rsEnd},  // 7 after the exponent's sign
    {rsEnd, rsEnd, rsEnd, 8, rsEnd, rsEnd},      // 8 exponent digits
};

TRealClass Classify(char C, std::int32_t SepMode) noexcept {
    if ((C == '.' && (SepMode == SepPoint || SepMode == SepEither)) ||
        (C == ',' && (SepMode == SepComma || SepMode == SepEither)))
        return rcSep;
    if (C == ' ') return rcBlank;
    if (C == '+' || C == '-') return rcSign;
    if (IsDigit(C)) return rcDigit;
    if (C == 'E') return rcExp;
    return rcOther;
}

// Runs the machine from Pos; Num receives the number text (blanks, sign, digits, '.',
// fraction, E, sign, digits as the states allow). False in the error state.
bool ScanReal(std::string_view Text, bool AllowExp, std::int32_t SepMode, std::int32_t& Pos, std::string& Num) {
    const std::int64_t Len = ReachableLength(Text);
    std::int64_t P = Pos;
    int State = 1;
    int ExpDigits = 0;  // value of the exponent digits kept so far, at most 42009
    while (State >= 1 && State <= 8) {
        const char Raw = P >= 1 && P <= Len ? Text[static_cast<std::size_t>(P - 1)] : 'Z';
        const char C = Raw >= 'a' && Raw <= 'z' ? static_cast<char>(Raw - 'a' + 'A') : Raw;
        ++P;
        const TRealClass Cls = Classify(C, SepMode);
        State = RealNext[State - 1][Cls];
        if (State == rsExpOrEnd) State = AllowExp ? 6 : rsEnd;
        if (State >= 1 && State <= 8 && ExpDigits <= 4200) {
            Num += Cls == rcSep ? '.' : C;
            if (State == 8) ExpDigits = ExpDigits * 10 + (C - '0');
        }
    }
    Pos = static_cast<std::int32_t>(P - 1);
    return State == rsEnd;
}

// The value of the longest valid number at the start of Num (after its blanks):
// [sign] digits [. digits] [E [sign] digits], at least one mantissa digit; an exponent
// without digits is left out. Clamped to +-uc_MaxDouble, underflow to a signed zero.
template <class T> T ConvertNumber(std::string_view Num) {
    std::size_t I = Num.find_first_not_of(' ');
    if (I == std::string_view::npos) return 0;
    const bool Neg = Num[I] == '-';
    if (Num[I] == '+' || Num[I] == '-') ++I;
    const std::size_t MantStart = I;
    std::size_t MantDigits = 0;
    while (I < Num.size() && (IsDigit(Num[I]) || Num[I] == '.')) MantDigits += IsDigit(Num[I++]) ? 1 : 0;
    if (MantDigits == 0) return 0;
    std::size_t End = I;
    if (I < Num.size() && Num[I] == 'E') {
        std::size_t J = I + 1;
        if (J < Num.size() && (Num[J] == '+' || Num[J] == '-')) ++J;
        if (J < Num.size() && IsDigit(Num[J])) {
            while (J < Num.size() && IsDigit(Num[J])) ++J;
            End = J;
        }
    }
    const std::string Body(Num.substr(MantStart, End - MantStart));  // unsigned
    // TryStrToFloat refuses a valid text only when it overflows a double, and takes an
    // underflow as 0.
    double D = 0;
    const bool Overflow = !TryStrToFloat(Body, D);
    T V = Overflow ? static_cast<T>(uc_MaxDouble) : static_cast<T>(D);
    if constexpr (!std::is_same_v<T, double>) {
        // The wider value; beyond its range from_chars leaves the double's value in V.
        if (!Overflow) (void)std::from_chars(Body.data(), Body.data() + Body.size(), V);
    }
    V = std::min(V, static_cast<T>(uc_MaxDouble));
    return Neg ? -V : V;
}

template <class T> T ReadRealAs(std::string_view Text, bool AllowExp, std::int32_t SepMode, std::int32_t& Pos) {
    std::string Num;
    if (!ScanReal(Text, AllowExp, SepMode, Pos, Num)) return 0;
    if (!Num.empty() && Num.back() == '.') Num += '0';
    return ConvertNumber<T>(Num);
}

}  // namespace

std::int32_t ReadIntAtPos(std::string_view Text, std::int32_t& Pos) noexcept {
    const std::int64_t Len = ReachableLength(Text);
    if (Len == 0 || Pos < 1 || Pos > Len) return 0;
    std::int64_t P = Pos;
    auto At = [&](std::int64_t Q) { return Text[static_cast<std::size_t>(Q - 1)]; };
    while (P < Len && At(P) == ' ') ++P;
    const bool Neg = At(P) == '-';
    if (At(P) == '-' || At(P) == '+') ++P;
    std::uint32_t V = 0;  // wraps at 32 bits
    while (P <= Len && IsDigit(At(P))) V = V * 10u + static_cast<std::uint32_t>(At(P++) - '0');
    Pos = static_cast<std::int32_t>(P);
    return static_cast<std::int32_t>(Neg ? 0u - V : V);
}

Extended ReadRealAtPos(std::string_view Text, bool AllowExp, std::int32_t SepMode, std::int32_t& Pos) noexcept {
    try {
        return ReadRealAs<Extended>(Text, AllowExp, SepMode, Pos);
    } catch (const std::bad_alloc&) {
        return 0;  // the number text could not be held
    }
}

double ReadDoubleAtPos(std::string_view Text, bool AllowExp, std::int32_t SepMode, std::int32_t& Pos) noexcept {
    try {
        return ReadRealAs<double>(Text, AllowExp, SepMode, Pos);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

std::int32_t ReadAttrIndex(std::string_view Attr, std::string_view Name) noexcept {
    std::int32_t Pos = 4;
    for (std::size_t I = 0; I + Name.size() + 2 <= Attr.size(); ++I) {
        if (Attr.compare(I, Name.size(), Name) == 0 && Attr[I + Name.size()] == '=' &&
            Attr[I + Name.size() + 1] == '"') {
            const std::size_t After = I + Name.size() + 2;  // 0-based index of the first digit
            if (After >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return 0;
            Pos = static_cast<std::int32_t>(After + 1);
            break;
        }
    }
    return ReadIntAtPos(Attr, Pos);
}

// ---------------------------------------------------------------- XML tag interpreter

std::int32_t ProcessMatXmlTag(TMatXmlState& State, const TMatXmlLayout& Layout, TMatXmlTarget& Target,
                              TMatXmlTag Tag, std::string_view Attr, std::string_view Content) {
    switch (Tag) {
        case TMatXmlTag::xmlMatNumCols:
        case TMatXmlTag::xmlMatNumRows:
        case TMatXmlTag::xmlMatNumLayers:
        case TMatXmlTag::xmlMatNumTimeSlots: {
            const auto Axis = static_cast<std::size_t>(Tag);
            if (static_cast<int>(Axis) < Layout.Axes) {
                std::int32_t Pos = 1;
                State.Pending[Axis] = ReadIntAtPos(Content, Pos);
                State.Read[Axis] = true;
            }
            return 0;
        }
        case TMatXmlTag::xmlMatCell: {
            if (State.FirstCell) {
                std::array<std::int32_t, 4> N = Target.Counts();
                for (std::size_t A = 0; static_cast<int>(A) < Layout.Axes; ++A)
                    if (State.Read[A]) N[A] = State.Pending[A];
                Target.ResizeTo(N);  // a raise leaves FirstCell set
                State.FirstCell = false;
            }
            const std::string_view Names[4] = {"ix", "iy", Layout.LayerAttr, "it"};
            std::array<std::int32_t, 4> Ix{};
            for (std::size_t A = 0; static_cast<int>(A) < Layout.Axes; ++A) Ix[A] = ReadAttrIndex(Attr, Names[A]);
            Target.WriteCell(Ix, Content);
            return 0;
        }
        case TMatXmlTag::xmlMatBegin: return 0;
        case TMatXmlTag::xmlMatEnd: return 1;
        default: return -1;
    }
}

}  // namespace qmr::detail

// ---------------------------------------------------------------- TMatrix hooks

namespace qmr {

bool TMatrix::ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                               std::string& DataID, std::int32_t& Format) {
    return detail::ReadBinaryHeaderAs(FName, detail::MatrixFileRule, NrColumns, NrRows, nullptr, nullptr, DataID, Format);
}

std::int32_t TMatrix::ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content) {
    struct Target final : detail::TMatXmlTarget {
        explicit Target(TMatrix& M) : Mat(M) {}
        std::array<std::int32_t, 4> Counts() const override { return {Mat.NrOfColumns(), Mat.NrOfRows(), 0, 0}; }
        void ResizeTo(const std::array<std::int32_t, 4>& N) override { Mat.Resize(N[0], N[1]); }
        void WriteCell(const std::array<std::int32_t, 4>& Ix, std::string_view Content) override {
            std::int32_t Pos = 1;
            Mat.SetElem(Ix[0], Ix[1], detail::ReadDoubleAtPos(Content, true, detail::SepPoint, Pos));
        }
        TMatrix& Mat;
    } T(*this);
    return detail::ProcessMatXmlTag(FXml, detail::Matrix2DXmlLayout, T, Tag, Attr, Content);
}

}  // namespace qmr
