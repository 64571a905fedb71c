#include "ObjWriter.h"

#include "TextFormat.h"

namespace {

bool NamesVertexOf(const HostTriangleRecord& t, size_t vertexCount) {
  auto inside = [vertexCount](int i) { return i >= 0 && static_cast<size_t>(i) < vertexCount; };
  return inside(t.a) && inside(t.b) && inside(t.c);
}

// Writes one mesh whose first vertex has the file-wide number `first`.
size_t WriteObject(size_t index, const HostMeshRecord& mesh, size_t first, std::ostream& out) {
  out << "o " << ObjObjectName(index, mesh.name) << '\n';
  for (const HostVertexRecord& v : mesh.vertices) {
    out << "v " << ShortestFloat(v.x) << ' ' << ShortestFloat(v.y) << ' ' << ShortestFloat(v.z)
        << '\n';
  }
  for (const HostVertexRecord& v : mesh.vertices) {
    out << "vt " << ShortestFloat(v.u) << ' ' << ShortestFloat(v.v) << '\n';
  }
  size_t leftOut = 0;
  for (const HostTriangleRecord& t : mesh.triangles) {
    if (!NamesVertexOf(t, mesh.vertices.size())) {
      ++leftOut;
      continue;
    }
    out << 'f';
    for (int corner : {t.a, t.b, t.c}) {
      const size_t number = first + static_cast<size_t>(corner);
      out << ' ' << number << '/' << number;
    }
    out << '\n';
  }
  return leftOut;
}

}  // namespace

std::string ObjObjectName(size_t index, const std::string& name) {
  if (name.empty()) return "mesh" + std::to_string(index);
  std::string safe = name;
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 32 || byte == 127) c = '_';
  }
  return safe;
}

size_t WriteObj(const std::vector<HostMeshRecord>& meshes, std::ostream& out) {
  out << "# Host model: " << Counted(meshes.size(), "mesh", "meshes") << '\n';
  // OBJ viewers expect texture coordinates from 0 to 1; these are the host's.
  out << "# Texture coordinates are in the 3DO file's pixel units, as the host gets them,\n"
      << "# not scaled to 0..1 and not flipped.\n";
  size_t first = 1, leftOut = 0;
  for (size_t i = 0; i < meshes.size(); ++i) {
    leftOut += WriteObject(i, meshes[i], first, out);
    first += meshes[i].vertices.size();
  }
  return leftOut;
}
