#include "pMatrix.h"

#include "Trigonometry.h"

const Matrix4 IdentityMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

namespace {

constexpr double kPi = 3.14159265358979323846;

/// Sine and cosine of an angle in degrees, each rounded to single precision
/// and widened back, so that every build holds the very same matrix values.
struct SinCos {
  double sinA;
  double cosA;
};

/// `value` rounded to the nearest float. The round trip goes through memory
/// on purpose: GCC 12's vectoriser drops a plain double-float-double cast
/// for some of the uses of its result.
double RoundToSingle(double value) {
  volatile float rounded = static_cast<float>(value);
  return rounded;
}

SinCos SinCosDegrees(double angle) {
  // Divide first, then multiply by pi: the other order rounds differently.
  const double rad = angle / 180 * kPi;
  return SinCos{RoundToSingle(Sine(rad)), RoundToSingle(Cosine(rad))};
}

}  // namespace

Matrix4 MatrixMultiply(Matrix4 a, Matrix4 b) {
  Matrix4 r{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum = sum + a.e[i][k] * b.e[k][j];
      r.e[i][j] = sum;
    }
  }
  // Whatever the operands carry in row 3, a built matrix is affine.
  r.e[3][0] = 0;
  r.e[3][1] = 0;
  r.e[3][2] = 0;
  r.e[3][3] = 1;
  return r;
}

namespace {

// The identity turned in the plane of axes `first` and `second`: the cosine
// on their diagonal, the sine at (first, second) and its negation at
// (second, first). Each builder names its plane in the order that puts the
// positive sine where its table has it.
Matrix4 PlaneRotation(double angle, int first, int second) {
  const SinCos sc = SinCosDegrees(angle);
  Matrix4 m = IdentityMatrix;
  m.e[first][first] = sc.cosA;
  m.e[first][second] = sc.sinA;
  m.e[second][first] = -sc.sinA;
  m.e[second][second] = sc.cosA;
  return m;
}

}  // namespace

Matrix4 RotationX(double angle) { return PlaneRotation(angle, 1, 2); }

Matrix4 RotationY(double angle) { return PlaneRotation(angle, 2, 0); }

Matrix4 RotationZ(double angle) { return PlaneRotation(angle, 0, 1); }
