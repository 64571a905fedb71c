// The stand-in host's main window. A real host has one on the thread that
// runs the plug-in, and the plug-in must keep the user from using it while
// its dialog or error box shows.
#pragma once

#include "Win32Api.h"

/// A top-level window of the calling thread, titled "Kelvado stand-in
/// host", destroyed with the object, and optionally a tool palette it owns,
/// titled "Kelvado stand-in palette". Where no window can be made (Wine
/// without a display), Handle() is null and the host runs without one.
class HostWindow {
 public:
  /// Makes the window; `shown` shows it, which makes it the active window,
  /// as a person using the host sees it. Otherwise it stays hidden. With
  /// `palette`, the window also acts as the frame windows of common class
  /// libraries do (disabling it disables the enabled windows it owns, and
  /// enabling it enables exactly those again), and a visible palette it owns
  /// is made the active window, as when the user works in the palette.
  HostWindow(bool shown, bool palette);
  ~HostWindow();

  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  /// The window, or null when none could be made.
  HWND Handle() const { return window_; }

  /// The palette, or null when none was asked for or could be made.
  HWND Palette() const { return palette_; }

  /// True when there is no window or it is enabled: false only when a
  /// window exists and is disabled.
  bool EnabledOrAbsent() const;

  /// True when the window exists and it, or its palette, is the foreground
  /// window: the one the user sees in front and types into. Both are the
  /// host's, so either in front after an import is as the user left it.
  bool InFront() const;

  /// True when the window the user works in before an import, the palette
  /// when there is one and the main window otherwise, is the foreground
  /// window.
  bool WorkingWindowInFront() const;

 private:
  HWND window_;
  HWND palette_ = nullptr;
};
