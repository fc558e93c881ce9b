// Random numbers that follow a density tabulated over an interval.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

// The density is Resolution bin values in [0, 1] over [LowBorder, HighBorder]; bin i
// (1..Resolution) starts at LowBorder + (i - 1) (HighBorder - LowBorder) / Resolution.
// Random draws by acceptance-rejection over the bins, interpolating inside a bin, with the
// platform generator (so RandSeed fixes the sequence). Nothing checks LowBorder < HighBorder.
class QMR_API TRandGen : public TComponent {
public:
    // Borders 0 and 0, 500 bins of 1.0; EQMRStatisError "not enough memory on heap" when
    // the bins cannot be allocated.
    explicit TRandGen(TComponent* AOwner);
    std::string ClassName() const override;

    double LowBorder() const noexcept { return FLowBorder; }
    void SetLowBorder(double Value) noexcept { FLowBorder = Value; }
    double HighBorder() const noexcept { return FHighBorder; }
    void SetHighBorder(double Value) noexcept { FHighBorder = Value; }
    // Number of bins; a write clamps to 10..4000 and resets every bin to 1.0
    // (EQMRStatisError "not enough memory", bins unchanged, when they cannot be allocated).
    std::int32_t Resolution() const noexcept { return FResolution; }
    void SetResolution(std::int32_t Value);

    // Bin value; 0 outside 1..Resolution. A write clamps to [0, 1] (NaN stores 0) and is
    // ignored outside.
    double Probability(std::int32_t Idx) const noexcept;
    void SetProbability(std::int32_t Idx, double Value) noexcept;
    // Start of bin ix; LowBorder for ix <= 0, HighBorder for ix > Resolution.
    double Lambda(std::int32_t ix) const noexcept;
    // Bin of a value: 0 below LowBorder (and for NaN), Resolution + 1 above HighBorder
    // (HighBorder itself included); 1 when the borders are equal and Lambda equals them.
    std::int32_t IndexOfLambda(double Lambda) const noexcept;

    // One number of the tabulated density: at most 100000 tries, then the last try's value.
    double Random();

    // Bins mapped linearly onto [0, 1]; nothing happens when all are equal.
    void Normalize() noexcept;
    // Every bin divided by the largest; false (bins unchanged) when that is 0.
    bool Standardize() noexcept;

    // Shape fillers: each bin takes the density at its start, unclamped (values above 1
    // are accepted at once by the draw); a value that is not a number stores 0.
    // exp(-(Lambda - m)^2 / (2 s^2)); s = 0 gives 1 at Lambda = m and 0 elsewhere.
    void NormalDistri(double m, double s);
    void WeibullDistri(double beta, double eta);  // shape beta, scale eta
    void UniformDistri() noexcept;                          // every bin 1.0
    void tDistri(std::int32_t df);                          // Student t
    void Chi2Distri(std::int32_t df);              // 0 below 0
    void FDistri(std::int32_t df1, std::int32_t df2);  // 0 at and below 0

private:
    template <class F> void Fill(F Density);

    double FLowBorder = 0;
    double FHighBorder = 0;
    std::int32_t FResolution = 500;
    std::vector<double> FDistVec;  // the bins, FDistVec[i - 1] is bin i
};

}  // namespace qmr
