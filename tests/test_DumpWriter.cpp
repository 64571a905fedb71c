#include <gtest/gtest.h>

#include <sstream>

#include "DumpWriter.h"

namespace {

std::string Dump(const ImportRecord& record) {
  std::ostringstream out;
  WriteDump(record, out);
  return out.str();
}

TEST(DumpWriter, CancelledImportHasOnlyThePluginAndResultLines) {
  ImportRecord record;
  record.type = 1;
  record.title = "Jedi Knight 3DO...";
  record.result = -1;
  EXPECT_EQ(Dump(record), "plugin type 1 title \"Jedi Knight 3DO...\"\nresult -1\n");
}

TEST(DumpWriter, PutsCreationBoxesBeforeAndExecuteBoxesAfterThePluginLine) {
  ImportRecord record;
  record.creationBoxes = {
      {"Jedi Knight 3DO Import module", "Implementation module 'KelvadoImpl.dll' not found", 0x10}};
  record.title = "";
  record.executeBoxes = {{"Jedi Knight 3DO", "Error while importing:\nChars not found", 0x10},
                         {"second", "box", 0}};
  record.result = -1;
  EXPECT_EQ(Dump(record),
            "box \"Jedi Knight 3DO Import module\" "
            "\"Implementation module 'KelvadoImpl.dll' not found\"\n"
            "plugin type 0 title \"\"\n"
            "box \"Jedi Knight 3DO\" \"Error while importing:\\x0aChars not found\"\n"
            "box \"second\" \"box\"\n"
            "result -1\n");
}

TEST(DumpWriter, ListsMeshesWithTheirVerticesThenTrianglesInHostOrder) {
  ImportRecord record;
  record.type = 1;
  record.title = "T";
  record.meshes = {
      {"hull",
       {{1, 2, 3, 0, 64}, {-0.5f, 0.1f, 1e10f, 128, 0.25f}, {0, 0, 0, 0, 0}},
       {{0, 1, 2}, {2, 1, 65535}}},
      {"", {}, {}},
  };
  EXPECT_EQ(Dump(record),
            "plugin type 1 title \"T\"\n"
            "result 0\n"
            "mesh 0 \"hull\" vertices 3 triangles 2\n"
            "v 1 2 3 0 64\n"
            "v -0.5 0.100000001 1e+10 128 0.25\n"
            "v 0 0 0 0 0\n"
            "t 0 1 2\n"
            "t 2 1 65535\n"
            "mesh 1 \"\" vertices 0 triangles 0\n");
}

}  // namespace
