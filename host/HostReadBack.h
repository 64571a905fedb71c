// Reading a stand-in host model back into plain records, for the reports
// of a run and for tests that compare two imports.
#pragma once

#include <vector>

#include "ImportRecord.h"
#include "msLib.h"

/// Reads every mesh of a stand-in host model, in host order.
std::vector<HostMeshRecord> ReadHostModel(const msModel* model);
