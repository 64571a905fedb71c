#include "HostWindow.h"

#ifndef _WIN32
#include "StandInWindows.h"
#endif

namespace {

constexpr char kTitle[] = "Kelvado stand-in host";
constexpr char kPaletteTitle[] = "Kelvado stand-in palette";

#ifdef _WIN32
// What the frame disabled along with itself, so that enabling it enables
// exactly those again and none the plug-in disabled on its own. There is
// one frame per process, so fixed storage suffices.
constexpr size_t kMostDisabled = 32;
HWND g_disabledWithFrame[kMostDisabled];
size_t g_disabledCount = 0;
WNDPROC g_staticProcedure = nullptr;

// Whether `frame` owns `window`, directly or through the windows between.
bool IsOwnedBy(HWND window, HWND frame) {
  for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr;
       owner = GetWindow(owner, GW_OWNER)) {
    if (owner == frame) return true;
  }
  return false;
}

// EnumThreadWindows' callback for a frame being disabled (`frame`).
BOOL CALLBACK DisableIfOwned(HWND window, LPARAM frame) {
  if (!IsWindowEnabled(window) || !IsOwnedBy(window, reinterpret_cast<HWND>(frame))) return TRUE;
  // Recorded first, so that no window is disabled without being enabled again.
  if (g_disabledCount == kMostDisabled) return FALSE;
  g_disabledWithFrame[g_disabledCount++] = window;
  EnableWindow(window, FALSE);
  return TRUE;
}

// WM_ENABLE arrives before EnableWindow returns, so the owned windows follow
// the frame within the call, as with the frames of common class libraries.
LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENABLE && wParam == FALSE) {
    EnumThreadWindows(GetCurrentThreadId(), &DisableIfOwned, reinterpret_cast<LPARAM>(window));
  } else if (message == WM_ENABLE) {
    for (size_t i = 0; i < g_disabledCount; ++i) {
      if (IsWindow(g_disabledWithFrame[i])) EnableWindow(g_disabledWithFrame[i], TRUE);
    }
    g_disabledCount = 0;
  }
  return CallWindowProcA(g_staticProcedure, window, message, wParam, lParam);
}
#endif

// The main window is of a predefined class, so it takes the frame's part by
// having its window procedure replaced.
bool ActAsFrame(HWND window) {
#ifdef _WIN32
  g_staticProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProcedure)));
  return g_staticProcedure != nullptr;
#else
  return StandInWindows_ActAsFrame(window);
#endif
}

}  // namespace

HostWindow::HostWindow(bool shown, bool palette) {
  // A predefined class, so that nothing needs registering: the window shows
  // its title and takes no part in the import but being there.
  window_ =
      CreateWindowExA(0, "STATIC", kTitle, WS_OVERLAPPEDWINDOW | (shown ? WS_VISIBLE : 0u),
                      CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr, nullptr);
  if (window_ == nullptr || !palette || !ActAsFrame(window_)) return;
  // Shown after the main window, so it is made active: the user ran the
  // command from it.
  palette_ =
      CreateWindowExA(0, "STATIC", kPaletteTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                      CW_USEDEFAULT, 240, 120, window_, nullptr, nullptr, nullptr);
  if (palette_ != nullptr) SetActiveWindow(palette_);
}

HostWindow::~HostWindow() {
  if (palette_ != nullptr) DestroyWindow(palette_);
  if (window_ != nullptr) DestroyWindow(window_);
}

bool HostWindow::EnabledOrAbsent() const {
  return window_ == nullptr || IsWindowEnabled(window_) != FALSE;
}

bool HostWindow::InFront() const {
  const HWND front = GetForegroundWindow();
  return window_ != nullptr && (front == window_ || (palette_ != nullptr && front == palette_));
}

bool HostWindow::WorkingWindowInFront() const {
  return window_ != nullptr && GetForegroundWindow() == (palette_ != nullptr ? palette_ : window_);
}
