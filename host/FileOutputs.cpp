#include "FileOutputs.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "ObjWriter.h"
#include "SvgView.h"
#include "TextFormat.h"

namespace {

std::string WriteObjOutput(const ImportRecord& record, std::ostream& out) {
  const size_t leftOut = WriteObj(record.meshes, out);
  if (leftOut == 0) return "";
  return Counted(leftOut, "triangle", "triangles") + " naming a vertex outside their mesh left out";
}

std::string WriteSvgOutput(const ImportRecord& record, std::ostream& out) {
  return WriteSvg(record.meshes, out);
}

std::string WriteCallsOutput(const ImportRecord& record, std::ostream& out) {
  for (const std::string& call : record.hostCalls) out << call << '\n';
  return "";
}

}  // namespace

const std::vector<FileOutputKind>& FileOutputKinds() {
  static const std::vector<FileOutputKind> kinds = {
      {{"--obj", "write the host model as Wavefront OBJ"}, WriteObjOutput},
      {{"--svg", "draw the host model as a wireframe picture (SVG)"}, WriteSvgOutput},
      {{"--calls", "write every host library call of the plug-in, one a line"}, WriteCallsOutput},
  };
  return kinds;
}

std::vector<FileOutputOption> FileOutputOptions() {
  std::vector<FileOutputOption> options;
  for (const FileOutputKind& kind : FileOutputKinds()) options.push_back(kind.option);
  return options;
}

const FileOutputKind* FindFileOutput(const std::string& option) {
  for (const FileOutputKind& kind : FileOutputKinds()) {
    if (kind.option.option == option) return &kind;
  }
  return nullptr;
}

bool WriteFileOutput(const FileOutputKind& kind, const ImportRecord& record,
                     const std::string& path, std::string& warning, std::string& error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  warning = kind.write(record, file);
  file.close();
  if (!file) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  return true;
}
