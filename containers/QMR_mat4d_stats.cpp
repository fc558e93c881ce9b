// TMat4D: range statistics, the nearest-value search, the block copies to and from
// matrices, vectors and arrays, and the unit's array copy routines.
#include "containers/QMR_mat4d_detail.h"
#include "containers/QMR_matrix_algos.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <span>

namespace qmr {

using detail::TRange4;
using detail::TStepCadence;

namespace {

// Visits the range column outermost, then row, layer, time slot innermost: Cell(value)
// for every element, Position() after each (column, row).
template <class CellFn, class PosFn>
void Visit(const TMat4D& M, const double* Data, const TRange4& R, CellFn&& Cell, PosFn&& Position) {
    const auto X = static_cast<std::size_t>(M.NrOfColumns());
    const std::size_t PlaneSize = X * static_cast<std::size_t>(M.NrOfRows());
    const std::size_t SlotSize = PlaneSize * static_cast<std::size_t>(M.NrOfLayers());
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            const double* Pixel = Data + static_cast<std::size_t>(Rw - 1) * X + static_cast<std::size_t>(C - 1);
            for (std::int32_t L = R.L0; L <= R.L1; ++L) {
                const double* P = Pixel + static_cast<std::size_t>(L - 1) * PlaneSize;
                for (std::int32_t T = R.T0; T <= R.T1; ++T) Cell(P[static_cast<std::size_t>(T - 1) * SlotSize], C, Rw, L, T);
            }
            Position();
        }
}

void NoPosition() {}

}  // namespace

// ---------------------------------------------------------------- statistics

std::int64_t TMat4D::CountValues(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                 std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                 std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, double RangeLow,
                                 double RangeHigh) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    std::int64_t N = 0;
    Visit(*this, FMat.data(), R, [&](double V, auto...) { N += RangeLow <= V && V <= RangeHigh; }, NoPosition);
    return N;
}

void TMat4D::Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                  std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, std::int32_t HighTimeSlot,
                  double Value, std::int32_t& ColIx, std::int32_t& RowIx, std::int32_t& LayerIx,
                  std::int32_t& TimeSlotIx) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    ColIx = RowIx = LayerIx = TimeSlotIx = 0;
    Extended Best = uc_MaxDouble;
    Visit(
        *this, FMat.data(), R,
        [&](double V, std::int32_t C, std::int32_t Rw, std::int32_t L, std::int32_t T) {
            const Extended D = std::fabs(static_cast<Extended>(V) - Value);
            if (D < Best) {
                Best = D;
                ColIx = C, RowIx = Rw, LayerIx = L, TimeSlotIx = T;
            }
        },
        NoPosition);
}

void TMat4D::MinMax(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                    std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, std::int32_t HighTimeSlot,
                    double& Minimum, double& Maximum) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    auto Steps = TStepCadence::Positions(R.Cols(), R.Rows());
    detail::TExtremes E;
    Visit(*this, FMat.data(), R, [&](double V, auto...) { E.Take(V); }, [&] { Steps.Advance(); });
    Minimum = E.Lo;
    Maximum = E.Hi;
}

void TMat4D::MeanVar(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                     std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                     std::int32_t HighTimeSlot, double& Mean, double& Variance) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    auto Steps = TStepCadence::Positions(R.Cols(), R.Rows());
    const std::int64_t N = R.Count();
    Extended S = 0;
    Visit(*this, FMat.data(), R, [&](double V, auto...) { S += V; }, [&] { Steps.Advance(); });
    const Extended M = S / static_cast<Extended>(N);
    Mean = static_cast<double>(M);
    if (N < 3) {
        Variance = 1;
        return;
    }
    // Second pass about the mean; the sum of the deviations corrects the mean's rounding.
    Extended S1 = 0, S2 = 0;
    Visit(
        *this, FMat.data(), R,
        [&](double V, auto...) {
            const Extended D = V - M;
            S1 += D;
            S2 += D * D;
        },
        NoPosition);
    Variance = detail::VarianceOf(N, S1, S2);
}

Extended TMat4D::Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                            std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                            std::int32_t LowTimeSlot, std::int32_t HighTimeSlot) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    const std::int64_t N = R.Count();
    // The selection indexes its scratch array with 32-bit positions.
    if (N > std::numeric_limits<std::int32_t>::max()) Raise(detail::Mat4DNoMemHeap);
    TDoubleArray Values;
    try {
        Values.reserve(static_cast<std::size_t>(N));
    } catch (const std::bad_alloc&) {
        Raise(detail::Mat4DNoMemHeap);
    }
    Visit(*this, FMat.data(), R, [&](double V, auto...) { Values.push_back(V); }, NoPosition);
    return detail::SelectPercentile(Values, prob);
}

Extended TMat4D::Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                            std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                            std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t SampleSize) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    if (SampleSize <= 0 || SampleSize >= R.Count())
        return Percentile(prob, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    TDoubleArray Sample;
    try {
        Sample.resize(static_cast<std::size_t>(SampleSize));
    } catch (const std::bad_alloc&) {
        Raise(detail::Mat4DNoMemHeap);
    }
    Randomize();
    for (double& V : Sample) {
        const std::int32_t C = R.C0 + Random(static_cast<std::int32_t>(R.Cols()));
        const std::int32_t Rw = R.R0 + Random(static_cast<std::int32_t>(R.Rows()));
        const std::int32_t L = R.L0 + Random(static_cast<std::int32_t>(R.Layers()));
        const std::int32_t T = R.T0 + Random(static_cast<std::int32_t>(R.Slots()));
        V = FMat[Index(C, Rw, L, T)];
    }
    return detail::SelectPercentile(Sample, prob);
}

Extended TMat4D::Sum(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                     std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                     std::int32_t HighTimeSlot) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    auto Steps = TStepCadence::Positions(R.Cols(), R.Rows());
    Extended S = 0;
    Visit(*this, FMat.data(), R, [&](double V, auto...) { S += V; }, [&] { Steps.Advance(); });
    return S;
}

Extended TMat4D::SquaredSum(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                            std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                            std::int32_t HighTimeSlot) const {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeSlot, HighTimeSlot);
    auto Steps = TStepCadence::Positions(R.Cols(), R.Rows());
    Extended S = 0;
    Visit(*this, FMat.data(), R, [&](double V, auto...) { S += static_cast<Extended>(V) * V; }, [&] { Steps.Advance(); });
    return S;
}

// ---------------------------------------------------------------- copies out

std::int32_t TMat4D::CopyTimeSlotToArray(TDouble3DArray& DestMat, std::int32_t LowCol, std::int32_t HighCol,
                                         std::int32_t LowRow, std::int32_t HighRow, std::int32_t LowLay,
                                         std::int32_t HighLay, std::int32_t TimeSlot) const {
    if (TimeSlot < 1 || TimeSlot > FNumT) return -1;
    const TRange4 R = detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLay, HighLay, TimeSlot, TimeSlot);
    TDouble3DArray A(static_cast<std::size_t>(R.Cols()),
                     TDouble2DArray(static_cast<std::size_t>(R.Rows()), TDoubleArray(static_cast<std::size_t>(R.Layers()))));
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw)
            for (std::int32_t L = R.L0; L <= R.L1; ++L)
                A[static_cast<std::size_t>(C - R.C0)][static_cast<std::size_t>(Rw - R.R0)][static_cast<std::size_t>(L - R.L0)] =
                    FMat[Index(C, Rw, L, TimeSlot)];
    DestMat = std::move(A);
    return 0;
}

void TMat4D::CopyTimeSlotToMat3D(TMat3D* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                 std::int32_t HighRow, std::int32_t LowLay, std::int32_t HighLay,
                                 std::int32_t TimeSlot) const {
    if (TimeSlot < 1 || TimeSlot > FNumT) Raise(detail::Mat4DTSlotBeyond);
    if (DestMat == nullptr) return;
    const TRange4 R = detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLay, HighLay, TimeSlot, TimeSlot);
    DestMat->Resize(static_cast<std::int32_t>(R.Cols()), static_cast<std::int32_t>(R.Rows()),
                    static_cast<std::int32_t>(R.Layers()));
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw)
            for (std::int32_t L = R.L0; L <= R.L1; ++L)
                DestMat->SetElem(C - R.C0 + 1, Rw - R.R0 + 1, L - R.L0 + 1, FMat[Index(C, Rw, L, TimeSlot)]);
}

void TMat4D::CopyLayerToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                               std::int32_t HighRow, std::int32_t Layer, std::int32_t TimeSlot) const {
    if (Layer < 1 || Layer > FNumZ) Raise(detail::Mat4DLayerBeyond);
    if (TimeSlot < 1 || TimeSlot > FNumT) Raise(detail::Mat4DTSlotBeyond);
    if (DestMat == nullptr) return;
    const TRange4 R = detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, Layer, Layer, TimeSlot, TimeSlot);
    DestMat->Resize(static_cast<std::int32_t>(R.Cols()), static_cast<std::int32_t>(R.Rows()));
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw)
            DestMat->SetElem(C - R.C0 + 1, Rw - R.R0 + 1, FMat[Index(C, Rw, Layer, TimeSlot)]);
}

std::int32_t TMat4D::CopyLayerToArray(TDouble2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol,
                                      std::int32_t LowRow, std::int32_t HighRow, std::int32_t Layer,
                                      std::int32_t TimeSlot) const {
    std::int32_t Result = 0;
    if (Layer < 1 || Layer > FNumZ) Result = -1;
    if (TimeSlot < 1 || TimeSlot > FNumT) Result = -2;
    if (Result != 0) return Result;
    const TRange4 R = detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, Layer, Layer, TimeSlot, TimeSlot);
    TDouble2DArray A(static_cast<std::size_t>(R.Cols()), TDoubleArray(static_cast<std::size_t>(R.Rows())));
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw)
            A[static_cast<std::size_t>(C - R.C0)][static_cast<std::size_t>(Rw - R.R0)] = FMat[Index(C, Rw, Layer, TimeSlot)];
    DestArray = std::move(A);
    return 0;
}

namespace {

// The pixel codes: -1 bad column, -2 bad row, -3 bad slot (the later failure wins).
std::int32_t PixelCode(const TMat4D& M, std::int32_t Col, std::int32_t Row, std::int32_t TimeSlot) noexcept {
    std::int32_t Result = 0;
    if (Col < 1 || Col > M.NrOfColumns()) Result = -1;
    if (Row < 1 || Row > M.NrOfRows()) Result = -2;
    if (TimeSlot < 1 || TimeSlot > M.NrOfTimeSlots()) Result = -3;
    return Result;
}

// The same with the first layer: -3 bad first layer, -4 bad slot.
std::int32_t PixelCode(const TMat4D& M, std::int32_t Col, std::int32_t Row, std::int32_t FirstLayer,
                       std::int32_t TimeSlot) noexcept {
    std::int32_t Result = 0;
    if (Col < 1 || Col > M.NrOfColumns()) Result = -1;
    if (Row < 1 || Row > M.NrOfRows()) Result = -2;
    if (FirstLayer < 1 || FirstLayer > M.NrOfLayers()) Result = -3;
    if (TimeSlot < 1 || TimeSlot > M.NrOfTimeSlots()) Result = -4;
    return Result;
}

}  // namespace

std::int32_t TMat4D::CopyPixelTo1DArray(TDoubleArray& Dest, std::int32_t Col, std::int32_t Row,
                                        std::int32_t TimeSlot) const {
    if (const std::int32_t Code = PixelCode(*this, Col, Row, TimeSlot); Code != 0) return Code;
    TDoubleArray A(static_cast<std::size_t>(FNumZ));
    for (std::int32_t L = 1; L <= FNumZ; ++L) A[static_cast<std::size_t>(L - 1)] = FMat[Index(Col, Row, L, TimeSlot)];
    Dest = std::move(A);
    return 0;
}

std::int32_t TMat4D::CopyPixelToVector(TVector* Dest, std::int32_t Col, std::int32_t Row,
                                       std::int32_t TimeSlot) const {
    if (Dest == nullptr) return -1;
    if (const std::int32_t Code = PixelCode(*this, Col, Row, TimeSlot); Code != 0) return Code;
    Dest->Resize(FNumZ);
    for (std::int32_t L = 1; L <= FNumZ; ++L) Dest->SetElem(L, FMat[Index(Col, Row, L, TimeSlot)]);
    return 0;
}

// ---------------------------------------------------------------- copies in

namespace {

// The part of Lo..Hi (64-bit) whose targets I + Shift lie in 1..Count.
void Overlap(std::int64_t& Lo, std::int64_t& Hi, std::int64_t Shift, std::int32_t Count) noexcept {
    Lo = std::max<std::int64_t>(Lo, 1 - Shift);
    Hi = std::min<std::int64_t>(Hi, Count - Shift);
}

}  // namespace

void TMat4D::CopyFrom(const TMat4D* MatSource, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                      std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t SrcLowLayer,
                      std::int32_t SrcHighLayer, std::int32_t SrcLowTSlot, std::int32_t SrcHighTSlot,
                      std::int32_t DestCol, std::int32_t DestRow, std::int32_t DestLayer, std::int32_t DestTSlot) {
    if (MatSource == nullptr) return;
    const TRange4 R = detail::ValidRange(*MatSource, SrcLowCol, SrcHighCol, SrcLowRow, SrcHighRow, SrcLowLayer,
                                         SrcHighLayer, SrcLowTSlot, SrcHighTSlot);
    auto Steps = TStepCadence::Positions(R.Cols(), R.Rows());
    // Copying a matrix onto itself reads from a copy of the source block.
    TMat4D Copy(nullptr);
    const TMat4D* Src = MatSource;
    std::int64_t SC = 0, SR = 0, SL = 0, ST = 0;  // source index shift of the copy
    if (MatSource == this) {
        Copy.FMat = NewStorage(static_cast<std::int32_t>(R.Cols()), static_cast<std::int32_t>(R.Rows()),
                               static_cast<std::int32_t>(R.Layers()), static_cast<std::int32_t>(R.Slots()));
        Copy.FNumX = static_cast<std::int32_t>(R.Cols());
        Copy.FNumY = static_cast<std::int32_t>(R.Rows());
        Copy.FNumZ = static_cast<std::int32_t>(R.Layers());
        Copy.FNumT = static_cast<std::int32_t>(R.Slots());
        for (std::int32_t T = R.T0; T <= R.T1; ++T)
            for (std::int32_t L = R.L0; L <= R.L1; ++L)
                for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw)
                    std::copy_n(FMat.data() + Index(R.C0, Rw, L, T), R.Cols(),
                                Copy.FMat.data() + Copy.Index(1, Rw - R.R0 + 1, L - R.L0 + 1, T - R.T0 + 1));
        Src = &Copy;
        SC = R.C0 - 1, SR = R.R0 - 1, SL = R.L0 - 1, ST = R.T0 - 1;
    }
    const std::int64_t DC = std::int64_t{DestCol} - R.C0, DR = std::int64_t{DestRow} - R.R0,
                       DL = std::int64_t{DestLayer} - R.L0, DT = std::int64_t{DestTSlot} - R.T0;
    std::int64_t L0 = R.L0, L1 = R.L1, T0 = R.T0, T1 = R.T1, R0 = R.R0, R1 = R.R1, C0 = R.C0, C1 = R.C1;
    Overlap(L0, L1, DL, FNumZ);
    Overlap(T0, T1, DT, FNumT);
    Overlap(R0, R1, DR, FNumY);
    Overlap(C0, C1, DC, FNumX);
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            if (C >= C0 && C <= C1 && Rw >= R0 && Rw <= R1)
                for (std::int64_t L = L0; L <= L1; ++L)
                    for (std::int64_t T = T0; T <= T1; ++T)
                        FMat[Index(static_cast<std::int32_t>(C + DC), static_cast<std::int32_t>(Rw + DR),
                                   static_cast<std::int32_t>(L + DL), static_cast<std::int32_t>(T + DT))] =
                            Src->FMat[Src->Index(static_cast<std::int32_t>(C - SC), static_cast<std::int32_t>(Rw - SR),
                                                 static_cast<std::int32_t>(L - SL), static_cast<std::int32_t>(T - ST))];
            Steps.Advance();
        }
    Changed();
}

std::int32_t TMat4D::CopyArrayToLayer(const TDouble2DArray& SrcArray, std::int32_t Col, std::int32_t Row,
                                      std::int32_t Layer, std::int32_t TimeSlot) {
    std::int32_t Result = 0;
    if (Layer < 1 || Layer > FNumZ) Result = -1;
    if (TimeSlot < 1 || TimeSlot > FNumT) Result = -2;
    if (Result != 0) return Result;
    for (std::size_t I = 0; I < SrcArray.size(); ++I)
        for (std::size_t J = 0; J < SrcArray[I].size(); ++J) {
            const std::int64_t C = Col + static_cast<std::int64_t>(I), Rw = Row + static_cast<std::int64_t>(J);
            if (C >= 1 && C <= FNumX && Rw >= 1 && Rw <= FNumY)
                FMat[Index(static_cast<std::int32_t>(C), static_cast<std::int32_t>(Rw), Layer, TimeSlot)] = SrcArray[I][J];
        }
    return 0;
}

std::int32_t TMat4D::Copy1DArrayToPixel(const TDoubleArray& Src, std::int32_t Col, std::int32_t Row,
                                        std::int32_t FirstLayer, std::int32_t TimeSlot) {
    if (const std::int32_t Code = PixelCode(*this, Col, Row, FirstLayer, TimeSlot); Code != 0) return Code;
    const std::size_t N = std::min(Src.size(), static_cast<std::size_t>(FNumZ - FirstLayer + 1));
    for (std::size_t K = 0; K < N; ++K) FMat[Index(Col, Row, FirstLayer + static_cast<std::int32_t>(K), TimeSlot)] = Src[K];
    return 0;
}

std::int32_t TMat4D::CopyVectorToPixel(const TVector* Src, std::int32_t Col, std::int32_t Row,
                                       std::int32_t FirstLayer, std::int32_t TimeSlot) {
    if (Src == nullptr) return -1;
    if (const std::int32_t Code = PixelCode(*this, Col, Row, FirstLayer, TimeSlot); Code != 0) return Code;
    const std::int32_t N = std::min(Src->NrOfElem(), FNumZ - FirstLayer + 1);
    for (std::int32_t K = 1; K <= N; ++K)
        FMat[Index(Col, Row, FirstLayer + K - 1, TimeSlot)] = static_cast<double>(Src->Elem(K));
    return 0;
}

void TMat4D::CopyMatrixToLayer(const TMatrix* SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                               std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t Layer,
                               std::int32_t TimeSlot, std::int32_t LayLowCol, std::int32_t LayLowRow) {
    if (Layer < 1 || Layer > FNumZ) Raise(detail::Mat4DLayerBeyond);
    if (TimeSlot < 1 || TimeSlot > FNumT) Raise(detail::Mat4DTSlotBeyond);
    if (SrcMat == nullptr) return;
    MakeValidColRange(SrcLowCol, SrcHighCol);
    MakeValidRowRange(SrcLowRow, SrcHighRow);
    const std::int64_t DC = std::int64_t{LayLowCol} - SrcLowCol, DR = std::int64_t{LayLowRow} - SrcLowRow;
    std::int64_t C0 = SrcLowCol, C1 = SrcHighCol, R0 = SrcLowRow, R1 = SrcHighRow;
    Overlap(C0, C1, DC, FNumX);
    Overlap(R0, R1, DR, FNumY);
    for (std::int64_t C = C0; C <= C1; ++C)
        for (std::int64_t Rw = R0; Rw <= R1; ++Rw)
            FMat[Index(static_cast<std::int32_t>(C + DC), static_cast<std::int32_t>(Rw + DR), Layer, TimeSlot)] =
                static_cast<double>(SrcMat->Elem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(Rw)));
}

void TMat4D::CopyMat3DToTimeSlot(const TMat3D* SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                                 std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t SrcLowLay,
                                 std::int32_t SrcHighLay, std::int32_t TimeSlot, std::int32_t DestCol,
                                 std::int32_t DestRow, std::int32_t DestLayer) {
    if (TimeSlot < 1 || TimeSlot > FNumT) Raise(detail::Mat4DTSlotBeyond);
    if (SrcMat == nullptr) return;
    SrcMat->MakeValidColRange(SrcLowCol, SrcHighCol);
    SrcMat->MakeValidRowRange(SrcLowRow, SrcHighRow);
    SrcMat->MakeValidLayerRange(SrcLowLay, SrcHighLay);
    const std::int64_t DC = std::int64_t{DestCol} - SrcLowCol, DR = std::int64_t{DestRow} - SrcLowRow,
                       DL = std::int64_t{DestLayer} - SrcLowLay;
    std::int64_t C0 = SrcLowCol, C1 = SrcHighCol, R0 = SrcLowRow, R1 = SrcHighRow, L0 = SrcLowLay, L1 = SrcHighLay;
    Overlap(C0, C1, DC, FNumX);
    Overlap(R0, R1, DR, FNumY);
    Overlap(L0, L1, DL, FNumZ);
    for (std::int64_t C = C0; C <= C1; ++C)
        for (std::int64_t Rw = R0; Rw <= R1; ++Rw)
            for (std::int64_t L = L0; L <= L1; ++L)
                FMat[Index(static_cast<std::int32_t>(C + DC), static_cast<std::int32_t>(Rw + DR),
                           static_cast<std::int32_t>(L + DL), TimeSlot)] =
                    static_cast<double>(SrcMat->Elem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(Rw),
                                                     static_cast<std::int32_t>(L)));
}

namespace {

// A 0-based source pair over Count positions: (0, 0) the whole axis; false when a bound
// lies outside 0..Count - 1.
bool ArrayPair(std::int32_t& Lo, std::int32_t& Hi, std::size_t Count) noexcept {
    if (Lo == 0 && Hi == 0) {
        if (Count == 0) return false;
        Hi = static_cast<std::int32_t>(std::min<std::size_t>(Count - 1, std::numeric_limits<std::int32_t>::max()));
        return true;
    }
    return Lo >= 0 && Hi >= 0 && static_cast<std::size_t>(Lo) < Count && static_cast<std::size_t>(Hi) < Count;
}

}  // namespace

std::int32_t TMat4D::CopyArrayToTimeSlot(const TDouble3DArray& SrcMat, std::int32_t SrcLowCol,
                                         std::int32_t SrcHighCol, std::int32_t SrcLowRow, std::int32_t SrcHighRow,
                                         std::int32_t SrcLowLay, std::int32_t SrcHighLay, std::int32_t TimeSlot,
                                         std::int32_t DestCol, std::int32_t DestRow, std::int32_t DestLayer) {
    // Rows and layers count from the first sub-arrays; an array in which any is shorter
    // or longer is ragged and refused with the code of its axis.
    const std::size_t NC = SrcMat.size();
    const std::size_t NR = NC == 0 ? 0 : SrcMat[0].size();
    const std::size_t NL = NR == 0 ? 0 : SrcMat[0][0].size();
    bool RowsEven = true, LayersEven = true;
    for (const TDouble2DArray& Col : SrcMat) {
        RowsEven = RowsEven && Col.size() == NR;
        for (const TDoubleArray& Pix : Col) LayersEven = LayersEven && Pix.size() == NL;
    }
    std::int32_t Result = 0;
    if (!ArrayPair(SrcLowCol, SrcHighCol, NC)) Result = -1;
    if (!RowsEven || !ArrayPair(SrcLowRow, SrcHighRow, NR)) Result = -2;
    if (!LayersEven || !ArrayPair(SrcLowLay, SrcHighLay, NL)) Result = -3;
    if (TimeSlot < 1 || TimeSlot > FNumT) Result = -4;
    if (DestCol < 1 || DestCol > FNumX) Result = -5;
    if (DestRow < 1 || DestRow > FNumY) Result = -6;
    if (DestLayer < 1 || DestLayer > FNumZ) Result = -7;
    if (Result != 0) return Result;
    // Source index i lands on i - SrcLow + Dest; a reversed pair leaves nothing.
    const std::int64_t DC = std::int64_t{DestCol} - SrcLowCol, DR = std::int64_t{DestRow} - SrcLowRow,
                       DL = std::int64_t{DestLayer} - SrcLowLay;
    std::int64_t C0 = SrcLowCol + 1, C1 = SrcHighCol + 1, R0 = SrcLowRow + 1, R1 = SrcHighRow + 1,
                 L0 = SrcLowLay + 1, L1 = SrcHighLay + 1;  // 1-based, so Overlap applies
    Overlap(C0, C1, DC - 1, FNumX);
    Overlap(R0, R1, DR - 1, FNumY);
    Overlap(L0, L1, DL - 1, FNumZ);
    for (std::int64_t C = C0; C <= C1; ++C)
        for (std::int64_t Rw = R0; Rw <= R1; ++Rw)
            for (std::int64_t L = L0; L <= L1; ++L)
                FMat[Index(static_cast<std::int32_t>(C + DC - 1), static_cast<std::int32_t>(Rw + DR - 1),
                           static_cast<std::int32_t>(L + DL - 1), TimeSlot)] =
                    SrcMat[static_cast<std::size_t>(C - 1)][static_cast<std::size_t>(Rw - 1)][static_cast<std::size_t>(L - 1)];
    return 0;
}

// ---------------------------------------------------------------- unit routines

namespace {

// Size of a range given as it is: High - Low + 1, 0 for a reversed pair.
std::size_t Span(std::int32_t Low, std::int32_t High) noexcept {
    return High < Low ? 0 : static_cast<std::size_t>(std::int64_t{High} - Low + 1);
}

// Src[i][j][Layer], 0 where the array has no such cell.
double CellOrZero(const TDouble3DArray& Src, std::int64_t I, std::int64_t J, std::int64_t Layer) noexcept {
    if (I < 0 || J < 0 || Layer < 0 || static_cast<std::size_t>(I) >= Src.size()) return 0;
    const TDouble2DArray& Col = Src[static_cast<std::size_t>(I)];
    if (static_cast<std::size_t>(J) >= Col.size()) return 0;
    const TDoubleArray& Pix = Col[static_cast<std::size_t>(J)];
    return static_cast<std::size_t>(Layer) < Pix.size() ? Pix[static_cast<std::size_t>(Layer)] : 0;
}

}  // namespace

void CopyArr3DLayerToMatrix(const TDouble3DArray& Src, TMatrix* Dest, std::int32_t LowCol, std::int32_t HighCol,
                            std::int32_t LowRow, std::int32_t HighRow, std::int32_t Layer) {
    if (Dest == nullptr) return;
    const std::size_t NC = Span(LowCol, HighCol), NR = Span(LowRow, HighRow);
    Dest->Resize(static_cast<std::int32_t>(std::min<std::size_t>(NC, std::numeric_limits<std::int32_t>::max())),
                 static_cast<std::int32_t>(std::min<std::size_t>(NR, std::numeric_limits<std::int32_t>::max())));
    for (std::size_t I = 0; I < NC; ++I)
        for (std::size_t J = 0; J < NR; ++J)
            Dest->SetElem(static_cast<std::int32_t>(I + 1), static_cast<std::int32_t>(J + 1),
                          CellOrZero(Src, LowCol + static_cast<std::int64_t>(I), LowRow + static_cast<std::int64_t>(J), Layer));
}

void CopyArr3DLayerToArr2D(const TDouble3DArray& Src, TDouble2DArray& Dest, std::int32_t LowCol,
                           std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, std::int32_t Layer) {
    const std::size_t NR = Span(LowRow, HighRow), NC = NR == 0 ? 0 : Span(LowCol, HighCol);
    TDouble2DArray A(NC, TDoubleArray(NR));
    for (std::size_t I = 0; I < NC; ++I)
        for (std::size_t J = 0; J < NR; ++J)
            A[I][J] = CellOrZero(Src, LowCol + static_cast<std::int64_t>(I), LowRow + static_cast<std::int64_t>(J), Layer);
    Dest = std::move(A);
}

void CopyMatrixToArray(const TMatrix* Src, TDouble2DArray& Dest, std::int32_t LowCol, std::int32_t HighCol,
                       std::int32_t LowRow, std::int32_t HighRow) {
    if (Src == nullptr) return;
    const std::size_t NR = Span(LowRow, HighRow), NC = NR == 0 ? 0 : Span(LowCol, HighCol);
    TDouble2DArray A(NC, TDoubleArray(NR));
    for (std::size_t I = 0; I < NC; ++I)
        for (std::size_t J = 0; J < NR; ++J) {
            const std::int64_t C = LowCol + static_cast<std::int64_t>(I), R = LowRow + static_cast<std::int64_t>(J);
            A[I][J] = static_cast<double>(Src->Elem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(R)));
        }
    Dest = std::move(A);
}

}  // namespace qmr
