// Loading libraries under their Windows names: the real API on Windows and
// the platform stand-ins on Linux must agree on what the system relies on.
#include <gtest/gtest.h>

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

}  // namespace
