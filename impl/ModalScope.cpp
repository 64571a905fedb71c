#include "ModalScope.h"

TModalScope::TModalScope() noexcept : active_(GetActiveWindow()) {
  EnumThreadWindows(GetCurrentThreadId(), &TModalScope::DisableIfEnabled,
                    reinterpret_cast<LPARAM>(this));
}

TModalScope::~TModalScope() {
  // Enabled before activation is given back, so that the window activated
  // takes input at once.
  for (size_t i = disabledCount_; i-- > 0;) EnableWindow(disabled_[i], TRUE);
  if (active_ != nullptr) SetActiveWindow(active_);
}

BOOL CALLBACK TModalScope::DisableIfEnabled(HWND window, LPARAM self) {
  auto& scope = *reinterpret_cast<TModalScope*>(self);
  // A window the host disabled itself stays as the host wants it.
  if (!IsWindowEnabled(window)) return TRUE;
  // Recorded first, so that no window is disabled without being enabled
  // again.
  if (scope.disabledCount_ == kMaxWindows) return FALSE;
  scope.disabled_[scope.disabledCount_++] = window;
  EnableWindow(window, FALSE);
  return TRUE;
}
