#include "ProcessMemory.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <winternl.h>
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

/// One entry of the system's handle list (SystemHandleInformation).
struct SystemHandleEntry {
  ULONG ownerProcessId;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

// This process's entries in the system's list of every open handle.
int64_t ListedHandles() {
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  // Small at first: Wine gives a freed large block back to the system, and
  // touching it anew in a later reading would count as growth.
  std::vector<ULONG_PTR> buffer(1 << 10);
  NTSTATUS status;
  while ((status = query(kSystemHandleInformation, buffer.data(),
                         static_cast<ULONG>(buffer.size() * sizeof buffer[0]), nullptr)) ==
         kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return -1;
  const ULONG count = static_cast<ULONG>(buffer[0]);
  const auto* entries = reinterpret_cast<const SystemHandleEntry*>(&buffer[1]);
  int64_t own = 0;
  for (ULONG i = 0; i < count; ++i) own += entries[i].ownerProcessId == GetCurrentProcessId();
  return own;
}

// Wine 8 answers GetProcessHandleCount with 0; the system's handle list
// then gives the count.
int64_t Handles() {
  const DWORD count = HandleCount();
  return count != 0 ? static_cast<int64_t>(count) : ListedHandles();
}

const char* HandlesSource() {
  if (HandleCount() != 0) return "GetProcessHandleCount";
  return "the system's handle list, GetProcessHandleCount reading 0";
}

// Takes every slot there is, then gives them all back: a slot that a
// library kept is one fewer.
int64_t FreeTlsSlots() {
  std::vector<DWORD> taken;
  for (DWORD slot; (slot = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(slot);
  for (DWORD slot : taken) TlsFree(slot);
  return static_cast<int64_t>(taken.size());
}
#else
// Anonymous resident memory and what of it was swapped out: the private
// memory that the heap and the libraries' writable data occupy. Wine reads
// its PagefileUsage from the same two lines.
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

int64_t FreeTlsSlots() {
  std::vector<pthread_key_t> taken;
  for (pthread_key_t key; pthread_key_create(&key, nullptr) == 0;) taken.push_back(key);
  for (pthread_key_t key : taken) pthread_key_delete(key);
  return static_cast<int64_t>(taken.size());
}
#endif

}  // namespace

ProcessResources SampleProcessResources() {
  ProcessResources sample;
  sample.handles = Handles();
  sample.freeTlsSlots = FreeTlsSlots();
  sample.privateBytes = PrivateBytes();
  return sample;
}

int64_t ReadPrivateBytes() { return PrivateBytes(); }

ProcessResourceSources DescribeProcessResources() {
#ifdef _WIN32
  return {PrivateBytesSource(), HandlesSource(), "TlsAlloc until it fails"};
#else
  return {"RssAnon and VmSwap of /proc/self/status", "entries of /proc/self/fd",
          "pthread_key_create until it fails"};
#endif
}
