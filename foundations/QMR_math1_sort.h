// Ordering tools: exchange, comb sort, top-N lists, quick-select, histogram bins.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace qmr {

// ---------------------------------------------------------------- exchange

// Exchanges the values of A and B (integers, bytes, reals of every width, strings,
// Booleans, wide characters, ...).
template <class T> void ExChange(T& A, T& B) {
    T Tmp = std::move(A);
    A = std::move(B);
    B = std::move(Tmp);
}
// Exchanges two elements of a Boolean array.
inline void ExChange(std::vector<bool>::reference A, std::vector<bool>::reference B) {
    bool Tmp = A;
    A = static_cast<bool>(B);
    B = Tmp;
}
// Exchanges the Count bytes at A with the Count bytes at B, byte by byte.
QMR_API void ExChange(void* A, void* B, std::uint16_t Count) noexcept;

// ---------------------------------------------------------------- comb sort
// Comb sort in place; every pass adds one progress step (ProcStat, MathFeedBackProc).

QMR_API void SortArray(std::span<double> Data, bool Ascending);
QMR_API void SortArray(std::span<std::int32_t> Data, bool Ascending);
QMR_API void SortArray(std::span<float> Data, bool Ascending);
// Untyped form: N elements of kind Kind at Data; a kind above 4 leaves the data unchanged.
QMR_API void SortArray(void* Data, std::int32_t N, TVarKind Kind, bool Ascending);

// ---------------------------------------------------------------- top-N lists

// Puts Value into the sorted list Data at its place, the last element dropping out.
// Returns the 0-based index of Value, or -1 when it was not inserted (beyond the last
// element, an equal element present while duplicates are refused, or an empty list).
QMR_API std::int32_t SortIntoArray(std::span<double> Data, double Value, bool Ascending, bool AllowDuplicates);
QMR_API std::int32_t SortIntoArray(std::span<float> Data, float Value, bool Ascending, bool AllowDuplicates);
QMR_API std::int32_t SortIntoArray(std::span<std::int32_t> Data, std::int32_t Value, bool Ascending,
                                   bool AllowDuplicates);
// Untyped form: the value of kind Kind at Value; returns the 1-based position, 0 when
// not inserted (also for N < 1 or a kind above 4).
QMR_API std::int32_t SortIntoArray(void* Data, std::int32_t N, TVarKind Kind, const void* Value, bool Ascending,
                                   bool AllowDuplicates);

// Inserts Value at the 0-based Index, moving the later elements one place up (the last
// drops out); nothing when Index is outside the array.
QMR_API void InsertIntoArray(std::span<std::int32_t> Data, std::int32_t Value, std::int32_t Index);
QMR_API void InsertIntoArray(std::span<double> Data, double Value, std::int32_t Index);
QMR_API void InsertIntoArray(std::span<float> Data, float Value, std::int32_t Index);
// Untyped form: Index counts from 1 to N; nothing outside that range or for a kind above 4.
QMR_API void InsertIntoArray(void* Data, std::int32_t N, TVarKind Kind, const void* Value, std::int32_t Index);

// ---------------------------------------------------------------- selection and bins

// The K-th smallest value of Data[Lo..Hi] (all 0-based, Lo..Hi inclusive); reorders that
// range. 0 when Hi < Lo, when K is outside Lo..Hi or when the range leaves the array.
QMR_API double QuickSelect(std::span<double> Data, std::int32_t K, std::int32_t Lo, std::int32_t Hi);

// Reference point Origin + Width * Floor((X - Origin) / Width) of X's histogram bin;
// Offset := X - reference. A zero or non-finite Width gives X with Offset 0.
QMR_API double HistoBinRef(double X, double Origin, double Width, double& Offset);

// Puts A and B in order: ascending exchanges them unless B > A (equal values are
// exchanged too), descending exchanges them when B > A. True when it exchanged.
QMR_API bool SortSwap(double& A, double& B, bool Ascending);

}  // namespace qmr
