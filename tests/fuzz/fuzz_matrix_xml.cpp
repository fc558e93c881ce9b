// libFuzzer harness: the matrix XML tag interpreter of TMatrix and TMat3D and its two
// number scanners. Property: both matrices agree with the plain model of
// matrix_xml_model.h (sizes bounded there, not in the library); the scanners leave the
// position inside the text (or where it was, beyond it) and return numbers within
// +-uc_MaxDouble.
#include "matrix_xml_model.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

void Check(bool Ok) {
    if (!Ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace qmr;
    const std::string Xml(reinterpret_cast<const char*>(Data), Size);
    TMatrix M(nullptr);
    TMat3D M3(nullptr);
    Check(test::Agrees(M, test::Feed<2>(M, Xml)));
    Check(test::Agrees(M3, test::Feed<3>(M3, Xml)));

    const auto Len = static_cast<std::int32_t>(std::min<std::size_t>(Size, 1 << 20));
    for (std::int32_t Start = 0; Start <= std::min(Len + 1, 40); ++Start) {
        std::int32_t P = Start;
        detail::ReadIntAtPos(Xml, P);
        Check(Start < 1 || Start > Len ? P == Start : P > Start - 1 && P <= Len + 1);
        for (std::int32_t Mode = 1; Mode <= 3; ++Mode) {
            P = Start;
            const Extended V = detail::ReadRealAtPos(Xml, Mode != 2, Mode, P);
            Check(std::fabs(V) <= uc_MaxDouble && (Start < 1 || Start > Len ? P == Start : P >= Start && P <= Len + 1));
            std::int32_t Q = Start;
            const double D = detail::ReadDoubleAtPos(Xml, Mode != 2, Mode, Q);
            Check(Q == P && std::fabs(D) <= uc_MaxDouble && (sizeof(Extended) > 8 || D == V));
        }
    }
    return 0;
}
