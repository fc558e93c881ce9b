// qmrnumkit: numerical and data-analysis class library. Umbrella header: every unit.
#pragma once

#include "platform/rtl_core.h"
#include "platform/rtl_text.h"
#include "platform/rtl_streams.h"
#include "platform/rtl_images.h"
#include "platform/Qmr_qmrbase.h"
#include "platform/Qmr_dstruct.h"
#include "platform/Qmr_streams.h"
#include "platform/Qmr_stringl.h"
#include "platform/Qmr_filesys.h"
#include "platform/Qmr_qmrcolors.h"
#include "platform/Qmr_univconst.h"

#include "foundations/QMR_math1.h"
#include "foundations/QMR_complex.h"
#include "foundations/QMR_sline.h"
#include "foundations/QMR_openarrays.h"

#include "containers/QMR_vector.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_datatable.h"

#include "analysis/QMR_math2.h"
#include "analysis/QMR_statis.h"
#include "analysis/QMR_fourier.h"
#include "analysis/QMR_wavelet.h"
#include "analysis/QMR_membl.h"
#include "analysis/QMR_kohonen.h"
