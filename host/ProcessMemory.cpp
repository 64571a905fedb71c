#include "ProcessMemory.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <dirent.h>
#include <pthread.h>

#include <fstream>
#endif

namespace {

#ifdef _WIN32
bool ReadMemoryCounters(PROCESS_MEMORY_COUNTERS_EX& counters) {
  counters = PROCESS_MEMORY_COUNTERS_EX{};
  counters.cb = sizeof counters;
  return K32GetProcessMemoryInfo(
      GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
}

// Windows gives the process's commit charge in both fields; Wine 8 leaves
// PrivateUsage at 0 and fills PagefileUsage alone.
int64_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters;
  if (!ReadMemoryCounters(counters)) return -1;
  const SIZE_T bytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
  return static_cast<int64_t>(bytes);
}

const char* PrivateBytesSource() {
  PROCESS_MEMORY_COUNTERS_EX counters;
  if (ReadMemoryCounters(counters) && counters.PrivateUsage == 0) {
    return "PagefileUsage of GetProcessMemoryInfo, its PrivateUsage reading 0";
  }
  return "PrivateUsage of GetProcessMemoryInfo";
}

DWORD HandleCount() {
  DWORD count = 0;
  return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : 0;
}

// The slot of a handle made now: the lowest free one under Wine, so every
// handle left open below it raises it by one.
int64_t FirstFreeHandleSlot() {
  const HANDLE process = GetCurrentProcess();
  HANDLE probe = nullptr;
  if (!DuplicateHandle(process, process, process, &probe, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return -1;
  }
  CloseHandle(probe);
  return static_cast<int64_t>(reinterpret_cast<ULONG_PTR>(probe) / 4);
}

// Wine 8 answers GetProcessHandleCount with 0; the lowest free handle slot
// then stands in for the count.
int64_t Handles() {
  const DWORD count = HandleCount();
  return count != 0 ? static_cast<int64_t>(count) : FirstFreeHandleSlot();
}

const char* HandlesSource() {
  if (HandleCount() != 0) return "GetProcessHandleCount";
  return "the lowest free handle slot, GetProcessHandleCount reading 0";
}

// A slot that a library took and never gave back stays taken, so the slot
// that the next request gets climbs with every leaked one.
int64_t FirstFreeSlot() {
  const DWORD slot = TlsAlloc();
  if (slot == TLS_OUT_OF_INDEXES) return -1;
  TlsFree(slot);
  return static_cast<int64_t>(slot);
}
#else
// Anonymous resident memory and what of it was swapped out: the private
// memory that the heap and the libraries' writable data occupy. Wine reads
// its PrivateUsage from the same two lines.
int64_t PrivateBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  int64_t total = 0;
  bool found = false;
  while (status >> key) {
    int64_t kilobytes = 0;
    if ((key == "RssAnon:" || key == "VmSwap:") && status >> kilobytes) {
      total += kilobytes * 1024;
      found = true;
    }
    status.ignore(1 << 16, '\n');
  }
  return found ? total : -1;
}

int64_t Handles() {
  DIR* folder = opendir("/proc/self/fd");
  if (folder == nullptr) return -1;
  int64_t count = 0;
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(folder);
  return count - 1;  // the listing's own descriptor
}

int64_t FirstFreeSlot() {
  pthread_key_t key;
  if (pthread_key_create(&key, nullptr) != 0) return -1;
  pthread_key_delete(key);
  return static_cast<int64_t>(key);
}
#endif

}  // namespace

ProcessResources SampleProcessResources() {
  ProcessResources sample;
  sample.privateBytes = PrivateBytes();
  sample.handles = Handles();
  sample.firstFreeSlot = FirstFreeSlot();
  return sample;
}

ProcessResourceSources DescribeProcessResources() {
#ifdef _WIN32
  return {PrivateBytesSource(), HandlesSource(), "TlsAlloc"};
#else
  return {"RssAnon and VmSwap of /proc/self/status", "entries of /proc/self/fd",
          "pthread_key_create"};
#endif
}
