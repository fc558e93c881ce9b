// Load and unload of the library: runs the unit initialisations once, in unit order,
// when the shared library is loaded, and the finalisations in reverse order at unload.
//
// Namespace-scope variables of the library are constant-initialised (no dynamic
// initialisers), so nothing depends on the order of static initialisation across files.
#include "package/qmr_units.h"

namespace {

struct TUnitHooks {
    void (*Init)();
    void (*Fini)();
};

// Unit order: each unit may rely on the units before it.
constexpr TUnitHooks kUnits[] = {
    {qmr::detail::InitUnit_QMR_math1, qmr::detail::FiniUnit_QMR_math1},
    {qmr::detail::InitUnit_QMR_complex, qmr::detail::FiniUnit_QMR_complex},
    {qmr::detail::InitUnit_QMR_sline, qmr::detail::FiniUnit_QMR_sline},
    {qmr::detail::InitUnit_QMR_openarrays, qmr::detail::FiniUnit_QMR_openarrays},
    {qmr::detail::InitUnit_QMR_vector, qmr::detail::FiniUnit_QMR_vector},
    {qmr::detail::InitUnit_QMR_matrix, qmr::detail::FiniUnit_QMR_matrix},
    {qmr::detail::InitUnit_QMR_datatable, qmr::detail::FiniUnit_QMR_datatable},
    {qmr::detail::InitUnit_QMR_math2, qmr::detail::FiniUnit_QMR_math2},
    {qmr::detail::InitUnit_QMR_statis, qmr::detail::FiniUnit_QMR_statis},
    {qmr::detail::InitUnit_QMR_fourier, qmr::detail::FiniUnit_QMR_fourier},
    {qmr::detail::InitUnit_QMR_wavelet, qmr::detail::FiniUnit_QMR_wavelet},
    {qmr::detail::InitUnit_QMR_membl, qmr::detail::FiniUnit_QMR_membl},
    {qmr::detail::InitUnit_QMR_kohonen, qmr::detail::FiniUnit_QMR_kohonen},
};

bool GLoaded = false;

__attribute__((constructor)) void QmrLibraryLoad() {
    if (GLoaded) return;
    GLoaded = true;
    for (const auto& U : kUnits) U.Init();
}

__attribute__((destructor)) void QmrLibraryUnload() {
    if (!GLoaded) return;
    GLoaded = false;
    for (auto It = std::rbegin(kUnits); It != std::rend(kUnits); ++It) It->Fini();
}

}  // namespace
