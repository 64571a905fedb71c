// The command line of the stand-in host program:
//   modelhost [--plugin PATH] [--preload DLL] [--open FILE | --cancel]
//             [--palette] [--fail OPERATION:N] [--dump] [--obj FILE]
//             [--repeat N [--reload]]
// Options that write the host model to a file (--obj, and any added later)
// are not hard-wired: the caller names them, and each one given becomes a
// FileOutputRequest in the order given.
#pragma once

#include <string>
#include <vector>

/// How the user answers the plug-in's file dialog.
enum class UserAnswer {
  kInteractive,  ///< A person answers the real dialog or the terminal chooser.
  kOpen,         ///< The dialog is answered with HostOptions::openFile.
  kCancel,       ///< The dialog is cancelled.
};

/// An option that writes the host model to a file, such as "--obj".
struct FileOutputOption {
  std::string option;       ///< As typed, e.g. "--obj".
  std::string description;  ///< One line for the usage text.
};

/// One requested file output, such as `--obj out.obj`.
struct FileOutputRequest {
  std::string option;  ///< The option as given, e.g. "--obj".
  std::string path;    ///< The file to write.
};

/// The failOperation of --fail ReadFile: one of the plug-in's file reads
/// fails, as on a failing medium, instead of a call into the host library.
constexpr int32_t kFailFileRead = 100;
/// The failOperation of --fail GetFileSize: one of the plug-in's file size
/// queries fails, as on a failing medium.
constexpr int32_t kFailFileSize = 101;
/// The failOperation of --fail VirtualAlloc: one of the plug-in's page
/// allocations fails, as when the host's address space is used up.
constexpr int32_t kFailPageAllocation = 102;

/// What the command line asks for.
struct HostOptions {
  std::string pluginPath;  ///< Empty: the Kelvado library next to the program.
  UserAnswer answer = UserAnswer::kInteractive;
  std::string openFile;  ///< The file to answer the dialog with (kOpen only).
  bool dump = false;     ///< Print the exact dump instead of the summary.
  bool help = false;     ///< Print the usage and do nothing else.
  /// The host operation whose call failCall fails, as a host at its limits
  /// would (a HostOperation), or kFailFileRead, kFailFileSize or
  /// kFailPageAllocation; -1 when nothing fails.
  int32_t failOperation = -1;
  int32_t failCall = 0;                    ///< Which call of failOperation fails, from 1.
  std::vector<FileOutputRequest> outputs;  ///< In command-line order.
  /// Every --open FILE in the order given, openFile first; more than one
  /// only with --repeat, whose cycles take them in turn.
  std::vector<std::string> openFiles;
  int repeat = 0;       ///< Import cycles to run and measure; 0: one plain import.
  bool reload = false;  ///< With repeat: load and unload the plug-in library every cycle.
  /// A library to load before the plug-in and keep loaded, as another
  /// module of the host's process would be; empty for none.
  std::string preloadPath;
  /// Shows a tool palette owned by the main window and makes it the active
  /// window before the import, as when the user runs the command from it.
  bool palette = false;
};

/// The outcome of reading a command line.
struct CommandLineResult {
  bool ok = false;      ///< False for a usage error.
  HostOptions options;  ///< Valid when ok.
  std::string error;    ///< Names the problem when not ok.
};

/// Reads the arguments (without the program name). `fileOutputs` are the
/// options, like "--obj", that take a FILE to write the host model to.
CommandLineResult ParseHostCommandLine(const std::vector<std::string>& args,
                                       const std::vector<FileOutputOption>& fileOutputs);

/// The usage text, listing the file output options as well.
std::string HostUsage(const std::vector<FileOutputOption>& fileOutputs);
