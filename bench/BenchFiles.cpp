#include "BenchFiles.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Part of every cached file's name; raise it whenever the bytes written change.
constexpr int kGeneratorVersion = 2;

constexpr int kMaterials = 4;
constexpr int kFacesPerMesh = (kBenchGrid - 1) * (kBenchGrid - 1);

double VertexX(int i) { return (i % kBenchGrid) * 0.5; }
double VertexY(int i) { return (i / kBenchGrid) * 0.5; }
double VertexZ(int i) { return (i % 7) * 0.125; }
double TextureU(int i) { return (i % kBenchGrid) * 2.0; }
double TextureV(int i) { return (i / kBenchGrid) * 2.0; }

/// First vertex (lower left corner) of face `f` of a mesh.
int FaceCorner(int f) { return (f / (kBenchGrid - 1)) * kBenchGrid + f % (kBenchGrid - 1); }

void Write3doVertices(FILE* out) {
  std::fprintf(out, "VERTICES %d\r\n\r\n# num:     x:         y:         z:         i:\r\n",
               kBenchGrid * kBenchGrid);
  for (int i = 0; i < kBenchGrid * kBenchGrid; ++i)
    std::fprintf(out, "%7d: %10.6f %10.6f %10.6f %10.6f\r\n", i, VertexX(i), VertexY(i), VertexZ(i),
                 0.0);
  std::fprintf(out, "\r\nTEXTURE VERTICES %d\r\n\r\n", kBenchGrid * kBenchGrid);
  for (int i = 0; i < kBenchGrid * kBenchGrid; ++i)
    std::fprintf(out, "%7d: %f %f\r\n", i, TextureU(i), TextureV(i));
  std::fprintf(out, "\r\nVERTEX NORMALS\r\n\r\n");
  for (int i = 0; i < kBenchGrid * kBenchGrid; ++i)
    std::fprintf(out, "%7d: %10.6f %10.6f %10.6f\r\n", i, 0.0, 0.0, 1.0);
}

void Write3doFaces(FILE* out, int mesh) {
  std::fprintf(out, "\r\nFACES %d\r\n\r\n", kFacesPerMesh);
  for (int f = 0; f < kFacesPerMesh; ++f) {
    const int v = FaceCorner(f);
    std::fprintf(out, "%7d: %9d  0x0000 %5d %6d %6d %10.6f %6d %5d,%3d %5d,%3d %5d,%3d %5d,%3d\r\n",
                 f, mesh % kMaterials, 4, 3, 3, 0.0, 4, v, v, v + 1, v + 1, v + kBenchGrid + 1,
                 v + kBenchGrid + 1, v + kBenchGrid, v + kBenchGrid);
  }
  std::fprintf(out, "\r\nFACE NORMALS\r\n\r\n");
  for (int f = 0; f < kFacesPerMesh; ++f)
    std::fprintf(out, "%7d: %10.6f %10.6f %10.6f\r\n", f, 0.0, 0.0, 1.0);
}

void Write3doMesh(FILE* out, int mesh) {
  std::fprintf(out, "\r\nMESH %d\r\n\r\nNAME part%02d\r\n\r\nRADIUS 90.000000\r\n\r\n", mesh, mesh);
  std::fprintf(out, "GEOMETRYMODE\t4\r\nLIGHTINGMODE\t3\r\nTEXTUREMODE\t3\r\n\r\n");
  Write3doVertices(out);
  Write3doFaces(out, mesh);
}

// Every node carries the same pivot, rotation and position; only the links
// differ, so the two shapes differ in placement work alone.
void Write3doHierarchy(FILE* out, BenchShape shape) {
  std::fprintf(out, "\r\nSECTION: HIERARCHYDEF\r\n\r\nHIERARCHY NODES %d\r\n\r\n", kBenchMeshes);
  const bool chain = shape == BenchShape::kChain;
  for (int n = 0; n < kBenchMeshes; ++n) {
    const bool last = n + 1 == kBenchMeshes;
    const int parent = chain ? n - 1 : -1;
    const int child = chain && !last ? n + 1 : -1;
    const int sibling = !chain && !last ? n + 1 : -1;
    std::fprintf(out,
                 "%7d:  0x0000 0x00001 %8d %8d %8d %8d %8d %10.6f %10.6f %10.6f %10.6f %10.6f "
                 "%10.6f %10.6f %10.6f %10.6f  node%02d\r\n",
                 n, n, parent, child, sibling, child == -1 ? 0 : 1, 1.0, 0.5, 0.0, 5.0, 10.0, 15.0,
                 0.1, 0.2, 0.3, n);
  }
}

void Write3do(FILE* out, BenchShape shape) {
  std::fprintf(out,
               "# generated for the reader benchmark\r\n\r\nSECTION: HEADER\r\n\r\n3DO 2.1\r\n");
  std::fprintf(out, "\r\nSECTION: MODELRESOURCE\r\n\r\nMATERIALS %d\r\n\r\n", kMaterials);
  for (int m = 0; m < kMaterials; ++m) std::fprintf(out, "%7d: part%d.mat\r\n", m, m);
  std::fprintf(out, "\r\nSECTION: GEOMETRYDEF\r\n\r\nRADIUS 100.0\r\n\r\nINSERT OFFSET 0 0 0\r\n");
  std::fprintf(out, "\r\nGEOSETS 1\r\n\r\nGEOSET 0\r\n\r\nMESHES %d\r\n", kBenchMeshes);
  for (int mesh = 0; mesh < kBenchMeshes; ++mesh) Write3doMesh(out, mesh);
  Write3doHierarchy(out, shape);
}

void WriteObjMesh(FILE* out, int mesh) {
  std::fprintf(out, "o part%02d\n", mesh);
  for (int i = 0; i < kBenchGrid * kBenchGrid; ++i)
    std::fprintf(out, "v %f %f %f\n", VertexX(i), VertexY(i), VertexZ(i));
  for (int i = 0; i < kBenchGrid * kBenchGrid; ++i)
    std::fprintf(out, "vt %f %f\n", TextureU(i), TextureV(i));
  // OBJ numbers vertices from 1 over the whole file.
  const int base = mesh * kBenchGrid * kBenchGrid + 1;
  for (int f = 0; f < kFacesPerMesh; ++f) {
    const int v = base + FaceCorner(f);
    std::fprintf(out, "f %d/%d %d/%d %d/%d %d/%d\n", v, v, v + 1, v + 1, v + kBenchGrid + 1,
                 v + kBenchGrid + 1, v + kBenchGrid, v + kBenchGrid);
  }
}

void WriteObj(FILE* out) {
  std::fprintf(out, "# generated for the reader benchmark: the 3DO model's raw geometry\n");
  for (int mesh = 0; mesh < kBenchMeshes; ++mesh) WriteObjMesh(out, mesh);
}

// Writes through a temporary name and renames at the end, so that a run that
// stops half-way never leaves a cut file that a later run would take.
template <class Writer>
bool WriteFile(const std::string& path, Writer write) {
  const std::string partial = path + ".partial";
  FILE* out = std::fopen(partial.c_str(), "wb");
  if (out == nullptr) return false;
  write(out);
  const bool written = std::ferror(out) == 0;
  if (std::fclose(out) != 0 || !written) return false;
  return std::rename(partial.c_str(), path.c_str()) == 0;
}

std::string TempFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

std::string CachedName(const std::string& stem, const char* extension) {
  return TempFolder() + "/kelvado_bench_" + stem + "_v" + std::to_string(kGeneratorVersion) +
         extension;
}

bool Exists(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return in.good();
}

}  // namespace

const char* BenchShapeName(BenchShape shape) {
  return shape == BenchShape::kChain ? "chain" : "flat";
}

bool WriteBench3do(const std::string& path, BenchShape shape) {
  return WriteFile(path, [shape](FILE* out) { Write3do(out, shape); });
}

bool WriteBenchObj(const std::string& path) { return WriteFile(path, WriteObj); }

const std::string& Bench3doPath(BenchShape shape) {
  static std::string paths[2];
  std::string& path = paths[shape == BenchShape::kChain ? 1 : 0];
  if (!path.empty()) return path;
  const std::string name = CachedName(BenchShapeName(shape), ".3do");
  if (Exists(name) || WriteBench3do(name, shape)) path = name;
  return path;
}

const std::string& BenchObjPath() {
  static std::string path;
  if (!path.empty()) return path;
  const std::string name = CachedName("twin", ".obj");
  if (Exists(name) || WriteBenchObj(name)) path = name;
  return path;
}

size_t BenchFileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return 0;
  return static_cast<size_t>(in.tellg());
}
