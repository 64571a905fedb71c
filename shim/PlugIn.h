// The host's plug-in interface: four virtual slots, in the host's order.
#pragma once

#include <cstdint>

#ifdef _WIN32
/// The plug-in object as a host built with Microsoft's compiler sees it.
class PlugIn {
 public:
  // Microsoft's compiler gives a virtual destructor one slot, the scalar
  // deleting destructor; GCC gives it two (complete and deleting), which
  // would shift GetType onto a deleting destructor. So slot 1 is declared as
  // that deleting destructor itself, and the real destructor is not virtual.

  /// Slot 1: destroys the object; with bit 0 of `flags` set, also frees its
  /// memory with Kelvado.dll's allocator. Returns the object's address.
  virtual void* Destroy(unsigned flags) = 0;
  /// Slot 2: the plug-in's type code.
  virtual int32_t GetType() = 0;
  /// Slot 3: the plug-in's title, a NUL-terminated 8-bit text; never null.
  virtual const char* GetTitle() = 0;
  /// Slot 4: runs the import into the host model `model`; 0 or -1.
  virtual int32_t Execute(void* model) = 0;

 protected:
  ~PlugIn() = default;
};
#else
/// The plug-in object as a host built with the platform's C++ ABI sees it.
class PlugIn {
 public:
  /// Slot 1: the host destroys the object with `delete`.
  virtual ~PlugIn() = default;
  /// Slot 2: the plug-in's type code.
  virtual int32_t GetType() = 0;
  /// Slot 3: the plug-in's title, a NUL-terminated 8-bit text; never null.
  virtual const char* GetTitle() = 0;
  /// Slot 4: runs the import into the host model `model`; 0 or -1.
  virtual int32_t Execute(void* model) = 0;
};
#endif
