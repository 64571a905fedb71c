// Another program for the dialog tests: one visible window, "Kelvado other
// program", that stands behind the host as a browser or Explorer would. The
// import must never hand it activation while the host is there, so it
// prints a line each time it is activated, saying whether the stand-in
// host's main window was showing then:
//   ready                            (its window is up)
//   activated while the host showed  (a fault of the import)
//   activated                        (before the host came, or after it went)
// It ends when its window is closed or its process is ended.
#include <windows.h>

#include <cstdio>

namespace {

constexpr char kClassName[] = "KelvadoOtherProgram";
constexpr char kTitle[] = "Kelvado other program";
constexpr char kHostTitle[] = "Kelvado stand-in host";

// FindWindowA sends no message, so it is safe while the activation is in
// progress; a host window that is being destroyed is hidden first.
bool HostShowing() {
  const HWND host = FindWindowA(nullptr, kHostTitle);
  return host != nullptr && IsWindowVisible(host);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
    std::printf(HostShowing() ? "activated while the host showed\n" : "activated\n");
    std::fflush(stdout);
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassA(&windowClass) == 0) return 1;
  // Where the host's window, made later, covers it only in part.
  const HWND window =
      CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 250, 400, 300,
                      nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
