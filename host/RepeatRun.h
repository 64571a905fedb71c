// Repeated imports, as a host makes them that creates and destroys the
// plug-in object for every use: each cycle's account is checked against
// the first one with the same file, and the growth of the process's
// memory, handles and thread-local storage slots over the cycles is
// reported.
#pragma once

#include <ostream>
#include <string>

#include "HostCommandLine.h"

/// How a run of repeated cycles ended.
enum class RepeatOutcome {
  kAlike,     ///< Every cycle's account matched its file's first cycle.
  kDiffered,  ///< A cycle's account differed; `error` names it.
  kTrouble,   ///< The library could not be loaded or driven; `error` says why.
};

/// Runs options.repeat cycles of the plug-in library at `pluginPath`, each
/// creating the object, asking its type and title, executing on a new host
/// model with the next of options.openFiles (or a cancel), the host refusing
/// the call that options.failOperation names, if any, and destroying the
/// object; with options.reload the library itself is loaded and unloaded
/// every cycle. Writes to `out` each file's first account (a dump or a
/// summary, as options.dump says) and the growth measured after the
/// warm-up cycles. Stops at the first cycle that differs.
RepeatOutcome RunRepeatedImports(const HostOptions& options, const std::string& pluginPath,
                                 std::ostream& out, std::string& error);
