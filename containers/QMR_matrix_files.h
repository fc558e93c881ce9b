// The binary and XML matrix file machinery that TMatrix, TIntMatrix, TMat3D and TMat4D
// share: record 0 of a binary file, a cursor over its data records, the XML tag
// interpreter and its two number scanners. Internal to the library.
#pragma once

#include "containers/QMR_matrix.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace qmr {
class TFileStream;
}

namespace qmr::detail {

// ---------------------------------------------------------------- binary files
//
// A binary matrix file is a run of 4096-byte records, little-endian. Record 0:
// X, Y, Z, T (int32 at 0, 4, 8, 12: columns, rows, layers, time slots), the data
// identifier at 16 (a length byte and 255 single-byte characters), the format code at
// 272 (1 doubles, 2 int32), the rest reserved. Records 1.. hold the elements, 512
// doubles a record, time slot outermost, then layer, row, and column innermost: a
// layer is stored row by row, so a column-major matrix is transposed on the way.

inline constexpr std::size_t MatRecordBytes = 4096;
inline constexpr std::size_t MatRecordDoubles = MatRecordBytes / sizeof(double);

// Record 0 as read. DataID is UTF-8: the identifier's bytes taken as Latin-1.
struct TMatFileHeader {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Z = 0;
    std::int32_t T = 0;
    std::string DataID;
    std::int32_t Format = 0;
};

// What a class accepts: whether it needs layers (Z > 0, else Z = 0) and time slots
// (T > 0, else T = 0), and its format code. X and Y are not tested.
struct TMatFileRule {
    bool Layers;
    bool TimeSlots;
    std::int32_t Format;
};
inline constexpr TMatFileRule MatrixFileRule{false, false, 1};
inline constexpr TMatFileRule IntMatrixFileRule{false, false, 2};
inline constexpr TMatFileRule Mat3DFileRule{true, false, 1};
inline constexpr TMatFileRule Mat4DFileRule{true, true, 1};

inline bool Fits(const TMatFileHeader& H, const TMatFileRule& R) noexcept {
    return (R.Layers ? H.Z > 0 : H.Z == 0) && (R.TimeSlots ? H.T > 0 : H.T == 0) && H.Format == R.Format;
}

// Decodes record 0. Never fails: every byte pattern is some header.
QMR_API TMatFileHeader DecodeMatFileHeader(std::span<const std::uint8_t, MatRecordBytes> Rec);
// Encodes H into Rec (reserved bytes and identifier bytes past its length 0). The
// identifier keeps its first 255 characters; one beyond Latin-1 becomes '?'.
QMR_API void EncodeMatFileHeader(const TMatFileHeader& H, std::span<std::uint8_t, MatRecordBytes> Rec);
// Opens FName, reads record 0 and closes it. EFOpenError when it cannot be opened,
// EReadError when it is shorter than one record.
QMR_API TMatFileHeader ReadMatFileHeader(const std::string& FName);
// The ReadBinaryHeader of every matrix class: reads record 0 of FName and hands out, in
// this order, the data identifier, X, Y, Z and T (each of the last two only when its
// pointer is given) and the format code; true when the header fits Rule. A raise of
// ReadMatFileHeader leaves every out-parameter unchanged.
bool ReadBinaryHeaderAs(const std::string& FName, const TMatFileRule& Rule, std::int32_t& NrColumns,
                        std::int32_t& NrRows, std::int32_t* NrLayers, std::int32_t* NrTimeSlots, std::string& DataID,
                        std::int32_t& Format);

// Latin-1 bytes to UTF-8, and back (a code point above 255, or a malformed sequence,
// becomes '?').
QMR_API std::string Latin1ToUtf8(std::string_view S);
QMR_API std::string Utf8ToLatin1(std::string_view S);

// Reads the elements of a binary file of doubles in file order, one record at a time.
// Data readers ask Holds before they read or allocate anything for a range, so a header
// whose counts the file cannot hold is refused, never trusted.
class QMR_API TMatDataReader {
public:
    // Opens FName and reads its header: EFOpenError / EReadError as ReadMatFileHeader.
    explicit TMatDataReader(const std::string& FName);
    ~TMatDataReader();
    TMatDataReader(const TMatDataReader&) = delete;
    TMatDataReader& operator=(const TMatDataReader&) = delete;

    const TMatFileHeader& Header() const noexcept { return FHeader; }
    // Index of element (c, r, l, t), all from 1 (l, t taken as 1 for files without
    // layers or time slots): ((t - 1) * Z' + l - 1) * X * Y + (r - 1) * X + c - 1, with
    // Z' = max(Z, 1). -1 when an index lies outside the header's counts.
    std::int64_t ElementIndex(std::int32_t c, std::int32_t r, std::int32_t l, std::int32_t t) const noexcept;
    // True when Count >= 0 elements from element First on lie inside the file.
    bool Holds(std::int64_t First, std::int64_t Count) const noexcept;
    // Positions on element First; false (nothing read) when the file does not hold it.
    bool Seek(std::int64_t First);
    // The next element; EReadError "Stream read error" past the end of the file.
    double Next();

private:
    std::unique_ptr<TFileStream> FFile;
    TMatFileHeader FHeader;
    std::int64_t FFileSize = 0;
    std::array<double, MatRecordDoubles> FBuf{};
    std::size_t FSlot = MatRecordDoubles;  // next slot of FBuf; a full record means "read the next"
    std::int64_t FRecord = 0;              // record that FBuf holds (0: none yet)
};

// ---------------------------------------------------------------- number scanners

// Reads a decimal integer at the 1-based position Pos of Text: blanks (character 32)
// skipped while before the last character, one optional sign, digits. Pos is left on
// the first character after the digits. No digits give 0; 32-bit wrap-around. A
// position outside the text reads no digits: 0, Pos unchanged.
QMR_API std::int32_t ReadIntAtPos(std::string_view Text, std::int32_t& Pos) noexcept;

// Separator modes of ReadRealAtPos: the point, the comma, either.
inline constexpr std::int32_t SepPoint = 1;
inline constexpr std::int32_t SepComma = 2;
inline constexpr std::int32_t SepEither = 3;

// Reads a real number at the 1-based position Pos by a state machine: leading blanks,
// a sign, digits, a separator (as SepMode says; a comma reads as a point), fraction
// digits and, when AllowExp, an exponent E[sign]digits (exponent digits beyond a value
// of 4200 dropped). The longest valid number of what was read is converted whatever
// the host's locale ("2E" reads 2); a malformed start gives 0. Pos is left on the
// character that ended the number. The result is clamped to +-uc_MaxDouble; an
// underflow gives a zero of its sign.
QMR_API Extended ReadRealAtPos(std::string_view Text, bool AllowExp, std::int32_t SepMode,
                               std::int32_t& Pos) noexcept;
// The same number correctly rounded to double (no detour through Extended).
QMR_API double ReadDoubleAtPos(std::string_view Text, bool AllowExp, std::int32_t SepMode,
                               std::int32_t& Pos) noexcept;

// The index written in Attr as Name followed by '="' (the first occurrence of that
// literal, case-sensitive, also inside a longer name: "six=\"" holds "ix=\""), read
// with ReadIntAtPos after the quote; read from position 4 when the literal is missing.
QMR_API std::int32_t ReadAttrIndex(std::string_view Attr, std::string_view Name) noexcept;

// ---------------------------------------------------------------- XML tag interpreter

// How a class reads the XML form: how many axes it counts (2 columns and rows, 3 with
// layers, 4 with time slots) and the attribute naming its layer ("iz" or "il").
struct TMatXmlLayout {
    int Axes;
    std::string_view LayerAttr;
};
inline constexpr TMatXmlLayout Matrix2DXmlLayout{2, {}};
inline constexpr TMatXmlLayout Mat3DXmlLayout{3, "iz"};
inline constexpr TMatXmlLayout Mat4DXmlLayout{4, "il"};

// The class side of the interpreter. A class implements it locally (over its public
// operations) and hands it to ProcessMatXmlTag.
class TMatXmlTarget {
public:
    // The current counts (axes beyond the layout's are ignored).
    virtual std::array<std::int32_t, 4> Counts() const = 0;
    // Resizes storage and counts to N, as the class's Resize does. May raise; a raise
    // must leave the object unchanged.
    virtual void ResizeTo(const std::array<std::int32_t, 4>& N) = 0;
    // Stores the value written in Content at the indices Ix (1-based, axes beyond the
    // layout's 0), ignoring positions outside the extent.
    virtual void WriteCell(const std::array<std::int32_t, 4>& Ix, std::string_view Content) = 0;

protected:
    ~TMatXmlTarget() = default;
};

// One tag: count tags of the layout's axes set the pending count (others ignored); the
// first cell after State.FirstCell was set resizes the target to the pending counts
// (the current count for each not read) and then clears FirstCell; each cell reads its
// indices (ix, iy, the layer attribute, it) and hands them with its content to
// WriteCell. Result 0, 1 at xmlMatEnd, -1 at xmlInvalid or any value beyond it.
QMR_API std::int32_t ProcessMatXmlTag(TMatXmlState& State, const TMatXmlLayout& Layout, TMatXmlTarget& Target,
                                      TMatXmlTag Tag, std::string_view Attr, std::string_view Content);

}  // namespace qmr::detail
