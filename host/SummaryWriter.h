// The short account of a run for a person at a terminal.
#pragma once

#include <ostream>

#include "ImportRecord.h"

/// Writes the plug-in's title and type, the result and what it means, every
/// message box (its caption, then its text as the box shows it), a table of the host meshes with
/// their vertex and triangle counts, and any misuse of the host library that was detected.
void WriteSummary(const ImportRecord& record, std::ostream& out);
