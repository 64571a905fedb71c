// The options that write the host model to a file. Each is one entry of the
// table: adding an output (a drawing, another format) means writing its
// module and adding one entry here; the command line, the usage text and
// the program pick it up from the table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "HostCommandLine.h"
#include "ImportRecord.h"

/// One file output: its option and the function that writes the file.
struct FileOutputKind {
  FileOutputOption option;  ///< e.g. {"--obj", "write the host model as Wavefront OBJ"}.
  /// Writes the file's content; returns a warning for the user, or "".
  std::string (*write)(const ImportRecord& record, std::ostream& out);
};

/// Every file output the program offers, in usage order.
const std::vector<FileOutputKind>& FileOutputKinds();

/// The options of FileOutputKinds(), for the command line.
std::vector<FileOutputOption> FileOutputOptions();

/// The option of the output that needs the record's host calls.
inline constexpr char kCallsOutputOption[] = "--calls";

/// The kind for an option, or null.
const FileOutputKind* FindFileOutput(const std::string& option);

/// Writes `record` to `path` (bytes as they are, no line-end conversion) with
/// the kind's writer. Returns false with `error` naming the file and the
/// problem if the file cannot be written; `warning` gets the writer's warning.
bool WriteFileOutput(const FileOutputKind& kind, const ImportRecord& record,
                     const std::string& path, std::string& warning, std::string& error);
