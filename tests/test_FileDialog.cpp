// The terminal stand-ins for the file dialog and the message box, fed
// through stdin. On Windows the real dialogs are used, and there is nothing
// of ours to test here.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
  const char* defaultExtension = "3do";
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
 protected:
  // A chosen path comes back full, as from the real dialog: relative to
  // the folder the test started in.
  std::string Expected(const ChooserCase& c) const {
    if (!c.result || c.buffer[0] == '/') return c.buffer;
    return folder_.string() + "/" + c.buffer;
  }

  // The chooser moves the current folder to the chosen file's.
  void TearDown() override { std::filesystem::current_path(folder_); }

 private:
  StdinRestored stdin_;
  const std::filesystem::path folder_ = std::filesystem::current_path();
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
  request.lpstrDefExt = c.defaultExtension;
  EXPECT_EQ(GetOpenFileNameA(&request), c.result);
  EXPECT_EQ(buffer, Expected(c));
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
        ChooserCase{"NoDefaultExtension", "models/ship\n", kProposed, 260, TRUE, "models/ship",
                    nullptr},
        ChooserCase{"EmptyDefaultExtension", "models/ship\n", kProposed, 260, TRUE, "models/ship",
                    ""},
        ChooserCase{"NothingProposedAsksAgain", "\nship.3do\n", "", 260, TRUE, "ship.3do"},
        ChooserCase{"PathLongerThanBufferFails", "/tmp/ship.3do\n", "a.3do", 13, FALSE, "a.3do"},
        ChooserCase{"PathFillingBufferFits", "/tmp/ship.3do\n", "a.3do", 14, TRUE,
                    "/tmp/ship.3do"}),
    [](const ::testing::TestParamInfo<ChooserCase>& info) { return std::string(info.param.name); });

// A request with nowhere to put a path fails before asking: the typed line
// stays for the next reader.
TEST(TerminalChooserRequest, WithoutABufferFailsWithoutAsking) {
  const StdinRestored restored;
  char buffer[260] = "a.3do";
  OPENFILENAMEA withBuffer{};
  withBuffer.lStructSize = sizeof withBuffer;
  withBuffer.lpstrFile = buffer;
  OPENFILENAMEA withoutBuffer = withBuffer;
  withoutBuffer.lpstrFile = nullptr;
  withoutBuffer.nMaxFile = sizeof buffer;
  const struct {
    const char* what;
    OPENFILENAMEA* request;
  } cases[] = {{"no request", nullptr}, {"no buffer", &withoutBuffer}, {"no room", &withBuffer}};
  for (const auto& c : cases) {
    FeedStdin("/tmp/ship.3do\n");
    EXPECT_FALSE(GetOpenFileNameA(c.request)) << c.what;
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, stdin), nullptr) << c.what;
    EXPECT_STREQ(line, "/tmp/ship.3do\n") << c.what;
  }
  EXPECT_STREQ(buffer, "a.3do");
}

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

// Makes a new pseudo-terminal stdin while it lives; a test types into it.
// Declared after a StdinRestored, which gives the old stdin back.
class TerminalStdin {
 public:
  TerminalStdin() : terminal_(posix_openpt(O_RDWR | O_NOCTTY)) {
    if (terminal_ < 0 || grantpt(terminal_) != 0 || unlockpt(terminal_) != 0) return;
    const int user = open(ptsname(terminal_), O_RDWR | O_NOCTTY);
    if (user < 0) return;
    std::fflush(stdin);
    ready_ = dup2(user, STDIN_FILENO) == STDIN_FILENO;
    close(user);
    std::clearerr(stdin);
  }
  ~TerminalStdin() {
    if (terminal_ >= 0) close(terminal_);
  }
  TerminalStdin(const TerminalStdin&) = delete;
  TerminalStdin& operator=(const TerminalStdin&) = delete;

  bool ready() const { return ready_; }

  // What a person types, line editing keys included (^D ends the input).
  bool Type(const std::string& keys) const {
    return write(terminal_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
  }

  // The next line that stdin holds, or "(nothing)" when none comes within a
  // second: a test never waits for a line that a fault consumed.
  static std::string NextLine() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, 1000) != 1) return "(nothing)";
    std::clearerr(stdin);
    char line[64] = {};
    return std::fgets(line, sizeof line, stdin) != nullptr ? line : "(nothing)";
  }

 private:
  int terminal_;
  bool ready_ = false;
};

// On a terminal the box waits for Enter: it takes the one line typed, or the
// end of the input, and leaves what follows for the next reader.
TEST(TerminalMessageBox, OnATerminalWaitsForOneLine) {
  const struct {
    const char* what;
    const char* caption;
    const char* text;
    const char* keys;
    const char* shown;  // all of stderr
  } cases[] = {
      {"Enter", "Jedi Knight 3DO", "Out of memory", "\n",
       "[Jedi Knight 3DO]\nOut of memory\n(press Enter)"},
      {"words, then Enter", "Jedi Knight 3DO", "Out of memory", "fine, thanks\n",
       "[Jedi Knight 3DO]\nOut of memory\n(press Enter)"},
      {"end of input", "Jedi Knight 3DO", "Out of memory", "\x04",
       "[Jedi Knight 3DO]\nOut of memory\n(press Enter)"},
      {"no caption and no text", nullptr, nullptr, "\n", "[Error]\n\n(press Enter)"},
  };
  for (const auto& c : cases) {
    const StdinRestored restored;
    const TerminalStdin terminal;
    ASSERT_TRUE(terminal.ready()) << c.what;
    ASSERT_TRUE(terminal.Type(std::string(c.keys) + "for the next reader\n")) << c.what;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, c.text, c.caption, MB_ICONERROR), IDOK) << c.what;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.shown) << c.what;
    EXPECT_EQ(TerminalStdin::NextLine(), "for the next reader\n") << c.what;
  }
}

}  // namespace
#endif
