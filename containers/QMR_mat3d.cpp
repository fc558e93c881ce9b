// TMat3D: storage, sizing, fills, range statistics, layer copies, fingerprint and the
// two file hooks.
#include "containers/QMR_container_range.h"
#include "containers/QMR_matrix_algos.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_files.h"
#include "containers/QMR_vector_crc.h"
#include "foundations/QMR_math1_random.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <span>

namespace qmr {

namespace {

constexpr const char* kNoMemHeap = "not enough memory on heap";
constexpr const char* kLayerBeyond = "specified layer beyond data range";

// A normalised range, one inclusive pair per axis.
struct TRange3 {
    std::int32_t C0, C1, R0, R1, L0, L1;
    std::int64_t Cols() const noexcept { return std::int64_t{C1} - C0 + 1; }
    std::int64_t Rows() const noexcept { return std::int64_t{R1} - R0 + 1; }
    std::int64_t Layers() const noexcept { return std::int64_t{L1} - L0 + 1; }
};

TRange3 ValidRange(const TMat3D& M, std::int32_t C0, std::int32_t C1, std::int32_t R0, std::int32_t R1,
                   std::int32_t L0, std::int32_t L1) noexcept {
    M.MakeValidColRange(C0, C1);
    M.MakeValidRowRange(R0, R1);
    M.MakeValidLayerRange(L0, L1);
    return {C0, C1, R0, R1, L0, L1};
}

// One progress step every Trunc(columns * rows / 100) + 1 (column, row) positions.
class TPositionProgress {
public:
    explicit TPositionProgress(const TRange3& R) noexcept : FEvery(R.Cols() * R.Rows() / 100 + 1) {}
    void Position() {
        if (++FCount == FEvery) {
            FCount = 0;
            detail::StepProgress();
        }
    }

private:
    std::int64_t FEvery;
    std::int64_t FCount = 0;
};

// A percentile's prob: NaN counts as 0, then clamped to 0..100.

}  // namespace

TMat3D::TMat3D(TComponent* AOwner) : TComponent(AOwner) {
    try {
        FMat.assign(1, 0.0);
    } catch (const std::bad_alloc&) {
        Raise(kNoMemHeap);
    }
}

TMat3D::~TMat3D() = default;

std::string TMat3D::ClassName() const { return "TMat3D"; }

void TMat3D::Raise(std::string_view Reason) const { throw EQMRMatrixError(ComponentMessage(this, Reason)); }

void TMat3D::SetNrOfColumns(std::int32_t Value) { Resize(std::max(1, Value), FNumY, FNumZ); }
void TMat3D::SetNrOfRows(std::int32_t Value) { Resize(FNumX, std::max(1, Value), FNumZ); }
void TMat3D::SetNrOfLayers(std::int32_t Value) { Resize(FNumX, FNumY, std::max(1, Value)); }

bool TMat3D::Resize(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl) {
    if (Nc <= 0 || Nr <= 0 || Nl <= 0) return true;
    if (Nc == FNumX && Nr == FNumY && Nl == FNumZ) return true;
    std::size_t Plane = 0, Total = 0;
    TDoubleArray NewMat;
    if (__builtin_mul_overflow(static_cast<std::size_t>(Nc), static_cast<std::size_t>(Nr), &Plane) ||
        __builtin_mul_overflow(Plane, static_cast<std::size_t>(Nl), &Total) || Total > NewMat.max_size())
        Raise(kNoMemHeap);
    try {
        NewMat.assign(Total, 0.0);
    } catch (const std::bad_alloc&) {
        Raise(kNoMemHeap);
    }
    const std::int32_t KeepX = std::min(FNumX, Nc), KeepY = std::min(FNumY, Nr);
    const auto KeepZ = static_cast<std::size_t>(std::min(FNumZ, Nl));
    for (std::int32_t C = 1; C <= KeepX; ++C)
        for (std::int32_t R = 1; R <= KeepY; ++R)
            std::memcpy(NewMat.data() + (static_cast<std::size_t>(C - 1) * static_cast<std::size_t>(Nr) +
                                         static_cast<std::size_t>(R - 1)) * static_cast<std::size_t>(Nl),
                        FMat.data() + Index(C, R, 1), KeepZ * sizeof(double));
    FMat.swap(NewMat);
    FNumX = Nc;
    FNumY = Nr;
    FNumZ = Nl;
    Changed();
    return true;
}

bool TMat3D::ResizeAndClear(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl) {
    const bool Result = Resize(Nc, Nr, Nl);
    Fill(0);
    return Result;
}

void TMat3D::Clone(const TMat3D* MatSource) {
    if (MatSource == nullptr) return;
    if (MatSource != this) {
        Resize(MatSource->FNumX, MatSource->FNumY, MatSource->FNumZ);
        std::copy(MatSource->FMat.begin(), MatSource->FMat.end(), FMat.begin());
    }
    Changed();
}

void TMat3D::Changed() {
    if (OnChange) OnChange(this);
}

void TMat3D::PercDone(TObject* /*Sender*/, std::int32_t Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TMat3D::MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept {
    detail::NormaliseRange(LowCol, HighCol, FNumX);
}

void TMat3D::MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept {
    detail::NormaliseRange(LowRow, HighRow, FNumY);
}

void TMat3D::MakeValidLayerRange(std::int32_t& LowLayer, std::int32_t& HighLayer) const noexcept {
    detail::NormaliseRange(LowLayer, HighLayer, FNumZ);
}

void TMat3D::Fill(double Value) noexcept { std::fill(FMat.begin(), FMat.end(), Value); }

void TMat3D::FillDiag(double Value) {
    const std::int32_t N = std::min({FNumX, FNumY, FNumZ});
    for (std::int32_t K = 1; K <= N; ++K) FMat[Index(K, K, K)] = Value;
    Changed();
}

void TMat3D::FillRandomUniform(double RangeLow, double RangeHigh) {
    const double Span = RangeHigh - RangeLow;
    for (double& V : FMat) V = RangeLow + Random() * Span;
    Changed();
}

void TMat3D::FillRandomGauss(double Mean, double StdDev) {
    for (double& V : FMat) V = Mean + StdDev * GRandom();
    Changed();
}

void TMat3D::Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                  std::int32_t LowLayer, std::int32_t HighLayer, double Value, std::int32_t& ColIx,
                  std::int32_t& RowIx, std::int32_t& LayerIx) const {
    const TRange3 R = ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    ColIx = RowIx = LayerIx = 0;
    Extended Best = uc_MaxDouble;
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            const double* Run = FMat.data() + Index(C, Rw, 1);
            for (std::int32_t L = R.L0; L <= R.L1; ++L) {
                const Extended D = std::fabs(static_cast<Extended>(Run[L - 1]) - Value);
                if (D < Best) {
                    Best = D;
                    ColIx = C;
                    RowIx = Rw;
                    LayerIx = L;
                }
            }
        }
}

void TMat3D::MinMax(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                    std::int32_t LowLayer, std::int32_t HighLayer, double& Minimum, double& Maximum) const {
    const TRange3 R = ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    TPositionProgress Progress(R);
    detail::TExtremes E;
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            const double* Run = FMat.data() + Index(C, Rw, 1);
            for (std::int32_t L = R.L0; L <= R.L1; ++L) E.Take(Run[L - 1]);
            Progress.Position();
        }
    Minimum = E.Lo;
    Maximum = E.Hi;
}

void TMat3D::MeanVar(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                     std::int32_t LowLayer, std::int32_t HighLayer, double& Mean, double& Variance) const {
    const TRange3 R = ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    TPositionProgress Progress(R);
    const std::int64_t N = R.Cols() * R.Rows() * R.Layers();
    Extended Sum = 0;
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            const double* Run = FMat.data() + Index(C, Rw, 1);
            for (std::int32_t L = R.L0; L <= R.L1; ++L) Sum += Run[L - 1];
            Progress.Position();
        }
    const Extended M = Sum / static_cast<Extended>(N);
    Mean = static_cast<double>(M);
    if (N < 3) {
        Variance = 1;
        return;
    }
    // Second pass about the mean; the sum of the deviations corrects the mean's rounding.
    Extended S1 = 0, S2 = 0;
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            const double* Run = FMat.data() + Index(C, Rw, 1);
            for (std::int32_t L = R.L0; L <= R.L1; ++L) {
                const Extended D = Run[L - 1] - M;
                S1 += D;
                S2 += D * D;
            }
        }
    const Extended V = (S2 - S1 * S1 / static_cast<Extended>(N)) / static_cast<Extended>(N - 1);
    Variance = V < 0 ? 0.0 : static_cast<double>(V);
}

Extended TMat3D::Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                            std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer) const {
    const TRange3 R = ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    const std::int64_t N = R.Cols() * R.Rows() * R.Layers();
    // The selection indexes its scratch array with 32-bit positions.
    if (N > std::numeric_limits<std::int32_t>::max()) Raise(kNoMemHeap);
    TDoubleArray Values;
    try {
        Values.reserve(static_cast<std::size_t>(N));
    } catch (const std::bad_alloc&) {
        Raise(kNoMemHeap);
    }
    for (std::int32_t C = R.C0; C <= R.C1; ++C)
        for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw) {
            const double* Run = FMat.data() + Index(C, Rw, 1);
            Values.insert(Values.end(), Run + (R.L0 - 1), Run + R.L1);
        }
    return detail::SelectPercentile(Values, prob);
}

Extended TMat3D::Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                            std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                            std::int32_t SampleSize) const {
    const TRange3 R = ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    if (SampleSize <= 0 || SampleSize >= R.Cols() * R.Rows() * R.Layers())
        return Percentile(prob, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer);
    TDoubleArray Sample;
    try {
        Sample.resize(static_cast<std::size_t>(SampleSize));
    } catch (const std::bad_alloc&) {
        Raise(kNoMemHeap);
    }
    Randomize();
    const auto Cols = static_cast<std::int32_t>(R.Cols()), Rows = static_cast<std::int32_t>(R.Rows()),
               Layers = static_cast<std::int32_t>(R.Layers());
    for (double& V : Sample) {
        const std::int32_t C = R.C0 + Random(Cols);
        const std::int32_t Rw = R.R0 + Random(Rows);
        const std::int32_t L = R.L0 + Random(Layers);
        V = FMat[Index(C, Rw, L)];
    }
    return detail::SelectPercentile(Sample, prob);
}

void TMat3D::CopyLayerToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                               std::int32_t HighRow, std::int32_t Layer) const {
    if (Layer < 1 || Layer > FNumZ) Raise(kLayerBeyond);
    if (DestMat == nullptr) return;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    DestMat->Resize(HighCol - LowCol + 1, HighRow - LowRow + 1);
    for (std::int32_t C = LowCol; C <= HighCol; ++C)
        for (std::int32_t R = LowRow; R <= HighRow; ++R)
            DestMat->SetElem(C - LowCol + 1, R - LowRow + 1, FMat[Index(C, R, Layer)]);
}

void TMat3D::CopyMatrixToLayer(const TMatrix* SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                               std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t Layer,
                               std::int32_t LayLowCol, std::int32_t LayLowRow) {
    if (Layer < 1 || Layer > FNumZ) Raise(kLayerBeyond);
    if (SrcMat == nullptr) return;
    // Source column i lands on i - SrcLowCol + LayLowCol: only the i whose target lies in
    // 1..NrOfColumns are visited (64-bit bounds, so no bound can wrap); rows alike.
    const std::int64_t ShiftC = std::int64_t{LayLowCol} - SrcLowCol, ShiftR = std::int64_t{LayLowRow} - SrcLowRow;
    const std::int64_t C0 = std::max<std::int64_t>(SrcLowCol, 1 - ShiftC);
    const std::int64_t C1 = std::min<std::int64_t>(SrcHighCol, FNumX - ShiftC);
    const std::int64_t R0 = std::max<std::int64_t>(SrcLowRow, 1 - ShiftR);
    const std::int64_t R1 = std::min<std::int64_t>(SrcHighRow, FNumY - ShiftR);
    for (std::int64_t C = C0; C <= C1; ++C)
        for (std::int64_t R = R0; R <= R1; ++R)
            FMat[Index(static_cast<std::int32_t>(C + ShiftC), static_cast<std::int32_t>(R + ShiftR), Layer)] =
                static_cast<double>(SrcMat->Elem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(R)));
}

std::string TMat3D::CRCofData() const {
    detail::TCrc8Registers Crc;
    Crc.Feed(FMat.data(), FMat.size());
    return Crc.Text();
}

// ---------------------------------------------------------------- matrix files

bool TMat3D::ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                              std::int32_t& NrLayers, std::int32_t& NrTimeSlots, std::string& DataID,
                              std::int32_t& Format) {
    return detail::ReadBinaryHeaderAs(FName, detail::Mat3DFileRule, NrColumns, NrRows, &NrLayers, &NrTimeSlots, DataID,
                                      Format);
}

std::int32_t TMat3D::ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content) {
    struct Target final : detail::TMatXmlTarget {
        explicit Target(TMat3D& M) : Mat(M) {}
        std::array<std::int32_t, 4> Counts() const override {
            return {Mat.NrOfColumns(), Mat.NrOfRows(), Mat.NrOfLayers(), 0};
        }
        void ResizeTo(const std::array<std::int32_t, 4>& N) override { Mat.Resize(N[0], N[1], N[2]); }
        void WriteCell(const std::array<std::int32_t, 4>& Ix, std::string_view Content) override {
            std::int32_t Pos = 1;
            Mat.SetElem(Ix[0], Ix[1], Ix[2], detail::ReadDoubleAtPos(Content, true, detail::SepPoint, Pos));
        }
        TMat3D& Mat;
    } T(*this);
    return detail::ProcessMatXmlTag(FXml, detail::Mat3DXmlLayout, T, Tag, Attr, Content);
}

}  // namespace qmr
