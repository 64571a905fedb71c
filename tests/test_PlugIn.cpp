// The plug-in end to end: the built Kelvado and KelvadoImpl libraries,
// loaded as a host loads them, importing into the stand-in host model with
// a scripted user.
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "DumpWriter.h"
#include "HostModel.h"
#include "HostReadBack.h"
#include "PlugInHarness.h"
#include "StandInWindows.h"
#include "UserScriptHooks.h"

namespace fs = std::filesystem;
using namespace plugintest;

namespace {

constexpr char kErrorPrefix[] = "Error while importing:\n";
constexpr char kDefaultPath[] = "polyShip.3do";

std::string DataFile(const std::string& name) { return std::string(KELVADO_DATA_DIR) + "/" + name; }

class PlugInImport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#ifndef _WIN32
    scriptWasOn_ = UserScript_IsOn();
#endif
    createPlugIn_ = LoadPlugInLibrary();
  }

  // The stand-ins serve the terminal again for the tests that follow.
  static void TearDownTestSuite() {
#ifndef _WIN32
    if (!scriptWasOn_) UserScript_Detach();
#endif
  }

  void SetUp() override {
    folder_ = fs::current_path();
    ASSERT_NE(createPlugIn_, nullptr) << "Kelvado did not load";
    UserScript_Reset();
    host_ = hostmodel_Create();
  }

  // Nothing queued, recorded or armed stays for the next test, even when
  // this one stopped at a failed assertion.
  void TearDown() override {
    UserScript_Reset();
    hostmodel_FailCall(kHostAddMesh, 0);
    hostmodel_Destroy(host_);
    fs::current_path(folder_);  // the scripted dialog moves it, as the real one does
  }

  static PlugInPtr Create() { return PlugInPtr(createPlugIn_()); }

  // Runs the import command with the user choosing `path` in the dialog.
  int32_t Import(PlugIn& plugIn, const std::string& path) {
    UserScript_AnswerFileDialog(path);
    return plugIn.Execute(host_);
  }

  // The test's thread has no window, so the box has no owner and keeps the
  // thread's windows from input by being task-modal.
  void ExpectOneErrorBox(const std::string& text) {
    ASSERT_EQ(UserScript_Boxes().size(), 1u);
    const UserScriptBox& box = UserScript_Boxes()[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, "Jedi Knight 3DO");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONERROR | MB_TASKMODAL));
    EXPECT_EQ(box.text, text);
  }

  static inline CreatePlugInFunction createPlugIn_ = nullptr;
#ifndef _WIN32
  static inline bool scriptWasOn_ = false;
#endif
  msModel* host_ = nullptr;
  fs::path folder_;  ///< The current folder when the test began.
};

TEST_F(PlugInImport, DescribesItselfByTypeAndOneConstantTitle) {
  PlugInPtr first = Create();
  PlugInPtr second = Create();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetType(), 1);
  EXPECT_EQ(second->GetType(), 1);
  const char* title = first->GetTitle();
  EXPECT_STREQ(title, "Jedi Knight 3DO...");
  EXPECT_EQ(first->GetTitle(), title);
  EXPECT_EQ(second->GetTitle(), title);
  EXPECT_TRUE(UserScript_Boxes().empty());
  EXPECT_TRUE(UserScript_Dialogs().empty()) << "nothing happens before Execute";
}

TEST_F(PlugInImport, CancelledDialogGivesMinusOneWithoutBoxOrHostCall) {
  PlugInPtr plugIn = Create();
  UserScript_CancelFileDialog();
  EXPECT_EQ(plugIn->Execute(host_), -1);
  EXPECT_EQ(UserScript_Dialogs().size(), 1u);
  EXPECT_TRUE(UserScript_Boxes().empty());
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

TEST_F(PlugInImport, AsksForOneFileWithTheFullOpenRequest) {
  PlugInPtr plugIn = Create();
  UserScript_CancelFileDialog();
  plugIn->Execute(host_);
  ASSERT_EQ(UserScript_Dialogs().size(), 1u);
  const UserScriptDialog& dialog = UserScript_Dialogs()[0];
  EXPECT_EQ(dialog.structSize, sizeof(OPENFILENAMEA));
#if defined(_WIN32) && !defined(_WIN64)
  EXPECT_EQ(dialog.structSize, 88u);
#endif
  EXPECT_EQ(dialog.owner, nullptr);
  EXPECT_EQ(dialog.filter, std::string("Jedi Knight 3DO (*.3do)\0*.3do\0", 30));
  EXPECT_EQ(dialog.filterIndex, 1u);
  EXPECT_EQ(dialog.initialFile, kDefaultPath);
  EXPECT_EQ(dialog.maxFile, 260u);
  EXPECT_EQ(dialog.title, "Import Jedi Knight 3DO");
  EXPECT_EQ(dialog.flags, 0u);
  EXPECT_EQ(dialog.defaultExtension, "3do");
}

struct FailedImport {
  const char* file;
  const char* message;  // After the prefix; null: the file-open message.
};

class PlugInFailure : public PlugInImport, public ::testing::WithParamInterface<FailedImport> {};

// A file that cannot be opened or is malformed: one box with the reader's
// message, the host untouched, -1.
TEST_P(PlugInFailure, ShowsOneErrorBoxAndLeavesTheHostUntouched) {
  PlugInPtr plugIn = Create();
  const std::string path = DataFile(GetParam().file);
  EXPECT_EQ(Import(*plugIn, path), -1);
  if (GetParam().message != nullptr) {
    ExpectOneErrorBox(kErrorPrefix + std::string(GetParam().message));
  } else {
    ASSERT_EQ(UserScript_Boxes().size(), 1u);
    const std::string& text = UserScript_Boxes()[0].text;
    EXPECT_EQ(text.rfind(kErrorPrefix + std::string("Cannot open file \""), 0), 0u) << text;
    EXPECT_NE(text.find(std::string(GetParam().file) + "\". "), std::string::npos) << text;
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlugInFailure,
    ::testing::Values(FailedImport{"plugin_no_such_file.3do", nullptr},
                      FailedImport{"empty.3do", "Token 'MATERIALS' not found"},
                      FailedImport{"no_hierarchy.3do", "Token 'HIERARCHY NODES' not found"},
                      FailedImport{"z_line_break.3do", "'0\n' is not a valid floating point value"},
                      FailedImport{"mesh_index_out_of_range.3do",
                                   "Mesh Index is out of bounds: 1"}));

// How the dialog is answered. Each way, the user has walked into the data
// folder in the dialog, which moves the current folder there.
struct ModalPath {
  const char* name;
  const char* file;  // in tests/data; null: cancelled; "": a name too long, the dialog fails
  size_t boxes;
};

void PrintTo(const ModalPath& c, std::ostream* out) { *out << c.name; }

// Windows of the host's thread, destroyed after the test, owned ones first.
class PlugInWindows : public PlugInImport {
 protected:
  void TearDown() override {
    UserScript_WatchWindow(nullptr);
    for (auto window = windows_.rbegin(); window != windows_.rend(); ++window)
      DestroyWindow(*window);
    PlugInImport::TearDown();
  }

  // A top-level window, shown or not, enabled or not; null when none can
  // be made here.
  HWND MakeWindow(bool visible, bool enabled, HWND owner = nullptr) {
    const DWORD style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0u) |
                        (enabled ? 0u : static_cast<DWORD>(WS_DISABLED));
    HWND window = CreateWindowExA(0, "STATIC", "host", style, 0, 0, 100, 100, owner, nullptr,
                                  nullptr, nullptr);
    if (window != nullptr) windows_.push_back(window);
    return window;
  }

  void AnswerDialog(const char* file) {
    if (file == nullptr) return UserScript_CancelFileDialog(DataFile(""));
    UserScript_AnswerFileDialog(DataFile(*file ? file : std::string(260, 'x')));
  }

  std::vector<HWND> windows_;
};

// A way of answering, and whether the user ran the command from a tool
// palette of the host's main window rather than from the main window.
using ModalCase = std::tuple<ModalPath, bool>;

class PlugInModality : public PlugInWindows, public ::testing::WithParamInterface<ModalCase> {
 protected:
  // A tool palette that `host` owns, made active as when the user runs the
  // command from it. The host's window disables it with itself, as the
  // frames of common class libraries do (on Linux, where the stand-ins can
  // act so). Null when it cannot be set up here.
  HWND MakeActivePalette(HWND host) {
    const HWND palette = MakeWindow(true, true, host);
#ifndef _WIN32
    if (!StandInWindows_ActAsFrame(host)) return nullptr;
#endif
    SetActiveWindow(palette);
    return GetActiveWindow() == palette ? palette : nullptr;
  }
};

// The host's main window, active and in front (or its palette), with another
// program's window behind it (on Linux, where the stand-ins can make one):
// the dialog and the box are owned by the host's main window, which takes
// no input while they show, and afterwards the host's window is enabled,
// active and still in front; the other program never had its turn.
TEST_P(PlugInModality, HostStaysInFrontAndTakesNoInputWhileTheDialogOrBoxShows) {
  const auto& [c, fromPalette] = GetParam();
#ifndef _WIN32
  const HWND other = StandInWindows_MakeOtherProgramWindow();
  ASSERT_NE(other, nullptr);
  windows_.push_back(other);
#endif
  const HWND host = MakeWindow(true, true);
  if (host == nullptr) GTEST_SKIP() << "no window can be made here";
#ifndef _WIN32
  ASSERT_TRUE(StandInWindows_BringToFront(host));
  const unsigned otherActivations = StandInWindows_Activations(other);
#endif
  const HWND palette = fromPalette ? MakeActivePalette(host) : nullptr;
  if (fromPalette && palette == nullptr) GTEST_SKIP() << "no active palette can be made here";
  UserScript_WatchWindow(host);
  AnswerDialog(c.file);
  PlugInPtr plugIn = Create();
  plugIn->Execute(host_);
  ASSERT_EQ(UserScript_Dialogs().size(), 1u);
  EXPECT_EQ(UserScript_Dialogs()[0].owner, host);
  EXPECT_FALSE(UserScript_Dialogs()[0].hostWindowEnabled);
  ASSERT_EQ(UserScript_Boxes().size(), c.boxes);
  for (const UserScriptBox& box : UserScript_Boxes()) {
    EXPECT_EQ(box.owner, host);
    EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(box.hostWindowEnabled);
  }
  EXPECT_TRUE(IsWindowEnabled(host));
  if (palette != nullptr) {
    EXPECT_TRUE(IsWindowEnabled(palette));
  }
  EXPECT_EQ(GetActiveWindow(), host);
#ifndef _WIN32
  EXPECT_EQ(GetForegroundWindow(), host) << "another program's window is in front";
  EXPECT_EQ(StandInWindows_Activations(other), otherActivations)
      << "another program's window was activated during the import";
#endif
}

const ModalPath kModalPaths[] = {{"Cancelled", nullptr, 0},
                                 {"DialogFailed", "", 0},
                                 {"Imported", "triangle.3do", 0},
                                 {"ErrorBox", "no_hierarchy.3do", 1}};

INSTANTIATE_TEST_SUITE_P(Paths, PlugInModality,
                         ::testing::Combine(::testing::ValuesIn(kModalPaths), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<ModalCase>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "FromThePalette" : "");
                         });

class PlugInCurrentFolder : public PlugInWindows,
                            public ::testing::WithParamInterface<ModalPath> {};

// Whichever way the dialog ends, the host's current folder is the one it
// had before, though the user walked into another folder in the dialog.
TEST_P(PlugInCurrentFolder, IsLeftAsTheHostHadIt) {
  const ModalPath& c = GetParam();
  ASSERT_FALSE(fs::equivalent(fs::current_path(), DataFile(""))) << "the test starts elsewhere";
  AnswerDialog(c.file);
  PlugInPtr plugIn = Create();
  plugIn->Execute(host_);
  ASSERT_EQ(UserScript_Dialogs().size(), 1u);
  EXPECT_EQ(fs::current_path(), folder_);
}

INSTANTIATE_TEST_SUITE_P(Paths, PlugInCurrentFolder, ::testing::ValuesIn(kModalPaths),
                         [](const ::testing::TestParamInfo<ModalPath>& info) {
                           return info.param.name;
                         });

// One window of the host's thread before the import.
struct HostWindowSpec {
  bool visible;
  bool enabled;
  int owner;  // the index of its owner among the windows before it; -1: none
};

struct OwnerCase {
  const char* name;
  std::vector<HostWindowSpec> windows;
  int active;                 // the index of the active window; -1: none
  int owner;                  // the index of the window expected as owner; -1: none
  bool firstEnabledInDialog;  // whether window 0 takes input while the dialog shows
  bool firstEnabledInBox;     // ... and while the box shows
};

void PrintTo(const OwnerCase& c, std::ostream* out) { *out << c.name; }

class PlugInDialogOwner : public PlugInWindows, public ::testing::WithParamInterface<OwnerCase> {
 protected:
  // Makes the case's windows and activates the one named; false when this
  // system cannot set the case up.
  bool MakeWindows() {
    for (const HostWindowSpec& spec : GetParam().windows) {
      if (MakeWindow(spec.visible, spec.enabled, WindowAt(spec.owner)) == nullptr) return false;
    }
    const HWND active = WindowAt(GetParam().active);
    SetActiveWindow(active);
    return GetActiveWindow() == active;
  }

  // The case's window `index`; null for -1 or a window the case lacks.
  HWND WindowAt(int index) const {
    const auto at = static_cast<size_t>(index);
    return index < 0 || at >= windows_.size() ? nullptr : windows_[at];
  }
};

// The dialog and the box belong to the window the user ran the command
// from, or the host's main window, or, for a host without any window, to
// none, and the box is then task-modal, which disables every window of the
// thread while it shows. Each window is as it was afterwards.
TEST_P(PlugInDialogOwner, BelongsToTheActiveOrTheMainWindowElseToNone) {
  const OwnerCase& c = GetParam();
  if (!MakeWindows()) GTEST_SKIP() << "the windows cannot be set up here";
  std::vector<bool> enabledBefore;
  for (HWND window : windows_) enabledBefore.push_back(IsWindowEnabled(window) != FALSE);
  UserScript_WatchWindow(WindowAt(0));
  PlugInPtr plugIn = Create();
  EXPECT_EQ(Import(*plugIn, DataFile("no_hierarchy.3do")), -1);
  const HWND owner = WindowAt(c.owner);
  ASSERT_EQ(UserScript_Dialogs().size(), 1u);
  EXPECT_EQ(UserScript_Dialogs()[0].owner, owner);
  ASSERT_EQ(UserScript_Boxes().size(), 1u);
  const UserScriptBox& box = UserScript_Boxes()[0];
  EXPECT_EQ(box.owner, owner);
  EXPECT_EQ(box.style,
            static_cast<UINT>(owner != nullptr ? MB_ICONERROR : MB_ICONERROR | MB_TASKMODAL));
  if (!windows_.empty()) {
    EXPECT_EQ(UserScript_Dialogs()[0].hostWindowEnabled, c.firstEnabledInDialog);
    EXPECT_EQ(box.hostWindowEnabled, c.firstEnabledInBox);
  }
  for (size_t i = 0; i < windows_.size(); ++i)
    EXPECT_EQ(IsWindowEnabled(windows_[i]) != FALSE, enabledBefore[i]) << "window " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, PlugInDialogOwner,
    ::testing::Values(
        OwnerCase{"ActiveMainWindow", {{true, true, -1}}, 0, 0, false, false},
        // The host's own modal dialog: the host disabled its owner for it.
        OwnerCase{
            "ActiveModalDialogOfTheHost", {{true, false, -1}, {true, true, 0}}, 1, 1, false, false},
        // The window behind a notification area menu, say: it has no
        // taskbar button and nothing to return to.
        OwnerCase{"HiddenActiveWindowGivesWayToItsOwner",
                  {{true, true, -1}, {false, true, 0}},
                  1,
                  0,
                  false,
                  false},
        OwnerCase{"NoneActiveFirstVisibleUnowned",
                  {{false, true, -1}, {true, true, 0}, {true, true, -1}},
                  -1,
                  2,
                  true,
                  true},
        OwnerCase{"OnlyHiddenWindows", {{false, true, -1}}, -1, -1, true, false},
        OwnerCase{"NoWindowAtAll", {}, -1, -1, false, false},
        OwnerCase{"OwnerTheHostHadDisabled", {{true, false, -1}}, 0, 0, false, false}),
    [](const ::testing::TestParamInfo<OwnerCase>& info) { return info.param.name; });

struct GoodFile {
  const char* file;
  int32_t meshes;
};

class PlugInSuccess : public PlugInImport, public ::testing::WithParamInterface<GoodFile> {};

TEST_P(PlugInSuccess, ImportsWithoutBoxOrHostFault) {
  PlugInPtr plugIn = Create();
  EXPECT_EQ(Import(*plugIn, DataFile(GetParam().file)), 0);
  EXPECT_TRUE(UserScript_Boxes().empty());
  EXPECT_EQ(hostmodel_MeshCount(host_), GetParam().meshes);
  EXPECT_EQ(hostmodel::CheckedFaults(host_), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Files, PlugInSuccess,
                         ::testing::Values(GoodFile{"triangle.3do", 1}, GoodFile{"walker.3do", 3},
                                           GoodFile{"plugin_decimal_point.3do", 1}));

// The dump of these host meshes, with nothing else of a run in it.
std::string HostModelDumpOf(const std::vector<HostMeshRecord>& meshes) {
  ImportRecord record;
  record.meshes = meshes;
  std::ostringstream out;
  WriteDump(record, out);
  return out.str();
}

// The dump of the host model after an import.
std::string HostModelDump(const msModel* host) { return HostModelDumpOf(ReadHostModel(host)); }

// Later versions carry colours where 2.1 carries intensities; everything the
// host receives is the same, down to the last bit of every float.
TEST_F(PlugInImport, LaterVersionsGiveTheSameHostModelAsTheir21Twins) {
  const std::string examples = std::string(KELVADO_DATA_DIR) + "/../../examples/";
  const std::pair<std::string, std::string> twins[] = {
      {DataFile("walker_v22.3do"), DataFile("walker.3do")},
      {DataFile("walker_v23.3do"), DataFile("walker.3do")},
      {DataFile("polyShip_v23.3do"), examples + "polyShip.3do"}};
  PlugInPtr plugIn = Create();
  for (const auto& [twin, original] : twins) {
    msModel* originalHost = hostmodel_Create();
    UserScript_AnswerFileDialog(original);
    ASSERT_EQ(plugIn->Execute(originalHost), 0) << original;
    msModel* twinHost = hostmodel_Create();
    UserScript_AnswerFileDialog(twin);
    EXPECT_EQ(plugIn->Execute(twinHost), 0) << twin;
    EXPECT_GT(hostmodel_MeshCount(twinHost), 0) << twin;
    EXPECT_EQ(HostModelDump(twinHost), HostModelDump(originalHost)) << twin;
    hostmodel_Destroy(twinHost);
    hostmodel_Destroy(originalHost);
  }
  EXPECT_TRUE(UserScript_Boxes().empty());
}

TEST_F(PlugInImport, ImportAfterAnErrorStartsFresh) {
  PlugInPtr plugIn = Create();
  EXPECT_EQ(Import(*plugIn, DataFile("no_hierarchy.3do")), -1);
  EXPECT_EQ(Import(*plugIn, DataFile("triangle.3do")), 0);
  EXPECT_EQ(UserScript_Boxes().size(), 1u);
  EXPECT_EQ(hostmodel_MeshCount(host_), 1) << "nothing of the failed file reached the host";
  ASSERT_EQ(UserScript_Dialogs().size(), 2u);
  EXPECT_EQ(UserScript_Dialogs()[1].initialFile, kDefaultPath) << "a freshly prepared dialog";
  EXPECT_EQ(hostmodel::CheckedFaults(host_), std::vector<std::string>{});
}

// A file larger than a 32-bit host could hold is refused before anything
// is read, naming the file and its size, and never reaches the host.
TEST_F(PlugInImport, FileOf4GiBOrMoreIsTooLargeToImport) {
  const fs::path path = fs::temp_directory_path() / "plugin_larger_than_4_GiB.3do";
  std::ofstream(path).put('#');
  std::error_code error;
  fs::resize_file(path, (uintmax_t{5} << 30), error);
  if (error) GTEST_SKIP() << "no sparse 5 GiB file here: " << error.message();
  PlugInPtr plugIn = Create();
  EXPECT_EQ(Import(*plugIn, path.string()), -1);
  fs::remove(path);
  ExpectOneErrorBox(std::string(kErrorPrefix) + "File \"" + path.string() +
                    "\" is too large to import (5368709120 bytes)");
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

// Not host operations: a read of the file fails, as on a failing medium;
// the query of its size fails; the pages for its text cannot be had.
constexpr int32_t kFileRead = -1;
constexpr int32_t kFileSize = -2;
constexpr int32_t kPageAllocation = -3;

// walker.3do: body (4 corners, 2 triangles), leg and foot (3 corners, 1
// triangle each).
struct HostRefusal {
  const char* name;
  int32_t operation;
  int32_t call;            // which call of the operation the host refuses, from 1
  const char* message;     // for kFileRead the start of it; the path and the system's text follow
  int32_t meshes;          // the host's meshes afterwards
  int32_t lastVertices;    // ... and the vertices and triangles of the last
  int32_t lastTriangles;   // one, the refused record included
  bool largeFile = false;  // walker.3do followed by a comment that makes it two read pieces
};

void PrintTo(const HostRefusal& c, std::ostream* out) { *out << c.name; }

class PlugInHostRefusal : public PlugInImport, public ::testing::WithParamInterface<HostRefusal> {};

// The part of `got` that the import made before the host refused: equal to
// the same part of the import that the host did not refuse. A record the
// host refused to hand out was never written.
void ExpectPrefixOf(const std::vector<HostMeshRecord>& full, const std::vector<HostMeshRecord>& got,
                    const HostRefusal& c) {
  ASSERT_EQ(got.size(), static_cast<size_t>(c.meshes));
  for (size_t m = 0; m + 1 < got.size(); ++m)
    EXPECT_EQ(HostModelDumpOf({full[m]}), HostModelDumpOf({got[m]})) << m;
  if (got.empty()) return;
  const HostMeshRecord& last = got.back();
  HostMeshRecord expected = full[got.size() - 1];
  ASSERT_EQ(last.vertices.size(), static_cast<size_t>(c.lastVertices));
  ASSERT_EQ(last.triangles.size(), static_cast<size_t>(c.lastTriangles));
  expected.vertices.resize(last.vertices.size());
  expected.triangles.resize(last.triangles.size());
  if (c.operation == kHostGetMeshAt) expected.name.clear();
  if (c.operation == kHostGetVertexAt) expected.vertices.back() = HostVertexRecord();
  if (c.operation == kHostGetTriangleAt) expected.triangles.back() = HostTriangleRecord();
  EXPECT_EQ(HostModelDumpOf({expected}), HostModelDumpOf({last}));
}

// walker.3do, or for a large file walker.3do followed by a comment of
// 9 MiB, more than the reader asks for in one read call.
std::string RefusalFile(const HostRefusal& c) {
  if (!c.largeFile) return DataFile("walker.3do");
  const fs::path path = fs::temp_directory_path() / "plugin_walker_of_9_MiB.3do";
  std::ofstream large(path, std::ios::binary);
  large << std::ifstream(DataFile("walker.3do"), std::ios::binary).rdbuf() << "#"
        << std::string(size_t{9} << 20, 'x') << "\n";
  return path.string();
}

void Refuse(int32_t operation, int32_t call) {
  if (operation == kFileRead) {
    UserScript_FailRead(static_cast<unsigned>(call));
  } else if (operation == kFileSize) {
    UserScript_FailCall(UserScriptCall::kGetFileSize, static_cast<unsigned>(call));
  } else if (operation == kPageAllocation) {
    UserScript_FailCall(UserScriptCall::kVirtualAlloc, static_cast<unsigned>(call));
  } else {
    hostmodel_FailCall(operation, call);
  }
}

TEST_P(PlugInHostRefusal, StopsAtTheRefusalWithOneBoxAndKeepsWhatCameBefore) {
  const HostRefusal& c = GetParam();
  const std::string file = RefusalFile(c);
  PlugInPtr plugIn = Create();
  ASSERT_EQ(Import(*plugIn, file), 0);
  const std::vector<HostMeshRecord> full = ReadHostModel(host_);
  UserScript_Reset();
  msModel* refusing = hostmodel_Create();
  Refuse(c.operation, c.call);
  UserScript_AnswerFileDialog(file);
  EXPECT_EQ(plugIn->Execute(refusing), -1);
  Refuse(c.operation, 0);
  if (c.largeFile) fs::remove(file);
  if (c.operation == kFileRead) {
    // The path as the system spells it, then the system's text for the failure.
    ASSERT_EQ(UserScript_Boxes().size(), 1u);
    const std::string& text = UserScript_Boxes()[0].text;
    EXPECT_EQ(text.rfind(kErrorPrefix + std::string(c.message), 0), 0u) << text;
    const size_t name = text.find(fs::path(file).filename().string() + "\". ");
    EXPECT_NE(name, std::string::npos) << text;
    EXPECT_GT(text.size(), name + fs::path(file).filename().string().size() + 3) << text;
    EXPECT_EQ(hostmodel_CallCount(refusing), 0) << "nothing of an unread file reaches the host";
  } else if (c.operation == kFileSize || c.operation == kPageAllocation) {
    // Errors outside the reader's own: no room for the text.
    ExpectOneErrorBox(kErrorPrefix + std::string(c.message));
    EXPECT_EQ(hostmodel_CallCount(refusing), 0) << "nothing of an unread file reaches the host";
  } else {
    ExpectOneErrorBox(kErrorPrefix + std::string(c.message));
    // The refused call is the last one: nothing was handed back to the host
    // or written through a record it refused.
    HostCall last{};
    ASSERT_EQ(hostmodel_GetCall(refusing, hostmodel_CallCount(refusing) - 1, &last), 1);
    EXPECT_EQ(last.operation, c.operation);
    EXPECT_EQ(last.refused, 1);
  }
  ExpectPrefixOf(full, ReadHostModel(refusing), c);
  EXPECT_EQ(hostmodel::CheckedFaults(refusing), std::vector<std::string>{});
  hostmodel_Destroy(refusing);
}

INSTANTIATE_TEST_SUITE_P(
    Walker, PlugInHostRefusal,
    ::testing::Values(HostRefusal{"FirstAddMesh", kHostAddMesh, 1,
                                  "The host could not add mesh 0 ('body')", 0, 0, 0},
                      HostRefusal{"ThirdAddMesh", kHostAddMesh, 3,
                                  "The host could not add mesh 2 ('foot')", 2, 3, 1},
                      HostRefusal{"FirstGetMeshAt", kHostGetMeshAt, 1,
                                  "The host could not add mesh 0 ('body')", 1, 0, 0},
                      HostRefusal{"SecondGetMeshAt", kHostGetMeshAt, 2,
                                  "The host could not add mesh 1 ('leg')", 2, 0, 0},
                      HostRefusal{"FirstAddVertex", kHostAddVertex, 1,
                                  "The host could not add vertex 0 to mesh 'body'", 1, 0, 0},
                      HostRefusal{"SixthAddVertex", kHostAddVertex, 6,
                                  "The host could not add vertex 1 to mesh 'leg'", 2, 1, 0},
                      HostRefusal{"FirstGetVertexAt", kHostGetVertexAt, 1,
                                  "The host could not add vertex 0 to mesh 'body'", 1, 1, 0},
                      HostRefusal{"NinthGetVertexAt", kHostGetVertexAt, 9,
                                  "The host could not add vertex 1 to mesh 'foot'", 3, 2, 0},
                      HostRefusal{"FirstAddTriangle", kHostAddTriangle, 1,
                                  "The host could not add triangle 0 to mesh 'body'", 1, 4, 0},
                      HostRefusal{"SecondAddTriangle", kHostAddTriangle, 2,
                                  "The host could not add triangle 1 to mesh 'body'", 1, 4, 1},
                      HostRefusal{"FirstGetTriangleAt", kHostGetTriangleAt, 1,
                                  "The host could not add triangle 0 to mesh 'body'", 1, 4, 1},
                      HostRefusal{"FourthGetTriangleAt", kHostGetTriangleAt, 4,
                                  "The host could not add triangle 0 to mesh 'foot'", 3, 3, 1},
                      HostRefusal{"FirstReadFile", kFileRead, 1, "Cannot read file \"", 0, 0, 0},
                      HostRefusal{"SecondReadFileOfALargeFile", kFileRead, 2, "Cannot read file \"",
                                  0, 0, 0, true},
                      HostRefusal{"FirstGetFileSize", kFileSize, 1, "Out of memory", 0, 0, 0},
                      HostRefusal{"FirstVirtualAlloc", kPageAllocation, 1, "Out of memory", 0, 0,
                                  0}),
    [](const ::testing::TestParamInfo<HostRefusal>& info) { return info.param.name; });

// The file is read in pieces of at most 8 MiB, each asked for once: no read
// after the last piece, none at all for an empty file.
TEST_F(PlugInImport, ReadsTheFileInPiecesOfAtMost8MiB) {
  const struct {
    size_t size;
    unsigned reads;
  } cases[] = {{0, 0}, {1, 1}, {size_t{8} << 20, 1}, {(size_t{8} << 20) + 1, 2}};
  const fs::path path = fs::temp_directory_path() / "plugin_read_pieces.3do";
  PlugInPtr plugIn = Create();
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::binary) << std::string(c.size, '#');
    UserScript_Reset();
    EXPECT_EQ(Import(*plugIn, path.string()), -1) << "no model in it";
    EXPECT_EQ(UserScript_CallCount(UserScriptCall::kReadFile), c.reads) << c.size << " bytes";
    EXPECT_EQ(UserScript_CallCount(UserScriptCall::kGetFileSize), 1u);
  }
  fs::remove(path);
}

// A file that shrinks after its size was taken: what it still holds is
// read, and nothing past it, once the reads come back empty.
TEST_F(PlugInImport, FileThatShrankWhileReadImportsWhatItHolds) {
  const std::string file = DataFile("walker.3do");
  PlugInPtr plugIn = Create();
  ASSERT_EQ(Import(*plugIn, file), 0);
  const std::string whole = HostModelDump(host_);
  for (DWORD lost : {DWORD{1}, DWORD{100000}, DWORD{9} << 20}) {
    UserScript_Reset();
    UserScript_OverstateFileSize(lost);
    msModel* shrunk = hostmodel_Create();
    UserScript_AnswerFileDialog(file);
    EXPECT_EQ(plugIn->Execute(shrunk), 0) << lost;
    EXPECT_EQ(HostModelDump(shrunk), whole) << lost;
    EXPECT_TRUE(UserScript_Boxes().empty()) << lost;
    hostmodel_Destroy(shrunk);
  }
}

TEST_F(PlugInImport, ImplementationStaysLoadedUntilTheLastObjectGoes) {
  const fs::path implementation = ProgramFolder() / LibraryFileName("KelvadoImpl");
  ASSERT_FALSE(IsLoaded(implementation));
  PlugInPtr first = Create();
  PlugInPtr second = Create();
  first.reset();
  EXPECT_TRUE(IsLoaded(implementation));
  UserScript_CancelFileDialog();
  EXPECT_EQ(second->Execute(host_), -1) << "the remaining object still works";
  second.reset();
  EXPECT_FALSE(IsLoaded(implementation));
}

#ifdef _WIN32
#ifdef _WIN64
#define HOST_THISCALL
#else
#define HOST_THISCALL __thiscall
#endif

// The object as a host built with Microsoft's compiler calls it: through a
// table of exactly four entries, the first being the deleting destructor.
struct HostSlots {
  void*(HOST_THISCALL* destroy)(void* self, unsigned flags);
  int32_t(HOST_THISCALL* getType)(void* self);
  const char*(HOST_THISCALL* getTitle)(void* self);
  int32_t(HOST_THISCALL* execute)(void* self, void* model);
};

TEST_F(PlugInImport, PresentsTheFourSlotsOfTheHostsCompiler) {
  PlugIn* object = createPlugIn_();
  ASSERT_NE(object, nullptr);
  const HostSlots* slots = *reinterpret_cast<HostSlots* const*>(object);
  EXPECT_EQ(slots->getType(object), 1);
  EXPECT_STREQ(slots->getTitle(object), "Jedi Knight 3DO...");
  UserScript_AnswerFileDialog(DataFile("triangle.3do"));
  EXPECT_EQ(slots->execute(object, host_), 0);
  EXPECT_EQ(hostmodel_MeshCount(host_), 1);
  EXPECT_EQ(slots->destroy(object, 1), object);
  EXPECT_FALSE(IsLoaded(ProgramFolder() / "KelvadoImpl.dll"));
}
#endif

// Runs on its own as test_PlugIn_DecimalComma, under regional settings
// that write numbers with a decimal comma, set before the implementation
// library loads.
class DecimalComma : public PlugInImport {};

TEST_F(DecimalComma, FullStopNumbersStillRead) {
  const char* locale = std::getenv("LC_ALL");
  if (locale == nullptr || std::string(locale) != "de_DE.UTF-8") {
    GTEST_SKIP() << "runs as test_PlugIn_DecimalComma, under LC_ALL=de_DE.UTF-8";
  }
#ifdef _WIN32
  char separator[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
  ASSERT_STREQ(separator, ",") << "the premise: the user's settings write a decimal comma";
#else
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "generate it: cmake/install-deps.sh";
  const std::string separator = std::localeconv()->decimal_point;
  std::setlocale(LC_ALL, before.c_str());
  ASSERT_EQ(separator, ",");
#endif
  PlugInPtr plugIn = Create();
  EXPECT_EQ(Import(*plugIn, DataFile("plugin_decimal_point.3do")), 0);
  EXPECT_TRUE(UserScript_Boxes().empty());
  float position[3] = {};
  float texCoords[2] = {};
  ASSERT_EQ(hostmodel_GetVertex(host_, 0, 0, position, texCoords), 1);
  EXPECT_EQ(position[0], 1.5f);
  EXPECT_EQ(position[1], 0.25f);
  EXPECT_EQ(position[2], -2.75f);
  EXPECT_EQ(texCoords[0], 0.5f);
  EXPECT_EQ(texCoords[1], 16.75f);
}

}  // namespace
