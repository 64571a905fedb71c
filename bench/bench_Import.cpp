// The whole import, timed as a host sees it: from the call to plugin_Execute
// to its return, the file dialog answered by the scripted user, the meshes
// going into a lean host library. tinyobjloader reads the same geometry as
// OBJ in the same run, for comparison. Each reader also runs once in a fresh
// process of its own, whose peak resident memory is set against the size of
// the file it read.
//   bench_Import [--runs N]       the timings and peaks (N runs of each, default 5)
//   bench_Import --peak-import FILE | --peak-obj FILE | --peak-idle
//                                 one import, one OBJ read, or nothing; used
//                                 by the run above for the peak memory
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "LeanHost.h"
#include "UserScript.h"
#include "main.h"
#include "tiny_obj_loader.h"

namespace {

using Clock = std::chrono::steady_clock;

/// Time taken by one run: on the wall clock, and on this process's CPU.
/// On a machine shared with other work the CPU time is the steadier one.
struct Elapsed {
  double wall = 0;
  double cpu = 0;
};

constexpr int kDefaultRuns = 5;
constexpr BenchShape kShapes[] = {BenchShape::kFlat, BenchShape::kChain};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench_Import: %s\n", message.c_str());
  std::exit(1);
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

/// Measures from its making to Stop().
class Stopwatch {
 public:
  Stopwatch() : wall_(Clock::now()), cpu_(CpuSeconds()) {}
  Elapsed Stop() const {
    return {std::chrono::duration<double>(Clock::now() - wall_).count(), CpuSeconds() - cpu_};
  }

 private:
  Clock::time_point wall_;
  double cpu_;
};

/// Bytes of the records that the lean host holds for `model`.
double HostRecordBytes(const msModel& model) {
  size_t bytes = 0;
  for (const auto& mesh : model.meshes) {
    bytes += sizeof(msMesh) + mesh->vertices.capacity() * sizeof(msVertex) +
             mesh->triangles.capacity() * sizeof(msTriangle);
  }
  return static_cast<double>(bytes);
}

/// One whole import: how long plugin_Execute took, and what the host keeps.
struct ImportRun {
  Elapsed time;
  double hostBytes;
};

// One import of `path` into a fresh lean host model. A failed import ends
// the benchmark: its time would mean nothing.
ImportRun ImportOnce(const std::string& path) {
  msModel model;
  UserScript_Reset();
  UserScript_Attach(nullptr);
  UserScript_AnswerFileDialog(path);
  const Stopwatch stopwatch;
  const int32_t result = plugin_Execute(&model);
  const Elapsed time = stopwatch.Stop();
  if (result != 0 || !UserScript_Boxes().empty()) {
    Fail("the import of " + path + " failed" +
         (UserScript_Boxes().empty() ? "" : ": " + UserScript_Boxes().front().text));
  }
  if (model.meshes.size() != static_cast<size_t>(kBenchMeshes))
    Fail("the import of " + path + " gave " + std::to_string(model.meshes.size()) + " meshes");
  return {time, HostRecordBytes(model)};
}

// One read of the OBJ file with tinyobjloader, polygons cut into triangles
// as the import does; the time it took.
Elapsed TinyObjOnce(const std::string& path) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warning, error;
  const Stopwatch stopwatch;
  const bool read = tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, path.c_str());
  const Elapsed time = stopwatch.Stop();
  const size_t expected = size_t{3} * kBenchMeshes * kBenchGrid * kBenchGrid;
  if (!read || attrib.vertices.size() != expected) Fail("tinyobjloader failed: " + error);
  return time;
}

/// A series of runs: the fastest and the middle wall time, the middle CPU time.
struct Times {
  double min = 0;
  double median = 0;
  double cpuMedian = 0;
};

double Median(std::vector<double> seconds) {
  std::sort(seconds.begin(), seconds.end());
  const size_t n = seconds.size();
  return n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
}

Times Summarize(const std::vector<Elapsed>& runs) {
  std::vector<double> wall, cpu;
  for (const Elapsed& run : runs) {
    wall.push_back(run.wall);
    cpu.push_back(run.cpu);
  }
  return {*std::min_element(wall.begin(), wall.end()), Median(wall), Median(cpu)};
}

/// Every series of one run of the benchmark.
struct Timings {
  Times import[2];  ///< by shape, in the order of kShapes
  Times tinyObj;
};

// The readers take turns, so that a burst of load from elsewhere on the
// machine spreads over all of them instead of falling on one.
Timings TimeAll(int runs) {
  for (BenchShape shape : kShapes) ImportOnce(Bench3doPath(shape));  // warms the file cache
  TinyObjOnce(BenchObjPath());
  std::vector<Elapsed> import[2], tinyObj;
  for (int run = 0; run < runs; ++run) {
    tinyObj.push_back(TinyObjOnce(BenchObjPath()));
    for (int s = 0; s < 2; ++s) import[s].push_back(ImportOnce(Bench3doPath(kShapes[s])).time);
  }
  return {{Summarize(import[0]), Summarize(import[1])}, Summarize(tinyObj)};
}

// Peak resident memory in bytes of a fresh process of this program started
// with `mode` and `path`. A fresh process, not a fork: a fork would start
// with everything this one has touched.
double PeakBytes(const char* mode, const std::string& path) {
  const pid_t child = fork();
  if (child < 0) Fail("cannot start a process");
  if (child == 0) {
    execl("/proc/self/exe", "bench_Import", mode, path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status))
    Fail(std::string("the process for ") + mode + " " + path + " failed");
  return static_cast<double>(usage.ru_maxrss) * 1024;  // ru_maxrss counts KiB
}

constexpr double kMB = 1e6;

void PrintFiles() {
  std::printf("files:");
  for (BenchShape shape : kShapes) {
    const std::string& path = Bench3doPath(shape);
    std::printf(" %s (%.1f MB)", path.c_str(), static_cast<double>(BenchFileSize(path)) / kMB);
  }
  std::printf(" %s (%.1f MB)\n", BenchObjPath().c_str(),
              static_cast<double>(BenchFileSize(BenchObjPath())) / kMB);
}

/// Peak resident memory of one read in a fresh process, in bytes.
struct Peaks {
  double import[2];  ///< by shape, in the order of kShapes
  double tinyObj;
  double idle;  ///< a process of this program that reads nothing
};

// Measured before anything is timed: the child starts as a copy of this
// process, and exec keeps the copy's peak, so this process must still be small.
Peaks MeasurePeaks() {
  Peaks peaks{};
  for (int s = 0; s < 2; ++s)
    peaks.import[s] = PeakBytes("--peak-import", Bench3doPath(kShapes[s]));
  peaks.tinyObj = PeakBytes("--peak-obj", BenchObjPath());
  peaks.idle = PeakBytes("--peak-idle", "");
  return peaks;
}

void PrintRow(const std::string& label, const Times& times, const std::string& path, double peak,
              const Times& reference) {
  const double size = static_cast<double>(BenchFileSize(path));
  std::printf("%-20s %7.3f %7.3f %7.3f %7.1f %9.2f %6.2f %8.1f %6.2f\n", label.c_str(),
              times.median, times.min, times.cpuMedian, size / kMB / times.median,
              times.median / reference.median, times.cpuMedian / reference.cpuMedian, peak / kMB,
              peak / size);
}

void Report(const Timings& timings, const Peaks& peaks, int runs) {
  PrintFiles();
  std::printf(
      "%d runs of each, taking turns; seconds of wall time (median, min) and of CPU time\n"
      "(median); MB/s from the median; x tinyobj: median against median, wall and CPU.\n"
      "Peak: one read in a fresh process, in MB and as a multiple of its file.\n",
      runs);
  std::printf("%-20s %7s %7s %7s %7s %9s %6s %8s %6s\n", "", "median", "min", "cpu", "MB/s",
              "x tinyobj", "(cpu)", "peak MB", "x file");
  for (int s = 0; s < 2; ++s) {
    PrintRow(std::string("import, ") + BenchShapeName(kShapes[s]), timings.import[s],
             Bench3doPath(kShapes[s]), peaks.import[s], timings.tinyObj);
  }
  PrintRow("tinyobjloader, OBJ", timings.tinyObj, BenchObjPath(), peaks.tinyObj, timings.tinyObj);
  std::printf(
      "chain / flat (median): %.2f wall, %.2f CPU. The lean host keeps %.1f MB of records\n"
      "for the model; a process that reads nothing peaks at %.1f MB.\n",
      timings.import[1].median / timings.import[0].median,
      timings.import[1].cpuMedian / timings.import[0].cpuMedian,
      ImportOnce(Bench3doPath(BenchShape::kFlat)).hostBytes / kMB, peaks.idle / kMB);
}

int Run(int runs) {
  for (BenchShape shape : kShapes)
    if (Bench3doPath(shape).empty()) Fail("cannot write the benchmark's 3DO files");
  if (BenchObjPath().empty()) Fail("cannot write the benchmark's OBJ file");
  const Peaks peaks = MeasurePeaks();
  Report(TimeAll(runs), peaks, runs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--peak-import") return ImportOnce(args[1]).time.wall < 0;
  if (args.size() == 2 && args[0] == "--peak-obj") return TinyObjOnce(args[1]).wall < 0;
  if (args.size() == 2 && args[0] == "--peak-idle") return 0;
  if (args.empty()) return Run(kDefaultRuns);
  if (args.size() == 2 && args[0] == "--runs" && std::atoi(args[1].c_str()) > 0)
    return Run(std::atoi(args[1].c_str()));
  std::fprintf(stderr, "usage: bench_Import [--runs N]\n");
  return 2;
}
