#include "DialogOwner.h"

namespace {

// EnumThreadWindows' callback: stops at the first window that fits, which
// `found` (an HWND*) receives. An owned window (a tool palette, a tooltip)
// is passed over for the window it belongs to.
BOOL CALLBACK TakeFirstUnownedVisible(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HWND ChooseDialogOwner() noexcept {
  const HWND active = GetActiveWindow();
  // Threads that share their input state also share the active window; one
  // of another thread is not the host's thread's to disable.
  if (active != nullptr && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId())
    return active;
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &TakeFirstUnownedVisible,
                    reinterpret_cast<LPARAM>(&found));
  return found;
}
