// Progress and abort globals.
#include "platform/Qmr_qmrbase.h"

namespace qmr {

std::atomic<double> ProcStat{0.0};
TMathFeedBackProc MathFeedBackProc = nullptr;
std::atomic<bool> AbortMathProc{false};

namespace detail {

void StepProgress(double Amount) {
    double Now = ProcStat.fetch_add(Amount) + Amount;
    if (MathFeedBackProc) MathFeedBackProc(Now);
}

void CallFeedBack() {
    if (MathFeedBackProc) MathFeedBackProc(ProcStat.load());
}

}  // namespace detail
}  // namespace qmr
