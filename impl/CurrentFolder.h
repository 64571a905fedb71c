// Keeps the host's current folder where the host had it while the import's
// open-file dialog runs. The dialog moves the process's current folder to
// the folder of the file chosen (and, on some Windows versions, to each
// folder the user walks into, even when the dialog is then cancelled), and
// Windows offers the caller no flag that undoes this for an open dialog.
// Left there, the process would hold the user's model folder open (a USB
// stick could not be ejected), and the host would look for its own files,
// and the system for libraries, in that folder.
#pragma once

#include "Win32Api.h"

/// While alive, remembers the process's current folder; on destruction sets
/// it back. A folder that could not be read when the scope began, or that
/// cannot be entered any more when it ends (removed meanwhile), is left as
/// it is: nothing better can be done, and a full path chosen in the dialog
/// does not depend on it. Never throws and never allocates.
class TCurrentFolderScope {
 public:
  /// Reads the current folder.
  TCurrentFolderScope() noexcept;

  /// Sets the current folder back to the one read, if one was.
  ~TCurrentFolderScope();

  TCurrentFolderScope(const TCurrentFolderScope&) = delete;
  TCurrentFolderScope& operator=(const TCurrentFolderScope&) = delete;

 private:
  /// The folder with its NUL; empty when it could not be read whole.
  char folder_[MAX_PATH] = {};
};
