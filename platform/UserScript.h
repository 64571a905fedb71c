// A scripted user for tests and the stand-in host program: it answers the
// open-file dialogs and the message boxes that the plug-in libraries show,
// and records what they showed; it can also make a file read fail, as a
// failing medium would. The same API on both targets:
//  - On Windows it patches the import address table entries for
//    MessageBoxA, GetOpenFileNameA, LoadLibraryA, ReadFile, GetFileSize and
//    VirtualAlloc of the modules it is attached to; nothing is added to the
//    system's own exports.
//  - On Linux the platform stand-ins consult it directly.
// A box or dialog that the script answers itself treats its owner as the
// real one does (ModalStandIn.h): the owner is disabled while it "shows",
// and enabled again before it goes. Single-threaded, like the modal dialogs
// it replaces.
#pragma once

#include <string>
#include <vector>

#include "Win32Api.h"

/// One message box as a scripted module showed it.
struct UserScriptBox {
  HWND owner = nullptr;  ///< The owner window passed in.
  std::string caption;   ///< The caption, "" for a null caption.
  std::string text;      ///< The text, "" for a null text.
  UINT style = 0;        ///< The style flags passed in.
  /// Whether the watched window (UserScript_WatchWindow) was enabled while
  /// the box showed; false when no window is watched. Under pass-through it
  /// is read before the real box shows.
  bool hostWindowEnabled = false;
};

/// One open-file request as a scripted module made it, read when the dialog
/// was opened, before it was answered.
struct UserScriptDialog {
  DWORD structSize = 0;          ///< lStructSize.
  HWND owner = nullptr;          ///< hwndOwner.
  std::string filter;            ///< lpstrFilter up to its closing empty string, NULs kept.
  DWORD filterIndex = 0;         ///< nFilterIndex.
  std::string initialFile;       ///< The buffer's text up to its first NUL (the proposed file).
  DWORD maxFile = 0;             ///< nMaxFile.
  std::string title;             ///< lpstrTitle, "" for null.
  DWORD flags = 0;               ///< Flags.
  std::string defaultExtension;  ///< lpstrDefExt, "" for null.
  /// Whether the watched window (UserScript_WatchWindow) was enabled while
  /// the dialog showed; false when no window is watched. Under pass-through
  /// it is read before the real dialog shows.
  bool hostWindowEnabled = false;
};

/// Puts a module's message boxes and file dialogs under the script and
/// returns true on success.
/// Windows: patches the module's import entries for MessageBoxA,
/// GetOpenFileNameA, LoadLibraryA, ReadFile, GetFileSize and VirtualAlloc;
/// every module that the patched
/// LoadLibraryA loads is attached in turn before the call returns, so
/// attaching Kelvado.dll right after loading it also covers the
/// KelvadoImpl.dll that its plug-in object loads. Attaching a module twice
/// is harmless. A module reloaded after it was unloaded must be attached
/// again. Returns false for a null module or one without readable imports.
/// Linux: the stand-ins serve every caller in the process, so this only
/// switches the script on (the module may be null); it returns true.
bool UserScript_Attach(HMODULE module);

/// Queues the answer to the next open-file dialog. As the real dialog does,
/// it makes `path` full against the current folder and moves the current
/// folder to the folder of the file, if that folder exists; then it returns
/// TRUE with the full path in the caller's buffer. A full path that does
/// not fit nMaxFile fails the dialog (FALSE), as the real one fails on a
/// short buffer; the current folder has moved all the same.
void UserScript_AnswerFileDialog(const std::string& path);

/// Queues a cancel for the next open-file dialog: it returns FALSE and
/// leaves the buffer unchanged. With `walkedInto`, the user first walks
/// into that folder, which moves the current folder there as the real
/// dialog does on the Windows versions that follow each folder entered.
void UserScript_CancelFileDialog(const std::string& walkedInto = "");

/// Chooses what happens when there is nothing scripted. With false (the
/// default) a dialog without a queued answer is cancelled and each message
/// box is recorded and answered IDOK without being shown. With true such a
/// dialog is shown for real, and each box is recorded and then shown for
/// real, its answer being returned (the real API on Windows, the terminal
/// box and chooser on Linux).
void UserScript_SetPassThrough(bool passThrough);

/// The message boxes shown by scripted modules since the last reset, in
/// the order shown.
const std::vector<UserScriptBox>& UserScript_Boxes();

/// The open-file dialogs opened by scripted modules since the last reset,
/// in order, answered or not.
const std::vector<UserScriptDialog>& UserScript_Dialogs();

/// Watches `window`, the host's main window, from now on: each box and
/// dialog records whether it was enabled while it showed. Null stops
/// watching. A reset keeps the watched window, as it keeps attached modules.
void UserScript_WatchWindow(HWND window);

/// Makes the `n`-th ReadFile call of the scripted modules from now on fail
/// (counting from 1), as a read from a failing medium or a lost network
/// share does: the call reads nothing and returns FALSE with a read fault
/// as the last error. 0 switches it off; it is off after the failure.
/// Windows: through the modules' import entries for ReadFile; Linux: the
/// stand-in consults it.
void UserScript_FailRead(unsigned n);

/// The file and memory calls of the scripted modules that a test can make
/// fail or count, beside ReadFile.
enum class UserScriptCall {
  kReadFile,      ///< A failure reads nothing: a read fault, as UserScript_FailRead.
  kGetFileSize,   ///< A failure returns INVALID_FILE_SIZE with a read fault as the
                  ///< last error, as a size query on a failing medium does.
  kVirtualAlloc,  ///< A failure returns null with "not enough memory" as the last
                  ///< error, as when the address space is used up.
};

/// Makes the `n`-th call of `call` by the scripted modules from now on fail
/// (counting from 1), as described for each call. 0 switches it off; it is
/// off after the failure. Each call has a failure of its own.
void UserScript_FailCall(UserScriptCall call, unsigned n);

/// The number of calls of `call` that the scripted modules made since the
/// last reset, the failed ones included.
unsigned UserScript_CallCount(UserScriptCall call);

/// Makes every GetFileSize call of the scripted modules report `extra`
/// bytes more than the file holds, as when the file shrinks between the
/// size query and its reads. 0 switches it off.
void UserScript_OverstateFileSize(DWORD extra);

/// Forgets the records, the queued answers and the call counts, and turns
/// pass-through, an overstated size and every pending failure off.
/// Attached modules stay attached.
void UserScript_Reset();

#ifndef _WIN32
/// Linux: switches the script off again, so that the stand-ins serve the
/// terminal as before the first UserScript_Attach; a test that attached
/// leaves the process as it found it. (Windows keeps the patched import
/// entries, which only the attached modules see.)
void UserScript_Detach();
#endif
