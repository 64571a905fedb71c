// The whole import, timed as a host sees it: from the call to plugin_Execute
// to its return, the file dialog answered by the scripted user, the meshes
// going into a lean host library. In the same run the anchor imports the
// same geometry as OBJ into the same host: tinyobjloader reads the OBJ twin,
// then each shape is built as the plug-in builds a mesh (one host vertex per
// face corner, then a fan per face). tinyobjloader's parse alone is timed
// too. Each reader also runs once in a fresh process of its own, whose peaks
// of private and of resident memory are set against the size of its file.
//   bench_Import [--runs N]       the timings and peaks (N runs of each, default 5)
//   bench_Import --peak-import FILE | --peak-obj-import FILE | --peak-obj FILE | --peak-idle
//                                 one import, one OBJ import, one OBJ parse, or
//                                 nothing; used by the run above for the peaks,
//                                 which it prints as "private resident" bytes
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
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

/// tinyobjloader's output for one file.
struct ObjData {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
};

// One read of the OBJ file with tinyobjloader; `triangulate` cuts polygons
// into triangles. A failed read ends the benchmark.
void ReadObj(const std::string& path, bool triangulate, ObjData& data) {
  std::vector<tinyobj::material_t> materials;
  std::string warning, error;
  const bool read = tinyobj::LoadObj(&data.attrib, &data.shapes, &materials, &warning, &error,
                                     path.c_str(), nullptr, triangulate);
  const size_t expected = size_t{3} * kBenchMeshes * kBenchGrid * kBenchGrid;
  if (!read || data.attrib.vertices.size() != expected) Fail("tinyobjloader failed: " + error);
}

// tinyobjloader parsing alone, polygons cut into triangles; the time it took.
Elapsed TinyObjOnce(const std::string& path) {
  const Stopwatch stopwatch;
  {
    ObjData data;
    ReadObj(path, true, data);
  }
  return stopwatch.Stop();
}

// One host vertex per face corner, with its position and texture
// coordinates, made through the same calls as the plug-in makes them.
void AddObjCorners(const tinyobj::attrib_t& attrib, const tinyobj::shape_t& shape, msMesh* mesh) {
  for (const tinyobj::index_t& corner : shape.mesh.indices) {
    msVertex* record = msMesh_GetVertexAt(mesh, msMesh_AddVertex(mesh));
    auto* position =
        reinterpret_cast<float*>(reinterpret_cast<char*>(record) + kVertexPositionOffset);
    std::memcpy(position, &attrib.vertices[3 * static_cast<size_t>(corner.vertex_index)],
                3 * sizeof(float));
    msVertex_SetVertex(record, position);
    float texCoords[2] = {0, 0};
    if (corner.texcoord_index >= 0)
      std::memcpy(texCoords, &attrib.texcoords[2 * static_cast<size_t>(corner.texcoord_index)],
                  sizeof texCoords);
    msVertex_SetTexCoords(record, texCoords);
  }
}

// A fan (0, k+1, k+2) per face over the corners' running positions.
void AddObjFans(const tinyobj::shape_t& shape, msMesh* mesh) {
  size_t faceStart = 0;
  for (const unsigned int corners : shape.mesh.num_face_vertices) {
    for (unsigned int k = 2; k < corners; ++k) {
      const uint16_t indices[3] = {static_cast<uint16_t>(faceStart),
                                   static_cast<uint16_t>(faceStart + k - 1),
                                   static_cast<uint16_t>(faceStart + k)};
      msTriangle_SetVertexIndices(msMesh_GetTriangleAt(mesh, msMesh_AddTriangle(mesh)), indices);
    }
    faceStart += corners;
  }
}

// The anchor: the OBJ twin read with its faces kept whole, each shape built
// into the host as one mesh, and tinyobjloader's output freed, as the
// import frees its model. The time it took.
Elapsed ObjImportOnce(const std::string& path) {
  msModel model;
  const Stopwatch stopwatch;
  {
    ObjData data;
    ReadObj(path, false, data);
    for (const tinyobj::shape_t& shape : data.shapes) {
      msMesh* mesh = msModel_GetMeshAt(&model, msModel_AddMesh(&model));
      const size_t length = std::min(shape.name.size(), size_t{kMeshNameCapacity - 1});
      std::memcpy(mesh->name, shape.name.data(), length);
      mesh->name[length] = '\0';
      AddObjCorners(data.attrib, shape, mesh);
      AddObjFans(shape, mesh);
    }
  }
  const Elapsed time = stopwatch.Stop();
  if (model.meshes.size() != static_cast<size_t>(kBenchMeshes))
    Fail("the OBJ import gave " + std::to_string(model.meshes.size()) + " meshes");
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
  Times objImport;  ///< the anchor
  Times tinyObj;    ///< tinyobjloader's parse alone
};

// The readers take turns, so that a burst of load from elsewhere on the
// machine spreads over all of them instead of falling on one.
Timings TimeAll(int runs) {
  for (BenchShape shape : kShapes) ImportOnce(Bench3doPath(shape));  // warms the file cache
  ObjImportOnce(BenchObjPath());
  std::vector<Elapsed> import[2], objImport, tinyObj;
  for (int run = 0; run < runs; ++run) {
    objImport.push_back(ObjImportOnce(BenchObjPath()));
    tinyObj.push_back(TinyObjOnce(BenchObjPath()));
    for (int s = 0; s < 2; ++s) import[s].push_back(ImportOnce(Bench3doPath(kShapes[s])).time);
  }
  return {{Summarize(import[0]), Summarize(import[1])}, Summarize(objImport), Summarize(tinyObj)};
}

/// Peaks of one process, in bytes: of its private memory (anonymous and
/// copied pages, which the system cannot drop), and of its resident memory,
/// which also counts the pages of mapped files.
struct Peak {
  double privateBytes = 0;
  double resident = 0;
};

// The private part of this process's resident memory now: statm's resident
// pages less its shared ones, which are those of files.
size_t PrivateBytesNow(int statm) {
  char text[128];
  const ssize_t length = pread(statm, text, sizeof text - 1, 0);
  if (length <= 0) return 0;
  text[length] = '\0';
  unsigned long size = 0, resident = 0, shared = 0;
  if (std::sscanf(text, "%lu %lu %lu", &size, &resident, &shared) != 3) return 0;
  return (resident - shared) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Runs `work` while a second thread samples the private memory every 100 us,
// and prints the highest sample and the resident peak for the parent.
int RunSampled(bool (*work)(const std::string&), const std::string& path) {
  const int statm = open("/proc/self/statm", O_RDONLY);
  std::atomic<bool> done{false};
  size_t highest = PrivateBytesNow(statm);
  std::thread sampler([&] {
    while (!done.load()) {
      highest = std::max(highest, PrivateBytesNow(statm));
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  const bool worked = work(path);
  done = true;
  sampler.join();
  highest = std::max(highest, PrivateBytesNow(statm));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%zu %ld\n", highest, usage.ru_maxrss * 1024L);  // ru_maxrss counts KiB
  return worked ? 0 : 1;
}

// Peaks of a fresh process of this program started with `mode` and `path`.
// A fresh process, not a fork: a fork would start with everything this one
// has touched.
Peak PeakOf(const char* mode, const std::string& path) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) Fail("cannot make a pipe");
  const pid_t child = fork();
  if (child < 0) Fail("cannot start a process");
  if (child == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    execl("/proc/self/exe", "bench_Import", mode, path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  char text[64] = {};
  const ssize_t length = read(pipeEnds[0], text, sizeof text - 1);
  close(pipeEnds[0]);
  int status = 0;
  Peak peak;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) ||
      length <= 0 || std::sscanf(text, "%lf %lf", &peak.privateBytes, &peak.resident) != 2)
    Fail(std::string("the process for ") + mode + " " + path + " failed");
  return peak;
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

/// Peaks of one read in a fresh process.
struct Peaks {
  Peak import[2];  ///< by shape, in the order of kShapes
  Peak objImport;
  Peak tinyObj;
  Peak idle;  ///< a process of this program that reads nothing
};

// Measured before anything is timed: the child starts as a copy of this
// process, and exec keeps the copy's peak, so this process must still be small.
Peaks MeasurePeaks() {
  Peaks peaks{};
  for (int s = 0; s < 2; ++s) peaks.import[s] = PeakOf("--peak-import", Bench3doPath(kShapes[s]));
  peaks.objImport = PeakOf("--peak-obj-import", BenchObjPath());
  peaks.tinyObj = PeakOf("--peak-obj", BenchObjPath());
  peaks.idle = PeakOf("--peak-idle", "");
  return peaks;
}

void PrintRow(const std::string& label, const Times& times, const std::string& path,
              const Peak& peak, const Timings& reference) {
  const double size = static_cast<double>(BenchFileSize(path));
  std::printf(
      "%-20s %6.3f %6.3f %6.3f %6.1f %5.2f %5.2f %5.2f %5.2f %6.1f %5.2f %6.1f %5.2f\n",
      label.c_str(), times.median, times.min, times.cpuMedian, size / kMB / times.median,
      times.median / reference.objImport.median, times.cpuMedian / reference.objImport.cpuMedian,
      times.median / reference.tinyObj.median, times.cpuMedian / reference.tinyObj.cpuMedian,
      peak.privateBytes / kMB, peak.privateBytes / size, peak.resident / kMB, peak.resident / size);
}

void PrintHeading(int runs) {
  std::printf(
      "%d runs of each, taking turns; seconds of wall time (median, min) and of CPU time\n"
      "(median); MB/s from the median. x OBJ import: against the anchor (tinyobjloader\n"
      "reading, then building into the same host); x parse: against tinyobjloader's parse\n"
      "alone; median against median, wall and CPU. Peaks: one read in a fresh process, of\n"
      "private and of resident memory, in MB and as a multiple of its file.\n",
      runs);
  std::printf("%-20s %6s %6s %6s %6s %11s %11s %12s %12s\n", "", "median", "min", "cpu", "MB/s",
              "x OBJ import", "x parse", "private", "resident");
  std::printf("%-20s %6s %6s %6s %6s %5s %5s %5s %5s %6s %5s %6s %5s\n", "", "", "", "", "", "wall",
              "cpu", "wall", "cpu", "MB", "xfile", "MB", "xfile");
}

void Report(const Timings& timings, const Peaks& peaks, int runs) {
  PrintFiles();
  PrintHeading(runs);
  for (int s = 0; s < 2; ++s) {
    PrintRow(std::string("import, ") + BenchShapeName(kShapes[s]), timings.import[s],
             Bench3doPath(kShapes[s]), peaks.import[s], timings);
  }
  PrintRow("OBJ import, tinyobj", timings.objImport, BenchObjPath(), peaks.objImport, timings);
  PrintRow("tinyobj parse alone", timings.tinyObj, BenchObjPath(), peaks.tinyObj, timings);
  std::printf(
      "chain / flat (median): %.2f wall, %.2f CPU. The lean host keeps %.1f MB of records\n"
      "for the model; a process that reads nothing peaks at %.1f MB private, %.1f MB resident.\n",
      timings.import[1].median / timings.import[0].median,
      timings.import[1].cpuMedian / timings.import[0].cpuMedian,
      ImportOnce(Bench3doPath(BenchShape::kFlat)).hostBytes / kMB, peaks.idle.privateBytes / kMB,
      peaks.idle.resident / kMB);
}

int Run(int runs) {
  for (BenchShape shape : kShapes)
    if (Bench3doPath(shape).empty()) Fail("cannot write the benchmark's 3DO files");
  if (BenchObjPath().empty()) Fail("cannot write the benchmark's OBJ file");
  const Peaks peaks = MeasurePeaks();
  Report(TimeAll(runs), peaks, runs);
  return 0;
}

bool ImportWorks(const std::string& path) { return ImportOnce(path).time.wall >= 0; }
bool ObjImportWorks(const std::string& path) { return ObjImportOnce(path).wall >= 0; }
bool ObjParseWorks(const std::string& path) { return TinyObjOnce(path).wall >= 0; }
bool Nothing(const std::string&) { return true; }

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--peak-import") return RunSampled(ImportWorks, args[1]);
  if (args.size() == 2 && args[0] == "--peak-obj-import")
    return RunSampled(ObjImportWorks, args[1]);
  if (args.size() == 2 && args[0] == "--peak-obj") return RunSampled(ObjParseWorks, args[1]);
  if (args.size() == 2 && args[0] == "--peak-idle") return RunSampled(Nothing, args[1]);
  if (args.empty()) return Run(kDefaultRuns);
  if (args.size() == 2 && args[0] == "--runs" && std::atoi(args[1].c_str()) > 0)
    return Run(std::atoi(args[1].c_str()));
  std::fprintf(stderr, "usage: bench_Import [--runs N]\n");
  return 2;
}
