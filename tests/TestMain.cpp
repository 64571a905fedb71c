// The main function of the one GoogleTest program that holds every module's
// tests (tests/test_*.cpp). Linking the import code once per tree instead of
// once per module is what keeps the build and a rebuild short.
//
// CTest runs the program once per module, with --module=NAME, so that a
// failure still names its module and each module runs in a process of its
// own, as when every module was a program of its own:
//   kelvado_tests --module=test_Lists
// Without --module every test runs; the --gtest_ options work as usual.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

/// The module a test belongs to: the name of the source file that defines
/// it, without folder or extension ("tests/test_Lists.cpp" -> "test_Lists").
std::string ModuleOf(const char* file) {
  std::string name(file ? file : "");
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

/// A GoogleTest filter that selects exactly the module's tests: whole suites
/// where the module holds all of a suite, single tests otherwise. Empty when
/// the module has no tests.
std::string FilterOfModule(const std::string& module) {
  const testing::UnitTest& unitTest = *testing::UnitTest::GetInstance();
  std::string filter;
  const auto add = [&filter](const std::string& pattern) {
    if (!filter.empty()) filter += ':';
    filter += pattern;
  };
  for (int s = 0; s < unitTest.total_test_suite_count(); ++s) {
    const testing::TestSuite& suite = *unitTest.GetTestSuite(s);
    int inModule = 0;
    for (int t = 0; t < suite.total_test_count(); ++t) {
      if (ModuleOf(suite.GetTestInfo(t)->file()) == module) ++inModule;
    }
    if (inModule == 0) continue;
    if (inModule == suite.total_test_count()) {
      add(std::string(suite.name()) + ".*");
      continue;
    }
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const testing::TestInfo& test = *suite.GetTestInfo(t);
      if (ModuleOf(test.file()) == module) add(std::string(suite.name()) + "." + test.name());
    }
  }
  return filter;
}

/// Whether the program was built from the module's file. The build lists
/// the modules, separated by commas, in KELVADO_TEST_MODULES.
bool IsModule(const std::string& module) {
  const std::string modules = std::string(",") + KELVADO_TEST_MODULES + ",";
  return modules.find("," + module + ",") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string module;
  for (int i = 1; i < argc; ++i) {
    constexpr char kModule[] = "--module=";
    if (std::strncmp(argv[i], kModule, sizeof kModule - 1) != 0) {
      std::fprintf(stderr, "unknown argument '%s'; use --module=NAME or --gtest_ options\n",
                   argv[i]);
      return 2;
    }
    module = argv[i] + sizeof kModule - 1;
  }
  if (!module.empty()) {
    // A misspelt module would otherwise pass by running nothing. A module
    // may well have no tests on one target (its tests are all for the
    // other), and then runs none, as its own program did.
    if (!IsModule(module)) {
      std::fprintf(stderr, "no module '%s' in this program\n", module.c_str());
      return 2;
    }
    std::string filter = FilterOfModule(module);
    if (filter.empty()) filter = "-*";
    // --module chooses the tests; a --gtest_filter given with it would be
    // silently replaced, so the two may not be combined.
    if (GTEST_FLAG_GET(filter) != "*") {
      std::fprintf(stderr, "--module and --gtest_filter exclude each other\n");
      return 2;
    }
    GTEST_FLAG_SET(filter, filter);
  }
  return RUN_ALL_TESTS();
}
