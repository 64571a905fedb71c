// Read-back API of the stand-in host model library. These functions are our
// own, not the host's: tests and the stand-in host program use them to make
// a model, to read back what a client added to it through the nine host
// operations of msLib.h, to see every call in order, and to check the model
// for faults. A plain C interface, so that it crosses the DLL boundary safely.
#pragma once

#include <cstdint>

#include "msLib.h"

#if defined(_WIN32)
#if defined(KELVADO_BUILDING_MSMODELLIB)
#define HOSTMODEL_API __declspec(dllexport)
#else
#define HOSTMODEL_API __declspec(dllimport)
#endif
#else
#define HOSTMODEL_API __attribute__((visibility("default")))
#endif

extern "C" {

/// The nine host operations, as logged in HostCall::operation.
enum HostOperation : int32_t {
  kHostAddMesh = 0,
  kHostGetMeshAt = 1,
  kHostAddVertex = 2,
  kHostGetVertexAt = 3,
  kHostSetVertex = 4,
  kHostSetTexCoords = 5,
  kHostAddTriangle = 6,
  kHostGetTriangleAt = 7,
  kHostSetVertexIndices = 8,
};

/// One logged call. Records are named by position, not by address.
struct HostCall {
  int32_t operation;  ///< a HostOperation
  /// Mesh the call concerns: the result of AddMesh, the index argument of
  /// GetMeshAt, else the mesh of the record argument; -1 when the model
  /// handle or record was null, foreign or stale (a fault is recorded then).
  int32_t mesh;
  /// Vertex or triangle: the result of AddVertex/AddTriangle, the index
  /// argument of GetVertexAt/GetTriangleAt, else that of the record
  /// argument; -1 when the call names none.
  int32_t item;
  float values[3];      ///< SetVertex: X, Y, Z; SetTexCoords: U, V, 0; else 0
  uint16_t indices[3];  ///< SetVertexIndices: the index triple; else 0
  /// 1 when the host refused the call as one at its limits would (see
  /// hostmodel_FailCall): an Add that returned -1, a Get that returned null.
  int32_t refused;
};

/// Makes a new, empty host model. Its handle is what the host passes to clients.
HOSTMODEL_API msModel* hostmodel_Create(void);
/// Destroys a model made by hostmodel_Create; every record of it becomes invalid.
HOSTMODEL_API void hostmodel_Destroy(msModel* model);

/// Makes the `n`-th call from now on (n >= 1) of `operation` fail, in
/// whichever model it comes, as a host at its limits would: an Add
/// (kHostAddMesh, kHostAddVertex, kHostAddTriangle) returns -1 and adds
/// nothing, a Get (kHostGetMeshAt, kHostGetVertexAt, kHostGetTriangleAt)
/// returns null. Only calls that would otherwise succeed count. The failure
/// happens once; a vertex or triangle whose Get failed is not reported as
/// never set. Returns 1, or 0 (and arms nothing) for another operation or
/// n < 1. n = 0 disarms a pending failure and returns 1.
HOSTMODEL_API int32_t hostmodel_FailCall(int32_t operation, int32_t n);

/// Number of meshes, or -1 for an unknown model.
HOSTMODEL_API int32_t hostmodel_MeshCount(const msModel* model);
/// Copies the mesh's name (up to its NUL, cut to fit `size` with a NUL) into
/// `buffer`. Returns the name's full length, or -1 for an unknown model or
/// mesh or a name field that holds no NUL.
HOSTMODEL_API int32_t hostmodel_MeshName(const msModel* model, int32_t mesh, char* buffer,
                                         int32_t size);
/// Number of vertices of the mesh, or -1 for an unknown model or mesh.
HOSTMODEL_API int32_t hostmodel_VertexCount(const msModel* model, int32_t mesh);
/// Reads a vertex's position and texture coordinates; either pointer may be
/// null. Returns 1, or 0 for an unknown model, mesh or vertex.
HOSTMODEL_API int32_t hostmodel_GetVertex(const msModel* model, int32_t mesh, int32_t vertex,
                                          float position[3], float texCoords[2]);
/// Number of triangles of the mesh, or -1 for an unknown model or mesh.
HOSTMODEL_API int32_t hostmodel_TriangleCount(const msModel* model, int32_t mesh);
/// Reads a triangle's vertex indices. Returns 1, or 0 for an unknown model,
/// mesh or triangle.
HOSTMODEL_API int32_t hostmodel_GetTriangle(const msModel* model, int32_t mesh, int32_t triangle,
                                            uint16_t indices[3]);

/// Number of host operations called on the model so far, or -1 for an
/// unknown model. Calls whose handle or record no live model owns are logged
/// in every live model.
HOSTMODEL_API int32_t hostmodel_CallCount(const msModel* model);
/// Copies call number `call` (0 = first) into `out`. Returns 1, or 0 when
/// there is no such call.
HOSTMODEL_API int32_t hostmodel_GetCall(const msModel* model, int32_t call, HostCall* out);
/// Writes call number `call` as text, e.g. "msMesh_GetVertexAt(mesh 0, 5)" or
/// "msVertex_SetVertex(vertex 0/5, 1 2 3)", cut to fit `size` with a NUL.
/// Returns the text's full length, or -1 when there is no such call.
HOSTMODEL_API int32_t hostmodel_FormatCall(const msModel* model, int32_t call, char* buffer,
                                           int32_t size);
/// Scans every record of the model (guard bytes, flags, the name's NUL,
/// values never set, writes through records no longer valid) and returns the
/// number of faults: those the scan found plus those recorded during calls
/// (null, foreign or stale handles and records, bad indices). -1 for an
/// unknown model.
HOSTMODEL_API int32_t hostmodel_Check(msModel* model);
/// Number of faults as of the last hostmodel_Check plus those recorded by
/// calls since; -1 for an unknown model.
HOSTMODEL_API int32_t hostmodel_FaultCount(const msModel* model);
/// Writes fault number `fault` as text, cut to fit `size` with a NUL.
/// Returns the text's full length, or -1 when there is no such fault.
HOSTMODEL_API int32_t hostmodel_Fault(const msModel* model, int32_t fault, char* buffer,
                                      int32_t size);

}  // extern "C"

#include <string>
#include <vector>

/// Header-only C++ conveniences over the C functions above; they live in the
/// caller's module, so no C++ object crosses the library boundary.
namespace hostmodel {

/// Reads a text through one of the (model, index, buffer, size) functions.
template <class Model, class Reader>
std::string ReadText(Model* model, int32_t index, Reader reader) {
  int32_t length = reader(model, index, nullptr, 0);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  reader(model, index, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

/// The mesh's name; empty for an unknown mesh.
inline std::string MeshName(const msModel* model, int32_t mesh) {
  return ReadText(model, mesh, hostmodel_MeshName);
}

/// Every logged call as text, in order.
inline std::vector<std::string> CallTexts(const msModel* model) {
  std::vector<std::string> calls;
  for (int32_t i = 0; i < hostmodel_CallCount(model); ++i)
    calls.push_back(ReadText(model, i, hostmodel_FormatCall));
  return calls;
}

/// Checks the model and returns every fault as text; empty when it is sound.
inline std::vector<std::string> CheckedFaults(msModel* model) {
  std::vector<std::string> faults;
  int32_t count = hostmodel_Check(model);
  for (int32_t i = 0; i < count; ++i) faults.push_back(ReadText(model, i, hostmodel_Fault));
  return faults;
}

}  // namespace hostmodel
