// TBitFld operation sequences on two fields agree with a model of each field as a size
// and a vector of bools; the one size that cannot be counted is refused, field unchanged.
#include "fuzz_support.h"

#include <algorithm>
#include <limits>
#include <vector>

using namespace qmr;

namespace {

struct Model {
    int Size = 0;
    std::vector<bool> Bits = std::vector<bool>(1, false);  // bits 0..Size
    bool Get(int Ix) const { return Ix >= 0 && Ix <= Size && Bits[static_cast<std::size_t>(Ix)]; }
};

void Same(const TBitFld& F, const Model& M) {
    FUZZ_CHECK(F.Size() == M.Size);
    FUZZ_CHECK(F.CountTrueBits() == static_cast<int>(std::count(M.Bits.begin(), M.Bits.end(), true)));
    const auto First = std::find(M.Bits.begin(), M.Bits.end(), true);
    FUZZ_CHECK(F.FirstTrueBit() == (First == M.Bits.end() ? -1 : static_cast<int>(First - M.Bits.begin())));
    for (int Ix = -2; Ix <= M.Size + 2; ++Ix) FUZZ_CHECK(F.GetBit(Ix) == M.Get(Ix));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider In(Data, Size);
    TBitFld F[2] = {TBitFld(nullptr), TBitFld(nullptr)};
    Model M[2];
    for (int Step = 0; Step < 200 && In.remaining_bytes() > 0; ++Step) {
        const int K = In.ConsumeBool();
        TBitFld& A = F[K];
        Model& Ma = M[K];
        switch (In.ConsumeIntegralInRange(0, 7)) {
            case 0: {
                const int N = In.ConsumeIntegralInRange(0, 15) == 0 ? std::numeric_limits<int>::max()
                                                                    : In.ConsumeIntegralInRange(-3, 300);
                if (N == std::numeric_limits<int>::max()) {
                    bool Refused = false;
                    try { A.SetSize(N); } catch (const EQMRError&) { Refused = true; }
                    FUZZ_CHECK(Refused);
                } else {
                    A.SetSize(N);
                    Ma.Size = N;
                    Ma.Bits.resize(static_cast<std::size_t>(std::max(N + 1, 0)), false);
                }
                break;
            }
            case 1:
            case 2: {
                const int Ix = In.ConsumeIntegralInRange(-2, 302);
                const bool V = In.ConsumeBool();
                A.SetBit(Ix, V);
                if (Ix >= 0 && Ix <= Ma.Size) Ma.Bits[static_cast<std::size_t>(Ix)] = V;
                break;
            }
            case 3:
                A.Clear();
                std::fill(Ma.Bits.begin(), Ma.Bits.end(), false);
                break;
            case 4:
                A.Invert();
                Ma.Bits.flip();
                break;
            case 5:
                A.Clone(&F[1 - K]);
                Ma = M[1 - K];
                break;
            default: {
                const auto Op = static_cast<TLogicOp>(In.ConsumeIntegralInRange(0, 3));
                const Model& Mb = M[1 - K];
                A.CombineWith(&F[1 - K], Op);
                for (int Ix = 0; Ix <= Ma.Size; ++Ix) {
                    const bool X = Ma.Get(Ix), Y = Mb.Get(Ix);
                    bool R = X;
                    switch (Op) {
                        case TLogicOp::loAnd: R = X && Y; break;
                        case TLogicOp::loOr: R = X || Y; break;
                        case TLogicOp::loXor: R = X != Y; break;
                        case TLogicOp::loAndNot: R = X && !Y; break;
                    }
                    Ma.Bits[static_cast<std::size_t>(Ix)] = R;
                }
                break;
            }
        }
        Same(F[0], M[0]);
        Same(F[1], M[1]);
    }
    return 0;
}
