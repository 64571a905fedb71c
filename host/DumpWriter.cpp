#include "DumpWriter.h"

#include "TextFormat.h"

namespace {

void WriteBoxes(const std::vector<MessageBoxRecord>& boxes, std::ostream& out) {
  for (const MessageBoxRecord& box : boxes) {
    out << "box " << QuoteText(box.caption) << ' ' << QuoteText(box.text) << '\n';
  }
}

void WriteMesh(size_t index, const HostMeshRecord& mesh, std::ostream& out) {
  out << "mesh " << index << ' ' << QuoteText(mesh.name) << " vertices " << mesh.vertices.size()
      << " triangles " << mesh.triangles.size() << '\n';
  for (const HostVertexRecord& v : mesh.vertices) {
    out << "v " << FormatFloat(v.x) << ' ' << FormatFloat(v.y) << ' ' << FormatFloat(v.z) << ' '
        << FormatFloat(v.u) << ' ' << FormatFloat(v.v) << '\n';
  }
  for (const HostTriangleRecord& t : mesh.triangles) {
    out << "t " << t.a << ' ' << t.b << ' ' << t.c << '\n';
  }
}

}  // namespace

void WriteDump(const ImportRecord& record, std::ostream& out) {
  WriteBoxes(record.creationBoxes, out);
  out << "plugin type " << record.type << " title " << QuoteText(record.title) << '\n';
  WriteBoxes(record.executeBoxes, out);
  out << "result " << record.result << '\n';
  for (size_t i = 0; i < record.meshes.size(); ++i) WriteMesh(i, record.meshes[i], out);
}
