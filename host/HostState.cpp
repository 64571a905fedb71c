#include "HostState.h"

#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define HOST_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define HOST_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define HOST_POISON(address, size) ((void)(address), (void)(size))
#define HOST_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace hoststate {

template <class Record>
RecordStore<Record>::~RecordStore() {
  for (int32_t index : handedOut_) live_.erase(records_[static_cast<size_t>(index)].get());
  for (auto& record : retired_) HOST_UNPOISON(record.get(), sizeof(Record));
}

template <class Record>
int32_t RecordStore<Record>::Add(const Record& initial) {
  for (int32_t index : handedOut_) Retire(index);
  handedOut_.clear();
  records_.push_back(std::make_unique<Record>(initial));
  return Count() - 1;
}

template <class Record>
Record* RecordStore<Record>::HandOut(int32_t index) {
  Record* record = records_[static_cast<size_t>(index)].get();
  if (live_.count(record) != 0) return record;
  RecordOwner owner = owner_;
  owner.item = index;
  live_.emplace(record, owner);
  handedOut_.push_back(index);
  return record;
}

// Moves the record to fresh storage, so that the address the client holds
// no longer names a usable record.
template <class Record>
void RecordStore<Record>::Retire(int32_t index) {
  std::unique_ptr<Record>& slot = records_[static_cast<size_t>(index)];
  live_.erase(slot.get());
  auto moved = std::make_unique<Record>(*slot);
  std::memset(static_cast<void*>(slot.get()), kRetiredByte, sizeof(Record));
  HOST_POISON(slot.get(), sizeof(Record));
  retired_.push_back(std::move(slot));
  slot = std::move(moved);
}

template <class Record>
int32_t RecordStore<Record>::DamagedRetirees() const {
  int32_t damaged = 0;
  for (const auto& record : retired_) {
    HOST_UNPOISON(record.get(), sizeof(Record));
    const auto* bytes = reinterpret_cast<const uint8_t*>(record.get());
    for (size_t i = 0; i < sizeof(Record); ++i) {
      if (bytes[i] != kRetiredByte) {
        ++damaged;
        break;
      }
    }
    HOST_POISON(record.get(), sizeof(Record));
  }
  return damaged;
}

template class RecordStore<msVertex>;
template class RecordStore<msTriangle>;

namespace {

msMesh FreshMeshRecord(int32_t id) {
  msMesh record;
  std::memset(&record, kGuardByte, sizeof record);
  record.flags = kRecordFlags;
  std::memset(record.name, kNameFillByte, sizeof record.name);
  record.name[0] = '\0';
  record.materialIndex = 0xFFFFFFFFu;
  record.meshId = static_cast<uint32_t>(id);
  return record;
}

}  // namespace

MeshEntry::MeshEntry(msModel* model, int32_t id)
    : record(FreshMeshRecord(id)),
      vertices(TheRegistry().vertices, RecordOwner{model, id, 0}),
      triangles(TheRegistry().triangles, RecordOwner{model, id, 0}) {}

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool RefuseArmedCall(HostOperation operation) {
  ArmedFailure& failure = TheRegistry().failure;
  if (failure.operation != operation || --failure.callsLeft > 0) return false;
  failure = ArmedFailure();
  return true;
}

void LogCall(msModel* model, const HostCall& call) {
  if (model != nullptr) {
    model->calls.push_back(call);
    return;
  }
  for (msModel* each : TheRegistry().models) each->calls.push_back(call);
}

namespace {

void AddCallFault(msModel* model, const HostCall& call, const std::string& text) {
  model->callFaults.push_back("call " + std::to_string(model->calls.size() - 1) + " " +
                              OperationName(call.operation) + ": " + text);
}

}  // namespace

void CallFault(msModel* model, const std::string& text) {
  if (model != nullptr) {
    AddCallFault(model, model->calls.back(), text);
    return;
  }
  for (msModel* each : TheRegistry().models) AddCallFault(each, each->calls.back(), text);
}

HostCall MakeCall(HostOperation operation) {
  HostCall call;
  std::memset(&call, 0, sizeof call);
  call.operation = operation;
  call.mesh = -1;
  call.item = -1;
  return call;
}

const char* OperationName(int32_t operation) {
  static const char* const kNames[] = {
      "msModel_AddMesh",    "msModel_GetMeshAt",    "msMesh_AddVertex",
      "msMesh_GetVertexAt", "msVertex_SetVertex",   "msVertex_SetTexCoords",
      "msMesh_AddTriangle", "msMesh_GetTriangleAt", "msTriangle_SetVertexIndices"};
  if (operation < 0 || operation > kHostSetVertexIndices) return "?";
  return kNames[operation];
}

}  // namespace hoststate

msModel::msModel() { hoststate::TheRegistry().models.insert(this); }

msModel::~msModel() {
  hoststate::Registry& registry = hoststate::TheRegistry();
  for (const auto& mesh : meshes) registry.meshes.erase(&mesh->record);
  meshes.clear();
  registry.models.erase(this);
}
