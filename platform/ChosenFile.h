// What Windows' open-file dialog does to the process with the path the user
// chose, for the dialogs that the platform answers itself (the scripted
// user's on both targets, the terminal chooser on Linux): with no flag set,
// the real dialog hands back a full path and moves the process's current
// folder to the folder of that file, so a caller is tested against the
// folder it would find after a real dialog.
#pragma once

#include <string>

/// `path` made full against the current folder, as the dialog writes it
/// back; `path` itself when it cannot be made full. Afterwards the current
/// folder is the folder the full path names, where that folder exists.
std::string TakeAsChosenFile(const std::string& path);

/// Moves the current folder into `folder`, as walking into it in the dialog
/// does on the Windows versions whose dialog follows each folder entered,
/// even when the dialog is then cancelled. A folder that does not exist
/// leaves the current folder as it is.
void WalkIntoFolder(const std::string& folder);
