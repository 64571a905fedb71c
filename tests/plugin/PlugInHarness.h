// Helpers for the tests that drive the built plug-in libraries as a host
// does: loading the plug-in library, creating and destroying plug-in
// objects, and telling whether a library is loaded.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "PlugIn.h"
#include "UserScript.h"
#include "Win32Api.h"

#ifndef _WIN32
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace plugintest {

/// The type of the plug-in library's one export.
using CreatePlugInFunction = PlugIn* (*)();

/// Destroys a plug-in object through slot 1, as the host does.
struct PlugInDeleter {
  void operator()(PlugIn* plugIn) const {
#ifdef _WIN32
    plugIn->Destroy(1);
#else
    delete plugIn;
#endif
  }
};

/// A plug-in object, destroyed as the host destroys it.
using PlugInPtr = std::unique_ptr<PlugIn, PlugInDeleter>;

/// The file name under which the platform keeps library `stem`.
inline std::string LibraryFileName(const std::string& stem) {
#ifdef _WIN32
  return stem + ".dll";
#else
  return "lib" + stem + ".so";
#endif
}

/// The folder of this test program.
inline std::filesystem::path ProgramFolder() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
#else
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return std::filesystem::path(std::string(path, length > 0 ? size_t(length) : 0)).parent_path();
#endif
}

/// True while the library file at `path` is loaded in this process.
inline bool IsLoaded(const std::filesystem::path& path) {
#ifdef _WIN32
  return GetModuleHandleA(path.string().c_str()) != nullptr;
#else
  void* handle = dlopen(path.string().c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
#endif
}

/// Loads the plug-in library by its bare name, as a host loads it from its
/// plug-in folder, puts it under the scripted user and returns its export;
/// null when either is missing.
inline CreatePlugInFunction LoadPlugInLibrary() {
  HMODULE library = LoadLibraryA("Kelvado.dll");
  if (library == nullptr || !UserScript_Attach(library)) return nullptr;
  return reinterpret_cast<CreatePlugInFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "CreatePlugIn")));
}

/// The box that reports a missing implementation library, as recorded.
inline void ExpectMissingImplementationBox(const UserScriptBox& box) {
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.text, "Implementation module 'KelvadoImpl.dll' not found");
  EXPECT_EQ(box.caption, "Jedi Knight 3DO Import module");
  EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONERROR));
}

}  // namespace plugintest
