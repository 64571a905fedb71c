// The two ways the stand-in host prints values for machines to read: quoted
// 8-bit text and single floats. Both must give the same bytes on every target,
// so neither depends on the C library's locale or printf.
#pragma once

#include <string>
#include <string_view>

/// The text between double quotes, with `"` as `\"`, `\` as `\\` and every
/// byte below 32 or above 126 as `\xHH` (two lower-case hex digits).
std::string QuoteText(std::string_view text);

/// The value widened to double and printed as C's "%.9g" does in the C
/// locale: nine significant digits, enough to give back the same single.
std::string FormatFloat(float value);
