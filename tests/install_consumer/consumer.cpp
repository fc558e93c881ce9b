// Links the installed library and calls it.
#include <qmrnumkit/qmrnumkit.h>

#include <cstdio>

int main() {
    qmr::TComponent Owner(nullptr);
    auto* Child = new qmr::TComponent(&Owner);
    Child->SetName("Child");
    double Before = qmr::ProcStat.load();
    qmr::detail::StepProgress();
    bool Ok = Owner.ComponentCount() == 1 && qmr::ProcStat.load() == Before + 1 && qmr::Round(2.5) == 2;
    std::printf("consumer: %s\n", Ok ? "ok" : "FAILED");
    return Ok ? 0 : 1;
}
