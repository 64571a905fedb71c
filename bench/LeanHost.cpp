#include "LeanHost.h"

#include <cstring>

extern "C" {

int msModel_AddMesh(msModel* model) {
  auto mesh = std::make_unique<msMesh>();
  mesh->flags = 0;
  std::memset(mesh->name, 0, sizeof mesh->name);
  std::memset(mesh->reserved, 0, sizeof mesh->reserved);
  mesh->materialIndex = 0;
  model->meshes.push_back(std::move(mesh));
  return static_cast<int>(model->meshes.size()) - 1;
}

msMesh* msModel_GetMeshAt(msModel* model, int index) {
  return model->meshes[static_cast<size_t>(index)].get();
}

int msMesh_AddVertex(msMesh* mesh) {
  mesh->vertices.push_back(msVertex{0, {0, 0, 0}, {0, 0, 0}, {0, 0}, -1, 0});
  return static_cast<int>(mesh->vertices.size()) - 1;
}

msVertex* msMesh_GetVertexAt(msMesh* mesh, int index) {
  return &mesh->vertices[static_cast<size_t>(index)];
}

void msVertex_SetVertex(msVertex* vertex, const float position[3]) {
  // The position may lie inside the record itself.
  std::memmove(vertex->position, position, sizeof vertex->position);
}

void msVertex_SetTexCoords(msVertex* vertex, const float texCoords[2]) {
  std::memmove(vertex->texCoords, texCoords, sizeof vertex->texCoords);
}

int msMesh_AddTriangle(msMesh* mesh) {
  mesh->triangles.push_back(msTriangle{{0, 0, 0}, 0});
  return static_cast<int>(mesh->triangles.size()) - 1;
}

msTriangle* msMesh_GetTriangleAt(msMesh* mesh, int index) {
  return &mesh->triangles[static_cast<size_t>(index)];
}

void msTriangle_SetVertexIndices(msTriangle* triangle, const uint16_t indices[3]) {
  std::memcpy(triangle->vertexIndices, indices, sizeof triangle->vertexIndices);
}

}  // extern "C"
