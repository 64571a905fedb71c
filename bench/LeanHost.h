// A lean host model library for timing the whole import: the nine host
// operations as a real host implements them, with its records in growing
// arrays and no checks. The strict stand-in host, which logs and checks
// every call, is what the tests use; its bookkeeping would swamp the
// import's own time here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "msLib.h"

/// A host vertex record: flags, the position that clients write directly,
/// the texture coordinates and the host's own fields.
struct msVertex {
  uint8_t flags;
  uint8_t reserved[3];
  float position[3];
  float texCoords[2];
  int32_t boneIndex;
  uint32_t reserved2;
};

/// A host triangle record.
struct msTriangle {
  uint16_t vertexIndices[3];
  uint16_t flags;
};

/// A host mesh record: flags, the name field that clients write directly,
/// the host's own fields, then the mesh's vertices and triangles.
struct msMesh {
  uint8_t flags;
  char name[kMeshNameCapacity];
  uint8_t reserved[7];
  uint32_t materialIndex;
  std::vector<msVertex> vertices;
  std::vector<msTriangle> triangles;
};

/// A host model: its meshes in order. Each mesh lives on its own, so a
/// mesh record stays where it is while later meshes are added.
struct msModel {
  std::vector<std::unique_ptr<msMesh>> meshes;
};

static_assert(std::is_standard_layout_v<msMesh>);
static_assert(offsetof(msMesh, name) == kMeshNameOffset);
static_assert(offsetof(msVertex, position) == kVertexPositionOffset);
