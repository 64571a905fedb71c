#include "NumberConversion.h"

#include <cfloat>
#include <charconv>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "Win32Api.h"
#else
#include <clocale>
#endif

namespace {

// The user's own decimal separator, as the platform reports it while the
// library loads. Where the platform offers a longer separator, its first
// character stands for it; where it offers none, "." does.
char UserDecimalSeparator() {
#ifdef _WIN32
  char buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 0 &&
      buffer[0] != 0) {
    return buffer[0];
  }
#else
  const std::lconv* conventions = std::localeconv();
  if (conventions != nullptr && conventions->decimal_point != nullptr &&
      conventions->decimal_point[0] != 0) {
    return conventions->decimal_point[0];
  }
#endif
  return '.';
}

// Set once while the library loads; the import command overrides it.
char g_decimalSeparator = UserDecimalSeparator();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The field in quotes, then `what`. Built by appending, which also keeps
// GCC 12's -Wrestrict false alarm on chained string "+" away.
std::string QuotedField(std::string_view text, std::string_view what) {
  std::string message;
  message.reserve(text.size() + what.size() + 2);
  message += '\'';
  message.append(text);
  message += '\'';
  message.append(what);
  return message;
}

[[noreturn]] void RaiseInvalidInteger(std::string_view text) {
  throw EConvertError(QuotedField(text, " is not a valid integer value"));
}

[[noreturn]] void RaiseInvalidFloat(std::string_view text) {
  throw EConvertError(QuotedField(text, " is not a valid floating point value"));
}

size_t SkipSpaces(std::string_view text, size_t pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  return pos;
}

// Length of the hexadecimal prefix at `pos` ("$", "x", "X", "0x", "0X"), or 0.
size_t HexPrefixLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const char c = text[pos];
  if (c == '$' || c == 'x' || c == 'X') return 1;
  if (c == '0' && pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    return 2;
  }
  return 0;
}

// The magnitude of an all-digit tail in base 10 or 16, or false when the
// tail is empty, holds another character, or exceeds `limit` (below 2^32,
// so that nothing overflows). Leading zeros are allowed.
bool ReadMagnitude(std::string_view digits, bool hexadecimal, uint64_t limit, uint64_t& value) {
  if (digits.empty()) return false;
  value = 0;
  for (const char c : digits) {
    int digit = 0;
    if (hexadecimal) {
      digit = HexDigitValue(c);
    } else {
      digit = IsDigit(c) ? c - '0' : -1;
    }
    if (digit < 0) return false;
    value = value * (hexadecimal ? 16 : 10) + static_cast<unsigned>(digit);
    if (value > limit) return false;
  }
  return true;
}

// The usual integer field, such as a corner's index: one to nine decimal
// digits and nothing else, which cannot overflow. Anything else, false.
bool ConvertShortDecimal(std::string_view text, int32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  uint32_t magnitude = 0;
  for (const char c : text) {
    const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
    if (digit > 9) return false;
    magnitude = magnitude * 10 + digit;
  }
  value = static_cast<int32_t>(magnitude);
  return true;
}

}  // namespace

char DecimalSeparator() { return g_decimalSeparator; }

void SetDecimalSeparator(char separator) { g_decimalSeparator = separator; }

// Hexadecimal fields take up to eight digits' worth of value (0xFFFFFFFF) and
// are read as the 32 bits of the result, so values above 0x7FFFFFFF wrap to
// negatives ("0xFFFFFFFF" is -1), as flag fields written as unsigned words
// expect. A sign may stand before the hexadecimal prefix and negates those 32
// bits ("-$10" is -16, "-0xFFFFFFFF" is 1). Decimal fields must lie within
// the signed 32-bit range.
int32_t StrToInt(std::string_view text) {
  int32_t shortValue = 0;
  if (ConvertShortDecimal(text, shortValue)) return shortValue;
  size_t pos = SkipSpaces(text, 0);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const size_t prefix = HexPrefixLength(text, pos);
  uint64_t magnitude = 0;
  if (prefix > 0) {
    if (!ReadMagnitude(text.substr(pos + prefix), true, 0xFFFFFFFFu, magnitude)) {
      RaiseInvalidInteger(text);
    }
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  const uint64_t limit = negative ? 2147483648u : 2147483647u;
  if (!ReadMagnitude(text.substr(pos), false, limit, magnitude)) RaiseInvalidInteger(text);
  const int64_t value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int32_t>(value);
}

namespace {

// The parts of a syntactically valid real field, and the decimal value as
// far as the quick exact conversion needs it.
struct TRealSyntax {
  size_t numberStart = 0;  // the sign, or the first mantissa character
  size_t numberEnd = 0;    // just past the last digit of the number
  size_t separatorPos = std::string_view::npos;
  bool negative = false;
  uint64_t mantissa = 0;         // exact while significantDigits <= 19
  size_t significantDigits = 0;  // digits from the first non-zero one on
  size_t fractionDigits = 0;     // digits after the separator
  int64_t exponent = 0;          // the written exponent, capped at kExponentCap
};

constexpr int64_t kExponentCap = 1000000;

// Passes over a run of digits, adding them to the mantissa. Leading zeros
// of the whole mantissa are not significant; past 19 significant digits the
// mantissa wraps, and the count tells that it is no longer exact.
size_t ReadDigits(std::string_view text, size_t pos, TRealSyntax& syntax) {
  if (syntax.mantissa == 0) {
    while (pos < text.size() && text[pos] == '0') ++pos;
  }
  const size_t significantStart = pos;
  for (; pos < text.size(); ++pos) {
    const unsigned digit = static_cast<unsigned char>(text[pos]) - unsigned{'0'};
    if (digit > 9) break;
    syntax.mantissa = syntax.mantissa * 10 + digit;
  }
  syntax.significantDigits += pos - significantStart;
  return pos;
}

// Passes over "E" or "e", an optional sign and at least one digit; returns
// npos when the digits are missing.
size_t ReadExponent(std::string_view text, size_t pos, TRealSyntax& syntax) {
  ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const size_t digitsStart = pos;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    if (syntax.exponent < kExponentCap) syntax.exponent = syntax.exponent * 10 + (text[pos] - '0');
  }
  if (negative) syntax.exponent = -syntax.exponent;
  return pos == digitsStart ? std::string_view::npos : pos;
}

// Checks the whole field against: spaces, sign, digits with at most one
// separator and at least one digit, optional exponent with at least one
// digit, spaces. Anything else, such as "inf", "nan", hexadecimal or a
// thousands separator, is refused here before any conversion.
bool ParseRealSyntax(std::string_view text, char separator, TRealSyntax& syntax) {
  size_t pos = SkipSpaces(text, 0);
  syntax.numberStart = pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    syntax.negative = text[pos++] == '-';
  }
  const size_t integerStart = pos;
  pos = ReadDigits(text, pos, syntax);
  size_t digitCount = pos - integerStart;
  if (pos < text.size() && text[pos] == separator) {
    syntax.separatorPos = pos;
    const size_t fractionStart = pos + 1;
    pos = ReadDigits(text, fractionStart, syntax);
    syntax.fractionDigits = pos - fractionStart;
    digitCount += syntax.fractionDigits;
  }
  if (digitCount == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    pos = ReadExponent(text, pos, syntax);
    if (pos == std::string_view::npos) return false;
  }
  syntax.numberEnd = pos;
  return SkipSpaces(text, pos) == text.size();
}

// The usual field ("-12.345678") converts exactly without the general
// algorithm: a mantissa below 2^53 and a power of ten up to 1e22 are both
// exact doubles, so one IEEE multiplication or division rounds the quotient
// correctly. Only where doubles are evaluated in double precision (SSE,
// never x87 extended precision) does this hold.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool ConvertExactQuickly(const TRealSyntax& syntax, double& value) {
  if (FLT_EVAL_METHOD != 0) return false;
  if (syntax.significantDigits > 19 || syntax.mantissa > (uint64_t{1} << 53)) return false;
  if (syntax.fractionDigits > static_cast<size_t>(kExponentCap)) return false;
  const int64_t exponent = syntax.exponent - static_cast<int64_t>(syntax.fractionDigits);
  if (syntax.mantissa != 0 && (exponent < -22 || exponent > 22)) return false;
  const double mantissa = static_cast<double>(syntax.mantissa);
  if (syntax.mantissa == 0) {
    value = 0.0;
  } else if (exponent >= 0) {
    value = mantissa * kPowersOfTen[exponent];
  } else {
    value = mantissa / kPowersOfTen[-exponent];
  }
  if (syntax.negative) value = -value;
  return true;
}

// The usual real field, such as "-12.345678": an optional minus, at most 15
// digits with at most one separator among them, and nothing else. It gives
// exactly what ConvertExactQuickly gives for it, without the general syntax
// check: fifteen digits stay below 2^53. Anything else, false.
bool ConvertShortReal(std::string_view text, char separator, double& value) {
  if (FLT_EVAL_METHOD != 0) return false;
  const bool negative = !text.empty() && text.front() == '-';
  uint64_t mantissa = 0;
  size_t digits = 0;
  size_t fractionDigits = 0;
  bool inFraction = false;
  for (size_t pos = negative ? 1 : 0; pos < text.size(); ++pos) {
    const unsigned digit = static_cast<unsigned char>(text[pos]) - unsigned{'0'};
    if (digit <= 9) {
      mantissa = mantissa * 10 + digit;
      ++digits;
      fractionDigits += inFraction ? 1 : 0;
    } else if (text[pos] == separator && !inFraction) {
      inFraction = true;
    } else {
      return false;
    }
  }
  if (digits == 0 || digits > 15) return false;
  value = static_cast<double>(mantissa);
  if (mantissa != 0 && fractionDigits > 0) value /= kPowersOfTen[fractionDigits];
  if (negative) value = -value;
  return true;
}

// Whether a checked number that the conversion found out of range is too
// large rather than too small: its decimal order of magnitude (position of
// the first non-zero digit plus the exponent) is positive. The two cases lie
// hundreds of orders apart, so this estimate never confuses them.
bool IsBeyondDoubleRange(const char* first, const char* last) {
  long order = 0;
  bool seenNonZero = false;
  bool inFraction = false;
  const char* p = first;
  for (; p != last && *p != 'e' && *p != 'E'; ++p) {
    if (!IsDigit(*p)) {
      inFraction = inFraction || *p == '.';
      continue;
    }
    if (!seenNonZero && *p != '0') seenNonZero = true;
    if (!inFraction && seenNonZero) ++order;  // integer digits count up
    if (inFraction && !seenNonZero) --order;  // leading fraction zeros down
  }
  if (!seenNonZero) return false;
  long exponent = 0;
  bool negativeExponent = false;
  for (; p != last; ++p) {
    if (*p == '-') negativeExponent = true;
    if (IsDigit(*p) && exponent < 1000000) exponent = exponent * 10 + (*p - '0');
  }
  return order + (negativeExponent ? -exponent : exponent) > 0;
}

// Converts a number already checked by ParseRealSyntax, written with "." as
// its separator and without a "+" sign. False when it does not fit a double.
bool ConvertChecked(const char* first, const char* last, double& value) {
  const std::from_chars_result result = std::from_chars(first, last, value);
  if (result.ec == std::errc::result_out_of_range) {
    // The conversion reports too small magnitudes the same way as too large
    // ones; only the large ones are errors, the small ones are zero.
    if (!IsBeyondDoubleRange(first, last)) {
      value = *first == '-' ? -0.0 : 0.0;
      return true;
    }
    return false;
  }
  return result.ec == std::errc() && result.ptr == last;
}

// Converts a checked number whose separator is not ".", through a copy that
// has "." in its place. Ordinary fields fit the stack buffer; only absurdly
// long ones cost an allocation.
bool ConvertWithPoint(std::string_view number, char separator, double& value) {
  char stackBuffer[64];
  std::string heapBuffer;
  char* buffer = stackBuffer;
  if (number.size() > sizeof stackBuffer) {
    heapBuffer.resize(number.size());
    buffer = heapBuffer.data();
  }
  for (size_t i = 0; i < number.size(); ++i) {
    buffer[i] = number[i] == separator ? '.' : number[i];
  }
  return ConvertChecked(buffer, buffer + number.size(), value);
}

}  // namespace

double StrToFloat(std::string_view text) {
  const char separator = g_decimalSeparator;
  double value = 0;
  if (ConvertShortReal(text, separator, value)) return value;
  TRealSyntax syntax;
  if (!ParseRealSyntax(text, separator, syntax)) RaiseInvalidFloat(text);
  if (ConvertExactQuickly(syntax, value)) return value;
  std::string_view number = text.substr(syntax.numberStart, syntax.numberEnd - syntax.numberStart);
  if (number.front() == '+') number.remove_prefix(1);  // the conversion takes no "+"
  bool converted = false;
  if (syntax.separatorPos == std::string_view::npos || separator == '.') {
    converted = ConvertChecked(number.data(), number.data() + number.size(), value);
  } else {
    converted = ConvertWithPoint(number, separator, value);
  }
  if (!converted) RaiseInvalidFloat(text);
  return value;
}
