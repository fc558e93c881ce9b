// TCurveFit.ImportASC on any bytes, and round trips of what ExportAsASC writes.
// Properties checked:
// - a failed import (a non-zero result or the column-count exception) leaves the object
//   as it was; a successful one holds exactly the header's row count of pairs, no more
//   than the bytes can back, and its sums describe those pairs only;
// - pairs exact at the precision written ('W' inputs) import back bit for bit, with the
//   statistics of the same pairs entered directly.
#include "fuzz_support.h"

#include <cmath>
#include <vector>

using namespace qmr;

namespace {

bool Same(double A, double B) { return fuzz::SameBits(A, B); }

// The state a reader may touch, as seen through the interface.
bool SameState(const TCurveFit& A, const TCurveFit& B) {
    if (A.NumData() != B.NumData()) return false;
    for (std::int32_t i = 1; i <= A.NumData(); ++i)
        if (!Same(A.DataX(i), B.DataX(i)) || !Same(A.DataY(i), B.DataY(i))) return false;
    return Same(A.MeanX(), B.MeanX()) && Same(A.MeanY(), B.MeanY()) && Same(A.StdDevX(), B.StdDevX()) &&
           Same(A.CorrCoeff(), B.CorrCoeff()) && Same(A.MinX(), B.MinX()) && Same(A.MaxY(), B.MaxY());
}

void CheckAny(const std::uint8_t* Data, std::size_t Size) {
    const std::string& Path = fuzz::File().Write(Data, Size);
    TCurveFit C(nullptr), Before(nullptr);
    for (TCurveFit* P : {&C, &Before}) {
        P->EnterStatValue(-1.5, 2.5);
        P->EnterStatValue(3, 0);
    }
    std::int32_t Rc = -1000;
    try {
        Rc = C.ImportASC(Path);
    } catch (const EQMRMath2Error&) {
    }
    if (Rc != 0) {
        FUZZ_CHECK(SameState(C, Before));
        return;
    }
    std::string Comment;
    std::int32_t Cols = 0, Rows = 0;
    bool F[4];
    FUZZ_CHECK(ReadHeaderOfASC(Path, Comment, Cols, Rows, F[0], F[1], F[2], F[3]) == 0 && Cols == 2);
    FUZZ_CHECK(C.NumData() == std::max(Rows, 0));
    FUZZ_CHECK(static_cast<std::size_t>(C.NumData()) <= Size / 2);
    TCurveFit Direct(nullptr);
    for (std::int32_t i = 1; i <= C.NumData(); ++i) Direct.EnterStatValue(C.DataX(i), C.DataY(i));
    FUZZ_CHECK(SameState(C, Direct));
}

void CheckWritten(FuzzedDataProvider& In) {
    TCurveFit C(nullptr), D(nullptr);
    const int Precision = In.ConsumeIntegralInRange(4, 12);
    const std::size_t n = In.ConsumeIntegralInRange<std::size_t>(0, 300);
    for (std::size_t i = 0; i < n && In.remaining_bytes() > 0; ++i) {
        // Multiples of 1/16 below 2^40 print exactly with four decimals or more.
        const double x = In.ConsumeIntegralInRange<std::int64_t>(-(1LL << 44), 1LL << 44) / 16.0;
        const double y = In.ConsumeIntegralInRange<std::int64_t>(-(1LL << 44), 1LL << 44) / 16.0;
        C.EnterStatValue(x, y);
    }
    const std::string Comment = In.ConsumeRandomLengthString(40);
    const std::string& Path = fuzz::File().Path();
    FUZZ_CHECK(C.ExportAsASC(Path, Comment, Precision).empty());
    FUZZ_CHECK(D.ImportASC(Path) == 0);
    FUZZ_CHECK(SameState(C, D));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size > 0 && Data[0] == 'W') {
        FuzzedDataProvider In(Data + 1, Size - 1);
        CheckWritten(In);
    } else {
        CheckAny(Data, Size);
    }
    return 0;
}
