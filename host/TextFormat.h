// How the stand-in host prints values: for machines, quoted 8-bit text and
// single floats; for people, counted nouns and text as it reads on screen.
// All must give the same bytes on every target, so none depends on the C
// library's locale or printf.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// The text between double quotes, with `"` as `\"`, `\` as `\\` and every
/// byte below 32 or above 126 as `\xHH` (two lower-case hex digits).
std::string QuoteText(std::string_view text);

/// The value widened to double and printed as C's "%.9g" does in the C
/// locale: nine significant digits, enough to give back the same single.
std::string FormatFloat(float value);

/// The value as the fewest decimal digits that read back as the same single
/// ("0.3", not "0.300000012"); "inf", "-inf" or "nan" when it is no number.
std::string ShortestFloat(float value);

/// The count and the noun in the number it needs: "1 mesh", "2 meshes".
std::string Counted(size_t count, std::string_view singular, std::string_view plural);

/// The text as a person reads it, each of its lines after `indent`: a line
/// break (LF, CR LF or a CR alone) starts a new line and nothing is escaped.
/// Only the control bytes other than TAB, which a terminal would act on
/// rather than show, are written as \xHH.
std::string IndentedText(std::string_view text, std::string_view indent);
