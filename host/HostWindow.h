// The stand-in host's main window. A real host has one on the thread that
// runs the plug-in, and the plug-in must keep the user from using it while
// its dialog or error box shows.
#pragma once

#include "Win32Api.h"

/// A top-level window of the calling thread, titled "Kelvado stand-in
/// host", destroyed with the object. Where no window can be made (Wine
/// without a display), Handle() is null and the host runs without one.
class HostWindow {
 public:
  /// Makes the window; `shown` shows it, which makes it the active window,
  /// as a person using the host sees it. Otherwise it stays hidden.
  explicit HostWindow(bool shown);
  ~HostWindow();

  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  /// The window, or null when none could be made.
  HWND Handle() const { return window_; }

  /// True when there is no window or it is enabled: false only when a
  /// window exists and is disabled.
  bool EnabledOrAbsent() const;

  /// True when the window exists and is the foreground window: the one the
  /// user sees in front and types into.
  bool InFront() const;

 private:
  HWND window_;
};
