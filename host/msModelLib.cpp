// The nine host model operations, as the stand-in host implements them.
// Every call is logged; a call with a null, foreign or no longer valid
// handle or record, or with an index that names nothing, is refused without
// touching memory through it and recorded as a fault.
#include <cstring>
#include <string>

#include "HostModel.h"
#include "HostState.h"

using hoststate::LogCall;
using hoststate::MakeCall;
using hoststate::MeshEntry;
using hoststate::RecordOwner;
using hoststate::TheRegistry;

namespace {

/// What a handle or record argument turned out to name.
struct Target {
  msModel* model = nullptr;
  MeshEntry* mesh = nullptr;
  int32_t item = -1;
  std::string problem;  ///< set when the argument names nothing usable
};

Target Resolve(const hoststate::LiveTable& table, const void* record, const char* kind) {
  Target target;
  if (record == nullptr) {
    target.problem = std::string("null ") + kind;
    return target;
  }
  auto found = table.find(record);
  if (found == table.end()) {
    target.problem = std::string("unknown or no longer valid ") + kind;
    return target;
  }
  const RecordOwner& owner = found->second;
  target.model = owner.model;
  target.mesh = owner.model->meshes[static_cast<size_t>(owner.mesh)].get();
  target.item = owner.item;
  return target;
}

bool IsLiveModel(msModel* model) { return TheRegistry().models.count(model) != 0; }

/// Logs a call whose handle or record belongs to no live model, with its fault.
void Refuse(const HostCall& call, const std::string& problem) {
  LogCall(nullptr, call);
  hoststate::CallFault(nullptr, problem);
}

/// Logs a call on a known model, with a fault when `problem` is not empty.
void Log(msModel* model, const HostCall& call, const std::string& problem = {}) {
  LogCall(model, call);
  if (!problem.empty()) hoststate::CallFault(model, problem);
}

std::string NoSuch(const char* kind, int32_t index, const char* owner, int32_t count) {
  return "no " + std::string(kind) + " " + std::to_string(index) + " (the " + owner + " has " +
         std::to_string(count) + ")";
}

/// Logs a call that the host refuses as one at its limits would.
void LogRefused(msModel* model, HostCall& call) {
  call.refused = 1;
  LogCall(model, call);
}

msVertex FreshVertex() {
  msVertex vertex;
  std::memset(&vertex, kGuardByte, sizeof vertex);
  vertex.flags = kRecordFlags;
  std::memset(vertex.position, 0, sizeof vertex.position);
  std::memset(vertex.texCoords, 0, sizeof vertex.texCoords);
  vertex.boneIndex = kNoBone;
  return vertex;
}

msTriangle FreshTriangle() {
  msTriangle triangle;
  std::memset(&triangle, kGuardByte, sizeof triangle);
  std::memset(triangle.vertexIndices, 0, sizeof triangle.vertexIndices);
  return triangle;
}

/// A call on a vertex or triangle record; null when it was refused.
Target TargetOfRecord(HostCall& call, const hoststate::LiveTable& table, const void* record,
                      const char* kind) {
  Target target = Resolve(table, record, kind);
  if (!target.problem.empty()) {
    Refuse(call, target.problem);
    return target;
  }
  call.mesh = static_cast<int32_t>(target.mesh->record.meshId);
  call.item = target.item;
  return target;
}

}  // namespace

extern "C" {

HOSTMODEL_API int msModel_AddMesh(msModel* model) {
  HostCall call = MakeCall(kHostAddMesh);
  if (!IsLiveModel(model)) {
    Refuse(call, model == nullptr ? "null model handle" : "unknown model handle");
    return -1;
  }
  if (hoststate::RefuseArmedCall(kHostAddMesh)) {
    LogRefused(model, call);
    return -1;
  }
  auto id = static_cast<int32_t>(model->meshes.size());
  model->meshes.push_back(std::make_unique<MeshEntry>(model, id));
  TheRegistry().meshes.emplace(&model->meshes.back()->record, RecordOwner{model, id, 0});
  call.mesh = id;
  Log(model, call);
  return id;
}

HOSTMODEL_API msMesh* msModel_GetMeshAt(msModel* model, int index) {
  HostCall call = MakeCall(kHostGetMeshAt);
  call.mesh = index;
  if (!IsLiveModel(model)) {
    Refuse(call, model == nullptr ? "null model handle" : "unknown model handle");
    return nullptr;
  }
  auto count = static_cast<int32_t>(model->meshes.size());
  if (index < 0 || index >= count) {
    Log(model, call, NoSuch("mesh", index, "model", count));
    return nullptr;
  }
  if (hoststate::RefuseArmedCall(kHostGetMeshAt)) {
    LogRefused(model, call);
    return nullptr;
  }
  Log(model, call);
  return &model->meshes[static_cast<size_t>(index)]->record;
}

HOSTMODEL_API int msMesh_AddVertex(msMesh* mesh) {
  HostCall call = MakeCall(kHostAddVertex);
  Target target = TargetOfRecord(call, TheRegistry().meshes, mesh, "mesh record");
  if (!target.problem.empty()) return -1;
  if (hoststate::RefuseArmedCall(kHostAddVertex)) {
    call.item = -1;
    LogRefused(target.model, call);
    return -1;
  }
  call.item = target.mesh->vertices.Add(FreshVertex());
  target.mesh->vertexSets.push_back(0);
  Log(target.model, call);
  return call.item;
}

HOSTMODEL_API msVertex* msMesh_GetVertexAt(msMesh* mesh, int index) {
  HostCall call = MakeCall(kHostGetVertexAt);
  Target target = TargetOfRecord(call, TheRegistry().meshes, mesh, "mesh record");
  if (!target.problem.empty()) return nullptr;
  call.item = index;
  int32_t count = target.mesh->vertices.Count();
  if (index < 0 || index >= count) {
    Log(target.model, call, NoSuch("vertex", index, "mesh", count));
    return nullptr;
  }
  if (hoststate::RefuseArmedCall(kHostGetVertexAt)) {
    target.mesh->vertexSets[static_cast<size_t>(index)] |= hoststate::kHandOutRefused;
    LogRefused(target.model, call);
    return nullptr;
  }
  Log(target.model, call);
  return target.mesh->vertices.HandOut(index);
}

HOSTMODEL_API void msVertex_SetVertex(msVertex* vertex, const float position[3]) {
  HostCall call = MakeCall(kHostSetVertex);
  Target target = TargetOfRecord(call, TheRegistry().vertices, vertex, "vertex record");
  if (!target.problem.empty()) return;
  if (position == nullptr) return Log(target.model, call, "null position");
  std::memcpy(call.values, position, sizeof vertex->position);
  Log(target.model, call);
  // The position may lie inside the record itself.
  std::memmove(vertex->position, position, sizeof vertex->position);
  target.mesh->vertexSets[static_cast<size_t>(target.item)] |= hoststate::kPositionSet;
}

HOSTMODEL_API void msVertex_SetTexCoords(msVertex* vertex, const float texCoords[2]) {
  HostCall call = MakeCall(kHostSetTexCoords);
  Target target = TargetOfRecord(call, TheRegistry().vertices, vertex, "vertex record");
  if (!target.problem.empty()) return;
  if (texCoords == nullptr) return Log(target.model, call, "null texture coordinates");
  std::memcpy(call.values, texCoords, sizeof vertex->texCoords);
  Log(target.model, call);
  std::memmove(vertex->texCoords, texCoords, sizeof vertex->texCoords);
  target.mesh->vertexSets[static_cast<size_t>(target.item)] |= hoststate::kTexCoordsSet;
}

HOSTMODEL_API int msMesh_AddTriangle(msMesh* mesh) {
  HostCall call = MakeCall(kHostAddTriangle);
  Target target = TargetOfRecord(call, TheRegistry().meshes, mesh, "mesh record");
  if (!target.problem.empty()) return -1;
  if (hoststate::RefuseArmedCall(kHostAddTriangle)) {
    call.item = -1;
    LogRefused(target.model, call);
    return -1;
  }
  call.item = target.mesh->triangles.Add(FreshTriangle());
  target.mesh->triangleIndexed.push_back(0);
  Log(target.model, call);
  return call.item;
}

HOSTMODEL_API msTriangle* msMesh_GetTriangleAt(msMesh* mesh, int index) {
  HostCall call = MakeCall(kHostGetTriangleAt);
  Target target = TargetOfRecord(call, TheRegistry().meshes, mesh, "mesh record");
  if (!target.problem.empty()) return nullptr;
  call.item = index;
  int32_t count = target.mesh->triangles.Count();
  if (index < 0 || index >= count) {
    Log(target.model, call, NoSuch("triangle", index, "mesh", count));
    return nullptr;
  }
  if (hoststate::RefuseArmedCall(kHostGetTriangleAt)) {
    target.mesh->triangleIndexed[static_cast<size_t>(index)] |= hoststate::kHandOutRefused;
    LogRefused(target.model, call);
    return nullptr;
  }
  Log(target.model, call);
  return target.mesh->triangles.HandOut(index);
}

HOSTMODEL_API void msTriangle_SetVertexIndices(msTriangle* triangle, const uint16_t indices[3]) {
  HostCall call = MakeCall(kHostSetVertexIndices);
  Target target = TargetOfRecord(call, TheRegistry().triangles, triangle, "triangle record");
  if (!target.problem.empty()) return;
  if (indices == nullptr) return Log(target.model, call, "null vertex indices");
  std::memcpy(call.indices, indices, sizeof call.indices);
  Log(target.model, call);
  int32_t vertexCount = target.mesh->vertices.Count();
  for (uint16_t index : call.indices) {
    if (index >= vertexCount)
      hoststate::CallFault(target.model, "index " + std::to_string(index) +
                                             " names no vertex of mesh " +
                                             std::to_string(call.mesh) + " (it has " +
                                             std::to_string(vertexCount) + ")");
  }
  std::memcpy(triangle->vertexIndices, call.indices, sizeof call.indices);
  target.mesh->triangleIndexed[static_cast<size_t>(target.item)] = 1;
}

}  // extern "C"
