// The host's model library: the nine operations the import calls, and the
// few facts about the host's records that it relies on. Records are opaque.
#pragma once

#include <cstdint>

extern "C" {

struct msModel;
struct msMesh;
struct msVertex;
struct msTriangle;

/// Appends a new, empty mesh to the model and returns its index.
int msModel_AddMesh(msModel* model);
/// The mesh record of that index; valid while its mesh is being filled.
msMesh* msModel_GetMeshAt(msModel* model, int index);
/// Appends a vertex to the mesh and returns its index (0, 1, 2, ... on a new mesh).
int msMesh_AddVertex(msMesh* mesh);
/// The vertex record of that index; valid until the next vertex is added.
msVertex* msMesh_GetVertexAt(msMesh* mesh, int index);
/// Sets the vertex position from three singles; they may lie inside the record.
void msVertex_SetVertex(msVertex* vertex, const float position[3]);
/// Sets the vertex texture coordinates from two singles (U, then V).
void msVertex_SetTexCoords(msVertex* vertex, const float texCoords[2]);
/// Appends a triangle to the mesh and returns its index.
int msMesh_AddTriangle(msMesh* mesh);
/// The triangle record of that index; valid until the next triangle is added.
msTriangle* msMesh_GetTriangleAt(msMesh* mesh, int index);
/// Makes the triangle's corners the vertices of these three indices, in order.
void msTriangle_SetVertexIndices(msTriangle* triangle, const uint16_t indices[3]);

}  // extern "C"

/// Byte of the mesh record where the NUL-terminated name begins.
inline constexpr int kMeshNameOffset = 1;
/// Bytes of the name field, the NUL included: names hold at most 31 characters.
inline constexpr int kMeshNameCapacity = 32;
/// Byte of the vertex record where the position's three singles begin.
inline constexpr int kVertexPositionOffset = 4;
