// Clustering and nearest neighbours over the rows of a data matrix (rows are objects,
// columns features): mean neighbour distances, reduction to centres, k-means, nearest
// rows of a query and estimates from them, agglomerative clustering with a dendrogram.
//
// Distances are Euclidean over all columns unless said otherwise; each distance adds its
// column terms in column order in double, so equal data give equal distances and the
// tie rules below are exact. A nearest-neighbour list is ascending by distance; among
// equal distances the later row comes first, and a list that runs short is padded with
// (row 0, +infinity). NaN distances never enter a list.
#pragma once

#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace qmr {

// Weighting of EstimateByKNN.
enum class TKnnWMode : std::uint8_t { kwmGauss = 0, kwmAverage = 1, kwmMedian = 2, kwmLinear = 3, kwmBiQuad = 4 };

// Merge rule of AgglomClustering (Lance-Williams updates).
enum class TClusterMethod : std::uint8_t {
    cmSingleLink = 0, cmCompleteLink = 1, cmWard = 2, cmAvgLink = 3, cmFlexLink = 4, cmUpgma = 5
};
inline constexpr std::array<std::string_view, 6> ClusterMethodID = {
    "single linkage", "complete linkage", "Ward's method", "average linkage", "flexible strategy",
    "unweighted pair group"};

// The caller's distance of the query to data row ix.
using TCalcDistFunc = std::function<double(std::int32_t ix)>;
// Progress of AgglomClustering: percent done and the current ProcStat.
using TClusterFeedback = std::function<void(TObject* Sender, double Percent, double ProcStat)>;

// Row bounds of the neighbour routines: a bound <= 0 becomes 1, both are cut to
// NrOfRows, a reversed pair is swapped.

// Dists[r] := mean distance of row r of LoRow..HiRow to its k nearest rows of that range,
// r itself included (so k = 1 gives 0). k is held to 1..50 and to the range size. Dists
// is written by absolute row and not resized; nothing for a matrix without rows.
QMR_API void MeanDistanceKNN(const TMatrix& Mat, std::int32_t k, std::int32_t LoRow, std::int32_t HiRow,
                             TVector& Dists);

// Merges rows LoRow..HiRow (a copy: Mat is not changed) pairwise, the closest pair by
// squared distance first (the first pair in row order on ties) into their weighted mean,
// until NumCenters remain (one progress step per merge); the centres go to rows
// 1..NumCenters of Centers (sized by the caller: writes outside are dropped). MeanDist
// := mean distance of a centre to its nearest other centre (0 for one centre). With no
// more rows than NumCenters those rows are the centres. NumCenters < 1: Centers
// untouched, MeanDist 0.
QMR_API void FindCenters(const TMatrix& Mat, std::int32_t LoRow, std::int32_t HiRow, std::int32_t NumCenters,
                         TMatrix& Centers, double& MeanDist);

// k-means of the rows of Mat (Lloyd passes on squared distances, ties to the lower
// centre) into NumClusters clusters; p2 and p3 are not used. Centers is resized to
// Mat's columns x NumClusters, Clusters to NrOfRows and ClustSize to NumClusters when they
// differ. Seeds: RandSeed > 0 sets the platform seed and draws each centre's row
// (repeats possible), else centre j is row j. A centre without members becomes zeros.
// One progress step per pass; stops when no assignment changes, when AbortMathProc is
// set after a pass, also one that changed nothing (result 0, clusters not renumbered),
// or after pass 1001. Result: the within-cluster sum of squared distances; clusters are
// renumbered by descending size (equal sizes keep their order). EQMRMath2Error for NumClusters < 1 or above
// NrOfRows (nothing changed), and after pass 1001, once the results are stored.
QMR_API double kMeansClustering(const TMatrix& Mat, std::int32_t p2, std::int32_t p3, std::int32_t NumClusters,
                                std::int32_t RandSeed, TMatrix& Centers, TIntVector& Clusters,
                                TIntVector& ClustSize);
// The same with RandSeed 0 and a scratch ClustSize.
QMR_API double kMeansClustering(const TMatrix& Mat, std::int32_t p2, std::int32_t p3, std::int32_t NumClusters,
                                TMatrix& Centers, TIntVector& Clusters);

// Empirical pass estimate of k-means: Round(0.18232 sqrt(na nb) - 108 - 9.2427e-4 na
// - 1.7557e-4 na nc + 0.38775 sqrt(na nc)), at least 20 (also when a root is not real).
QMR_API std::int32_t kMeansEstimatedSteps(std::int32_t na, std::int32_t nb, std::int32_t nc);

// NNList rows 1..k := (row, distance) of the k nearest rows of LoRow..HiRow to Query:
// DistFunc(row) when assigned (rows as given, even outside the matrix), else the
// Euclidean distance over columns 1..Query.NrOfElem (bounds normalised as above). k is
// held to 100 and to the number of rows scanned; k < 1 writes nothing. NNList is not
// resized (2 columns, at least k rows); its later rows stay untouched.
QMR_API void FindNearestNeighbors(std::int32_t k, const TMatrix& Mat, std::int32_t LoRow, std::int32_t HiRow,
                                  const TVector& Query, TMatrix& NNList, const TCalcDistFunc& DistFunc);

// Estimate of the target at Query from its min(k, NrOfRows) nearest rows (Target[r]
// belongs to row r). MeanDist := their mean distance; a mean of 0 weights as 0.001.
// kwmGauss: weights exp(-(w d / dm)^2) (all underflowed: the mean target at the smallest
// distance); kwmAverage: mean; kwmMedian: second quartile; kwmLinear: weights
// 1 - d / dm / w where positive (none: 0); kwmBiQuad: local quadratic regression (terms
// 1, features, squares, products i < j), 0 when it fails or there are fewer neighbours
// than terms. k < 1: Estimate 0, MeanDist 0.
QMR_API void EstimateByKNN(const TMatrix& Mat, const TVector& Target, std::int32_t k, TKnnWMode WMode, double w,
                           const TVector& Query, double& Estimate, double& MeanDist);

// Agglomerative clustering of the n rows of Mat from their distance matrix
// (Mat.CalcDistMat with DistMode; during that call Mat.OnCalcDistance is OnCalcDist, and
// the former handler is restored on every path). Each step merges the pair of active
// clusters g < h with the smallest distance (the first pair on ties) and updates the
// distances by Method (Alpha, for cmFlexLink, held to 0.5..1). Dendrogram row f :=
// (id of g, id of h, n + f) with leaves 1..n; Distances[f] := the merge distance;
// Positions[leaf] := its place in the leaf order, Positions[n + f] := the mean of its
// two parts' positions. Outputs are resized (3 x (n - 1), n - 1, 2n - 1) when their
// sizes differ (Distances keeps its size for n = 1). AbortMathProc is cleared before
// the steps and polled after each; Feedback gets 0 once, then, after each step's progress
// step (ProcStat + 1, MathFeedBackProc), 100 f / n.
// Result 0, or -1 when aborted (Distances, Positions and Dendrogram zero-filled, sizes
// kept). No rows: 0 with nothing touched. cmWard is Ward's method only on squared
// distances (dmEuclidSqr); the similarity modes (dmTanimoto, dmDice) are accepted and
// merge the least similar pair first.
QMR_API std::int32_t AgglomClustering(TObject* Sender, TMatrix& Mat, TDistMode DistMode, TClusterMethod Method,
                                      double Alpha, TIntMatrix& Dendrogram, TVector& Distances,
                                      TVector& Positions, const TClusterFeedback& Feedback,
                                      const TOnCalcDistanceEvent& OnCalcDist);

}  // namespace qmr
