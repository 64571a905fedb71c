// Loads a plug-in library and drives its plug-in object the way a host does.
// On Windows the object is reached through an explicitly declared table of
// four function pointers in the layout of Microsoft's C++ compiler, as a host
// built with that compiler sees it; on Linux through the PlugIn interface,
// which is the platform's own C++ ABI.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Win32Api.h"

/// The Kelvado library next to the running program: Kelvado.dll on Windows,
/// libKelvado.so on Linux.
std::string DefaultPlugInPath();

/// A loaded plug-in library and at most one plug-in object made by it.
class LoadedPlugIn {
 public:
  /// Loads the library at `path` and finds its CreatePlugIn export. Returns
  /// null with `error` naming the library and the problem when either fails.
  static std::unique_ptr<LoadedPlugIn> Load(const std::string& path, std::string& error);

  /// Destroys the object if it is still alive, then unloads the library.
  ~LoadedPlugIn();
  LoadedPlugIn(const LoadedPlugIn&) = delete;
  LoadedPlugIn& operator=(const LoadedPlugIn&) = delete;

  /// The library's handle (on Linux, the dlopen handle).
  HMODULE Module() const { return module_; }

  /// Calls CreatePlugIn; returns false when it gave no object.
  bool CreateObject();
  /// Slot 2 of the live object.
  int32_t GetType();
  /// Slot 3 of the live object; valid while the object lives.
  const char* GetTitle();
  /// Slot 4 of the live object, with the host model handle.
  int32_t Execute(void* model);
  /// Destroys the live object through slot 1, which also frees its memory.
  void DestroyObject();

 private:
  LoadedPlugIn(HMODULE module, void* createPlugIn) : module_(module), create_(createPlugIn) {}

  HMODULE module_;
  void* create_;            // the CreatePlugIn export
  void* object_ = nullptr;  // the live plug-in object, if any
};
