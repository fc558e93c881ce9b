// TCurveFit: running sums, descriptive statistics and the fits.
#include "analysis/QMR_math2.h"
#include "analysis/detail/QMR_distributions.h"
#include "containers/QMR_matrix_access.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace qmr {

namespace {

constexpr double kZero = 1e-30;  // reciprocal sums: |v| <= kZero counts as zero
constexpr std::int32_t kInitialRows = 1000;

constexpr std::uint8_t Bit(TCurveFitError E) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(E)); }

// Two-sided significance of a t statistic t >= 0 with Df degrees of freedom: twice the
// upper tail, which keeps values far below 1e-16 (2 (1 - P) would round them to 0).
double TwoSidedT(double t, std::int64_t Df) { return 2 * detail::StudentTUpper(t, static_cast<std::int32_t>(Df)); }

// Pi in the precision of Extended.
#if QMR_EXTENDED_80
constexpr Extended kPi = 3.14159265358979323846264338327950288L;
#else
constexpr Extended kPi = 3.14159265358979323846264338327950288;
#endif

// sqrt(|(SS - S^2 / n) / (n - 1)|), the sample deviation from a sum and a sum of squares.
double Deviation(Extended S, Extended SS, std::int32_t n) {
    const Extended N = n;
    return static_cast<double>(std::sqrt(std::fabs((SS - S * S / N) / (N - 1))));
}

}  // namespace

TCurveFit::TCurveFit(TComponent* AOwner) : TComponent(AOwner), FData(nullptr) {
    FData.Resize(2, kInitialRows);
    Init();
}

TCurveFit::~TCurveFit() = default;

std::string TCurveFit::ClassName() const { return "TCurveFit"; }

void TCurveFit::ResetState() noexcept {
    FSums = detail::TCurveFitSums{};
    FNumData = 0;
    FMinX = FMinY = uc_MaxDouble;
    FMaxX = FMaxY = -uc_MaxDouble;
    FErrIndic = 0;
    FKendallValid = false;
}

void TCurveFit::Init() {
    ResetState();
    FData.Fill(0);
}

// ---------------------------------------------------------------- running sums

namespace {

// The sums about the shifts of the centred statistics and the circle, for one pair.
template <int Sign> void AdjustCentred(detail::TCurveFitSums& s, Extended X, Extended Y) noexcept {
    auto Acc = [](Extended& S, Extended V) {
        if constexpr (Sign > 0) S += V;
        else S -= V;
    };
    const Extended U = X - s.ShiftX, V = Y - s.ShiftY, W = (X - Y) - (s.ShiftX - s.ShiftY), U2 = U * U, V2 = V * V;
    Acc(s.su, U);
    Acc(s.suu, U2);
    Acc(s.sv, V);
    Acc(s.svv, V2);
    Acc(s.suv, U * V);
    Acc(s.sw, W);
    Acc(s.sww, W * W);
    Acc(s.suuv, U2 * V);
    Acc(s.suvv, U * V2);
    Acc(s.suuu, U2 * U);
    Acc(s.svvv, V2 * V);
}

// Empties the centred sums and takes (x, y) as their origin (0 for a value that is not finite).
void NewShift(detail::TCurveFitSums& s, double x, double y) noexcept {
    s.ShiftX = std::isfinite(x) ? x : 0.0;
    s.ShiftY = std::isfinite(y) ? y : 0.0;
    s.su = s.suu = s.sv = s.svv = s.suv = s.sw = s.sww = 0;
    s.suuv = s.suvv = s.suuu = s.svvv = 0;
}

}  // namespace

template <int Sign> void TCurveFit::AdjustSums(double x, double y) noexcept {
    constexpr bool Adding = Sign > 0;
    auto Acc = [](Extended& S, Extended V) {
        if constexpr (Adding) S += V;
        else S -= V;
    };
    detail::TCurveFitSums& s = FSums;
    std::uint8_t Err = 0;
    const Extended X = x, Y = y, X2 = X * X, Y2 = Y * Y, D = X - Y;
    Acc(s.sumx, X);
    Acc(s.sumy, Y);
    Acc(s.sumxq, X2);
    Acc(s.sumyq, Y2);
    Acc(s.sumDiff, D);
    Acc(s.SumDiffq, D * D);
    Acc(s.sumxy, X * Y);
    Acc(s.sumx2y, X2 * Y);
    Acc(s.sumxy2, X * Y2);
    Acc(s.sumx3, X2 * X);
    Acc(s.sumy3, Y2 * Y);
    Acc(s.sumx4, X2 * X2);
    Acc(s.sumy4, Y2 * Y2);

    AdjustCentred<Sign>(FSums, X, Y);

    // Reciprocal sums: every reciprocal formed once.
    constexpr Extended M = uc_MaxReal;
    const bool XZero = std::fabs(x) <= kZero, YZero = std::fabs(y) <= kZero;
    const Extended RX = XZero ? Extended(0) : 1 / X;
    const Extended RY = YZero ? Extended(0) : 1 / Y;
    if (YZero) {
        Err |= Bit(TCurveFitError::cfeYEQ0);
        Acc(s.sum1byy, M);
        Acc(s.sum1byyq, M * M);
        Acc(s.sumxbyy, X * M);
        Acc(s.sum1byxy, XZero ? M : M * RX);
    } else {
        Acc(s.sum1byy, RY);
        Acc(s.sum1byyq, RY * RY);
        Acc(s.sumxbyy, X * RY);
        Acc(s.sum1byxy, XZero ? M * RY : RX * RY);
    }
    if (XZero) {
        Err |= Bit(TCurveFitError::cfeXEQ0);
        Acc(s.sum1byx, M);
        Acc(s.sum1byxq, M * M);
        Acc(s.sumybyx, Y * M);
    } else {
        Acc(s.sum1byx, RX);
        Acc(s.sum1byxq, RX * RX);
        Acc(s.sumybyx, Y * RX);
    }

    // Logarithmic sums: every logarithm formed once. The quotients by x or y test for an
    // exact zero; below the reciprocal threshold they divide.
    const Extended LnY = y > 0 ? std::log(Y) : Extended(0);
    if (x > 0) {
        const Extended LnX = std::log(X);
        Acc(s.sumlnx, LnX);
        Acc(s.sumlnxq, LnX * LnX);
        Acc(s.sumylnx, Y * LnX);
        Acc(s.sumxlnx, X * LnX);
        Acc(s.sumyqlnx, Y2 * LnX);
        if (y != 0) Acc(s.sumlnxbyy, YZero ? LnX / Y : LnX * RY);
        else Err |= Bit(TCurveFitError::cfeYEQ0);
        if (y > 0) Acc(s.sumlnxlny, LnX * LnY);
        else Err |= Bit(TCurveFitError::cfeYLE0);
    } else {
        Err |= Bit(TCurveFitError::cfeXLE0);
    }
    if (y > 0) {
        Acc(s.sumlny, LnY);
        Acc(s.sumylny, Y * LnY);
        Acc(s.sumlnyq, LnY * LnY);
        Acc(s.sumxlny, X * LnY);
        Acc(s.sumxqlny, X2 * LnY);
        if (x != 0) Acc(s.sumlnybyx, XZero ? LnY / X : LnY * RX);
        else Err |= Bit(TCurveFitError::cfeXEQ0);
    } else {
        Err |= Bit(TCurveFitError::cfeYLE0);
    }
    if constexpr (Adding) FErrIndic |= Err;
}

void TCurveFit::Store(std::int32_t Row, double x, double y) {
    FData.SetElem(1, Row, x);
    FData.SetElem(2, Row, y);
}

std::int32_t TCurveFit::EnterStatValue(double x, double y) {
    if (FNumData == std::numeric_limits<std::int32_t>::max())
        throw EQMRMath2Error("EnterStatValue: too many data points");
    const std::int32_t Rows = FData.NrOfRows();
    if (FNumData >= Rows) {
        // Geometric growth keeps entering linear; the spare rows are never read.
        const std::int64_t Grown = std::max<std::int64_t>(2 * std::int64_t{Rows}, std::int64_t{Rows} + kInitialRows);
        FData.Resize(2, static_cast<std::int32_t>(std::min<std::int64_t>(Grown, std::numeric_limits<std::int32_t>::max())));
    }
    if (FNumData == 0) NewShift(FSums, x, y);  // the first pair is the origin of the centred sums
    if (x < FMinX || std::isnan(FMinX)) FMinX = x;
    if (y < FMinY || std::isnan(FMinY)) FMinY = y;
    if (!(x <= FMaxX)) FMaxX = x;
    if (!(y <= FMaxY)) FMaxY = y;
    AdjustSums<+1>(x, y);
    ++FNumData;
    Store(FNumData, x, y);
    FKendallValid = false;
    return FNumData;
}

void TCurveFit::RemoveStatValue(std::int32_t ix) {
    FKendallValid = false;
    if (ix < 1 || ix > FNumData) return;
    AdjustSums<-1>(DataX(ix), DataY(ix));
    if (ix < FNumData) FData.CopyFrom(&FData, 1, ix + 1, 2, FNumData, 1, ix);
    Store(FNumData, 0, 0);
    // The last pair out leaves the sums of an empty object, not a rounding residue.
    if (--FNumData == 0) {
        FSums = detail::TCurveFitSums{};
        return;
    }
    // A removed pair may take the spread with it and leave the origin of the centred sums
    // far from the rest: when a centred sum of squares has lost more than 4 bits to
    // cancellation, they are formed anew about the means of the pairs left (two passes in
    // the time the rows took to move up; rarely, so that a sliding window stays cheap).
    const detail::TCurveFitSums& s = FSums;
    const Extended n = FNumData;
    auto Lost = [n](Extended S, Extended SS) { return SS > 0 && !(16 * (SS - S * S / n) > SS); };
    if (Lost(s.su, s.suu) || Lost(s.sv, s.svv) || Lost(s.sw, s.sww)) {
        const double* X = detail::TMatrixAccess::Data(FData);
        const double* Y = X + detail::TMatrixAccess::Ld(FData);
        Extended Sx = 0, Sy = 0;
        for (std::int32_t i = 0; i < FNumData; ++i) Sx += X[i], Sy += Y[i];
        NewShift(FSums, static_cast<double>(Sx / n), static_cast<double>(Sy / n));
        for (std::int32_t i = 0; i < FNumData; ++i) AdjustCentred<+1>(FSums, X[i], Y[i]);
    }
}

void TCurveFit::FlipXY() {
    detail::TCurveFitSums& s = FSums;
    ExChange(FMinX, FMinY);
    ExChange(FMaxX, FMaxY);
    ExChange(s.sumx, s.sumy);
    ExChange(s.sumxq, s.sumyq);
    ExChange(s.sumx2y, s.sumxy2);
    ExChange(s.sumx3, s.sumy3);
    ExChange(s.sumx4, s.sumy4);
    ExChange(s.sum1byy, s.sum1byx);
    ExChange(s.sum1byyq, s.sum1byxq);
    ExChange(s.sumxbyy, s.sumybyx);
    ExChange(s.sumlnx, s.sumlny);
    ExChange(s.sumlnxq, s.sumlnyq);
    ExChange(s.sumylnx, s.sumxlny);
    ExChange(s.sumxlnx, s.sumylny);
    ExChange(s.sumlnxbyy, s.sumlnybyx);
    ExChange(s.sumxqlny, s.sumyqlnx);
    s.sumDiff = -s.sumDiff;
    ExChange(s.ShiftX, s.ShiftY);
    ExChange(s.su, s.sv);
    ExChange(s.suu, s.svv);
    ExChange(s.suuv, s.suvv);
    ExChange(s.suuu, s.svvv);
    s.sw = -s.sw;
    FData.ExchangeColumns(1, 2);
}

// ---------------------------------------------------------------- statistics from the sums

double TCurveFit::ColumnValue(std::int32_t Nc, std::int32_t Row) const noexcept {
    return static_cast<double>(FData.Elem(Nc, Row));
}

double TCurveFit::DataX(std::int32_t ix) const noexcept { return ix >= 1 && ix <= FNumData ? ColumnValue(1, ix) : 0; }

double TCurveFit::DataY(std::int32_t ix) const noexcept { return ix >= 1 && ix <= FNumData ? ColumnValue(2, ix) : 0; }

double TCurveFit::MeanX() const noexcept { return FNumData > 0 ? static_cast<double>(FSums.sumx / FNumData) : 0; }

double TCurveFit::MeanY() const noexcept { return FNumData > 0 ? static_cast<double>(FSums.sumy / FNumData) : 0; }

double TCurveFit::MeanDiff() const noexcept {
    return FNumData > 0 ? static_cast<double>(FSums.sumDiff / FNumData) : 0;
}

double TCurveFit::StdDevX() const noexcept { return FNumData < 3 ? 0 : Deviation(FSums.su, FSums.suu, FNumData); }

double TCurveFit::StdDevY() const noexcept { return FNumData < 3 ? 0 : Deviation(FSums.sv, FSums.svv, FNumData); }

double TCurveFit::GetStdDevDiff() const noexcept {
    return FNumData < 3 ? 0 : Deviation(FSums.sw, FSums.sww, FNumData);
}

double TCurveFit::CorrCoeff() const noexcept {
    const detail::TCurveFitSums& s = FSums;
    if (FNumData <= 2 || s.sumxq <= 0 || s.sumyq <= 0) return 0;
    const Extended n = FNumData;
    const double Qx = static_cast<double>(s.suu - s.su * s.su / n);
    const double Qy = static_cast<double>(s.svv - s.sv * s.sv / n);
    if (Qx == 0 || Qy == 0) return 0;
    return static_cast<double>((s.suv - s.su * s.sv / n) / (std::sqrt(std::fabs(Extended(Qx))) *
                                                            std::sqrt(std::fabs(Extended(Qy)))));
}

void TCurveFit::CalcStatistics(std::int32_t& NumData, double& MeanX, double& MeanY, double& StdevX,
                               double& StdevY, double& MeanDiff, double& StdevDiff, double& rxy) const noexcept {
    NumData = FNumData;
    MeanX = MeanY = StdevX = StdevY = MeanDiff = StdevDiff = rxy = 0;
    if (FNumData > 0) {
        MeanX = this->MeanX();
        MeanY = this->MeanY();
        MeanDiff = this->MeanDiff();
    }
    if (FNumData > 2) {
        StdevX = StdDevX();
        StdevY = StdDevY();
        StdevDiff = GetStdDevDiff();
        rxy = CorrCoeff();
    }
}

// ---------------------------------------------------------------- statistics from the data

double TCurveFit::CalcMeanDegrees(std::int32_t Nc) const {
    if (FNumData == 0 || Nc < 1 || Nc > 2) return 0;
    const double* V = detail::TMatrixAccess::Data(FData) + static_cast<std::size_t>(Nc - 1) *
                                                              detail::TMatrixAccess::Ld(FData);
    const Extended ToRad = kPi / 180;
    Extended Ss = 0, Sc = 0;
    for (std::int32_t i = 0; i < FNumData; ++i) {
        const Extended A = V[i] * ToRad;
        Ss += std::sin(A);
        Sc += std::cos(A);
    }
    if (Ss == 0 && Sc == 0) return 0;  // no mean direction
    const Extended e = std::atan(Ss / Sc) * 180 / kPi;
    const double Result = static_cast<double>(Sc >= 0 ? (Ss >= 0 ? e : e + 360) : e + 180);
    // A tiny negative sum of sines gives 360 - tiny, which may round to 360: that is 0.
    return Result >= 360 ? 0 : Result;
}

double TCurveFit::SkewnessX() const {
    double S = 0, K = 0;
    if (FNumData > 0) FData.SkewKurtSample(1, 1, 1, FNumData, S, K);
    return S;
}

double TCurveFit::SkewnessY() const {
    double S = 0, K = 0;
    if (FNumData > 0) FData.SkewKurtSample(2, 1, 2, FNumData, S, K);
    return S;
}

double TCurveFit::KurtosisX() const {
    double S = 0, K = 0;
    if (FNumData > 0) FData.SkewKurtSample(1, 1, 1, FNumData, S, K);
    return K;
}

double TCurveFit::KurtosisY() const {
    double S = 0, K = 0;
    if (FNumData > 0) FData.SkewKurtSample(2, 1, 2, FNumData, S, K);
    return K;
}

double TCurveFit::PercentileX(double prob) const {
    return FNumData > 0 ? static_cast<double>(FData.Percentile(prob, 1, 1, 1, FNumData)) : 0;
}

double TCurveFit::PercentileY(double prob) const {
    return FNumData > 0 ? static_cast<double>(FData.Percentile(prob, 2, 1, 2, FNumData)) : 0;
}

void TCurveFit::QuartilesX(double& q1, double& q2, double& q3) const {
    q1 = q2 = q3 = 0;
    if (FNumData > 0) FData.Quartiles(1, 1, 1, FNumData, q1, q2, q3);
}

void TCurveFit::QuartilesY(double& q1, double& q2, double& q3) const {
    q1 = q2 = q3 = 0;
    if (FNumData > 0) FData.Quartiles(2, 1, 2, FNumData, q1, q2, q3);
}

// ---------------------------------------------------------------- closed-form fits

namespace {

// Sums over the pairs centred on their means: u = x - mean x, v = y - mean y.
struct TCentred {
    Extended Su = 0, Sv = 0, Suu = 0, Svv = 0, Suv = 0, Suuv = 0, Suuu = 0, Suuuu = 0;
    double MeanX = 0, MeanY = 0;
};

TCentred CentredSums(const TMatrix& Data, std::int32_t n, bool Cubic) {
    TCentred C;
    double Var = 0;
    Data.MeanVar(1, 1, 1, n, C.MeanX, Var);
    Data.MeanVar(2, 1, 2, n, C.MeanY, Var);
    const double* X = detail::TMatrixAccess::Data(Data);
    const double* Y = X + detail::TMatrixAccess::Ld(Data);
    for (std::int32_t i = 0; i < n; ++i) {
        const Extended u = Extended(X[i]) - C.MeanX, v = Extended(Y[i]) - C.MeanY, uu = u * u;
        C.Su += u;
        C.Sv += v;
        C.Suu += uu;
        C.Svv += v * v;
        C.Suv += u * v;
        if (Cubic) {
            C.Suuv += uu * v;
            C.Suuu += uu * u;
            C.Suuuu += uu * uu;
        }
    }
    return C;
}

}  // namespace

void TCurveFit::CalcLinFit(double& k, double& d, double& FitQual) const {
    k = d = FitQual = 0;
    if (FNumData < 2) throw EQMRMath2Error("CalcLinFit: not enough data points");
    const TCentred C = CentredSums(FData, FNumData, false);
    const Extended n = FNumData;
    const Extended D = n * C.Suu - C.Su * C.Su;
    if (D == 0) throw EQMRMath2Error("CalcLinFit: slope is infinite");
    const Extended K = (n * C.Suv - C.Su * C.Sv) / D;
    k = static_cast<double>(K);
    const Extended d0 = (C.Suu * C.Sv - C.Su * C.Suv) / D;  // the intercept of the centred data
    d = static_cast<double>(d0 - K * C.MeanX + C.MeanY);
    // The explained share from the centred intercept: with the moved-back d the rounding
    // residue of Sv would be multiplied by the mean of y.
    const Extended G = C.Svv - C.Sv * C.Sv / n;
    FitQual = G == 0 ? 1 : static_cast<double>((C.Sv * d0 + K * C.Suv - C.Sv * C.Sv / n) / G);
}

void TCurveFit::CalcParabolFit(double& k0, double& k1, double& k2, double& FitQual) const {
    k0 = k1 = k2 = FitQual = 0;
    if (FNumData < 3) throw EQMRMath2Error("CalcParabolFit: not enough data points");
    const TCentred C = CentredSums(FData, FNumData, true);
    const Extended n = FNumData;
    const Extended A = n * C.Suu - C.Su * C.Su;
    const Extended B = n * C.Suuv - C.Suu * C.Sv;
    const Extended F = n * C.Suuu - C.Suu * C.Su;
    const Extended E = n * C.Suv - C.Su * C.Sv;
    const Extended H = n * C.Suuuu - C.Suu * C.Suu;
    const Extended a2 = F * F != A * H ? (A * B - F * E) / (A * H - F * F) : Extended(0);
    const Extended a1 = A != 0 ? (E - F * a2) / A : Extended(0);
    const Extended a0 = (C.Sv - a1 * C.Su - a2 * C.Suu) / n;
    const Extended mx = C.MeanX;
    k2 = static_cast<double>(a2);
    k1 = static_cast<double>(a1 - 2 * a2 * mx);
    k0 = static_cast<double>(mx * mx * a2 + a0 - mx * a1 + C.MeanY);
    const Extended O = C.Svv - C.Sv * C.Sv / n;
    FitQual = O == 0 ? 1 : static_cast<double>((C.Sv * a0 + a1 * C.Suv + a2 * C.Suuv - C.Sv * C.Sv / n) / O);
}

void TCurveFit::CalcCircleFit(double& r, double& dx, double& dy) const {
    r = dx = dy = 0;
    if (FNumData <= 2) throw EQMRMath2Error("CalcCircleFit: not enough data points");
    // The fit is the same in every origin: solve it about the shifts, where the sums of
    // squares do not cancel, and move the centre back.
    const detail::TCurveFitSums& s = FSums;
    const Extended n = FNumData;
    const double T = static_cast<double>(s.sv * s.sv - n * s.svv);
    const double P = static_cast<double>(s.su * s.su - n * s.suu);
    const double S = static_cast<double>(n * s.suv - s.su * s.sv);
    const double U = static_cast<double>(Extended(T) * P - Extended(S) * S);
    if (U == 0) throw EQMRMath2Error("CalcCircleFit: radius is infinite");
    const Extended Q = s.suu + s.svv;
    const Extended Gy = Q * s.sv - n * (s.suuv + s.svvv);
    const Extended Gx = Q * s.su - n * (s.suvv + s.suuu);
    const Extended du = (S * Gy + T * Gx) / 2 / U;
    const Extended dv = (S * Gx + P * Gy) / 2 / U;
    dx = static_cast<double>(du + s.ShiftX);
    dy = static_cast<double>(dv + s.ShiftY);
    r = static_cast<double>(std::sqrt((Q - 2 * (s.su * du + s.sv * dv) + (du * du + dv * dv) * n) / n));
}

void TCurveFit::CalcAnovaReg(std::int32_t NumVars, bool IncludeConst, std::int32_t& dfreg, std::int32_t& dfres,
                             std::int32_t& dftotal, double& SSE, double& SSR, double& SST, double& MSE, double& MSR,
                             double& F) const {
    SSE = SSR = SST = MSE = MSR = F = 0;
    dfreg = NumVars;
    dftotal = IncludeConst ? FNumData - 1 : FNumData;
    const std::int64_t Res = std::int64_t{dftotal} - NumVars;
    dfres = static_cast<std::int32_t>(std::clamp<std::int64_t>(Res, std::numeric_limits<std::int32_t>::min(),
                                                               std::numeric_limits<std::int32_t>::max()));
    if (NumVars < 1 || Res < 1) throw EQMRMath2Error("CalcAnovaReg: not enough data points");
    const detail::TCurveFitSums& s = FSums;
    const Extended n = FNumData;
    Extended SSr = s.sumyq, SSt = s.sumxq;
    if (IncludeConst) {
        // About the mean m of x: the sum of squares of x is its centred one, that of y its
        // centred one plus n (mean y - m)^2, both from the sums about the shifts.
        const Extended c = s.ShiftY + s.sv / n - (s.ShiftX + s.su / n);
        SSt = s.suu - s.su * s.su / n;
        SSr = s.svv - s.sv * s.sv / n + n * c * c;
    }
    SSE = static_cast<double>(s.SumDiffq);
    SSR = static_cast<double>(SSr);
    SST = static_cast<double>(SSt);
    MSE = static_cast<double>(s.SumDiffq / dfres);
    MSR = static_cast<double>(SSr / dfreg);
    F = MSR == 0 ? 0 : MSE == 0 ? 1e10 : MSR / MSE;
}

// ---------------------------------------------------------------- polynomial fits

bool TCurveFit::CalcPolyFit(std::int32_t nOrder, TDoubleArray& kArray, double& FitQual, bool& NearSingular) const {
    TDoubleArray Alpha;
    double XShift = 0;
    return PolyFit(nOrder, kArray, Alpha, FitQual, NearSingular, false, XShift);
}

bool TCurveFit::CalcPolyFit(std::int32_t nOrder, TDoubleArray& kArray, TDoubleArray& Alpha, double& FitQual,
                            bool& NearSingular) const {
    double XShift = 0;
    return PolyFit(nOrder, kArray, Alpha, FitQual, NearSingular, false, XShift);
}

bool TCurveFit::CalcCenteredPolyFit(std::int32_t nOrder, TDoubleArray& kArray, double& XShift, double& FitQual,
                                    bool& NearSingular) const {
    TDoubleArray Alpha;
    return PolyFit(nOrder, kArray, Alpha, FitQual, NearSingular, true, XShift);
}

bool TCurveFit::CalcCenteredPolyFit(std::int32_t nOrder, TDoubleArray& kArray, TDoubleArray& alpha, double& XShift,
                                    double& FitQual, bool& NearSingular) const {
    return PolyFit(nOrder, kArray, alpha, FitQual, NearSingular, true, XShift);
}

bool TCurveFit::PolyFit(std::int32_t nOrder, TDoubleArray& kArray, TDoubleArray& Alpha, double& FitQual,
                        bool& NearSingular, bool Centred, double& XShift) const {
    if (nOrder < 0 || nOrder >= FNumData) return false;
    AbortMathProc = false;
    const auto n = static_cast<std::size_t>(FNumData);
    const auto m = static_cast<std::size_t>(nOrder) + 1;
    const auto Order = static_cast<std::size_t>(nOrder);
    const double* X = detail::TMatrixAccess::Data(FData);
    const double* Y = X + detail::TMatrixAccess::Ld(FData);

    // The centred fit works on t = (x - XShift) / s_x against y - mean y.
    double Shift = 0, Scale = 1, MeanY = 0;
    if (Centred) {
        double MeanX = 0, VarX = 1, VarY = 1;
        FData.MeanVar(1, 1, 1, FNumData, MeanX, VarX);
        FData.MeanVar(2, 1, 2, FNumData, MeanY, VarY);
        if (XShift == 0) XShift = MeanX;
        Shift = XShift;
        Scale = std::sqrt(VarX);
        if (Scale == 0) Scale = 1;
    }
    auto Arg = [&](std::size_t i) { return Centred ? (X[i] - Shift) / Scale : X[i]; };

    // Design: column j (0-based, j < nOrder) holds t^(j+1), the last column 1.
    std::vector<double> A(n * m), B(n), c(m, 0.0), se(m, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        B[i] = Centred ? Y[i] - MeanY : Y[i];
        A[Order * n + i] = 1;
    }
    if (Order > 0) {
        for (std::size_t i = 0; i < n; ++i) A[i] = Arg(i);
        for (std::size_t j = 1; j < Order; ++j)
            for (std::size_t i = 0; i < n; ++i) A[j * n + i] = A[(j - 1) * n + i] * A[i];
    }
    const bool Ok = detail::SolveLeastSquares(A.data(), n, m, n, B.data(), c.data(), se.data(), NearSingular,
                                              detail::TProgressMode::Report);

    // Fitted values, residuals and the correlation of fitted and observed (two passes).
    std::vector<double>& Fit = A;  // U is no longer needed
    Extended SumB = 0, SumF = 0, SumBq = 0, SumFq = 0, SSres = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = Arg(i);
        Extended F = c[Order], P = 1;
        for (std::size_t j = 0; j < Order; ++j) {
            P *= t;
            F += c[j] * P;
        }
        Fit[i] = static_cast<double>(F);
        const Extended Res = Centred ? F + MeanY - Y[i] : F - B[i];
        SSres += Res * Res;
        SumB += B[i];
        SumF += F;
        SumBq += Extended(B[i]) * B[i];
        SumFq += F * F;
    }
    const Extended N = FNumData;
    const Extended MB = SumB / N, MF = SumF / N;
    Extended Sbb = 0, Sff = 0, Sbf = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Extended db = B[i] - MB, df = Fit[i] - MF;
        Sbb += db * db;
        Sff += df * df;
        Sbf += db * df;
    }
    double r = 0;
    if (SumBq > 0 && SumFq > 0 && Sbb != 0 && Sff != 0) r = static_cast<double>(Sbf / std::sqrt(Sbb * Sff));
    FitQual = r * r;

    const std::int64_t df = FNumData - nOrder - 1;
    const double s = df > 0 ? static_cast<double>(std::sqrt(SSres / df)) : 0.0;
    if (kArray.size() < m) kArray.resize(m);
    Alpha.assign(m, 0.0);
    // Coefficient k of the result is c[k - 1] of the solver, the constant its last.
    auto Solver = [&](std::size_t k) { return k == 0 ? Order : k - 1; };
    Extended Pow = 1;
    for (std::size_t k = 0; k < m; ++k) {
        const std::size_t j = Solver(k);
        if (k > 0) Pow *= Scale;
        kArray[k] = k == 0 ? c[j] + MeanY : static_cast<double>(c[j] / Pow);
        if (s != 0 && se[j] != 0) Alpha[k] = TwoSidedT(std::fabs(c[j] / s / se[j]), df);
    }
    return Ok;
}

}  // namespace qmr
