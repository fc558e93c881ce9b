// Random leave-N-out cross-validation of a model the host builds and applies.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qmr {

class TMatrix;
class TVector;

// Build a model on the training rows ObjectList (numbers from 1, ascending) and set
// Success when it was built. PercentDone is the share of rows predicted so far.
using TOnModelCreateRequestEvent = std::function<void(TObject* Sender, std::int32_t PercentDone,
                                                      const TIntArray& ObjectList, bool& Success)>;
// Predict one held-out row: Predictors is its XMat row (slot j - 1 = column j); write the
// prediction of every YMat column into Response, which arrives zeroed and sized to YMat's
// columns (slots the host removes read 0).
using TOnModelApplyRequestEvent = std::function<void(TObject* Sender, std::int32_t PercentDone,
                                                     const TDoubleArray& Predictors, TDoubleArray& Response)>;

// Splits the rows of XMat and YMat into random folds of SizeTestSet rows, asks the host
// for a model of the other rows and predicts each fold's rows with it, so every row is
// predicted exactly once by a model that did not see it. Per response column it sums the
// squared prediction errors (PRESS) and a two-class confusion matrix: a response of
// exactly 1 is positive, any other negative, and a prediction within 0.5 (strictly) is a
// hit. Folds are drawn from the platform generator, which Execute does not seed.
class QMR_API TCrossValidator : public TComponent {
public:
    // SizeTestSet 2; XMat and YMat are 1 x 1 matrices of its own, the results one column of 0.
    explicit TCrossValidator(TComponent* AOwner);
    // Frees the two matrices the validator created, never the caller's.
    ~TCrossValidator() override;
    std::string ClassName() const override;

    // Runs the cross-validation: True when it ran to the end; False after an abort
    // (OnCheckAbort, or as many failed model requests in a row as there are rows), which
    // sets every result to -1. Raises EQMRStatisError, changing nothing, when a matrix is
    // nil, the row counts differ, an event is missing or the matrices have no rows. Lowers
    // SizeTestSet to NRow div 2 + 1 for good. A handler's exception passes through and
    // leaves every result at -1.
    bool Execute();
    bool IsExecuting() const noexcept { return FIsRunning; }

    // Rows per fold. A write stores max(Value, 1) and sets every result to -1.
    std::int32_t SizeTestSet() const noexcept { return FTestSize; }
    void SetSizeTestSet(std::int32_t Value);

    // Results per response column Ix (from 1): sqrt(PRESS / rows of XMat) (-1 when XMat is
    // nil or has no rows); TP / (TP + FN), 0 when that is 0/0; FP / (FP + TN), 1 when that
    // is 0/0. Outside the columns they read 0, 0 and 1; after an abort or a SizeTestSet
    // write, -1.
    double RMSEP(std::int32_t Ix) const;
    double TPRate(std::int32_t Ix) const;
    double FPRate(std::int32_t Ix) const;

    // Predictors and responses, one object per row. The setters borrow the caller's matrix
    // (never freed here; when it is destroyed first the property reads nullptr); nullptr
    // is allowed and makes Execute raise.
    TMatrix* XMat() const noexcept { return FXMat; }
    void SetXMat(TMatrix* Value) { Borrow(FXMat, Value); }
    TMatrix* YMat() const noexcept { return FYMat; }
    void SetYMat(TMatrix* Value) { Borrow(FYMat, Value); }

    TOnModelApplyRequestEvent OnModelApplyRequest;
    TOnModelCreateRequestEvent OnModelCreateRequest;
    TOnCheckAbortEvent OnCheckAbort;

private:
    std::int32_t FTestSize = 2;
    std::unique_ptr<TVector> FPress;
    bool FIsRunning = false;
    std::unique_ptr<TVector> FTPCnt;
    std::unique_ptr<TVector> FFPCnt;
    std::unique_ptr<TVector> FTNCnt;
    std::unique_ptr<TVector> FFNCnt;
    std::unique_ptr<TMatrix> FOwnXMat;  // created here; FXMat may point elsewhere
    std::unique_ptr<TMatrix> FOwnYMat;
    TMatrix* FXMat = nullptr;
    TMatrix* FYMat = nullptr;

    void FillResults(double Value);
    void Borrow(TMatrix*& Field, TMatrix* Value);

protected:
    void Notification(TComponent* AComponent) override;
};

}  // namespace qmr
