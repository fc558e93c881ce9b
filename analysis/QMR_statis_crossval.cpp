// TCrossValidator: random folds, host model requests, PRESS and confusion counts.
#include "analysis/QMR_statis_crossval.h"

#include "analysis/QMR_statis.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "platform/Qmr_dstruct.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qmr {

TCrossValidator::TCrossValidator(TComponent* AOwner)
    : TComponent(AOwner),
      FPress(std::make_unique<TVector>(nullptr)),
      FTPCnt(std::make_unique<TVector>(nullptr)),
      FFPCnt(std::make_unique<TVector>(nullptr)),
      FTNCnt(std::make_unique<TVector>(nullptr)),
      FFNCnt(std::make_unique<TVector>(nullptr)),
      FOwnXMat(std::make_unique<TMatrix>(nullptr)),
      FOwnYMat(std::make_unique<TMatrix>(nullptr)),
      FXMat(FOwnXMat.get()),
      FYMat(FOwnYMat.get()) {}

TCrossValidator::~TCrossValidator() = default;

std::string TCrossValidator::ClassName() const { return "TCrossValidator"; }

void TCrossValidator::Borrow(TMatrix*& Field, TMatrix* Value) {
    TMatrix* const Old = Field;
    if (Value != nullptr && Value != FOwnXMat.get() && Value != FOwnYMat.get()) FreeNotification(Value);
    Field = Value;
    if (Old != nullptr && Old != FXMat && Old != FYMat) RemoveFreeNotification(Old);
}

void TCrossValidator::Notification(TComponent* AComponent) {
    if (AComponent == FXMat) FXMat = nullptr;
    if (AComponent == FYMat) FYMat = nullptr;
}

void TCrossValidator::FillResults(double Value) {
    for (TVector* V : {FPress.get(), FTPCnt.get(), FFPCnt.get(), FTNCnt.get(), FFNCnt.get()}) V->Fill(Value);
}

void TCrossValidator::SetSizeTestSet(std::int32_t Value) {
    FTestSize = std::max(Value, 1);
    FillResults(-1);
}

double TCrossValidator::RMSEP(std::int32_t Ix) const {
    if (FXMat == nullptr || FXMat->NrOfRows() <= 0) return -1;
    const auto Press = static_cast<double>(FPress->Elem(Ix));
    if (Press < 0) return -1;
    return std::sqrt(Press / FXMat->NrOfRows());
}

double TCrossValidator::TPRate(std::int32_t Ix) const {
    const auto TP = static_cast<double>(FTPCnt->Elem(Ix)), FN = static_cast<double>(FFNCnt->Elem(Ix));
    if (TP < 0 || FN < 0) return -1;
    return TP + FN == 0 ? 0.0 : TP / (TP + FN);
}

double TCrossValidator::FPRate(std::int32_t Ix) const {
    const auto FP = static_cast<double>(FFPCnt->Elem(Ix)), TN = static_cast<double>(FTNCnt->Elem(Ix));
    if (FP < 0 || TN < 0) return -1;
    return FP + TN == 0 ? 1.0 : FP / (FP + TN);
}

bool TCrossValidator::Execute() {
    if (FXMat == nullptr || FYMat == nullptr)
        throw EQMRStatisError("TCrossValidator.Execute: data matrix not assigned");
    if (FXMat->NrOfRows() != FYMat->NrOfRows())
        throw EQMRStatisError("TCrossValidator.Execute: number of rows of XMat and YMat not equal");
    if (!OnModelApplyRequest) throw EQMRStatisError("TCrossValidator: OnModelApplyRequest event is not assigned");
    if (!OnModelCreateRequest) throw EQMRStatisError("TCrossValidator: OnModelCreateRequest event is not assigned");
    if (FXMat->NrOfRows() <= 0) throw EQMRStatisError("TCrossValidator.Execute: data matrix is empty");

    // The matrices of this run, even when a handler reassigns the properties.
    const TMatrix* const X = FXMat;
    const TMatrix* const Y = FYMat;
    const std::int32_t NRow = X->NrOfRows();
    const std::int32_t NX = std::max(X->NrOfColumns(), 0);
    const std::int32_t NY = std::max(Y->NrOfColumns(), 0);
    FTestSize = std::min(FTestSize, NRow / 2 + 1);

    for (TVector* V : {FPress.get(), FTPCnt.get(), FFPCnt.get(), FTNCnt.get(), FFNCnt.get()}) {
        V->Resize(std::max(NY, 1));
        V->Fill(0);
    }
    const auto NYs = static_cast<std::size_t>(NY);
    std::vector<double> Press(NYs, 0.0);
    std::vector<std::int64_t> TP(NYs, 0), FP(NYs, 0), TN(NYs, 0), FN(NYs, 0);

    // Bits 1..NRow are rows; bit 0 stays False.
    TBitFld Used(nullptr), Test(nullptr);
    Used.SetSize(NRow);
    Test.SetSize(NRow);
    TIntArray TestList, TrainList;
    TDoubleArray Predictors(static_cast<std::size_t>(NX)), Response;
    std::int64_t Applied = 0;
    std::int32_t FailedInRow = 0;
    bool Abort = false;
    const auto Percent = [&Applied, NRow] {
        return static_cast<std::int32_t>(Round(static_cast<double>(Applied) / NRow * 100));
    };

    FIsRunning = true;
    try {
        do {
            Test.Clear();
            if (FTestSize >= NRow - Used.CountTrueBits()) {
                // The last fold takes every row not yet tested.
                Test.Clone(&Used);
                Test.Invert();
                Test.SetBit(0, false);
                Used.Clear();
                Used.Invert();
                Used.SetBit(0, false);
            } else {
                for (std::int32_t K = 0; K < FTestSize; ++K) {
                    std::int32_t R = Random(NRow) + 1;
                    while (Used.GetBit(R)) R = R == NRow ? 1 : R + 1;
                    Used.SetBit(R, true);
                    Test.SetBit(R, true);
                }
            }
            TestList.clear();
            TrainList.clear();
            for (std::int32_t R = 1; R <= NRow; ++R) (Test.GetBit(R) ? TestList : TrainList).push_back(R);

            bool Success = false;
            OnModelCreateRequest(this, Percent(), TrainList, Success);
            if (Success) {
                FailedInRow = 0;
                for (std::int32_t Row : TestList) {
                    if (Abort) break;
                    ++Applied;
                    for (std::int32_t J = 1; J <= NX; ++J)
                        Predictors[static_cast<std::size_t>(J - 1)] = static_cast<double>(X->Elem(J, Row));
                    Response.assign(NYs, 0.0);
                    OnModelApplyRequest(this, Percent(), Predictors, Response);
                    for (std::size_t J = 0; J < NYs; ++J) {
                        const auto Yv = static_cast<double>(Y->Elem(static_cast<std::int32_t>(J + 1), Row));
                        const double E = (J < Response.size() ? Response[J] : 0.0) - Yv;
                        Press[J] += E * E;
                        const bool Hit = std::fabs(E) < 0.5;
                        if (Yv == 1) ++(Hit ? TP[J] : FN[J]);
                        else ++(Hit ? TN[J] : FP[J]);
                    }
                    if (OnCheckAbort) OnCheckAbort(this, Abort);
                }
            } else {
                // The fold's rows go back to the pool and are drawn again later. A host
                // that never builds a model ends the run as an abort does.
                Used.CombineWith(&Test, TLogicOp::loAndNot);
                if (OnCheckAbort) OnCheckAbort(this, Abort);
                if (++FailedInRow >= NRow) Abort = true;
            }
        } while (Used.CountTrueBits() < NRow && !Abort);
    } catch (...) {
        FIsRunning = false;
        FillResults(-1);
        throw;
    }
    FIsRunning = false;

    if (Abort) {
        FillResults(-1);
        return false;
    }
    for (std::size_t J = 0; J < NYs; ++J) {
        const auto Ix = static_cast<std::int32_t>(J + 1);
        FPress->SetElem(Ix, Press[J]);
        FTPCnt->SetElem(Ix, static_cast<double>(TP[J]));
        FFPCnt->SetElem(Ix, static_cast<double>(FP[J]));
        FTNCnt->SetElem(Ix, static_cast<double>(TN[J]));
        FFNCnt->SetElem(Ix, static_cast<double>(FN[J]));
    }
    return true;
}

}  // namespace qmr
