// Calling conventions and symbol export for libraries with a C interface.
//
// On 32-bit Windows the convention is part of a function's type, so every
// function-pointer type that crosses a library boundary names one. Elsewhere
// the markers are empty and the platform's single C convention applies.
#pragma once

#ifdef _WIN32
#define ECOCAM_STDCALL __stdcall
#define ECOCAM_CDECL __cdecl
// Marks a definition for the library's export table.
#define ECOCAM_EXPORT_SYMBOL __declspec(dllexport)
#else
#define ECOCAM_STDCALL
#define ECOCAM_CDECL
#define ECOCAM_EXPORT_SYMBOL __attribute__((visibility("default")))
#endif
