// Export control of the shared library: everything is hidden unless marked QMR_API.
#pragma once

#if defined(_WIN32)
#  if defined(QMR_BUILDING_LIBRARY)
#    define QMR_API __declspec(dllexport)
#  else
#    define QMR_API __declspec(dllimport)
#  endif
#else
#  define QMR_API __attribute__((visibility("default")))
#endif
