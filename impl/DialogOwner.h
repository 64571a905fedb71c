// The window that the import's dialog and error box belong to. Owned, they
// are modal for it as Windows' own modal dialogs are: the owner is disabled
// while they show and enabled again before they go, so activation returns
// to the host rather than to another program's window; they stay above the
// host and open on its monitor.
#pragma once

#include "Win32Api.h"

/// The window active on the calling thread, from which the user ran the
/// command (the host's main window, or a dialog of the host's own); failing
/// that, the thread's first visible top-level window that has no owner
/// itself; failing that, null. Never the desktop or the foreground window,
/// which may be another program's. Call it before the first dialog, while
/// the host's window is still active. Never throws and allocates nothing.
HWND ChooseDialogOwner() noexcept;
