// Linux stand-ins for the window calls: top-level windows as records of
// their thread, enabled state and activation, so that what a caller does to
// the host's windows can be checked. Nothing is drawn and no message is
// sent; every call is safe from any thread. Like the real calls, none of
// them throws, and the calls a caller makes around a dialog (enumerating,
// enabling, activating) allocate nothing: a test that fails the program's
// allocations one by one then fails only its own code's. Only making a
// window, or activating one on a thread for the first time, allocates; if
// that fails, the call fails as the real one reports failure.
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
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

/// One logged call, kept as values and made into text only when read.
struct LoggedCall {
  enum Kind { kEnumerate, kEnable, kActivate } kind;
  uintptr_t subject;  ///< The thread (kEnumerate) or the window.
  uintptr_t result;   ///< Was disabled (kEnable), the window before (kActivate).
  bool enable;        ///< kEnable's argument.
};

/// The most windows one enumeration reports, and calls the log keeps: far
/// more than any test makes.
constexpr size_t kMaxThreadWindows = 64;
constexpr size_t kMaxLoggedCalls = 256;

struct Registry {
  std::mutex lock;
  uintptr_t lastHandle = 0;
  std::map<HWND, Window> windows;  // in the order made: handles only grow
  std::map<DWORD, HWND> active;    // per thread
  std::array<LoggedCall, kMaxLoggedCalls> calls{};
  size_t callCount = 0;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::string NameOf(uintptr_t window) {
  if (window == 0) return "none";
  return "window " + std::to_string(window);
}

std::string TextOf(const LoggedCall& call) {
  switch (call.kind) {
    case LoggedCall::kEnumerate:
      return "EnumThreadWindows(thread " + std::to_string(call.subject) + ")";
    case LoggedCall::kEnable:
      return "EnableWindow(" + NameOf(call.subject) + (call.enable ? ", TRUE) = " : ", FALSE) = ") +
             std::to_string(call.result);
    case LoggedCall::kActivate:
      return "SetActiveWindow(" + NameOf(call.subject) + ") = " + NameOf(call.result);
  }
  return "";
}

// Records a call; the caller holds the lock. A full log keeps its first
// calls.
void Log(Registry& registry, const LoggedCall& call) {
  if (registry.callCount < kMaxLoggedCalls) registry.calls[registry.callCount++] = call;
}

uintptr_t Number(HWND window) { return reinterpret_cast<uintptr_t>(window); }

}  // namespace

std::vector<std::string> StandInWindows_Calls() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  std::vector<std::string> texts;
  for (size_t i = 0; i < registry.callCount; ++i) texts.push_back(TextOf(registry.calls[i]));
  return texts;
}

void StandInWindows_ForgetCalls() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.callCount = 0;
}

extern "C" {

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD style, int, int, int, int, HWND parent, HMENU,
                     HINSTANCE, LPVOID) {
  if (parent != nullptr) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto* window = reinterpret_cast<HWND>(registry.lastHandle + 1);
  const DWORD thread = GetCurrentThreadId();
  try {
    registry.windows[window] = Window{thread, (style & WS_DISABLED) == 0};
    if ((style & WS_VISIBLE) != 0) registry.active[thread] = window;
  } catch (...) {
    // Out of memory: no window, as the real call fails.
    registry.windows.erase(window);
    return nullptr;
  }
  ++registry.lastHandle;
  return window;
}

BOOL DestroyWindow(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.windows.find(window);
  if (found == registry.windows.end()) return FALSE;
  const auto active = registry.active.find(found->second.thread);
  if (active != registry.active.end() && active->second == window) active->second = nullptr;
  registry.windows.erase(found);
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param) {
  std::array<HWND, kMaxThreadWindows> windows{};
  size_t count = 0;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    Log(registry, LoggedCall{LoggedCall::kEnumerate, threadId, 0, false});
    for (const auto& [window, record] : registry.windows)
      if (record.thread == threadId && count < windows.size()) windows[count++] = window;
  }
  // Unlocked: the callback may call in again.
  for (size_t i = 0; i < count; ++i)
    if (!callback(windows[i], param)) return FALSE;
  return count == 0 ? FALSE : TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto found = registry.windows.find(window);
  const BOOL wasDisabled = found != registry.windows.end() && !found->second.enabled;
  Log(registry, LoggedCall{LoggedCall::kEnable, Number(window), static_cast<uintptr_t>(wasDisabled),
                           enable != FALSE});
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
  const auto found = registry.windows.find(window);
  const bool ours = found != registry.windows.end() && found->second.thread == thread;
  auto active = registry.active.find(thread);
  if (active == registry.active.end()) {
    if (!ours) {  // nothing was active, and nothing becomes so
      Log(registry, LoggedCall{LoggedCall::kActivate, Number(window), 0, false});
      return nullptr;
    }
    try {
      active = registry.active.emplace(thread, nullptr).first;
    } catch (...) {
      return nullptr;  // out of memory: the call fails
    }
  }
  const HWND before = active->second;
  active->second = ours ? window : nullptr;
  Log(registry, LoggedCall{LoggedCall::kActivate, Number(window), Number(before), false});
  return before;
}

}  // extern "C"
