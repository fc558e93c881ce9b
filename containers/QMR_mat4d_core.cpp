// TMat4D: storage, sizing, assignment, addressing, reshaping, fills, fingerprint and the
// XML tag handler.
#include "containers/QMR_container_range.h"
#include "containers/QMR_mat4d_detail.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_files.h"
#include "containers/QMR_vector_crc.h"
#include "foundations/QMR_math1_random.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace qmr {

using detail::TRange4;

TMat4D::TMat4D(TComponent* AOwner) : TComponent(AOwner) { FMat = NewStorage(1, 1, 1, 1); }

TMat4D::~TMat4D() = default;

std::string TMat4D::ClassName() const { return "TMat4D"; }

void TMat4D::Raise(std::string_view Reason) const { throw EQMRMatrixError(ComponentMessage(this, Reason)); }

detail::TLargeBlock<double> TMat4D::NewStorage(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl,
                                               std::int32_t Nt) const {
    std::size_t N = 0;
    if (__builtin_mul_overflow(static_cast<std::size_t>(Nc), static_cast<std::size_t>(Nr), &N) ||
        __builtin_mul_overflow(N, static_cast<std::size_t>(Nl), &N) ||
        __builtin_mul_overflow(N, static_cast<std::size_t>(Nt), &N))
        Raise(detail::Mat4DNoMemHeap);
    try {
        return detail::TLargeBlock<double>(N);
    } catch (const std::bad_alloc&) {
        Raise(detail::Mat4DNoMemHeap);
    }
}

void TMat4D::Commit(detail::TLargeBlock<double>&& Storage, std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt) {
    FMat = std::move(Storage);
    FNumX = Nc;
    FNumY = Nr;
    FNumZ = Nl;
    FNumT = Nt;
    Changed();
}

void TMat4D::Assign(const TPersistent* Source) {
    if (const auto* Src = dynamic_cast<const TMat4D*>(Source)) {
        if (Src == this) return;
        // Every copy that allocates is made before anything changes: all or nothing.
        std::string DataID;
        decltype(OnChange) Change;
        decltype(OnPercentDone) Percent;
        decltype(OnReadElement) Read;
        try {
            DataID = Src->FDataID;
            Change = Src->OnChange;
            Percent = Src->OnPercentDone;
            Read = Src->OnReadElement;
            FMat = Src->FMat;  // reuses the block when the counts agree
        } catch (const std::bad_alloc&) {
            Raise(detail::Mat4DNoMemHeap);
        }
        FNumX = Src->FNumX;
        FNumY = Src->FNumY;
        FNumZ = Src->FNumZ;
        FNumT = Src->FNumT;
        FDataID = std::move(DataID);
        OnChange = std::move(Change);
        OnPercentDone = std::move(Percent);
        OnReadElement = std::move(Read);
        return;
    }
    TComponent::Assign(Source);
}

void TMat4D::AssignTo(TPersistent* Dest) const {
    if (auto* D = dynamic_cast<TMat4D*>(Dest)) {
        D->Assign(this);
        return;
    }
    TComponent::AssignTo(Dest);
}

void TMat4D::Clone(const TMat4D* MatSource) {
    if (MatSource == nullptr) return;
    if (MatSource != this) {
        Resize(MatSource->FNumX, MatSource->FNumY, MatSource->FNumZ, MatSource->FNumT);
        FMat = MatSource->FMat;
    }
    // The steps a column-by-column copy of the source makes.
    detail::TStepCadence::Positions(FNumX, FNumY).Advance(std::int64_t{FNumX} * FNumY);
    Changed();
}

void TMat4D::SetNrOfColumns(std::int32_t Value) { Resize(std::max(1, Value), FNumY, FNumZ, FNumT); }
void TMat4D::SetNrOfRows(std::int32_t Value) { Resize(FNumX, std::max(1, Value), FNumZ, FNumT); }
void TMat4D::SetNrOfLayers(std::int32_t Value) { Resize(FNumX, FNumY, std::max(1, Value), FNumT); }
void TMat4D::SetNrOfTimeSlots(std::int32_t Value) { Resize(FNumX, FNumY, FNumZ, std::max(1, Value)); }

void TMat4D::Changed() {
    if (OnChange) OnChange(this);
}

void TMat4D::PercDone(TObject* /*Sender*/, std::int32_t Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TMat4D::ReadElement(TObject* /*Sender*/, std::int32_t ix, std::int32_t iy, std::int32_t il, std::int32_t it,
                         double Value) {
    if (OnReadElement) OnReadElement(this, ix, iy, il, it, Value);
}

void TMat4D::MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept {
    detail::NormaliseRange(LowCol, HighCol, FNumX);
}
void TMat4D::MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept {
    detail::NormaliseRange(LowRow, HighRow, FNumY);
}
void TMat4D::MakeValidLayerRange(std::int32_t& LowLayer, std::int32_t& HighLayer) const noexcept {
    detail::NormaliseRange(LowLayer, HighLayer, FNumZ);
}
void TMat4D::MakeValidTSlotRange(std::int32_t& LowTSlot, std::int32_t& HighTSlot) const noexcept {
    detail::NormaliseRange(LowTSlot, HighTSlot, FNumT);
}

bool TMat4D::Resize(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt) {
    if (Nc <= 0 || Nr <= 0 || Nl <= 0 || Nt <= 0) return true;
    if (Nc == FNumX && Nr == FNumY && Nl == FNumZ && Nt == FNumT) return true;
    detail::TLargeBlock<double> New = NewStorage(Nc, Nr, Nl, Nt);
    const auto KeepX = static_cast<std::size_t>(std::min(FNumX, Nc));
    const std::int32_t KeepY = std::min(FNumY, Nr), KeepZ = std::min(FNumZ, Nl), KeepT = std::min(FNumT, Nt);
    const std::size_t NewRow = static_cast<std::size_t>(Nc);
    for (std::int32_t T = 1; T <= KeepT; ++T)
        for (std::int32_t L = 1; L <= KeepZ; ++L)
            for (std::int32_t R = 1; R <= KeepY; ++R) {
                const std::size_t To =
                    ((static_cast<std::size_t>(T - 1) * static_cast<std::size_t>(Nl) + static_cast<std::size_t>(L - 1)) *
                         static_cast<std::size_t>(Nr) +
                     static_cast<std::size_t>(R - 1)) *
                    NewRow;
                std::memcpy(New.data() + To, FMat.data() + Index(1, R, L, T), KeepX * sizeof(double));
            }
    Commit(std::move(New), Nc, Nr, Nl, Nt);
    return true;
}

bool TMat4D::ResizeAndClear(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt) {
    const bool Result = Resize(Nc, Nr, Nl, Nt);
    Fill(0);
    return Result;
}

// ---------------------------------------------------------------- addressing

std::int32_t TMat4D::Lin3DAddr(std::int32_t ix, std::int32_t iy, std::int32_t il) const noexcept {
    if (static_cast<double>(FNumX) * FNumY * FNumZ > 2147483647.0) return -2;
    if (ix < 1 || ix > FNumX || iy < 1 || iy > FNumY || il < 1 || il > FNumZ) return -1;
    return static_cast<std::int32_t>((std::int64_t{iy - 1} * FNumX + ix - 1) * FNumZ + il - 1);
}

bool TMat4D::ConvertLinTo3DAddr(std::int32_t LinAddr, std::int32_t& ix, std::int32_t& iy,
                                std::int32_t& il) const noexcept {
    if (LinAddr < 0 || LinAddr >= std::int64_t{FNumX} * FNumY * FNumZ) return false;
    il = LinAddr % FNumZ + 1;
    ix = LinAddr / FNumZ % FNumX + 1;
    iy = LinAddr / FNumZ / FNumX + 1;
    return true;
}

Extended TMat4D::MemoryConsumed() const noexcept {
    return static_cast<Extended>(FNumX) / 1048576 * FNumY * FNumZ * FNumT * 8;
}

// ---------------------------------------------------------------- reshaping

void TMat4D::Cut(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                 std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeslot, std::int32_t HighTimeslot) {
    const TRange4 R =
        detail::ValidRange(*this, LowCol, HighCol, LowRow, HighRow, LowLayer, HighLayer, LowTimeslot, HighTimeslot);
    const auto Nc = static_cast<std::int32_t>(R.Cols()), Nr = static_cast<std::int32_t>(R.Rows()),
               Nl = static_cast<std::int32_t>(R.Layers()), Nt = static_cast<std::int32_t>(R.Slots());
    detail::TLargeBlock<double> New = NewStorage(Nc, Nr, Nl, Nt);
    // Every (slot, layer) pair counts once when gathered and once when stored.
    auto Percent = detail::TPercentCadence(2 * std::int64_t{Nt} * Nl, [this](std::int32_t P) { PercDone(this, P); });
    double* To = New.data();
    for (std::int32_t T = R.T0; T <= R.T1; ++T)
        for (std::int32_t L = R.L0; L <= R.L1; ++L) {
            for (std::int32_t Rw = R.R0; Rw <= R.R1; ++Rw, To += Nc)
                std::memcpy(To, FMat.data() + Index(R.C0, Rw, L, T), static_cast<std::size_t>(Nc) * sizeof(double));
            Percent.Advance();
        }
    FMat.swap(New);
    Percent.Advance(std::int64_t{Nt} * Nl);
    FNumX = Nc;
    FNumY = Nr;
    FNumZ = Nl;
    FNumT = Nt;
    Changed();
}

namespace {

// One axis of a resampling: Div >= 1, 0 <= Off < Div, N new positions.
struct TResampleAxis {
    std::int64_t Div, Off;
    std::int32_t N;
    TResampleAxis(std::int32_t Count, std::int32_t D, std::int32_t O) noexcept
        : Div(D < 1 ? 1 : D), Off(((std::int64_t{O} % Div) + Div) % Div),
          N(static_cast<std::int32_t>((Count - Off - 1) / Div + 1)) {}
    // Source position (0-based) of the first element of new position I (0-based).
    std::int64_t First(std::int64_t I) const noexcept { return I * Div + Off; }
};

}  // namespace

void TMat4D::Resample(std::int32_t XDiv, std::int32_t XOffset, std::int32_t YDiv, std::int32_t YOffset,
                      std::int32_t ZDiv, std::int32_t ZOffset, std::int32_t TDiv, std::int32_t TOffset, bool Average) {
    const TResampleAxis AX(FNumX, XDiv, XOffset), AY(FNumY, YDiv, YOffset), AZ(FNumZ, ZDiv, ZOffset),
        AT(FNumT, TDiv, TOffset);
    detail::TLargeBlock<double> New = NewStorage(AX.N, AY.N, AZ.N, AT.N);
    auto Percent = detail::TPercentCadence(std::int64_t{AT.N} * AZ.N, [this](std::int32_t P) { PercDone(this, P); });
    const std::size_t NX = static_cast<std::size_t>(AX.N);
    double* Out = New.data();
    if (!Average) {
        // The first element of each block; a block that starts outside reads 0.
        for (std::int32_t T = 0; T < AT.N; ++T)
            for (std::int32_t L = 0; L < AZ.N; ++L) {
                const std::int64_t St = AT.First(T), Sl = AZ.First(L);
                for (std::int32_t Rw = 0; Rw < AY.N; ++Rw, Out += NX) {
                    const std::int64_t Sr = AY.First(Rw);
                    if (St >= FNumT || Sl >= FNumZ || Sr >= FNumY) continue;  // already 0
                    const double* Row = FMat.data() + Index(1, static_cast<std::int32_t>(Sr + 1),
                                                            static_cast<std::int32_t>(Sl + 1),
                                                            static_cast<std::int32_t>(St + 1));
                    for (std::size_t C = 0; C < NX; ++C) {
                        const std::int64_t Sc = AX.First(static_cast<std::int64_t>(C));
                        if (Sc < FNumX) Out[C] = Row[Sc];
                    }
                }
                Percent.Advance();
            }
    } else {
        // Sum of the block's elements inside the matrix over the full block size, each
        // new element adding its block slot by slot, layer, row, column.
        const Extended Full = static_cast<Extended>(AX.Div) * static_cast<Extended>(AY.Div) *
                              static_cast<Extended>(AZ.Div) * static_cast<Extended>(AT.Div);
        std::vector<Extended> Acc(NX);
        // New columns whose block lies wholly inside the matrix.
        const auto XWhole = static_cast<std::size_t>(std::clamp<std::int64_t>((FNumX - AX.Off) / AX.Div, 0, AX.N));
        for (std::int32_t T = 0; T < AT.N; ++T)
            for (std::int32_t L = 0; L < AZ.N; ++L) {
                for (std::int32_t Rw = 0; Rw < AY.N; ++Rw, Out += NX) {
                    std::fill(Acc.begin(), Acc.end(), Extended(0));
                    const std::int64_t T1 = std::min<std::int64_t>(AT.First(T) + AT.Div, FNumT);
                    const std::int64_t L1 = std::min<std::int64_t>(AZ.First(L) + AZ.Div, FNumZ);
                    const std::int64_t R1 = std::min<std::int64_t>(AY.First(Rw) + AY.Div, FNumY);
                    for (std::int64_t St = AT.First(T); St < T1; ++St)
                        for (std::int64_t Sl = AZ.First(L); Sl < L1; ++Sl)
                            for (std::int64_t Sr = AY.First(Rw); Sr < R1; ++Sr) {
                                const double* Row = FMat.data() + Index(1, static_cast<std::int32_t>(Sr + 1),
                                                                        static_cast<std::int32_t>(Sl + 1),
                                                                        static_cast<std::int32_t>(St + 1));
                                const double* Src = XWhole > 0 ? Row + AX.Off : Row;
                                if (AX.Div == 1) {
                                    for (std::size_t C = 0; C < NX; ++C) Acc[C] += Src[C];
                                } else {
                                    // Blocks wholly inside the row first, then the edge one.
                                    if (AX.Div == 2) {
                                        for (std::size_t C = 0; C < XWhole; ++C) {
                                            Extended S = Acc[C];
                                            S += Src[2 * C];
                                            S += Src[2 * C + 1];
                                            Acc[C] = S;
                                        }
                                    } else {
                                        const auto D = static_cast<std::size_t>(AX.Div);
                                        for (std::size_t C = 0; C < XWhole; ++C) {
                                            Extended S = Acc[C];
                                            for (std::size_t K = 0; K < D; ++K) S += Src[C * D + K];
                                            Acc[C] = S;
                                        }
                                    }
                                    for (std::size_t C = XWhole; C < NX; ++C) {
                                        const std::int64_t C0 = AX.First(static_cast<std::int64_t>(C));
                                        const std::int64_t C1 = std::min<std::int64_t>(C0 + AX.Div, FNumX);
                                        Extended S = Acc[C];
                                        for (std::int64_t Sc = C0; Sc < C1; ++Sc) S += Row[Sc];
                                        Acc[C] = S;
                                    }
                                }
                            }
                    for (std::size_t C = 0; C < NX; ++C) Out[C] = static_cast<double>(Acc[C] / Full);
                }
                Percent.Advance();
            }
    }
    Commit(std::move(New), AX.N, AY.N, AZ.N, AT.N);
}

namespace {

// A square plane transposes in place: the columns of block B (and the rows of block B)
// exchange with their mirror images across the diagonal. Each exchange is its own
// inverse and the blocks touch disjoint pairs, so running it again over the blocks done
// undoes them.
// Exchanges the H x W tile at rows R0, columns C0 with the W x H tile at rows C0,
// columns R0, transposing both: both are read whole (contiguous runs) before either is
// written, which keeps the strided side out of the way of the stores.
template <std::size_t H, std::size_t W>
void SwapTiles(double* A, std::size_t N, std::size_t R0, std::size_t C0, std::size_t Hn = H, std::size_t Wn = W) {
    double Ta[H][W], Tb[W][H];
    for (std::size_t R = 0; R < Hn; ++R)
        for (std::size_t C = 0; C < Wn; ++C) Ta[R][C] = A[(R0 + R) * N + C0 + C];
    for (std::size_t C = 0; C < Wn; ++C)
        for (std::size_t R = 0; R < Hn; ++R) Tb[C][R] = A[(C0 + C) * N + R0 + R];
    for (std::size_t R = 0; R < Hn; ++R)
        for (std::size_t C = 0; C < Wn; ++C) A[(R0 + R) * N + C0 + C] = Tb[C][R];
    for (std::size_t C = 0; C < Wn; ++C)
        for (std::size_t R = 0; R < Hn; ++R) A[(C0 + C) * N + R0 + R] = Ta[R][C];
}

constexpr std::size_t TransposeBlock = 8;

void SwapBlockAcrossDiagonal(double* A, std::size_t N, std::size_t B0, std::size_t B1) {
    for (std::size_t R = B0; R < B1; ++R)  // the diagonal tile: below the diagonal only
        for (std::size_t C = B0; C < R; ++C) std::swap(A[R * N + C], A[C * N + R]);
    const std::size_t H = B1 - B0;
    for (std::size_t C0 = B1; C0 < N; C0 += TransposeBlock) {
        const std::size_t W = std::min(N - C0, TransposeBlock);
        if (H == TransposeBlock && W == TransposeBlock)
            SwapTiles<TransposeBlock, TransposeBlock>(A, N, B0, C0);
        else
            SwapTiles<TransposeBlock, TransposeBlock>(A, N, B0, C0, H, W);
    }
}

}  // namespace

bool TMat4D::Transpose() {
    // Plane by plane (each stays in cache while it is done), in blocks of columns that
    // keep the reads within whole cache lines. AbortMathProc is polled before each block;
    // an abort leaves the matrix as it was. Progress counts every (column, row) pair once
    // when gathered and once when stored, the planes' shares adding up to the pairs.
    constexpr std::size_t Block = TransposeBlock;
    const auto X = static_cast<std::size_t>(FNumX), Y = static_cast<std::size_t>(FNumY);
    const std::size_t Planes = static_cast<std::size_t>(FNumZ) * static_cast<std::size_t>(FNumT), PlaneSize = X * Y;
    auto Percent = detail::TPercentCadence(2 * std::int64_t{FNumX} * FNumY, [this](std::int32_t P) { PercDone(this, P); });
    std::int64_t Units = 0, Reported = 0;  // pairs done, times the number of planes
    const auto Report = [&](std::size_t Pairs) {
        Units += 2 * static_cast<std::int64_t>(Pairs);
        const std::int64_t Now = Units / static_cast<std::int64_t>(Planes);
        Percent.Advance(Now - Reported);
        Reported = Now;
    };
    if (X == Y) {
        const std::size_t N = X;
        for (std::size_t P = 0; P < Planes; ++P) {
            double* A = FMat.data() + P * PlaneSize;
            for (std::size_t B0 = 0; B0 < N; B0 += Block) {
                const std::size_t B1 = std::min(N, B0 + Block);
                if (detail::AbortRequested()) {
                    for (std::size_t U = 0; U < B0; U += Block) SwapBlockAcrossDiagonal(A, N, U, U + Block);
                    for (std::size_t Q = 0; Q < P; ++Q)
                        for (std::size_t U = 0; U < N; U += Block)
                            SwapBlockAcrossDiagonal(FMat.data() + Q * PlaneSize, N, U, std::min(N, U + Block));
                    return false;
                }
                SwapBlockAcrossDiagonal(A, N, B0, B1);
                // Pairs of the strip: its rows and columns beyond the block, and the block.
                Report((B1 - B0) * (B1 - B0) + 2 * (B1 - B0) * (N - B1));
            }
        }
        Changed();
        return true;
    }
    // Otherwise gathered into new storage, committed only when complete.
    detail::TLargeBlock<double> New = NewStorage(FNumY, FNumX, FNumZ, FNumT);
    for (std::size_t P = 0; P < Planes; ++P) {
        const double* From = FMat.data() + P * PlaneSize;
        double* To = New.data() + P * PlaneSize;
        for (std::size_t C0 = 0; C0 < X; C0 += Block) {
            if (detail::AbortRequested()) return false;
            const std::size_t C1 = std::min(X, C0 + Block);
            // New element (column r, row c) of the plane: To[c * Y + r] = From[r * X + c].
            for (std::size_t R = 0; R < Y; ++R)
                for (std::size_t C = C0; C < C1; ++C) To[C * Y + R] = From[R * X + C];
            Report((C1 - C0) * Y);
        }
    }
    Commit(std::move(New), FNumY, FNumX, FNumZ, FNumT);
    return true;
}

namespace {

// ProcStat cadence of the mirrors: every Trunc(A * B * C * 0.005) + 1 steps.
detail::TStepCadence MirrorCadence(std::int64_t A, std::int64_t B, std::int64_t C) {
    return detail::TStepCadence(Trunc(static_cast<double>(A * B * C) * 0.005) + 1);
}

}  // namespace

void TMat4D::MirrorColumns() {
    // One step per swapped pair and (row, layer); the slots innermost.
    auto Steps = MirrorCadence(FNumX, FNumY, FNumZ);
    const auto X = static_cast<std::size_t>(FNumX);
    for (std::int32_t R = 1; R <= FNumY; ++R)
        for (std::int32_t L = 1; L <= FNumZ; ++L) {
            for (std::int32_t T = 1; T <= FNumT; ++T) {
                double* Row = FMat.data() + Index(1, R, L, T);
                std::reverse(Row, Row + X);
            }
            Steps.Advance(FNumX / 2);
        }
    Changed();
}

void TMat4D::MirrorRows() {
    // One step per swapped pair and (column, layer); the slots innermost.
    auto Steps = MirrorCadence(FNumX, FNumY, FNumZ);
    const auto X = static_cast<std::size_t>(FNumX);
    for (std::int32_t J = 1; J <= FNumY / 2; ++J)
        for (std::int32_t L = 1; L <= FNumZ; ++L) {
            for (std::int32_t T = 1; T <= FNumT; ++T) {
                double* A = FMat.data() + Index(1, J, L, T);
                std::swap_ranges(A, A + X, FMat.data() + Index(1, FNumY + 1 - J, L, T));
            }
            Steps.Advance(FNumX);
        }
    Changed();
}

void TMat4D::MirrorLayers() {
    // One step per swapped pair and (column, row); the slots innermost.
    auto Steps = MirrorCadence(FNumX, FNumY, FNumZ);
    const auto X = static_cast<std::size_t>(FNumX);
    for (std::int32_t J = 1; J <= FNumZ / 2; ++J)
        for (std::int32_t R = 1; R <= FNumY; ++R) {
            for (std::int32_t T = 1; T <= FNumT; ++T) {
                double* A = FMat.data() + Index(1, R, J, T);
                std::swap_ranges(A, A + X, FMat.data() + Index(1, R, FNumZ + 1 - J, T));
            }
            Steps.Advance(FNumX);
        }
    Changed();
}

void TMat4D::MirrorTimeSlots() {
    // One step per swapped pair and (column, row); the layers innermost.
    auto Steps = MirrorCadence(FNumX, FNumY, FNumT);
    const auto X = static_cast<std::size_t>(FNumX);
    for (std::int32_t J = 1; J <= FNumT / 2; ++J)
        for (std::int32_t R = 1; R <= FNumY; ++R) {
            for (std::int32_t L = 1; L <= FNumZ; ++L) {
                double* A = FMat.data() + Index(1, R, L, J);
                std::swap_ranges(A, A + X, FMat.data() + Index(1, R, L, FNumT + 1 - J));
            }
            Steps.Advance(FNumX);
        }
    Changed();
}

// ---------------------------------------------------------------- fills

void TMat4D::Fill(double Value) {
    // Exactly 0 (either sign) leaves the block as freshly allocated: all +0.
    std::fill(FMat.begin(), FMat.end(), Value == 0 ? 0.0 : Value);
    Changed();
}

void TMat4D::FillDiag(double Value) {
    const std::int32_t N = std::min({FNumX, FNumY, FNumZ, FNumT});
    for (std::int32_t I = 1; I <= N; ++I) FMat[Index(I, I, I, I)] = Value;
    Changed();
}

void TMat4D::FillLayer(std::int32_t Layer, double Value) noexcept {
    if (Layer < 1 || Layer > FNumZ) return;
    for (std::int32_t T = 1; T <= FNumT; ++T) {
        double* P = FMat.data() + Index(1, 1, Layer, T);
        std::fill(P, P + Plane(), Value);
    }
}

std::int32_t TMat4D::FillLayer(std::int32_t Layer, std::int32_t TimeSlot, std::int32_t Mode, double par1,
                               double par2) {
    std::int32_t Result = 0;
    if (Layer < 1 || Layer > FNumZ) Result = -1;
    if (TimeSlot < 1 || TimeSlot > FNumT) Result = -2;
    if (Mode < 0 || Mode > 2) Result = -3;
    if (Result != 0) return Result;
    const double Span = par2 - par1;
    for (std::int32_t C = 1; C <= FNumX; ++C)
        for (std::int32_t R = 1; R <= FNumY; ++R) {
            double& E = FMat[Index(C, R, Layer, TimeSlot)];
            E = Mode == 0 ? par1 : Mode == 1 ? par1 + Random() * Span : par1 + par2 * GRandom();
        }
    Changed();
    return 0;
}

std::int32_t TMat4D::AccumulateLayer(std::int32_t Layer, std::int32_t TimeSlot, const TDouble2DArray& Src) {
    std::int32_t Result = 0;
    const bool Shape = Src.size() == static_cast<std::size_t>(FNumX) &&
                       std::all_of(Src.begin(), Src.end(),
                                   [this](const TDoubleArray& Col) { return Col.size() == static_cast<std::size_t>(FNumY); });
    if (!Shape) Result = -1;
    if (Layer < 1 || Layer > FNumZ) Result = -2;
    if (TimeSlot < 1 || TimeSlot > FNumT) Result = -3;
    if (Result != 0) return Result;
    for (std::int32_t R = 1; R <= FNumY; ++R) {
        double* Row = FMat.data() + Index(1, R, Layer, TimeSlot);
        for (std::int32_t C = 0; C < FNumX; ++C) Row[C] += Src[static_cast<std::size_t>(C)][static_cast<std::size_t>(R - 1)];
    }
    return 0;
}

void TMat4D::FillRandomUniform(double RangeLow, double RangeHigh) {
    const double Span = RangeHigh - RangeLow;
    for (std::int32_t C = 1; C <= FNumX; ++C)
        for (std::int32_t R = 1; R <= FNumY; ++R)
            for (std::int32_t L = 1; L <= FNumZ; ++L)
                for (std::int32_t T = 1; T <= FNumT; ++T) FMat[Index(C, R, L, T)] = RangeLow + Random() * Span;
    Changed();
}

void TMat4D::FillRandomGauss(double Mean, double StdDev) {
    for (std::int32_t C = 1; C <= FNumX; ++C)
        for (std::int32_t R = 1; R <= FNumY; ++R)
            for (std::int32_t L = 1; L <= FNumZ; ++L)
                for (std::int32_t T = 1; T <= FNumT; ++T) FMat[Index(C, R, L, T)] = GRandom() * StdDev + Mean;
    Changed();
}

// ---------------------------------------------------------------- fingerprint

std::string TMat4D::CRCofData() const { return CRCofData(1); }

std::string TMat4D::CRCofData(std::int32_t Sample) const {
    Sample = std::max(1, std::min(Sample, FNumZ / 2));
    auto* Self = const_cast<TMat4D*>(this);  // the sender of OnPercentDone
    auto Percent = detail::TPercentCadence(std::int64_t{FNumX} * FNumY, [Self](std::int32_t P) { Self->PercDone(Self, P); });
    detail::TCrc8Registers Crc;
    for (std::int32_t C = 1; C <= FNumX; ++C)
        for (std::int32_t R = 1; R <= FNumY; ++R) {
            for (std::int32_t L = Sample; L <= FNumZ; L += Sample)
                for (std::int32_t T = 1; T <= FNumT; ++T) Crc.Feed(FMat.data() + Index(C, R, L, T), 1);
            Percent.Advance();
        }
    return Crc.Text();
}

// ---------------------------------------------------------------- XML

std::int32_t TMat4D::ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content) {
    struct Target final : detail::TMatXmlTarget {
        explicit Target(TMat4D& M) : Mat(M) {}
        std::array<std::int32_t, 4> Counts() const override {
            return {Mat.NrOfColumns(), Mat.NrOfRows(), Mat.NrOfLayers(), Mat.NrOfTimeSlots()};
        }
        void ResizeTo(const std::array<std::int32_t, 4>& N) override { Mat.Resize(N[0], N[1], N[2], N[3]); }
        void WriteCell(const std::array<std::int32_t, 4>& Ix, std::string_view Content) override {
            std::int32_t Pos = 1;
            Mat.SetElem(Ix[0], Ix[1], Ix[2], Ix[3], detail::ReadDoubleAtPos(Content, true, detail::SepPoint, Pos));
        }
        TMat4D& Mat;
    } T(*this);
    return detail::ProcessMatXmlTag(FXml, detail::Mat4DXmlLayout, T, Tag, Attr, Content);
}

}  // namespace qmr
