// Vectors of double (TVector) and of 32-bit integers (TIntVector).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>

namespace qmr {

// Exception of the vector classes.
class QMR_API EQMRVectorError : public EQMRError { public: using EQMRError::EQMRError; };

// One-dimensional vector of doubles, elements 1..NrOfElem (always at least one).
// Elements are one contiguous run of doubles.
class QMR_API TVector : public TComponent {
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

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;

protected:
    void AssignTo(TPersistent* Dest) const override;

    // Contiguous elements; element i (1-based) is FVec[i - 1]; size equals FNElem.
    TDoubleArray FVec;
    std::int32_t FNElem = 1;
    bool FIsEmpty = true;
};

}  // namespace qmr
