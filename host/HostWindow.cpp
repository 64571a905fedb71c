#include "HostWindow.h"

namespace {

constexpr char kTitle[] = "Kelvado stand-in host";

}  // namespace

HostWindow::HostWindow(bool shown) {
  // A predefined class, so that nothing needs registering: the window shows
  // its title and takes no part in the import but being there.
  window_ =
      CreateWindowExA(0, "STATIC", kTitle, WS_OVERLAPPEDWINDOW | (shown ? WS_VISIBLE : 0u),
                      CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr, nullptr);
}

HostWindow::~HostWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool HostWindow::EnabledOrAbsent() const {
  return window_ == nullptr || IsWindowEnabled(window_) != FALSE;
}

bool HostWindow::InFront() const { return window_ != nullptr && GetForegroundWindow() == window_; }
