// Loading libraries under their Windows names: the real API on Windows and
// the platform stand-ins on Linux must agree on what the system relies on.
#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <filesystem>
#endif

#include "Win32Api.h"

namespace {

// The tests' own folder holds the plug-in libraries of the build.
TEST(DynamicLibrary, FindsABareNameNextToTheProgram) {
  for (const char* name : {"Kelvado.dll", "Kelvado.DLL"}) {
    HMODULE module = LoadLibraryA(name);
    ASSERT_NE(module, nullptr) << name;
    EXPECT_NE(GetProcAddress(module, "CreatePlugIn"), nullptr) << name;
    EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr) << name;
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST(DynamicLibrary, MissingLibraryGivesNull) {
  EXPECT_EQ(LoadLibraryA("KelvadoNoSuchLibrary.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA("no-such-folder/Kelvado.dll"), nullptr);
}

TEST(DynamicLibrary, EveryLoadIsOneReference) {
  HMODULE first = LoadLibraryA("Kelvado.dll");
  HMODULE second = LoadLibraryA("Kelvado.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second) << "one library, two references";
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_NE(GetProcAddress(second, "CreatePlugIn"), nullptr) << "still loaded";
  EXPECT_TRUE(FreeLibrary(second));
}

#ifndef _WIN32
// "X.dll" is the platform's "libX.so" in the same folder, whatever the case of
// the suffix; any other name is the file itself. A name that cannot be a
// library, the empty one included, loads nothing, never the program itself,
// which is what the platform's loader gives for a null or empty name.
TEST(DynamicLibrary, WindowsNamesMapToThePlatformsFiles) {
  const std::string bin = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
  const struct {
    std::string name;
    bool loads;
  } cases[] = {
      {bin + "/Kelvado.dll", true},
      {bin + "/Kelvado.Dll", true},
      {bin + "/libKelvado.so", true},
      {"libKelvado.so", true},
      {bin + "/Kelvado.so", false},
      {bin + "/libKelvado.dll", false},
      {bin + "/Kelvado.dll.so", false},
      {".dll", false},
      {"dll", false},
      {"a", false},
  };
  for (const auto& c : cases) {
    HMODULE module = LoadLibraryA(c.name.c_str());
    EXPECT_EQ(module != nullptr, c.loads) << c.name;
    if (module == nullptr) continue;
    EXPECT_NE(GetProcAddress(module, "CreatePlugIn"), nullptr) << c.name;
    EXPECT_TRUE(FreeLibrary(module)) << c.name;
  }
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr)) << "the null of a failed load";
}
#endif

}  // namespace
