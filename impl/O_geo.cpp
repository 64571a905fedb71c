#include "O_geo.h"

#include <cstdio>

#include "Errors.h"
#include "pMatrix.h"

void TBaseList::FreeItems() {
  FreeItemsWhere([](const TObject*) { return true; });
}

void RaiseListIndexError(const char* prefix, int32_t index) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(index));
  throw EListError(std::string(prefix) + number);
}

T3DMesh::~T3DMesh() {
  // A face's lists only refer to corners owned here and never touch them
  // while dying, so each corner is freed exactly once, by this mesh.
  TXVertices.FreeItemsOutside(txVertexArena_);
  Surfaces.FreeItemsOutside(surfaceArena_);
  Vertices.FreeItemsOutside(vertexArena_);
}

void T3DMesh::Reserve(int32_t faces, int32_t corners) {
  if (faces > 0) {
    Surfaces.Reserve(faces);
    surfaceArena_.Reserve(static_cast<size_t>(faces));
  }
  if (corners <= 0) return;
  Vertices.Reserve(corners);
  TXVertices.Reserve(corners);
  vertexArena_.Reserve(static_cast<size_t>(corners));
  txVertexArena_.Reserve(static_cast<size_t>(corners));
}

namespace {

// Replaces every vertex of `list` by `move` of it; the count is taken once,
// and the list does not change meanwhile, so every read is in range.
template <class Move>
void MoveEachVertex(const TVertexList& list, Move move) {
  const int32_t n = list.Count();
  for (int32_t i = 0; i < n; ++i) {
    auto* v = static_cast<TVertex*>(list.Raw(i));
    const Vec3 moved = move(Vec3Make(v->X, v->Y, v->Z));
    v->X = moved.x;
    v->Y = moved.y;
    v->Z = moved.z;
  }
}

}  // namespace

void TranslateVertices(const TVertexList& list, Vec3 offset) {
  MoveEachVertex(list, [&](Vec3 v) { return Vec3Add(v, offset); });
}

Matrix4 VertexRotation(Vec3 angles) {
  // z acts first, then x, then y.
  return MatrixMultiply(MatrixMultiply(RotationY(angles.y), RotationX(angles.x)),
                        RotationZ(angles.z));
}

void TransformVertices(const TVertexList& list, const Matrix4& m) {
  // A copy of its own: the compiler cannot tell that the caller's matrix is
  // not among the vertices written, so it would read it anew for each one.
  const Matrix4 own = m;
  MoveEachVertex(list, [&](Vec3 v) { return TransformPoint(v, own); });
}

void RotateVertices(const TVertexList& list, Vec3 angles) {
  // Built once per list.
  TransformVertices(list, VertexRotation(angles));
}
