// A terminal message box: the caption and the text go to stderr, and the
// box waits for Enter only where a person can press it.
#include <unistd.h>

#include <cstdio>

#include "ModalStandIn.h"
#include "UserScriptHooks.h"
#include "Win32Api.h"

namespace {

int TerminalMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
  // Windows shows "Error" for a box without a caption.
  std::fprintf(stderr, "[%s]\n%s\n", caption != nullptr ? caption : "Error",
               text != nullptr ? text : "");
  if (isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "(press Enter)");
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
  }
  std::fflush(stderr);
  return IDOK;
}

// The terminal box as a window of its own, modal for its owner.
int ModalTerminalMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const ModalStandIn box(owner, caption, type);
  return TerminalMessageBox(owner, text, caption, type);
}

}  // namespace

extern "C" int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (UserScript_IsOn()) {
    return UserScript_ShowMessageBox(owner, text, caption, type, ModalTerminalMessageBox);
  }
  return ModalTerminalMessageBox(owner, text, caption, type);
}
