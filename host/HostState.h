// Inner state of the stand-in host model library: models, their meshes and
// record stores, the process-wide table of records that clients may use,
// the call log and the faults. Shared by the host operations and the
// read-back API; not visible outside the library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "HostModel.h"
#include "HostRecords.h"

namespace hoststate {

/// Where a record handed to a client belongs.
struct RecordOwner {
  msModel* model;
  int32_t mesh;
  int32_t item;  ///< vertex or triangle index; 0 for meshes
};

/// Records that clients may currently use, by address, one table per kind,
/// so that a record of one kind passed as another is refused.
using LiveTable = std::unordered_map<const void*, RecordOwner>;

/// Vertex or triangle records of one mesh. A record handed to a client stays
/// valid only until the next record is added: then it moves to fresh
/// storage, and the old storage is filled with kRetiredByte and kept (and,
/// under AddressSanitizer, poisoned) so that a late write through it shows.
template <class Record>
class RecordStore {
 public:
  /// A store whose handed-out records are listed in `live` under `owner`.
  RecordStore(LiveTable& live, RecordOwner owner) : live_(live), owner_(owner) {}
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  /// Invalidates every handed-out record, appends `initial`, returns its index.
  int32_t Add(const Record& initial);
  /// The record of `index` for a client; listed as live until the next Add.
  Record* HandOut(int32_t index);
  int32_t Count() const { return static_cast<int32_t>(records_.size()); }
  const Record& At(int32_t index) const { return *records_[static_cast<size_t>(index)]; }
  /// Number of retired records whose fill a late write has changed.
  int32_t DamagedRetirees() const;

 private:
  void Retire(int32_t index);

  LiveTable& live_;
  RecordOwner owner_;
  std::vector<std::unique_ptr<Record>> records_;
  std::vector<int32_t> handedOut_;
  std::vector<std::unique_ptr<Record>> retired_;
};

/// One mesh: its record, which never moves, and its vertices and triangles.
struct MeshEntry {
  MeshEntry(msModel* model, int32_t id);
  msMesh record;
  RecordStore<msVertex> vertices;
  RecordStore<msTriangle> triangles;
  std::vector<uint8_t> vertexSets;       ///< kPositionSet | kTexCoordsSet per vertex
  std::vector<uint8_t> triangleIndexed;  ///< 1 once the triangle's indices were set
};

inline constexpr uint8_t kPositionSet = 1;
inline constexpr uint8_t kTexCoordsSet = 2;
/// In vertexSets or triangleIndexed: the host refused to hand the record out.
inline constexpr uint8_t kHandOutRefused = 4;

/// A call that the host is armed to refuse, as one at its limits would.
struct ArmedFailure {
  int32_t operation = -1;  ///< a HostOperation; -1 when nothing is armed
  int32_t callsLeft = 0;   ///< calls of it until the refused one, that one included
};

/// Process-wide tables of live models and records.
struct Registry {
  std::unordered_set<msModel*> models;
  LiveTable meshes;
  LiveTable vertices;
  LiveTable triangles;
  ArmedFailure failure;
};

/// Counts a call of `operation` that would succeed; true when it is the one
/// armed to fail, which disarms the failure.
bool RefuseArmedCall(HostOperation operation);

/// The one registry of the process.
Registry& TheRegistry();

/// Appends `call` to the model's log, or to every live model's log when
/// `model` is null (the call's handle or record belonged to none).
/// Returns nothing; faults name calls by their index in each log.
void LogCall(msModel* model, const HostCall& call);

/// Records a fault of the last logged call, in `model` or, when it is null,
/// in every live model.
void CallFault(msModel* model, const std::string& text);

/// A call log entry with every field cleared.
HostCall MakeCall(HostOperation operation);

/// Name of a host operation as the host exports it.
const char* OperationName(int32_t operation);

/// Scans every record of `model` and describes each fault found: changed
/// flags, guard or host-owned bytes, a name field without NUL, vertices and
/// triangles whose values were never set, writes through retired records.
std::vector<std::string> ScanModel(const msModel& model);

}  // namespace hoststate

/// A host model: the meshes in order, the call log and the faults.
struct msModel {
  msModel();
  ~msModel();
  std::vector<std::unique_ptr<hoststate::MeshEntry>> meshes;
  std::vector<HostCall> calls;
  std::vector<std::string> callFaults;  ///< found during calls
  std::vector<std::string> scanFaults;  ///< found by the last check
};
