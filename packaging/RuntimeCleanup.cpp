// Gives back, when a host unloads the library with FreeLibrary, what the
// statically linked C++ runtime takes and would otherwise leave behind.
//
// A host may create and destroy the plug-in object for every use, and so
// load and unload both libraries each time. Every load is a fresh copy of
// the runtime, and three of its parts never give back what they took:
//  - The exception-handling runtime allocates an emergency pool for
//    exceptions at start-up (some 18 KB on 32-bit), and frees it only in
//    __gnu_cxx::__freeres, which nothing calls on Windows.
//  - The per-thread exception state (__cxa_get_globals) is an emulated
//    thread-local variable: its first use takes a TLS slot and a semaphore
//    and allocates a per-thread block, and nothing gives them back when the
//    library unloads. A process has at most 1,088 TLS slots, so a host that
//    reloads the plug-in would run out of them after that many failed
//    imports.
//  - On 32-bit Windows the unwinder registers the library's frame tables at
//    start-up, and that makes a semaphore for the registry's lock, which
//    deregistration leaves open: one handle a load. (The emergency pool's
//    lock has a semaphore too, which the runtime's exit functions close.)
// The per-thread exception state is therefore kept here, in one TLS slot
// that this library takes when it is loaded and gives back when it is
// unloaded; the runtime's own version is then not linked at all. The
// library's entry point runs the runtime's one and, once that has run the
// library's exit functions, frees the rest, and closes the semaphores that
// the runtime made and left open: the linker points the library's imports
// of CreateSemaphoreW and CloseHandle at the recorders below (the
// linker's --wrap). At process exit the entry point calls nothing, not even
// the runtime's entry point (LibraryEntry.cpp says why): the process's
// memory and handles go with it, and other threads may have stopped
// anywhere.
#include <windows.h>

#include <cstdlib>

#include "ImportEntries.h"
#include "LibraryEntry.h"

namespace __cxxabiv1 {
/// The runtime's per-thread exception state, laid out as the runtime
/// declares it: the stack of caught exceptions and the count of uncaught
/// ones.
struct __cxa_eh_globals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};
}  // namespace __cxxabiv1

namespace __gnu_cxx {
/// Frees the runtime's emergency exception pool (libstdc++).
void __freeres() noexcept;
}  // namespace __gnu_cxx

/// The C runtime's entry point of a library (MinGW-w64's CRT).
extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);

namespace {

// ---- Semaphores the runtime makes ----------------------------------------

using CreateSemaphoreFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);
using CloseHandleFunction = BOOL(WINAPI*)(HANDLE);

// The runtime makes two (the locks of the emergency pool and of the frame
// registry), while the library loads, under the loader's lock. Its exit
// functions close the pool's; the registry's stays open until
// CloseRecordedSemaphores. The record takes no lock of its own: a
// semaphore made later by two threads at once could at worst go
// unrecorded and stay open, as without the record; more than this many
// are not recorded either.
constexpr int kMaxRecordedSemaphores = 16;
HANDLE openSemaphores[kMaxRecordedSemaphores];

}  // namespace

// The library's own import entries.
extern "C" CreateSemaphoreFunction realCreateSemaphore __asm__(
    KELVADO_IMPORT_ENTRY("__real_", "CreateSemaphoreW", "16"));
extern "C" CloseHandleFunction realCloseHandle __asm__(KELVADO_IMPORT_ENTRY("__real_",
                                                                            "CloseHandle", "4"));

namespace {

HANDLE WINAPI RecordingCreateSemaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                       LPCWSTR name) {
  const HANDLE semaphore = realCreateSemaphore(security, initial, maximum, name);
  for (HANDLE& entry : openSemaphores) {
    if (semaphore == nullptr || entry != nullptr) continue;
    entry = semaphore;
    break;
  }
  return semaphore;
}

BOOL WINAPI RecordingCloseHandle(HANDLE handle) {
  for (HANDLE& entry : openSemaphores) {
    if (handle != nullptr && entry == handle) entry = nullptr;
  }
  return realCloseHandle(handle);
}

// Only after the library's exit functions: no lock of the runtime is taken
// any more.
void CloseRecordedSemaphores() {
  for (HANDLE& entry : openSemaphores) {
    if (entry != nullptr) realCloseHandle(entry);
    entry = nullptr;
  }
}

}  // namespace

// What the library's code calls through instead of its import entries.
extern "C" {
extern const CreateSemaphoreFunction wrappedCreateSemaphore __asm__(
    KELVADO_IMPORT_ENTRY("__wrap_", "CreateSemaphoreW", "16"));
extern const CloseHandleFunction wrappedCloseHandle __asm__(KELVADO_IMPORT_ENTRY("__wrap_",
                                                                                 "CloseHandle",
                                                                                 "4"));
const CreateSemaphoreFunction wrappedCreateSemaphore __asm__(
    KELVADO_IMPORT_ENTRY("__wrap_", "CreateSemaphoreW", "16")) = &RecordingCreateSemaphore;
const CloseHandleFunction wrappedCloseHandle __asm__(
    KELVADO_IMPORT_ENTRY("__wrap_", "CloseHandle", "4")) = &RecordingCloseHandle;
}

namespace {

using __cxxabiv1::__cxa_eh_globals;

/// One thread's exception state, in the list of all of them.
struct ThreadState {
  __cxa_eh_globals globals;  // first, so the block's address is the state's
  ThreadState* next;
  ThreadState* previous;
};

bool isSetUp = false;
DWORD stateSlot = TLS_OUT_OF_INDEXES;
CRITICAL_SECTION listLock;
ThreadState* threads = nullptr;
// For a thread whose own block cannot be allocated, and for every thread
// if no TLS slot was free: shared, which is sound for one thread, the way
// hosts call the plug-in.
__cxa_eh_globals sharedState = {nullptr, 0};

void Link(ThreadState* state) {
  EnterCriticalSection(&listLock);
  state->next = threads;
  if (threads != nullptr) threads->previous = state;
  threads = state;
  LeaveCriticalSection(&listLock);
}

void Unlink(ThreadState* state) {
  EnterCriticalSection(&listLock);
  if (state->previous != nullptr) state->previous->next = state->next;
  if (state->next != nullptr) state->next->previous = state->previous;
  if (threads == state) threads = state->next;
  LeaveCriticalSection(&listLock);
}

__cxa_eh_globals* NewThreadState() {
  auto* state = static_cast<ThreadState*>(std::calloc(1, sizeof(ThreadState)));
  if (state == nullptr) return &sharedState;
  // A slot numbered 64 or more needs memory of its own for this thread, so
  // setting it can fail. A block the slot does not hold would be lost, and
  // every later call would make a new one, so that a rethrow would find no
  // caught exception: the thread takes the shared state instead.
  if (!TlsSetValue(stateSlot, state)) {
    std::free(state);
    return &sharedState;
  }
  Link(state);
  return &state->globals;
}

void SetUp() {
  InitializeCriticalSection(&listLock);
  stateSlot = TlsAlloc();
  isSetUp = true;
}

// The calling thread ends: its block goes.
void FreeThreadState() {
  if (stateSlot == TLS_OUT_OF_INDEXES) return;
  auto* state = static_cast<ThreadState*>(TlsGetValue(stateSlot));
  if (state == nullptr) return;
  TlsSetValue(stateSlot, nullptr);
  Unlink(state);
  std::free(state);
}

// Runs after the C runtime's exit functions, so nothing of the library
// throws or catches any more.
void TearDown() {
  if (!isSetUp) return;
  isSetUp = false;
  while (threads != nullptr) {
    ThreadState* next = threads->next;
    std::free(threads);
    threads = next;
  }
  if (stateSlot != TLS_OUT_OF_INDEXES) TlsFree(stateSlot);
  stateSlot = TLS_OUT_OF_INDEXES;
  DeleteCriticalSection(&listLock);
  __gnu_cxx::__freeres();
  CloseRecordedSemaphores();
}

}  // namespace

/// This thread's exception state (the runtime's hook); made on first use.
extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
  if (stateSlot == TLS_OUT_OF_INDEXES) return &sharedState;
  // The runtime asks in the middle of throwing, where the caller may still
  // read the last error of the call that failed.
  const DWORD lastError = GetLastError();
  auto* state = static_cast<ThreadState*>(TlsGetValue(stateSlot));
  __cxa_eh_globals* globals = state != nullptr ? &state->globals : NewThreadState();
  SetLastError(lastError);
  return globals;
}

/// The same state; the runtime calls it once the state exists.
extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

/// The library's entry point (the linker's --entry): the C runtime's own,
/// with the runtime's state set up before it and given back after it; at
/// process exit, nothing.
extern "C" BOOL WINAPI RuntimeCleanupEntry(HANDLE module, DWORD reason, LPVOID reserved) {
  static constexpr LibraryEntrySteps kSteps = {&SetUp, &DllMainCRTStartup, &FreeThreadState,
                                               &TearDown};
  return RunLibraryEntry(kSteps, module, reason, reserved);
}
