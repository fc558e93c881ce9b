// TCurveFit: a bivariate accumulator of (x, y) pairs with running sums, descriptive and
// rank statistics, closed-form and polynomial fits, and its ASC text table.
#pragma once

#include "containers/QMR_matrix.h"
#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>

namespace qmr {

// Kinds of values entered since Init, as bits of a set: 1 x <= 0, 2 y <= 0, 4 x zero,
// 8 y zero.
enum class TCurveFitError : std::uint8_t { cfeXLE0 = 0, cfeYLE0 = 1, cfeXEQ0 = 2, cfeYEQ0 = 3 };

namespace detail {

// The running sums of TCurveFit over the pairs held ("ln" the natural logarithm). A
// term whose value does not exist is replaced or skipped (see EnterStatValue).
struct TCurveFitSums {
    Extended sumx = 0, sumy = 0, sumxq = 0, sumyq = 0, sumDiff = 0, SumDiffq = 0, sumxy = 0, sumx2y = 0,
             sumxy2 = 0, sumx3 = 0, sumy3 = 0, sumx4 = 0;
    Extended sumy4 = 0, sum1byy = 0, sum1byxy = 0, sum1byyq = 0, sumxbyy = 0, sumybyx = 0, sum1byx = 0,
             sum1byxq = 0, sumlnx = 0, sumlnxlny = 0;
    Extended sumlnxq = 0, sumylny = 0, sumylnx = 0, sumxlnx = 0, sumlnxbyy = 0, sumlnybyx = 0, sumlny = 0,
             sumlnyq = 0, sumxlny = 0, sumxqlny = 0, sumyqlnx = 0;
    // Sums about shifts (the first pair entered into an empty object, or the means after a
    // removal that left these sums cancelled), from which the
    // variances and the correlation are formed without the cancellation of the raw sums:
    // u = x - ShiftX, v = y - ShiftY, w = (x - y) - (ShiftX - ShiftY).
    Extended ShiftX = 0, ShiftY = 0;
    Extended su = 0, suu = 0, sv = 0, svv = 0, suv = 0, sw = 0, sww = 0;
    Extended suuv = 0, suvv = 0, suuu = 0, svvv = 0;  // the third-order sums of the circle fit
};

// Test access to the private state of a TCurveFit.
struct TCurveFitAccess;

}  // namespace detail

// Collects pairs (x, y) one at a time: each pair is kept in a two-column data matrix
// (row i = pair i) and added to running sums in Extended. Means, deviations, the
// correlation and the closed-form fits come from the sums; percentiles, quartiles,
// moments and circular means from the data over rows 1..NumData; the polynomial fits
// solve by singular value decomposition. Messages of EQMRMath2Error begin with the
// routine's name.
class QMR_API TCurveFit : public TComponent {
    friend struct detail::TCurveFitAccess;

public:
    // Empty; spline settings natural at both ends, slopes 0, smoothing factor 0.5.
    explicit TCurveFit(TComponent* AOwner);
    ~TCurveFit() override;
    std::string ClassName() const override;

    // Empties the object: sums 0, no pairs, extremes +-MaxDouble (so that the first pair
    // sets them), no error kinds. The spline settings are kept.
    void Init();
    // Adds the pair to the sums and the data; returns the new NumData. Terms that do not
    // exist are replaced: a reciprocal of a value with |v| <= 1e-30 by uc_MaxReal, a
    // logarithm of a value <= 0 skipped. EQMRMath2Error "EnterStatValue: too many data
    // points" (nothing changed) when 2^31 - 1 pairs are held.
    std::int32_t EnterStatValue(double x, double y);
    // Removes pair ix (1..NumData) from the sums and the data, the following pairs moving
    // up one place; nothing for another ix. The extremes do not shrink. Removing the last
    // pair leaves every sum 0.
    void RemoveStatValue(std::int32_t ix);
    // Exchanges the roles of x and y in the data, the sums and the extremes.
    void FlipXY();

    std::int32_t NumData() const noexcept { return FNumData; }
    // x or y of pair ix (1-based); 0 outside 1..NumData.
    double DataX(std::int32_t ix) const noexcept;
    double DataY(std::int32_t ix) const noexcept;
    // Extremes over every pair entered since Init (removals included).
    double MinX() const noexcept { return FMinX; }
    double MaxX() const noexcept { return FMaxX; }
    double MinY() const noexcept { return FMinY; }
    double MaxY() const noexcept { return FMaxY; }

    // Means of x, y and x - y; 0 without pairs.
    double MeanX() const noexcept;
    double MeanY() const noexcept;
    double MeanDiff() const noexcept;
    // Sample standard deviations of x, y and x - y; 0 below three pairs.
    double StdDevX() const noexcept;
    double StdDevY() const noexcept;
    double GetStdDevDiff() const noexcept;
    // Pearson correlation of x and y; 0 below three pairs, and when a sum of squares of
    // x or y (raw or centred) is not positive.
    double CorrCoeff() const noexcept;
    // All outputs 0, then NumData := n; n > 0 gives the means, n > 2 the three standard
    // deviations and rxy.
    void CalcStatistics(std::int32_t& NumData, double& MeanX, double& MeanY, double& StdevX, double& StdevY,
                        double& MeanDiff, double& StdevDiff, double& rxy) const noexcept;

    // Circular mean in [0, 360) of column Nc (1 x, 2 y) read as degrees; 0 without pairs
    // or when the mean direction is undefined (sums of sines and cosines both 0).
    double CalcMeanDegrees(std::int32_t Nc) const;
    double MeanAngleX() const { return CalcMeanDegrees(1); }
    double MeanAngleY() const { return CalcMeanDegrees(2); }
    // Bias-corrected sample skewness and excess kurtosis of x or y; 0 below four pairs
    // or for constant data.
    double SkewnessX() const;
    double SkewnessY() const;
    double KurtosisX() const;
    double KurtosisY() const;
    // The (k + 1)-th smallest x (y), k = Round(n * prob / 100) capped at n - 1, prob
    // clamped to 0..100; 0 without pairs.
    double PercentileX(double prob) const;
    double PercentileY(double prob) const;
    // Interpolated quartiles of x (y); all 0 without pairs.
    void QuartilesX(double& q1, double& q2, double& q3) const;
    void QuartilesY(double& q1, double& q2, double& q3) const;

    // ---- fits (outputs are 0 before any check; a raise leaves them 0)

    // y = k x + d by least squares on centred data; FitQual = r^2 (1 when y is constant).
    // EQMRMath2Error "CalcLinFit: not enough data points" below two pairs, "CalcLinFit:
    // slope is infinite" when all x are equal.
    void CalcLinFit(double& k, double& d, double& FitQual) const;
    // y = k0 + k1 x + k2 x^2; FitQual as above. "CalcParabolFit: not enough data points"
    // below three pairs.
    void CalcParabolFit(double& k0, double& k1, double& k2, double& FitQual) const;
    // Circle through the points by algebraic least squares from the sums: radius r,
    // centre (dx, dy). "CalcCircleFit: not enough data points" below three pairs,
    // "CalcCircleFit: radius is infinite" when the points are collinear.
    void CalcCircleFit(double& r, double& dx, double& dy) const;

    // y = kArray[0] + sum kArray[i] x^i, i = 1..nOrder, by the SVD least-squares solver.
    // False with nothing touched for nOrder < 0 or nOrder >= NumData. Clears
    // AbortMathProc first and reports progress; when the solver fails (abort) the result
    // is False and the outputs are those of the zero solution. kArray grows to nOrder + 1
    // when shorter (never shrinks); Alpha gets nOrder + 1 values, Alpha[j] the two-sided
    // significance of kArray[j] under Student's t (0 when the residual or the
    // coefficient's standard error is 0). FitQual = squared correlation of fitted and
    // observed y. NearSingular: singular values were dropped.
    bool CalcPolyFit(std::int32_t nOrder, TDoubleArray& kArray, double& FitQual, bool& NearSingular) const;
    bool CalcPolyFit(std::int32_t nOrder, TDoubleArray& kArray, TDoubleArray& Alpha, double& FitQual,
                     bool& NearSingular) const;
    // y = kArray[0] + sum kArray[i] (x - XShift)^i. XShift = 0 on entry becomes the mean
    // of x. The fit runs on ((x - XShift) / s_x)^i against y - mean y (s_x the standard
    // deviation of x, 1 when 0) and scales back; Alpha comes from the scaled fit, whose
    // significances equal those of the coefficients returned. Otherwise as CalcPolyFit.
    bool CalcCenteredPolyFit(std::int32_t nOrder, TDoubleArray& kArray, double& XShift, double& FitQual,
                             bool& NearSingular) const;
    bool CalcCenteredPolyFit(std::int32_t nOrder, TDoubleArray& kArray, TDoubleArray& alpha, double& XShift,
                             double& FitQual, bool& NearSingular) const;

    // ANOVA of a regression with NumVars variables, x holding the observed and y the
    // model values: dfreg = NumVars, dftotal = n - 1 (IncludeConst) or n, dfres = dftotal
    // - dfreg; SSE = sum (x - y)^2, SSR and SST the sums of squares of y and x about the
    // mean of x (about 0 without constant); MSE = SSE / dfres, MSR = SSR / dfreg;
    // F = MSR / MSE, 1e10 when MSE = 0 < |MSR|, 0 when MSR = 0. EQMRMath2Error
    // "CalcAnovaReg: not enough data points" for NumVars < 1 or dfres < 1, raised with the
    // degrees of freedom set and the other outputs 0.
    void CalcAnovaReg(std::int32_t NumVars, bool IncludeConst, std::int32_t& dfreg, std::int32_t& dfres,
                      std::int32_t& dftotal, double& SSE, double& SSR, double& SST, double& MSE, double& MSR,
                      double& F) const;

    // ---- rank statistics (the pair counts are kept until the data change)

    // Kendall's tau-b; p its two-sided significance under the normal approximation
    // without tie correction. 0 and p = 0 below three pairs or when all pairs are tied.
    double KendallsTau(double& p) const;
    // Goodman-Kruskal gamma (nc - nd) / (nc + nd); 0 when no pair is ordered.
    double KruskalGamma() const;
    // Spearman's rank correlation with mean ranks for ties; 0 below three pairs or when
    // x or y is constant.
    double SpearmanRankCorr() const;

    // ---- ASC text table

    // Writes the pairs as a two-column ASC table (CR LF line ends): the comment (line
    // feeds as blanks; when empty "Exported by QMR TCurveFit component: " + FName), the
    // counts, the flags "FALSE TRUE FALSE", the names "x   y", then "x TAB y" per pair
    // with Precision decimals. '' on success, else the message of the failure to create
    // the file (nothing written). A write failure after that raises EWriteError.
    std::string ExportAsASC(const std::string& FName, const std::string& Comment, std::int32_t Precision) const;
    // Reads a two-column ASC table and replaces the pairs by its rows (as Init followed by
    // EnterStatValue of each row). 0 on success; a non-zero code of ReadHeaderOfASC
    // unchanged; -7 nominal variables; 250 a value that is not a number (or missing);
    // 251 a row attribute that is not a number. EQMRMath2Error "TCurveFit.ImportASC:
    // number of columns must be 2 (is actually c)." for another column count. Any failure
    // leaves the object as it was.
    std::int32_t ImportASC(const std::string& FName);

    // ---- spline settings (kept by Init)

    bool SplineNatural1() const noexcept { return FNatural1; }
    void SetSplineNatural1(bool Value) noexcept { FNatural1 = Value; }
    bool SplineNaturalN() const noexcept { return FNaturalN; }
    void SetSplineNaturalN(bool Value) noexcept { FNaturalN = Value; }
    double SplineDerivY1() const noexcept { return FY1Dash; }
    void SetSplineDerivY1(double Value) noexcept { FY1Dash = Value; }
    double SplineDerivYN() const noexcept { return FYNDash; }
    void SetSplineDerivYN(double Value) noexcept { FYNDash = Value; }
    double SplineSmoothingFactor() const noexcept { return FPSplineSmooth; }
    void SetSplineSmoothingFactor(double Value) noexcept { FPSplineSmooth = Value; }

private:
    // Adds (Sign +1) or removes (Sign -1) the terms of one pair.
    template <int Sign> void AdjustSums(double x, double y) noexcept;
    void ResetState() noexcept;
    void Store(std::int32_t Row, double x, double y);
    void BasicRankCounts() const;
    bool PolyFit(std::int32_t nOrder, TDoubleArray& kArray, TDoubleArray& Alpha, double& FitQual,
                 bool& NearSingular, bool Centred, double& XShift) const;
    double ColumnValue(std::int32_t Nc, std::int32_t Row) const noexcept;

    detail::TCurveFitSums FSums;
    std::int32_t FNumData = 0;
    double FMinX = 0, FMaxX = 0, FMinY = 0, FMaxY = 0;
    bool FNatural1 = true, FNaturalN = true;
    double FY1Dash = 0, FYNDash = 0;
    double FPSplineSmooth = 0.5;
    std::uint8_t FErrIndic = 0;  // bits 1 << TCurveFitError
    TMatrix FData;               // column 1 x, column 2 y; rows beyond NumData are spare
    // Pair counts: concordant, discordant, tied in y only, tied in x only.
    mutable bool FKendallValid = false;
    mutable std::int64_t FKendallConcord = 0, FKendallDiscord = 0, FKendallTies1 = 0, FKendallTies2 = 0;
};

}  // namespace qmr
