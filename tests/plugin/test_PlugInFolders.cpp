// The plug-in object against implementation libraries that are missing,
// cannot load, or are fakes. This program runs from a folder of its own, so
// that the only implementation library the search can find is the one a
// test puts next to it.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "PlugInHarness.h"

namespace fs = std::filesystem;
using namespace plugintest;

namespace {

using ModelFunction = void* (*)();
using CountFunction = int32_t (*)();

// Copies a file over another; MinGW's copy_file cannot overwrite.
void CopyReplacing(const fs::path& from, const fs::path& to) {
  fs::remove(to);
  fs::copy_file(from, to);
}

class PlugInFolder : public ::testing::Test {
 protected:
  // Once per program: the parameterised suite derives from this one, and
  // the plug-in library must not be overwritten while it is loaded.
  static void SetUpTestSuite() {
    if (createPlugIn_ != nullptr) return;
    folder_ = ProgramFolder();
    CopyReplacing(folder_.parent_path() / LibraryFileName("Kelvado"),
                  folder_ / LibraryFileName("Kelvado"));
    fs::remove(ImplementationHere());
    createPlugIn_ = LoadPlugInLibrary();
  }

  void SetUp() override {
    ASSERT_NE(createPlugIn_, nullptr) << "Kelvado did not load from " << folder_;
    UserScript_Reset();
  }

  void TearDown() override {
    EXPECT_FALSE(IsLoaded(ImplementationHere())) << "a test left the implementation loaded";
    // Wine keeps the file of a library that failed to load busy for a
    // while; the next run's set-up removes it then.
    std::error_code busy;
    fs::remove(ImplementationHere(), busy);
  }

  static fs::path ImplementationHere() { return folder_ / LibraryFileName("KelvadoImpl"); }

  // Puts the implementation library of the build folder `subfolder` (""
  // for the real one) next to this program.
  static void PutImplementation(const std::string& subfolder) {
    CopyReplacing(folder_.parent_path() / subfolder / LibraryFileName("KelvadoImpl"),
                  ImplementationHere());
  }

  // An export of the implementation library next to this program, which
  // the caller keeps loaded meanwhile.
  template <typename Function>
  static Function FakeExport(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  }

  static PlugInPtr Create() { return PlugInPtr(createPlugIn_()); }

  static inline fs::path folder_;
  static inline CreatePlugInFunction createPlugIn_ = nullptr;
};

// The implementation library missing, or present but unable to load because
// the host's model library is not there: the same box, and the fallbacks.
class UnloadableImplementation : public PlugInFolder,
                                 public ::testing::WithParamInterface<const char*> {};

TEST_P(UnloadableImplementation, ReportedOnceAndAnsweredWithFallbacks) {
  if (GetParam()[0] != 0) PutImplementation(GetParam());
  char model[16] = "untouched model";
  {
    PlugInPtr plugIn = Create();
    ASSERT_NE(plugIn, nullptr);
    ASSERT_EQ(UserScript_Boxes().size(), 1u);
    ExpectMissingImplementationBox(UserScript_Boxes()[0]);
    EXPECT_EQ(plugIn->GetType(), 0);
    const char* title = plugIn->GetTitle();
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "");
    EXPECT_EQ(plugIn->Execute(model), -1);
    EXPECT_EQ(plugIn->Execute(nullptr), -1);
  }
  EXPECT_STREQ(model, "untouched model");
  EXPECT_EQ(UserScript_Boxes().size(), 1u) << "only construction reports";
  EXPECT_TRUE(UserScript_Dialogs().empty());

  // Every new object tries again, and reports again.
  PlugInPtr second = Create();
  EXPECT_EQ(UserScript_Boxes().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(MissingOrHostLibraryMissing, UnloadableImplementation,
                         ::testing::Values("", "."),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param[0] == 0 ? "ImplementationMissing"
                                                                 : "HostLibraryMissing");
                         });

TEST_F(PlugInFolder, ForwardsEveryCallAndTheModelHandleUnchanged) {
  PutImplementation("fake-full");
  PlugInPtr plugIn = Create();
  ASSERT_TRUE(UserScript_Boxes().empty());
  HMODULE fake = LoadLibraryA(ImplementationHere().string().c_str());
  ASSERT_NE(fake, nullptr);
  auto lastModel = FakeExport<ModelFunction>(fake, "fake_LastModel");
  auto title = FakeExport<const char* (*)()>(fake, "plugin_GetTitle");

  EXPECT_EQ(plugIn->GetType(), 7);
  EXPECT_EQ(plugIn->GetTitle(), title()) << "the very pointer of the export";
  int local = 0;
  for (void* handle :
       {static_cast<void*>(&local), static_cast<void*>(nullptr),
        reinterpret_cast<void*>(~uintptr_t{0}), reinterpret_cast<void*>(uintptr_t{0x80000001u})}) {
    EXPECT_EQ(plugIn->Execute(handle), 42);
    EXPECT_EQ(lastModel(), handle);
  }
  EXPECT_EQ(FakeExport<CountFunction>(fake, "fake_ExecuteCount")(), 4);
  FreeLibrary(fake);
}

TEST_F(PlugInFolder, EachObjectHoldsItsOwnLoadReference) {
  PutImplementation("fake-full");
  PlugInPtr first = Create();
  PlugInPtr second = Create();
  EXPECT_TRUE(IsLoaded(ImplementationHere()));
  first.reset();
  EXPECT_TRUE(IsLoaded(ImplementationHere())) << "the second object still holds it";
  second.reset();
  EXPECT_FALSE(IsLoaded(ImplementationHere()));

  // An object that is never called still loads and unloads the library.
  PlugInPtr unused = Create();
  EXPECT_TRUE(IsLoaded(ImplementationHere()));
  unused.reset();
  EXPECT_TRUE(UserScript_Boxes().empty());
}

TEST_F(PlugInFolder, MissingExportsAnswerWithTheirFallbacks) {
  PutImplementation("fake-partial");
  PlugInPtr plugIn = Create();
  EXPECT_TRUE(UserScript_Boxes().empty()) << "the library itself loaded";
  EXPECT_EQ(plugIn->GetType(), 7);
  const char* title = plugIn->GetTitle();
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title, "");
  EXPECT_EQ(plugIn->Execute(nullptr), -1);
  EXPECT_TRUE(UserScript_Boxes().empty());
}

}  // namespace
