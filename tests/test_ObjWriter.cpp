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
            "# Texture coordinates are in the 3DO file's pixel units, as the host gets them,\n"
            "# not scaled to 0..1 and not flipped.\n"
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

// OBJ readers read doubles; the shortest text that gives back the host's
// single is what a person expects to see ("0.3", not "0.300000012").
TEST(ObjWriter, WritesTheShortestNumberThatReadsBackAsTheSameSingle) {
  const std::vector<HostMeshRecord> meshes = {
      {"m", {{0.3f, -0.1f, 1e-7f, 1.0f / 3.0f, 16777216.0f}}, {}}};
  std::ostringstream out;
  WriteObj(meshes, out);
  EXPECT_NE(out.str().find("# Host model: 1 mesh\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\nv 0.3 -0.1 1e-07\nvt 0.33333334 16777216\n"), std::string::npos)
      << out.str();
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
