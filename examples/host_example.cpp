// Example host program: links the library and calls it in process. It performs a
// matrix inversion the way a host does: create a matrix, size it, write its elements
// (each write fires OnChange), invert it with progress reported through the library's
// feedback hook, and read the inverse.
#include <qmrnumkit/qmrnumkit.h>

#include <cstdio>
#include <vector>

namespace {
std::vector<double> GProgress;
void OnProgress(double ProcStat) { GProgress.push_back(ProcStat); }
}  // namespace

int main() {
    using namespace qmr;
    std::printf("qmrnumkit %d.%d.%d, Extended is %s\n", QMR_VERSION_MAJOR, QMR_VERSION_MINOR,
                QMR_VERSION_PATCH, sizeof(Extended) > sizeof(double) ? "x87 80-bit" : "double");

    const int N = 4;
    TMatrix M(nullptr);  // starts as 1 x 1 holding 0
    M.SetName("Hilbert");
    int Changes = 0;
    M.OnChange = [&Changes](TObject*) { ++Changes; };

    M.Resize(N, N);
    for (int Col = 1; Col <= N; ++Col)
        for (int Row = 1; Row <= N; ++Row) M.SetElem(Col, Row, 1.0 / (Row + Col - 1));
    std::printf("%s: %d x %d Hilbert matrix written, OnChange fired %d times (1 resize + %d writes)\n",
                M.Name().c_str(), M.NrOfColumns(), M.NrOfRows(), Changes, N * N);

    ProcStat = 0.0;
    AbortMathProc = false;
    MathFeedBackProc = &OnProgress;
    Changes = 0;
    bool Ok = false;
    try {
        Ok = M.Invert();
    } catch (const EQMRMatrixError& E) {
        std::printf("Invert raised: %s\n", E.what());
    }
    MathFeedBackProc = nullptr;

    std::printf("Invert returned %s, OnChange fired %d time(s)\n", Ok ? "True" : "False", Changes);
    std::printf("inverse (rows):\n");
    for (int Row = 1; Row <= N; ++Row) {
        for (int Col = 1; Col <= N; ++Col) std::printf(" %10.3f", static_cast<double>(M.Elem(Col, Row)));
        std::printf("\n");
    }
    std::printf("progress reports seen: %zu (", GProgress.size());
    for (std::size_t I = 0; I < GProgress.size(); ++I) std::printf("%s%g", I ? " " : "", GProgress[I]);
    std::printf("), ProcStat = %g\n", ProcStat.load());
    return Ok ? 0 : 1;
}
