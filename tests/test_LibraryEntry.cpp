// What the plug-in libraries' entry point runs for each reason Windows calls
// it with, watched through recording steps in place of the runtime's.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <string>

#include "LibraryEntry.h"

namespace {

std::string steps;

void RecordSetUp() { steps += "setUp "; }
void RecordThreadEnded() { steps += "threadEnded "; }
void RecordTearDown() { steps += "tearDown "; }

// Answers FALSE, so that each row shows whose answer the entry point returns.
BOOL WINAPI RecordRuntimeEntry(HANDLE, DWORD, LPVOID) {
  steps += "runtime ";
  return FALSE;
}

constexpr LibraryEntrySteps kRecordingSteps = {&RecordSetUp, &RecordRuntimeEntry,
                                               &RecordThreadEnded, &RecordTearDown};

// At process exit other threads have stopped wherever they were, perhaps
// holding a lock of the runtime that its exit functions would wait for
// forever, so nothing at all may run then.
TEST(LibraryEntry, RunsTheRuntimeExceptAtProcessExit) {
  int someValue = 0;
  void* const nonNull = &someValue;
  const struct {
    const char* what;
    DWORD reason;
    LPVOID reserved;
    std::string want;
    BOOL result;
  } cases[] = {
      {"LoadLibrary", DLL_PROCESS_ATTACH, nullptr, "setUp runtime ", FALSE},
      {"load with the process", DLL_PROCESS_ATTACH, nonNull, "setUp runtime ", FALSE},
      {"thread starts", DLL_THREAD_ATTACH, nullptr, "runtime ", FALSE},
      {"thread ends", DLL_THREAD_DETACH, nullptr, "runtime threadEnded ", FALSE},
      {"FreeLibrary", DLL_PROCESS_DETACH, nullptr, "runtime tearDown ", FALSE},
      {"process exit", DLL_PROCESS_DETACH, nonNull, "", TRUE},
  };
  for (const auto& c : cases) {
    steps.clear();
    EXPECT_EQ(RunLibraryEntry(kRecordingSteps, nullptr, c.reason, c.reserved), c.result) << c.what;
    EXPECT_EQ(steps, c.want) << c.what;
  }
}

}  // namespace
#endif
