// Feeds arbitrary bytes through the whole import: the reader, the placement
// of the meshes, and the building of the host's model in the strict stand-in
// host library, which checks every call and every record. Every input must
// either be refused with an error of the system's own family, leaving the
// host untouched, or reach the host without a single fault; anything else
// aborts, and the fuzzer reports it with the crashes, leaks and hangs. A
// model that reached the host goes once more into a host that refuses one of
// its Add or Get calls, picked by the input, and must stop right there.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
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

// The call of one of the six refusable operations that the input's bytes
// pick among those the import made: {operation, its number from 1}, or
// {-1, 0} when the import made none.
std::pair<int32_t, int32_t> PickRefusal(const msModel* host, const uint8_t* data, size_t size) {
  constexpr int32_t kRefusable[] = {kHostAddMesh,     kHostGetMeshAt,   kHostAddVertex,
                                    kHostGetVertexAt, kHostAddTriangle, kHostGetTriangleAt};
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  const int32_t operation = kRefusable[hash % 6];
  int32_t calls = 0;
  HostCall call;
  for (int32_t i = 0; hostmodel_GetCall(host, i, &call) != 0; ++i)
    calls += call.operation == operation;
  if (calls == 0) return {-1, 0};
  return {operation, 1 + static_cast<int32_t>((hash / 6) % static_cast<uint32_t>(calls))};
}

// The same model into a host that refuses one of its calls: the import must
// stop there with the host's error, having made no call after it and left
// no fault.
void CheckRefusingHost(const T3DOModel& model, std::pair<int32_t, int32_t> refusal) {
  msModel* host = hostmodel_Create();
  hostmodel_FailCall(refusal.first, refusal.second);
  try {
    AddToHostModel(model, host);
    Abort("a refused host call went unnoticed");
  } catch (const EHostError&) {
  }
  hostmodel_FailCall(refusal.first, 0);
  const std::vector<std::string> faults = hostmodel::CheckedFaults(host);
  if (!faults.empty()) Abort("host library fault after a refusal: " + faults.front());
  HostCall last;
  if (hostmodel_GetCall(host, hostmodel_CallCount(host) - 1, &last) == 0 || last.refused == 0)
    Abort("a host call followed the refused one");
  hostmodel_Destroy(host);
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
  const std::pair<int32_t, int32_t> refusal =
      refused ? std::pair<int32_t, int32_t>{-1, 0} : PickRefusal(host, data, size);
  hostmodel_Destroy(host);
  if (refusal.first >= 0) CheckRefusingHost(model, refusal);
  return 0;
}
