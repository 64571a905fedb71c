// The scope that keeps the host's other windows from taking input while the
// import's dialog or box shows: which windows it disables and gives back,
// and that it leaves the owner, hidden windows and activation alone. On
// Windows with real windows (skipped where none can be made, as under Wine
// without a display), on Linux with the stand-ins, whose call log shows the
// order of the calls.
#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ModalScope.h"
#include "StandInWindows.h"

namespace {

HWND MakeWindow(bool enabled, bool visible = false) {
  return CreateWindowExA(
      0, "STATIC", "modal scope test",
      WS_OVERLAPPEDWINDOW | (enabled ? 0u : WS_DISABLED) | (visible ? WS_VISIBLE : 0u), 0, 0, 100,
      100, nullptr, nullptr, nullptr, nullptr);
}

// One window of this thread: shown or hidden, made enabled or not, and
// whether it is the owner of the dialog that the scope stands around.
struct WindowSpec {
  bool visible;
  bool enabled;
  bool owner;
};

struct ScopeCase {
  const char* name;
  std::vector<WindowSpec> windows;
  std::vector<bool> enabledInside;  ///< Per window, while the scope lives.
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
      windows_.push_back(MakeWindow(spec.enabled, spec.visible));
      if (windows_.back() == nullptr) return false;
      if (spec.owner) owner_ = windows_.back();
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
  HWND owner_ = nullptr;
};

// Only the visible, enabled windows other than the owner are disabled while
// the scope lives; afterwards each is as it was, and activation is where it
// was: the scope gives nothing back but input.
TEST_P(ModalScope, DisablesTheOtherVisibleWindowsAndGivesBackExactlyWhatItTook) {
  if (!MakeWindows()) GTEST_SKIP() << "no window can be made here";
  const std::vector<bool> before = EnabledStates();
  const HWND active = GetActiveWindow();
  {
    const TModalScope scope(owner_);
    EXPECT_EQ(EnabledStates(), GetParam().enabledInside);
  }
  EXPECT_EQ(EnabledStates(), before);
  EXPECT_EQ(GetActiveWindow(), active);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ModalScope,
    ::testing::Values(
        ScopeCase{"None", {}, {}},
        ScopeCase{"OwnerStaysForTheDialog", {{true, true, true}}, {true}},
        ScopeCase{"NoOwnerAllVisibleDisabled",
                  {{true, true, false}, {true, true, false}},
                  {false, false}},
        ScopeCase{"HiddenWindowsUntouched", {{false, true, false}}, {true}},
        ScopeCase{"DisabledByTheHostStaysDisabled", {{true, false, false}}, {false}},
        ScopeCase{
            "OwnerPaletteToolAndHidden",
            {{true, true, true}, {true, false, false}, {true, true, false}, {false, true, false}},
            {true, false, false, true}}),
    [](const ::testing::TestParamInfo<ScopeCase>& info) { return std::string(info.param.name); });

// A window of another thread is not the host's thread's to disable. The
// thread keeps it until the check is done: Windows destroys a thread's
// windows when the thread ends.
TEST(ModalScopeThreads, LeavesOtherThreadsWindowsAlone) {
  std::promise<HWND> made;
  std::promise<void> checked;
  std::thread owner([&] {
    made.set_value(MakeWindow(true, true));
    checked.get_future().wait();
  });
  const HWND other = made.get_future().get();
  bool enabledInside = false;
  if (other != nullptr) {
    const TModalScope scope(nullptr);
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
// The order of the calls: the one window disabled is enabled again, and the
// owner, a hidden window and a disabled one are never touched; nothing is
// activated.
TEST(ModalScopeCalls, EnableOnlyTheOnesItDisabledAndActivateNothing) {
  HWND main = MakeWindow(true, true);
  HWND tool = MakeWindow(false, true);
  HWND palette = MakeWindow(true, true);
  HWND hidden = MakeWindow(true, false);
  const HWND activeBefore = SetActiveWindow(main);
  const auto name = [](HWND window) {
    return "window " + std::to_string(reinterpret_cast<uintptr_t>(window));
  };
  StandInWindows_ForgetCalls();
  { const TModalScope scope(main); }
  EXPECT_EQ(StandInWindows_Calls(),
            (std::vector<std::string>{
                "EnumThreadWindows(thread " + std::to_string(GetCurrentThreadId()) + ")",
                "EnableWindow(" + name(palette) + ", FALSE) = 0",
                "EnableWindow(" + name(palette) + ", TRUE) = 1"}));
  for (HWND window : {main, tool, palette, hidden}) DestroyWindow(window);
  SetActiveWindow(activeBefore);
  StandInWindows_ForgetCalls();
}
#endif

}  // namespace
