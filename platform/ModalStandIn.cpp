#include "ModalStandIn.h"

ModalStandIn::ModalStandIn(HWND owner, LPCSTR title, UINT boxStyle) noexcept : owner_(owner) {
  if (owner_ == nullptr && (boxStyle & MB_TASKMODAL) != 0) {
    EnumThreadWindows(GetCurrentThreadId(), &ModalStandIn::DisableForTheTask,
                      reinterpret_cast<LPARAM>(this));
  }
  // The owner first, as the dialog manager does: the window shown next is
  // then the only one of the owner's that takes input.
  ownerWasEnabled_ = owner_ != nullptr && IsWindowEnabled(owner_) != FALSE;
  if (ownerWasEnabled_) EnableWindow(owner_, FALSE);
#ifndef _WIN32
  window_ = CreateWindowExA(0, "#32770", title, WS_POPUP | WS_VISIBLE, 0, 0, 300, 120, owner_,
                            nullptr, nullptr, nullptr);
#else
  (void)title;
#endif
}

ModalStandIn::~ModalStandIn() {
  // Enabled before the window goes: a disabled owner would be passed over,
  // and activation would go to another program's window.
  if (ownerWasEnabled_) EnableWindow(owner_, TRUE);
  for (size_t i = taskDisabledCount_; i-- > 0;) EnableWindow(taskDisabled_[i], TRUE);
  if (window_ != nullptr) DestroyWindow(window_);
}

BOOL CALLBACK ModalStandIn::DisableForTheTask(HWND window, LPARAM self) {
  auto& box = *reinterpret_cast<ModalStandIn*>(self);
  // A window disabled already stays as its program wants it.
  if (!IsWindowEnabled(window)) return TRUE;
  if (box.taskDisabledCount_ == kMaxTaskWindows) return FALSE;
  box.taskDisabled_[box.taskDisabledCount_++] = window;
  EnableWindow(window, FALSE);
  return TRUE;
}
