// What the Linux window stand-ins (Win32Api.h) were asked to do, for tests
// that check how a caller treats the host's windows. Linux only: on Windows
// the real windows answer, and tests read their state instead.
#pragma once

#ifndef _WIN32
#include <string>
#include <vector>

/// The calls that enumerated, enabled or activated windows since the last
/// StandInWindows_ForgetCalls, one text each, in order, such as
/// "EnumThreadWindows(thread 2)", "EnableWindow(window 3, FALSE) = 0" or
/// "SetActiveWindow(window 3) = none". Windows are named by their handle's
/// number, threads by GetCurrentThreadId.
std::vector<std::string> StandInWindows_Calls();

/// Empties the call log.
void StandInWindows_ForgetCalls();
#endif
