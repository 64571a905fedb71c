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

// ---- Building the host's model --------------------------------------------------

class T3DOModel;
struct msModel;

/// Largest number of vertices a mesh may have: the host names a triangle's
/// corners by 16-bit indices, 0 to 65535.
inline constexpr int32_t kMaxHostMeshVertices = 65536;

/// Copies `model` into the host model `hostModel` through the host's model
/// library: per mesh, in order, one host mesh bearing the mesh's name (cut to
/// its first 31 characters), one host vertex per entry of its Vertices with
/// that position and the texture coordinates of the TXVertices entry at the
/// same index (doubles rounded to the nearest single, unscaled), then per
/// face with n >= 3 corners the fan of triangles (0, k+1, k+2), k = 0..n-3.
/// Faces with fewer corners add no triangle.
///
/// The whole model is checked before the first host call, so a model that
/// cannot be imported leaves the host untouched. Raises Exception when a
/// mesh has more than kMaxHostMeshVertices vertices, EListError when a face
/// corner is not one of its mesh's Vertices or when a mesh has fewer
/// TXVertices than Vertices. `model` is not changed.
///
/// Every Add and Get result of the host is tested: mesh and triangle
/// indices must not be negative, the j-th vertex of a mesh must get index j,
/// and records must not be null. At the first refusal it raises EHostError
/// "The host could not add mesh <i> ('<name>')", "... vertex <j> to mesh
/// '<name>'" or "... triangle <t> to mesh '<name>'" (all counted from 0) and
/// makes no further host call; what the host holds by then stays.
void AddToHostModel(const T3DOModel& model, msModel* hostModel);
