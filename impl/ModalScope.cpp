#include "ModalScope.h"

TModalScope::TModalScope(HWND owner) noexcept : owner_(owner) {
  EnumThreadWindows(GetCurrentThreadId(), &TModalScope::DisableIfTakingInput,
                    reinterpret_cast<LPARAM>(this));
}

TModalScope::~TModalScope() {
  for (size_t i = disabledCount_; i-- > 0;) EnableWindow(disabled_[i], TRUE);
}

BOOL CALLBACK TModalScope::DisableIfTakingInput(HWND window, LPARAM self) {
  auto& scope = *reinterpret_cast<TModalScope*>(self);
  // The owner is the dialog's to disable: it must be enabled again before
  // the dialog goes, which only the dialog can do.
  if (window == scope.owner_) return TRUE;
  // Nobody can click a hidden window, and a window the host disabled itself
  // stays as the host wants it.
  if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  // Recorded first, so that no window is disabled without being enabled
  // again.
  if (scope.disabledCount_ == kMaxWindows) return FALSE;
  scope.disabled_[scope.disabledCount_++] = window;
  EnableWindow(window, FALSE);
  return TRUE;
}
