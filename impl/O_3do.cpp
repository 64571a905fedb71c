#include "O_3do.h"

#include <cstdio>
#include <vector>

#include "Errors.h"
#include "pMatrix.h"

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

/// Raises the error for a hierarchy whose placement would pass
/// kMaxPlacementMoves at node `nodeIndex`, which has `ancestors` ancestors.
[[noreturn]] void RaiseTooDeep(int32_t nodeIndex, int32_t ancestors) {
  char message[160];
  std::snprintf(message, sizeof message,
                "Hierarchy too deep to place: node %d has %d ancestors, and placing the meshes "
                "up to it takes more than %lld vertex moves",
                static_cast<int>(nodeIndex), static_cast<int>(ancestors),
                static_cast<long long>(kMaxPlacementMoves));
  throw Exception(message);
}

/// The number of ancestors of each node, each counted once however many
/// chains pass through it, so that counting them all takes one step a node.
class AncestorCounts {
 public:
  explicit AncestorCounts(const TNodeList& nodes)
      : nodes_(nodes), counts_(static_cast<size_t>(nodes.Count()), kUnknown) {}

  /// The ancestors of node `nodeIndex` (a valid index). Walks the chain as
  /// the placement will, so a bad link or a loop raises the error the
  /// placement's walk would raise, naming `nodeIndex`.
  int32_t Of(int32_t nodeIndex);

 private:
  static constexpr int32_t kUnknown = -1;
  const TNodeList& nodes_;
  std::vector<int32_t> counts_;
  std::vector<int32_t> path_;  // the nodes walked and not yet counted
};

int32_t AncestorCounts::Of(int32_t nodeIndex) {
  path_.clear();
  int32_t cur = nodeIndex;
  // A chain through distinct nodes takes at most Count - 1 steps; one that
  // takes Count steps has come back to a node it already passed.
  int32_t steps = 0;
  while (counts_[static_cast<size_t>(cur)] == kUnknown) {
    const int32_t parent = nodes_.Items(cur)->ParentIndex;
    if (parent == -1) {
      counts_[static_cast<size_t>(cur)] = 0;
      break;
    }
    nodes_.Items(parent);  // raises for an index out of bounds
    if (++steps >= nodes_.Count()) RaiseEndlessChain(nodeIndex);
    path_.push_back(cur);
    cur = parent;
  }
  // Each node walked has one ancestor more than the next one up.
  int32_t count = counts_[static_cast<size_t>(cur)];
  for (size_t k = path_.size(); k-- > 0;) counts_[static_cast<size_t>(path_[k])] = ++count;
  return counts_[static_cast<size_t>(nodeIndex)];
}

/// Checks every link and the work of the placement before anything moves.
/// The sum stops at the first node that passes the limit, so it cannot
/// overflow: each term is below 2^62.
void CheckPlacement(const T3DMeshList& meshes, const TNodeList& nodes) {
  AncestorCounts ancestors(nodes);
  int64_t moves = 0;
  for (int32_t i = 0; i < nodes.Count(); ++i) {
    const TNode* node = nodes.Items(i);
    if (node->MeshIndex == -1) continue;
    const int64_t vertices = meshes.Items(node->MeshIndex)->Vertices.Count();
    const int32_t count = ancestors.Of(i);
    moves += (int64_t{count} + 1) * vertices;
    if (moves > kMaxPlacementMoves) RaiseTooDeep(i, count);
  }
}

/// Each node's rotation matrix, built the first time a chain passes through
/// the node and reused for every later mesh placed through it.
class NodeTurns {
 public:
  explicit NodeTurns(int32_t nodeCount) : slots_(static_cast<size_t>(nodeCount), kNotBuilt) {}

  /// The matrix that turns by `node`'s stored angles; `index` is its index.
  /// The rotation builders turn by the negated angle, so the negated angles
  /// give the counter-clockwise rotation by the stored ones.
  Matrix4 Of(int32_t index, const TNode& node) {
    int32_t& slot = slots_[static_cast<size_t>(index)];
    if (slot == kNotBuilt) {
      matrices_.push_back(
          VertexRotation(Vec3Make(-node.Rotation.x, -node.Rotation.y, -node.Rotation.z)));
      slot = static_cast<int32_t>(matrices_.size() - 1);
    }
    return matrices_[static_cast<size_t>(slot)];
  }

 private:
  static constexpr int32_t kNotBuilt = -1;
  std::vector<int32_t> slots_;
  std::vector<Matrix4> matrices_;
};

/// Places the mesh of node `nodeIndex` (which names one) into model space.
/// CheckPlacement has proved its mesh index and its chain good.
void PlaceMesh(const T3DMeshList& meshes, const TNodeList& nodes, int32_t nodeIndex,
               NodeTurns& turns) {
  const TNode* cur = nodes.Items(nodeIndex);
  const TVertexList& vertices = meshes.Items(cur->MeshIndex)->Vertices;
  if (vertices.Count() == 0) return;  // nothing to move; the chain is known good
  TranslateVertices(vertices, cur->Pivot);
  for (int32_t index = nodeIndex;;) {
    TransformVertices(vertices, turns.Of(index, *cur));
    TranslateVertices(vertices, cur->Position);
    if (cur->ParentIndex == -1) return;
    index = cur->ParentIndex;
    cur = nodes.Items(index);
  }
}

}  // namespace

void T3DOModel::ApplyHierarchy() {
  CheckPlacement(Meshes, Nodes);
  NodeTurns turns(Nodes.Count());
  const int32_t n = Nodes.Count();
  for (int32_t i = 0; i < n; ++i) {
    if (Nodes.Items(i)->MeshIndex == -1) continue;  // still an ancestor of others
    PlaceMesh(Meshes, Nodes, i, turns);
  }
}
