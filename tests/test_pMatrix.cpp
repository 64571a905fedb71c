#include <gtest/gtest.h>

#include <cmath>

#include "pMatrix.h"

namespace {

using Builder = Matrix4 (*)(double);

void ExpectSameMatrix(const Matrix4& a, const Matrix4& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(a.e[i][j], b.e[i][j]) << "(" << i << "," << j << ")";
}

}  // namespace

TEST(pVector, MakeKeepsOrderAndAddIsComponentWise) {
  const Vec3 v = Vec3Make(1, 2, 3);
  EXPECT_EQ(v.x, 1);
  EXPECT_EQ(v.y, 2);
  EXPECT_EQ(v.z, 3);
  const Vec3 s = Vec3Add(v, Vec3Make(10, 20, 30));
  EXPECT_EQ(s.x, 11);
  EXPECT_EQ(s.y, 22);
  EXPECT_EQ(s.z, 33);
}

TEST(pMatrix, RotationsHoldSinglePrecisionValuesExactly) {
  const double cos30 = 0.866025388240814208984375;
  const struct {
    Builder build;
    double angle;
    int row, col;
    double expected;
  } cases[] = {
      {RotationX, 30, 1, 1, cos30}, {RotationX, 30, 2, 2, cos30}, {RotationX, 30, 1, 2, 0.5},
      {RotationX, 30, 2, 1, -0.5},  {RotationY, 30, 0, 0, cos30}, {RotationY, 30, 0, 2, -0.5},
      {RotationY, 30, 2, 0, 0.5},   {RotationZ, 30, 0, 1, 0.5},   {RotationZ, 30, 1, 0, -0.5},
      {RotationZ, 30, 1, 1, cos30}, {RotationX, 30, 0, 0, 1},     {RotationZ, 30, 2, 2, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.build(c.angle).e[c.row][c.col], c.expected) << c.row << "," << c.col;
  }
}

TEST(pMatrix, RotationsOfZeroAreTheIdentityAndNegationTransposes) {
  for (Builder build : {RotationX, RotationY, RotationZ}) {
    ExpectSameMatrix(build(0), IdentityMatrix);
    const Matrix4 plus = build(37.5), minus = build(-37.5);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) EXPECT_EQ(minus.e[i][j], plus.e[j][i]);
  }
}

TEST(pMatrix, RotationsTurnByTheNegatedAngle) {
  const struct {
    Builder build;
    Vec3 in, out;
  } cases[] = {
      {RotationZ, {1, 0, 0}, {0, -1, 0}},
      {RotationX, {0, 1, 0}, {0, 0, -1}},
      {RotationY, {1, 0, 0}, {0, 0, 1}},
  };
  for (const auto& c : cases) {
    const Vec3 p = TransformPoint(c.in, c.build(90));
    EXPECT_NEAR(p.x, c.out.x, 1e-7);
    EXPECT_NEAR(p.y, c.out.y, 1e-7);
    EXPECT_NEAR(p.z, c.out.z, 1e-7);
  }
  // cos 90 degrees rounds to a tiny float, not to 0.
  EXPECT_NE(TransformPoint({1, 0, 0}, RotationZ(90)).x, 0);
}

TEST(pMatrix, TransformPointSumsLeftToRightAndIgnoresRow3) {
  // 1e16 + 1 rounds back to 1e16, so any other grouping gives 2, not 1.
  Matrix4 m = IdentityMatrix;
  m.e[0][0] = 1e16;
  m.e[0][1] = 1;
  m.e[0][2] = -1e16;
  m.e[0][3] = 1;
  const Vec3 p = TransformPoint({1, 1, 1}, m);
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(p.y, 1);
  EXPECT_EQ(p.z, 1);
  Matrix4 skewed = m;
  skewed.e[3][0] = 5;
  skewed.e[3][3] = 7;
  const Vec3 q = TransformPoint({1, 1, 1}, skewed);
  EXPECT_EQ(q.x, p.x);
  EXPECT_EQ(q.y, p.y);
  EXPECT_EQ(q.z, p.z);
}

TEST(pMatrix, MultiplySumsInOrderAndForcesRow3) {
  Matrix4 a = IdentityMatrix;
  a.e[0][0] = 1e16;
  a.e[0][1] = 1;
  a.e[0][2] = -1e16;
  a.e[0][3] = 1;
  a.e[3][0] = 9;
  a.e[3][3] = 3;
  Matrix4 b = IdentityMatrix;
  for (int k = 0; k < 4; ++k) b.e[k][0] = 1;
  b.e[3][2] = 4;
  const Matrix4 r = MatrixMultiply(a, b);
  EXPECT_EQ(r.e[0][0], 1);
  EXPECT_EQ(r.e[3][0], 0);
  EXPECT_EQ(r.e[3][1], 0);
  EXPECT_EQ(r.e[3][2], 0);
  EXPECT_EQ(r.e[3][3], 1);
  // Row 3 of B still takes part in rows 0 to 2.
  EXPECT_EQ(r.e[0][2], -1e16 + 1 * 4);
}
