// The model check: finds every byte a client changed that it may not touch,
// and every value the client left unset.
#include <cstring>

#include "HostState.h"

namespace hoststate {

namespace {

using Faults = std::vector<std::string>;

/// Byte offsets (from `first` on) in [begin, end) of `record` that no longer hold `expected`.
void CheckFill(const void* record, size_t begin, size_t end, uint8_t expected,
               const std::string& where, Faults& faults) {
  const auto* bytes = static_cast<const uint8_t*>(record);
  for (size_t i = begin; i < end; ++i) {
    if (bytes[i] != expected) faults.push_back(where + ": byte " + std::to_string(i) + " changed");
  }
}

void CheckMeshRecord(const msMesh& record, const std::string& where, Faults& faults) {
  if (record.flags != kRecordFlags) faults.push_back(where + ": flags byte changed");
  if (std::memchr(record.name, '\0', sizeof record.name) == nullptr)
    faults.push_back(where + ": name field holds no NUL");
  CheckFill(&record, offsetof(msMesh, nameGuard), offsetof(msMesh, materialIndex), kGuardByte,
            where, faults);
  if (record.materialIndex != 0xFFFFFFFFu) faults.push_back(where + ": material index changed");
}

void CheckVertex(const msVertex& vertex, uint8_t sets, const std::string& where, Faults& faults) {
  if (vertex.flags != kRecordFlags) faults.push_back(where + ": flags byte changed");
  CheckFill(&vertex, offsetof(msVertex, padding), offsetof(msVertex, position), kGuardByte, where,
            faults);
  if (vertex.boneIndex != kNoBone) faults.push_back(where + ": bone index (bytes 24-27) changed");
  CheckFill(&vertex, offsetof(msVertex, tailGuard), sizeof vertex, kGuardByte, where, faults);
  // A record the host refused to hand out could not be set by anyone.
  if ((sets & kHandOutRefused) != 0) return;
  if ((sets & kPositionSet) == 0) faults.push_back(where + ": position never set");
  if ((sets & kTexCoordsSet) == 0) faults.push_back(where + ": texture coordinates never set");
}

void CheckTriangle(const msTriangle& triangle, uint8_t indexed, const std::string& where,
                   Faults& faults) {
  CheckFill(&triangle, offsetof(msTriangle, tailGuard), sizeof triangle, kGuardByte, where, faults);
  if ((indexed & kHandOutRefused) != 0) return;
  if (indexed == 0) faults.push_back(where + ": vertex indices never set");
}

void CheckRetirees(int32_t damaged, const std::string& where, const char* kind, Faults& faults) {
  if (damaged == 0) return;
  faults.push_back(where + ": " + std::to_string(damaged) + " " + kind +
                   " record(s) written after they stopped being valid");
}

void CheckMesh(const MeshEntry& mesh, Faults& faults) {
  std::string where = "mesh " + std::to_string(mesh.record.meshId);
  CheckMeshRecord(mesh.record, where, faults);
  for (int32_t i = 0; i < mesh.vertices.Count(); ++i)
    CheckVertex(mesh.vertices.At(i), mesh.vertexSets[static_cast<size_t>(i)],
                where + " vertex " + std::to_string(i), faults);
  for (int32_t i = 0; i < mesh.triangles.Count(); ++i)
    CheckTriangle(mesh.triangles.At(i), mesh.triangleIndexed[static_cast<size_t>(i)],
                  where + " triangle " + std::to_string(i), faults);
  CheckRetirees(mesh.vertices.DamagedRetirees(), where, "vertex", faults);
  CheckRetirees(mesh.triangles.DamagedRetirees(), where, "triangle", faults);
}

}  // namespace

std::vector<std::string> ScanModel(const msModel& model) {
  Faults faults;
  for (const auto& mesh : model.meshes) CheckMesh(*mesh, faults);
  return faults;
}

}  // namespace hoststate
