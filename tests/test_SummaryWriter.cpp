#include <gtest/gtest.h>

#include <sstream>

#include "SummaryWriter.h"

namespace {

std::string Summary(const ImportRecord& record) {
  std::ostringstream out;
  WriteSummary(record, out);
  return out.str();
}

TEST(SummaryWriter, ShowsTitleResultBoxesMeshCountsTotalsAndFaults) {
  ImportRecord record;
  record.type = 1;
  record.title = "Jedi Knight 3DO...";
  record.creationBoxes = {{"Loader", "first", 0x10}};
  record.executeBoxes = {{"Jedi Knight 3DO", "Error while importing:\nChars not found", 0x10}};
  record.result = -1;
  record.meshes = {{"hull", std::vector<HostVertexRecord>(12), std::vector<HostTriangleRecord>(4)},
                   {"a much longer mesh name", std::vector<HostVertexRecord>(3),
                    std::vector<HostTriangleRecord>(1)}};
  record.hostFaults = {"vertex 0/2 never got a position"};
  const std::string text = Summary(record);
  const char* expected[] = {
      "Message box while loading, titled \"Loader\":\n  first\n",
      "Plug-in \"Jedi Knight 3DO...\", type 1\n",
      // The box's text as the user reads it: its line break is a new line.
      ("Message box during the import, titled \"Jedi Knight 3DO\":\n"
       "  Error while importing:\n  Chars not found\n"),
      "Result -1 (import failed or no file chosen)\n",
      "0    \"hull\"                             12          4\n",
      "1    \"a much longer mesh name\"           3          1\n",
      "all                                     15          5\n",
      "Host library fault: vertex 0/2 never got a position\n",
  };
  size_t from = 0;
  for (const char* line : expected) {
    const size_t at = text.find(line, from);
    EXPECT_NE(at, std::string::npos) << "missing or out of order: " << line << "in:\n" << text;
    if (at != std::string::npos) from = at;
  }
}

TEST(SummaryWriter, SaysWhenTheHostModelHoldsNothing) {
  ImportRecord record;
  record.result = 0;
  const std::string text = Summary(record);
  EXPECT_NE(text.find("Result 0 (import completed)\n"), std::string::npos);
  EXPECT_NE(text.find("The host model holds no meshes.\n"), std::string::npos);
}

}  // namespace
