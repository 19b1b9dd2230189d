#pragma once

// Symbol visibility of the library. The library is built with hidden visibility, so only
// declarations marked with OXLEN_CAD_TRIANGULATION_API leave the shared object (or DLL).
// OXLEN_CAD_TRIANGULATION_BUILDING is defined while the library itself is compiled.

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(OXLEN_CAD_TRIANGULATION_BUILDING)
#define OXLEN_CAD_TRIANGULATION_API __declspec(dllexport)
#else
#define OXLEN_CAD_TRIANGULATION_API __declspec(dllimport)
#endif
#else
#define OXLEN_CAD_TRIANGULATION_API __attribute__((visibility("default")))
#endif
