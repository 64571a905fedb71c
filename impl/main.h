// The implementation library's entry points and the building of the host's
// model.
#pragma once

#include <cstdint>

// ---- Exports of KelvadoImpl.dll ---------------------------------------------
// Plain C names with the compiler's default (cdecl) convention; the plug-in
// object's entry types must agree with these declarations.

#ifdef _WIN32
#define KELVADO_IMPL_EXPORT extern "C" __declspec(dllexport)
#else
#define KELVADO_IMPL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

/// The plug-in's type code: always 1.
KELVADO_IMPL_EXPORT int32_t plugin_GetType();

/// The plug-in's title "Jedi Knight 3DO...": the same constant text, by the
/// same pointer, on every call.
KELVADO_IMPL_EXPORT const char* plugin_GetTitle();

/// The import command: asks the user for a 3DO file, reads it and adds its
/// meshes to the host model `hostModel`, which is passed on unchanged.
/// Returns 0 on success, -1 when no file was chosen or the import failed;
/// a failure is shown in one error box. No exception leaves this function.
KELVADO_IMPL_EXPORT int32_t plugin_Execute(void* hostModel);
