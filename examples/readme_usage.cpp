// The usage example of the README, kept here so that it always compiles and runs.
#include <qmrnumkit/qmrnumkit.h>

void ShowProgress(double Steps) { (void)Steps; /* update a progress bar */ }

int main() {
    qmr::MathFeedBackProc = &ShowProgress;   // called after every progress step
    qmr::TDoubleArray Data = {5, 1, 4, 2, 3};
    qmr::SortArray(Data, true);               // comb sort, ascending, reports each pass
    qmr::TDoubleArray Copy = {5, 1, 4, 2, 3};
    double Median = qmr::QuickSelect(Copy, 2, 0, 4);   // 3
    return Median == 3 && Data.front() == 1 ? 0 : 1;
}
