// The scripted user's answers, driven through the entry points that the
// stand-ins and the import-table hooks call.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "UserScript.h"
#include "UserScriptHooks.h"

namespace {

// A file at the root, whose full path is itself: the dialog hands back full
// paths, and the buffer below is short.
std::string Rooted(const std::string& name) {
#ifdef _WIN32
  return "C:\\" + name;
#else
  return "/" + name;
#endif
}

int g_realBoxes = 0;
int g_realDialogs = 0;

int WINAPI RealBox(HWND, LPCSTR, LPCSTR, UINT) {
  ++g_realBoxes;
  return 7;
}

BOOL WINAPI RealDialog(LPOPENFILENAMEA request) {
  ++g_realDialogs;
  std::strcpy(request->lpstrFile, "chosen by hand.3do");
  return TRUE;
}

class UserScript : public ::testing::Test {
 protected:
  void SetUp() override {
    UserScript_Reset();
    g_realBoxes = g_realDialogs = 0;
    std::strcpy(buffer_, "C:\\Models\\polyShip.3do");
    request_.lStructSize = sizeof request_;
    request_.lpstrFile = buffer_;
    request_.nMaxFile = sizeof buffer_;
    request_.lpstrTitle = "Import";
  }
  // An answered dialog moves the current folder, as the real one does.
  void TearDown() override {
    UserScript_Reset();
    std::filesystem::current_path(folder_);
  }

  BOOL Dialog() { return UserScript_ShowOpenFileName(&request_, RealDialog); }

  char buffer_[32] = {};
  OPENFILENAMEA request_{};
  const std::filesystem::path folder_ = std::filesystem::current_path();
};

TEST_F(UserScript, AnswersDialogsInTheOrderQueuedThenCancels) {
  UserScript_AnswerFileDialog(Rooted("first.3do"));
  UserScript_CancelFileDialog();
  UserScript_AnswerFileDialog(Rooted("third.3do"));
  EXPECT_TRUE(Dialog());
  EXPECT_EQ(buffer_, Rooted("first.3do"));
  EXPECT_FALSE(Dialog());
  EXPECT_EQ(buffer_, Rooted("first.3do")) << "a cancel leaves the buffer";
  EXPECT_TRUE(Dialog());
  EXPECT_EQ(buffer_, Rooted("third.3do"));
  EXPECT_FALSE(Dialog()) << "nothing queued: cancelled";
  EXPECT_EQ(g_realDialogs, 0);
  ASSERT_EQ(UserScript_Dialogs().size(), 4u);
  EXPECT_EQ(UserScript_Dialogs()[0].initialFile, "C:\\Models\\polyShip.3do");
  EXPECT_EQ(UserScript_Dialogs()[1].initialFile, Rooted("first.3do"));
  EXPECT_EQ(UserScript_Dialogs()[0].title, "Import");
  EXPECT_EQ(UserScript_Dialogs()[0].maxFile, sizeof buffer_);
}

TEST_F(UserScript, PathLongerThanTheBufferFailsTheDialog) {
  const size_t root = Rooted("").size();
  UserScript_AnswerFileDialog(Rooted(std::string(sizeof buffer_ - root, 'x')));
  UserScript_AnswerFileDialog(Rooted(std::string(sizeof buffer_ - root - 1, 'y')));
  EXPECT_FALSE(Dialog());
  EXPECT_STREQ(buffer_, "C:\\Models\\polyShip.3do");
  EXPECT_TRUE(Dialog());
  EXPECT_EQ(buffer_, Rooted(std::string(sizeof buffer_ - root - 1, 'y')));
}

TEST_F(UserScript, RecordsBoxesAndAnswersOk) {
  EXPECT_EQ(UserScript_ShowMessageBox(nullptr, "text", "caption", MB_ICONERROR, RealBox), IDOK);
  EXPECT_EQ(UserScript_ShowMessageBox(nullptr, nullptr, nullptr, MB_OK, RealBox), IDOK);
  EXPECT_EQ(g_realBoxes, 0);
  ASSERT_EQ(UserScript_Boxes().size(), 2u);
  EXPECT_EQ(UserScript_Boxes()[0].text, "text");
  EXPECT_EQ(UserScript_Boxes()[0].caption, "caption");
  EXPECT_EQ(UserScript_Boxes()[0].style, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(UserScript_Boxes()[1].text, "");
  UserScript_Reset();
  EXPECT_TRUE(UserScript_Boxes().empty());
}

TEST_F(UserScript, PassThroughShowsTheRealOnesAfterRecording) {
  UserScript_SetPassThrough(true);
  EXPECT_EQ(UserScript_ShowMessageBox(nullptr, "text", "caption", MB_OK, RealBox), 7);
  EXPECT_EQ(UserScript_Boxes().size(), 1u);
  UserScript_CancelFileDialog();
  EXPECT_FALSE(Dialog()) << "a queued answer still comes first";
  EXPECT_TRUE(Dialog());
  EXPECT_STREQ(buffer_, "chosen by hand.3do");
  EXPECT_EQ(g_realBoxes, 1);
  EXPECT_EQ(g_realDialogs, 1);
  EXPECT_EQ(UserScript_Dialogs().size(), 2u);
}

}  // namespace
