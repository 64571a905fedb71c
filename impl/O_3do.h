// One 3DO model in memory: materials, meshes and hierarchy nodes, with the
// operations that read it from a file and place its meshes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Lists.h"
#include "O_geo.h"
#include "pVector.h"

/// One hierarchy node.
class TNode : public TObject {
 public:
  int32_t MeshIndex = 0;     ///< Index into Meshes, or -1 for no mesh.
  int32_t ParentIndex = 0;   ///< Index into Nodes, or -1 for a root.
  int32_t ChildIndex = 0;    ///< Stored only.
  int32_t SiblingIndex = 0;  ///< Stored only.
  int32_t ChildCount = 0;    ///< Stored only.
  Vec3 Position{0, 0, 0};    ///< Offset from the parent.
  Vec3 Rotation{0, 0, 0};    ///< Angles in degrees, in file order.
  Vec3 Pivot{0, 0, 0};       ///< Offset applied to the own mesh first.
  std::string Name;          ///< Stored only.
};

using TNodeList = TTypedList<TNode, kNodeIndexPrefix>;

/// The most vertex moves ApplyHierarchy makes: one vertex through one node's
/// rotation and position is one move. Real models need thousands to a few
/// million; a file that needs more is refused before anything moves. A
/// file at the limit places in well under a second in a Release build.
#ifndef KELVADO_MAX_PLACEMENT_MOVES
inline constexpr int64_t kMaxPlacementMoves = 50'000'000;
#else
// The fuzz tree's instrumentation makes each move a hundred times slower;
// its own lower limit keeps every input it accepts far below libFuzzer's
// time limit, so that a slow input is a finding there.
inline constexpr int64_t kMaxPlacementMoves = KELVADO_MAX_PLACEMENT_MOVES;
#endif

/// The in-memory form of one 3DO file, alive for one import.
class T3DOModel : public TObject {
 public:
  T3DOModel() = default;
  /// Frees the nodes, then the meshes, then the material names.
  ~T3DOModel() override;

  /// Reads the named file whole and parses it with ParseText. Raises
  /// EFOpenError when the file cannot be opened, and whatever ParseText
  /// raises.
  void LoadFromFile(const std::string& fileName);

  /// Reads a 3DO text (which ends at its first NUL) into this model, then
  /// places the meshes with ApplyHierarchy. Precondition: the model is
  /// empty. After an error, what was already appended stays in the model.
  void ParseText(const std::string& text);

  /// Moves the vertices of every mesh that a node names into model space,
  /// through the node's pivot, rotation and position and then each
  /// ancestor's rotation and position. Not idempotent.
  ///
  /// Every link is checked before any vertex moves: in node order, a node's
  /// mesh index and then its parent chain, raising EListError for an index
  /// out of bounds or a chain that never reaches a root. So is the work:
  /// when the sum over the nodes that name a mesh of (ancestors + 1) x the
  /// mesh's vertex count passes kMaxPlacementMoves, it raises Exception
  /// "Hierarchy too deep to place: node <i> has <a> ancestors ..." naming
  /// the node at which the sum passed it. Each node's rotation matrix is
  /// built once per call.
  void ApplyHierarchy();

  TStringList Materials;  ///< Material names in file order.
  T3DMeshList Meshes;     ///< Meshes in file order; owned.
  TNodeList Nodes;        ///< Nodes in file order; owned.

 private:
  /// ParseText on the text that ends at the first NUL of `text`. After each
  /// mesh, `textPassed` (where given) learns the place up to which the text
  /// has been read; nothing before that place is read again.
  void ParseNulTerminated(const char* text,
                          const std::function<void(const char*)>& textPassed = nullptr);
};
