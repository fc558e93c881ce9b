// Memory-based (nearest-neighbour) learner with its model files (TMemBasedLearner).
#pragma once

#include "containers/QMR_datatable.h"
#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qmr {

// Role of a column, kept as the column attribute of the training table.
enum class TMBLVarType : std::uint8_t { mblVarIgnore = 0, mblVarIndep = 1, mblVarTarget = 2 };
// Distance between observations over the input columns. Mahalanobis is computed as
// Euclidean (the learner keeps no covariance matrix).
enum class TMBLDistMode : std::uint8_t { mblDistEuclid = 0, mblDistManhattan = 1, mblDistMahalanobis = 2 };
// Whether inputs are compared raw or as (value - column mean) / column SD.
enum class TMBLScalingMode : std::uint8_t { mblUnscaled = 0, mblStandardized = 1 };
// Estimate of a target column from the K nearest training rows.
enum class TMBLLocalModel : std::uint8_t { mblLMAverage = 0, mblLMWgtGauss = 1, mblLMMajority = 2, mblLMRegress = 3 };

// Display names indexed by the ordinals (lower-cased in the XML model file).
inline constexpr std::array<std::string_view, 3> MBLDistModeID = {"Euclidean", "Manhattan", "Mahalanobis"};
inline constexpr std::array<std::string_view, 2> MBLScalingModeID = {"Unscaled", "Standardized"};
inline constexpr std::array<std::string_view, 4> MBLLocalModelID = {"Average", "Weighted Average", "Majority Vote",
                                                                    "Regression"};

// Tags of the XML model file, in the order of their texts in MBLxmlTagNames; the last
// stands for any tag not in the list.
enum class TMBLxmlTags : std::uint8_t {
    xmlMBLId, xmlComment, xmlModelName, xmlModelData, xmlDistMode, xmlSclMode, xmlLocalModel, xmlNumNNb, xmlInvalid
};
inline constexpr std::array<std::string_view, 9> MBLxmlTagNames = {
    "membasedlearner", "comment", "modelname", "modeldata", "distmode", "scaling", "locmodel", "numnnb",
    "$invalidtag$"};

// Fired by ApplyModel: the caller's Tag, the 100 nearest rows (row numbers, nearest
// first; unused slots row 0) with their distances (unused slots the largest double) and
// the result.
using TOnMBLModelApplied = std::function<void(TObject* Sender, std::int32_t Tag, const TIntArray& NearNix,
                                              const TDoubleArray& NearNDist, std::int32_t errnum)>;

// Number of slots of every neighbour list.
inline constexpr std::int32_t MBLMaxNeighbours = 100;

// Memory-based learner: the training rows live in ModelData(); a column's attribute
// gives its role (1 input, 2 target, anything else ignored). ApplyModel predicts the
// targets of a sensor array (one slot per column) from the K nearest training rows.
// Misuse is reported by result codes; nothing here raises except the file writers.
//
// Column statistics (mean and sample variance of every column over all its cells, as
// TMatrix::MeanVar gives them; 0 before the table's first OnChange) follow the table's
// OnChange. Training values are read as the table's Elem gives them (nominal and
// ordinal cells rounded).
class QMR_API TMemBasedLearner : public TComponent {
public:
    // K = 3, average, Euclidean, unscaled, model name "undefined"; a 1 x 1 training table.
    explicit TMemBasedLearner(TComponent* AOwner);
    ~TMemBasedLearner() override;
    std::string ClassName() const override;

    // The training table (owned by the learner; its OnChange and OnPercentDone are the
    // learner's).
    TDataTable& ModelData() noexcept { return *FModelData; }
    const TDataTable& ModelData() const noexcept { return *FModelData; }

    const std::string& ModelName() const noexcept { return FModelName; }
    void SetModelName(const std::string& Value) { FModelName = Value; }
    const std::string& Comment() const noexcept { return FComment; }
    void SetComment(const std::string& Value) { FComment = Value; }
    // K as stored (a model file may store any value; it is used clamped to 1..100).
    std::int32_t NumNearestNb() const noexcept { return FNumNearestNb; }
    // Clamps to the current row count, then to at most 100, then to at least 1.
    void SetNumNearestNb(std::int32_t Value) noexcept;
    // The mode setters ignore values outside their enumerations.
    TMBLLocalModel LocalModel() const noexcept { return FLocModel; }
    void SetLocalModel(TMBLLocalModel Value) noexcept;
    TMBLDistMode DistMode() const noexcept { return FDistMode; }
    void SetDistMode(TMBLDistMode Value) noexcept;
    TMBLScalingMode ScalingMode() const noexcept { return FScalingMode; }
    void SetScalingMode(TMBLScalingMode Value) noexcept;

    // ---- column roles (the table's column attributes)

    // Column ix's attribute; mblVarIgnore outside the columns (or for an attribute that
    // is no role).
    TMBLVarType VarType(std::int32_t ix) const noexcept;
    // Ignored outside the columns.
    void SetVarType(std::int32_t ix, TMBLVarType Value);
    void SetAllVars(TMBLVarType Value);
    std::int32_t CountIndependentVars() const noexcept;
    std::int32_t CountTargetVars() const noexcept;

    // ---- prediction and neighbours

    // Predicts every target slot of Sensor from the K nearest training rows (row
    // ExcludeObj left out). -3: Sensor's length is not the column count (Sensor zeroed,
    // no event). -2: K (clamped to 1..100) is not below the row count, or no row has a
    // finite distance (Sensor zeroed). -1: a regression was near singular or failed
    // (estimates still written). 0: done. Fires OnModelApplied for 0, -1 and -2.
    std::int32_t ApplyModel(TDoubleArray& Sensor, std::int32_t ExcludeObj, std::int32_t Tag);
    // Distance of Sensor to training row ix (a row outside reads as zeros); -1 when
    // Sensor is shorter than the column count.
    double CalcDist(const TDoubleArray& Sensor, std::int32_t ix);
    // Lists the 100 nearest rows of every training row (the row itself included), a
    // snapshot that later changes of the table do not update.
    void CalcNNOfModelData();
    // Entry k (1..100) of row obj's list; -1 outside, or beyond the rows the lists cover.
    std::int32_t kNNOfModelData(std::int32_t k, std::int32_t obj) const noexcept;
    double kNNDistOfModelData(std::int32_t k, std::int32_t obj) const noexcept;
    // Cross-table of the classes (rounded values lo..hi of the valid cells) of column
    // VarIx: ContTab[a - lo][b - lo] counts the pairs (row of class a, one of its NumNb
    // (at most 99) nearest other rows of class b); margins at index L = hi - lo + 1,
    // grand total at [L][L]. Runs CalcNNOfModelData. -1 VarIx outside, -2 column neither
    // nominal nor ordinal, -3 no valid cell or L outside 2..100, -4 lo < 1; ContTab is
    // untouched on failure.
    std::int32_t CalcContingencyTable(std::int32_t VarIx, std::int32_t NumNb, TInt2DArray& ContTab);

    // Handler of ModelData's OnChange: the column statistics follow the table.
    void DataTableChanged(TObject* Sender);
    // Handler of ModelData's OnPercentDone: relays the percentage with this learner as sender.
    void PercDone(TObject* Sender, double PercentDone);

    // ---- model files

    // Binary model (TMixedFStream items). Raises the stream's exceptions.
    void StoreModelBin(const std::string& FName, const std::string& DataID);
    // 0 loaded; -1 the file does not begin with the signature line; -2 the file is
    // missing, short or inconsistent. On -1 and -2 the learner, its table and DataId are
    // unchanged.
    std::int32_t LoadModelBin(const std::string& FName, std::string& DataId);
    // XML model; raises EFCreateError / EWriteError when the file cannot be written.
    void StoreModelXML(const std::string& FName, const std::string& DataID);
    // 0 when a root element with its modeldata was read; -1 otherwise (settings read
    // before stay applied; a refused modeldata leaves the table unchanged). Raises
    // EFOpenError for a file that cannot be opened and EConvertError for a numnnb that
    // is not an integer.
    std::int32_t LoadModelXML(const std::string& FName, std::string& DataId);

    TOnPercentDoneEvent OnPercentDone;
    TOnMBLModelApplied OnModelApplied;

private:
    struct TNeighbours;
    class TDistancePass;
    // Column means and variances, brought up to date after a change of the table.
    void UpdateStatistics();
    void HookTable();
    // Runs the neighbour search for Sensor over all rows but ExcludeObj into N; the
    // finite distances computed are kept in FDist (for their SD).
    void SearchNeighbours(const TDoubleArray& Sensor, std::int32_t ExcludeObj, TNeighbours& N, bool KeepDistances);
    double DistanceSD() const;
    // Mean / variance of column Col as of the last update (0 before the first change).
    double Mean(std::int32_t Col) const noexcept;
    double Variance(std::int32_t Col) const noexcept;
    // Writes the estimate of every target column over the first Used neighbours; the result.
    std::int32_t Estimate(TDoubleArray& Sensor, const TNeighbours& N, std::int32_t Used, double SD);
    double GaussEstimate(const TDoubleArray& Y, const TNeighbours& N, double SD, double Average);
    enum class TFit : std::uint8_t { Sound, NearSingular, Failed };
    TFit RegressEstimate(const TDoubleArray& Sensor, const TIntArray& InputCols, const TNeighbours& N,
                         const TDoubleArray& Y, double& Est);

    std::string FModelName = "undefined";
    std::string FComment;
    std::int32_t FNumNearestNb = 3;
    TMBLLocalModel FLocModel = TMBLLocalModel::mblLMAverage;
    TMBLDistMode FDistMode = TMBLDistMode::mblDistEuclid;
    TMBLScalingMode FScalingMode = TMBLScalingMode::mblUnscaled;
    // Mean and variance per column as of the last statistics update; empty (all 0)
    // before the table's first change.
    TDoubleArray FMean, FVar;
    bool FStatsStale = false;
    // Neighbour lists of CalcNNOfModelData: [k - 1][row - 1].
    TInt2DArray FNNList;
    TDouble2DArray FNNDist;
    // Scratch of the distance pass: one sum per row, and the finite distances.
    TDoubleArray FRowSums, FFinite;
    std::unique_ptr<TDataTable> FModelData;
};

}  // namespace qmr
