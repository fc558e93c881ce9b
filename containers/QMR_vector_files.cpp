// TVector and TIntVector files: the ASC table, the text list and the binary stream.
//
// Every reader is linear in its input: loops stop where the input ends, and no size a
// file or stream announces is allocated before its bytes are known to be there.
#include "containers/QMR_vector.h"
#include "platform/Qmr_filesys.h"
#include "platform/Qmr_streams.h"
#include "platform/Qmr_stringl.h"
#include "platform/rtl_streams.h"
#include "platform/rtl_text.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace qmr {

namespace {

// ---------------------------------------------------------------- element codecs
// What differs between the two classes: how a value is written as text, read from a
// word, and carried as a stream item.

struct TRealCodec {
    using Value = double;
    static constexpr const char* Banner = "Exported by QMR TVector component: ";
    static constexpr std::int64_t ItemSize = ExtendedStreamSize;
    static bool Parse(const std::string& Word, double& V) { return TryStrToFloat(Word, V); }
    static void WriteItem(TStream& S, Extended X) { WriteExtendedToStream(S, X); }
    // An index item: a whole-valued Extended, rounded; false unless it is a finite number
    // within the 32-bit range.
    static bool ReadIndex(TStream& S, std::int32_t& Ix) {
        bool Err = false;
        const Extended X = ReadExtendedFromStream(S, Err);
        std::int64_t R = 0;
        if (Err || !std::isfinite(X) || !detail::CheckedRoundToInt64(X, R)) return false;
        if (R < std::numeric_limits<std::int32_t>::min() || R > std::numeric_limits<std::int32_t>::max()) return false;
        Ix = static_cast<std::int32_t>(R);
        return true;
    }
    static bool ReadValue(TStream& S, double& V) {
        bool Err = false;
        V = static_cast<double>(ReadExtendedFromStream(S, Err));
        return !Err;
    }
};

struct TIntCodec {
    using Value = std::int32_t;
    static constexpr const char* Banner = "Exported by QMR TIntVector component: ";
    static constexpr std::int64_t ItemSize = 4;
    // A real number rounded half to even; false when it is not one or lies beyond 32 bits.
    static bool Parse(const std::string& Word, std::int32_t& V) {
        double D = 0;
        std::int64_t R = 0;
        if (!TryStrToFloat(Word, D) || !detail::CheckedRoundToInt64(D, R)) return false;
        if (R < std::numeric_limits<std::int32_t>::min() || R > std::numeric_limits<std::int32_t>::max()) return false;
        V = static_cast<std::int32_t>(R);
        return true;
    }
    static void WriteItem(TStream& S, std::int32_t X) { WriteLongintToStream(S, X); }
    static bool ReadIndex(TStream& S, std::int32_t& Ix) {
        bool Err = false;
        Ix = ReadLongintFromStream(S, Err);
        return !Err;
    }
    static bool ReadValue(TStream& S, std::int32_t& V) {
        bool Err = false;
        V = ReadLongintFromStream(S, Err);
        return !Err;
    }
};

// ---------------------------------------------------------------- text output

// Lines ended by CR LF, written to a file stream in large blocks.
class TLineWriter {
public:
    explicit TLineWriter(TFileStream& F) : FFile(F) {}
    ~TLineWriter() = default;
    void Line(std::string_view Text) {
        FBuf.append(Text);
        FBuf.append("\r\n");
        if (FBuf.size() >= 1 << 16) Flush();
    }
    // Raises EWriteError when the file takes fewer bytes.
    void Flush() {
        if (FBuf.empty()) return;
        FFile.WriteBuffer(FBuf.data(), static_cast<std::int64_t>(FBuf.size()));
        FBuf.clear();
    }

private:
    TFileStream& FFile;
    std::string FBuf;
};

// Creates (or empties) FName; nullptr when that fails.
std::unique_ptr<TFileStream> CreateFile(const std::string& FName) {
    try {
        return std::make_unique<TFileStream>(FName, fmCreate);
    } catch (const EStreamError&) {
        return nullptr;
    }
}

// The ASC table of N values, Text(i) giving the text of element i.
template <class Codec, class TextFn>
std::int32_t WriteAsc(const std::string& FName, const std::string& Comment, std::int32_t N, TextFn&& Text) {
    auto F = CreateFile(FName);
    if (!F) return -1;
    TLineWriter W(*F);
    std::string First = Comment.empty() ? Codec::Banner + FName : Comment;
    std::replace_if(First.begin(), First.end(), [](char C) { return C == '\n' || C == '\r'; }, ' ');
    W.Line(First);
    W.Line("1\t;nr. of columns");
    W.Line(std::to_string(N) + "\t;nr. of rows");
    W.Line("FALSE FALSE FALSE FALSE\t;row attributes, column names, row names, nominal variables");
    for (std::int32_t I = 1; I <= N; ++I) W.Line(Text(I));
    W.Flush();
    return 0;
}

// The text list of elements First..Last; false only when the file cannot be created.
// A failing write ends the writing quietly.
template <class TextFn>
bool WriteList(const std::string& FName, std::int32_t First, std::int32_t Last, TextFn&& Text) {
    auto F = CreateFile(FName);
    if (!F) return false;
    try {
        TLineWriter W(*F);
        W.Line(std::to_string(First) + " " + std::to_string(Last));
        for (std::int64_t I = First; I <= Last; ++I) W.Line(Text(static_cast<std::int32_t>(I)));
        W.Flush();
    } catch (const EStreamError&) {
    }
    return true;
}

// ---------------------------------------------------------------- text input

// Bytes from the present position of F to its end.
std::int64_t RemainingBytes(std::istream& F) {
    const auto Here = F.tellg();
    if (Here < 0) return 0;
    F.seekg(0, std::ios::end);
    const auto End = F.tellg();
    F.seekg(Here);
    return End < Here ? 0 : static_cast<std::int64_t>(End - Here);
}

// Reads one name with ParseQuotedName from a fresh state and drops it.
void SkipQuotedName(std::istream& F) {
    std::string Name;
    TQuotedStrState State = TQuotedStrState::qsStart;
    for (int C = F.get(); C != std::char_traits<char>::eof(); C = F.get())
        if (ParseQuotedName(static_cast<char>(C), State, Name)) return;
}

template <class Codec, class Vec> std::int32_t ImportAscInto(Vec& V, const std::string& FName, std::string& Comment) {
    std::error_code Ec;
    if (!std::filesystem::exists(FName, Ec)) return -8;
    std::int32_t Cols = 0, Rows = 0;
    bool RowAttribs = false, ColNames = false, RowNames = false, Nominal = false;
    const int Rc = ReadHeaderOfASC(FName, Comment, Cols, Rows, RowAttribs, ColNames, RowNames, Nominal);
    if (Cols > 1) return -7;
    if (Rc != 0) return Rc;
    std::ifstream F(FName, std::ios::binary);
    std::string Skip;
    for (int L = 0; L < 4; ++L) std::getline(F, Skip);
    // Every row takes at least two bytes (a character and a separator), the last one
    // perhaps one: a row count beyond that cannot all be read, and the reading ends by
    // the first row past the data. So the vector is never sized beyond that row.
    if (Rows > 0) {
        const std::int64_t Backed = (RemainingBytes(F) + 1) / 2 + 1;
        V.Resize(static_cast<std::int32_t>(std::min<std::int64_t>(Rows, Backed)));
    }
    if (ColNames)
        for (std::int32_t C = 0; C < std::max(Cols, 1); ++C) SkipQuotedName(F);
    std::int32_t Result = 0, K = 0;
    for (std::int32_t R = 1; R <= Rows && Result == 0; ++R) {
        K = R;
        if (RowAttribs) {
            double Attr = 0;
            if (!TryStrToFloat(ReadNextWordInTextFile(F), Attr)) {
                Result = 251;
                break;
            }
        }
        if (RowNames) SkipQuotedName(F);
        const std::string Word = StripLTBlanks(ReadNextWordInTextFile(F));
        typename Codec::Value X{};
        if (Word == "NAN" || Word == "###") V.SetElem(R, 0);
        else if (Codec::Parse(Word, X)) V.SetElem(R, X);
        else Result = 250;
    }
    V.Resize(K < Rows ? K : Rows);
    return Result;
}

// Reads the values of elements First..Last, one word each, until the data ends; a word
// that is not a number leaves its element unchanged.
template <class Codec, class Vec> void ReadWords(Vec& V, std::istream& F, std::int64_t First, std::int64_t Last) {
    for (std::int64_t I = First; I <= Last; ++I) {
        const std::string Word = ReadNextWordInTextFile(F);
        if (Word.empty()) return;  // end of the data: every further read fails the same way
        typename Codec::Value X{};
        if (I >= 1 && I <= V.NrOfElem() && Codec::Parse(Word, X)) V.SetElem(static_cast<std::int32_t>(I), X);
    }
}

// Elements a resize may add beyond the values its input carries: the zeros below the
// first index of a sub-range save (8 MB of doubles at most).
constexpr std::int64_t kUnbackedGrowth = std::int64_t{1} << 20;

// Resizes V to NE for an input that carries Values values (already known to be there).
// False, with V unchanged, when the resize would add more elements than those values
// plus kUnbackedGrowth, or when the storage cannot be had.
template <class Vec> bool ResizeBacked(Vec& V, std::int32_t NE, std::int64_t Values) {
    if (std::int64_t{NE} - V.NrOfElem() > std::max<std::int64_t>(Values, 0) + kUnbackedGrowth) return false;
    try {
        V.Resize(NE);
        return true;
    } catch (const EQMRVectorError&) {
        return false;
    }
}

template <class Codec, class Vec> bool LoadListInto(Vec& V, const std::string& FName, bool AdjustVectorSize) {
    std::ifstream F(FName, std::ios::binary);
    if (!F.is_open()) return false;
    std::int32_t First = 0, Last = 0;
    if (!TryStrToInt(ReadNextWordInTextFile(F), First) || !TryStrToInt(ReadNextWordInTextFile(F), Last))
        return false;
    if (AdjustVectorSize) {
        // Each value takes at least two bytes (a separator and a character).
        const std::int64_t Count = std::int64_t{Last} - First + 1;
        if (Count > 0 && RemainingBytes(F) < 2 * Count) return false;
        if (!ResizeBacked(V, Last, Count)) return false;
    }
    bool Result = false;
    if (V.NrOfElem() >= Last) {
        Result = true;
        ReadWords<Codec>(V, F, First, Last);
    }
    V.Changed();
    return Result;
}

// ---------------------------------------------------------------- binary stream

template <class Codec, class Vec>
void SaveRun(const Vec& V, TStream& Out, std::int32_t LowElem, std::int32_t HighElem) {
    V.MakeValidElemRange(LowElem, HighElem);
    // Items are gathered in memory and handed to the stream in one write.
    TMemoryStream Buf;
    Codec::WriteItem(Buf, LowElem);
    Codec::WriteItem(Buf, HighElem);
    for (std::int32_t I = LowElem; I <= HighElem; ++I) Codec::WriteItem(Buf, V.Elem(I));
    Out.WriteBuffer(Buf.Memory(), Buf.Size());
}

template <class Codec, class Vec> bool LoadRun(Vec& V, TStream* In, bool AdjustVectorSize) {
    if (In == nullptr) return false;
    std::int32_t Low = 0, High = 0;
    if (!Codec::ReadIndex(*In, Low) || !Codec::ReadIndex(*In, High)) return false;
    const std::int64_t Count = std::int64_t{High} - Low + 1;
    const std::int64_t Remaining = std::max<std::int64_t>(0, In->Size() - In->Position());
    if (AdjustVectorSize) {
        if (Count > 0 && Remaining < Count * Codec::ItemSize) return false;
        if (!ResizeBacked(V, High, Count)) return false;
    }
    bool Result = false;
    if (V.NrOfElem() >= High && Count > 0) {
        // The values present, read in one block: never more than the stream holds.
        TMemoryStream Buf;
        Buf.SetSize(std::min(Remaining, Count * Codec::ItemSize));
        Buf.SetSize(In->Read(Buf.Memory(), Buf.Size()));
        Result = true;
        for (std::int64_t K = 0; K < Count; ++K) {
            typename Codec::Value X{};
            if (!Codec::ReadValue(Buf, X)) {
                Result = false;  // the data ended: no further value can be read
                break;
            }
            V.SetElem(static_cast<std::int32_t>(Low + K), X);
        }
    } else if (V.NrOfElem() >= High) {
        Result = true;
    }
    V.Changed();
    return Result;
}

}  // namespace

// ---------------------------------------------------------------- TVector

std::int32_t TVector::ExportAsASC(const std::string& FName, std::int32_t Precision, const std::string& Comment) const {
    return WriteAsc<TRealCodec>(FName, Comment, FNElem, [&](std::int32_t I) {
        return strff(FVec[static_cast<std::size_t>(I - 1)], 12, Precision);
    });
}

std::int32_t TVector::ImportASC(const std::string& FName, std::string& Comment) {
    return ImportAscInto<TRealCodec>(*this, FName, Comment);
}

bool TVector::StoreOnFile(std::int32_t FirstElem, std::int32_t LastElem, std::int32_t Precision,
                          const std::string& FileName) const {
    if (Precision < -2) Precision = 2;
    if (Precision > 20) Precision = 20;
    MakeValidElemRange(FirstElem, LastElem);
    return WriteList(FileName, FirstElem, LastElem, [&](std::int32_t I) {
        const double X = FVec[static_cast<std::size_t>(I - 1)];
        if (Precision >= 0) return StrFixed(X, 1, Precision);
        return StrExp(X, Precision == -1 ? 13 : 26);
    });
}

bool TVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize) {
    return LoadListInto<TRealCodec>(*this, FileName, AdjustVectorSize);
}

bool TVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize, bool AutoDetect) {
    if (!AutoDetect) return LoadFromFile(FileName, AdjustVectorSize);
    std::ifstream F(FileName, std::ios::binary);
    if (!F.is_open()) return false;
    std::int64_t Count = 0;
    for (std::string Line; std::getline(F, Line);)
        if (Line.find("//dig") != std::string::npos) ++Count;
    // Every counted line holds at least five bytes: the count is backed by the file.
    if (AdjustVectorSize && Count <= std::numeric_limits<std::int32_t>::max())
        if (!ResizeBacked(*this, static_cast<std::int32_t>(Count), Count)) return false;
    F.clear();
    F.seekg(0);
    ReadWords<TRealCodec>(*this, F, 1, FNElem);
    Changed();
    return true;
}

void TVector::SaveToStream(TMemoryStream*& OutStream, std::int32_t LowElem, std::int32_t HighElem) const {
    if (OutStream == nullptr) OutStream = new TMemoryStream;
    SaveRun<TRealCodec>(*this, *OutStream, LowElem, HighElem);
}

void TVector::SaveToStream(TFileStream* OutStream, std::int32_t LowElem, std::int32_t HighElem) const {
    if (OutStream != nullptr) SaveRun<TRealCodec>(*this, *OutStream, LowElem, HighElem);
}

bool TVector::LoadFromStream(TMemoryStream* InStream, bool AdjustVectorSize) {
    return LoadRun<TRealCodec>(*this, InStream, AdjustVectorSize);
}

bool TVector::LoadFromStream(TFileStream* InStream, bool AdjustVectorSize) {
    return LoadRun<TRealCodec>(*this, InStream, AdjustVectorSize);
}

// ---------------------------------------------------------------- TIntVector

std::int32_t TIntVector::ExportAsASC(const std::string& FName, const std::string& Comment) const {
    return WriteAsc<TIntCodec>(FName, Comment, FNElem,
                               [&](std::int32_t I) { return std::to_string(FVec[static_cast<std::size_t>(I - 1)]); });
}

std::int32_t TIntVector::ImportASC(const std::string& FName, std::string& Comment) {
    return ImportAscInto<TIntCodec>(*this, FName, Comment);
}

bool TIntVector::StoreOnFile(std::int32_t FirstElem, std::int32_t LastElem, const std::string& FileName) const {
    if (LastElem < FirstElem) std::swap(FirstElem, LastElem);
    if (FirstElem <= 0) FirstElem = 1;
    if (LastElem > FNElem) LastElem = FNElem;
    return WriteList(FileName, FirstElem, LastElem,
                     [&](std::int32_t I) { return std::to_string(FVec[static_cast<std::size_t>(I - 1)]); });
}

bool TIntVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize) {
    return LoadListInto<TIntCodec>(*this, FileName, AdjustVectorSize);
}

void TIntVector::SaveToStream(TMemoryStream*& OutStream, std::int32_t LowElem, std::int32_t HighElem) const {
    if (OutStream == nullptr) OutStream = new TMemoryStream;
    SaveRun<TIntCodec>(*this, *OutStream, LowElem, HighElem);
}

void TIntVector::SaveToStream(TFileStream* OutStream, std::int32_t LowElem, std::int32_t HighElem) const {
    if (OutStream != nullptr) SaveRun<TIntCodec>(*this, *OutStream, LowElem, HighElem);
}

bool TIntVector::LoadFromStream(TMemoryStream* InStream, bool AdjustVectorSize) {
    return LoadRun<TIntCodec>(*this, InStream, AdjustVectorSize);
}

bool TIntVector::LoadFromStream(TFileStream* InStream, bool AdjustVectorSize) {
    return LoadRun<TIntCodec>(*this, InStream, AdjustVectorSize);
}

}  // namespace qmr
