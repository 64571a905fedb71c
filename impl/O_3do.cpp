#include "O_3do.h"

#include <cstdio>

#include "Errors.h"

T3DOModel::~T3DOModel() {
  Nodes.FreeItems();
  Meshes.FreeItems();
  // Materials holds plain strings and goes with its own destructor.
}

namespace {

/// Raises the error for a parent chain that loops instead of ending at a
/// root; `nodeIndex` is the node whose mesh was being placed.
[[noreturn]] void RaiseEndlessChain(int32_t nodeIndex) {
  char message[96];
  std::snprintf(message, sizeof message,
                "Hierarchy node %d has a parent chain that never reaches a root",
                static_cast<int>(nodeIndex));
  throw EListError(message);
}

/// Applies a node's rotation and then its position to `vertices`. The
/// rotation builders turn by the negated angle, so passing negated angles
/// gives the counter-clockwise rotation by the stored ones.
void TurnAndMove(const TVertexList& vertices, const TNode& node) {
  RotateVertices(vertices, Vec3Make(-node.Rotation.x, -node.Rotation.y, -node.Rotation.z));
  TranslateVertices(vertices, node.Position);
}

/// Places the mesh of node `nodeIndex` (which names one) into model space.
void PlaceMesh(const T3DMeshList& meshes, const TNodeList& nodes, int32_t nodeIndex) {
  const TNode* cur = nodes.Items(nodeIndex);
  const TVertexList& vertices = meshes.Items(cur->MeshIndex)->Vertices;
  TranslateVertices(vertices, cur->Pivot);
  TurnAndMove(vertices, *cur);
  // A chain through distinct nodes takes at most Count - 1 steps; one that
  // takes Count steps has come back to a node it already passed.
  int32_t steps = 0;
  while (cur->ParentIndex != -1) {
    cur = nodes.Items(cur->ParentIndex);
    if (++steps >= nodes.Count()) RaiseEndlessChain(nodeIndex);
    TurnAndMove(vertices, *cur);
  }
}

}  // namespace

void T3DOModel::ApplyHierarchy() {
  const int32_t n = Nodes.Count();
  for (int32_t i = 0; i < n; ++i) {
    if (Nodes.Items(i)->MeshIndex == -1) continue;  // still an ancestor of others
    PlaceMesh(Meshes, Nodes, i);
  }
}
