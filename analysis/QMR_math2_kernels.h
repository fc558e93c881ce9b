// Convolution of 2-D arrays with square, compass and Kirsch kernels; correlation of two
// bitmap areas; Mahalanobis distance; the parenthesis check of expressions; Gaussian
// peaks, 2-D Gaussians, sigmoids and Gaussian similarity kernels.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qmr {

class TVector;
class TMatrix;
class TBitmap;

// Colour channel compared by CalcImgCorrelation (note the order: red, blue, green).
enum class TImgCompareMode : std::uint8_t {
    icmRed = 0, icmBlue = 1, icmGreen = 2, icmHue = 3, icmLightness = 4, icmSaturation = 5, icmGrayValues = 6
};

// One Gaussian peak: position, width, height.
using TGaussPeakParams = std::array<double, 3>;
using TPeakParamsList = std::vector<TGaussPeakParams>;

// Operator vocabulary of the expression facility.
enum class TOperator : std::uint8_t {
    opNone = 0, opNumber, opListElem, opAdd, opSubtract, opMultiply, opDivide, opMod, opPower, opGT, opGE, opLT,
    opLE, opEQ, opNE, opOpenParanth, opClosedParanth, opMinusSign, opPlusSign, opSine, opCosine, opTangens,
    opArcSin, opArcCos, opArcTan, opAbs, opSign, opSqrt, opSqr, opRound, opNDInt, opNDQuant, opNDDens, opSum,
    opMean, opVar, opPi, opTrue, opFalse, opExp, opLn, opLg, opGauss, opRand, opFrac, opInt, opAnd, opNot, opOr,
    opXor
};

// Progress of KernelConvolve: Sender nil, percent done (empty: no reports).
using TKernelFeedback = std::function<void(TObject* Sender, std::int32_t Percent)>;

// Correlates Data (L1 x L2, [first][second] index) with the K x K Kernel, not mirrored:
// Result[i][j] = sum over p, q of Data[i + p - K div 2][j + q - K div 2] * Kernel[p][q],
// data indices clamped to the array (edge values repeat). Result codes: 0 done (Result
// is L1 x L2; an empty Data gives an empty Result); -1 a kernel row of another length
// than K, -2 K even, -3 K < 3 (the later test wins); -4 Data ragged (a column shorter
// than the first). A non-zero code leaves Result untouched. Feedback, when set, is
// called every max(1, (L1 - K)(L2 - K) div 100) interior cells with the count divided by
// that step (it may pass 100). Result may be Data.
QMR_API std::int32_t KernelConvolve(const TDouble2DArray& Kernel, const TDouble2DArray& Data, TDouble2DArray& Result,
                                    const TKernelFeedback& Feedback = {});
// KernelConvolve with the 3 x 3 compass (Kirsch) kernel of Direction 0..7; another
// direction returns -1 with Result untouched.
QMR_API std::int32_t ApplyCompassKernel(std::int32_t Direction, const TDouble2DArray& Data, TDouble2DArray& Result,
                                        const TKernelFeedback& Feedback = {});
QMR_API std::int32_t ApplyKirschKernel(std::int32_t Direction, const TDouble2DArray& Data, TDouble2DArray& Result,
                                       const TKernelFeedback& Feedback = {});

// sqrt((x - y)' InvCov (x - y)), InvCov[j, i] weighting (x_i - y_i)(x_j - y_j). Raises
// EQMRVectorError, in this order, "MahalanobisDistance: dimensions of vectors do not
// match", "...: inverse covariance matrix is not quadratric", "...: dimension of vectors
// and inverse covariance matrix do not match", and "...: the inverse covariance matrix
// must be symmetric and positive definite" for a negative quadratic form.
QMR_API double MahalanobisDistance(const TVector& X, const TVector& Y, const TMatrix& InvCov);

// Pearson correlation of one channel between Img1 over Area1 and Img2 over the area of
// the same size at Area2's top-left corner (both ends of each range included); pairs
// with a pixel outside either bitmap are skipped. 0 for fewer than three pairs or a
// constant channel. Areas of different width (Right - Left) raise EQMRMath2Error "image
// ranges to compare are not of equal size"; heights are not compared.
QMR_API double CalcImgCorrelation(const TBitmap& Img1, const TBitmap& Img2, const TRect& Area1, const TRect& Area2,
                                  TImgCompareMode Mode);

// Depth of unclosed "(" at the end (0 balanced); -p when the ")" at 1-based byte
// position p closes more than was opened.
QMR_API std::int32_t CheckParanthInExp(const std::string& Expr);

// Data[i - 1] := sum over peaks of height * exp(-((i - position) / width)²), i = 1..
// length, Data keeping its length (a peak of width 0 adds its height where i equals its
// position). -1 no peaks, -2 fewer than 3 elements (the later test wins), 0 done.
QMR_API std::int32_t CreateGaussianPeaks(const TPeakParamsList& Peaks, TDoubleArray& Data);
// Data[i - 1][j - 1] := Amplitude * exp(-((i - CentX)² + (j - CentY)²) / Width²) over the
// whole array. -1 Width not above 0, -2 Data below 2 x 2 or ragged (the later test
// wins), 0 done.
QMR_API std::int32_t Gauss2D(std::int32_t CentX, std::int32_t CentY, double Width, double Amplitude,
                             TDouble2DArray& Data);
// Data[i - 1] := Offset + Amplitude / (1 + exp(-Slope (i - Center))), i = 1..length, in
// place. -1 for at most 2 elements, 0 done.
QMR_API std::int32_t CreateSigmoidArray(TDoubleArray& Data, double Slope, double Offset, double Amplitude,
                                        std::int32_t Center);

// exp(-min(S / Width², 20)), S the summed squared differences of X and Y over Y's
// elements; 1 when S is 0.
QMR_API double CalcGaussKernel(const TVector& X, const TVector& Y, double Width);
// The same between X and row Row of Mat, over Mat's columns.
QMR_API double CalcGaussKernelMat(const TVector& X, const TMatrix& Mat, std::int32_t Row, double Width);

}  // namespace qmr
