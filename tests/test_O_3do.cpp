#include <gtest/gtest.h>

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
