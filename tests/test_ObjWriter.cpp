#include <gtest/gtest.h>

#include <sstream>

#include "ObjWriter.h"

namespace {

TEST(ObjWriter, NumbersVerticesAcrossObjectsFromOneWithMatchingTextureIndices) {
  const std::vector<HostMeshRecord> meshes = {
      {"hull", {{0, 0, 0, 0, 0}, {1, 0, 0, 64, 0}, {0, 1, 0, 0, 64}}, {{0, 1, 2}}},
      {"fin",
       {{0, 0, 1, 1, 2}, {0.5f, 0, 1, 3, 4}, {0, 0.5f, 1, 5, 6}, {1, 1, 1, 7, 8}},
       {{0, 1, 2}, {0, 2, 3}}},
  };
  std::ostringstream out;
  EXPECT_EQ(WriteObj(meshes, out), 0u);
  EXPECT_EQ(out.str(),
            "# Host model: 2 meshes\n"
            "o hull\n"
            "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
            "vt 0 0\nvt 64 0\nvt 0 64\n"
            "f 1/1 2/2 3/3\n"
            "o fin\n"
            "v 0 0 1\nv 0.5 0 1\nv 0 0.5 1\nv 1 1 1\n"
            "vt 1 2\nvt 3 4\nvt 5 6\nvt 7 8\n"
            "f 4/4 5/5 6/6\n"
            "f 4/4 6/6 7/7\n");
}

TEST(ObjWriter, LeavesOutTrianglesNamingAVertexOutsideTheirMesh) {
  const std::vector<HostMeshRecord> meshes = {
      {"a",
       {{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}},
       {{0, 1, 3}, {0, 1, 2}, {-1, 0, 1}}},
      {"b", {{0, 0, 0, 0, 0}}, {}},
  };
  std::ostringstream out;
  EXPECT_EQ(WriteObj(meshes, out), 2u);
  EXPECT_NE(out.str().find("f 1/1 2/2 3/3\n"), std::string::npos);
  EXPECT_EQ(out.str().find("f 1/1 2/2 4/4"), std::string::npos);
}

TEST(ObjWriter, ObjectNamesStayOnOneLineAndAreNeverEmpty) {
  struct Case {
    size_t index;
    std::string name, objName;
  } cases[] = {
      {0, "hull", "hull"},
      {3, "", "mesh3"},
      {1, "a b\tc\nd\x7f", "a_b_c_d_"},
      {2, "caf\xe9", "caf\xe9"},
  };
  for (const Case& c : cases) EXPECT_EQ(ObjObjectName(c.index, c.name), c.objName);
}

}  // namespace
