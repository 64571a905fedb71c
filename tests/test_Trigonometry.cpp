// Sine and cosine must agree with a correctly rounding library to within one
// unit in the last place, and give exactly known values near multiples of
// pi/2, where a sloppy reduction by pi goes wrong first.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "Trigonometry.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(Trigonometry, HitsKnownValuesNearMultiplesOfHalfPi) {
  // The true sine and cosine of the doubles nearest pi/2, pi and 3pi/2,
  // rounded to double.
  EXPECT_EQ(Cosine(kPi / 2), 6.123233995736766e-17);
  EXPECT_EQ(Sine(kPi), 1.2246467991473532e-16);
  EXPECT_EQ(Cosine(90.0 / 180 * kPi), 6.123233995736766e-17);
  EXPECT_EQ(Cosine(-90.0 / 180 * kPi), 6.123233995736766e-17);
  EXPECT_EQ(Cosine(270.0 / 180 * kPi), -1.8369701987210297e-16);
  EXPECT_EQ(Sine(0.0), 0.0);
  EXPECT_EQ(Cosine(0.0), 1.0);
  EXPECT_EQ(Sine(kPi / 6), 0.49999999999999994);
}

#ifndef _WIN32
// Only on Linux: glibc's sine and cosine are accurate to within an ulp, the
// Windows runtimes' are not, which is why our own exist.
TEST(Trigonometry, AgreesWithTheCLibraryWithinOneUlp) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> degrees(-4000.0, 4000.0);
  for (int i = 0; i < 200000; ++i) {
    double x = (i < 8001 ? (i - 4000) : degrees(random)) / 180 * kPi;
    for (auto [ours, theirs] : {std::pair{Sine(x), std::sin(x)}, {Cosine(x), std::cos(x)}}) {
      double ulp = std::nextafter(std::fabs(theirs), INFINITY) - std::fabs(theirs);
      ASSERT_LE(std::fabs(ours - theirs), ulp) << "x = " << x;
    }
  }
}
#endif

TEST(Trigonometry, TakesHugeAnglesModuloTwoPi) {
  const double twoPi = 2 * kPi;
  for (double x : {1e7, -1e300, 123456789.0}) {
    EXPECT_EQ(Sine(x), Sine(std::fmod(x, twoPi))) << x;
    EXPECT_EQ(Cosine(x), Cosine(std::fmod(x, twoPi))) << x;
  }
}

// No angle at all: not a number, without a detour through the reduction.
TEST(Trigonometry, GivesNaNForNaNAndInfinities) {
  for (double x : {NAN, INFINITY, -INFINITY}) {
    EXPECT_TRUE(std::isnan(Sine(x))) << x;
    EXPECT_TRUE(std::isnan(Cosine(x))) << x;
  }
}

}  // namespace
