// Ordering tools: exchange, comb sort, top-N lists, quick-select, histogram bins.
#include "foundations/QMR_math1_sort.h"

#include "foundations/detail/combsort.h"

#include <cmath>
#include <cstring>
#include <type_traits>

namespace qmr {

// ---------------------------------------------------------------- exchange

void ExChange(void* A, void* B, std::uint16_t Count) noexcept {
    auto* P = static_cast<unsigned char*>(A);
    auto* Q = static_cast<unsigned char*>(B);
    for (std::uint16_t I = 0; I < Count; ++I) {
        unsigned char T = P[I];
        P[I] = Q[I];
        Q[I] = T;
    }
}

// ---------------------------------------------------------------- comb sort

void SortArray(std::span<double> Data, bool Ascending) {
    detail::CombSortValues(Data.data(), static_cast<std::int64_t>(Data.size()), Ascending);
}

void SortArray(std::span<std::int32_t> Data, bool Ascending) {
    detail::CombSortValues(Data.data(), static_cast<std::int64_t>(Data.size()), Ascending);
}

void SortArray(std::span<float> Data, bool Ascending) {
    detail::CombSortValues(Data.data(), static_cast<std::int64_t>(Data.size()), Ascending);
}

namespace {

// Calls F with a typed pointer for the element kinds 0..4; false for any other kind.
template <class Fn> bool WithKind(void* Data, TVarKind Kind, Fn&& F) {
    switch (Kind) {
        case TVarKind::vkDouble:
        case TVarKind::vkReal: F(static_cast<double*>(Data)); return true;
        case TVarKind::vkSingle: F(static_cast<float*>(Data)); return true;
        case TVarKind::vkInteger:
        case TVarKind::vkLongint: F(static_cast<std::int32_t*>(Data)); return true;
    }
    return false;
}

}  // namespace

void SortArray(void* Data, std::int32_t N, TVarKind Kind, bool Ascending) {
    if (Data == nullptr || N <= 1) return;
    WithKind(Data, Kind, [&](auto* P) { detail::CombSortValues(P, N, Ascending); });
}

// ---------------------------------------------------------------- top-N lists

namespace {

template <class T> std::int64_t SortInto(T* Data, std::int64_t N, T Value, bool Ascending, bool AllowDuplicates) {
    if (N <= 0) return -1;
    const std::int64_t High = N - 1;
    std::int64_t I = 0;
    if (Ascending) {
        while (I < High && !(Data[I] >= Value)) ++I;
        if (!(Data[I] >= Value)) return -1;
    } else {
        while (I < High && !(Data[I] <= Value)) ++I;
        if (!(Data[I] <= Value)) return -1;
    }
    if (!AllowDuplicates && Data[I] == Value) return -1;
    for (std::int64_t J = High; J > I; --J) Data[J] = Data[J - 1];
    Data[I] = Value;
    return I;
}

template <class T> void InsertInto(T* Data, std::int64_t N, T Value, std::int64_t Index) {
    if (Index < 0 || Index >= N) return;
    for (std::int64_t J = N - 1; J > Index; --J) Data[J] = Data[J - 1];
    Data[Index] = Value;
}

}  // namespace

std::int32_t SortIntoArray(std::span<double> Data, double Value, bool Ascending, bool AllowDuplicates) {
    return static_cast<std::int32_t>(
        SortInto(Data.data(), static_cast<std::int64_t>(Data.size()), Value, Ascending, AllowDuplicates));
}

std::int32_t SortIntoArray(std::span<float> Data, float Value, bool Ascending, bool AllowDuplicates) {
    return static_cast<std::int32_t>(
        SortInto(Data.data(), static_cast<std::int64_t>(Data.size()), Value, Ascending, AllowDuplicates));
}

std::int32_t SortIntoArray(std::span<std::int32_t> Data, std::int32_t Value, bool Ascending, bool AllowDuplicates) {
    return static_cast<std::int32_t>(
        SortInto(Data.data(), static_cast<std::int64_t>(Data.size()), Value, Ascending, AllowDuplicates));
}

std::int32_t SortIntoArray(void* Data, std::int32_t N, TVarKind Kind, const void* Value, bool Ascending,
                           bool AllowDuplicates) {
    if (Data == nullptr || Value == nullptr || N < 1) return 0;
    std::int64_t Ix = -1;
    WithKind(Data, Kind, [&](auto* P) {
        using T = std::remove_pointer_t<decltype(P)>;
        T V;
        std::memcpy(&V, Value, sizeof V);
        Ix = SortInto(P, N, V, Ascending, AllowDuplicates);
    });
    return static_cast<std::int32_t>(Ix + 1);
}

void InsertIntoArray(std::span<std::int32_t> Data, std::int32_t Value, std::int32_t Index) {
    InsertInto(Data.data(), static_cast<std::int64_t>(Data.size()), Value, Index);
}

void InsertIntoArray(std::span<double> Data, double Value, std::int32_t Index) {
    InsertInto(Data.data(), static_cast<std::int64_t>(Data.size()), Value, Index);
}

void InsertIntoArray(std::span<float> Data, float Value, std::int32_t Index) {
    InsertInto(Data.data(), static_cast<std::int64_t>(Data.size()), Value, Index);
}

void InsertIntoArray(void* Data, std::int32_t N, TVarKind Kind, const void* Value, std::int32_t Index) {
    if (Data == nullptr || Value == nullptr || N < 1 || Index < 1 || Index > N) return;
    WithKind(Data, Kind, [&](auto* P) {
        using T = std::remove_pointer_t<decltype(P)>;
        T V;
        std::memcpy(&V, Value, sizeof V);
        InsertInto(P, N, V, std::int64_t{Index} - 1);
    });
}

// ---------------------------------------------------------------- selection and bins

double QuickSelect(std::span<double> Data, std::int32_t K, std::int32_t Lo, std::int32_t Hi) {
    if (Hi < Lo || K < Lo || K > Hi || Lo < 0 || static_cast<std::size_t>(Hi) >= Data.size()) return 0.0;
    double* A = Data.data();
    // All values equal: nothing to order.
    {
        const double First = A[Lo];
        std::int32_t I = Lo + 1;
        while (I <= Hi && A[I] == First) ++I;
        if (I > Hi) return First;
    }
    for (;;) {
        // Lomuto partition around the middle element.
        const std::int32_t Mid = Lo + (Hi - Lo) / 2;
        ExChange(A[Mid], A[Lo]);
        const double Pivot = A[Lo];
        std::int32_t Boundary = Lo + 1;
        for (std::int32_t I = Lo + 1; I <= Hi; ++I) {
            if (A[I] < Pivot) {
                ExChange(A[I], A[Boundary]);
                ++Boundary;
            }
        }
        const std::int32_t P = Boundary - 1;
        ExChange(A[Lo], A[P]);
        if (P > K) Hi = P;
        else if (P < K) Lo = P + 1;
        else return A[K];
    }
}

double HistoBinRef(double X, double Origin, double Width, double& Offset) {
    if (Width == 0.0 || !std::isfinite(Width)) {
        Offset = 0.0;
        return X;
    }
    double Ref = Origin + Width * std::floor((X - Origin) / Width);
    Offset = X - Ref;
    return Ref;
}

bool SortSwap(double& A, double& B, bool Ascending) {
    bool Ex = Ascending ? !(B > A) : (B > A);
    if (Ex) ExChange(A, B);
    return Ex;
}

}  // namespace qmr
