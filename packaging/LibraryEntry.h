// The order of what a plug-in library's entry point does for each reason
// Windows calls it with, apart from what each step does, so that tests can
// watch it with steps of their own.
#pragma once

#include <windows.h>

/// The steps of a library's entry point (packaging/RuntimeCleanup.cpp).
struct LibraryEntrySteps {
  /// Before the C runtime's entry point, when the library is loaded.
  void (*setUp)();
  /// The C runtime's entry point: its start-up, or its exit functions.
  BOOL(WINAPI* runtimeEntry)(HANDLE module, DWORD reason, LPVOID reserved);
  /// After the runtime's entry point, when a thread ends.
  void (*threadEnded)();
  /// After the runtime's entry point, when FreeLibrary unloads the library.
  void (*tearDown)();
};

/// Runs the steps that `reason` and `reserved` call for and returns what the
/// entry point returns. When the process is ending (DLL_PROCESS_DETACH with
/// a non-null `reserved`) it runs none and returns TRUE.
BOOL RunLibraryEntry(const LibraryEntrySteps& steps, HANDLE module, DWORD reason, LPVOID reserved);
