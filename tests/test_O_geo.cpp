#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Errors.h"
#include "O_geo.h"

namespace {

std::vector<std::string> destroyed;  // names in the order of destruction

struct LoggedVertex : TVertex {
  LoggedVertex(std::string n, const TVertexList* owner = nullptr)
      : TVertex(0, 0, 0), name(std::move(n)), owner(owner) {}
  ~LoggedVertex() override {
    destroyed.push_back(name);
    // The dying item's own entry must already be empty.
    if (owner != nullptr && owner->IndexOf(this) != -1) destroyed.push_back("still listed");
  }
  std::string name;
  const TVertexList* owner;
};

struct LoggedTXVertex : TTXVertex {
  explicit LoggedTXVertex(std::string n) : TTXVertex(0, 0), name(std::move(n)) {}
  ~LoggedTXVertex() override { destroyed.push_back(name); }
  std::string name;
};

struct LoggedSurface : TSurface {
  explicit LoggedSurface(std::string n) : name(std::move(n)) {}
  ~LoggedSurface() override { destroyed.push_back(name); }
  std::string name;
};

template <class List>
std::string IndexError(const List& list, int32_t index) {
  try {
    list.Items(index);
  } catch (const EListError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(TypedLists, ItemsOutsideBoundsRaiseTheirOwnMessage) {
  TVertexList vertices;
  TTXVertexList txVertices;
  TSurfaceList surfaces;
  T3DMeshList meshes;
  TVertex v(1, 2, 3);
  TTXVertex t(0, 0);
  TSurface s;
  T3DMesh m;
  vertices.Add(&v);
  txVertices.Add(&t);
  surfaces.Add(&s);
  meshes.Add(&m);
  EXPECT_EQ(vertices.Items(0), &v);  // Count - 1 is the last entry
  EXPECT_EQ(IndexError(vertices, 1), "Vertex Index is out of bounds: 1");
  EXPECT_EQ(IndexError(vertices, 7), "Vertex Index is out of bounds: 7");
  EXPECT_EQ(IndexError(vertices, -1), "Vertex Index is out of bounds: -1");
  EXPECT_EQ(IndexError(txVertices, 1), "Texture Vertex Index is out of bounds: 1");
  EXPECT_EQ(IndexError(surfaces, -1), "Surface Index is out of bounds: -1");
  EXPECT_EQ(IndexError(meshes, 1), "Mesh Index is out of bounds: 1");
  EXPECT_EQ(IndexError(TVertexList(), INT32_MIN), "Vertex Index is out of bounds: -2147483648");
  EXPECT_EQ(vertices.Count(), 1);
}

TEST(TBaseList, FreeItemsDestroysLastFirstAndEmptiesEachEntryFirst) {
  destroyed.clear();
  TVertexList list;
  for (const char* name : {"a", "b", "c"}) list.Add(new LoggedVertex(name, &list));
  list.FreeItems();
  EXPECT_EQ(destroyed, (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(list.Count(), 0);
  list.FreeItems();  // an empty list stays empty
  EXPECT_EQ(list.Count(), 0);
}

TEST(T3DMesh, FreesTextureVerticesThenFacesThenVertices) {
  destroyed.clear();
  auto* mesh = new T3DMesh;
  auto* face = new LoggedSurface("face");
  mesh->Surfaces.Add(face);
  for (const char* name : {"v0", "v1"}) {
    auto* v = new LoggedVertex(name);
    mesh->Vertices.Add(v);
    face->Vertices.Add(v);
  }
  for (const char* name : {"t0", "t1"}) {
    auto* t = new LoggedTXVertex(name);
    mesh->TXVertices.Add(t);
    face->TXVertices.Add(t);
  }
  delete mesh;
  EXPECT_EQ(destroyed, (std::vector<std::string>{"t1", "t0", "face", "v1", "v0"}));
}

TEST(T3DMesh, FaceFreedFirstLeavesItsCornersToTheMesh) {
  destroyed.clear();
  auto* mesh = new T3DMesh;
  auto* face = new LoggedSurface("face");
  auto* corner = new LoggedVertex("v0");
  corner->X = 4;
  mesh->Vertices.Add(corner);
  face->Vertices.Add(corner);
  delete face;
  EXPECT_EQ(mesh->Vertices.Items(0)->X, 4);
  delete mesh;  // frees the corner exactly once (ASan checks)
  EXPECT_EQ(destroyed, (std::vector<std::string>{"face", "v0"}));
}

TEST(TVertexList, IndexOfFindsTheObjectNotAnEqualOne) {
  T3DMesh mesh;
  mesh.Vertices.Add(new TVertex(1, 2, 3));
  mesh.Vertices.Add(new TVertex(1, 2, 3));
  TVertex twin(1, 2, 3);
  EXPECT_EQ(mesh.Vertices.IndexOf(mesh.Vertices.Items(1)), 1);
  EXPECT_EQ(mesh.Vertices.IndexOf(&twin), -1);
}

TEST(VertexMoves, TranslateAndRotateEveryVertex) {
  const struct {
    Vec3 angles, in, out;
  } cases[] = {
      {{0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
      {{0, 0, 90}, {1, 0, 0}, {0, -1, 0}},
      // z turns first, then x, then y.
      {{90, 0, 90}, {1, 0, 0}, {0, 0, 1}},
      {{90, 90, 0}, {0, 1, 0}, {1, 0, 0}},
  };
  for (const auto& c : cases) {
    T3DMesh mesh;
    mesh.Vertices.Add(new TVertex(c.in.x, c.in.y, c.in.z));
    mesh.Vertices.Add(new TVertex(c.in.x, c.in.y, c.in.z));
    RotateVertices(mesh.Vertices, c.angles);
    TranslateVertices(mesh.Vertices, {10, 20, 30});
    for (int32_t i = 0; i < 2; ++i) {
      const TVertex* v = mesh.Vertices.Items(i);
      EXPECT_NEAR(v->X, c.out.x + 10, 1e-6);
      EXPECT_NEAR(v->Y, c.out.y + 20, 1e-6);
      EXPECT_NEAR(v->Z, c.out.z + 30, 1e-6);
    }
  }
}
