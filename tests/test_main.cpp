// Building the host's model: what reaches the stand-in host, in which
// order, and that nothing is written where the system may not write.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dlfcn.h>
#endif

#include "Errors.h"
#include "HostModel.h"
#include "O_3do.h"
#include "StandInWindows.h"
#include "UserScript.h"
#include "UserScriptHooks.h"
#include "main.h"

// ---- A failing allocation, for the whole test program ----------------------
// The import command's promise is that whatever fails inside it, memory
// included, the user sees one box and nothing reaches the host. Any
// allocation of the import can fail, so this program's operator new can be
// told to fail its N-th call from now on, once, by throwing what the test
// chose. Every other call goes to the allocator the program would have used:
// on Linux the next definition, the sanitizers' under the sanitizers, so
// that their checks of new against delete still hold. The stand-in host's
// own allocations are not the import's and are left alone: a real host
// never throws into the plug-in. (On Windows its library has a runtime of
// its own, whose operator new is not this one.)
namespace failingnew {

/// What the failing call throws.
enum class Thrown { kBadAlloc, kLengthError, kInt };

bool g_armed = false;      // counting at all
unsigned g_countdown = 0;  // 0: nothing fails; 1: the next call does
Thrown g_thrown = Thrown::kBadAlloc;
unsigned g_calls = 0;  // since the last Arm

/// Counts the calls from now on and makes the `n`-th throw `thrown`; 0
/// fails nothing.
void Arm(unsigned n, Thrown thrown) {
  g_armed = true;
  g_countdown = n;
  g_thrown = thrown;
  g_calls = 0;
}

/// Counts and fails nothing from now on; the calls counted stay counted.
void Disarm() { g_armed = false; }

bool IsHostLibrary(const void* caller) {
#ifdef _WIN32
  (void)caller;
  return false;
#else
  Dl_info info{};
  return dladdr(caller, &info) != 0 && info.dli_fname != nullptr &&
         std::strstr(info.dli_fname, "libmsModelLib") != nullptr;
#endif
}

void CountCall(const void* caller) {
  if (!g_armed || IsHostLibrary(caller)) return;
  ++g_calls;
  if (g_countdown == 0 || --g_countdown > 0) return;
  if (g_thrown == Thrown::kLengthError) throw std::length_error("test length error");
  if (g_thrown == Thrown::kInt) throw 7;
  throw std::bad_alloc();
}

void* Allocate(std::size_t size, bool array) {
#ifdef _WIN32
  // The static runtime's operator delete frees with free.
  (void)array;
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) throw std::bad_alloc();
  return block;
#else
  using New = void* (*)(std::size_t);
  static const auto next =
      reinterpret_cast<New>(dlsym(RTLD_NEXT, sizeof(std::size_t) == 8 ? "_Znwm" : "_Znwj"));
  static const auto nextArray =
      reinterpret_cast<New>(dlsym(RTLD_NEXT, sizeof(std::size_t) == 8 ? "_Znam" : "_Znaj"));
  return (array ? nextArray : next)(size);
#endif
}

}  // namespace failingnew

void* operator new(std::size_t size) {
  failingnew::CountCall(__builtin_return_address(0));
  return failingnew::Allocate(size, false);
}

void* operator new[](std::size_t size) {
  failingnew::CountCall(__builtin_return_address(0));
  return failingnew::Allocate(size, true);
}

#ifdef _WIN32
// The partners of the malloc above, in sight of the compiler, which would
// otherwise take the runtime's operator delete for a mismatch.
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
#endif

namespace {

using Texts = std::vector<std::string>;
using Triangles = std::vector<std::vector<uint16_t>>;

/// One face corner: position and texture coordinates.
struct Corner {
  double x, y, z, u, v;
};

T3DMesh* AddMesh(T3DOModel& model, const std::string& name) {
  auto* mesh = new T3DMesh;
  mesh->Name = name;
  model.Meshes.Add(mesh);
  return mesh;
}

// Appends the corner to the mesh's lists, as the reader does: one fresh
// vertex and texture vertex per corner. Returns the vertex.
TVertex* AddCorner(T3DMesh* mesh, const Corner& corner) {
  auto* vertex = new TVertex(corner.x, corner.y, corner.z);
  mesh->Vertices.Add(vertex);
  mesh->TXVertices.Add(new TTXVertex(corner.u, corner.v));
  return vertex;
}

// A face of `count` fresh corners at positions that follow the mesh's last one.
TSurface* AddFace(T3DMesh* mesh, int count) {
  auto* face = new TSurface;
  for (int i = 0; i < count; ++i) {
    double n = mesh->Vertices.Count();
    face->Vertices.Add(AddCorner(mesh, {n, n + 0.5, -n, n / 4, 1 - n / 4}));
    face->TXVertices.Add(mesh->TXVertices.Items(mesh->TXVertices.Count() - 1));
  }
  mesh->Surfaces.Add(face);
  return face;
}

class AddToHostModelTest : public ::testing::Test {
 protected:
  // The system may write no byte it does not own, whatever the test did.
  void TearDown() override {
    EXPECT_EQ(hostmodel::CheckedFaults(host_), Texts{});
    hostmodel_Destroy(host_);
  }

  Triangles HostTriangles(int32_t mesh) {
    Triangles triangles;
    for (int32_t i = 0; i < hostmodel_TriangleCount(host_, mesh); ++i) {
      uint16_t indices[3];
      hostmodel_GetTriangle(host_, mesh, i, indices);
      triangles.push_back({indices[0], indices[1], indices[2]});
    }
    return triangles;
  }

  std::vector<float> HostPosition(int32_t mesh, int32_t vertex) {
    float position[3] = {NAN, NAN, NAN};
    hostmodel_GetVertex(host_, mesh, vertex, position, nullptr);
    return {position[0], position[1], position[2]};
  }

  std::vector<float> HostTexCoords(int32_t mesh, int32_t vertex) {
    float texCoords[2] = {NAN, NAN};
    hostmodel_GetVertex(host_, mesh, vertex, nullptr, texCoords);
    return {texCoords[0], texCoords[1]};
  }

  msModel* host_ = hostmodel_Create();
  T3DOModel model_;
};

TEST_F(AddToHostModelTest, NoMeshesMakesNoHostCall) {
  AddToHostModel(model_, host_);
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

TEST_F(AddToHostModelTest, CallsComeMeshByMeshVerticesThenTriangles) {
  T3DMesh* first = AddMesh(model_, "a");
  AddFace(first, 3);
  AddFace(first, 1);
  AddFace(AddMesh(model_, "b"), 0);
  AddToHostModel(model_, host_);
  EXPECT_EQ(hostmodel::CallTexts(host_), (Texts{"msModel_AddMesh() = 0",
                                                "msModel_GetMeshAt(0)",
                                                "msMesh_AddVertex(mesh 0) = 0",
                                                "msMesh_GetVertexAt(mesh 0, 0)",
                                                "msVertex_SetVertex(vertex 0/0, 0 0.5 -0)",
                                                "msVertex_SetTexCoords(vertex 0/0, 0 1)",
                                                "msMesh_AddVertex(mesh 0) = 1",
                                                "msMesh_GetVertexAt(mesh 0, 1)",
                                                "msVertex_SetVertex(vertex 0/1, 1 1.5 -1)",
                                                "msVertex_SetTexCoords(vertex 0/1, 0.25 0.75)",
                                                "msMesh_AddVertex(mesh 0) = 2",
                                                "msMesh_GetVertexAt(mesh 0, 2)",
                                                "msVertex_SetVertex(vertex 0/2, 2 2.5 -2)",
                                                "msVertex_SetTexCoords(vertex 0/2, 0.5 0.5)",
                                                "msMesh_AddVertex(mesh 0) = 3",
                                                "msMesh_GetVertexAt(mesh 0, 3)",
                                                "msVertex_SetVertex(vertex 0/3, 3 3.5 -3)",
                                                "msVertex_SetTexCoords(vertex 0/3, 0.75 0.25)",
                                                "msMesh_AddTriangle(mesh 0) = 0",
                                                "msMesh_GetTriangleAt(mesh 0, 0)",
                                                "msTriangle_SetVertexIndices(triangle 0/0, 0 1 2)",
                                                "msModel_AddMesh() = 1",
                                                "msModel_GetMeshAt(1)"}));
}

struct FanCase {
  const char* name;
  std::vector<int> faceSizes;
  Triangles triangles;
};

class Fans : public AddToHostModelTest, public ::testing::WithParamInterface<FanCase> {};

// Every corner becomes a host vertex, faces of fewer than three corners
// included; each face of n >= 3 corners becomes the fan (0, k+1, k+2).
TEST_P(Fans, FollowTheFaceCorners) {
  T3DMesh* mesh = AddMesh(model_, "fan");
  int corners = 0;
  for (int size : GetParam().faceSizes) {
    AddFace(mesh, size);
    corners += size;
  }
  AddToHostModel(model_, host_);
  ASSERT_EQ(hostmodel_MeshCount(host_), 1);
  EXPECT_EQ(hostmodel_VertexCount(host_, 0), corners);
  EXPECT_EQ(HostTriangles(0), GetParam().triangles);
  if (corners == 0) return;
  float last = static_cast<float>(corners - 1);
  EXPECT_EQ(HostPosition(0, corners - 1), (std::vector<float>{last, last + 0.5f, -last}));
}

INSTANTIATE_TEST_SUITE_P(
    Faces, Fans,
    ::testing::Values(FanCase{"NoFaces", {}, {}}, FanCase{"OneAndTwoCorners", {1, 2}, {}},
                      FanCase{"TriangleAtSixToEight", {1, 2, 3, 3}, {{3, 4, 5}, {6, 7, 8}}},
                      FanCase{"Quad", {4}, {{0, 1, 2}, {0, 2, 3}}},
                      FanCase{"QuadThenPentagon",
                              {4, 5},
                              {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {4, 7, 8}}}),
    [](const ::testing::TestParamInfo<FanCase>& info) { return std::string(info.param.name); });

// A vertex object that the mesh lists twice is found at its first position,
// as a linear identity search would find it.
TEST_F(AddToHostModelTest, CornerListedTwiceTakesItsFirstPosition) {
  T3DMesh* mesh = AddMesh(model_, "twice");
  TSurface* face = AddFace(mesh, 3);
  TVertex* shared = face->Vertices.Items(0);
  mesh->Vertices.Add(shared);
  mesh->TXVertices.Add(new TTXVertex(9, 9));
  auto* again = new TSurface;
  for (int corner : {1, 2}) again->Vertices.Add(face->Vertices.Items(corner));
  again->Vertices.Add(shared);
  mesh->Surfaces.Add(again);

  AddToHostModel(model_, host_);
  EXPECT_EQ(HostTriangles(0), (Triangles{{0, 1, 2}, {1, 2, 0}}));
  EXPECT_EQ(hostmodel_VertexCount(host_, 0), 4);
  mesh->Vertices.Raw(3) = new TVertex(0, 0, 0);  // one owner per object
}

TEST_F(AddToHostModelTest, TexturePairArrivesUnscaledAndUnflipped) {
  T3DMesh* mesh = AddMesh(model_, "tex");
  auto* face = new TSurface;
  face->Vertices.Add(AddCorner(mesh, {0, 0, 0, 64, 128}));
  mesh->Surfaces.Add(face);
  AddToHostModel(model_, host_);
  EXPECT_EQ(HostTexCoords(0, 0), (std::vector<float>{64.0f, 128.0f}));
}

struct Rounding {
  double value;
  float expected;
};

class Singles : public AddToHostModelTest, public ::testing::WithParamInterface<Rounding> {};

TEST_P(Singles, AreTheNearestToTheDouble) {
  T3DMesh* mesh = AddMesh(model_, "round");
  double value = GetParam().value;
  auto* face = new TSurface;
  face->Vertices.Add(AddCorner(mesh, {value, -value, value, value, -value}));
  mesh->Surfaces.Add(face);
  AddToHostModel(model_, host_);
  float expected = GetParam().expected;
  std::vector<float> position = HostPosition(0, 0);
  std::vector<float> texCoords = HostTexCoords(0, 0);
  EXPECT_EQ(std::memcmp(&position[0], &expected, sizeof expected), 0) << position[0];
  EXPECT_EQ(position[1], -expected);
  EXPECT_EQ(position[2], expected);
  EXPECT_EQ(texCoords, (std::vector<float>{expected, -expected}));
}

INSTANTIATE_TEST_SUITE_P(Positions, Singles,
                         ::testing::Values(Rounding{0.1, 0x1.99999ap-4f},  // below the double: up
                                           Rounding{1 + 0x1p-24, 1.0f},    // tie: to even, down
                                           Rounding{1 + 0x3p-24, 1 + 0x1p-22f},  // tie: to even, up
                                           Rounding{1 + 0x1p-24 + 0x1p-40, 1 + 0x1p-23f},
                                           Rounding{0x1.fffffefp127,
                                                    FLT_MAX},  // past the largest single
                                           Rounding{1e300, INFINITY}));

TEST_F(AddToHostModelTest, MeshesKeepTheirOrderAndNamesCutTo31Characters) {
  const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  for (const std::string& name : {std::string("first"), std::string(), forty, std::string(31, 'x')})
    AddFace(AddMesh(model_, name), 3);
  AddToHostModel(model_, host_);
  ASSERT_EQ(hostmodel_MeshCount(host_), 4);
  EXPECT_EQ(hostmodel::MeshName(host_, 0), "first");
  EXPECT_EQ(hostmodel::MeshName(host_, 1), "");
  EXPECT_EQ(hostmodel::MeshName(host_, 2), forty.substr(0, 31));
  EXPECT_EQ(hostmodel::MeshName(host_, 3), std::string(31, 'x'));
}

// A mesh of many corners without faces, so that no triangle is needed.
T3DMesh* AddVertices(T3DOModel& model, const std::string& name, int count) {
  T3DMesh* mesh = AddMesh(model, name);
  for (int i = 0; i < count; ++i) AddCorner(mesh, {0, 0, 0, 0, 0});
  return mesh;
}

// Where the mesh over the limit stands among the model's meshes: each is
// checked, the first and the only one included.
struct OversizedMeshCase {
  const char* name;
  std::vector<int> vertexCounts;  // per mesh, in order
  const char* message;
};

void PrintTo(const OversizedMeshCase& c, std::ostream* out) { *out << c.name; }

class OversizedMesh : public AddToHostModelTest,
                      public ::testing::WithParamInterface<OversizedMeshCase> {};

TEST_P(OversizedMesh, IsRejectedBeforeAnyHostCall) {
  int number = 0;
  for (int count : GetParam().vertexCounts) {
    const std::string name = "mesh" + std::to_string(number++);
    if (count > kMaxHostMeshVertices) {
      AddVertices(model_, name, count);
    } else {
      AddFace(AddMesh(model_, name), count);
    }
  }
  try {
    AddToHostModel(model_, host_);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), GetParam().message);
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Limit, OversizedMesh,
    ::testing::Values(
        OversizedMeshCase{"Second",
                          {3, kMaxHostMeshVertices + 1},
                          "Mesh 'mesh1' has 65537 vertices; at most 65536 can be imported"},
        OversizedMeshCase{"First",
                          {kMaxHostMeshVertices + 1, 3},
                          "Mesh 'mesh0' has 65537 vertices; at most 65536 can be imported"},
        OversizedMeshCase{"Only",
                          {kMaxHostMeshVertices + 1},
                          "Mesh 'mesh0' has 65537 vertices; at most 65536 can be imported"}),
    [](const ::testing::TestParamInfo<OversizedMeshCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(AddToHostModelTest, LargestMeshReachesItsLastVertex) {
  T3DMesh* mesh = AddVertices(model_, "full", kMaxHostMeshVertices - 3);
  AddFace(mesh, 3);
  AddToHostModel(model_, host_);
  EXPECT_EQ(hostmodel_VertexCount(host_, 0), 65536);
  EXPECT_EQ(HostTriangles(0), (Triangles{{65533, 65534, 65535}}));
}

TEST_F(AddToHostModelTest, CornerOutsideItsMeshIsRejectedBeforeAnyHostCall) {
  AddFace(AddMesh(model_, "fine"), 3);
  T3DMesh* mesh = AddMesh(model_, "odd");
  TSurface* face = AddFace(mesh, 3);
  TVertex stranger(0, 0, 0);
  face->Vertices.Raw(2) = &stranger;
  try {
    AddToHostModel(model_, host_);
    FAIL() << "no error";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(),
              "Face 0 of mesh 'odd' has a corner that is not one of the mesh's "
              "vertices");
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

TEST_F(AddToHostModelTest, MissingTextureVertexIsRejectedBeforeAnyHostCall) {
  T3DMesh* mesh = AddMesh(model_, "short");
  AddFace(mesh, 3);
  mesh->Vertices.Add(new TVertex(0, 0, 0));
  try {
    AddToHostModel(model_, host_);
    FAIL() << "no error";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), "Texture Vertex Index is out of bounds: 3");
  }
  EXPECT_EQ(hostmodel_CallCount(host_), 0);
}

// ---- The import command ------------------------------------------------------

// The import command of this program's own copy of the implementation, whose
// allocations go through the operator new above, with a scripted user that
// answers the dialog with walker.3do.
class ImportCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#ifdef _WIN32
    // The program's own import entries: harmless to the other tests, since
    // nothing is scripted unless a test asks for it.
    UserScript_Attach(GetModuleHandleA(nullptr));
#else
    scriptWasOn_ = UserScript_IsOn();
    UserScript_Attach(nullptr);
#endif
  }

  static void TearDownTestSuite() {
#ifndef _WIN32
    if (!scriptWasOn_) UserScript_Detach();
#endif
  }

  void SetUp() override { UserScript_Reset(); }
  void TearDown() override {
    failingnew::Disarm();
    UserScript_Reset();
  }

  // Runs the command on a fresh host model with its N-th allocation failing
  // (0: none); returns its result, the boxes in UserScript_Boxes().
  static int32_t Execute(unsigned failingCall, failingnew::Thrown thrown) {
    UserScript_Reset();
    UserScript_AnswerFileDialog(std::string(KELVADO_DATA_DIR) + "/walker.3do");
    msModel* host = hostmodel_Create();
    failingnew::Arm(failingCall, thrown);
    const int32_t result = plugin_Execute(host);
    failingnew::Disarm();
    hostmodel_Destroy(host);
    return result;
  }

#ifndef _WIN32
  static inline bool scriptWasOn_ = false;
#endif
};

struct FailingAllocation {
  const char* name;
  failingnew::Thrown thrown;
  const char* text;          // what the box says after the prefix
  const char* textInImport;  // ... once the file was chosen, when that differs
};

void PrintTo(const FailingAllocation& c, std::ostream* out) { *out << c.name; }

class AllocationFailure : public ImportCommand,
                          public ::testing::WithParamInterface<FailingAllocation> {};

// Every allocation of an import in turn, from the dialog through reading and
// placing to building the host's model, fails once: each time one box and
// -1, and nothing escapes (LeakSanitizer sees what each failure left).
TEST_P(AllocationFailure, GivesOneBoxWhereverItHappens) {
  const FailingAllocation& c = GetParam();
  // The second import counts: the first one also makes what lives on after
  // it, such as the runtime's own caches.
  ASSERT_EQ(Execute(0, c.thrown), 0);
  ASSERT_EQ(Execute(0, c.thrown), 0);
  const unsigned calls = failingnew::g_calls;
  ASSERT_GT(calls, 20u) << "the import allocates";
  const std::string prefix = "Error while importing:\n";
  // The host's main window, shown and in front, made before counting, with
  // another program's window behind it where the stand-ins make one:
  // wherever the failure falls, even while the error is being reported, the
  // box belongs to the host's window, keeps it from taking input, and leaves
  // it enabled and in front afterwards.
#ifndef _WIN32
  const HWND other = StandInWindows_MakeOtherProgramWindow();
#endif
  const HWND window = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      100, 100, nullptr, nullptr, nullptr, nullptr);
#ifndef _WIN32
  StandInWindows_BringToFront(window);
  const unsigned otherActivations = StandInWindows_Activations(other);
#endif
  UserScript_WatchWindow(window);
  const UINT style = window != nullptr ? MB_ICONERROR : MB_ICONERROR | MB_TASKMODAL;
  bool inImport = false;
  for (unsigned n = 1; n <= calls; ++n) {
    ASSERT_EQ(Execute(n, c.thrown), -1) << "allocation " << n;
    ASSERT_EQ(UserScript_Boxes().size(), 1u) << "allocation " << n;
    const UserScriptBox& box = UserScript_Boxes()[0];
    EXPECT_EQ(box.caption, "Jedi Knight 3DO");
    EXPECT_EQ(box.owner, window) << "allocation " << n;
    EXPECT_EQ(box.style, style) << "allocation " << n;
    if (window != nullptr) {
      EXPECT_FALSE(box.hostWindowEnabled) << "allocation " << n;
      EXPECT_TRUE(IsWindowEnabled(window)) << "allocation " << n;
    }
#ifndef _WIN32
    EXPECT_EQ(GetForegroundWindow(), window) << "allocation " << n;
#endif
    // The dialog's allocations come first; from the first one of the
    // import on, every failure is described as inside the import.
    inImport = inImport || box.text == prefix + c.textInImport;
    ASSERT_EQ(box.text, prefix + (inImport ? c.textInImport : c.text)) << "allocation " << n;
  }
  EXPECT_TRUE(inImport);
  EXPECT_EQ(Execute(calls + 1, c.thrown), 0) << "past the last allocation";
#ifndef _WIN32
  EXPECT_EQ(StandInWindows_Activations(other), otherActivations)
      << "another program's window was activated";
#endif
  UserScript_WatchWindow(nullptr);
  if (window != nullptr) DestroyWindow(window);
#ifndef _WIN32
  DestroyWindow(other);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    EveryCall, AllocationFailure,
    ::testing::Values(FailingAllocation{"OutOfMemory", failingnew::Thrown::kBadAlloc,
                                        "Out of memory", "Out of memory"},
                      FailingAllocation{"StandardError", failingnew::Thrown::kLengthError,
                                        "Unexpected error", "Unexpected error: test length error"},
                      FailingAllocation{"OtherError", failingnew::Thrown::kInt, "Unexpected error",
                                        "Unexpected error"}),
    [](const ::testing::TestParamInfo<FailingAllocation>& info) {
      return std::string(info.param.name);
    });

}  // namespace
