// The read-back API: our own functions over the stand-in host's models.
#include "HostModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "HostState.h"

using hoststate::MeshEntry;

namespace {

msModel* FindModel(const msModel* model) {
  auto& models = hoststate::TheRegistry().models;
  auto found = models.find(const_cast<msModel*>(model));
  return found == models.end() ? nullptr : *found;
}

const MeshEntry* FindMesh(const msModel* model, int32_t mesh) {
  msModel* known = FindModel(model);
  if (known == nullptr || mesh < 0 || static_cast<size_t>(mesh) >= known->meshes.size())
    return nullptr;
  return known->meshes[static_cast<size_t>(mesh)].get();
}

/// Copies `text` into the caller's buffer, cut to fit with a NUL; returns its full length.
int32_t CopyText(const std::string& text, char* buffer, int32_t size) {
  if (buffer != nullptr && size > 0) {
    size_t count = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
  }
  return static_cast<int32_t>(text.size());
}

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}

/// The record argument of a call, as text.
std::string RecordText(const HostCall& call, const char* kind) {
  if (call.mesh < 0) return std::string("invalid ") + kind + " record";
  return std::string(kind) + " " + std::to_string(call.mesh) + "/" + std::to_string(call.item);
}

std::string ArgumentsText(const HostCall& call) {
  std::string mesh = "mesh " + std::to_string(call.mesh);
  switch (call.operation) {
    case kHostAddMesh:
      return ") = " + std::to_string(call.mesh);
    case kHostGetMeshAt:
      return std::to_string(call.mesh) + ")";
    case kHostAddVertex:
    case kHostAddTriangle:
      return mesh + ") = " + std::to_string(call.item);
    case kHostGetVertexAt:
    case kHostGetTriangleAt:
      return mesh + ", " + std::to_string(call.item) + ")";
    case kHostSetVertex:
      return RecordText(call, "vertex") + ", " + Number(call.values[0]) + " " +
             Number(call.values[1]) + " " + Number(call.values[2]) + ")";
    case kHostSetTexCoords:
      return RecordText(call, "vertex") + ", " + Number(call.values[0]) + " " +
             Number(call.values[1]) + ")";
    default:
      return RecordText(call, "triangle") + ", " + std::to_string(call.indices[0]) + " " +
             std::to_string(call.indices[1]) + " " + std::to_string(call.indices[2]) + ")";
  }
}

}  // namespace

extern "C" {

HOSTMODEL_API msModel* hostmodel_Create(void) { return new msModel(); }

HOSTMODEL_API void hostmodel_Destroy(msModel* model) { delete FindModel(model); }

HOSTMODEL_API int32_t hostmodel_FailCall(int32_t operation, int32_t n) {
  hoststate::ArmedFailure& failure = hoststate::TheRegistry().failure;
  if (n == 0) {
    failure = hoststate::ArmedFailure();
    return 1;
  }
  const bool canFail = operation == kHostAddMesh || operation == kHostGetMeshAt ||
                       operation == kHostAddVertex || operation == kHostGetVertexAt ||
                       operation == kHostAddTriangle || operation == kHostGetTriangleAt;
  if (!canFail || n < 0) return 0;
  failure.operation = operation;
  failure.callsLeft = n;
  return 1;
}

HOSTMODEL_API int32_t hostmodel_MeshCount(const msModel* model) {
  msModel* known = FindModel(model);
  return known == nullptr ? -1 : static_cast<int32_t>(known->meshes.size());
}

HOSTMODEL_API int32_t hostmodel_MeshName(const msModel* model, int32_t mesh, char* buffer,
                                         int32_t size) {
  const MeshEntry* entry = FindMesh(model, mesh);
  if (entry == nullptr) return -1;
  const char* name = entry->record.name;
  const void* end = std::memchr(name, '\0', sizeof entry->record.name);
  if (end == nullptr) return -1;
  return CopyText(std::string(name, static_cast<const char*>(end)), buffer, size);
}

HOSTMODEL_API int32_t hostmodel_VertexCount(const msModel* model, int32_t mesh) {
  const MeshEntry* entry = FindMesh(model, mesh);
  return entry == nullptr ? -1 : entry->vertices.Count();
}

HOSTMODEL_API int32_t hostmodel_GetVertex(const msModel* model, int32_t mesh, int32_t vertex,
                                          float position[3], float texCoords[2]) {
  const MeshEntry* entry = FindMesh(model, mesh);
  if (entry == nullptr || vertex < 0 || vertex >= entry->vertices.Count()) return 0;
  const msVertex& record = entry->vertices.At(vertex);
  if (position != nullptr) std::memcpy(position, record.position, sizeof record.position);
  if (texCoords != nullptr) std::memcpy(texCoords, record.texCoords, sizeof record.texCoords);
  return 1;
}

HOSTMODEL_API int32_t hostmodel_TriangleCount(const msModel* model, int32_t mesh) {
  const MeshEntry* entry = FindMesh(model, mesh);
  return entry == nullptr ? -1 : entry->triangles.Count();
}

HOSTMODEL_API int32_t hostmodel_GetTriangle(const msModel* model, int32_t mesh, int32_t triangle,
                                            uint16_t indices[3]) {
  const MeshEntry* entry = FindMesh(model, mesh);
  if (entry == nullptr || triangle < 0 || triangle >= entry->triangles.Count()) return 0;
  const msTriangle& record = entry->triangles.At(triangle);
  std::memcpy(indices, record.vertexIndices, sizeof record.vertexIndices);
  return 1;
}

HOSTMODEL_API int32_t hostmodel_CallCount(const msModel* model) {
  msModel* known = FindModel(model);
  return known == nullptr ? -1 : static_cast<int32_t>(known->calls.size());
}

HOSTMODEL_API int32_t hostmodel_GetCall(const msModel* model, int32_t call, HostCall* out) {
  msModel* known = FindModel(model);
  if (known == nullptr || call < 0 || static_cast<size_t>(call) >= known->calls.size()) return 0;
  *out = known->calls[static_cast<size_t>(call)];
  return 1;
}

HOSTMODEL_API int32_t hostmodel_FormatCall(const msModel* model, int32_t call, char* buffer,
                                           int32_t size) {
  HostCall entry;
  if (hostmodel_GetCall(model, call, &entry) == 0) return -1;
  std::string text =
      hoststate::OperationName(entry.operation) + std::string("(") + ArgumentsText(entry);
  if (entry.refused != 0) text += " refused";
  return CopyText(text, buffer, size);
}

HOSTMODEL_API int32_t hostmodel_Check(msModel* model) {
  msModel* known = FindModel(model);
  if (known == nullptr) return -1;
  known->scanFaults = hoststate::ScanModel(*known);
  return hostmodel_FaultCount(known);
}

HOSTMODEL_API int32_t hostmodel_FaultCount(const msModel* model) {
  msModel* known = FindModel(model);
  if (known == nullptr) return -1;
  return static_cast<int32_t>(known->callFaults.size() + known->scanFaults.size());
}

HOSTMODEL_API int32_t hostmodel_Fault(const msModel* model, int32_t fault, char* buffer,
                                      int32_t size) {
  msModel* known = FindModel(model);
  if (known == nullptr || fault < 0) return -1;
  auto index = static_cast<size_t>(fault);
  if (index < known->callFaults.size()) return CopyText(known->callFaults[index], buffer, size);
  index -= known->callFaults.size();
  if (index < known->scanFaults.size()) return CopyText(known->scanFaults[index], buffer, size);
  return -1;
}

}  // extern "C"
