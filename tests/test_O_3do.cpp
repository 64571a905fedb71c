#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Errors.h"
#include "O_3do.h"

namespace {

struct NodeSpec {
  int32_t mesh, parent;
  Vec3 position, rotation, pivot;
};

/// A model whose meshes hold one vertex each, at `starts`, and whose nodes
/// are `nodes`.
void Build(T3DOModel& model, const std::vector<Vec3>& starts, const std::vector<NodeSpec>& nodes) {
  for (const Vec3& p : starts) {
    auto* mesh = new T3DMesh;
    model.Meshes.Add(mesh);
    mesh->Vertices.Add(new TVertex(p.x, p.y, p.z));
  }
  for (const NodeSpec& spec : nodes) {
    auto* node = new TNode;
    node->MeshIndex = spec.mesh;
    node->ParentIndex = spec.parent;
    node->Position = spec.position;
    node->Rotation = spec.rotation;
    node->Pivot = spec.pivot;
    model.Nodes.Add(node);
  }
}

Vec3 VertexOf(const T3DOModel& model, int32_t mesh) {
  const TVertex* v = model.Meshes.Items(mesh)->Vertices.Items(0);
  return {v->X, v->Y, v->Z};
}

std::string PlacementError(T3DOModel& model) {
  try {
    model.ApplyHierarchy();
  } catch (const EListError& e) {
    return e.Message();
  }
  return "no error";
}

constexpr Vec3 kZero{0, 0, 0};

}  // namespace

TEST(ApplyHierarchy, PlacesMeshesThroughTheirChains) {
  const struct {
    const char* what;
    std::vector<NodeSpec> nodes;
    Vec3 start, end;
  } cases[] = {
      {"root turned about z", {{0, -1, {10, 0, 0}, {0, 0, 90}, kZero}}, {1, 0, 0}, {10, 1, 0}},
      {"child of a mesh-less root",
       {{-1, -1, {100, 0, 0}, {0, 0, 90}, kZero}, {0, 0, {0, 5, 0}, kZero, {1, 0, 0}}},
       kZero,
       {95, 1, 0}},
      {"child listed before its parent",
       {{0, 1, {0, 5, 0}, kZero, {1, 0, 0}}, {-1, -1, {100, 0, 0}, {0, 0, 90}, kZero}},
       kZero,
       {95, 1, 0}},
      {"ancestor's pivot unused",
       {{-1, -1, {100, 0, 0}, {0, 0, 90}, {50, 50, 50}}, {0, 0, {0, 5, 0}, kZero, {1, 0, 0}}},
       kZero,
       {95, 1, 0}},
      {"x counter-clockwise", {{0, -1, kZero, {90, 0, 0}, kZero}}, {0, 1, 0}, {0, 0, 1}},
      {"y counter-clockwise", {{0, -1, kZero, {0, 90, 0}, kZero}}, {0, 0, 1}, {1, 0, 0}},
      {"x before y", {{0, -1, kZero, {90, 90, 0}, kZero}}, {0, 1, 0}, {1, 0, 0}},
      {"placed twice, lower node first",
       {{0, -1, kZero, {0, 0, 90}, kZero}, {0, -1, {10, 0, 0}, kZero, kZero}},
       {1, 0, 0},
       {10, 1, 0}},
      {"all zero", {{0, -1, kZero, kZero, kZero}}, {1, 2, 3}, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    T3DOModel model;
    Build(model, {c.start}, c.nodes);
    model.ApplyHierarchy();
    const Vec3 end = VertexOf(model, 0);
    EXPECT_NEAR(end.x, c.end.x, 1e-4);
    EXPECT_NEAR(end.y, c.end.y, 1e-4);
    EXPECT_NEAR(end.z, c.end.z, 1e-4);
  }
}

TEST(ApplyHierarchy, MeshThatNoNodeNamesKeepsItsCoordinates) {
  T3DOModel model;
  Build(model, {{1, 2, 3}, {4, 5, 6}}, {{1, -1, {10, 0, 0}, {0, 0, 90}, kZero}});
  model.ApplyHierarchy();
  const Vec3 kept = VertexOf(model, 0);
  EXPECT_EQ(kept.x, 1);
  EXPECT_EQ(kept.y, 2);
  EXPECT_EQ(kept.z, 3);
}

TEST(ApplyHierarchy, BadLinksAndEndlessChainsRaise) {
  const struct {
    const char* what;
    std::vector<NodeSpec> nodes;
    std::string message;
  } cases[] = {
      {"mesh index = Count", {{1, -1, kZero, kZero, kZero}}, "Mesh Index is out of bounds: 1"},
      {"mesh index -2", {{-2, -1, kZero, kZero, kZero}}, "Mesh Index is out of bounds: -2"},
      {"parent index = Count", {{0, 1, kZero, kZero, kZero}}, "Node Index is out of bounds: 1"},
      {"parent index -2", {{0, -2, kZero, kZero, kZero}}, "Node Index is out of bounds: -2"},
      {"own parent",
       {{0, 0, kZero, kZero, kZero}},
       "Hierarchy node 0 has a parent chain that never reaches a root"},
      {"cycle 0 -> 1 -> 0",
       {{0, 1, kZero, kZero, kZero}, {-1, 0, kZero, kZero, kZero}},
       "Hierarchy node 0 has a parent chain that never reaches a root"},
      {"chain runs into a cycle",
       {{-1, 1, kZero, kZero, kZero},
        {-1, 0, kZero, kZero, kZero},
        {-1, -1, kZero, kZero, kZero},
        {0, 0, kZero, kZero, kZero}},
       "Hierarchy node 3 has a parent chain that never reaches a root"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    T3DOModel model;
    Build(model, {kZero}, c.nodes);
    EXPECT_EQ(PlacementError(model), c.message);
  }
}

TEST(ApplyHierarchy, MeshWithoutVerticesStillWalksItsChain) {
  T3DOModel model;
  model.Meshes.Add(new T3DMesh);
  Build(model, {}, {{0, 5, kZero, kZero, kZero}});
  EXPECT_EQ(PlacementError(model), "Node Index is out of bounds: 5");
}

namespace {

// A 3DO text whose `nodes` nodes all name mesh 0, a face of `corners`
// corners, each node the child of the one before it: a chain that costs
// nodes x nodes / 2 x corners vertex moves.
std::string ChainText(int nodes, int corners) {
  std::ostringstream text;
  text << "MATERIALS 1\n 0: a.mat\nMESHES 1\nMESH 0\nNAME m\nVERTICES 3\n 0: 0 0 0 0\n"
       << " 1: 1 0 0 0\n 2: 0 1 0 0\nTEXTURE VERTICES 1\n 0: 0 0\nFACES 1\n 0: 0 0x0000 4 3 3 0 "
       << corners;
  for (int i = 0; i < corners; ++i) text << ' ' << i % 3 << ",0";
  text << "\nHIERARCHY NODES " << nodes << '\n';
  for (int i = 0; i < nodes; ++i)
    text << ' ' << i << ": 0x0000 0x00001 0 " << i - 1
         << " -1 -1 0 0.5 0.25 0.125 10 20 30 0 0 0 n\n";
  return text.str();
}

}  // namespace

// Files made to be slow: the placement's work grows as nodes x depth x
// vertices. Past the limit the file is refused before any vertex moves.
// (4,000 such nodes, 24,006,000 moves, place; under the sanitizers that
// takes seconds, so only a small chain stands for the files that pass.)
TEST(ApplyHierarchy, RefusesAHierarchyThatWouldTakeTooLongBeforeMovingAnything) {
  const struct {
    int nodes, corners;
    const char* message;  // null: placed
  } cases[] = {
      {400, 3, nullptr},
      {16000, 3,
       "Hierarchy too deep to place: node 5773 has 5773 ancestors, and placing the meshes up to "
       "it takes more than 50000000 vertex moves"},
      {1000, 3000,
       "Hierarchy too deep to place: node 182 has 182 ancestors, and placing the meshes up to "
       "it takes more than 50000000 vertex moves"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.nodes) + " nodes, " + std::to_string(c.corners) + " corners");
    T3DOModel model;
    std::string message = "no error";
    try {
      model.ParseText(ChainText(c.nodes, c.corners));
    } catch (const Exception& e) {
      message = e.Message();
    }
    EXPECT_EQ(message, c.message ? c.message : "no error");
    ASSERT_EQ(model.Nodes.Count(), c.nodes);
    // The first corner is the file's vertex 0, (0, 0, 0), until it moves.
    const Vec3 first = VertexOf(model, 0);
    const bool moved = first.x != 0 || first.y != 0 || first.z != 0;
    EXPECT_EQ(moved, c.message == nullptr);
  }
}

namespace {

// The placement done the plain way, one rotation matrix per step of every
// chain, with each node's links assumed good: what ApplyHierarchy must
// match bit for bit.
void PlaceStepByStep(T3DOModel& model) {
  for (int32_t i = 0; i < model.Nodes.Count(); ++i) {
    const TNode* cur = model.Nodes.Items(i);
    if (cur->MeshIndex == -1) continue;
    const TVertexList& vertices = model.Meshes.Items(cur->MeshIndex)->Vertices;
    TranslateVertices(vertices, cur->Pivot);
    for (;;) {
      RotateVertices(vertices, Vec3Make(-cur->Rotation.x, -cur->Rotation.y, -cur->Rotation.z));
      TranslateVertices(vertices, cur->Position);
      if (cur->ParentIndex == -1) break;
      cur = model.Nodes.Items(cur->ParentIndex);
    }
  }
}

// A model shaped like a real one, 30 levels deep: a spine of 30 nodes with
// a mesh on each, listed deepest first, and beside it a limb of 5 nodes
// hanging from level 10, whose last node names the spine's first mesh again.
// Angles and offsets differ from node to node, so a matrix reused for the
// wrong node would show.
void BuildDeepModel(T3DOModel& model) {
  std::vector<Vec3> starts;
  for (int m = 0; m < 35; ++m) starts.push_back({m * 0.5, 1 - m * 0.25, m % 3 * 0.125});
  std::vector<NodeSpec> nodes;
  for (int n = 0; n < 35; ++n) {
    const bool limb = n >= 30;
    const int32_t level = limb ? 0 : 29 - n;  // spine node n sits at level 29 - n
    const int32_t parent = limb ? (n == 30 ? 19 : n - 1) : (level == 0 ? -1 : n + 1);
    const int32_t mesh = n == 34 ? 0 : n;
    const double a = n * 7.5 + 3;
    nodes.push_back({mesh, parent, {a / 10, -a / 20, 1.5}, {a, -2 * a, a / 3}, {0.25, 0, -a / 40}});
  }
  Build(model, starts, nodes);
  for (int m = 0; m < 35; ++m) {
    model.Meshes.Items(m)->Vertices.Add(new TVertex(-m, m * 2.0, 0.5));
  }
}

}  // namespace

TEST(ApplyHierarchy, DeepRealShapedModelPlacesBitForBitAsStepByStep) {
  T3DOModel model, reference;
  BuildDeepModel(model);
  BuildDeepModel(reference);
  model.ApplyHierarchy();
  PlaceStepByStep(reference);
  for (int32_t m = 0; m < model.Meshes.Count(); ++m) {
    for (int32_t v = 0; v < 2; ++v) {
      SCOPED_TRACE("mesh " + std::to_string(m) + " vertex " + std::to_string(v));
      const TVertex* got = model.Meshes.Items(m)->Vertices.Items(v);
      const TVertex* want = reference.Meshes.Items(m)->Vertices.Items(v);
      EXPECT_EQ(got->X, want->X);
      EXPECT_EQ(got->Y, want->Y);
      EXPECT_EQ(got->Z, want->Z);
    }
  }
}

namespace {

std::vector<std::string> destroyed;

struct LoggedNode : TNode {
  ~LoggedNode() override { destroyed.push_back("node"); }
};

struct LoggedMesh : T3DMesh {
  ~LoggedMesh() override { destroyed.push_back("mesh"); }
};

}  // namespace

TEST(T3DOModel, FreesNodesBeforeMeshes) {
  destroyed.clear();
  auto* model = new T3DOModel;
  model->Meshes.Add(new LoggedMesh);
  model->Nodes.Add(new LoggedNode);
  model->Materials.Add("stone");
  delete model;
  EXPECT_EQ(destroyed, (std::vector<std::string>{"node", "mesh"}));
  delete new T3DOModel;  // an empty model is valid too
}
