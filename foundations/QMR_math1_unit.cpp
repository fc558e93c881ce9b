// Unit initialisation and finalisation of QMR_math1.
#include "package/qmr_units.h"

#include "platform/Qmr_qmrbase.h"

namespace qmr::detail {

void InitMath1Random();

void InitUnit_QMR_math1() {
    InitMath1Random();
    MathFeedBackProc = nullptr;
}

void FiniUnit_QMR_math1() {}

}  // namespace qmr::detail
