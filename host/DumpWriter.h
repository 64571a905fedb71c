// The exact, line-oriented account of a run that scripts read and that is
// compared byte for byte between the targets.
#pragma once

#include <ostream>

#include "ImportRecord.h"

/// Writes the run in this order, one item per line, each line ending in LF:
///   box "CAPTION" "TEXT"                  (boxes shown while creating the object)
///   plugin type N title "TITLE"
///   box "CAPTION" "TEXT"                  (boxes shown during Execute)
///   result N
///   mesh I "NAME" vertices N triangles M  (per mesh, followed by)
///   v X Y Z U V                           (per vertex)
///   t A B C                               (per triangle)
void WriteDump(const ImportRecord& record, std::ostream& out);
