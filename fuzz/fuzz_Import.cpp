// Feeds arbitrary bytes through the whole import: the reader, the placement
// of the meshes, and the building of the host's model in the strict stand-in
// host library, which checks every call and every record. Every input must
// either be refused with an error of the system's own family, leaving the
// host untouched, or reach the host without a single fault; anything else
// aborts, and the fuzzer reports it with the crashes, leaks and hangs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Errors.h"
#include "HostModel.h"
#include "NumberConversion.h"
#include "O_3do.h"
#include "main.h"

namespace {

[[noreturn]] void Abort(const std::string& fault) {
  std::fprintf(stderr, "fuzz_Import: %s\n", fault.c_str());
  std::abort();
}

int32_t TriangleCount(const T3DMesh& mesh) {
  int32_t triangles = 0;
  for (int32_t face = 0; face < mesh.Surfaces.Count(); ++face) {
    const int32_t corners = mesh.Surfaces.Items(face)->Vertices.Count();
    if (corners >= 3) triangles += corners - 2;
  }
  return triangles;
}

// What reached the host must be the model, mesh for mesh.
void CheckCounts(const msModel* host, const T3DOModel& model) {
  if (hostmodel_MeshCount(host) != model.Meshes.Count()) Abort("the host has other meshes");
  for (int32_t i = 0; i < model.Meshes.Count(); ++i) {
    const T3DMesh& mesh = *model.Meshes.Items(i);
    if (hostmodel_VertexCount(host, i) != mesh.Vertices.Count())
      Abort("host mesh " + std::to_string(i) + " has other vertices");
    if (hostmodel_TriangleCount(host, i) != TriangleCount(mesh))
      Abort("host mesh " + std::to_string(i) + " has other triangles");
  }
}

void CheckHost(msModel* host, const T3DOModel& model, bool refused) {
  const std::vector<std::string> faults = hostmodel::CheckedFaults(host);
  if (!faults.empty()) Abort("host library fault: " + faults.front());
  if (refused && hostmodel_CallCount(host) != 0) Abort("a refused model reached the host");
  if (!refused) CheckCounts(host, model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetDecimalSeparator('.');
  T3DOModel model;
  try {
    model.ParseText(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    return 0;  // the import command stops here too: nothing goes to the host
  }
  msModel* host = hostmodel_Create();
  bool refused = false;
  try {
    AddToHostModel(model, host);
  } catch (const Exception&) {
    refused = true;
  }
  CheckHost(host, model, refused);
  hostmodel_Destroy(host);
  return 0;
}
