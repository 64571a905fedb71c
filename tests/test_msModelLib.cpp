// The stand-in host model library must catch every misuse that a real host
// would punish: writes past the bytes a client may touch, indices that name
// no vertex, handles and records that are null, foreign or no longer valid.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "HostModel.h"
#include "HostRecords.h"
#include "msLib.h"

namespace {

using Texts = std::vector<std::string>;

template <class T, size_t N>
std::vector<T> Values(const T (&values)[N]) {
  return std::vector<T>(values, values + N);
}

// Whether each text contains the matching part, in order and in number.
::testing::AssertionResult EachContains(const Texts& texts, const Texts& parts) {
  if (texts.size() != parts.size())
    return ::testing::AssertionFailure() << texts.size() << " texts, " << parts.size() << " parts";
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].find(parts[i]) == std::string::npos)
      return ::testing::AssertionFailure() << "'" << texts[i] << "' lacks '" << parts[i] << "'";
  }
  return ::testing::AssertionSuccess();
}

class StandInHost : public ::testing::Test {
 protected:
  void TearDown() override { hostmodel_Destroy(model_); }

  msMesh* AddMesh() { return msModel_GetMeshAt(model_, msModel_AddMesh(model_)); }

  // A vertex whose position and texture coordinates are set, as a client must.
  msVertex* AddVertex(msMesh* mesh) {
    msVertex* vertex = msMesh_GetVertexAt(mesh, msMesh_AddVertex(mesh));
    const float position[3] = {1, 2, 3};
    const float texCoords[2] = {4, 5};
    msVertex_SetVertex(vertex, position);
    msVertex_SetTexCoords(vertex, texCoords);
    return vertex;
  }

  msTriangle* AddTriangle(msMesh* mesh) {
    return msMesh_GetTriangleAt(mesh, msMesh_AddTriangle(mesh));
  }

  std::vector<std::string> Faults() { return hostmodel::CheckedFaults(model_); }

  msModel* model_ = hostmodel_Create();
};

TEST_F(StandInHost, SoundUseLeavesNoFaultAndReadsBack) {
  msMesh* mesh = AddMesh();
  std::memcpy(reinterpret_cast<char*>(mesh) + kMeshNameOffset, "hull", 5);
  for (int i = 0; i < 3; ++i) AddVertex(mesh);
  const uint16_t indices[3] = {0, 1, 2};
  msTriangle_SetVertexIndices(AddTriangle(mesh), indices);

  EXPECT_EQ(Faults(), Texts{});
  EXPECT_EQ(hostmodel_MeshCount(model_), 1);
  EXPECT_EQ(hostmodel::MeshName(model_, 0), "hull");
  EXPECT_EQ(hostmodel_VertexCount(model_, 0), 3);
  float position[3], texCoords[2];
  ASSERT_EQ(hostmodel_GetVertex(model_, 0, 2, position, texCoords), 1);
  EXPECT_EQ(Values(position), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(Values(texCoords), (std::vector<float>{4, 5}));
  uint16_t read[3];
  ASSERT_EQ(hostmodel_GetTriangle(model_, 0, 0, read), 1);
  EXPECT_EQ(Values(read), (std::vector<uint16_t>{0, 1, 2}));
  EXPECT_EQ(hostmodel_CallCount(model_), 2 + 3 * 4 + 3);
}

TEST_F(StandInHost, LogsEveryCallInOrder) {
  msMesh* mesh = AddMesh();
  AddVertex(mesh);
  const uint16_t indices[3] = {0, 0, 0};
  msTriangle_SetVertexIndices(AddTriangle(mesh), indices);
  EXPECT_EQ(hostmodel::CallTexts(model_),
            (Texts{"msModel_AddMesh() = 0", "msModel_GetMeshAt(0)", "msMesh_AddVertex(mesh 0) = 0",
                   "msMesh_GetVertexAt(mesh 0, 0)", "msVertex_SetVertex(vertex 0/0, 1 2 3)",
                   "msVertex_SetTexCoords(vertex 0/0, 4 5)", "msMesh_AddTriangle(mesh 0) = 0",
                   "msMesh_GetTriangleAt(mesh 0, 0)",
                   "msTriangle_SetVertexIndices(triangle 0/0, 0 0 0)"}));
  HostCall call;
  ASSERT_EQ(hostmodel_GetCall(model_, 4, &call), 1);
  EXPECT_EQ(call.operation, kHostSetVertex);
  EXPECT_EQ(call.mesh, 0);
  EXPECT_EQ(call.item, 0);
  EXPECT_EQ(Values(call.values), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(hostmodel_GetCall(model_, 9, &call), 0);
}

struct ForbiddenByte {
  bool inVertex;  // else in the mesh record
  int offset;     // byte written
  const char* fault;
};

class ForbiddenWrite : public StandInHost, public ::testing::WithParamInterface<ForbiddenByte> {};

TEST_P(ForbiddenWrite, IsReported) {
  msMesh* mesh = AddMesh();
  msVertex* vertex = AddVertex(mesh);
  unsigned char* record = GetParam().inVertex ? reinterpret_cast<unsigned char*>(vertex)
                                              : reinterpret_cast<unsigned char*>(mesh);
  record[GetParam().offset] ^= 0xFF;
  std::vector<std::string> faults = Faults();
  EXPECT_TRUE(EachContains(faults, {GetParam().fault}));
}

INSTANTIATE_TEST_SUITE_P(
    GuardBytes, ForbiddenWrite,
    ::testing::Values(ForbiddenByte{false, 0, "mesh 0: flags byte changed"},
                      ForbiddenByte{false, 33, "mesh 0: byte 33 changed"},
                      ForbiddenByte{false, 39, "mesh 0: byte 39 changed"},
                      ForbiddenByte{false, 40, "mesh 0: material index changed"},
                      ForbiddenByte{true, 0, "mesh 0 vertex 0: flags byte changed"},
                      ForbiddenByte{true, 1, "mesh 0 vertex 0: byte 1 changed"},
                      ForbiddenByte{true, 3, "mesh 0 vertex 0: byte 3 changed"},
                      ForbiddenByte{true, 24, "bone index (bytes 24-27) changed"},
                      ForbiddenByte{true, 27, "bone index (bytes 24-27) changed"},
                      ForbiddenByte{true, 28, "mesh 0 vertex 0: byte 28 changed"},
                      ForbiddenByte{true, 31, "mesh 0 vertex 0: byte 31 changed"}));

TEST_F(StandInHost, NameFieldWithoutNulIsReported) {
  msMesh* mesh = AddMesh();
  std::memset(reinterpret_cast<char*>(mesh) + kMeshNameOffset, 'x', kMeshNameCapacity);
  EXPECT_EQ(Faults(), (Texts{"mesh 0: name field holds no NUL"}));
  EXPECT_EQ(hostmodel_MeshName(model_, 0, nullptr, 0), -1);
}

TEST_F(StandInHost, ValuesNeverSetAreReported) {
  msMesh* mesh = AddMesh();
  msMesh_GetVertexAt(mesh, msMesh_AddVertex(mesh));
  AddTriangle(mesh);
  EXPECT_EQ(Faults(), (Texts{"mesh 0 vertex 0: position never set",
                             "mesh 0 vertex 0: texture coordinates never set",
                             "mesh 0 triangle 0: vertex indices never set"}));
}

TEST_F(StandInHost, IndexThatNamesNoVertexIsAFault) {
  msMesh* mesh = AddMesh();
  AddVertex(mesh);
  AddVertex(mesh);
  const uint16_t indices[3] = {0, 2, 65535};
  msTriangle_SetVertexIndices(AddTriangle(mesh), indices);
  EXPECT_EQ(Faults(),
            (Texts{"call 12 msTriangle_SetVertexIndices: index 2 names no vertex of mesh 0 "
                   "(it has 2)",
                   "call 12 msTriangle_SetVertexIndices: index 65535 names no vertex of "
                   "mesh 0 (it has 2)"}));
}

TEST_F(StandInHost, NullAndForeignHandlesAreRefusedAndLogged) {
  int foreign[16] = {};
  msMesh* mesh = AddMesh();
  msVertex* vertex = AddVertex(mesh);
  const float values[3] = {};
  const uint16_t indices[3] = {};
  EXPECT_EQ(msModel_AddMesh(nullptr), -1);
  EXPECT_EQ(msModel_AddMesh(reinterpret_cast<msModel*>(foreign)), -1);
  EXPECT_EQ(msModel_GetMeshAt(model_, 1), nullptr);
  EXPECT_EQ(msMesh_AddVertex(nullptr), -1);
  EXPECT_EQ(msMesh_GetVertexAt(mesh, 1), nullptr);
  EXPECT_EQ(msMesh_AddTriangle(reinterpret_cast<msMesh*>(vertex)), -1);
  msVertex_SetVertex(reinterpret_cast<msVertex*>(mesh), values);
  msVertex_SetTexCoords(vertex, nullptr);
  msTriangle_SetVertexIndices(reinterpret_cast<msTriangle*>(foreign), indices);
  std::vector<std::string> faults = Faults();
  EXPECT_TRUE(EachContains(
      faults,
      {"msModel_AddMesh: null model handle", "msModel_AddMesh: unknown model handle",
       "no mesh 1 (the model has 1)", "msMesh_AddVertex: null mesh record",
       "no vertex 1 (the mesh has 1)", "msMesh_AddTriangle: unknown or no longer valid mesh",
       "msVertex_SetVertex: unknown or no longer valid vertex", "null texture coordinates",
       "unknown or no longer valid triangle record"}));
  EXPECT_EQ(hostmodel_CallCount(model_), 2 + 4 + 9);
  EXPECT_EQ(hostmodel_MeshCount(model_), 1);
}

TEST_F(StandInHost, VertexRecordMovesWhenTheNextVertexIsAdded) {
  msMesh* mesh = AddMesh();
  msVertex* first = AddVertex(mesh);
  AddVertex(mesh);
  EXPECT_NE(msMesh_GetVertexAt(mesh, 0), first);
  const float position[3] = {7, 8, 9};
  msVertex_SetVertex(first, position);
  EXPECT_TRUE(EachContains(Faults(), {"unknown or no longer valid vertex record"}));
  float read[3];
  hostmodel_GetVertex(model_, 0, 0, read, nullptr);
  EXPECT_EQ(Values(read), (std::vector<float>{1, 2, 3}));
}

TEST_F(StandInHost, WriteThroughAStaleVertexRecordIsCaught) {
  msMesh* mesh = AddMesh();
  msVertex* first = AddVertex(mesh);
  AddVertex(mesh);
  auto write = [&] { reinterpret_cast<volatile unsigned char*>(first)[kVertexPositionOffset] = 1; };
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_DEATH(write(), "use-after-poison");
#else
  write();
  EXPECT_EQ(Faults(), (Texts{"mesh 0: 1 vertex record(s) written after they stopped being "
                             "valid"}));
#endif
}

TEST_F(StandInHost, RecordsOfADestroyedModelAreForeign) {
  msModel* other = hostmodel_Create();
  msMesh* stale = msModel_GetMeshAt(other, msModel_AddMesh(other));
  hostmodel_Destroy(other);
  EXPECT_EQ(msMesh_AddVertex(stale), -1);
  EXPECT_TRUE(EachContains(Faults(), {"unknown or no longer valid mesh record"}));
  EXPECT_EQ(hostmodel_MeshCount(other), -1);
  EXPECT_EQ(hostmodel_Check(other), -1);
}

}  // namespace
