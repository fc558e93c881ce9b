// Data table: numeric data with per-column measurement scale, nominal dictionary, names, attributes and cell states (TDataTable).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the data table.
class QMR_API EQMRDataTableError : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr
