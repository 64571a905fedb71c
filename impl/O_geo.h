// Geometry of one model: meshes, faces, per-corner vertices and texture
// vertices, the lists that hold them, and the whole-list moves used by the
// hierarchy placement.
#pragma once

#include <cstdint>
#include <string>

#include "Arena.h"
#include "Lists.h"
#include "pMatrix.h"
#include "pVector.h"

/// A list of object references that can destroy the objects it holds.
class TBaseList : public TList {
 public:
  /// Destroys every item, last entry first; each entry is emptied just
  /// before its item is destroyed. Afterwards Count() is 0.
  void FreeItems();

  /// As FreeItems, except that items lying in `arena` are left to it: their
  /// entries are emptied, and the arena frees their storage.
  template <class T, bool kRunsDestructors>
  void FreeItemsOutside(const TArena<T, kRunsDestructors>& arena) {
    FreeItemsWhere([&](const TObject* item) { return !arena.Owns(static_cast<const T*>(item)); });
  }

 private:
  /// Empties the list last entry first, destroying the items for which
  /// `heapOwned` holds.
  template <class HeapOwned>
  void FreeItemsWhere(HeapOwned heapOwned) {
    for (int32_t i = Count() - 1; i >= 0; --i) {
      TObject* item = Raw(i);
      if (!heapOwned(item)) continue;  // its owner frees it; the list goes below
      // Empty the entry first, so that nothing reached from the dying item
      // can find it through this list.
      Raw(i) = nullptr;
      delete item;
    }
    Clear();
  }
};

/// A TBaseList whose items are all of type `Item`, with a bounds-checked
/// typed read. `OutOfBoundsPrefix` is the text that precedes the index in
/// the EListError message.
template <class Item, const char* OutOfBoundsPrefix>
class TTypedList : public TBaseList {
 public:
  /// The entry at `index`. Raises EListError "<prefix><index>" unless
  /// 0 <= index < Count(); the list is unchanged either way.
  Item* Items(int32_t index) const;
};

inline constexpr char kMeshIndexPrefix[] = "Mesh Index is out of bounds: ";
inline constexpr char kSurfaceIndexPrefix[] = "Surface Index is out of bounds: ";
inline constexpr char kVertexIndexPrefix[] = "Vertex Index is out of bounds: ";
inline constexpr char kTXVertexIndexPrefix[] = "Texture Vertex Index is out of bounds: ";
inline constexpr char kNodeIndexPrefix[] = "Node Index is out of bounds: ";

class T3DMesh;
class TSurface;
class TVertex;
class TTXVertex;

using T3DMeshList = TTypedList<T3DMesh, kMeshIndexPrefix>;
using TSurfaceList = TTypedList<TSurface, kSurfaceIndexPrefix>;
using TVertexList = TTypedList<TVertex, kVertexIndexPrefix>;
using TTXVertexList = TTypedList<TTXVertex, kTXVertexIndexPrefix>;

/// One 3-D point.
class TVertex : public TObject {
 public:
  /// Creates the point (x, y, z).
  TVertex(double x, double y, double z) : X(x), Y(y), Z(z) {}
  double X;
  double Y;
  double Z;
};

/// One texture coordinate pair, in the file's units.
class TTXVertex : public TObject {
 public:
  /// Creates the pair (u, v).
  TTXVertex(double u, double v) : U(u), V(v) {}
  double U;
  double V;
};

/// One face. Its lists refer to corner objects that its mesh owns, so
/// destroying a face never destroys its corners.
class TSurface : public TObject {
 public:
  TSurface() = default;
  /// Releases the two corner lists without destroying their items.
  ~TSurface() override = default;

  TVertexList Vertices;      ///< The corners in order; owned by the mesh.
  TTXVertexList TXVertices;  ///< The corners' texture vertices, same order.
  std::string Material;      ///< The material name the face selected.
  int32_t FaceType = 0;      ///< Stored only.
};

/// One mesh: owns one vertex and one texture vertex per face corner, and
/// its faces.
class T3DMesh : public TObject {
 public:
  T3DMesh() = default;
  /// Frees the texture vertices, then the faces, then the vertices.
  ~T3DMesh() override;

  /// A new vertex (x, y, z) that this mesh owns and frees with itself. The
  /// caller adds it to Vertices. Made next to the mesh's other vertices,
  /// which spares an allocation per corner and keeps placement's walks over
  /// them close together in memory.
  TVertex* NewVertex(double x, double y, double z);

  /// A new texture vertex (u, v) that this mesh owns, as NewVertex. The
  /// caller adds it to TXVertices.
  TTXVertex* NewTXVertex(double u, double v);

  /// A new, empty face that this mesh owns and frees with itself, made next
  /// to its other faces. The caller adds it to Surfaces.
  TSurface* NewSurface();

  /// Makes room for `faces` faces with `corners` corners in all, counts that
  /// the caller bounds: the lists and the storage of the objects to come are
  /// sized once, instead of growing as they fill.
  void Reserve(int32_t faces, int32_t corners);

  /// How many vertices this mesh made with NewVertex before `vertex`, or -1
  /// when `vertex` is not one it made. Quickest for vertices asked about in
  /// the order they were made.
  int64_t MadeVertexPosition(const TVertex* vertex) const {
    return vertexArena_.PositionOf(vertex);
  }

  TVertexList Vertices;      ///< One per face corner, face by face.
  TTXVertexList TXVertices;  ///< One per face corner, same order.
  TSurfaceList Surfaces;     ///< The faces in file order.
  std::string Name;

 private:
  TArena<TVertex> vertexArena_;
  TArena<TTXVertex> txVertexArena_;
  TArena<TSurface, true> surfaceArena_;  // a face's lists and name need their destructor
};

inline TVertex* T3DMesh::NewVertex(double x, double y, double z) {
  return vertexArena_.New(x, y, z);
}

inline TTXVertex* T3DMesh::NewTXVertex(double u, double v) { return txVertexArena_.New(u, v); }

inline TSurface* T3DMesh::NewSurface() { return surfaceArena_.New(); }

/// Moves every vertex of `list` by `offset`.
void TranslateVertices(const TVertexList& list, Vec3 offset);

/// Turns every vertex of `list` by RotationY(angles.y) . RotationX(angles.x)
/// . RotationZ(angles.z), built once (angles in degrees).
void RotateVertices(const TVertexList& list, Vec3 angles);

/// The matrix RotateVertices turns by: RotationY(angles.y) .
/// RotationX(angles.x) . RotationZ(angles.z), angles in degrees.
Matrix4 VertexRotation(Vec3 angles);

/// Replaces every vertex of `list` by TransformPoint of it with `m`; with
/// m = VertexRotation(angles) the same bits as RotateVertices(list, angles).
void TransformVertices(const TVertexList& list, const Matrix4& m);

// ---- template implementation ----

/// Raises EListError with `prefix` followed by `index` in signed decimal.
[[noreturn]] void RaiseListIndexError(const char* prefix, int32_t index);

template <class Item, const char* OutOfBoundsPrefix>
Item* TTypedList<Item, OutOfBoundsPrefix>::Items(int32_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(OutOfBoundsPrefix, index);
  return static_cast<Item*>(Raw(index));
}
