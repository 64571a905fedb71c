// Linux stand-ins for the window calls: top-level windows as records of
// their thread, enabled state and activation, so that what a caller does to
// the host's windows can be checked. Nothing is drawn and no message is
// sent; every call is safe from any thread.
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "StandInWindows.h"
#include "Win32Api.h"

namespace {

struct Window {
  DWORD thread;
  bool enabled;
};

struct Registry {
  std::mutex lock;
  uintptr_t lastHandle = 0;
  std::map<HWND, Window> windows;  // in the order made: handles only grow
  std::map<DWORD, HWND> active;    // per thread
  std::vector<std::string> calls;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::string NameOf(HWND window) {
  if (window == nullptr) return "none";
  return "window " + std::to_string(reinterpret_cast<uintptr_t>(window));
}

// Records a call; the caller holds the lock.
void Log(Registry& registry, const std::string& call) { registry.calls.push_back(call); }

}  // namespace

std::vector<std::string> StandInWindows_Calls() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.calls;
}

void StandInWindows_ForgetCalls() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.calls.clear();
}

extern "C" {

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD style, int, int, int, int, HWND parent, HMENU,
                     HINSTANCE, LPVOID) {
  if (parent != nullptr) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto* window = reinterpret_cast<HWND>(++registry.lastHandle);
  const DWORD thread = GetCurrentThreadId();
  registry.windows[window] = Window{thread, (style & WS_DISABLED) == 0};
  if ((style & WS_VISIBLE) != 0) registry.active[thread] = window;
  return window;
}

BOOL DestroyWindow(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.windows.find(window);
  if (found == registry.windows.end()) return FALSE;
  HWND& active = registry.active[found->second.thread];
  if (active == window) active = nullptr;
  registry.windows.erase(found);
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param) {
  std::vector<HWND> windows;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    Log(registry, "EnumThreadWindows(thread " + std::to_string(threadId) + ")");
    for (const auto& [window, record] : registry.windows)
      if (record.thread == threadId) windows.push_back(window);
  }
  // Unlocked: the callback may call in again.
  for (HWND window : windows)
    if (!callback(window, param)) return FALSE;
  return windows.empty() ? FALSE : TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.windows.find(window);
  const BOOL wasDisabled = found != registry.windows.end() && !found->second.enabled;
  Log(registry, "EnableWindow(" + NameOf(window) + (enable ? ", TRUE) = " : ", FALSE) = ") +
                    std::to_string(wasDisabled));
  if (found != registry.windows.end()) found->second.enabled = enable != FALSE;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.windows.find(window);
  return found != registry.windows.end() && found->second.enabled;
}

HWND GetActiveWindow() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.active.find(GetCurrentThreadId());
  return found == registry.active.end() ? nullptr : found->second;
}

HWND SetActiveWindow(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const DWORD thread = GetCurrentThreadId();
  HWND& active = registry.active[thread];
  const HWND before = active;
  const auto found = registry.windows.find(window);
  active = found != registry.windows.end() && found->second.thread == thread ? window : nullptr;
  Log(registry, "SetActiveWindow(" + NameOf(window) + ") = " + NameOf(before));
  return before;
}

}  // extern "C"
