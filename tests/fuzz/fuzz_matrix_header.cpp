// libFuzzer harness: record 0 of binary matrix files and the data-record reader.
// Property: an input shorter than one record raises EReadError and leaves the
// out-parameters alone; a whole record hands out exactly the values of its bytes, each
// class accepts it by its rule, the encoder restores every significant byte, and the
// data reader holds exactly the whole records present and reads back their bytes.
#include <qmrnumkit/qmrnumkit.h>

#include "containers/QMR_matrix_files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace qmr;

void Check(bool Ok) {
    if (!Ok) __builtin_trap();
}

std::int32_t Le32(const std::uint8_t* P) {
    return static_cast<std::int32_t>(P[0] | P[1] << 8 | P[2] << 16 | static_cast<std::uint32_t>(P[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    static const std::string Path = "/tmp/fuzz_matrix_header_" + std::to_string(::getpid()) + ".bin";
    std::ofstream(Path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(Data),
                                                                   static_cast<std::streamsize>(Size));
    std::int32_t X = -7, Y = -7, Z = -7, T = -7, Format = -7;
    std::string Id = "unchanged";
    if (Size < detail::MatRecordBytes) {
        bool Raised = false;
        try {
            TMat3D::ReadBinaryHeader(Path, X, Y, Z, T, Id, Format);
        } catch (const EReadError&) {
            Raised = true;
        }
        Check(Raised && X == -7 && Y == -7 && Z == -7 && T == -7 && Format == -7 && Id == "unchanged");
        return 0;
    }
    const bool Accepted3D = TMat3D::ReadBinaryHeader(Path, X, Y, Z, T, Id, Format);
    Check(X == Le32(Data) && Y == Le32(Data + 4) && Z == Le32(Data + 8) && T == Le32(Data + 12) &&
          Format == Le32(Data + 272));
    Check(detail::Utf8ToLatin1(Id) == std::string(reinterpret_cast<const char*>(Data) + 17, Data[16]));
    Check(Accepted3D == (Z > 0 && T == 0 && Format == 1));
    std::int32_t X2, Y2, Format2;
    std::string Id2;
    Check(TMatrix::ReadBinaryHeader(Path, X2, Y2, Id2, Format2) == (Z == 0 && T == 0 && Format == 1) && Id2 == Id);

    std::uint8_t Back[detail::MatRecordBytes];
    detail::EncodeMatFileHeader(detail::DecodeMatFileHeader(std::span<const std::uint8_t, 4096>(Data, 4096)), Back);
    Check(std::memcmp(Back, Data, 17u + Data[16]) == 0 && std::memcmp(Back + 272, Data + 272, 4) == 0);

    // Element e lies at byte 4096 + 8 e; the reader holds a range when the records that
    // contain it are whole.
    detail::TMatDataReader R(Path);
    const std::int64_t WholeRecords = static_cast<std::int64_t>(Size / detail::MatRecordBytes) - 1;
    for (std::int64_t N : {std::int64_t{1}, std::int64_t{512}, std::int64_t{513}, std::int64_t{3000}})
        Check(R.Holds(0, N) == ((N + 511) / 512 <= WholeRecords));
    const std::int64_t N = std::min<std::int64_t>(WholeRecords * 512, 3000);
    if (N > 0) {
        Check(R.Seek(0));
        for (std::int64_t E = 0; E < N; ++E) {
            double Want;
            std::memcpy(&Want, Data + 4096 + 8 * E, 8);
            const double Got = R.Next();
            Check(std::memcmp(&Got, &Want, 8) == 0);
        }
    }
    const std::int64_t Last = R.ElementIndex(std::max(X, 1), std::max(Y, 1), std::max(Z, 1), std::max(T, 1));
    // A last index that exists is the element count less one (counted without overflow:
    // the count is at most 2^63 then).
    const auto Count = static_cast<std::uint64_t>(std::max(X, 1)) * static_cast<std::uint64_t>(std::max(Y, 1)) *
                       static_cast<std::uint64_t>(std::max(Z, 1)) * static_cast<std::uint64_t>(std::max(T, 1));
    Check(Last == -1 || (X > 0 && Y > 0 && static_cast<std::uint64_t>(Last) + 1 == Count));
    return 0;
}
