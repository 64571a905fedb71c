#include "UserScript.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <optional>

#include "UserScriptHooks.h"

namespace {

// The longest filter list read back from a request; real ones are far shorter.
constexpr size_t kMaxFilterLength = 4096;

// What a read from a medium that fails reports.
#ifdef _WIN32
constexpr DWORD kReadFault = ERROR_READ_FAULT;
#else
constexpr DWORD kReadFault = EIO;
#endif

struct Script {
  std::deque<std::optional<std::string>> answers;  // A path, or nullopt for a cancel.
  std::vector<UserScriptBox> boxes;
  std::vector<UserScriptDialog> dialogs;
  // The host's main window, or none.
  HWND watched = nullptr;
  bool passThrough = false;
  bool on = false;
  unsigned readsUntilFailure = 0;  // 0: no read fails; 1: the next one does
};

Script& TheScript() {
  static Script script;
  return script;
}

// Read before a box or dialog is answered: while it shows.
bool WatchedWindowEnabled() {
  const HWND watched = TheScript().watched;
  return watched != nullptr && IsWindowEnabled(watched) != FALSE;
}

std::string TextOrEmpty(LPCSTR text) { return text != nullptr ? std::string(text) : std::string(); }

// The filter is a list of NUL-terminated strings closed by an empty one.
std::string FilterList(LPCSTR filter) {
  if (filter == nullptr || filter[0] == 0) return {};
  size_t length = 0;
  while (length < kMaxFilterLength && !(filter[length] == 0 && filter[length + 1] == 0)) ++length;
  return std::string(filter, length + 1);
}

UserScriptDialog DescribeRequest(const OPENFILENAMEA& request) {
  UserScriptDialog dialog;
  dialog.structSize = request.lStructSize;
  dialog.owner = request.hwndOwner;
  dialog.filter = FilterList(request.lpstrFilter);
  dialog.filterIndex = request.nFilterIndex;
  if (request.lpstrFile != nullptr) {
    dialog.initialFile.assign(request.lpstrFile, strnlen(request.lpstrFile, request.nMaxFile));
  }
  dialog.maxFile = request.nMaxFile;
  dialog.title = TextOrEmpty(request.lpstrTitle);
  dialog.flags = request.Flags;
  dialog.defaultExtension = TextOrEmpty(request.lpstrDefExt);
  return dialog;
}

// Writes the chosen path as the real dialog does: the whole path, with the
// offsets of its file part and extension.
BOOL WriteAnswer(LPOPENFILENAMEA request, const std::string& path) {
  if (request->lpstrFile == nullptr || path.size() + 1 > request->nMaxFile) return FALSE;
  std::memcpy(request->lpstrFile, path.c_str(), path.size() + 1);
  const size_t slash = path.find_last_of("\\/");
  const size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of('.');
  request->nFileOffset = static_cast<WORD>(fileStart);
  request->nFileExtension =
      static_cast<WORD>(dot == std::string::npos || dot < fileStart ? path.size() : dot + 1);
  return TRUE;
}

}  // namespace

int UserScript_ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style,
                              MessageBoxFunction real) {
  Script& script = TheScript();
  script.boxes.push_back(
      UserScriptBox{owner, TextOrEmpty(caption), TextOrEmpty(text), style, WatchedWindowEnabled()});
  if (script.passThrough) return real(owner, text, caption, style);
  return IDOK;
}

BOOL UserScript_ShowOpenFileName(LPOPENFILENAMEA request, OpenFileNameFunction real) {
  Script& script = TheScript();
  if (request == nullptr) return FALSE;
  script.dialogs.push_back(DescribeRequest(*request));
  script.dialogs.back().hostWindowEnabled = WatchedWindowEnabled();
  if (script.answers.empty()) return script.passThrough ? real(request) : FALSE;
  const std::optional<std::string> answer = script.answers.front();
  script.answers.pop_front();
  return answer ? WriteAnswer(request, *answer) : FALSE;
}

BOOL UserScript_ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                         LPOVERLAPPED overlapped, ReadFileFunction real) {
  Script& script = TheScript();
  if (script.readsUntilFailure == 0 || --script.readsUntilFailure > 0)
    return real(file, buffer, toRead, read, overlapped);
  if (read != nullptr) *read = 0;
  SetLastError(kReadFault);
  return FALSE;
}

void UserScript_FailRead(unsigned n) { TheScript().readsUntilFailure = n; }

void UserScript_AnswerFileDialog(const std::string& path) { TheScript().answers.push_back(path); }

void UserScript_CancelFileDialog() { TheScript().answers.push_back(std::nullopt); }

void UserScript_WatchWindow(HWND window) { TheScript().watched = window; }

void UserScript_SetPassThrough(bool passThrough) { TheScript().passThrough = passThrough; }

const std::vector<UserScriptBox>& UserScript_Boxes() { return TheScript().boxes; }

const std::vector<UserScriptDialog>& UserScript_Dialogs() { return TheScript().dialogs; }

void UserScript_Reset() {
  Script& script = TheScript();
  script.answers.clear();
  script.boxes.clear();
  script.dialogs.clear();
  script.passThrough = false;
  script.readsUntilFailure = 0;
}

#ifndef _WIN32
bool UserScript_Attach(HMODULE) {
  TheScript().on = true;
  return true;
}

bool UserScript_IsOn() { return TheScript().on; }
#endif
