#include "main.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "CurrentFolder.h"
#include "DialogOwner.h"
#include "Errors.h"
#include "ModalScope.h"
#include "NumberConversion.h"
#include "O_3do.h"
#include "O_geo.h"
#include "Win32Api.h"
#include "msLib.h"

// ---- Host model building ----------------------------------------------------

namespace {

/// Three host vertex indices, in the order of a triangle's corners.
using IndexTriple = std::array<uint16_t, 3>;

/// Position of each vertex object in its mesh's Vertices: the first one.
using VertexPositions = std::unordered_map<const TVertex*, uint16_t>;

/// A mesh whose triangles are known before the first host call: either
/// worked out from its corners' positions, or resolved one by one.
struct PlannedMesh {
  const T3DMesh* mesh;
  bool cornersInOrder;                 ///< Corner k of the mesh is vertex k.
  std::vector<int32_t> cornerCounts;   ///< Per face; filled if cornersInOrder.
  std::vector<IndexTriple> triangles;  ///< Filled unless cornersInOrder.
};

void CheckVertexCount(const T3DMesh& mesh) {
  if (mesh.Vertices.Count() <= kMaxHostMeshVertices) return;
  throw Exception("Mesh '" + mesh.Name + "' has " + std::to_string(mesh.Vertices.Count()) +
                  " vertices; at most " + std::to_string(kMaxHostMeshVertices) +
                  " can be imported");
}

void CheckTextureVertices(const T3DMesh& mesh) {
  // Raises the very list error that the read of the first missing texture
  // vertex would raise, but before anything reaches the host.
  if (mesh.TXVertices.Count() < mesh.Vertices.Count())
    mesh.TXVertices.Items(mesh.TXVertices.Count());
}

// A mesh as the reader builds it lists every face's corners in turn, each a
// vertex that the mesh made in that very order. Then the host index of a
// corner is its running position: the vertex stands there, and nowhere
// before, since the vertices before it were made before it. One pass proves
// that and spares the search for each corner. The faces' corner counts, kept
// in `cornerCounts`, then give every triangle without a second walk over the
// faces.
bool CornersAreVerticesInOrder(const T3DMesh& mesh, std::vector<int32_t>& cornerCounts) {
  int32_t position = 0;
  cornerCounts.reserve(static_cast<size_t>(mesh.Surfaces.Count()));
  for (int32_t face = 0; face < mesh.Surfaces.Count(); ++face) {
    const TVertexList& corners = mesh.Surfaces.Items(face)->Vertices;
    cornerCounts.push_back(corners.Count());
    // Both reads stay inside their lists, so they go unchecked.
    for (int32_t corner = 0; corner < corners.Count(); ++corner, ++position) {
      if (position >= mesh.Vertices.Count()) return false;
      const TObject* vertex = corners.Raw(corner);
      if (mesh.Vertices.Raw(position) != vertex) return false;
      if (mesh.MadeVertexPosition(static_cast<const TVertex*>(vertex)) != position) return false;
    }
  }
  return true;
}

// Calls `emit` with each triangle of the fan of every face, in face order,
// for `faces` faces of `cornerCount(face)` corners. `indexOf(face,
// faceStart, corner)` gives a corner's host index; faceStart is the
// mesh-wide position of the face's first corner.
template <class CornerCount, class IndexOf, class Emit>
void ForEachFanTriangle(int32_t faces, CornerCount cornerCount, IndexOf indexOf, Emit emit) {
  int32_t faceStart = 0;
  for (int32_t face = 0; face < faces; ++face) {
    const int32_t corners = cornerCount(face);
    if (corners >= 3) {
      const uint16_t first = indexOf(face, faceStart, 0);
      uint16_t previous = indexOf(face, faceStart, 1);
      for (int32_t k = 2; k < corners; ++k) {
        const uint16_t next = indexOf(face, faceStart, k);
        emit(IndexTriple{first, previous, next});
        previous = next;
      }
    }
    faceStart += corners;
  }
}

// One pass instead of a linear search per corner; emplace keeps the first
// position of an object that the list holds twice, as IndexOf would.
VertexPositions IndexVertices(const TVertexList& vertices) {
  VertexPositions positions;
  positions.reserve(static_cast<size_t>(vertices.Count()));
  for (int32_t j = 0; j < vertices.Count(); ++j)
    positions.emplace(vertices.Items(j), static_cast<uint16_t>(j));
  return positions;
}

uint16_t CornerIndex(const VertexPositions& positions, const T3DMesh& mesh, int32_t face,
                     int32_t corner) {
  const TVertex* vertex = mesh.Surfaces.Items(face)->Vertices.Items(corner);
  auto found = positions.find(vertex);
  if (found != positions.end()) return found->second;
  // Its index would be -1, which the host would read as vertex 65535.
  throw EListError("Face " + std::to_string(face) + " of mesh '" + mesh.Name +
                   "' has a corner that is not one of the mesh's vertices");
}

PlannedMesh PlanMesh(const T3DMesh& mesh) {
  CheckTextureVertices(mesh);
  PlannedMesh planned{&mesh, false, {}, {}};
  planned.cornersInOrder = CornersAreVerticesInOrder(mesh, planned.cornerCounts);
  if (planned.cornersInOrder) return planned;
  planned.cornerCounts = {};
  const VertexPositions positions = IndexVertices(mesh.Vertices);
  ForEachFanTriangle(
      mesh.Surfaces.Count(),
      [&](int32_t face) { return mesh.Surfaces.Items(face)->Vertices.Count(); },
      [&](int32_t face, int32_t, int32_t corner) {
        return CornerIndex(positions, mesh, face, corner);
      },
      [&](const IndexTriple& triangle) { planned.triangles.push_back(triangle); });
  return planned;
}

// Everything that can fail is done here, before the first host call, so a
// model that cannot be imported leaves the host's model untouched.
std::vector<PlannedMesh> PlanMeshes(const T3DOModel& model) {
  for (int32_t i = 0; i < model.Meshes.Count(); ++i) CheckVertexCount(*model.Meshes.Items(i));
  std::vector<PlannedMesh> planned;
  for (int32_t i = 0; i < model.Meshes.Count(); ++i)
    planned.push_back(PlanMesh(*model.Meshes.Items(i)));
  return planned;
}

/// Rounds to the nearest single (ties to even), as IEEE 754 does; beyond the
/// single range that gives FLT_MAX or infinity. Spelt out because a plain
/// conversion of a double outside the single range is undefined in C++.
float ToSingle(double value) {
  constexpr double kHalfwayPastMax = 0x1.ffffffp127;  // FLT_MAX + half an ulp
  double magnitude = std::fabs(value);
  // Nearly every value, and NaN, which no comparison holds for.
  if (!(magnitude > FLT_MAX)) return static_cast<float>(value);
  if (magnitude >= kHalfwayPastMax) return std::copysign(INFINITY, static_cast<float>(value));
  return std::copysign(FLT_MAX, static_cast<float>(value > 0 ? 1 : -1));
}

// At most 31 characters and the NUL: the host's name field holds 32 bytes.
void WriteMeshName(msMesh* record, const std::string& name) {
  char* field = reinterpret_cast<char*>(record) + kMeshNameOffset;
  size_t length = std::min(name.size(), static_cast<size_t>(kMeshNameCapacity - 1));
  std::memcpy(field, name.data(), length);
  field[length] = '\0';
}

// A host at its limits refuses an Add with a negative index or a Get with a
// null record. Nothing may then be written through or handed back, so the
// import stops there, keeping what the host already holds.
[[noreturn]] void RaiseHostRefused(const std::string& what, const std::string& meshName) {
  throw EHostError("The host could not add " + what + " to mesh '" + meshName + "'");
}

// Entry j of both lists: the planning proved that TXVertices is no shorter
// than Vertices, and the caller keeps j below Vertices' count, so the entries
// are read unchecked.
void AddHostVertex(msMesh* hostMesh, int32_t j, const T3DMesh& mesh) {
  const auto& vertex = *static_cast<const TVertex*>(mesh.Vertices.Raw(j));
  const auto& texture = *static_cast<const TTXVertex*>(mesh.TXVertices.Raw(j));
  // Triangles name vertices by their making order, so the host must give
  // the j-th vertex index j.
  const int index = msMesh_AddVertex(hostMesh);
  if (index != j) RaiseHostRefused("vertex " + std::to_string(j), mesh.Name);
  msVertex* record = msMesh_GetVertexAt(hostMesh, index);
  if (record == nullptr) RaiseHostRefused("vertex " + std::to_string(j), mesh.Name);
  // The position goes straight into the record and is then handed over from
  // there; the host owns bytes 24-27, so nothing else is stored.
  auto* position =
      reinterpret_cast<float*>(reinterpret_cast<char*>(record) + kVertexPositionOffset);
  const float values[3] = {ToSingle(vertex.X), ToSingle(vertex.Y), ToSingle(vertex.Z)};
  std::memcpy(position, values, sizeof values);
  msVertex_SetVertex(record, position);
  const float texCoords[2] = {ToSingle(texture.U), ToSingle(texture.V)};
  msVertex_SetTexCoords(record, texCoords);
}

/// Adds one triangle; `number` counts the mesh's triangles from 0.
void AddHostTriangle(msMesh* hostMesh, const IndexTriple& corners, int32_t number,
                     const T3DMesh& mesh) {
  const int index = msMesh_AddTriangle(hostMesh);
  msTriangle* record = index < 0 ? nullptr : msMesh_GetTriangleAt(hostMesh, index);
  if (record == nullptr) RaiseHostRefused("triangle " + std::to_string(number), mesh.Name);
  msTriangle_SetVertexIndices(record, corners.data());
}

msMesh* AddHostMeshRecord(msModel* hostModel, int32_t meshIndex, const std::string& name) {
  const int index = msModel_AddMesh(hostModel);
  msMesh* record = index < 0 ? nullptr : msModel_GetMeshAt(hostModel, index);
  if (record != nullptr) return record;
  throw EHostError("The host could not add mesh " + std::to_string(meshIndex) + " ('" + name +
                   "')");
}

void AddHostMesh(const PlannedMesh& planned, int32_t meshIndex, msModel* hostModel) {
  const T3DMesh& mesh = *planned.mesh;
  msMesh* hostMesh = AddHostMeshRecord(hostModel, meshIndex, mesh.Name);
  WriteMeshName(hostMesh, mesh.Name);
  const int32_t vertexCount = mesh.Vertices.Count();
  for (int32_t j = 0; j < vertexCount; ++j) AddHostVertex(hostMesh, j, mesh);
  int32_t triangleNumber = 0;
  const auto addTriangle = [&](const IndexTriple& corners) {
    AddHostTriangle(hostMesh, corners, triangleNumber++, mesh);
  };
  if (!planned.cornersInOrder) {
    for (const IndexTriple& corners : planned.triangles) addTriangle(corners);
    return;
  }
  // The planning proved each corner to be the vertex at its running
  // position, which the vertex count check keeps below 65536, and kept the
  // faces' corner counts, so the faces need no second walk.
  const std::vector<int32_t>& cornerCounts = planned.cornerCounts;
  ForEachFanTriangle(
      static_cast<int32_t>(cornerCounts.size()),
      [&](int32_t face) { return cornerCounts[static_cast<size_t>(face)]; },
      [](int32_t, int32_t faceStart, int32_t corner) {
        return static_cast<uint16_t>(faceStart + corner);
      },
      addTriangle);
}

}  // namespace

void AddToHostModel(const T3DOModel& model, msModel* hostModel) {
  std::vector<PlannedMesh> planned = PlanMeshes(model);
  for (size_t i = 0; i < planned.size(); ++i)
    AddHostMesh(planned[i], static_cast<int32_t>(i), hostModel);
}

// ---- end of host model building ----

// ---- Exports and the import command ----

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(OPENFILENAMEA) == 88, "the full open-file request of 32-bit Windows");
#endif

namespace {

constexpr int32_t kTypeCode = 1;
constexpr char kTitle[] = "Jedi Knight 3DO...";
constexpr char kErrorCaption[] = "Jedi Knight 3DO";
constexpr char kErrorPrefix[] = "Error while importing:\n";
// One description and pattern pair; the literal's own NUL closes the list.
constexpr char kFilter[] = "Jedi Knight 3DO (*.3do)\0*.3do\0";
constexpr char kDialogTitle[] = "Import Jedi Knight 3DO";
constexpr char kDefaultExtension[] = "3do";
// A bare name, with no folder: a folder in the proposal would be where the
// dialog opens on Windows XP and Vista, and on later versions whenever this
// program has not used the dialog before. Without one, Windows opens the
// folder last chosen in this program (it remembers that per program, so the
// import keeps nothing), else the current folder if it holds .3do files,
// else the user's documents.
constexpr char kDefaultPath[] = "polyShip.3do";
constexpr size_t kFileBufferSize = 260;

using FileBuffer = std::array<char, kFileBufferSize>;

OPENFILENAMEA OpenRequest(FileBuffer& buffer, HWND owner) {
  OPENFILENAMEA request;
  std::memset(&request, 0, sizeof request);
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFilter = kFilter;
  request.nFilterIndex = 1;
  request.lpstrFile = buffer.data();
  request.nMaxFile = static_cast<DWORD>(buffer.size());
  request.lpstrTitle = kDialogTitle;
  request.lpstrDefExt = kDefaultExtension;
  return request;
}

// The dialog disables its owner itself and enables it again before it goes,
// so that activation returns there; the scope holds the host's other
// windows until it has returned. The folder scope puts the host's current
// folder back, which the dialog moves; the path it returns is full, so the
// file is found all the same.
BOOL ShowOpenDialog(OPENFILENAMEA& request) {
  const TModalScope modal(request.hwndOwner);
  const TCurrentFolderScope folder;
  return GetOpenFileNameA(&request);
}

// The chosen file's name, or "" when the dialog was cancelled or failed.
std::string AskForFileName(HWND owner) {
  FileBuffer buffer{};
  static_assert(sizeof kDefaultPath <= kFileBufferSize);
  std::memcpy(buffer.data(), kDefaultPath, sizeof kDefaultPath);
  OPENFILENAMEA request = OpenRequest(buffer, owner);
  if (!ShowOpenDialog(request)) return {};
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

// Like the dialog, the box disables its owner itself. A host without any
// window gives none; task-modal, the box then still keeps the thread's
// windows from taking input.
int32_t ShowError(HWND owner, const char* text) {
  const TModalScope modal(owner);
  const UINT style = MB_ICONERROR | (owner == nullptr ? MB_TASKMODAL : 0u);
  MessageBoxA(owner, text, kErrorCaption, style);
  return -1;
}

int32_t ReportError(HWND owner, const std::string& message) {
  return ShowError(owner, (kErrorPrefix + message).c_str());
}

// What to tell the user about an error outside the Exception family; called
// inside a handler, it inspects the error being handled.
std::string DescribeUnexpectedError() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& error) {
    return std::string("Unexpected error: ") + error.what();
  } catch (...) {
    return "Unexpected error";
  }
}

// Reads the file and adds it to the host's model. The model is freed on
// leaving, so after any error box has been closed.
int32_t ImportFile(const std::string& fileName, void* hostModel, HWND owner) {
  const auto model = std::make_unique<T3DOModel>();
  try {
    model->LoadFromFile(fileName);
    AddToHostModel(*model, static_cast<msModel*>(hostModel));
    return 0;
  } catch (const Exception& error) {
    return ReportError(owner, error.Message());
  } catch (...) {
    // An error that crossed into the host would crash it.
    return ReportError(owner, DescribeUnexpectedError());
  }
}

int32_t RunImportCommand(void* hostModel, HWND owner) {
  // Numbers in 3DO files use "." whatever the user's regional settings; the
  // setting is kept for later imports.
  SetDecimalSeparator('.');
  const std::string fileName = AskForFileName(owner);
  if (fileName.empty()) return -1;
  return ImportFile(fileName, hostModel, owner);
}

}  // namespace

int32_t plugin_GetType() { return kTypeCode; }

const char* plugin_GetTitle() { return kTitle; }

int32_t plugin_Execute(void* hostModel) {
  // Chosen once, before anything shows: the window the user ran the command
  // from is active now.
  const HWND owner = ChooseDialogOwner();
  try {
    return RunImportCommand(hostModel, owner);
  } catch (const std::bad_alloc&) {
    // Out of memory before the import, or while reporting an error: texts
    // that need no memory of their own.
    return ShowError(owner, "Error while importing:\nOut of memory");
  } catch (...) {
    return ShowError(owner, "Error while importing:\nUnexpected error");
  }
}

// ---- end of exports and the import command ----
