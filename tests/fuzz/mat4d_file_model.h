// A plain model of reading four-dimensional data from a binary matrix file, for the
// file tests and the fuzz harness: what ReadBinary streams (or that it must fail) and
// which layer the layer readers must deliver, straight from the bytes.
#pragma once

#include <qmrnumkit/qmrnumkit.h>

#include "containers/QMR_matrix_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace qmr::test {

// Index arithmetic of the model, wide enough for any product of header counts.
__extension__ typedef __int128 TModelInt;

class TMat4DFileModel {
public:
    explicit TMat4DFileModel(const std::string& Bytes) : FBytes(Bytes) {
        if (Bytes.size() >= detail::MatRecordBytes)
            H = detail::DecodeMatFileHeader(std::span<const std::uint8_t, detail::MatRecordBytes>(
                reinterpret_cast<const std::uint8_t*>(Bytes.data()), detail::MatRecordBytes));
    }
    bool HasHeader() const { return FBytes.size() >= detail::MatRecordBytes; }

    // ReadBinary(Start, End): Result -1 or 0 with Count values from element First on,
    // or Fails (an EReadError before any value).
    struct TStream {
        bool Fails = false;
        int Result = 0;
        std::int64_t First = 0, Count = 0, Slots = 0;
    };
    TStream Binary(std::int32_t Start, std::int32_t End) const {
        TStream S;
        if (Start > H.T) return S.Result = -1, S;
        if (Start < 1 || End < 1) Start = 1, End = H.T;
        else End = std::min(End, H.T);
        S.Slots = std::int64_t{End} - Start + 1;
        if (S.Slots <= 0) return S.Slots = 0, S;
        const TModelInt Slot = Volume();
        S.Fails = Slot <= 0 || !Holds((Start - 1) * Slot, Slot * S.Slots);
        if (!S.Fails) S.First = static_cast<std::int64_t>((Start - 1) * Slot), S.Count = static_cast<std::int64_t>(Slot * S.Slots);
        return S;
    }
    // Whether the file holds layer L of slot T whole (counts positive, L and T inside).
    bool HoldsLayer(std::int32_t L, std::int32_t T) const {
        return Volume() > 0 && L >= 1 && L <= H.Z && T >= 1 && T <= H.T &&
               Holds((TModelInt{T - 1} * H.Z + L - 1) * H.X * H.Y, TModelInt{H.X} * H.Y);
    }
    // Element E of the file (its bytes as a double).
    double Value(std::int64_t E) const {
        double V;
        std::memcpy(&V, FBytes.data() + detail::MatRecordBytes + 8 * E, 8);
        return V;
    }
    // Value of (c, r) of layer L of slot T, all from 1.
    double LayerValue(std::int32_t c, std::int32_t r, std::int32_t L, std::int32_t T) const {
        return Value((std::int64_t{T - 1} * H.Z + L - 1) * H.X * H.Y + std::int64_t{r - 1} * H.X + c - 1);
    }

    detail::TMatFileHeader H;

private:
    // Elements of one slot, 0 when a count is not positive.
    TModelInt Volume() const {
        if (H.X <= 0 || H.Y <= 0 || H.Z <= 0) return 0;
        return TModelInt{H.X} * H.Y * H.Z;
    }
    // Count elements from First on lie in whole records of the file.
    bool Holds(TModelInt First, TModelInt Count) const {
        if (Count <= 0) return Count == 0;
        const TModelInt LastRecord = 1 + (First + Count - 1) / 512;
        return (LastRecord + 1) * 4096 <= static_cast<TModelInt>(FBytes.size());
    }

    std::string FBytes;
};

// The bytes of a file with the given header and Count elements holding Base + e,
// padded with zeros to whole records (Pad false: cut after the last element).
inline std::string Mat4DFileBytes(std::int32_t X, std::int32_t Y, std::int32_t Z, std::int32_t T, std::int64_t Count,
                                  double Base = 0.5, bool Pad = true, std::int32_t Format = 1) {
    std::string B(detail::MatRecordBytes, '\0');
    detail::TMatFileHeader Hd{X, Y, Z, T, "four-d", Format};
    detail::EncodeMatFileHeader(Hd, std::span<std::uint8_t, detail::MatRecordBytes>(
                                        reinterpret_cast<std::uint8_t*>(B.data()), detail::MatRecordBytes));
    for (std::int64_t E = 0; E < Count; ++E) {
        const double V = Base + static_cast<double>(E);
        B.append(reinterpret_cast<const char*>(&V), 8);
    }
    if (Pad) B.resize((B.size() + 4095) / 4096 * 4096, '\0');
    return B;
}

}  // namespace qmr::test
