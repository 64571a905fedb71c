// Writes the benchmark's input files and prints their paths, one a line:
// the 3DO model with every node a root, the one with a chain of nodes, and
// the OBJ twin.
//   make_bench_files [FOLDER]   into FOLDER, or else into the shared cache
//                               in the temporary folder (kept between runs)
#include <cstdio>
#include <string>

#include "BenchFiles.h"

namespace {

bool WriteInto(const std::string& folder) {
  for (BenchShape shape : {BenchShape::kFlat, BenchShape::kChain}) {
    const std::string path = folder + "/bench_" + BenchShapeName(shape) + ".3do";
    if (!WriteBench3do(path, shape)) return false;
    std::printf("%s\n", path.c_str());
  }
  const std::string obj = folder + "/bench_twin.obj";
  if (!WriteBenchObj(obj)) return false;
  std::printf("%s\n", obj.c_str());
  return true;
}

bool PrintCached() {
  for (const std::string* path :
       {&Bench3doPath(BenchShape::kFlat), &Bench3doPath(BenchShape::kChain), &BenchObjPath()}) {
    if (path->empty()) return false;
    std::printf("%s\n", path->c_str());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: make_bench_files [FOLDER]\n");
    return 2;
  }
  if (argc == 2 ? WriteInto(argv[1]) : PrintCached()) return 0;
  std::fprintf(stderr, "make_bench_files: cannot write the files\n");
  return 1;
}
