#include "O_geo.h"

#include <cstdio>

#include "Errors.h"
#include "pMatrix.h"

void TBaseList::FreeItems() {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    // Empty the entry first, so that nothing reached from the dying item
    // can find it through this list.
    TObject* item = Raw(i);
    Raw(i) = nullptr;
    delete item;
  }
  Clear();
}

void RaiseListIndexError(const char* prefix, int32_t index) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(index));
  throw EListError(std::string(prefix) + number);
}

T3DMesh::~T3DMesh() {
  // A face's lists only refer to corners owned here and never touch them
  // while dying, so each corner is freed exactly once, by this mesh.
  TXVertices.FreeItems();
  Surfaces.FreeItems();
  Vertices.FreeItems();
}

void TranslateVertices(const TVertexList& list, Vec3 offset) {
  const int32_t n = list.Count();
  for (int32_t i = 0; i < n; ++i) {
    TVertex* v = list.Items(i);
    const Vec3 moved = Vec3Add(Vec3Make(v->X, v->Y, v->Z), offset);
    v->X = moved.x;
    v->Y = moved.y;
    v->Z = moved.z;
  }
}

void RotateVertices(const TVertexList& list, Vec3 angles) {
  // Built once per list: z acts first, then x, then y.
  const Matrix4 m =
      MatrixMultiply(MatrixMultiply(RotationY(angles.y), RotationX(angles.x)), RotationZ(angles.z));
  const int32_t n = list.Count();
  for (int32_t i = 0; i < n; ++i) {
    TVertex* v = list.Items(i);
    const Vec3 turned = TransformPoint(Vec3Make(v->X, v->Y, v->Z), m);
    v->X = turned.x;
    v->Y = turned.y;
    v->Z = turned.z;
  }
}
