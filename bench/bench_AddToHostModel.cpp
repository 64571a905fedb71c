// Cost of building the host's model per face corner, for meshes of growing
// size: it must stay flat, since each corner's index is found in constant time.
#include <benchmark/benchmark.h>

#include "HostModel.h"
#include "O_3do.h"
#include "main.h"

namespace {

// One mesh of `corners` corners in quadrilaterals, as the reader builds it:
// a fresh vertex and texture vertex per corner.
void FillMesh(T3DOModel& model, int corners) {
  auto* mesh = new T3DMesh;
  mesh->Name = "bench";
  model.Meshes.Add(mesh);
  for (int first = 0; first < corners; first += 4) {
    auto* face = new TSurface;
    for (int i = first; i < first + 4 && i < corners; ++i) {
      auto* vertex = new TVertex(i * 0.5, i * 0.25, -i * 0.125);
      auto* texture = new TTXVertex(i % 64, i % 128);
      mesh->Vertices.Add(vertex);
      mesh->TXVertices.Add(texture);
      face->Vertices.Add(vertex);
      face->TXVertices.Add(texture);
    }
    mesh->Surfaces.Add(face);
  }
}

void BM_AddToHostModel(benchmark::State& state) {
  const auto corners = static_cast<int>(state.range(0));
  T3DOModel model;
  FillMesh(model, corners);
  for (auto _ : state) {
    state.PauseTiming();
    msModel* host = hostmodel_Create();
    state.ResumeTiming();
    AddToHostModel(model, host);
    state.PauseTiming();
    hostmodel_Destroy(host);
    state.ResumeTiming();
  }
  state.counters["per_corner"] = benchmark::Counter(
      corners, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_AddToHostModel)->Arg(1000)->Arg(10000)->Arg(65536)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
