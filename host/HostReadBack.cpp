#include "HostReadBack.h"

#include "HostModel.h"

namespace {

HostMeshRecord ReadHostMesh(const msModel* model, int32_t index) {
  HostMeshRecord mesh;
  mesh.name = hostmodel::MeshName(model, index);
  for (int32_t i = 0; i < hostmodel_VertexCount(model, index); ++i) {
    float position[3] = {}, texCoords[2] = {};
    hostmodel_GetVertex(model, index, i, position, texCoords);
    mesh.vertices.push_back({position[0], position[1], position[2], texCoords[0], texCoords[1]});
  }
  for (int32_t i = 0; i < hostmodel_TriangleCount(model, index); ++i) {
    uint16_t corners[3] = {};
    hostmodel_GetTriangle(model, index, i, corners);
    mesh.triangles.push_back({corners[0], corners[1], corners[2]});
  }
  return mesh;
}

}  // namespace

std::vector<HostMeshRecord> ReadHostModel(const msModel* model) {
  std::vector<HostMeshRecord> meshes;
  for (int32_t i = 0; i < hostmodel_MeshCount(model); ++i) meshes.push_back(ReadHostMesh(model, i));
  return meshes;
}
