// Three-component vectors of doubles.
#pragma once

/// A 3-D vector or point: a plain value.
struct Vec3 {
  double x;
  double y;
  double z;
};

/// The vector (x, y, z), components kept in argument order.
Vec3 Vec3Make(double x, double y, double z);

/// Component-wise sum a + b.
Vec3 Vec3Add(Vec3 a, Vec3 b);
