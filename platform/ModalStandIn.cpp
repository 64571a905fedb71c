#include "ModalStandIn.h"

ModalStandIn::ModalStandIn(HWND owner, LPCSTR title) noexcept : owner_(owner) {
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
  if (window_ != nullptr) DestroyWindow(window_);
}
