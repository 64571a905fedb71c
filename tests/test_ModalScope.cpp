// The scope that keeps the host's windows from taking input while an
// owner-less dialog or box shows: which windows it disables and gives back,
// and the activation it restores. On Windows with real windows (skipped
// where none can be made, as under Wine without a display), on Linux with
// the stand-ins, whose call log shows the order of the calls.
#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ModalScope.h"
#include "StandInWindows.h"

namespace {

HWND MakeWindow(bool enabled) {
  return CreateWindowExA(0, "STATIC", "modal scope test",
                         WS_OVERLAPPEDWINDOW | (enabled ? 0u : WS_DISABLED), 0, 0, 100, 100,
                         nullptr, nullptr, nullptr, nullptr);
}

// One window of this thread: made enabled or not; the active one or not.
struct WindowSpec {
  bool enabled;
  bool active;
};

struct ScopeCase {
  const char* name;
  std::vector<WindowSpec> windows;
};

class ModalScope : public ::testing::TestWithParam<ScopeCase> {
 protected:
  void TearDown() override {
    for (HWND window : windows_) DestroyWindow(window);
    SetActiveWindow(activeBefore_);
  }

  // Makes the case's windows; false when the system makes none.
  bool MakeWindows() {
    for (const WindowSpec& spec : GetParam().windows) {
      windows_.push_back(MakeWindow(spec.enabled));
      if (windows_.back() == nullptr) return false;
      if (spec.active) SetActiveWindow(windows_.back());
    }
    return true;
  }

  std::vector<bool> EnabledStates() const {
    std::vector<bool> states;
    for (HWND window : windows_) states.push_back(IsWindowEnabled(window) != FALSE);
    return states;
  }

  HWND activeBefore_ = GetActiveWindow();
  std::vector<HWND> windows_;
};

// Every window of the thread is disabled while the scope lives; afterwards
// each is as it was, and the window active before is active again, even
// when the dialog took activation away meanwhile.
TEST_P(ModalScope, DisablesTheThreadsWindowsAndGivesBackExactlyWhatItTook) {
  if (!MakeWindows()) GTEST_SKIP() << "no window can be made here";
  const std::vector<bool> before = EnabledStates();
  const HWND active = GetActiveWindow();
  {
    const TModalScope scope;
    EXPECT_EQ(EnabledStates(), std::vector<bool>(windows_.size(), false));
    HWND dialog = MakeWindow(true);  // the dialog, made and closed inside the scope
    SetActiveWindow(dialog);
    DestroyWindow(dialog);
  }
  EXPECT_EQ(EnabledStates(), before);
  EXPECT_EQ(GetActiveWindow(), active);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ModalScope,
    ::testing::Values(ScopeCase{"None", {}}, ScopeCase{"OneActive", {{true, true}}},
                      ScopeCase{"DisabledByTheHost", {{false, false}}},
                      ScopeCase{"MainActiveToolDisabledPaletteEnabled",
                                {{true, true}, {false, false}, {true, false}}}),
    [](const ::testing::TestParamInfo<ScopeCase>& info) { return std::string(info.param.name); });

// A window of another thread is not the host's thread's to disable. The
// thread keeps it until the check is done: Windows destroys a thread's
// windows when the thread ends.
TEST(ModalScopeThreads, LeavesOtherThreadsWindowsAlone) {
  std::promise<HWND> made;
  std::promise<void> checked;
  std::thread owner([&] {
    made.set_value(MakeWindow(true));
    checked.get_future().wait();
  });
  const HWND other = made.get_future().get();
  bool enabledInside = false;
  if (other != nullptr) {
    const TModalScope scope;
    enabledInside = IsWindowEnabled(other) != FALSE;
  }
  const bool enabledAfter = other != nullptr && IsWindowEnabled(other) != FALSE;
  if (other != nullptr) DestroyWindow(other);  // the stand-in's are records any thread may end
  checked.set_value();
  owner.join();
  if (other == nullptr) GTEST_SKIP() << "no window can be made here";
  EXPECT_TRUE(enabledInside);
  EXPECT_TRUE(enabledAfter);
}

#ifndef _WIN32
// The order of the calls: every window is enabled again before activation
// is given back, and a window that was disabled is never touched.
TEST(ModalScopeCalls, EnableOnlyTheDisabledOnesThenActivate) {
  HWND main = MakeWindow(true);
  HWND tool = MakeWindow(false);
  HWND palette = MakeWindow(true);
  const HWND activeBefore = SetActiveWindow(main);
  const auto name = [](HWND window) {
    return "window " + std::to_string(reinterpret_cast<uintptr_t>(window));
  };
  StandInWindows_ForgetCalls();
  { const TModalScope scope; }
  EXPECT_EQ(StandInWindows_Calls(),
            (std::vector<std::string>{
                "EnumThreadWindows(thread " + std::to_string(GetCurrentThreadId()) + ")",
                "EnableWindow(" + name(main) + ", FALSE) = 0",
                "EnableWindow(" + name(palette) + ", FALSE) = 0",
                "EnableWindow(" + name(palette) + ", TRUE) = 1",
                "EnableWindow(" + name(main) + ", TRUE) = 1",
                "SetActiveWindow(" + name(main) + ") = " + name(main)}));
  for (HWND window : {main, tool, palette}) DestroyWindow(window);
  SetActiveWindow(activeBefore);
  StandInWindows_ForgetCalls();
}
#endif

}  // namespace
