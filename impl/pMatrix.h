// 4x4 matrices of doubles, row-major, acting on column vectors; the
// translation sits in column 3 and row 3 is always (0, 0, 0, 1).
#pragma once

#include "pVector.h"

/// Sixteen doubles; e[i][j] is row i, column j.
struct Matrix4 {
  double e[4][4];
};

/// 1 on the diagonal, 0 elsewhere.
extern const Matrix4 IdentityMatrix;

/// M applied to the point p (rows 0 to 2 only; products summed left to
/// right, translation added last). Defined here so that the placement's
/// per-vertex loop inlines it instead of copying the matrix on every call.
inline Vec3 TransformPoint(Vec3 p, const Matrix4& m) {
  const auto row = [&](int i) {
    return m.e[i][0] * p.x + m.e[i][1] * p.y + m.e[i][2] * p.z + m.e[i][3];
  };
  return Vec3{row(0), row(1), row(2)};
}

/// A . B for rows 0 to 2; row 3 of the result is forced to (0, 0, 0, 1).
Matrix4 MatrixMultiply(Matrix4 a, Matrix4 b);

/// Rotation about x by -angle (degrees), with sine and cosine rounded to
/// single precision.
Matrix4 RotationX(double angle);

/// Rotation about y by -angle (degrees), sine and cosine rounded to single.
Matrix4 RotationY(double angle);

/// Rotation about z by -angle (degrees), sine and cosine rounded to single.
Matrix4 RotationZ(double angle);
