// Whole-field conversion of text to numbers, with the library-wide decimal
// separator.
#pragma once

#include <cstdint>
#include <string_view>

#include "Errors.h"

/// The decimal separator that StrToFloat accepts. Starts from the user's
/// regional settings when the library loads.
char DecimalSeparator();

/// Makes `separator` the decimal separator of every later StrToFloat.
void SetDecimalSeparator(char separator);

/// Converts a whole field to a signed 32-bit integer: optional leading
/// spaces, an optional sign, then decimal digits, or hexadecimal digits
/// after "$", "x" or "0x" (either case). Raises EConvertError
/// "'<text>' is not a valid integer value" otherwise.
int32_t StrToInt(std::string_view text);

/// Converts a whole field to the nearest double: optional spaces around an
/// optionally signed decimal number with at most one decimal separator and
/// an optional exponent. Raises EConvertError
/// "'<text>' is not a valid floating point value" otherwise, also when the
/// value overflows a double.
double StrToFloat(std::string_view text);
