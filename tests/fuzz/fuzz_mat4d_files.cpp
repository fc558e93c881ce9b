// libFuzzer harness: reading four-dimensional data from binary matrix files
// (TMat4D::ReadBinary, ReadLayer, Read4DLayer, Read4DLayerAndAccumulate). The input is
// the file. Property: every reader agrees with the plain model of mat4d_file_model.h:
// the values streamed are exactly the file's bytes in order, a layer read is the layer
// of the file, and a file whose counts or length cannot hold the data fails (raises, or
// returns the failure code with nothing stored).
#include "fuzz_support.h"

#include "mat4d_file_model.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace qmr;

namespace {

// The same double, or NaN for NaN (a payload may be quieted on the way through Extended).
bool Same(double A, double B) { return fuzz::SameBits(A, B) || (A != A && B != B); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
    const std::string& Path = fuzz::File().Write(Bytes);
    const test::TMat4DFileModel F(Bytes);

    TMat4D M(nullptr);
    std::vector<double> Got;
    std::int64_t Events = 0;
    M.OnReadElement = [&](TObject*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, double V) { Got.push_back(V); };
    M.OnPercentDone = [&](TObject*, double P) { FUZZ_CHECK(P >= 0 && P <= 100); ++Events; };
    for (auto [S, E] : {std::pair{0, 0}, {2, 3}, {1, 1}}) {
        Got.clear();
        bool Raised = false;
        std::int32_t Result = 0;
        try {
            Result = M.ReadBinary(Path, S, E);
        } catch (const EReadError&) {
            Raised = true;
        }
        if (!F.HasHeader()) {
            FUZZ_CHECK(Raised);
            continue;
        }
        const auto Want = F.Binary(S, E);
        FUZZ_CHECK(Raised == Want.Fails && (Raised || Result == Want.Result));
        FUZZ_CHECK(static_cast<std::int64_t>(Got.size()) == (Raised ? 0 : Want.Count));
        for (std::size_t K = 0; K < Got.size(); ++K) FUZZ_CHECK(Same(Got[K], F.Value(Want.First + static_cast<std::int64_t>(K))));
    }
    FUZZ_CHECK(M.NrOfColumns() == 1 && M.Elem(1, 1, 1, 1) == 0);

    // Layer 1 of slot 1 and layer 2 of slot 1, into arrays and into a matrix of the
    // file's shape (when small).
    for (auto [L, T] : {std::pair{1, 1}, {2, 1}}) {
        TDouble2DArray A{{-1}};
        const std::int32_t Code = Read4DLayer(Path, L, T, A);
        const bool Holds = F.HoldsLayer(L, T);
        FUZZ_CHECK((Code == 0) == Holds);
        if (!Holds) {
            FUZZ_CHECK(A.size() == 1 && A[0].size() == 1 && A[0][0] == -1);
            continue;
        }
        const auto X = F.H.X, Y = F.H.Y;
        FUZZ_CHECK(A.size() == static_cast<std::size_t>(X));
        for (std::int32_t C = 1; C <= X; ++C)
            for (std::int32_t R = 1; R <= Y; ++R) FUZZ_CHECK(Same(A[C - 1][R - 1], F.LayerValue(C, R, L, T)));
        TDouble2DArray Acc = A;
        FUZZ_CHECK(Read4DLayerAndAccumulate(Path, L, T, Acc) == 0);
        for (std::int32_t C = 0; C < X; ++C)
            for (std::int32_t R = 0; R < Y; ++R) {
                const double Twice = A[C][R] + A[C][R];
                FUZZ_CHECK(Same(Acc[C][R], Twice));
            }
        // The header's depth and time counts may be huge while the layer itself is small.
        std::int64_t Cells = 0;
        if (!__builtin_mul_overflow(std::int64_t{X} * Y, std::int64_t{F.H.Z} * F.H.T, &Cells) && Cells <= 4096) {
            TMat4D Into(nullptr);
            Into.Resize(X, Y, F.H.Z, F.H.T);
            FUZZ_CHECK(Into.ReadLayer(Path, L, T) == 0);
            for (std::int32_t C = 1; C <= X; ++C)
                for (std::int32_t R = 1; R <= Y; ++R)
                    FUZZ_CHECK(Same(static_cast<double>(Into.Elem(C, R, L, T)), F.LayerValue(C, R, L, T)));
        }
    }
    return 0;
}
