// Linux stand-ins for the window calls: top-level windows as records of
// their thread, owner, visibility, enabled state and activation, so that
// what a caller does to the host's windows, and where activation goes
// because of it, can be checked. Nothing is drawn and no message is sent;
// every call is safe from any thread. Like the real calls, none of them
// throws, and none allocates: the records live in fixed storage, so a test
// that fails the program's allocations one by one fails only its own
// code's. Where the storage is full, making a window fails as the real call
// reports failure.
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "StandInWindows.h"
#include "Win32Api.h"

namespace {

struct Window {
  HWND handle;
  DWORD thread;
  HWND owner;
  bool enabled;
  bool visible;
  unsigned activations;  ///< Times it became its thread's active window.
  /// Disabling it disables the enabled windows it owns, and enabling it
  /// enables exactly those again (StandInWindows_ActAsFrame).
  bool actsAsFrame;
  HWND disabledWith;  ///< The frame whose disabling disabled it, or null.
};

/// The window active on one thread, or none.
struct ThreadActivation {
  DWORD thread;
  HWND active;
};

/// One logged call, kept as values and made into text only when read.
struct LoggedCall {
  enum Kind { kEnumerate, kEnable, kActivate } kind;
  uintptr_t subject;  ///< The thread (kEnumerate) or the window.
  uintptr_t result;   ///< Was disabled (kEnable), the window before (kActivate).
  bool enable;        ///< kEnable's argument.
};

/// Far more windows alive at once, threads that activate any, and calls
/// logged than any test makes.
constexpr size_t kMaxWindows = 64;
constexpr size_t kMaxThreads = 32;
constexpr size_t kMaxLoggedCalls = 256;

/// The thread that "another program" runs on: no thread of this process has
/// this id, so none of its calls reaches that program's windows.
constexpr DWORD kOtherProgramThread = 0xFFFFFFFFu;

struct Registry {
  std::mutex lock;
  uintptr_t lastHandle = 0;
  std::array<Window, kMaxWindows> windows{};  ///< [0, windowCount) in the order made.
  std::array<HWND, kMaxWindows> zOrder{};     ///< [0, windowCount), topmost first.
  size_t windowCount = 0;
  std::array<ThreadActivation, kMaxThreads> threads{};
  size_t threadCount = 0;
  HWND foreground = nullptr;
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

// The helpers below expect the caller to hold the registry's lock.

// Records a call. A full log keeps its first calls.
void Log(Registry& registry, const LoggedCall& call) {
  if (registry.callCount < kMaxLoggedCalls) registry.calls[registry.callCount++] = call;
}

uintptr_t Number(HWND window) { return reinterpret_cast<uintptr_t>(window); }

Window* Find(Registry& registry, HWND window) {
  if (window == nullptr) return nullptr;
  for (size_t i = 0; i < registry.windowCount; ++i)
    if (registry.windows[i].handle == window) return &registry.windows[i];
  return nullptr;
}

// The thread's active-window slot; with `make`, a new one for a thread that
// has none. Null when there is none, or no room for one.
HWND* ActiveSlot(Registry& registry, DWORD thread, bool make) {
  for (size_t i = 0; i < registry.threadCount; ++i)
    if (registry.threads[i].thread == thread) return &registry.threads[i].active;
  if (!make || registry.threadCount == kMaxThreads) return nullptr;
  registry.threads[registry.threadCount] = ThreadActivation{thread, nullptr};
  return &registry.threads[registry.threadCount++].active;
}

// A thread may move the foreground only while it holds it, or nobody does.
bool HoldsForeground(Registry& registry, DWORD thread) {
  const Window* foreground = Find(registry, registry.foreground);
  return foreground == nullptr || foreground->thread == thread;
}

void RaiseToTop(Registry& registry, HWND window) {
  size_t at = 0;
  while (at < registry.windowCount && registry.zOrder[at] != window) ++at;
  for (; at > 0 && at < registry.windowCount; --at) registry.zOrder[at] = registry.zOrder[at - 1];
  registry.zOrder[0] = window;
}

void Activate(Registry& registry, Window& window, bool takeForeground) {
  HWND* slot = ActiveSlot(registry, window.thread, true);
  if (slot == nullptr) return;
  *slot = window.handle;
  ++window.activations;
  RaiseToTop(registry, window.handle);
  if (takeForeground) registry.foreground = window.handle;
}

bool Eligible(const Window* window) {
  return window != nullptr && window->enabled && window->visible;
}

// Where Windows sends activation when `going`, the active window, goes: to
// its owner when that takes input, otherwise to the topmost window that
// does, of `going`'s thread only unless `anyThread`.
Window* Successor(Registry& registry, const Window& going, bool anyThread) {
  Window* owner = Find(registry, going.owner);
  if (Eligible(owner)) return owner;
  for (size_t i = 0; i < registry.windowCount; ++i) {
    Window* candidate = Find(registry, registry.zOrder[i]);
    if (!Eligible(candidate) || candidate->handle == going.handle) continue;
    if (anyThread || candidate->thread == going.thread) return candidate;
  }
  return nullptr;
}

// Takes the window out of both orders. The windows it owned lose their
// owner (Windows would destroy them with it).
void Remove(Registry& registry, HWND window) {
  size_t kept = 0;
  for (size_t i = 0; i < registry.windowCount; ++i) {
    if (registry.windows[i].handle == window) continue;
    if (registry.windows[i].owner == window) registry.windows[i].owner = nullptr;
    registry.windows[kept++] = registry.windows[i];
  }
  kept = 0;
  for (size_t i = 0; i < registry.windowCount; ++i)
    if (registry.zOrder[i] != window) registry.zOrder[kept++] = registry.zOrder[i];
  registry.windowCount = kept;
}

// Whether `frame` owns `window`, directly or through the windows between.
bool IsOwnedBy(Registry& registry, const Window& window, HWND frame) {
  const Window* owned = &window;
  for (size_t steps = 0; owned != nullptr && steps < kMaxWindows; ++steps) {
    if (owned->owner == frame) return true;
    owned = Find(registry, owned->owner);
  }
  return false;
}

// What a frame does on WM_ENABLE, which Windows sends before EnableWindow
// returns: disabled, it disables the enabled windows it owns; enabled
// again, it enables exactly those, and none that another call disabled.
void FollowFrame(Registry& registry, const Window& frame) {
  for (size_t i = 0; i < registry.windowCount; ++i) {
    Window& window = registry.windows[i];
    if (!frame.enabled && window.enabled && IsOwnedBy(registry, window, frame.handle)) {
      window.enabled = false;
      window.disabledWith = frame.handle;
    } else if (frame.enabled && window.disabledWith == frame.handle) {
      window.enabled = true;
      window.disabledWith = nullptr;
    }
  }
}

HWND MakeWindow(Registry& registry, DWORD thread, HWND owner, DWORD style) {
  if ((style & WS_CHILD) != 0 || registry.windowCount == kMaxWindows) return nullptr;
  if (owner != nullptr && Find(registry, owner) == nullptr) return nullptr;
  auto* handle = reinterpret_cast<HWND>(++registry.lastHandle);
  const bool visible = (style & WS_VISIBLE) != 0;
  Window& made = registry.windows[registry.windowCount];
  made = Window{handle, thread, owner, (style & WS_DISABLED) == 0, visible, 0, false, nullptr};
  registry.zOrder[registry.windowCount++] = handle;
  RaiseToTop(registry, handle);
  // Shown, it is activated; the foreground follows only where its thread
  // may move it, as a program behind the user's cannot jump in front.
  if (visible) Activate(registry, made, HoldsForeground(registry, thread));
  return handle;
}

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

HWND StandInWindows_MakeOtherProgramWindow() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return MakeWindow(registry, kOtherProgramThread, nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
}

bool StandInWindows_BringToFront(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  Window* found = Find(registry, window);
  if (found == nullptr) return false;
  Activate(registry, *found, true);
  return registry.foreground == window;
}

bool StandInWindows_ActAsFrame(HWND frame) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  Window* found = Find(registry, frame);
  if (found == nullptr) return false;
  found->actsAsFrame = true;
  return true;
}

unsigned StandInWindows_Activations(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const Window* found = Find(registry, window);
  return found == nullptr ? 0 : found->activations;
}

extern "C" {

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD style, int, int, int, int, HWND parent, HMENU,
                     HINSTANCE, LPVOID) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return MakeWindow(registry, GetCurrentThreadId(), parent, style);
}

BOOL DestroyWindow(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const Window* found = Find(registry, window);
  if (found == nullptr) return FALSE;
  const Window going = *found;
  const bool wasForeground = registry.foreground == window;
  HWND* slot = ActiveSlot(registry, going.thread, false);
  const bool wasActive = slot != nullptr && *slot == window;
  Remove(registry, window);
  if (wasForeground) registry.foreground = nullptr;
  if (!wasActive) return TRUE;
  *slot = nullptr;
  // A thread that held the foreground hands it on, to whichever program's
  // window is next; one in the background only activates its own.
  const bool handsOnForeground = wasForeground || registry.foreground == nullptr;
  Window* next = Successor(registry, going, handsOnForeground);
  if (next != nullptr) Activate(registry, *next, handsOnForeground);
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param) {
  std::array<HWND, kMaxWindows> windows{};
  size_t count = 0;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    Log(registry, LoggedCall{LoggedCall::kEnumerate, threadId, 0, false});
    for (size_t i = 0; i < registry.windowCount; ++i)
      if (registry.windows[i].thread == threadId) windows[count++] = registry.windows[i].handle;
  }
  // Unlocked: the callback may call in again.
  for (size_t i = 0; i < count; ++i)
    if (!callback(windows[i], param)) return FALSE;
  return count == 0 ? FALSE : TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  Window* found = Find(registry, window);
  const BOOL wasDisabled = found != nullptr && !found->enabled;
  Log(registry, LoggedCall{LoggedCall::kEnable, Number(window), static_cast<uintptr_t>(wasDisabled),
                           enable != FALSE});
  if (found == nullptr || found->enabled == (enable != FALSE)) return wasDisabled;
  found->enabled = enable != FALSE;
  // Whoever enables or disables a window decides for it from now on.
  found->disabledWith = nullptr;
  if (found->actsAsFrame) FollowFrame(registry, *found);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const Window* found = Find(registry, window);
  return found != nullptr && found->enabled;
}

BOOL IsWindowVisible(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const Window* found = Find(registry, window);
  return found != nullptr && found->visible;
}

HWND GetWindow(HWND window, UINT command) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const Window* found = Find(registry, window);
  return found != nullptr && command == GW_OWNER ? found->owner : nullptr;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const Window* found = Find(registry, window);
  if (found == nullptr) return 0;
  if (processId != nullptr)
    *processId = found->thread == kOtherProgramThread ? 0 : static_cast<DWORD>(getpid());
  return found->thread;
}

HWND GetActiveWindow() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  HWND* slot = ActiveSlot(registry, GetCurrentThreadId(), false);
  return slot == nullptr ? nullptr : *slot;
}

HWND GetForegroundWindow() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.foreground;
}

HWND SetActiveWindow(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const DWORD thread = GetCurrentThreadId();
  Window* found = Find(registry, window);
  const bool ours = found != nullptr && found->thread == thread;
  HWND* slot = ActiveSlot(registry, thread, ours);
  const HWND before = slot == nullptr ? nullptr : *slot;
  Log(registry, LoggedCall{LoggedCall::kActivate, Number(window), Number(before), false});
  if (ours) {
    Activate(registry, *found, HoldsForeground(registry, thread));
  } else if (slot != nullptr) {
    // Nothing of the thread is active now, so it holds no foreground either.
    if (registry.foreground == before && before != nullptr) registry.foreground = nullptr;
    *slot = nullptr;
  }
  return before;
}

}  // extern "C"
