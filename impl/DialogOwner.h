// The window that the import's dialog and error box belong to. Owned, they
// are modal for it as Windows' own modal dialogs are: the owner is disabled
// while they show and enabled again before they go, so activation returns
// to the host rather than to another program's window; they stay above the
// host and open on its monitor.
#pragma once

#include "Win32Api.h"

/// The window the user ran the command from, or the window that window
/// belongs to: starting from the window active on the calling thread (from
/// its owner when it is hidden, such as the window behind a notification
/// area menu), the owner chain is followed up while the next window up is
/// this thread's, visible and enabled. So a tool palette or a modeless
/// window gives way to the main window that owns it, whose disabling may
/// disable the palette too, while a modal dialog of the host's own stays
/// the owner, since its owner is disabled. Failing an active window, the
/// thread's first visible top-level window that has no owner itself;
/// failing that, null. Never the desktop or the foreground window, which
/// may be another program's. Call it before the first dialog, while the
/// host's window is still active. Never throws and allocates nothing.
HWND ChooseDialogOwner() noexcept;
