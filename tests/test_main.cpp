// Building the host's model: what reaches the stand-in host, in which
// order, and that nothing is written where the system may not write.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Errors.h"
#include "HostModel.h"
#include "O_3do.h"
#include "main.h"

namespace {

using Texts = std::vector<std::string>;
using Triangles = std::vector<std::vector<uint16_t>>;

/// One face corner: position and texture coordinates.
struct Corner {
  double x, y, z, u, v;
};

T3DMesh* AddMesh(T3DOModel& model, const std::string& name) {
  auto* mesh = new T3DMesh;
  mesh->Name = name;
  model.Meshes.Add(mesh);
  return mesh;
}

// Appends the corner to the mesh's lists, as the reader does: one fresh
// vertex and texture vertex per corner. Returns the vertex.
TVertex* AddCorner(T3DMesh* mesh, const Corner& corner) {
  auto* vertex = new TVertex(corner.x, corner.y, corner.z);
  mesh->Vertices.Add(vertex);
  mesh->TXVertices.Add(new TTXVertex(corner.u, corner.v));
  return vertex;
}

// A face of `count` fresh corners at positions that follow the mesh's last one.
TSurface* AddFace(T3DMesh* mesh, int count) {
  auto* face = new TSurface;
  for (int i = 0; i < count; ++i) {
    double n = mesh->Vertices.Count();
    face->Vertices.Add(AddCorner(mesh, {n, n + 0.5, -n, n / 4, 1 - n / 4}));
    face->TXVertices.Add(mesh->TXVertices.Items(mesh->TXVertices.Count() - 1));
  }
  mesh->Surfaces.Add(face);
  return face;
}

class AddToHostModelTest : public ::testing::Test {
 protected:
  // The system may write no byte it does not own, whatever the test did.
  void TearDown() override {
    EXPECT_EQ(hostmodel::CheckedFaults(host_), Texts{});
    hostmodel_Destroy(host_);
  }

  Triangles HostTriangles(int32_t mesh) {
    Triangles triangles;
    for (int32_t i = 0; i < hostmodel_TriangleCount(host_, mesh); ++i) {
      uint16_t indices[3];
      hostmodel_GetTriangle(host_, mesh, i, indices);
      triangles.push_back({indices[0], indices[1], indices[2]});
    }
    return triangles;
  }

  std::vector<float> HostPosition(int32_t mesh, int32_t vertex) {
    float position[3] = {NAN, NAN, NAN};
    hostmodel_GetVertex(host_, mesh, vertex, position, nullptr);
    return {position[0], position[1], position[2]};
  }

  std::vector<float> HostTexCoords(int32_t mesh, int32_t vertex) {
    float texCoords[2] = {NAN, NAN};
    hostmodel_GetVertex(host_, mesh, vertex, nullptr, texCoords);
    return {texCoords[0], texCoords[1]};
  }

  msModel* host_ = hostmodel_Create();
  T3DOModel model_;
};

TEST_F(AddToHostModelTest, NoMeshesMakesNoHostCall) {
  AddToHostModel(model_, host_);
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

TEST_F(AddToHostModelTest, CallsComeMeshByMeshVerticesThenTriangles) {
  T3DMesh* first = AddMesh(model_, "a");
  AddFace(first, 3);
  AddFace(first, 1);
  AddFace(AddMesh(model_, "b"), 0);
  AddToHostModel(model_, host_);
  EXPECT_EQ(hostmodel::CallTexts(host_), (Texts{"msModel_AddMesh() = 0",
                                                "msModel_GetMeshAt(0)",
                                                "msMesh_AddVertex(mesh 0) = 0",
                                                "msMesh_GetVertexAt(mesh 0, 0)",
                                                "msVertex_SetVertex(vertex 0/0, 0 0.5 -0)",
                                                "msVertex_SetTexCoords(vertex 0/0, 0 1)",
                                                "msMesh_AddVertex(mesh 0) = 1",
                                                "msMesh_GetVertexAt(mesh 0, 1)",
                                                "msVertex_SetVertex(vertex 0/1, 1 1.5 -1)",
                                                "msVertex_SetTexCoords(vertex 0/1, 0.25 0.75)",
                                                "msMesh_AddVertex(mesh 0) = 2",
                                                "msMesh_GetVertexAt(mesh 0, 2)",
                                                "msVertex_SetVertex(vertex 0/2, 2 2.5 -2)",
                                                "msVertex_SetTexCoords(vertex 0/2, 0.5 0.5)",
                                                "msMesh_AddVertex(mesh 0) = 3",
                                                "msMesh_GetVertexAt(mesh 0, 3)",
                                                "msVertex_SetVertex(vertex 0/3, 3 3.5 -3)",
                                                "msVertex_SetTexCoords(vertex 0/3, 0.75 0.25)",
                                                "msMesh_AddTriangle(mesh 0) = 0",
                                                "msMesh_GetTriangleAt(mesh 0, 0)",
                                                "msTriangle_SetVertexIndices(triangle 0/0, 0 1 2)",
                                                "msModel_AddMesh() = 1",
                                                "msModel_GetMeshAt(1)"}));
}

struct FanCase {
  const char* name;
  std::vector<int> faceSizes;
  Triangles triangles;
};

class Fans : public AddToHostModelTest, public ::testing::WithParamInterface<FanCase> {};

// Every corner becomes a host vertex, faces of fewer than three corners
// included; each face of n >= 3 corners becomes the fan (0, k+1, k+2).
TEST_P(Fans, FollowTheFaceCorners) {
  T3DMesh* mesh = AddMesh(model_, "fan");
  int corners = 0;
  for (int size : GetParam().faceSizes) {
    AddFace(mesh, size);
    corners += size;
  }
  AddToHostModel(model_, host_);
  ASSERT_EQ(hostmodel_MeshCount(host_), 1);
  EXPECT_EQ(hostmodel_VertexCount(host_, 0), corners);
  EXPECT_EQ(HostTriangles(0), GetParam().triangles);
  if (corners == 0) return;
  float last = static_cast<float>(corners - 1);
  EXPECT_EQ(HostPosition(0, corners - 1), (std::vector<float>{last, last + 0.5f, -last}));
}

INSTANTIATE_TEST_SUITE_P(
    Faces, Fans,
    ::testing::Values(FanCase{"NoFaces", {}, {}}, FanCase{"OneAndTwoCorners", {1, 2}, {}},
                      FanCase{"TriangleAtSixToEight", {1, 2, 3, 3}, {{3, 4, 5}, {6, 7, 8}}},
                      FanCase{"Quad", {4}, {{0, 1, 2}, {0, 2, 3}}},
                      FanCase{"QuadThenPentagon",
                              {4, 5},
                              {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {4, 7, 8}}}),
    [](const ::testing::TestParamInfo<FanCase>& info) { return std::string(info.param.name); });

// A vertex object that the mesh lists twice is found at its first position,
// as a linear identity search would find it.
TEST_F(AddToHostModelTest, CornerListedTwiceTakesItsFirstPosition) {
  T3DMesh* mesh = AddMesh(model_, "twice");
  TSurface* face = AddFace(mesh, 3);
  TVertex* shared = face->Vertices.Items(0);
  mesh->Vertices.Add(shared);
  mesh->TXVertices.Add(new TTXVertex(9, 9));
  auto* again = new TSurface;
  for (int corner : {1, 2}) again->Vertices.Add(face->Vertices.Items(corner));
  again->Vertices.Add(shared);
  mesh->Surfaces.Add(again);

  AddToHostModel(model_, host_);
  EXPECT_EQ(HostTriangles(0), (Triangles{{0, 1, 2}, {1, 2, 0}}));
  EXPECT_EQ(hostmodel_VertexCount(host_, 0), 4);
  mesh->Vertices.Raw(3) = new TVertex(0, 0, 0);  // one owner per object
}

TEST_F(AddToHostModelTest, TexturePairArrivesUnscaledAndUnflipped) {
  T3DMesh* mesh = AddMesh(model_, "tex");
  auto* face = new TSurface;
  face->Vertices.Add(AddCorner(mesh, {0, 0, 0, 64, 128}));
  mesh->Surfaces.Add(face);
  AddToHostModel(model_, host_);
  EXPECT_EQ(HostTexCoords(0, 0), (std::vector<float>{64.0f, 128.0f}));
}

struct Rounding {
  double value;
  float expected;
};

class Singles : public AddToHostModelTest, public ::testing::WithParamInterface<Rounding> {};

TEST_P(Singles, AreTheNearestToTheDouble) {
  T3DMesh* mesh = AddMesh(model_, "round");
  double value = GetParam().value;
  auto* face = new TSurface;
  face->Vertices.Add(AddCorner(mesh, {value, -value, value, value, -value}));
  mesh->Surfaces.Add(face);
  AddToHostModel(model_, host_);
  float expected = GetParam().expected;
  std::vector<float> position = HostPosition(0, 0);
  std::vector<float> texCoords = HostTexCoords(0, 0);
  EXPECT_EQ(std::memcmp(&position[0], &expected, sizeof expected), 0) << position[0];
  EXPECT_EQ(position[1], -expected);
  EXPECT_EQ(position[2], expected);
  EXPECT_EQ(texCoords, (std::vector<float>{expected, -expected}));
}

INSTANTIATE_TEST_SUITE_P(Positions, Singles,
                         ::testing::Values(Rounding{0.1, 0x1.99999ap-4f},  // below the double: up
                                           Rounding{1 + 0x1p-24, 1.0f},    // tie: to even, down
                                           Rounding{1 + 0x3p-24, 1 + 0x1p-22f},  // tie: to even, up
                                           Rounding{1 + 0x1p-24 + 0x1p-40, 1 + 0x1p-23f},
                                           Rounding{0x1.fffffefp127,
                                                    FLT_MAX},  // past the largest single
                                           Rounding{1e300, INFINITY}));

TEST_F(AddToHostModelTest, MeshesKeepTheirOrderAndNamesCutTo31Characters) {
  const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  for (const std::string& name : {std::string("first"), std::string(), forty, std::string(31, 'x')})
    AddFace(AddMesh(model_, name), 3);
  AddToHostModel(model_, host_);
  ASSERT_EQ(hostmodel_MeshCount(host_), 4);
  EXPECT_EQ(hostmodel::MeshName(host_, 0), "first");
  EXPECT_EQ(hostmodel::MeshName(host_, 1), "");
  EXPECT_EQ(hostmodel::MeshName(host_, 2), forty.substr(0, 31));
  EXPECT_EQ(hostmodel::MeshName(host_, 3), std::string(31, 'x'));
}

// A mesh of many corners without faces, so that no triangle is needed.
T3DMesh* AddVertices(T3DOModel& model, const std::string& name, int count) {
  T3DMesh* mesh = AddMesh(model, name);
  for (int i = 0; i < count; ++i) AddCorner(mesh, {0, 0, 0, 0, 0});
  return mesh;
}

TEST_F(AddToHostModelTest, MeshOverTheIndexRangeIsRejectedBeforeAnyHostCall) {
  AddFace(AddMesh(model_, "small"), 3);
  AddVertices(model_, "hull", kMaxHostMeshVertices + 1);
  try {
    AddToHostModel(model_, host_);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Mesh 'hull' has 65537 vertices; at most 65536 can be imported");
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

TEST_F(AddToHostModelTest, LargestMeshReachesItsLastVertex) {
  T3DMesh* mesh = AddVertices(model_, "full", kMaxHostMeshVertices - 3);
  AddFace(mesh, 3);
  AddToHostModel(model_, host_);
  EXPECT_EQ(hostmodel_VertexCount(host_, 0), 65536);
  EXPECT_EQ(HostTriangles(0), (Triangles{{65533, 65534, 65535}}));
}

TEST_F(AddToHostModelTest, CornerOutsideItsMeshIsRejectedBeforeAnyHostCall) {
  AddFace(AddMesh(model_, "fine"), 3);
  T3DMesh* mesh = AddMesh(model_, "odd");
  TSurface* face = AddFace(mesh, 3);
  TVertex stranger(0, 0, 0);
  face->Vertices.Raw(2) = &stranger;
  try {
    AddToHostModel(model_, host_);
    FAIL() << "no error";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(),
              "Face 0 of mesh 'odd' has a corner that is not one of the mesh's "
              "vertices");
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

TEST_F(AddToHostModelTest, MissingTextureVertexIsRejectedBeforeAnyHostCall) {
  T3DMesh* mesh = AddMesh(model_, "short");
  AddFace(mesh, 3);
  mesh->Vertices.Add(new TVertex(0, 0, 0));
  try {
    AddToHostModel(model_, host_);
    FAIL() << "no error";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), "Texture Vertex Index is out of bounds: 3");
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

}  // namespace
