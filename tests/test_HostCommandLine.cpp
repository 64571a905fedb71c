#include <gtest/gtest.h>

#include "HostCommandLine.h"
#include "HostModel.h"

namespace {

const std::vector<FileOutputOption> kOutputs = {{"--obj", "write OBJ"}, {"--svg", "draw"}};

CommandLineResult Parse(const std::vector<std::string>& args) {
  return ParseHostCommandLine(args, kOutputs);
}

TEST(HostCommandLine, ReadsEveryOptionInAnyOrder) {
  const CommandLineResult r = Parse({"--obj", "out/a.obj", "--dump", "--open", "x.3do", "--plugin",
                                     "lib/K.dll", "--fail", "GetTriangleAt:100", "--svg", "a.svg"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.options.failOperation, kHostGetTriangleAt);
  EXPECT_EQ(r.options.failCall, 100);
  EXPECT_EQ(r.options.pluginPath, "lib/K.dll");
  EXPECT_EQ(r.options.answer, UserAnswer::kOpen);
  EXPECT_EQ(r.options.openFile, "x.3do");
  EXPECT_TRUE(r.options.dump);
  EXPECT_FALSE(r.options.help);
  ASSERT_EQ(r.options.outputs.size(), 2u);
  EXPECT_EQ(r.options.outputs[0].option, "--obj");
  EXPECT_EQ(r.options.outputs[0].path, "out/a.obj");
  EXPECT_EQ(r.options.outputs[1].option, "--svg");
  EXPECT_EQ(r.options.outputs[1].path, "a.svg");
}

TEST(HostCommandLine, DefaultsToTheUserAnsweringAndTheSummary) {
  const CommandLineResult none = Parse({});
  ASSERT_TRUE(none.ok);
  EXPECT_EQ(none.options.answer, UserAnswer::kInteractive);
  EXPECT_TRUE(none.options.pluginPath.empty());
  EXPECT_FALSE(none.options.dump);
  EXPECT_TRUE(none.options.outputs.empty());

  const CommandLineResult cancel = Parse({"--cancel"});
  ASSERT_TRUE(cancel.ok);
  EXPECT_EQ(cancel.options.answer, UserAnswer::kCancel);
  EXPECT_TRUE(Parse({"--help"}).options.help);
}

TEST(HostCommandLine, UsageErrorsNameTheProblem) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--open", "a.3do", "--cancel"}, "--open and --cancel exclude each other"},
      {{"--cancel", "--open", "a.3do"}, "--open and --cancel exclude each other"},
      {{"--open"}, "--open needs a FILE"},
      {{"--open", "--dump"}, "--open needs a FILE"},
      {{"--open", ""}, "--open needs a non-empty FILE"},
      {{"--plugin"}, "--plugin needs a PATH"},
      {{"--obj"}, "--obj needs a FILE"},
      {{"--dump", "--dump"}, "--dump is given twice"},
      {{"--cancel", "--cancel"}, "--cancel is given twice"},
      {{"--open", "a", "--open", "b"}, "--open is given twice"},
      {{"--obj", "a", "--obj", "b"}, "--obj is given twice"},
      {{"--png", "a"}, "unknown option '--png'"},
      {{"-x"}, "unknown option '-x'"},
      {{"model.3do"}, "unexpected argument 'model.3do'"},
      {{"--repeat", "0", "--cancel"}, "--repeat needs a count from 1 to 9999999"},
      {{"--repeat", "-3", "--cancel"}, "--repeat needs a count from 1 to 9999999"},
      {{"--repeat", "12x", "--cancel"}, "--repeat needs a count from 1 to 9999999"},
      {{"--repeat", "99999999", "--cancel"}, "--repeat needs a count from 1 to 9999999"},
      {{"--repeat", "2", "--repeat", "3", "--cancel"}, "--repeat is given twice"},
      {{"--repeat", "2"}, "--repeat needs --open or --cancel"},
      {{"--repeat", "2", "--cancel", "--obj", "a.obj"}, "--repeat takes no --obj"},
      {{"--reload", "--cancel"}, "--reload needs --repeat"},
      {{"--repeat", "2", "--cancel", "--palette"}, "--repeat takes no --palette"},
      {{"--repeat", "2", "--open", "a", "--cancel"}, "--open and --cancel exclude each other"},
      {{"--fail"}, "--fail needs an OPERATION:N"},
      {{"--fail", "SetVertex:1"},
       "--fail cannot fail 'SetVertex' (one of AddMesh, GetMeshAt, AddVertex, GetVertexAt, "
       "AddTriangle, GetTriangleAt, ReadFile, GetFileSize, VirtualAlloc)"},
      {{"--fail", "AddVertex"}, "--fail needs a call number of 1 or more after 'AddVertex:'"},
      {{"--fail", "AddVertex:0"}, "--fail needs a call number of 1 or more after 'AddVertex:'"},
      {{"--fail", "AddVertex:-3"}, "--fail needs a call number of 1 or more after 'AddVertex:'"},
      {{"--fail", "AddVertex:1", "--fail", "AddMesh:1"}, "--fail is given twice"},
  };
  for (const Case& c : cases) {
    const CommandLineResult r = Parse(c.args);
    EXPECT_FALSE(r.ok) << c.error;
    EXPECT_EQ(r.error, c.error);
  }
}

TEST(HostCommandLine, RepeatTakesTheOpenedFilesInTurn) {
  const CommandLineResult r = Parse(
      {"--repeat", "1000", "--open", "a.3do", "--reload", "--open", "b.3do", "--open", "a.3do"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.options.repeat, 1000);
  EXPECT_TRUE(r.options.reload);
  EXPECT_EQ(r.options.openFile, "a.3do");
  EXPECT_EQ(r.options.openFiles, (std::vector<std::string>{"a.3do", "b.3do", "a.3do"}));

  const CommandLineResult once = Parse({"--open", "a.3do"});
  ASSERT_TRUE(once.ok);
  EXPECT_EQ(once.options.repeat, 0);
  EXPECT_EQ(once.options.openFiles, std::vector<std::string>{"a.3do"});
}

TEST(HostCommandLine, UsageListsTheFileOutputs) {
  const std::string usage = HostUsage(kOutputs);
  EXPECT_NE(usage.find("[--fail OPERATION:N] [--dump] [--obj FILE] [--svg FILE]"),
            std::string::npos);
  EXPECT_NE(usage.find("--svg FILE"), std::string::npos);
  EXPECT_NE(usage.find("draw"), std::string::npos);
}

}  // namespace
