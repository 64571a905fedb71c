#include "LibraryEntry.h"

BOOL RunLibraryEntry(const LibraryEntrySteps& steps, HANDLE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) steps.setUp();
  const BOOL result = steps.runtimeEntry(module, reason, reserved);
  if (reason == DLL_THREAD_DETACH) steps.threadEnded();
  // A null `reserved` means FreeLibrary (or a failed load), not process exit.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) steps.tearDown();
  return result;
}
