// The Linux window stand-ins hand activation on as Windows documents it, so
// that a test of the import fails where Windows would bring another
// program to the front: when the active window goes, its owner gets
// activation if it takes input, and otherwise the topmost window that does,
// which may be another program's; a thread in the background cannot take
// the foreground back with SetActiveWindow.
#include <gtest/gtest.h>

#include "StandInWindows.h"

#ifndef _WIN32
namespace {

enum class Front { kHost, kOtherProgram };

struct DestroyCase {
  const char* name;
  bool ownedByHost;  ///< Whether the dialog's owner is the host's window.
  bool hostEnabled;  ///< The host's window when the dialog goes.
  bool hostVisible;
  Front front;  ///< The foreground window afterwards.
};

void PrintTo(const DestroyCase& c, std::ostream* out) { *out << c.name; }

class ActivationOnDestroy : public ::testing::TestWithParam<DestroyCase> {
 protected:
  void TearDown() override {
    for (HWND window : {dialog_, host_, other_})
      if (window != nullptr) DestroyWindow(window);
  }

  HWND other_ = StandInWindows_MakeOtherProgramWindow();
  HWND host_ = nullptr;
  HWND dialog_ = nullptr;
};

// The dialog, active and in front over the host's window, with another
// program's window behind both, is destroyed.
TEST_P(ActivationOnDestroy, GoesToTheOwnerOrElseTheTopmostWindowThatTakesInput) {
  const DestroyCase& c = GetParam();
  host_ =
      CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | (c.hostVisible ? WS_VISIBLE : 0u),
                      0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  dialog_ = CreateWindowExA(0, "#32770", "dialog", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                            c.ownedByHost ? host_ : nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(StandInWindows_BringToFront(dialog_));
  ASSERT_EQ(GetWindow(dialog_, GW_OWNER), c.ownedByHost ? host_ : nullptr);
  EnableWindow(host_, c.hostEnabled ? TRUE : FALSE);
  const unsigned otherBefore = StandInWindows_Activations(other_);
  DestroyWindow(dialog_);
  dialog_ = nullptr;
  const HWND front = c.front == Front::kHost ? host_ : other_;
  EXPECT_EQ(GetForegroundWindow(), front);
  EXPECT_EQ(GetActiveWindow(), c.front == Front::kHost ? host_ : nullptr);
  EXPECT_EQ(StandInWindows_Activations(other_), otherBefore + (c.front == Front::kHost ? 0u : 1u));
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, ActivationOnDestroy,
    ::testing::Values(DestroyCase{"EnabledOwner", true, true, true, Front::kHost},
                      DestroyCase{"DisabledOwner", true, false, true, Front::kOtherProgram},
                      DestroyCase{"HiddenOwner", true, true, false, Front::kOtherProgram},
                      DestroyCase{"NoOwnerHostNextAndEnabled", false, true, true, Front::kHost},
                      DestroyCase{"NoOwnerHostDisabled", false, false, true, Front::kOtherProgram}),
    [](const ::testing::TestParamInfo<DestroyCase>& info) { return info.param.name; });

// Once another program is in front, the host's thread makes its window
// active again, but only within the thread: the other program stays in
// front, as on Windows.
TEST(ActivationInTheBackground, SetActiveWindowDoesNotTakeTheForeground) {
  const HWND other = StandInWindows_MakeOtherProgramWindow();
  const HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(StandInWindows_BringToFront(other));
  SetActiveWindow(host);
  EXPECT_EQ(GetActiveWindow(), host);
  EXPECT_EQ(GetForegroundWindow(), other);
  DestroyWindow(host);
  DestroyWindow(other);
}

}  // namespace
#endif
