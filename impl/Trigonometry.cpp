#include "Trigonometry.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// The classic argument reduction by pi/2 in three parts and the minimax
// kernels for |x| <= pi/4 of the freely distributable fdlibm. Every step is a
// plain double operation, so each target rounds every step the same way.

namespace {

constexpr double kInvPio2 = 6.36619772367581382433e-01;
constexpr double kPio2_1 = 1.57079632673412561417e+00;
constexpr double kPio2_1t = 6.07710050650619224932e-11;
constexpr double kPio2_2 = 6.07710050630396597660e-11;
constexpr double kPio2_2t = 2.02226624879595063154e-21;
constexpr double kPio2_3 = 2.02226624871116645580e-21;
constexpr double kPio2_3t = 8.47842766036889956997e-32;
// Beyond 2^19 * pi/2 the three-part reduction loses accuracy.
constexpr double kLargestReduced = 8.23549512e+05;
constexpr double kTwoPi = 6.28318530717958647692;

constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                 S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                 S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                 C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                 C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;

uint32_t HighWord(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<uint32_t>(bits >> 32);
}

double FromHighWord(uint32_t high) {
  uint64_t bits = static_cast<uint64_t>(high) << 32;
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

int BiasedExponent(double x) { return static_cast<int>((HighWord(x) >> 20) & 0x7ff); }

// x reduced by n * pi/2 to head + tail with |head + tail| <= pi/4; returns n.
int ReduceByHalfPi(double x, double& head, double& tail) {
  const double t = std::fabs(x);
  const int n = static_cast<int>(t * kInvPio2 + 0.5);
  const double fn = n;
  double r = t - fn * kPio2_1;
  double w = fn * kPio2_1t;
  head = r - w;
  const int exponent = BiasedExponent(t);
  // Cancellation took more bits than the first part of pi/2 carries: the
  // further parts bring the reduced value back to full precision.
  if (exponent - BiasedExponent(head) > 16) {
    double prior = r;
    w = fn * kPio2_2;
    r = prior - w;
    w = fn * kPio2_2t - ((prior - r) - w);
    head = r - w;
    if (exponent - BiasedExponent(head) > 49) {
      prior = r;
      w = fn * kPio2_3;
      r = prior - w;
      w = fn * kPio2_3t - ((prior - r) - w);
      head = r - w;
    }
  }
  tail = (r - head) - w;
  if (x >= 0) return n;
  head = -head;
  tail = -tail;
  return -n;
}

double KernelSine(double x, double y) {
  const double z = x * x;
  const double v = z * x;
  const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
  return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

double KernelCosine(double x, double y) {
  const uint32_t ix = HighWord(x) & 0x7fffffff;
  if (ix < 0x3e400000) return 1.0;  // |x| < 2^-27: cos x is 1 to double precision
  const double z = x * x;
  const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
  if (ix < 0x3FD33333) return 1.0 - (0.5 * z - (z * r - x * y));
  // Splitting off a quarter of z keeps the subtraction from 1 exact.
  const double qx = ix > 0x3fe90000 ? 0.28125 : FromHighWord(ix - 0x00200000);
  const double hz = 0.5 * z - qx;
  const double a = 1.0 - qx;
  return a - (hz - (z * r - x * y));
}

// Angles this large carry no meaningful fraction of a turn any more; what
// matters is that every target gives the same answer, and fmod is exact.
double IntoReducedRange(double x) {
  return std::fabs(x) <= kLargestReduced ? x : std::fmod(x, kTwoPi);
}

}  // namespace

double Sine(double x) {
  if (std::isnan(x) || std::isinf(x)) return NAN;
  x = IntoReducedRange(x);
  double head, tail;
  switch (ReduceByHalfPi(x, head, tail) & 3) {
    case 0:
      return KernelSine(head, tail);
    case 1:
      return KernelCosine(head, tail);
    case 2:
      return -KernelSine(head, tail);
    default:
      return -KernelCosine(head, tail);
  }
}

double Cosine(double x) {
  if (std::isnan(x) || std::isinf(x)) return NAN;
  x = IntoReducedRange(x);
  double head, tail;
  switch (ReduceByHalfPi(x, head, tail) & 3) {
    case 0:
      return KernelCosine(head, tail);
    case 1:
      return -KernelSine(head, tail);
    case 2:
      return -KernelCosine(head, tail);
    default:
      return KernelSine(head, tail);
  }
}
