// Throughput and peak memory of reading a large 3DO file: LoadFromFile with
// parsing and placement, against the ceiling of reading the same file and
// scanning it once with memchr.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "NumberConversion.h"
#include "O_3do.h"
#include "WholeFile.h"

// ---- the generated model: 16 meshes of 128 x 128 vertex grids of quads ----

namespace {

constexpr int kMeshes = 16;
constexpr int kGrid = 128;

void WriteMesh(FILE* out, int mesh) {
  std::fprintf(out, "\r\nMESH %d\r\n\r\nNAME part%02d\r\n\r\nRADIUS 90.000000\r\n\r\n", mesh, mesh);
  std::fprintf(out, "GEOMETRYMODE\t4\r\nLIGHTINGMODE\t3\r\nTEXTUREMODE\t3\r\n\r\n");
  std::fprintf(out, "VERTICES %d\r\n\r\n# num:     x:         y:         z:         i:\r\n",
               kGrid * kGrid);
  for (int i = 0; i < kGrid * kGrid; ++i) {
    std::fprintf(out, "%7d: %10.6f %10.6f %10.6f %10.6f\r\n", i, (i % kGrid) * 0.5,
                 (i / kGrid) * 0.5, (i % 7) * 0.125, 0.0);
  }
  std::fprintf(out, "\r\nTEXTURE VERTICES %d\r\n\r\n", kGrid * kGrid);
  for (int i = 0; i < kGrid * kGrid; ++i) {
    std::fprintf(out, "%7d: %f %f\r\n", i, (i % kGrid) * 2.0, (i / kGrid) * 2.0);
  }
  std::fprintf(out, "\r\nVERTEX NORMALS\r\n\r\n");
  for (int i = 0; i < kGrid * kGrid; ++i) {
    std::fprintf(out, "%7d: %10.6f %10.6f %10.6f\r\n", i, 0.0, 0.0, 1.0);
  }
  int faces = (kGrid - 1) * (kGrid - 1);
  std::fprintf(out, "\r\nFACES %d\r\n\r\n", faces);
  for (int f = 0; f < faces; ++f) {
    int v = (f / (kGrid - 1)) * kGrid + f % (kGrid - 1);
    std::fprintf(out, "%7d: %9d  0x0000 %5d %6d %6d %10.6f %6d %5d,%3d %5d,%3d %5d,%3d %5d,%3d\r\n",
                 f, mesh % 4, 4, 3, 3, 0.0, 4, v, v, v + 1, v + 1, v + kGrid + 1, v + kGrid + 1,
                 v + kGrid, v + kGrid);
  }
  std::fprintf(out, "\r\nFACE NORMALS\r\n\r\n");
  for (int f = 0; f < faces; ++f)
    std::fprintf(out, "%7d: %10.6f %10.6f %10.6f\r\n", f, 0.0, 0.0, 1.0);
}

// Each node hangs under the previous one, so placement walks a long chain.
void WriteHierarchy(FILE* out) {
  std::fprintf(out, "\r\nSECTION: HIERARCHYDEF\r\n\r\nHIERARCHY NODES %d\r\n\r\n", kMeshes);
  for (int n = 0; n < kMeshes; ++n) {
    std::fprintf(out,
                 "%7d:  0x0000 0x00001 %8d %8d %8d %8d %8d %10.6f %10.6f %10.6f %10.6f %10.6f "
                 "%10.6f %10.6f %10.6f %10.6f  node%02d\r\n",
                 n, n, n - 1, n + 1 < kMeshes ? n + 1 : -1, -1, n + 1 < kMeshes ? 1 : 0, 1.0, 0.5,
                 0.0, 5.0, 10.0, 15.0, 0.1, 0.2, 0.3, n);
  }
}

const std::string& GeneratedFile() {
  static const std::string path = [] {
    // Made once per machine; the name changes whenever the generator does.
    std::string name = "/tmp/kelvado_bench_large_v1.3do";
    if (FILE* existing = std::fopen(name.c_str(), "rb")) {
      std::fclose(existing);
      return name;
    }
    FILE* out = std::fopen(name.c_str(), "wb");
    std::fprintf(out,
                 "# generated for the reader benchmark\r\n\r\nSECTION: HEADER\r\n\r\n3DO 2.1\r\n");
    std::fprintf(out, "\r\nSECTION: MODELRESOURCE\r\n\r\nMATERIALS 4\r\n\r\n");
    for (int m = 0; m < 4; ++m) std::fprintf(out, "%7d: part%d.mat\r\n", m, m);
    std::fprintf(out,
                 "\r\nSECTION: GEOMETRYDEF\r\n\r\nRADIUS 100.0\r\n\r\nINSERT OFFSET 0 0 0\r\n");
    std::fprintf(out, "\r\nGEOSETS 1\r\n\r\nGEOSET 0\r\n\r\nMESHES %d\r\n", kMeshes);
    for (int mesh = 0; mesh < kMeshes; ++mesh) WriteMesh(out, mesh);
    WriteHierarchy(out);
    std::fclose(out);
    return name;
  }();
  return path;
}

size_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return static_cast<size_t>(in.tellg());
}

void BM_LoadParsePlace(benchmark::State& state) {
  const std::string& path = GeneratedFile();
  SetDecimalSeparator('.');
  for (auto _ : state) {
    auto model = std::make_unique<T3DOModel>();
    model->LoadFromFile(path);
    benchmark::DoNotOptimize(model->Meshes.Count());
    // Freeing the model is the import command's business, not the reader's.
    state.PauseTiming();
    model.reset();
    state.ResumeTiming();
  }
  double size = static_cast<double>(FileSize(path));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["file_MB"] = size / 1e6;
}

// The peak resident memory of a fresh process that reads the file once,
// against the file's size. A child process starts small, so its peak is the
// reader's own.
void BM_PeakMemory(benchmark::State& state) {
  const std::string& path = GeneratedFile();
  long peakKiB = 0;
  for (auto _ : state) {
    pid_t child = fork();
    if (child == 0) {
      SetDecimalSeparator('.');
      T3DOModel model;
      model.LoadFromFile(path);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    peakKiB = usage.ru_maxrss;
  }
  state.counters["peak_MB"] = static_cast<double>(peakKiB) * 1024 / 1e6;
  state.counters["peak_per_file_byte"] =
      static_cast<double>(peakKiB) * 1024 / static_cast<double>(FileSize(path));
}

void BM_ReadAndMemchrCeiling(benchmark::State& state) {
  const std::string& path = GeneratedFile();
  const size_t size = FileSize(path);
  for (auto _ : state) {
    TReadOnlyFile file(path);
    std::unique_ptr<char[]> text = file.ReadAll();
    // One pass over every byte, the least any reader must do: the search
    // for the terminating NUL.
    const void* end = std::memchr(text.get(), '\0', size + 1);
    benchmark::DoNotOptimize(end);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

}  // namespace

BENCHMARK(BM_LoadParsePlace)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ReadAndMemchrCeiling)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
