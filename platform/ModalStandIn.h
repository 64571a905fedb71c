// A dialog or box that the platform answers itself (the scripted user's, on
// both targets; the terminal chooser and box on Linux) treats its owner as
// Windows' dialog manager treats the owner of a real one, so that what a
// caller hands over as the owner has the effect it would have on Windows.
#pragma once

#include "Win32Api.h"

/// While alive, stands in for a modal dialog or box owned by `owner`: the
/// owner, if enabled, is disabled, and on Linux a window of its own, owned by
/// `owner`, is shown and so made active. On destruction the owner is enabled
/// again if it was enabled before, and only then is that window destroyed,
/// so that activation returns to the owner rather than to whichever window
/// comes next. (On Windows no window is made: a real one would appear on the
/// screen for every scripted answer.) A null owner is left alone. Never
/// throws and allocates nothing.
class ModalStandIn {
 public:
  ModalStandIn(HWND owner, LPCSTR title) noexcept;
  ~ModalStandIn();

  ModalStandIn(const ModalStandIn&) = delete;
  ModalStandIn& operator=(const ModalStandIn&) = delete;

 private:
  HWND owner_;
  bool ownerWasEnabled_ = false;
  HWND window_ = nullptr;
};
