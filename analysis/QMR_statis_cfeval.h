// Two-class classifier evaluation: confusion matrix, scores, ROC curve, AUC and the
// thresholds that maximise the Matthews correlation, the accuracy and the informedness.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>

namespace qmr {

class TMatrix;

namespace detail {
// The four cells of a two-class confusion matrix.
struct TConfusionCounts {
    std::int64_t tp = 0, fp = 0, tn = 0, fn = 0;
};
}  // namespace detail

// Holds a two-valued truth vector and a parallel vector of continuous estimates (object i
// is slot i of both, from 1). Nothing raises: every failure is a negative result code, and
// a refused call changes nothing.
//
// A truth is positive when above the midpoint of its two values (at or above it for the
// class sizes of OptimizeThresholds); an estimate e is predicted positive at threshold t
// when e - t >= 0. NaN estimates rank below every number: they sort last and are never
// predicted positive.
//
// Counting sorts both vectors by descending estimate (each truth moves with its
// estimate), so once counted, TrueData(i) and EstimData(i) read the pairs in that order.
// The sorted state doubles as "the counts are current": EstimData writes and the copies
// clear it, TrueData and NData writes keep it.
class QMR_API TCFEvaluator : public TComponent {
public:
    // One object of truth 0 and estimate 0; not sorted, not dichotomous, counts 0.
    explicit TCFEvaluator(TComponent* AOwner);
    ~TCFEvaluator() override;
    std::string ClassName() const override;

    // Truth of object Ix; 0 outside 1..length. A write outside is ignored; a write rescans
    // the whole truth vector for its dichotomy (O(n) each: fill bulk data through
    // CopyTrueFromMatrix).
    double TrueData(std::int32_t Ix) const noexcept;
    void SetTrueData(std::int32_t Ix, double Value);
    // Estimate of object Ix; 0 outside. A write outside is ignored; a write clears the
    // sorted state.
    double EstimData(std::int32_t Ix) const noexcept;
    void SetEstimData(std::int32_t Ix, double Value);
    // Number of objects, -1 while the two lengths differ. A write <= 0 is ignored, others
    // size both vectors (values kept, new slots 0) and change neither state.
    std::int32_t NData() const noexcept;
    void SetNData(std::int32_t Value);
    // The two truth values (smaller first) found at the last change of the truth vector.
    double DichoV1() const noexcept { return FDichoV1; }
    double DichoV2() const noexcept { return FDichoV2; }
    // Threshold of the last confusion matrix.
    double Threshold() const noexcept { return FCFThresh; }

    // Truths := column Col of SrcMat; clears the sorted state, recomputes the dichotomy.
    // 0; -2 the column is not dichotomous (copied all the same); -1 SrcMat nullptr or Col
    // outside 1..NrOfColumns (nothing changes).
    std::int32_t CopyTrueFromMatrix(std::int32_t Col, const TMatrix* SrcMat);
    // Estimates := column Col of SrcMat; clears the sorted state. 0; -1 as above.
    std::int32_t CopyEstFromMatrix(std::int32_t Col, const TMatrix* SrcMat);
    // Whether the current truth vector holds exactly two finite values, and those values
    // (smaller first); stores nothing. A NaN or an infinity is never dichotomous.
    bool GetActualDichoValues(double& V1, double& V2) const;

    // Counts the confusion matrix at CFThresh (sorting first when needed); Threshold :=
    // CFThresh. 0; -1 the lengths differ; -2 not dichotomous (wins).
    std::int32_t CalcConfusionMatrix(double CFThresh);
    // The last counts (their low 32 bits) and Threshold. 0; -1 not sorted; -2 not
    // dichotomous (wins).
    std::int32_t GetConfMatValues(std::int32_t& tp, std::int32_t& fp, std::int32_t& tn, std::int32_t& fn,
                                  double& Thresh) const;
    // ROC curve, its best point, its area and the three optimal thresholds. ROCCoords gets
    // 3 columns (false-positive rate, true-positive rate, estimate) with one row per run of
    // equal estimates plus a repeated final (1, 1) row; BestROC is the 0-based row farthest
    // from the diagonal (first of equals). The thresholds come from a sweep in steps of 1%
    // of the estimate range, from 5 steps below to 5 above; each is the mean of the last
    // plateau of its best score, and keeps the caller's value when no threshold is tried
    // (all estimates equal or NaN). Afterwards the counts and Threshold are those of the
    // last threshold tried. 0; -1 not dichotomous; -3 the lengths differ (wins); -2 a class
    // is empty. Every failure leaves the outputs untouched.
    std::int32_t OptimizeThresholds(TDouble2DArray& ROCCoords, std::int32_t& BestROC, double& AUC,
                                    double& ThreshMMC, double& ThreshAccuracy, double& ThreshInformedness);

    // Scores of the last counts; a ratio with denominator 0 is 0. Unless noted, -1 when
    // not sorted and -2 when not dichotomous (wins).
    double TpRate() const;       // tp / (tp + fn)
    double FnRate() const;       // fn / (tp + fn)
    double TnRate() const;       // tn / (tn + fp)
    double FpRate() const;       // fp / (tn + fp)
    double Precision() const;    // tp / (tp + fp)
    double NegPredVal() const;   // tn / (tn + fn)
    double ThreatScore() const;  // tp / (tp + fn + fp)
    double F1Score() const;      // 2 tp / (2 tp + fn + fp)
    double Accuracy() const;     // (tp + tn) / n
    // TpRate + TnRate - 1; -2 not sorted, -3 not dichotomous (wins).
    double Informedness() const;
    // (tp tn - fp fn) / sqrt of the four margin products, 0 when that is 0; -3 not
    // sorted, -2 not dichotomous (wins).
    double MatthewsCorr() const;
    // 2 (Hp + Ht - Hj) / (Hp + Ht + 1e-15) from the natural-log entropies of the
    // predicted classes, the true classes and the four cells; 0 with all counts 0.
    double UncertCoeff() const;

private:
    TDoubleArray FTrueVec;
    TDoubleArray FEstVec;
    bool FIsSorted = false;  // the state callers see: counts current, sorted
    bool FInOrder = false;   // the vectors really are in the sort's order
    detail::TConfusionCounts FCounts;  // 64-bit: GetConfMatValues hands out the low 32 bits
    double FCFThresh = 0;
    bool FIsDicho = false;
    double FDichoV1 = 0;
    double FDichoV2 = 0;

    void UpdateDicho();
    double Midpoint() const noexcept;
    void SortEstimated();
    // Fn of the counts, or the score's code for the unsorted or not dichotomous state.
    double Score(std::int32_t Unsorted, std::int32_t NotDicho,
                 double (*Fn)(const detail::TConfusionCounts&) noexcept) const noexcept;
};

}  // namespace qmr
