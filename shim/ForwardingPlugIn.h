// The plug-in object: it loads the implementation library and hands the
// host's calls on to its three exports.
#pragma once

#include <cstdint>

#include "PlugIn.h"
#include "Win32Api.h"

/// Forwards GetType, GetTitle and Execute to KelvadoImpl.dll, which it holds
/// loaded from construction to destruction. Without the library (reported
/// once, at construction) it answers 0, "" and -1.
class ForwardingPlugIn final : public PlugIn {
 public:
  /// Loads KelvadoImpl.dll by its bare name and binds its exports; shows one
  /// error box when the library does not load. Never fails.
  ForwardingPlugIn();
  /// Gives back the load reference taken by the constructor.
  ~ForwardingPlugIn();

  ForwardingPlugIn(const ForwardingPlugIn&) = delete;
  ForwardingPlugIn& operator=(const ForwardingPlugIn&) = delete;

#ifdef _WIN32
  void* Destroy(unsigned flags) override;
#endif
  /// plugin_GetType's answer, or 0 without it.
  int32_t GetType() override;
  /// plugin_GetTitle's pointer, or a constant empty text without it.
  const char* GetTitle() override;
  /// plugin_Execute's answer for the same `model`, or -1 without it.
  int32_t Execute(void* model) override;

 private:
  // These must agree with the exports' declarations in the implementation.
  using GetTypeFunction = int32_t (*)();
  using GetTitleFunction = const char* (*)();
  using ExecuteFunction = int32_t (*)(void* model);

  HMODULE Module = nullptr;
  GetTypeFunction GetTypeProc = nullptr;
  GetTitleFunction GetTitleProc = nullptr;
  ExecuteFunction ExecuteProc = nullptr;
};
