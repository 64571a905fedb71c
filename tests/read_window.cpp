// Prints what a top-level window shows, for tests that drive the real
// dialogs: the window's own text, then one line per descendant control:
//   read_window TITLE
//   window "TITLE"              (followed by " disabled" when it takes no input)
//   owner "OWNER TITLE"         (or "owner none" for a window nobody owns)
//   control CLASS ID "TEXT"
// Texts are read with WM_GETTEXT, which the system carries across processes;
// line breaks print as \n. Exit status 1 when no such window exists.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// A window's text, asked for with a bound on how long its owner may take.
std::string WindowText(HWND window) {
  char text[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return "";
  }
  std::string out;
  for (const char* c = text; *c; ++c) {
    if (*c == '\n')
      out += "\\n";
    else if (*c != '\r')
      out += *c;
  }
  return out;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  char className[128] = {};
  GetClassNameA(control, className, sizeof className);
  std::printf("control %s %ld \"%s\"%s\n", className, static_cast<long>(GetDlgCtrlID(control)),
              WindowText(control).c_str(), IsWindowVisible(control) ? "" : " hidden");
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_window TITLE\n");
    return 2;
  }
  HWND window = FindWindowA(nullptr, argv[1]);
  if (!window) {
    std::fprintf(stderr, "no window titled \"%s\"\n", argv[1]);
    return 1;
  }
  std::printf("window \"%s\"%s\n", WindowText(window).c_str(),
              IsWindowEnabled(window) ? "" : " disabled");
  // Activation returns to the owner when the window goes, so tests check who it is.
  const HWND owner = GetWindow(window, GW_OWNER);
  if (owner == nullptr)
    std::printf("owner none\n");
  else
    std::printf("owner \"%s\"\n", WindowText(owner).c_str());
  EnumChildWindows(window, PrintControl, 0);  // every descendant, depth first
  std::fflush(stdout);
  return 0;
}
