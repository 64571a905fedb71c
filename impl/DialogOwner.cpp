#include "DialogOwner.h"

namespace {

/// Longer owner chains than any host makes; a bound, so that a chain that
/// changes while it is followed cannot keep the walk going.
constexpr int kMaxOwnerSteps = 64;

bool IsThisThreads(HWND window) {
  return window != nullptr && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// EnumThreadWindows' callback: stops at the first window that fits, which
// `found` (an HWND*) receives. An owned window (a tool palette, a tooltip)
// is passed over for the window it belongs to.
BOOL CALLBACK TakeFirstUnownedVisible(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Where the walk starts: the active window, or for a hidden one the first
// visible window up its owner chain. A hidden owner would leave the dialog
// without a taskbar button and nothing to return to. Null when there is
// none of this thread's.
HWND VisibleStart(HWND active) {
  HWND window = active;
  for (int step = 0; IsThisThreads(window) && step < kMaxOwnerSteps; ++step) {
    if (IsWindowVisible(window)) return window;
    window = GetWindow(window, GW_OWNER);
  }
  return nullptr;
}

// Up the owner chain while the next window takes input. A disabled one
// stops the walk: the host disabled it for a modal window of its own, which
// is then where the user is.
HWND TopOfTheChainTakingInput(HWND start) {
  HWND window = start;
  for (int step = 0; step < kMaxOwnerSteps; ++step) {
    const HWND owner = GetWindow(window, GW_OWNER);
    if (!IsThisThreads(owner) || !IsWindowVisible(owner) || !IsWindowEnabled(owner)) break;
    window = owner;
  }
  return window;
}

}  // namespace

HWND ChooseDialogOwner() noexcept {
  // Threads that share their input state also share the active window; one
  // of another thread is not the host's thread's to disable.
  const HWND start = VisibleStart(GetActiveWindow());
  if (start != nullptr) return TopOfTheChainTakingInput(start);
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &TakeFirstUnownedVisible,
                    reinterpret_cast<LPARAM>(&found));
  return found;
}
