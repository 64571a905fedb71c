// A dialog or box that the platform answers itself (the scripted user's, on
// both targets; the terminal chooser and box on Linux) treats its owner as
// Windows' dialog manager treats the owner of a real one, so that what a
// caller hands over as the owner has the effect it would have on Windows.
#pragma once

#include <array>
#include <cstddef>

#include "Win32Api.h"

/// While alive, stands in for a modal dialog or box owned by `owner`: the
/// owner, if enabled, is disabled, and on Linux a window of its own, owned by
/// `owner`, is shown and so made active. On destruction the owner is enabled
/// again if it was enabled before, and only then is that window destroyed,
/// so that activation returns to the owner rather than to whichever window
/// comes next. (On Windows no window is made: a real one would appear on the
/// screen for every scripted answer.) A null owner is left alone. A message
/// box's `boxStyle` with MB_TASKMODAL and a null owner disables, as Windows
/// documents, every top-level window of the calling thread, hidden ones too,
/// and enables exactly those again. Never throws and allocates nothing.
class ModalStandIn {
 public:
  ModalStandIn(HWND owner, LPCSTR title, UINT boxStyle = 0) noexcept;
  ~ModalStandIn();

  ModalStandIn(const ModalStandIn&) = delete;
  ModalStandIn& operator=(const ModalStandIn&) = delete;

 private:
  /// EnumThreadWindows' callback for a task-modal box; `self` is the object.
  static BOOL CALLBACK DisableForTheTask(HWND window, LPARAM self);

  /// Far more top-level windows than a test's thread keeps open.
  static constexpr size_t kMaxTaskWindows = 64;

  HWND owner_;
  bool ownerWasEnabled_ = false;
  HWND window_ = nullptr;
  std::array<HWND, kMaxTaskWindows> taskDisabled_{};  ///< In the order disabled.
  size_t taskDisabledCount_ = 0;
};
