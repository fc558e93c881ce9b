// Types of the data table shared with the statistics unit and the learner: measurement
// scales, short texts (nominal identifiers, names), cell-state bits, a column's variable
// type and the table's resize event.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// ---------------------------------------------------------------- measurement scale

// Measurement scale of a column, one byte. Nominal and ordinal columns hold in each cell
// the ordinal (1..MaxNominalIDs) of an entry of the column's dictionary.
enum class TMScaleType : std::uint8_t { stUnknown = 0, stNominal = 1, stOrdinal = 2, stInterval = 3, stRatio = 4 };

// Names of the scales, indexed by the ordinal of TMScaleType.
inline constexpr std::array<std::string_view, 5> MScaleTypeNames = {"Unknown", "Nominal", "Ordinal", "Interval",
                                                                    "Ratio"};

// Whether Scale is one of the five scales.
constexpr bool IsValidMScaleType(TMScaleType Scale) noexcept { return Scale <= TMScaleType::stRatio; }
// Whether cells of the scale hold dictionary ordinals (nominal or ordinal).
constexpr bool IsCategorial(TMScaleType Scale) noexcept {
    return Scale == TMScaleType::stNominal || Scale == TMScaleType::stOrdinal;
}
// Whether cells of the scale are numbers for the numeric statistics (interval or ratio).
constexpr bool IsMetric(TMScaleType Scale) noexcept {
    return Scale == TMScaleType::stInterval || Scale == TMScaleType::stRatio;
}

// ---------------------------------------------------------------- short texts

namespace detail {
// Length of the longest prefix of S with at most MaxBytes bytes that does not end inside
// a UTF-8 sequence (bytes that are not UTF-8 are cut at MaxBytes).
constexpr std::size_t Utf8PrefixLength(std::string_view S, std::size_t MaxBytes) noexcept {
    if (S.size() <= MaxBytes) return S.size();
    auto Byte = [&S](std::size_t I) { return static_cast<unsigned char>(S[I]); };
    if ((Byte(MaxBytes) & 0xC0) != 0x80) return MaxBytes;  // the cut falls between characters
    for (std::size_t Back = 1; Back <= 3 && Back <= MaxBytes; ++Back) {
        const std::size_t Lead = MaxBytes - Back;
        const unsigned char B = Byte(Lead);
        if ((B & 0xC0) == 0x80) continue;
        const std::size_t Len = B >= 0xF0 ? 4 : B >= 0xE0 ? 3 : B >= 0xC0 ? 2 : 1;
        return Lead + Len > MaxBytes ? Lead : MaxBytes;
    }
    return MaxBytes;
}
}  // namespace detail

// Text of at most MaxBytes bytes: a longer text is cut on entry, never inside a UTF-8
// character. Converts implicitly from and to std::string.
template <std::size_t MaxBytes>
class TShortStr {
public:
    static constexpr std::size_t MaxLength = MaxBytes;

    TShortStr() = default;
    TShortStr(std::string_view S) : FText(S.substr(0, detail::Utf8PrefixLength(S, MaxBytes))) {}
    TShortStr(const std::string& S) : TShortStr(std::string_view(S)) {}
    TShortStr(const char* S) : TShortStr(std::string_view(S ? S : "")) {}

    const std::string& str() const noexcept { return FText; }
    operator const std::string&() const noexcept { return FText; }
    bool empty() const noexcept { return FText.empty(); }
    // Length in bytes.
    std::size_t size() const noexcept { return FText.size(); }

    friend bool operator==(const TShortStr&, const TShortStr&) = default;
    friend bool operator==(const TShortStr& A, const std::string& B) noexcept { return A.FText == B; }
    friend bool operator==(const TShortStr& A, std::string_view B) noexcept { return A.FText == B; }
    friend bool operator==(const TShortStr& A, const char* B) noexcept { return A.FText == std::string_view(B); }
    friend std::ostream& operator<<(std::ostream& Out, const TShortStr& S) { return Out << S.FText; }

private:
    std::string FText;
};

// Nominal value identifier: at most 10 bytes.
using TNominalIDStr = TShortStr<10>;
// Column or row name: at most 50 bytes.
using TDTNameStr = TShortStr<50>;

// ---------------------------------------------------------------- cell states

// State byte of a cell. A cell is valid (a number) when neither csNonNumeric nor csEmpty is
// set. Bits 0x04, 0x08 and 0x10 have no meaning of their own: they are kept, copied and
// tested with a caller's mask like the others.
using TCellState = std::uint8_t;
inline constexpr TCellState csNonNumeric = 0x01;  // not a number (set by hosts, never by the library)
inline constexpr TCellState csEmpty = 0x02;       // no value
inline constexpr TCellState csImputed = 0x20;     // value filled in by the host
inline constexpr TCellState csMark1 = 0x40;       // first mark
inline constexpr TCellState csMark2 = 0x80;       // second mark
inline constexpr TCellState csInvalid = csNonNumeric | csEmpty;  // either makes a cell invalid
inline constexpr TCellState csMarkBits = 0xFC;  // the bits the marked statistics compare

// Whether a cell of state S is valid (a number).
constexpr bool IsValidCellState(TCellState S) noexcept { return (S & csInvalid) == 0; }

// ---------------------------------------------------------------- variable type of a column

// Number of dictionary slots of a column; ordinals are 1..MaxNominalIDs.
inline constexpr std::int32_t MaxNominalIDs = 150;

// Scale and nominal dictionary of one column. Slot k holds the identifier of ordinal k;
// an empty identifier marks a free slot.
struct QMR_API TVTypeSpec {
    TMScaleType MScaleType = TMScaleType::stInterval;

    // Identifier in slot Ord; empty when free or outside 1..MaxNominalIDs.
    const TNominalIDStr& ID(std::int32_t Ord) const noexcept;
    // Stores Value in slot Ord (an empty Value frees it); ignored outside 1..MaxNominalIDs.
    void SetID(std::int32_t Ord, const TNominalIDStr& Value);
    // Frees every slot.
    void ClearIDs() noexcept { FIDs.clear(); }
    // Number of occupied slots.
    std::int32_t CountIDs() const noexcept;
    // Lowest free slot; 0 when all are taken.
    std::int32_t FirstFreeSlot() const noexcept;
    // Highest occupied slot; 0 when none.
    std::int32_t HighestSlot() const noexcept { return static_cast<std::int32_t>(FIDs.size()); }

    friend bool operator==(const TVTypeSpec&, const TVTypeSpec&) = default;

private:
    // Slots 1..HighestSlot(), the last one occupied (storage grows only as far as needed).
    std::vector<TNominalIDStr> FIDs;
};

// ---------------------------------------------------------------- events

// The table's size changed from OldColumns x OldRows to NewColumns x NewRows.
using TDataTableResizeEvent = std::function<void(TObject* Sender, std::int32_t OldColumns, std::int32_t OldRows,
                                                 std::int32_t NewColumns, std::int32_t NewRows)>;

}  // namespace qmr
