// POSIX stand-ins for the page calls the reader makes: reserve and commit
// pages in one step, give back committed pages, release a whole allocation.
#include <sys/mman.h>

#include <map>
#include <mutex>

#include "UserScriptHooks.h"
#include "Win32Api.h"

namespace {

// Windows releases an allocation by its address alone; munmap needs the
// size, so each allocation's size is kept here.
std::mutex allocationsLock;
std::map<void*, size_t> allocations;

LPVOID MapPages(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  if (address != nullptr || size == 0 || allocationType != (MEM_RESERVE | MEM_COMMIT) ||
      protect != PAGE_READWRITE) {
    return nullptr;  // only what the system asks for is provided
  }
  void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) return nullptr;
  std::lock_guard<std::mutex> guard(allocationsLock);
  allocations[pages] = size;
  return pages;
}

}  // namespace

extern "C" {

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  if (UserScript_IsOn()) {
    return UserScript_VirtualAlloc(address, size, allocationType, protect, &MapPages);
  }
  return MapPages(address, size, allocationType, protect);
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
  if (freeType == MEM_DECOMMIT) {
    // The memory goes back to the system, and the range faults when touched,
    // so that a read of released text shows in the tests as it would on
    // Windows.
    if (madvise(address, size, MADV_DONTNEED) != 0) return FALSE;
    return mprotect(address, size, PROT_NONE) == 0 ? TRUE : FALSE;
  }
  if (freeType != MEM_RELEASE || size != 0) return FALSE;
  std::lock_guard<std::mutex> guard(allocationsLock);
  auto found = allocations.find(address);
  if (found == allocations.end()) return FALSE;
  munmap(found->first, found->second);
  allocations.erase(found);
  return TRUE;
}

}  // extern "C"
