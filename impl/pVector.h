// Three-component vectors of doubles.
#pragma once

/// A 3-D vector or point: a plain value.
struct Vec3 {
  double x;
  double y;
  double z;
};

// Defined here so that the placement's per-vertex loops inline them.

/// The vector (x, y, z), components kept in argument order.
inline Vec3 Vec3Make(double x, double y, double z) { return Vec3{x, y, z}; }

/// Component-wise sum a + b.
inline Vec3 Vec3Add(Vec3 a, Vec3 b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
