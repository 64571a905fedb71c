#include "ModalScope.h"

TModalScope::TModalScope() noexcept : active_(GetActiveWindow()) {
  EnumThreadWindows(GetCurrentThreadId(), &TModalScope::DisableIfEnabled,
                    reinterpret_cast<LPARAM>(this));
}

TModalScope::~TModalScope() {
  // Enabled before activation is given back, so that the window activated
  // takes input at once.
  for (auto window = disabled_.rbegin(); window != disabled_.rend(); ++window)
    EnableWindow(*window, TRUE);
  if (active_ != nullptr) SetActiveWindow(active_);
}

BOOL CALLBACK TModalScope::DisableIfEnabled(HWND window, LPARAM self) {
  auto& scope = *reinterpret_cast<TModalScope*>(self);
  // A window the host disabled itself stays as the host wants it.
  if (!IsWindowEnabled(window)) return TRUE;
  // Recorded first, so that no window is disabled without being enabled
  // again; nothing may be thrown through the system's enumeration.
  try {
    scope.disabled_.push_back(window);
  } catch (...) {
    return TRUE;
  }
  EnableWindow(window, FALSE);
  return TRUE;
}
