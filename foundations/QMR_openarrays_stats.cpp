// Means and standard deviations of blocks; element-wise and scalar arithmetic.
#include "foundations/QMR_openarrays_stats.h"

#include "foundations/detail/openarrays_cells.h"

#include <cmath>

namespace qmr {

namespace {

using namespace detail::oa;

template <class V> int BlockMean(const V& A, const TBlockBounds<V>& Lo, const TBlockBounds<V>& Hi, double& Mean) {
    Mean = 0;
    if (!Usable(A)) return -1;
    if (!BlockOk(A, Lo.data(), Hi.data())) return -2;
    double Sum = 0;
    std::size_t N = 0;
    ForEachInBlock(A, Lo.data(), Hi.data(), [&](const auto& X) {
        Sum += static_cast<double>(X);
        ++N;
    });
    Mean = Sum / static_cast<double>(N);
    return 0;
}

// Sample standard deviation: square root of the sum of squared deviations from the
// mean divided by n - 1 (0 for a single cell).
template <class V> int BlockStdDev(const V& A, const TBlockBounds<V>& Lo, const TBlockBounds<V>& Hi, double& StdDev) {
    StdDev = 0;
    double Mean = 0;
    if (const int Res = BlockMean(A, Lo, Hi, Mean); Res != 0) return Res;
    double Sq = 0;
    std::size_t N = 0;
    ForEachInBlock(A, Lo.data(), Hi.data(), [&](const auto& X) {
        const double D = static_cast<double>(X) - Mean;
        Sq += D * D;
        ++N;
    });
    if (N > 1) StdDev = std::sqrt(Sq / static_cast<double>(N - 1));
    return 0;
}

// Cell operations: integers wrap at 32 bits, doubles follow IEEE arithmetic.
struct OpAdd {
    double operator()(double X, double Y) const { return X + Y; }
    std::int32_t operator()(std::int32_t X, std::int32_t Y) const { return WrapAdd(X, Y); }
};
struct OpSub {
    double operator()(double X, double Y) const { return X - Y; }
    std::int32_t operator()(std::int32_t X, std::int32_t Y) const { return WrapSub(X, Y); }
};
struct OpMul {
    double operator()(double X, double Y) const { return X * Y; }
    std::int32_t operator()(std::int32_t X, std::int32_t Y) const { return WrapMul(X, Y); }
};

// Builds the result apart and moves it in, so that C may be A or B.
template <class V, class Op> int Combine(const V& A, const V& B, V& C, Op F) {
    if (!Usable(A) || !Usable(B)) return -1;
    const TExtents E = Extents(A);
    if (Extents(B) != E) return -2;
    V Out = Shaped<V>(E);
    ForEachCellTriple(A, B, Out, E, [F](const auto& X, const auto& Y, auto& Z) { Z = F(X, Y); });
    C = std::move(Out);
    return 0;
}

template <class V, class T, class Op> int ScalarTo(const V& A, T Scalar, V& C, Op F) {
    if (!Usable(A)) return -1;
    const TExtents E = Extents(A);
    V Out = Shaped<V>(E);
    ForEachCellPair(A, Out, E, [F, Scalar](const auto& X, auto& Y) { Y = F(Scalar, X); });
    C = std::move(Out);
    return 0;
}

template <class V, class T, class Op> int ScalarInPlace(V& A, T Scalar, Op F) {
    if (!Usable(A)) return -1;
    ForEachCell(A, Extents(A), [F, Scalar](auto& X) { X = F(Scalar, X); });
    return 0;
}

// Sum of (A[i] - B[i])^2 over the items of A; B is at least as long.
double SquaredDiffSum(const TDoubleArray& A, const TDoubleArray& B) {
    double Sum = 0;
    for (std::size_t I = 0; I < A.size(); ++I) Sum += (A[I] - B[I]) * (A[I] - B[I]);
    return Sum;
}

}  // namespace

// ---------------------------------------------------------------- block statistics

int MeanArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double& Mean) {
    return BlockMean(A, {First}, {Last}, Mean);
}
int MeanArray(const TIntArray& A, std::int32_t First, std::int32_t Last, double& Mean) {
    return BlockMean(A, {First}, {Last}, Mean);
}
int MeanArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
              std::int32_t LastRow, double& Mean) {
    return BlockMean(A, {FirstCol, FirstRow}, {LastCol, LastRow}, Mean);
}
int MeanArray(const TInt2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
              std::int32_t LastRow, double& Mean) {
    return BlockMean(A, {FirstCol, FirstRow}, {LastCol, LastRow}, Mean);
}
int MeanArray(const TDouble3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& Mean) {
    return BlockMean(A, {First0, First1, First2}, {Last0, Last1, Last2}, Mean);
}
int MeanArray(const TInt3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& Mean) {
    return BlockMean(A, {First0, First1, First2}, {Last0, Last1, Last2}, Mean);
}
int MeanArray(const TDouble4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
              double& Mean) {
    return BlockMean(A, {First0, First1, First2, First3}, {Last0, Last1, Last2, Last3}, Mean);
}
int MeanArray(const TInt4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
              double& Mean) {
    return BlockMean(A, {First0, First1, First2, First3}, {Last0, Last1, Last2, Last3}, Mean);
}

int StdDevArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double& StdDev) {
    return BlockStdDev(A, {First}, {Last}, StdDev);
}
int StdDevArray(const TIntArray& A, std::int32_t First, std::int32_t Last, double& StdDev) {
    return BlockStdDev(A, {First}, {Last}, StdDev);
}
int StdDevArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                std::int32_t LastRow, double& StdDev) {
    return BlockStdDev(A, {FirstCol, FirstRow}, {LastCol, LastRow}, StdDev);
}
int StdDevArray(const TInt2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                std::int32_t LastRow, double& StdDev) {
    return BlockStdDev(A, {FirstCol, FirstRow}, {LastCol, LastRow}, StdDev);
}
int StdDevArray(const TDouble3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& StdDev) {
    return BlockStdDev(A, {First0, First1, First2}, {Last0, Last1, Last2}, StdDev);
}
int StdDevArray(const TInt3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& StdDev) {
    return BlockStdDev(A, {First0, First1, First2}, {Last0, Last1, Last2}, StdDev);
}
int StdDevArray(const TDouble4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
                double& StdDev) {
    return BlockStdDev(A, {First0, First1, First2, First3}, {Last0, Last1, Last2, Last3}, StdDev);
}
int StdDevArray(const TInt4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
                double& StdDev) {
    return BlockStdDev(A, {First0, First1, First2, First3}, {Last0, Last1, Last2, Last3}, StdDev);
}

// ---------------------------------------------------------------- cell-by-cell operations

int MultiplyArraysElemw(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C) { return Combine(A, B, C, OpMul{}); }
int MultiplyArraysElemw(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C) { return Combine(A, B, C, OpMul{}); }
int MultiplyArraysElemw(const TIntArray& A, const TIntArray& B, TIntArray& C) { return Combine(A, B, C, OpMul{}); }
int MultiplyArraysElemw(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C) { return Combine(A, B, C, OpMul{}); }

int AddArrays(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TDouble3DArray& A, const TDouble3DArray& B, TDouble3DArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TDouble4DArray& A, const TDouble4DArray& B, TDouble4DArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TIntArray& A, const TIntArray& B, TIntArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TInt3DArray& A, const TInt3DArray& B, TInt3DArray& C) { return Combine(A, B, C, OpAdd{}); }
int AddArrays(const TInt4DArray& A, const TInt4DArray& B, TInt4DArray& C) { return Combine(A, B, C, OpAdd{}); }

int SubtractArrays(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TDouble3DArray& A, const TDouble3DArray& B, TDouble3DArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TDouble4DArray& A, const TDouble4DArray& B, TDouble4DArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TIntArray& A, const TIntArray& B, TIntArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TInt3DArray& A, const TInt3DArray& B, TInt3DArray& C) { return Combine(A, B, C, OpSub{}); }
int SubtractArrays(const TInt4DArray& A, const TInt4DArray& B, TInt4DArray& C) { return Combine(A, B, C, OpSub{}); }

// ---------------------------------------------------------------- scalar operations

int MultiplyArrayByScalar(const TDoubleArray& A, double S, TDoubleArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TDouble2DArray& A, double S, TDouble2DArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TDouble3DArray& A, double S, TDouble3DArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TDouble4DArray& A, double S, TDouble4DArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TIntArray& A, std::int32_t S, TIntArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TInt2DArray& A, std::int32_t S, TInt2DArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TInt3DArray& A, std::int32_t S, TInt3DArray& C) { return ScalarTo(A, S, C, OpMul{}); }
int MultiplyArrayByScalar(const TInt4DArray& A, std::int32_t S, TInt4DArray& C) { return ScalarTo(A, S, C, OpMul{}); }

int MultiplyArrayByScalar(TDoubleArray& A, double S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TDouble2DArray& A, double S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TDouble3DArray& A, double S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TDouble4DArray& A, double S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TIntArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TInt2DArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TInt3DArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpMul{}); }
int MultiplyArrayByScalar(TInt4DArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpMul{}); }

int AddScalarToArray(const TDoubleArray& A, double S, TDoubleArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TDouble2DArray& A, double S, TDouble2DArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TDouble3DArray& A, double S, TDouble3DArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TDouble4DArray& A, double S, TDouble4DArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TIntArray& A, std::int32_t S, TIntArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TInt2DArray& A, std::int32_t S, TInt2DArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TInt3DArray& A, std::int32_t S, TInt3DArray& C) { return ScalarTo(A, S, C, OpAdd{}); }
int AddScalarToArray(const TInt4DArray& A, std::int32_t S, TInt4DArray& C) { return ScalarTo(A, S, C, OpAdd{}); }

int IncArray(TDoubleArray& A, double S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TDouble2DArray& A, double S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TDouble3DArray& A, double S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TDouble4DArray& A, double S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TIntArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TInt2DArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TInt3DArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpAdd{}); }
int IncArray(TInt4DArray& A, std::int32_t S) { return ScalarInPlace(A, S, OpAdd{}); }

// ---------------------------------------------------------------- distances

double SumOfSquaredDiffs(const TDoubleArray& A, const TDoubleArray& B) {
    if (A.empty() || B.empty()) return -1.0;
    if (A.size() != B.size()) return -2.0;
    return SquaredDiffSum(A, B);
}

double SumOfSquaredDiffs(const TDoubleArray& A, const TDouble2DArray& B, std::int32_t Col) {
    if (A.empty() || B.empty()) return -1.0;
    if (A.size() != B[0].size()) return -2.0;
    if (!Usable(B)) return -1.0;  // a later column shorter than the first
    if (!IndexOk(Col, B.size())) return -3.0;
    return SquaredDiffSum(A, B[static_cast<std::size_t>(Col)]);
}

}  // namespace qmr
