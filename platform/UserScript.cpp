#include "UserScript.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>

#include "ChosenFile.h"
#include "ModalStandIn.h"
#include "UserScriptHooks.h"

namespace {

// The longest filter list read back from a request; real ones are far shorter.
constexpr size_t kMaxFilterLength = 4096;

// What a read from a medium that fails reports, and an allocation that
// finds no room.
#ifdef _WIN32
constexpr DWORD kReadFault = ERROR_READ_FAULT;
constexpr DWORD kNoMemory = ERROR_NOT_ENOUGH_MEMORY;
#else
constexpr DWORD kReadFault = EIO;
constexpr DWORD kNoMemory = ENOMEM;
#endif

constexpr size_t kCallKinds = 3;  // the members of UserScriptCall

/// One queued answer to a dialog.
struct Answer {
  std::optional<std::string> path;  ///< The file chosen, or nullopt for a cancel.
  std::string walkedInto;           ///< A folder entered before a cancel, or "".
};

struct Script {
  std::deque<Answer> answers;
  std::vector<UserScriptBox> boxes;
  std::vector<UserScriptDialog> dialogs;
  // The host's main window, or none.
  HWND watched = nullptr;
  bool passThrough = false;
  bool on = false;
  // Per UserScriptCall: 0, no call fails; 1, the next one does.
  unsigned callsUntilFailure[kCallKinds] = {};
  unsigned calls[kCallKinds] = {};
  DWORD extraFileSize = 0;
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

// Counts a call of `call`; true when it is the one picked to fail.
bool CountAndPick(UserScriptCall call) {
  Script& script = TheScript();
  const auto kind = static_cast<size_t>(call);
  ++script.calls[kind];
  unsigned& untilFailure = script.callsUntilFailure[kind];
  return untilFailure != 0 && --untilFailure == 0;
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

// Writes the chosen path as the real dialog does: made full, with the
// offsets of its file part and extension, the current folder moved to its
// folder (even when the buffer is then too short for it).
BOOL WriteAnswer(LPOPENFILENAMEA request, const std::string& chosen) {
  const std::string path = TakeAsChosenFile(chosen);
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
  const auto record = [&] {
    script.boxes.push_back(UserScriptBox{owner, TextOrEmpty(caption), TextOrEmpty(text), style,
                                         WatchedWindowEnabled()});
  };
  if (script.passThrough) {
    record();
    return real(owner, text, caption, style);
  }
  // Answered here, so it must treat its owner as the real box would.
  const ModalStandIn box(owner, caption, style);
  record();
  return IDOK;
}

BOOL UserScript_ShowOpenFileName(LPOPENFILENAMEA request, OpenFileNameFunction real) {
  Script& script = TheScript();
  if (request == nullptr) return FALSE;
  const auto record = [&] {
    script.dialogs.push_back(DescribeRequest(*request));
    script.dialogs.back().hostWindowEnabled = WatchedWindowEnabled();
  };
  if (script.answers.empty() && script.passThrough) {
    record();
    return real(request);
  }
  // Answered here, so it must treat its owner as the real dialog would.
  const ModalStandIn dialog(request->hwndOwner, request->lpstrTitle);
  record();
  if (script.answers.empty()) return FALSE;
  const Answer answer = script.answers.front();
  script.answers.pop_front();
  if (answer.path) return WriteAnswer(request, *answer.path);
  WalkIntoFolder(answer.walkedInto);
  return FALSE;
}

BOOL UserScript_ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                         LPOVERLAPPED overlapped, ReadFileFunction real) {
  if (!CountAndPick(UserScriptCall::kReadFile)) return real(file, buffer, toRead, read, overlapped);
  if (read != nullptr) *read = 0;
  SetLastError(kReadFault);
  return FALSE;
}

DWORD UserScript_GetFileSize(HANDLE file, LPDWORD sizeHigh, FileSizeFunction real) {
  if (CountAndPick(UserScriptCall::kGetFileSize)) {
    SetLastError(kReadFault);
    return INVALID_FILE_SIZE;
  }
  if (TheScript().extraFileSize == 0) return real(file, sizeHigh);
  // A size of INVALID_FILE_SIZE is a failure only with an error set.
  SetLastError(0);
  DWORD high = 0;
  const DWORD low = real(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != 0) return low;
  const uint64_t size = ((uint64_t{high} << 32) | low) + TheScript().extraFileSize;
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

LPVOID UserScript_VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect,
                               VirtualAllocFunction real) {
  if (!CountAndPick(UserScriptCall::kVirtualAlloc))
    return real(address, size, allocationType, protect);
  SetLastError(kNoMemory);
  return nullptr;
}

void UserScript_FailRead(unsigned n) { UserScript_FailCall(UserScriptCall::kReadFile, n); }

void UserScript_FailCall(UserScriptCall call, unsigned n) {
  TheScript().callsUntilFailure[static_cast<size_t>(call)] = n;
}

unsigned UserScript_CallCount(UserScriptCall call) {
  return TheScript().calls[static_cast<size_t>(call)];
}

void UserScript_OverstateFileSize(DWORD extra) { TheScript().extraFileSize = extra; }

void UserScript_AnswerFileDialog(const std::string& path) {
  TheScript().answers.push_back(Answer{path, ""});
}

void UserScript_CancelFileDialog(const std::string& walkedInto) {
  TheScript().answers.push_back(Answer{std::nullopt, walkedInto});
}

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
  for (size_t kind = 0; kind < kCallKinds; ++kind) {
    script.callsUntilFailure[kind] = 0;
    script.calls[kind] = 0;
  }
  script.extraFileSize = 0;
}

#ifndef _WIN32
bool UserScript_Attach(HMODULE) {
  TheScript().on = true;
  return true;
}

bool UserScript_IsOn() { return TheScript().on; }

void UserScript_Detach() { TheScript().on = false; }
#endif
