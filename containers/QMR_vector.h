// Vectors of double (TVector) and of 32-bit integers (TIntVector), with their
// statistics (QMR_vector_stats.cpp, QMR_intvector.cpp) and files (QMR_vector_files.cpp).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>

namespace qmr {

class TMemoryStream;
class TFileStream;
class TIntVector;
namespace detail {
struct TVectorAccess;
}

// Exception of the vector classes.
class QMR_API EQMRVectorError : public EQMRError { public: using EQMRError::EQMRError; };

// Integration rule of TVector::Integrate.
enum class TIntegMethod : std::uint8_t { imSimple = 0, imTrapezoidal = 1, imSimpson = 2 };

// One-dimensional vector of doubles, elements 1..NrOfElem (always at least one).
// Elements are one contiguous run of doubles.
class QMR_API TVector : public TComponent {
    friend struct detail::TVectorAccess;  // read-only storage view for the library's kernels

public:
    // One element holding 0, IsEmpty true; EQMRVectorError when storage cannot be had.
    explicit TVector(TComponent* AOwner);
    ~TVector() override;
    std::string ClassName() const override;

    // Copies count, IsEmpty, elements and both handlers of a TVector source; no event.
    void Assign(const TPersistent* Source) override;
    // Resizes to the source's count and copies every element through SetElem, then Changed.
    void Clone(const TVector* VecSource);

    // Number of elements; writing a positive different count resizes, others are ignored.
    std::int32_t NrOfElem() const noexcept { return FNElem; }
    void SetNrOfElem(std::int32_t NE);
    // Element Ix (1-based); 0 outside 1..NrOfElem.
    Extended Elem(std::int32_t Ix) const noexcept;
    // Stores element Ix, clears IsEmpty and fires OnChange; ignored outside the range.
    void SetElem(std::int32_t Ix, double Value);
    // Whether the vector has not yet been filled.
    bool IsEmpty() const noexcept { return FIsEmpty; }
    void SetIsEmpty(bool Value) noexcept { FIsEmpty = Value; }
    // Euclidean length; setting it scales every element (nothing for a zero vector).
    Extended Leng() const noexcept;
    void SetLeng(double Value);

    // Sets the count to NE keeping the leading elements: True; NE <= 0: False, no change.
    bool Resize(std::int32_t NE);
    // Normalises an element range: (0, 0) is the whole vector, else clamp and order.
    void MakeValidElemRange(std::int32_t& LowElem, std::int32_t& HighElem) const noexcept;

    // Fires OnChange when assigned.
    void Changed();
    // Fires OnSortExchange with the arguments unchanged when assigned.
    void SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                      std::int32_t Last);

    // 64 hex digits: eight CRC-32 registers over the element bytes.
    std::string CRCofData() const;

    // Every element := Value; IsEmpty false; OnChange once.
    void Fill(double Value);
    // Every element := 0; IsEmpty true; OnChange once.
    void Clear();
    // Every element := its magnitude; OnChange once.
    void AbsVal();
    // Uniform numbers in [RangeLow, RangeHigh) from the platform generator; OnChange once.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    // Gaussian numbers with the given mean and deviation; OnChange once.
    void FillRandomGauss(double Mean, double StdDev);
    // Copies source elements SourceElemLo..SourceElemHi to DestElem.. through SetElem, then Changed.
    void CopyFrom(const TVector* VecSource, std::int32_t SourceElemLo, std::int32_t SourceElemHi,
                  std::int32_t DestElem);
    // DestArray := elements LowElem..HighElem (normalised range), from index 0.
    void CopyToArray(TDoubleArray& DestArray, std::int32_t LowElem, std::int32_t HighElem) const;
    // Writes SrcArray[k] to element Elem + k through SetElem (outside dropped).
    void CopyFromArray(const TDoubleArray& SrcArray, std::int32_t Elem);

    // ---- arithmetic and pairwise measures (containers/QMR_vector_stats.cpp)
    // Add/Subtract: nothing for nil; EQMRVectorError "vectors have different dimensions"
    // (nothing changed) when the counts differ; else element-wise, OnChange once.
    void Add(const TVector* OtherVec);
    void Subtract(const TVector* OtherVec);
    // Every element times Scalar; OnChange once.
    void SMult(double Scalar);
    // Sum of products; 0 for nil; raises as Add when the counts differ.
    Extended DotProduct(const TVector* OtherVec) const;
    // Square root of the summed squared differences; EQMRVectorError
    // "EuclideanDistance: dimensions of vectors do not match" for nil or unequal counts.
    Extended EuclideanDistance(const TVector* OtherVec) const;
    // Pearson's r over all elements; 0 for nil, unequal counts, fewer than two elements
    // or a constant (or all-zero) vector.
    Extended PearsonCorrCoeff(const TVector* OtherVec) const;
    // Sum of self[i] * other[i - ElemShift] over the overlap; 0 for nil or an overlap of
    // fewer than two elements.
    Extended Correlate(const TVector* OtherVec, std::int32_t ElemShift) const;

    // ---- search
    // Index of the range element nearest to Value; the first on ties. A NaN element is
    // never nearer than a number.
    std::int32_t Find(std::int32_t LowElem, std::int32_t HighElem, double Value) const;
    // Binary search of a sorted vector: an equal element's index, else the nearer of the
    // two bracketing elements (the higher index on a tie).
    std::int32_t FindInSortedVector(bool Ascending, double Value) const;
    // True when the vector holds at most two distinct values: v1 is element 1, v2 the
    // first element differing from it (v1 when none); both 0 and False below two elements.
    bool IsDichotomous(double& v1, double& v2) const;
    // Extremes of the range, the first occurrence on ties. The first non-NaN element
    // seeds the search; an all-NaN range leaves 1.7e308, -1.7e308 and indices 0.
    void MinMax(std::int32_t LowElem, std::int32_t HighElem, double& Minimum, double& Maximum) const;
    void MinMax(std::int32_t LowElem, std::int32_t HighElem, double& Minimum, double& Maximum,
                std::int32_t& MinIx, std::int32_t& MaxIx) const;

    // ---- reordering and normalisation
    // Comb sort of RangeFirst..RangeLast ((0, 0) all; clamped, reversed pair exchanged),
    // starting with the gap RangeLast - RangeFirst; OnSortExchange(0, i, j, 0, 0) per
    // exchange, one progress step per pass, OnChange once at the end (none below two
    // elements). NaNs are never exchanged.
    void SortElems(bool Ascending, std::int32_t RangeFirst, std::int32_t RangeLast);
    // Reverses the elements; OnChange once.
    void Mirror();
    // Re-seeds the platform generator (Randomize), then NrOfElem exchanges of two
    // uniformly drawn positions; no event.
    void ShuffleElems();
    // mean, stddev := MeanVar of all elements and its square root; when stddev > 0 the
    // elements become (x - mean) / stddev. No event.
    void Standardize(double& Mean, double& StdDev);
    // Median := Percentile(50); QuantDiff := |Median - Percentile(RefQuant)|; when
    // QuantDiff > 0 the elements become (x - Median) / QuantDiff. No event.
    void QNormalize(double RefQuant, double& Median, double& QuantDiff);
    // Subtracts the mean of all elements from each and returns it. No event.
    Extended MeanCenter();

    // ---- statistics of a range (LowElem, HighElem: (0, 0) all, else clamped and ordered)
    // Sum of the range, summed in double.
    Extended Sum(std::int32_t LowElem, std::int32_t HighElem) const;
    // Mean and sample variance (two-pass); the variance is 1 unless n > 2.
    void MeanVar(std::int32_t LowElem, std::int32_t HighElem, double& Mean, double& Variance) const;
    // exp(mean of ln x); 0 when an element is 0; EQMRVectorError "negative argument
    // passed to GeometricMean" at the first negative element.
    Extended GeometricMean(std::int32_t LowElem, std::int32_t HighElem) const;
    // n / sum(1/x); EQMRVectorError "negative or zero argument passed to HarmonicMean"
    // at the first element <= 0.
    Extended HarmonicMean(std::int32_t LowElem, std::int32_t HighElem) const;
    // Moment skewness and excess kurtosis; 0 and 0 below four elements or for constant data.
    void SkewKurt(std::int32_t LowElem, std::int32_t HighElem, double& Skewness, double& Kurtosis) const;
    // Sample-corrected skewness and excess kurtosis; 0 and 0 below four elements or for
    // constant data.
    void SkewKurtSample(std::int32_t LowElem, std::int32_t HighElem, double& Skewness, double& Kurtosis) const;
    // Value of the first longest run of equal values in ascending order (the smallest
    // value when all differ); the copy is sorted by SortArray (progress steps).
    Extended Mode(std::int32_t LowElem, std::int32_t HighElem) const;
    // Quartiles at the positions (n + 1) p, clamped to 1..n - 1; True. NaNs order last.
    bool Quartiles(std::int32_t LowElem, std::int32_t HighElem, double& Q1, double& Q2, double& Q3) const;
    // Percentile prob (clamped to 0..100, NaN as 0), interpolated at prob (n - 1) / 100
    // in ascending order. NaNs order last.
    Extended Percentile(double Prob, std::int32_t LowElem, std::int32_t HighElem) const;
    // Counts elements FirstElem..LastElem (as given; positions outside the vector count
    // as zeros) into Round(|LastBin - FirstBin| / BinWidth) + 1 bins of Histo from
    // FirstBin on: below FirstBin Underflow, from LastBin + BinWidth on Overflow (NaN
    // too); MaxCnt the largest bin. Counts saturate at 2147483647; a bin beyond Histo's
    // count is dropped. False with nothing changed for more than 500 bins, a width that
    // is not finite and positive, a bin count that is not finite, or a nil Histo.
    bool Histogram(std::int32_t FirstElem, std::int32_t LastElem, double FirstBin, double LastBin, double BinWidth,
                   TIntVector* Histo, std::int32_t& Underflow, std::int32_t& Overflow, std::int32_t& MaxCnt) const;

    // Integral of the elements over the fractional positions BoundLow..BoundHigh (each
    // clamped to 1..NrOfElem, reversed pair exchanged) with unit spacing; 0 for NaN
    // bounds or an unknown method.
    Extended Integrate(double BoundLow, double BoundHigh, TIntegMethod Method) const;

    // ---- files and streams (containers/QMR_vector_files.cpp)
    // Writes the ASC table (comment or banner, counts, flags, strff(x, 12, Precision)
    // a line, CR LF); 0, or -1 when the file cannot be created. EWriteError when a
    // write fails later.
    std::int32_t ExportAsASC(const std::string& FName, std::int32_t Precision, const std::string& Comment) const;
    // Reads a one-column ASC table: 0 success, -8 no file, -7 more than one column, the
    // header reader's code, 251 a row attribute or 250 a value that is not a number
    // (the vector then ends with the failing row). Comment receives line 1.
    std::int32_t ImportASC(const std::string& FName, std::string& Comment);
    // Writes the "first last" line and one value a line; Precision 0..20 fixed point,
    // -1 and -2 exponent text of 13 and 26 characters, below -2 as 2, above 20 as 20.
    // False only when the file cannot be created.
    bool StoreOnFile(std::int32_t FirstElem, std::int32_t LastElem, std::int32_t Precision,
                     const std::string& FileName) const;
    // Reads a text list written by StoreOnFile (AdjustVectorSize: resize to the last
    // index first); True when the vector holds the last index. Words that are not
    // numbers leave their element unchanged. Fires OnChange after a readable first/last
    // line. A resize is refused (False, nothing changed, no event) when the file's bytes
    // cannot hold last - first + 1 values (two bytes each), or when it would add more
    // than those values plus 2^20 elements.
    bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize);
    // With AutoDetect, reads one value per line containing "//dig" (resized to their
    // number when AdjustVectorSize); otherwise the two-argument form.
    bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize, bool AutoDetect);
    // Writes low index, high index and elements low..high (normalised range) as
    // Extended values at the stream's position. The memory form creates the stream
    // when OutStream is nil (the caller owns it); the file form does nothing for nil.
    void SaveToStream(TMemoryStream*& OutStream, std::int32_t LowElem, std::int32_t HighElem) const;
    void SaveToStream(TFileStream* OutStream, std::int32_t LowElem, std::int32_t HighElem) const;
    // Reads what SaveToStream wrote. False with nothing changed and no event for nil, a
    // missing, non-finite or out-of-range index, or (AdjustVectorSize) a count
    // high - low + 1 the remaining bytes cannot hold or a resize adding more than those
    // values plus 2^20 elements. AdjustVectorSize resizes to the high index. False when
    // NrOfElem < high (no value read) or a value is missing; OnChange then fires.
    bool LoadFromStream(TMemoryStream* InStream, bool AdjustVectorSize);
    bool LoadFromStream(TFileStream* InStream, bool AdjustVectorSize);

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;

protected:
    void AssignTo(TPersistent* Dest) const override;

    // Contiguous elements; element i (1-based) is FVec[i - 1]; size equals FNElem.
    TDoubleArray FVec;
    std::int32_t FNElem = 1;
    bool FIsEmpty = true;
};

// One-dimensional vector of 32-bit signed integers, elements 1..NrOfElem (always at
// least one): the integer twin of TVector. Integer sums, products and differences wrap
// at 32 bits; real-valued results are formed without 32-bit overflow.
class QMR_API TIntVector : public TComponent {
    friend struct detail::TVectorAccess;

public:
    // One element holding 0, IsEmpty true; EQMRVectorError when storage cannot be had.
    explicit TIntVector(TComponent* AOwner);
    ~TIntVector() override;
    std::string ClassName() const override;

    // Copies count, IsEmpty, elements and both handlers of a TIntVector source; no event.
    void Assign(const TPersistent* Source) override;
    // Resizes to the source's count and copies every element through SetElem, then Changed.
    void Clone(const TIntVector* VecSource);

    // Number of elements; writing a positive different count resizes, others are ignored.
    std::int32_t NrOfElem() const noexcept { return FNElem; }
    void SetNrOfElem(std::int32_t NE);
    // Element Ix (1-based); 0 outside 1..NrOfElem.
    std::int32_t Elem(std::int32_t Ix) const noexcept;
    // Stores element Ix, clears IsEmpty and fires OnChange; ignored outside the range.
    void SetElem(std::int32_t Ix, std::int32_t Value);
    bool IsEmpty() const noexcept { return FIsEmpty; }
    void SetIsEmpty(bool Value) noexcept { FIsEmpty = Value; }
    // Euclidean length (squares formed in 64 bits, summed in double); read only.
    Extended Leng() const noexcept;

    // Sets the count to NE keeping the leading elements: True; NE <= 0: False, no change.
    bool Resize(std::int32_t NE);
    // Normalises an element range: (0, 0) is the whole vector, else clamp and order.
    void MakeValidElemRange(std::int32_t& LowElem, std::int32_t& HighElem) const noexcept;
    void Changed();
    void SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                      std::int32_t Last);
    // 32 hex digits: four CRC-32 registers over the element bytes.
    std::string CRCofData() const;

    // Every element := Value; IsEmpty false; OnChange once.
    void Fill(std::int32_t Value);
    // Every element := 0; IsEmpty true; OnChange once.
    void Clear();
    // Every element := its magnitude (-2147483648 stays); OnChange once.
    void AbsVal();
    void CopyFrom(const TIntVector* VecSource, std::int32_t SourceElemLo, std::int32_t SourceElemHi,
                  std::int32_t DestElem);
    void CopyToArray(TIntArray& DestArray, std::int32_t LowElem, std::int32_t HighElem) const;
    void CopyFromArray(const TIntArray& SrcArray, std::int32_t Elem);

    // ---- arithmetic and pairwise measures (as TVector; integer results wrap)
    void Add(const TIntVector* OtherVec);
    void Subtract(const TIntVector* OtherVec);
    void SMult(std::int32_t Scalar);
    // Wrapping sum of products; 0 for nil; raises as Add when the counts differ.
    std::int32_t DotProduct(const TIntVector* OtherVec) const;
    Extended EuclideanDistance(const TIntVector* OtherVec) const;
    Extended PearsonCorrCoeff(const TIntVector* OtherVec) const;
    // Wrapping sum of self[i] * other[i + ElemShift] over i = 1..NrOfElem, positions
    // outside OtherVec reading 0 (note the sign: TVector pairs other[i - ElemShift]).
    std::int32_t Correlate(const TIntVector* OtherVec, std::int32_t ElemShift) const;

    // ---- search
    std::int32_t Find(std::int32_t LowElem, std::int32_t HighElem, std::int32_t Value) const;
    // First index of the range whose element equals Value; 0 when none does.
    std::int32_t FindExact(std::int32_t LowElem, std::int32_t HighElem, std::int32_t Value) const;
    std::int32_t FindInSortedVector(bool Ascending, std::int32_t Value) const;
    bool IsDichotomous(std::int32_t& v1, std::int32_t& v2) const;
    // Extremes of the range from the start values 2147483647 and -2147483647 (indices
    // 0), so a Maximum of -2147483648 is never reported; first occurrence on ties.
    void MinMax(std::int32_t LowElem, std::int32_t HighElem, std::int32_t& Minimum, std::int32_t& Maximum) const;
    void MinMax(std::int32_t LowElem, std::int32_t HighElem, std::int32_t& Minimum, std::int32_t& Maximum,
                std::int32_t& MinIx, std::int32_t& MaxIx) const;

    // ---- reordering
    void SortElems(bool Ascending, std::int32_t RangeFirst, std::int32_t RangeLast);
    void Mirror();
    void ShuffleElems();

    // ---- statistics of a range
    // Wrapping sum of the range.
    std::int32_t Sum(std::int32_t LowElem, std::int32_t HighElem) const;
    void MeanVar(std::int32_t LowElem, std::int32_t HighElem, double& Mean, double& Variance) const;
    Extended GeometricMean(std::int32_t LowElem, std::int32_t HighElem) const;
    Extended HarmonicMean(std::int32_t LowElem, std::int32_t HighElem) const;
    void SkewKurt(std::int32_t LowElem, std::int32_t HighElem, double& Skewness, double& Kurtosis) const;
    void SkewKurtSample(std::int32_t LowElem, std::int32_t HighElem, double& Skewness, double& Kurtosis) const;
    std::int32_t Mode(std::int32_t LowElem, std::int32_t HighElem) const;
    bool Quartiles(std::int32_t LowElem, std::int32_t HighElem, double& Q1, double& Q2, double& Q3) const;
    Extended Percentile(double Prob, std::int32_t LowElem, std::int32_t HighElem) const;
    // As TVector::Histogram with integer bins: a BinWidth <= 0 is taken as 1, the bin
    // count is |LastBin - FirstBin| div BinWidth + 1 and outside 1..500 raises
    // EQMRVectorError 'Component "<Name>.Histogram": invalid number of bins'. A nil
    // Histo gives False with nothing changed; Histo may be this vector.
    bool Histogram(std::int32_t FirstElem, std::int32_t LastElem, std::int32_t FirstBin, std::int32_t LastBin,
                   std::int32_t BinWidth, TIntVector* Histo, std::int32_t& Underflow, std::int32_t& Overflow,
                   std::int32_t& MaxCnt) const;

    // ---- files and streams (as TVector; values are decimal integers or 32-bit items,
    // read values rounded half to even, a value beyond the 32-bit range not a number)
    std::int32_t ExportAsASC(const std::string& FName, const std::string& Comment) const;
    std::int32_t ImportASC(const std::string& FName, std::string& Comment);
    // The pair is ordered and clamped to 1..NrOfElem without the (0, 0) rule: (0, 0)
    // writes only the line "1 0".
    bool StoreOnFile(std::int32_t FirstElem, std::int32_t LastElem, const std::string& FileName) const;
    bool LoadFromFile(const std::string& FileName, bool AdjustVectorSize);
    void SaveToStream(TMemoryStream*& OutStream, std::int32_t LowElem, std::int32_t HighElem) const;
    void SaveToStream(TFileStream* OutStream, std::int32_t LowElem, std::int32_t HighElem) const;
    bool LoadFromStream(TMemoryStream* InStream, bool AdjustVectorSize);
    bool LoadFromStream(TFileStream* InStream, bool AdjustVectorSize);

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;

protected:
    void AssignTo(TPersistent* Dest) const override;

    // Contiguous elements; element i (1-based) is FVec[i - 1]; size equals FNElem.
    TIntArray FVec;
    std::int32_t FNElem = 1;
    bool FIsEmpty = true;
};

}  // namespace qmr
