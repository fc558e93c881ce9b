// Full-precision distributions for the statistical tests: Student t, chi-square and F
// (distribution functions, upper tails, densities; the t quantile by upper-tail
// probability) over the regularised incomplete gamma and beta functions.
//
// Relative error within about 1e-12 for degrees of freedom up to 10^4, tails down to
// 1e-300 included; about 1e-10 beyond. Degrees of freedom are integers >= 1; Df < 1 or a
// NaN argument gives NaN. Internal to the library (the public special functions of
// QMR_statis_special.h keep their own fixed approximations).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr::detail {

// Regularised incomplete gamma P(a, x) and Q(a, x) = 1 - P(a, x), each to full relative
// precision (the smaller one is formed directly). a > 0, x >= 0 (x = +inf allowed);
// NaN otherwise.
QMR_API double GammaP(double a, double x);
QMR_API double GammaQ(double a, double x);
// Regularised incomplete beta I_x(a, b) and its complement 1 - I_x(a, b) = I_{1-x}(b, a),
// each to full relative precision. a, b > 0, 0 <= x <= 1; NaN otherwise.
QMR_API double BetaI(double a, double b, double x);
QMR_API double BetaIc(double a, double b, double x);

// Student t with Df degrees of freedom: P(T <= t), P(T > t), density, and the t with
// P(T > t) = q (q in (0, 1); q = 0 gives +inf, q = 1 gives -inf).
QMR_API double StudentTCdf(double t, std::int32_t Df);
QMR_API double StudentTUpper(double t, std::int32_t Df);
QMR_API double StudentTDensity(double t, std::int32_t Df);
QMR_API double StudentTQuantileUpper(double q, std::int32_t Df);

// Chi-square with Df degrees of freedom: P(X <= x), P(X > x), density (x >= 0 is the
// support: below it the distribution function is 0, the tail 1, the density 0).
QMR_API double ChiSquareCdf(double x, std::int32_t Df);
QMR_API double ChiSquareUpper(double x, std::int32_t Df);
QMR_API double ChiSquareDensity(double x, std::int32_t Df);

// F with Df1 (numerator) and Df2 (denominator) degrees of freedom: P(F <= x), P(F > x),
// density (support x >= 0 as for chi-square).
QMR_API double FCdf(double x, std::int32_t Df1, std::int32_t Df2);
QMR_API double FUpper(double x, std::int32_t Df1, std::int32_t Df2);
QMR_API double FDensity(double x, std::int32_t Df1, std::int32_t Df2);

}  // namespace qmr::detail
