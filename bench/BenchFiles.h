// The benchmark's input files: one large 3DO model, in two hierarchy shapes,
// and its OBJ twin for the comparison with an OBJ reader.
//
// The model has kBenchMeshes meshes, each a kBenchGrid x kBenchGrid grid of
// vertices joined by quadrilaterals, with a texture vertex per vertex, and
// both normal sections (which the reader skips but must still pass over).
#pragma once

#include <cstddef>
#include <string>

/// Number of meshes, and of hierarchy nodes (node n places mesh n).
inline constexpr int kBenchMeshes = 16;
/// Vertices along each side of a mesh's grid.
inline constexpr int kBenchGrid = 128;

/// How the hierarchy nodes hang together.
enum class BenchShape {
  kFlat,   ///< Every node a root: one placement pass per mesh.
  kChain,  ///< Each node hangs under the previous one: a kBenchMeshes-deep chain.
};

/// Lower-case name of a shape, for file names and reports ("flat", "chain").
const char* BenchShapeName(BenchShape shape);

/// Writes the 3DO model of that shape to `path`. Returns false when the file
/// cannot be written.
bool WriteBench3do(const std::string& path, BenchShape shape);

/// Writes the OBJ twin to `path`: the same raw geometry as the 3DO file, as
/// it stands in the file, before any placement. Per mesh an "o" line, one
/// "v x y z" per vertex, one "vt u v" per texture vertex (the 3DO's own
/// values, unscaled) and one "f" per quadrilateral whose corners are
/// "v/vt" pairs (1-based over the whole file). No normals, no materials:
/// the twin has as many vertices, texture vertices and face corners as the
/// 3DO file, and none of the sections the 3DO reader skips. Returns false
/// when the file cannot be written.
bool WriteBenchObj(const std::string& path);

/// Path of the 3DO file of that shape in the machine's temporary folder,
/// written on first use. The name carries the generator's version, so a
/// changed generator never reuses an old file. Empty when it cannot be written.
const std::string& Bench3doPath(BenchShape shape);

/// Path of the OBJ twin in the temporary folder, written on first use.
/// Empty when it cannot be written.
const std::string& BenchObjPath();

/// Size of the file in bytes, 0 when it cannot be read.
size_t BenchFileSize(const std::string& path);
