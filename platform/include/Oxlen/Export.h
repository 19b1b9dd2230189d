#pragma once

// Symbol visibility of the shared library Oxlen.Cad.Triangulation, which the entity layer and
// the triangulator are linked into. The library is built with hidden visibility, so only
// declarations marked with OXLEN_CAD_TRIANGULATION_API leave the shared object (or DLL).
// OXLEN_CAD_TRIANGULATION_BUILDING is defined while the library itself is compiled.

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(OXLEN_CAD_TRIANGULATION_BUILDING)
#define OXLEN_CAD_TRIANGULATION_API __declspec(dllexport)
#else
#define OXLEN_CAD_TRIANGULATION_API __declspec(dllimport)
#endif
#define OXLEN_CAD_TRIANGULATION_LOCAL
#else
#define OXLEN_CAD_TRIANGULATION_API __attribute__((visibility("default")))
// Keeps a class nested in an exported class (which would inherit its visibility) inside the
// library.
#define OXLEN_CAD_TRIANGULATION_LOCAL __attribute__((visibility("hidden")))
#endif
