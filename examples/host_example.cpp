// Example host program: links the library and calls it in process.
#include <qmrnumkit/qmrnumkit.h>

#include <cstdio>

namespace {
int GFeedbackCalls = 0;
void OnProgress(double) { ++GFeedbackCalls; }
}  // namespace

int main() {
    using namespace qmr;
    MathFeedBackProc = &OnProgress;
    std::printf("qmrnumkit %d.%d.%d, Extended is %s\n", QMR_VERSION_MAJOR, QMR_VERSION_MINOR,
                QMR_VERSION_PATCH, sizeof(Extended) > sizeof(double) ? "x87 80-bit" : "double");
    MathFeedBackProc = nullptr;
    std::printf("progress reports seen: %d, ProcStat = %g\n", GFeedbackCalls, ProcStat.load());
    return 0;
}
