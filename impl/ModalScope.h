// Keeps the host's other windows from taking input while the import's
// dialog or box shows, so that the host cannot free the model or unload the
// plug-in under a running import. The owner is not among them: the dialog
// or box disables and enables it itself, in the order that hands
// activation back to it.
#pragma once

#include <array>
#include <cstddef>

#include "Win32Api.h"

/// While alive, every top-level window of the calling thread that is visible
/// and enabled, other than `owner`, is disabled; hidden windows (the input
/// method's, tooltips not showing) and windows that were disabled already
/// are left alone. On destruction exactly those windows are enabled again.
/// It activates nothing: activation returns to the owner when the dialog
/// goes. It never throws and never allocates, so it holds even while an
/// error for running out of memory is shown. It records at most kMaxWindows
/// windows; any further ones are left enabled rather than left disabled for
/// good.
class TModalScope {
 public:
  /// Disables the visible, enabled top-level windows of the calling thread
  /// but `owner` (which may be null).
  explicit TModalScope(HWND owner) noexcept;

  /// Enables the windows it disabled.
  ~TModalScope();

  TModalScope(const TModalScope&) = delete;
  TModalScope& operator=(const TModalScope&) = delete;

 private:
  /// EnumThreadWindows' callback; `self` is the scope.
  static BOOL CALLBACK DisableIfTakingInput(HWND window, LPARAM self);

  /// Far more top-level windows than a host's thread keeps open.
  static constexpr size_t kMaxWindows = 256;

  HWND owner_;
  std::array<HWND, kMaxWindows> disabled_{};  ///< In the order disabled.
  size_t disabledCount_ = 0;
};
