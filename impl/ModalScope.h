// Makes a dialog or box without an owner modal for the host: while it
// shows, the host's windows take no input, so the host cannot free the model
// or unload the plug-in under a running import.
#pragma once

#include <vector>

#include "Win32Api.h"

/// While alive, every top-level window of the calling thread that was
/// enabled is disabled; windows that were disabled already are left alone.
/// On destruction exactly those windows are enabled again, then the window
/// that was active before is activated again. It never throws: a window it
/// cannot record (out of memory) is left enabled rather than left disabled.
class TModalScope {
 public:
  /// Records the active window, then disables the enabled top-level windows
  /// of the calling thread.
  TModalScope() noexcept;

  /// Enables the windows it disabled, then activates the one recorded.
  ~TModalScope();

  TModalScope(const TModalScope&) = delete;
  TModalScope& operator=(const TModalScope&) = delete;

 private:
  /// EnumThreadWindows' callback; `self` is the scope.
  static BOOL CALLBACK DisableIfEnabled(HWND window, LPARAM self);

  HWND active_;
  std::vector<HWND> disabled_;  ///< In the order disabled.
};
