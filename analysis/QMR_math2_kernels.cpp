// Kernel convolution, image correlation, Mahalanobis distance, parenthesis check,
// Gaussian peaks, sigmoids and Gaussian similarity kernels.
#include "analysis/QMR_math2.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "foundations/detail/openarrays_core.h"
#include "platform/Qmr_qmrcolors.h"
#include "platform/rtl_images.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace qmr {

// ---------------------------------------------------------------- convolution

namespace {

using TKernel3 = std::array<std::array<double, 3>, 3>;

// Compass and Kirsch kernels by direction, [first index][second index].
constexpr TKernel3 CompassKernels[8] = {
    {{{-1, -1, -1}, {1, -2, 1}, {1, 1, 1}}},   {{{1, -1, -1}, {1, -2, -1}, {1, 1, 1}}},
    {{{1, 1, -1}, {1, -2, -1}, {1, 1, -1}}},   {{{1, 1, 1}, {1, -2, -1}, {1, -1, -1}}},
    {{{1, 1, 1}, {1, -2, 1}, {-1, -1, -1}}},   {{{1, 1, 1}, {-1, -2, 1}, {-1, -1, 1}}},
    {{{-1, 1, 1}, {-1, -2, 1}, {-1, 1, 1}}},   {{{-1, -1, 1}, {-1, -2, 1}, {1, 1, 1}}},
};
constexpr TKernel3 KirschKernels[8] = {
    {{{-3, -3, -3}, {-3, 0, -3}, {5, 5, 5}}},  {{{-3, -3, -3}, {5, 0, -3}, {5, 5, -3}}},
    {{{5, -3, -3}, {5, 0, -3}, {5, -3, -3}}},  {{{5, 5, -3}, {5, 0, -3}, {-3, -3, -3}}},
    {{{5, 5, 5}, {-3, 0, -3}, {-3, -3, -3}}},  {{{-3, 5, 5}, {-3, 0, 5}, {-3, -3, -3}}},
    {{{-3, -3, 5}, {-3, 0, 5}, {-3, -3, 5}}},  {{{-3, -3, -3}, {-3, 0, 5}, {-3, 5, 5}}},
};

std::int32_t ApplyFixedKernel(const TKernel3 (&Table)[8], std::int32_t Direction, const TDouble2DArray& Data,
                              TDouble2DArray& Result, const TKernelFeedback& Feedback) {
    if (Direction < 0 || Direction > 7) return -1;
    const TKernel3& K = Table[Direction];
    const TDouble2DArray Kernel = {{K[0].begin(), K[0].end()}, {K[1].begin(), K[1].end()}, {K[2].begin(), K[2].end()}};
    return KernelConvolve(Kernel, Data, Result, Feedback);
}

// Cells J..J + N - 1 of an interior column (0-based past the first K div 2 rows): Cols
// are the K source columns, Flat the kernel row by row. The N sums stay in registers.
constexpr std::size_t ConvolveBlock = 4;
template <std::size_t N>
void InteriorBlock(const std::vector<const double*>& Cols, const TDoubleArray& Flat, std::size_t K, std::size_t J,
                   double* Dest) {
    double Acc[N] = {};
    const double* W = Flat.data();
    for (std::size_t P = 0; P < K; ++P) {
        const double* Src = Cols[P] + J;
        for (std::size_t Q = 0; Q < K; ++Q, ++W)
            for (std::size_t B = 0; B < N; ++B) Acc[B] += Src[Q + B] * *W;
    }
    std::copy_n(Acc, N, Dest);
}

std::size_t ClampIndex(std::int64_t I, std::size_t N) {
    return static_cast<std::size_t>(std::clamp<std::int64_t>(I, 0, static_cast<std::int64_t>(N) - 1));
}

}  // namespace

std::int32_t KernelConvolve(const TDouble2DArray& Kernel, const TDouble2DArray& Data, TDouble2DArray& Result,
                            const TKernelFeedback& Feedback) {
    const std::size_t K = Kernel.size();
    std::int32_t Code = 0;
    if (K > 0 && (Kernel[0].size() != K ||
                  std::any_of(Kernel.begin(), Kernel.end(), [K](const TDoubleArray& Row) { return Row.size() < K; })))
        Code = -1;
    if (K % 2 == 0) Code = -2;
    if (K < 3) Code = -3;
    if (Code != 0) return Code;
    if (!detail::oa::Rectangular(Data)) return -4;

    const std::size_t L1 = Data.size();
    const std::size_t L2 = L1 == 0 ? 0 : Data[0].size();
    const std::size_t H = K / 2;
    // Every cell is written below, so Result's storage is reused unless it is one of the
    // inputs.
    TDouble2DArray Scratch;
    const bool Aliased = &Result == &Data || &Result == &Kernel;
    TDouble2DArray& Out = Aliased ? Scratch : Result;
    Out.resize(L1);
    for (TDoubleArray& Col : Out) Col.resize(L2);
    const bool RowsInside = L2 > 2 * H;
    auto InteriorColumn = [&](std::size_t I) { return RowsInside && I >= H && I + H < L1; };

    // Interior: blocks of neighbouring cells of a column share the kernel loop, each cell
    // summing its products in p, q order, so every cell gets the bits of a plain per-cell
    // loop. The kernel is flattened and the K source columns looked up once per column.
    const std::int64_t Step = std::max<std::int64_t>(
        1, (static_cast<std::int64_t>(L1) - static_cast<std::int64_t>(K)) *
               (static_cast<std::int64_t>(L2) - static_cast<std::int64_t>(K)) / 100);
    const std::size_t Inner = RowsInside ? L2 - 2 * H : 0;
    TDoubleArray Flat(K * K);
    for (std::size_t P = 0; P < K; ++P) std::copy_n(Kernel[P].begin(), K, Flat.begin() + static_cast<std::ptrdiff_t>(P * K));
    std::vector<const double*> Cols(K);
    std::int64_t Done = 0;
    for (std::size_t I = 0; I < L1; ++I) {
        if (!InteriorColumn(I)) continue;
        for (std::size_t P = 0; P < K; ++P) Cols[P] = Data[I + P - H].data();
        double* R = Out[I].data() + H;
        std::size_t J = 0;
        for (; J + ConvolveBlock <= Inner; J += ConvolveBlock) InteriorBlock<ConvolveBlock>(Cols, Flat, K, J, R + J);
        for (; J < Inner; ++J) InteriorBlock<1>(Cols, Flat, K, J, R + J);
        if (Feedback) {
            const std::int64_t Before = Done;
            Done += static_cast<std::int64_t>(Inner);
            for (std::int64_t M = (Before / Step + 1) * Step; M <= Done; M += Step)
                Feedback(nullptr, static_cast<std::int32_t>(std::min<std::int64_t>(M / Step, INT32_MAX)));
        }
    }

    // Borders (and every cell of data smaller than the kernel): clamped reads, once each.
    auto Clamped = [&](std::size_t I, std::size_t J) {
        double S = 0;
        for (std::size_t P = 0; P < K; ++P) {
            const TDoubleArray& Col = Data[ClampIndex(static_cast<std::int64_t>(I + P) - static_cast<std::int64_t>(H), L1)];
            for (std::size_t Q = 0; Q < K; ++Q)
                S += Col[ClampIndex(static_cast<std::int64_t>(J + Q) - static_cast<std::int64_t>(H), L2)] * Kernel[P][Q];
        }
        return S;
    };
    for (std::size_t I = 0; I < L1; ++I) {
        if (InteriorColumn(I)) {
            for (std::size_t J = 0; J < H; ++J) Out[I][J] = Clamped(I, J);
            for (std::size_t J = L2 - H; J < L2; ++J) Out[I][J] = Clamped(I, J);
        } else {
            for (std::size_t J = 0; J < L2; ++J) Out[I][J] = Clamped(I, J);
        }
    }
    if (Aliased) Result = std::move(Scratch);
    return 0;
}

std::int32_t ApplyCompassKernel(std::int32_t Direction, const TDouble2DArray& Data, TDouble2DArray& Result,
                                const TKernelFeedback& Feedback) {
    return ApplyFixedKernel(CompassKernels, Direction, Data, Result, Feedback);
}

std::int32_t ApplyKirschKernel(std::int32_t Direction, const TDouble2DArray& Data, TDouble2DArray& Result,
                               const TKernelFeedback& Feedback) {
    return ApplyFixedKernel(KirschKernels, Direction, Data, Result, Feedback);
}

// ---------------------------------------------------------------- distances and images

double MahalanobisDistance(const TVector& X, const TVector& Y, const TMatrix& InvCov) {
    const std::int32_t N = X.NrOfElem();
    if (Y.NrOfElem() != N) throw EQMRVectorError("MahalanobisDistance: dimensions of vectors do not match");
    if (InvCov.NrOfColumns() != InvCov.NrOfRows())
        throw EQMRVectorError("MahalanobisDistance: inverse covariance matrix is not quadratric");
    if (InvCov.NrOfColumns() != N)
        throw EQMRVectorError("MahalanobisDistance: dimension of vectors and inverse covariance matrix do not match");
    std::vector<Extended> D(static_cast<std::size_t>(N));
    for (std::int32_t I = 1; I <= N; ++I) D[static_cast<std::size_t>(I - 1)] = X.Elem(I) - Y.Elem(I);
    Extended Q = 0;
    for (std::int32_t I = 1; I <= N; ++I) {
        Extended S = 0;
        for (std::int32_t J = 1; J <= N; ++J) S += InvCov.Elem(J, I) * D[static_cast<std::size_t>(J - 1)];
        Q += D[static_cast<std::size_t>(I - 1)] * S;
    }
    if (Q < 0)
        throw EQMRVectorError("MahalanobisDistance: the inverse covariance matrix must be symmetric and positive definite");
    return static_cast<double>(std::sqrt(Q));
}

namespace {

double ChannelValue(std::uint32_t Color, TImgCompareMode Mode) {
    const auto R = static_cast<std::uint8_t>(Color & 0xFF);
    const auto G = static_cast<std::uint8_t>((Color >> 8) & 0xFF);
    const auto B = static_cast<std::uint8_t>((Color >> 16) & 0xFF);
    double Hue = 0, Sat = 0, Int = 0;
    switch (Mode) {
    case TImgCompareMode::icmRed: return R;
    case TImgCompareMode::icmBlue: return B;
    case TImgCompareMode::icmGreen: return G;
    case TImgCompareMode::icmGrayValues: return RGBtoGray(R, G, B);
    case TImgCompareMode::icmHue:
    case TImgCompareMode::icmLightness:
    case TImgCompareMode::icmSaturation: break;
    }
    RGBtoHSI(R, G, B, Hue, Sat, Int);
    if (Mode == TImgCompareMode::icmHue) return Hue;
    return Mode == TImgCompareMode::icmLightness ? Int : Sat;
}

// Clips First..Last (inclusive) to the positions P with 0 <= P < Size1 and 0 <= P + Shift < Size2.
void ClipSpan(std::int64_t& First, std::int64_t& Last, std::int64_t Shift, std::int64_t Size1, std::int64_t Size2) {
    First = std::max({First, std::int64_t{0}, -Shift});
    Last = std::min({Last, Size1 - 1, Size2 - 1 - Shift});
}

}  // namespace

double CalcImgCorrelation(const TBitmap& Img1, const TBitmap& Img2, const TRect& Area1, const TRect& Area2,
                          TImgCompareMode Mode) {
    if (static_cast<std::int64_t>(Area1.Right) - Area1.Left != static_cast<std::int64_t>(Area2.Right) - Area2.Left)
        throw EQMRMath2Error("image ranges to compare are not of equal size");
    const std::int64_t Dx = static_cast<std::int64_t>(Area2.Left) - Area1.Left;
    const std::int64_t Dy = static_cast<std::int64_t>(Area2.Top) - Area1.Top;
    std::int64_t X0 = Area1.Left, X1 = Area1.Right, Y0 = Area1.Top, Y1 = Area1.Bottom;
    ClipSpan(X0, X1, Dx, Img1.Width(), Img2.Width());
    ClipSpan(Y0, Y1, Dy, Img1.Height(), Img2.Height());

    // Two passes over the pairs: means, then centred sums.
    auto ForEachPair = [&](auto&& F) {
        for (std::int64_t Y = Y0; Y <= Y1; ++Y)
            for (std::int64_t X = X0; X <= X1; ++X)
                F(ChannelValue(Img1.Pixel(static_cast<std::int32_t>(X), static_cast<std::int32_t>(Y)), Mode),
                  ChannelValue(Img2.Pixel(static_cast<std::int32_t>(X + Dx), static_cast<std::int32_t>(Y + Dy)), Mode));
    };
    std::int64_t N = 0;
    Extended Sx = 0, Sy = 0;
    ForEachPair([&](double A, double B) {
        ++N;
        Sx += A;
        Sy += B;
    });
    if (N < 3) return 0;
    const Extended Mx = Sx / N, My = Sy / N;
    Extended Qx = 0, Qy = 0, Qxy = 0;
    ForEachPair([&](double A, double B) {
        const Extended Da = A - Mx, Db = B - My;
        Qx += Da * Da;
        Qy += Db * Db;
        Qxy += Da * Db;
    });
    if (Qx == 0 || Qy == 0) return 0;
    return static_cast<double>(Qxy / std::sqrt(Qx * Qy));
}

// ---------------------------------------------------------------- expressions

std::int32_t CheckParanthInExp(const std::string& Expr) {
    std::int64_t Depth = 0;
    for (std::size_t P = 0; P < Expr.size(); ++P) {
        if (Expr[P] == '(') {
            ++Depth;
        } else if (Expr[P] == ')') {
            if (Depth == 0) return -static_cast<std::int32_t>(std::min<std::size_t>(P + 1, INT32_MAX));
            --Depth;
        }
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(Depth, INT32_MAX));
}

// ---------------------------------------------------------------- shapes

std::int32_t CreateGaussianPeaks(const TPeakParamsList& Peaks, TDoubleArray& Data) {
    std::int32_t Code = 0;
    if (Peaks.empty()) Code = -1;
    if (Data.size() < 3) Code = -2;
    if (Code != 0) return Code;
    for (std::size_t I = 0; I < Data.size(); ++I) {
        const double Pos = static_cast<double>(I + 1);
        double S = 0;
        for (const TGaussPeakParams& Peak : Peaks) {
            const auto& [Position, Width, Height] = Peak;
            if (Width == 0) {
                if (Pos == Position) S += Height;
            } else {
                const double Z = (Pos - Position) / Width;
                S += Height * std::exp(-Z * Z);
            }
        }
        Data[I] = S;
    }
    return 0;
}

std::int32_t Gauss2D(std::int32_t CentX, std::int32_t CentY, double Width, double Amplitude, TDouble2DArray& Data) {
    std::int32_t Code = 0;
    if (!(Width > 0)) Code = -1;
    if (Data.size() < 2 || Data[0].size() < 2 || !detail::oa::Rectangular(Data)) Code = -2;
    if (Code != 0) return Code;
    const double W2 = Width * Width;
    for (std::size_t I = 0; I < Data.size(); ++I) {
        const double Dx = static_cast<double>(static_cast<std::int64_t>(I) + 1 - CentX);
        for (std::size_t J = 0; J < Data[I].size(); ++J) {
            const double Dy = static_cast<double>(static_cast<std::int64_t>(J) + 1 - CentY);
            Data[I][J] = Amplitude * std::exp(-(Dx * Dx + Dy * Dy) / W2);
        }
    }
    return 0;
}

std::int32_t CreateSigmoidArray(TDoubleArray& Data, double Slope, double Offset, double Amplitude, std::int32_t Center) {
    if (Data.size() <= 2) return -1;
    for (std::size_t I = 0; I < Data.size(); ++I) {
        const double D = static_cast<double>(static_cast<std::int64_t>(I) + 1 - Center);
        Data[I] = Offset + Amplitude / (1 + std::exp(-Slope * D));
    }
    return 0;
}

namespace {

// exp(-min(S / Width², 20)); 1 for S = 0 (no 0 / 0 for Width 0).
double GaussOfSquares(Extended S, double Width) {
    if (S == 0) return 1;
    Extended E = S / (static_cast<Extended>(Width) * Width);
    if (E > 20) E = 20;
    return static_cast<double>(std::exp(-E));
}

}  // namespace

double CalcGaussKernel(const TVector& X, const TVector& Y, double Width) {
    Extended S = 0;
    for (std::int32_t I = 1; I <= Y.NrOfElem(); ++I) {
        const Extended D = X.Elem(I) - Y.Elem(I);
        S += D * D;
    }
    return GaussOfSquares(S, Width);
}

double CalcGaussKernelMat(const TVector& X, const TMatrix& Mat, std::int32_t Row, double Width) {
    Extended S = 0;
    for (std::int32_t C = 1; C <= Mat.NrOfColumns(); ++C) {
        const Extended D = X.Elem(C) - Mat.Elem(C, Row);
        S += D * D;
    }
    return GaussOfSquares(S, Width);
}

}  // namespace qmr
