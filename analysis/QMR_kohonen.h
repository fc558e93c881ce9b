// Kohonen self-organising map (TKohonen).
#pragma once

#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "platform/Qmr_qmrbase.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmr {

// A rectangular grid of SizeX x SizeY units, each with a weight vector of NrOfInSens
// inputs, trained on the rows of a data matrix (one column per input, one row per
// object) and then used to find the best-matching unit of a new input. Units are
// addressed (x, y) from 1. The weights are kept in standardised units (after
// StandardizeData) and read back in data units.
//
// Training step s of NrOfTrnSteps N uses f = (N - s) / N (0 from s = N on), the radius
// Round(f^2 (InitialNeighbors - 1) + 1) and the rate f^2 InitialAlpha. For every row d it
// finds the first unit (x outer, y inner) with the strictly smallest squared distance
// Dmin, then moves every unit of the grid window around it (radius per axis; clipped,
// or wrapped with Cyclic, where a radius of at least Size div 2 becomes Size div 2 - 1)
// by w += (d - w) * rate / (sqrt(D - Dmin) + 1), D being that unit's squared distance.
// A row no unit is closer to than the largest double (NaN or infinite values) is skipped.
class QMR_API TKohonen : public TComponent {
public:
    // 1 x 1 grid, one input, one training row holding 0; 200 steps, rate 1, radius 2,
    // not cyclic; random weights; at step 1.
    explicit TKohonen(TComponent* AOwner);
    ~TKohonen() override;
    std::string ClassName() const override;

    const std::string& Comment() const noexcept { return FComment; }
    void SetComment(const std::string& Value) { FComment = Value; }
    bool Cyclic() const noexcept { return FCyclic; }
    void SetCyclic(bool Value) noexcept { FCyclic = Value; }
    double InitialAlpha() const noexcept { return FMaxAlpha; }
    void SetInitialAlpha(double Value) noexcept { FMaxAlpha = Value; }
    std::int32_t InitialNeighbors() const noexcept { return FMaxNeighb; }
    void SetInitialNeighbors(std::int32_t Value) noexcept { FMaxNeighb = Value; }
    // Number of training steps; a value below 1 is stored as 1.
    std::int32_t NrOfTrnSteps() const noexcept { return FMaxSteps; }
    void SetNrOfTrnSteps(std::int32_t Value) noexcept { FMaxSteps = Value < 1 ? 1 : Value; }

    // Grid size and input count. A positive value, even the current one, replaces the
    // weights by zeros; 0 and below are ignored. SetNrOfInSens also replaces the training
    // data by zeros (n inputs x the current rows) and resets the means to 0 and the
    // deviations to 1. A size whose weights cannot be held raises std::bad_alloc and
    // changes nothing.
    std::int32_t SizeX() const noexcept { return FSizeX; }
    void SetSizeX(std::int32_t Value);
    std::int32_t SizeY() const noexcept { return FSizeY; }
    void SetSizeY(std::int32_t Value);
    std::int32_t NrOfInSens() const noexcept { return FNrInSens; }
    void SetNrOfInSens(std::int32_t Value);

    // Weight Elem of unit (ix, iy) in data units: w * deviation + mean; 0 outside the grid
    // or the inputs.
    Extended Weights(std::int32_t ix, std::int32_t iy, std::int32_t Elem) const noexcept;
    // The map's own training matrix (NrOfInSens columns, one row per object). Training
    // reads it as it stands; columns it lacks read as 0.
    TMatrix* TrainData() noexcept { return FDataMat.get(); }
    // Copies Value (the caller keeps it): NrOfInSens := its columns, zero weights, means 0,
    // deviations 1. Nothing for nil or a matrix without columns; Value may be TrainData().
    void SetTrainData(const TMatrix* Value);
    // Standardises the columns of the training data in place and keeps each column's mean
    // and standard deviation; a column whose deviation is 0 is centred.
    void StandardizeData();

    // Step 1, new random weights, then ContinueTraining.
    void Trainit();
    // Runs steps from the current one, firing OnFeedback with Round(step * 100 / N) after
    // each, until the next step reaches N or an abort was requested: the map then stays
    // at the next step. Started at or beyond N, runs exactly one step. OnFeedback may
    // change the map between steps.
    void ContinueTraining();
    // Asks a running ContinueTraining (from OnFeedback or another thread) to stop after
    // the step in progress. The request is cleared when training starts and ends.
    void AbortTraining() noexcept { FAbort.store(true); }

    // The best-matching unit of InData (elements 1..NrOfInSens in data units, standardised
    // with the map's means and deviations; only centred where the deviation is 0): the
    // first unit (x outer, y inner) with the strictly smallest squared distance, which
    // Distance receives. No unit closer than the largest double (nil InData, NaN or
    // infinite values): BestIx = BestIy = 0 and Distance = the largest double.
    void ApplyIt(const TVector* InData, std::int32_t& BestIx, std::int32_t& BestIy, double& Distance) const;

    // Progress after every training step: the map, then the rounded percent.
    TOnPercentDoneEvent OnFeedback;

protected:
    // Every weight := (Random - 0.5) * 0.2, drawn visiting x, y, input in that order.
    void SetWeigtsToRandom();
    // Fires OnFeedback with this map as sender when assigned.
    void DoFeedback(double Percent);

private:
    // Zero weights for a grid of Sx x Sy units of Nin inputs (std::bad_alloc when too many).
    static std::vector<double> ZeroWeights(std::int32_t Sx, std::int32_t Sy, std::int32_t Nin);
    // Replaces weights, training data (Nin x Rows zeros unless Data is given), means and
    // deviations for Nin inputs; builds everything before it changes anything.
    void ReplaceInputs(std::int32_t Nin, std::unique_ptr<TMatrix> Data);
    // One training step at FCurStep over the current data.
    void TrainStep();

    std::int32_t FMaxNeighb = 2;
    std::string FComment;
    std::int32_t FCurNeighb = 0;
    std::int32_t FMaxSteps = 200;
    std::int64_t FCurStep = 1;
    double FMaxAlpha = 1.0;
    double FCurAlpha = 0.0;
    // Weights input-major: input e (0-based) of unit u = (x - 1) * SizeY + (y - 1) at
    // e * SizeX * SizeY + u, so each input is one contiguous run over all units.
    std::vector<double> FKohMat;
    std::int32_t FSizeX = 1;
    std::int32_t FSizeY = 1;
    std::int32_t FNrInSens = 1;
    std::vector<double> FMeans;    // per input, 0-based
    std::vector<double> FStdDevs;  // per input, 0-based
    bool FCyclic = false;
    std::atomic<bool> FAbort{false};
    std::unique_ptr<TMatrix> FDataMat;
};

}  // namespace qmr
