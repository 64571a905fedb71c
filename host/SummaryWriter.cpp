#include "SummaryWriter.h"

#include <algorithm>
#include <iomanip>

#include "TextFormat.h"

namespace {

const char* ResultMeaning(int32_t result) {
  if (result == 0) return "import completed";
  if (result == -1) return "import failed or no file chosen";
  return "unexpected result";
}

// A box as the user sees it: its caption, then its text line by line.
void WriteBoxes(const char* when, const std::vector<MessageBoxRecord>& boxes, std::ostream& out) {
  for (const MessageBoxRecord& box : boxes) {
    out << "Message box " << when << ", titled \"" << IndentedText(box.caption, "") << "\":\n"
        << IndentedText(box.text, "  ") << '\n';
  }
}

void WriteMeshTable(const std::vector<HostMeshRecord>& meshes, std::ostream& out) {
  if (meshes.empty()) {
    out << "The host model holds no meshes.\n";
    return;
  }
  size_t nameWidth = 4;
  for (const HostMeshRecord& mesh : meshes) {
    nameWidth = std::max(nameWidth, QuoteText(mesh.name).size());
  }
  out << std::left << std::setw(5) << "mesh" << std::setw(static_cast<int>(nameWidth) + 2) << "name"
      << std::right << std::setw(10) << "vertices" << std::setw(11) << "triangles" << '\n';
  size_t vertices = 0, triangles = 0;
  for (size_t i = 0; i < meshes.size(); ++i) {
    const HostMeshRecord& mesh = meshes[i];
    out << std::left << std::setw(5) << i << std::setw(static_cast<int>(nameWidth) + 2)
        << QuoteText(mesh.name) << std::right << std::setw(10) << mesh.vertices.size()
        << std::setw(11) << mesh.triangles.size() << '\n';
    vertices += mesh.vertices.size();
    triangles += mesh.triangles.size();
  }
  out << std::left << std::setw(5) << "all" << std::setw(static_cast<int>(nameWidth) + 2) << ""
      << std::right << std::setw(10) << vertices << std::setw(11) << triangles << '\n';
}

}  // namespace

void WriteSummary(const ImportRecord& record, std::ostream& out) {
  WriteBoxes("while loading", record.creationBoxes, out);
  out << "Plug-in " << QuoteText(record.title) << ", type " << record.type << '\n';
  WriteBoxes("during the import", record.executeBoxes, out);
  out << "Result " << record.result << " (" << ResultMeaning(record.result) << ")\n";
  WriteMeshTable(record.meshes, out);
  for (const std::string& fault : record.hostFaults) out << "Host library fault: " << fault << '\n';
}
