// What the Linux window stand-ins (Win32Api.h) were asked to do, for tests
// that check how a caller treats the host's windows. Linux only: on Windows
// the real windows answer, and tests read their state instead.
#pragma once

#ifndef _WIN32
#include <string>
#include <vector>

#include "Win32Api.h"

/// The calls that enumerated, enabled or activated windows since the last
/// StandInWindows_ForgetCalls, one text each, in order, such as
/// "EnumThreadWindows(thread 2)", "EnableWindow(window 3, FALSE) = 0" or
/// "SetActiveWindow(window 3) = none". Windows are named by their handle's
/// number, threads by GetCurrentThreadId.
std::vector<std::string> StandInWindows_Calls();

/// Empties the call log.
void StandInWindows_ForgetCalls();

/// Makes a visible, enabled top-level window of another program, such as a
/// browser behind the host: it belongs to no thread of this process, so no
/// call of the system's can enable, disable or activate it, but Windows
/// hands it activation, and the foreground, when the host lets both go. It
/// takes the foreground only when no window holds it. DestroyWindow ends
/// it. Null when no more windows can be made.
HWND StandInWindows_MakeOtherProgramWindow();

/// Brings `window` to the front as the user's click does: it becomes its
/// thread's active window, the topmost and the foreground window. False for
/// no window.
bool StandInWindows_BringToFront(HWND window);

/// Makes `frame` act as the frame windows of common class libraries do on
/// WM_ENABLE: from now on, disabling it also disables every enabled window
/// it owns (directly or through other owned windows), such as its tool
/// palettes, and enabling it again enables exactly those. Windows sends
/// WM_ENABLE before EnableWindow returns, so this happens within the call.
/// False for no window.
bool StandInWindows_ActAsFrame(HWND frame);

/// How often `window` became its thread's active window: when shown, made
/// active, brought to the front, or chosen by the system when the active
/// window went. 0 for no window.
unsigned StandInWindows_Activations(HWND window);
#endif
