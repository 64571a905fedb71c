// Sine and cosine computed the same way on every target. The C libraries
// differ: one of the Windows runtimes evaluates them with the x87 unit, whose
// reduction by pi is off far beyond double precision near multiples of pi/2.
#pragma once

/// The sine of `x` radians, within one unit in the last place for
/// |x| < 8.2e5, and bit-identical on every target. Larger angles are first
/// taken modulo the double nearest 2 pi.
double Sine(double x);

/// The cosine of `x` radians; accuracy and range as for Sine.
double Cosine(double x);
