// Throughput and peak memory of reading a large 3DO file: LoadFromFile with
// parsing and placement, against the ceiling of reading the same file and
// scanning it once with memchr.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "BenchFiles.h"
#include "NumberConversion.h"
#include "O_3do.h"
#include "WholeFile.h"

namespace {

// The benchmark's shapes by argument: 0 every node a root, 1 a chain.
const std::string& ShapeFile(const benchmark::State& state) {
  return Bench3doPath(state.range(0) == 0 ? BenchShape::kFlat : BenchShape::kChain);
}

void BM_LoadParsePlace(benchmark::State& state) {
  const std::string& path = ShapeFile(state);
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
  double size = static_cast<double>(BenchFileSize(path));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["file_MB"] = size / 1e6;
}

// The peak resident memory of a fresh process that reads the file once,
// against the file's size. A child process starts small, so its peak is the
// reader's own.
void BM_PeakMemory(benchmark::State& state) {
  const std::string& path = Bench3doPath(BenchShape::kChain);
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
      static_cast<double>(peakKiB) * 1024 / static_cast<double>(BenchFileSize(path));
}

void BM_ReadAndMemchrCeiling(benchmark::State& state) {
  const std::string& path = Bench3doPath(BenchShape::kChain);
  const size_t size = BenchFileSize(path);
  for (auto _ : state) {
    TReadOnlyFile file(path);
    const TFileText text = file.ReadAll();
    // One pass over every byte, the least any reader must do: the search
    // for the terminating NUL.
    const void* end = std::memchr(text.Text(), '\0', size + 1);
    benchmark::DoNotOptimize(end);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

}  // namespace

// The peak comes first: a forked child starts from this process's resident
// memory, which the timed reads below leave high.
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadParsePlace)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ReadAndMemchrCeiling)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
