// Makes a dialog or box without an owner modal for the host: while it
// shows, the host's windows take no input, so the host cannot free the model
// or unload the plug-in under a running import.
#pragma once

#include <array>
#include <cstddef>

#include "Win32Api.h"

/// While alive, every top-level window of the calling thread that was
/// enabled is disabled; windows that were disabled already are left alone.
/// On destruction exactly those windows are enabled again, then the window
/// that was active before is activated again. It never throws and never
/// allocates, so it holds even while an error for running out of memory is
/// shown. It records at most kMaxWindows windows; any further ones are left
/// enabled rather than left disabled for good.
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

  /// Far more top-level windows than a host's thread keeps open.
  static constexpr size_t kMaxWindows = 256;

  HWND active_;
  std::array<HWND, kMaxWindows> disabled_{};  ///< In the order disabled.
  size_t disabledCount_ = 0;
};
