// The stand-in host program: loads a plug-in library, runs one import into an
// empty host model the way a modelling host does, and reports what happened.
//   modelhost [--plugin PATH] [--preload DLL] [--open FILE | --cancel] [--palette]
//             [--fail OPERATION:N] [--dump] [--obj FILE] [--svg FILE] [--calls FILE]
//   modelhost --repeat N [--reload] [--plugin PATH] [--preload DLL]
//             (--open FILE... | --cancel) [--fail OPERATION:N] [--dump]
// Exit status: 0 when Execute returned 0, 1 when it returned anything else
// (-1: failed or cancelled), 2 for a usage error, a plug-in library that
// cannot be loaded or driven, or an output file that cannot be written.
// With --repeat: 0 when every cycle's account matched its file's first
// cycle, 1 when one differed, 2 as above.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "DumpWriter.h"
#include "FileOutputs.h"
#include "HostCommandLine.h"
#include "HostModel.h"
#include "HostWindow.h"
#include "ImportRun.h"
#include "PlugInLoader.h"
#include "RepeatRun.h"
#include "SummaryWriter.h"
#include "UserScript.h"

namespace {

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitTrouble = 2;

int Fail(const std::string& message) {
  std::cerr << "modelhost: " << message << '\n';
  return kExitTrouble;
}

// Writes every requested file; false when one cannot be written.
bool WriteOutputs(const HostOptions& options, const ImportRecord& record) {
  bool allWritten = true;
  for (const FileOutputRequest& request : options.outputs) {
    std::string warning, error;
    const FileOutputKind* kind = FindFileOutput(request.option);
    if (kind == nullptr || !WriteFileOutput(*kind, record, request.path, warning, error)) {
      Fail(kind == nullptr ? "no writer for " + request.option : error);
      allWritten = false;
    } else if (!warning.empty()) {
      std::cerr << "modelhost: " << request.path << ": " << warning << '\n';
    }
  }
  return allWritten;
}

int RunRepeated(const HostOptions& options, const std::string& path) {
  std::string error;
  const RepeatOutcome outcome = RunRepeatedImports(options, path, std::cout, error);
  std::cout.flush();
  if (outcome == RepeatOutcome::kTrouble) return Fail(error);
  if (outcome == RepeatOutcome::kAlike) return kExitCompleted;
  std::cerr << "modelhost: " << error << '\n';
  return kExitFailed;
}

// Another module of the host's process, loaded before the plug-in and kept
// for the process's life, as a host's other plug-ins are.
bool Preload(const std::string& path) {
  return path.empty() || LoadLibraryA(path.c_str()) != nullptr;
}

// A person sees the host's window in front before the import, or the
// palette when the command is run from it. Says so when it is not, since
// the check after the import then cannot be made.
bool IsInFrontBeforeTheImport(const HostWindow& window, const HostOptions& options) {
  const bool inFront = window.WorkingWindowInFront();
  if (!inFront && window.Handle() != nullptr && options.answer == UserAnswer::kInteractive)
    std::cerr << "modelhost: the " << (window.Palette() != nullptr ? "palette" : "main window")
              << " is not in front, so whether the import keeps it there goes unchecked\n";
  return inFront;
}

// What the import left of the host's main window that would trouble a
// user: a window that takes no input, or another program's in front of it.
// Its own palette in front is as the user left it.
void RecordWindowFaults(const HostWindow& window, bool wasInFront, ImportRecord& record) {
  if (!window.EnabledOrAbsent())
    record.hostFaults.push_back("the plug-in left the host's main window disabled");
  if (wasInFront && !window.InFront())
    record.hostFaults.push_back(
        "the plug-in left another window in front of the host's main window");
}

// The process's current folder, "" when it cannot be read.
std::string CurrentFolder() {
  char folder[4096] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return "";
  return folder;
}

// The host opens and saves files relative to its current folder; a plug-in
// that moves it (as the file dialog does) misleads every later relative path.
void RecordFolderFault(const std::string& before, ImportRecord& record) {
  const std::string after = CurrentFolder();
  if (after != before)
    record.hostFaults.push_back("the plug-in moved the host's current folder from '" + before +
                                "' to '" + after + "'");
}

int Run(const HostOptions& options) {
  const std::string path = options.pluginPath.empty() ? DefaultPlugInPath() : options.pluginPath;
  if (!Preload(options.preloadPath)) return Fail("cannot preload '" + options.preloadPath + "'");
  // Shown when a person answers the dialogs, who could click it meanwhile,
  // and with its palette, which shows only beside it.
  const HostWindow mainWindow(options.answer == UserAnswer::kInteractive || options.palette,
                              options.palette);
  UserScript_WatchWindow(mainWindow.Handle());
  if (options.repeat > 0) return RunRepeated(options, path);
  std::string error;
  std::unique_ptr<LoadedPlugIn> plugIn = LoadedPlugIn::Load(path, error);
  if (!plugIn) return Fail(error);
  ImportRecord record;
  const bool inFrontBefore = IsInFrontBeforeTheImport(mainWindow, options);
  const std::string folderBefore = CurrentFolder();
  const bool keepCalls = std::any_of(
      options.outputs.begin(), options.outputs.end(),
      [](const FileOutputRequest& request) { return request.option == kCallsOutputOption; });
  if (!RunImport(*plugIn, options, options.openFile, record, error, keepCalls)) return Fail(error);
  RecordWindowFaults(mainWindow, inFrontBefore, record);
  RecordFolderFault(folderBefore, record);
  if (options.dump) {
    WriteDump(record, std::cout);
  } else {
    WriteSummary(record, std::cout);
  }
  std::cout.flush();
  // The summary lists faults itself; the dump's format has no place for them.
  for (const std::string& fault : options.dump ? record.hostFaults : std::vector<std::string>()) {
    std::cerr << "modelhost: host library fault: " << fault << '\n';
  }
  if (!WriteOutputs(options, record)) return kExitTrouble;
  return record.result == 0 ? kExitCompleted : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The dump must be the same bytes on every target: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  // A real host opens and saves its own files with the common dialogs, so
  // their library stays loaded while plug-ins come and go. Without it, each
  // unload of the plug-in would take the library along, and --repeat would
  // measure the system loading it again rather than the plug-in.
  LoadLibraryA("comdlg32.dll");
#endif
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CommandLineResult parsed = ParseHostCommandLine(args, FileOutputOptions());
  if (!parsed.ok) {
    std::cerr << "modelhost: " << parsed.error << '\n' << HostUsage(FileOutputOptions());
    return kExitTrouble;
  }
  if (parsed.options.help) {
    std::cout << HostUsage(FileOutputOptions());
    return kExitCompleted;
  }
  return Run(parsed.options);
}
