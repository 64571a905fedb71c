// The terminal stand-ins for the file dialog and the message box, fed
// through stdin. On Windows the real dialogs are used, and there is nothing
// of ours to test here.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Win32Api.h"

namespace {

// Makes `input` the whole of stdin.
void FeedStdin(const std::string& input) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "plugin_terminal_input.txt").string();
  std::ofstream(path, std::ios::binary) << input;
  ASSERT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
}

struct ChooserCase {
  const char* name;
  const char* input;
  const char* proposed;
  DWORD bufferSize;
  BOOL result;
  const char* buffer;  // The buffer's text afterwards.
};

// Gives stdin back as it was before FeedStdin replaced it: the tests that
// follow in the same process read from there.
class StdinRestored {
 public:
  StdinRestored() : saved_(dup(STDIN_FILENO)) {}
  ~StdinRestored() {
    std::fflush(stdin);  // forgets what was read ahead from the fed file
    dup2(saved_, STDIN_FILENO);
    close(saved_);
    std::clearerr(stdin);
  }
  StdinRestored(const StdinRestored&) = delete;
  StdinRestored& operator=(const StdinRestored&) = delete;

 private:
  int saved_;
};

class TerminalChooser : public ::testing::TestWithParam<ChooserCase> {
  StdinRestored stdin_;
};

TEST_P(TerminalChooser, AnswersFromTheTerminal) {
  const ChooserCase& c = GetParam();
  FeedStdin(c.input);
  char buffer[260] = {};
  std::snprintf(buffer, sizeof buffer, "%s", c.proposed);
  OPENFILENAMEA request{};
  request.lStructSize = sizeof request;
  request.lpstrFile = buffer;
  request.nMaxFile = c.bufferSize;
  request.lpstrTitle = "Import Jedi Knight 3DO";
  request.lpstrDefExt = "3do";
  EXPECT_EQ(GetOpenFileNameA(&request), c.result);
  EXPECT_STREQ(buffer, c.buffer);
}

constexpr char kProposed[] = "C:\\Models\\polyShip.3do";

INSTANTIATE_TEST_SUITE_P(
    Inputs, TerminalChooser,
    ::testing::Values(
        ChooserCase{"EnterAccepts", "\n", kProposed, 260, TRUE, kProposed},
        ChooserCase{"CrLfEnterAccepts", "\r\n", kProposed, 260, TRUE, kProposed},
        ChooserCase{"TypedPathReplaces", "/tmp/ship.3do\n", kProposed, 260, TRUE, "/tmp/ship.3do"},
        ChooserCase{"LastLineWithoutLineEnd", "/tmp/ship.3do", kProposed, 260, TRUE,
                    "/tmp/ship.3do"},
        ChooserCase{"EndOfInputCancels", "", kProposed, 260, FALSE, kProposed},
        ChooserCase{"DefaultExtensionAdded", "models/ship\n", kProposed, 260, TRUE,
                    "models/ship.3do"},
        ChooserCase{"DotInFolderIsNoExtension", "a.b/ship\n", kProposed, 260, TRUE, "a.b/ship.3do"},
        ChooserCase{"NothingProposedAsksAgain", "\nship.3do\n", "", 260, TRUE, "ship.3do"},
        ChooserCase{"PathLongerThanBufferFails", "/tmp/ship.3do\n", "a.3do", 13, FALSE, "a.3do"},
        ChooserCase{"PathFillingBufferFits", "/tmp/ship.3do\n", "a.3do", 14, TRUE,
                    "/tmp/ship.3do"}),
    [](const ::testing::TestParamInfo<ChooserCase>& info) { return std::string(info.param.name); });

TEST(TerminalMessageBox, PrintsCaptionAndTextAndAnswersOkWithoutReadingAFile) {
  const StdinRestored restored;
  FeedStdin("left for the next reader\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Error while importing:\nChars not found", "Jedi Knight 3DO",
                        MB_ICONERROR),
            IDOK);
  const std::string shown = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("Jedi Knight 3DO"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Error while importing:\nChars not found"), std::string::npos) << shown;
  char line[64] = {};
  ASSERT_NE(std::fgets(line, sizeof line, stdin), nullptr) << "stdin is no terminal: no wait";
  EXPECT_STREQ(line, "left for the next reader\n");
}

}  // namespace
#endif
