// POSIX stand-ins for the file-mapping calls the reader makes: a
// copy-on-write view of a whole file, over mmap.
//
// Windows refuses to cut a file while a view of it exists. Linux cannot
// refuse, and a read of a page that the cut took away raises SIGBUS. The
// stand-in catches that fault for its own views and puts zero pages in place
// of the rest of the view, from the faulting page on: the read then sees a
// NUL there, so the text ends where the file now ends, which the reader
// handles as any text that ends early. Faults elsewhere go to whatever
// handled SIGBUS before.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "FileHandles.h"
#include "Win32Api.h"

namespace {

constexpr size_t kPageSize = 4096;

/// One live view: where it starts and how many bytes it maps. The fault
/// handler reads these, so they are lock-free atomics; `begin` is set last
/// and cleared first.
struct View {
  std::atomic<char*> begin{nullptr};
  std::atomic<size_t> bytes{0};
};

// Imports hold one view at a time; a few more leave room for tests.
constexpr size_t kMostViews = 16;
View views[kMostViews];

struct sigaction previousAction;
std::once_flag handlerInstalled;

size_t RoundUpToPage(size_t bytes) { return (bytes + kPageSize - 1) / kPageSize * kPageSize; }

// Puts zero pages over the view that holds `address`, from its page to the
// view's end. False when no view of ours holds it.
bool ZeroRestOfView(char* address) {
  for (View& view : views) {
    char* begin = view.begin.load();
    const size_t bytes = view.bytes.load();
    if (begin == nullptr || address < begin || address >= begin + RoundUpToPage(bytes)) continue;
    char* page = begin + static_cast<size_t>(address - begin) / kPageSize * kPageSize;
    const size_t rest = static_cast<size_t>(begin + RoundUpToPage(bytes) - page);
    return mmap(page, rest, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                0) != MAP_FAILED;
  }
  return false;
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  if (ZeroRestOfView(static_cast<char*>(info->si_addr))) return;  // the access is retried
  if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
    previousAction.sa_sigaction(signal, info, context);
    return;
  }
  if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
    previousAction.sa_handler(signal);
    return;
  }
  // Not ours, and nobody else's: the fault recurs and takes its usual course.
  sigaction(SIGBUS, &previousAction, nullptr);
}

void InstallHandler() {
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, &previousAction);
}

bool Register(char* begin, size_t bytes) {
  for (View& view : views) {
    char* expected = nullptr;
    // A slot is taken by a placeholder first, so its size is set before any
    // fault can find the view.
    if (!view.begin.compare_exchange_strong(expected, reinterpret_cast<char*>(1))) continue;
    view.bytes.store(bytes);
    view.begin.store(begin);
    return true;
  }
  return false;
}

}  // namespace

extern "C" {

HANDLE CreateFileMappingA(HANDLE file, void*, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name) {
  const uint64_t size = (uint64_t{sizeHigh} << 32) | sizeLow;
  struct stat info;
  if (protect != PAGE_WRITECOPY || name != nullptr || size == 0) return nullptr;
  // A read-only file cannot grow to a larger mapping, as on Windows.
  if (fstat(DescriptorOf(file), &info) != 0 || static_cast<uint64_t>(info.st_size) < size)
    return nullptr;
  const int descriptor = fcntl(DescriptorOf(file), F_DUPFD_CLOEXEC, 0);
  return descriptor < 0 ? nullptr : HandleOf(descriptor);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                     SIZE_T bytes) {
  if (access != FILE_MAP_COPY || offsetHigh != 0 || offsetLow != 0 || bytes == 0) return nullptr;
  std::call_once(handlerInstalled, InstallHandler);
  void* view = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE, DescriptorOf(mapping), 0);
  if (view == MAP_FAILED) return nullptr;
  if (Register(static_cast<char*>(view), bytes)) return view;
  munmap(view, bytes);
  return nullptr;
}

BOOL UnmapViewOfFile(LPCVOID address) {
  for (View& view : views) {
    char* begin = view.begin.load();
    if (begin == nullptr || begin != address) continue;
    const size_t bytes = view.bytes.load();
    view.begin.store(nullptr);
    munmap(begin, bytes);
    return TRUE;
  }
  return FALSE;
}

}  // extern "C"
