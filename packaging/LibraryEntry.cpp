#include "LibraryEntry.h"

BOOL RunLibraryEntry(const LibraryEntrySteps& steps, HANDLE module, DWORD reason, LPVOID reserved) {
  // A non-null `reserved` on detach means the process is ending. Its other
  // threads were stopped wherever they were, perhaps in the middle of a
  // throw, holding the unwinder's lock, which the runtime's exit functions
  // would wait for forever (deregistering the frame tables takes it). What
  // they and the tear-down would give back goes with the process anyway.
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) return TRUE;
  if (reason == DLL_PROCESS_ATTACH) steps.setUp();
  const BOOL result = steps.runtimeEntry(module, reason, reserved);
  if (reason == DLL_THREAD_DETACH) steps.threadEnded();
  // Here a detach is FreeLibrary's (or a failed load's).
  if (reason == DLL_PROCESS_DETACH) steps.tearDown();
  return result;
}
