// TMat4D: reading four-dimensional data from binary matrix files, and the unit's two
// layer readers.
#include "containers/QMR_mat4d_detail.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_files.h"
#include "platform/rtl_streams.h"

#include <algorithm>
#include <exception>
#include <new>

namespace qmr {

namespace {

constexpr const char* kShortFile = "Stream read error";

// Values per layer of the file, or -1 when its counts hold no layer of data.
std::int64_t LayerValues(const detail::TMatFileHeader& H) noexcept {
    std::int64_t N = 0;
    if (H.X <= 0 || H.Y <= 0 || __builtin_mul_overflow(std::int64_t{H.X}, std::int64_t{H.Y}, &N)) return -1;
    return N;
}

// Reads layer Layer of slot TSlot (both inside the header's counts) into Values, row by
// row; EReadError when the file is too short for it, before anything is allocated.
void ReadFileLayer(detail::TMatDataReader& F, std::int32_t Layer, std::int32_t TSlot, TDoubleArray& Values) {
    const std::int64_t N = LayerValues(F.Header());
    const std::int64_t First = F.ElementIndex(1, 1, Layer, TSlot);
    if (N < 0 || First < 0 || !F.Holds(First, N)) throw EReadError(kShortFile);
    Values.resize(static_cast<std::size_t>(N));
    F.Seek(First);
    for (double& V : Values) V = F.Next();
}

}  // namespace

bool TMat4D::ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                              std::int32_t& NrLayers, std::int32_t& NrTimeSlots, std::string& DataID,
                              std::int32_t& Format) {
    return detail::ReadBinaryHeaderAs(FName, detail::Mat4DFileRule, NrColumns, NrRows, &NrLayers, &NrTimeSlots, DataID,
                                      Format);
}

std::int32_t TMat4D::ReadBinary(const std::string& FName, std::int32_t TSlotStart, std::int32_t TSlotEnd) {
    detail::TMatDataReader F(FName);
    const detail::TMatFileHeader& H = F.Header();
    if (TSlotStart > H.T) return -1;
    if (TSlotStart < 1 || TSlotEnd < 1) {
        TSlotStart = 1;
        TSlotEnd = H.T;
    } else {
        TSlotEnd = std::min(TSlotEnd, H.T);
    }
    const std::int64_t NT = std::int64_t{TSlotEnd} - TSlotStart + 1;
    if (NT <= 0) return 0;
    // Where values are to be read, counts that hold none and files too short for the
    // range fail before the first value.
    const std::int64_t Layer = LayerValues(H);
    std::int64_t N = 0;
    if (Layer < 0 || H.Z <= 0 || __builtin_mul_overflow(Layer, std::int64_t{H.Z} * NT, &N)) throw EReadError(kShortFile);
    const std::int64_t First = F.ElementIndex(1, 1, 1, TSlotStart);
    if (First < 0 || !F.Holds(First, N)) throw EReadError(kShortFile);
    F.Seek(First);
    auto Percent = detail::TPercentCadence(N, [this](std::int32_t P) { PercDone(this, P); });
    for (std::int32_t it = 1; it <= NT; ++it)
        for (std::int32_t il = 1; il <= H.Z; ++il)
            for (std::int32_t iy = 1; iy <= H.Y; ++iy)
                for (std::int32_t ix = 1; ix <= H.X; ++ix) {
                    Percent.Advance();
                    ReadElement(this, ix, iy, il, it, F.Next());
                }
    return 0;
}

std::int32_t TMat4D::ReadLayer(const std::string& FName, std::int32_t Layer, std::int32_t TSlot) {
    try {
        detail::TMatDataReader F(FName);
        const detail::TMatFileHeader& H = F.Header();
        std::int32_t Result = 0;
        if (TSlot < 1 || TSlot > H.T || TSlot > FNumT) Result = -1;
        if (Layer < 1 || Layer > H.Z || Layer > FNumZ) Result = -2;
        if (H.X != FNumX || H.Y != FNumY) Result = -3;
        if (Result != 0) return Result;
        TDoubleArray Values;
        ReadFileLayer(F, Layer, TSlot, Values);
        // The file's layer is stored as this matrix stores it, row by row.
        auto Percent = detail::TPercentCadence(static_cast<std::int64_t>(Values.size()),
                                               [this](std::int32_t P) { PercDone(this, P); });
        double* To = FMat.data() + Index(1, 1, Layer, TSlot);
        for (double V : Values) {
            *To++ = V;
            Percent.Advance();
        }
        return 0;
    } catch (const std::exception&) {
        return -4;
    }
}

std::int32_t Read4DLayer(const std::string& FName, std::int32_t Layer, std::int32_t TSlot, TDouble2DArray& Arr) {
    try {
        detail::TMatDataReader F(FName);
        const detail::TMatFileHeader& H = F.Header();
        std::int32_t Result = 0;
        if (TSlot < 1 || TSlot > H.T) Result = -1;
        if (Layer < 1 || Layer > H.Z) Result = -2;
        if (Result != 0) return Result;
        TDoubleArray Values;
        ReadFileLayer(F, Layer, TSlot, Values);
        const auto X = static_cast<std::size_t>(H.X), Y = static_cast<std::size_t>(H.Y);
        TDouble2DArray A(X, TDoubleArray(Y));
        for (std::size_t R = 0; R < Y; ++R)
            for (std::size_t C = 0; C < X; ++C) A[C][R] = Values[R * X + C];
        Arr = std::move(A);
        return 0;
    } catch (const std::exception&) {
        return -3;
    }
}

std::int32_t Read4DLayerAndAccumulate(const std::string& FName, std::int32_t Layer, std::int32_t TSlot,
                                      TDouble2DArray& Arr) {
    try {
        detail::TMatDataReader F(FName);
        const detail::TMatFileHeader& H = F.Header();
        std::int32_t Result = 0;
        if (Layer < 1 || Layer > H.Z) Result = -1;
        if (TSlot < 1 || TSlot > H.T) Result = -2;
        const bool Shape = H.X > 0 && H.Y > 0 && Arr.size() == static_cast<std::size_t>(H.X) &&
                           std::all_of(Arr.begin(), Arr.end(), [&H](const TDoubleArray& Col) {
                               return Col.size() == static_cast<std::size_t>(H.Y);
                           });
        if (!Shape) Result = -3;
        if (Result != 0) return Result;
        TDoubleArray Values;
        ReadFileLayer(F, Layer, TSlot, Values);
        const auto X = static_cast<std::size_t>(H.X), Y = static_cast<std::size_t>(H.Y);
        for (std::size_t R = 0; R < Y; ++R)
            for (std::size_t C = 0; C < X; ++C) Arr[C][R] += Values[R * X + C];
        return 0;
    } catch (const std::exception&) {
        return -4;
    }
}

}  // namespace qmr
