#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <random>
#include <string>

#include "NumberConversion.h"

namespace {

#ifndef _WIN32
// The test program never leaves the C locale, so the library started with ".".
// Declared first, so that it runs before any test sets the separator.
TEST(NumberConversionStart, FollowsTheCLocale) { EXPECT_EQ(DecimalSeparator(), '.'); }
#endif

// Every test starts with "." as the separator, as an import does, and
// leaves the one it found.
class NumberConversion : public testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator(found_); }

 private:
  const char found_ = DecimalSeparator();
};

// The expected message: the field exactly as given, in quotes, then `what`.
std::string Message(const std::string& text, const char* what) {
  std::string message = "'";
  message.append(text).append("' ").append(what);
  return message;
}

std::string ConvertErrorOf(void (*convert)(const std::string&), const std::string& text) {
  try {
    convert(text);
  } catch (const EConvertError& error) {
    return error.Message();
  }
  return "(no error)";
}

void IntOf(const std::string& text) { StrToInt(text); }
void FloatOf(const std::string& text) { StrToFloat(text); }

TEST_F(NumberConversion, ValidIntegers) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"0", 0},
      {"-0", 0},
      {"123", 123},
      {"-123", -123},
      {"+7", 7},
      {"   42", 42},
      {"007", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"000000000002147483647", INT32_MAX},
      {"$FF", 255},
      {"$ff", 255},
      {"x1A", 26},
      {"X1a", 26},
      {"0x0000", 0},
      {"0X10", 16},
      {"0x7FFFFFFF", INT32_MAX},
      // Hexadecimal fields are 32 raw bits: above 0x7FFFFFFF they wrap.
      {"0x80000000", INT32_MIN},
      {"0xFFFFFFFF", -1},
      {"0x000000000000000001", 1},
      // A sign before the prefix negates those bits.
      {"-$10", -16},
      {"+0x10", 16},
      {"  -0x1", -1},
      {"-0xFFFFFFFF", 1},
      {"-0x80000000", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST_F(NumberConversion, InvalidIntegers) {
  // clang-format off
  const char* const cases[] = {
      "", " ", "+", "-", "- 1", "--1", "+-1",                  // no digits where they belong
      "2147483648", "-2147483649", "99999999999999999999999",  // beyond 32 bits
      "0x100000000", "0x1FFFFFFFF",
      "12 ", "1 2", "\t1", "1\t", "12a", "1.0", "1e3", "1,000",  // anything but digits
      "0x", "$", "x", "0xG", "0b1", "$-1", "0x-1", "0x 1", "0x0x1", "$$1", "00x1",
  };
  // clang-format on
  for (const char* text : cases) {
    EXPECT_EQ(ConvertErrorOf(IntOf, text), Message(text, "is not a valid integer value"));
  }
}

TEST_F(NumberConversion, ValidReals) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"0", 0.0},
      {"1.5", 1.5},
      {"-1.5", -1.5},
      {"+1.5", 1.5},
      {".65", 0.65},
      {"-.65", -0.65},
      {"5.", 5.0},
      {"  3.25  ", 3.25},
      {"1e3", 1000.0},
      {"1E+3", 1000.0},
      {"2.5e-3", 0.0025},
      {"0.1", 0.1},
      {"0.000000", 0.0},
      {"-12.500000", -12.5},
      {"1.7976931348623157e308", 1.7976931348623157e308},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},
      // Correct rounding: halfway between two doubles goes to the even one.
      {"9007199254740993", 9007199254740992.0},
      {"123456789012345678901234567890", 1.2345678901234568e29},
      {"0.1000000000000000055511151231257827021181583404541015625000001", 0.1},
      // Too small for a double is zero, not an error.
      {"1e-400", 0.0},
      {"1e-99999999999999999999", 0.0},
      // Blanks before a field that the quick conversions do not take.
      {" +1e30", 1e30},
      {"  1e-400", 0.0},
      {"1E-400", 0.0},
      {"0.001e-400", 0.0},
      {" -123456789012345678901234567890 ", -1.2345678901234568e29},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToFloat(c.text), c.value) << c.text;
  EXPECT_TRUE(std::signbit(StrToFloat("-1e-400")));
  EXPECT_TRUE(std::signbit(StrToFloat("-0")));
}

TEST_F(NumberConversion, InvalidReals) {
  // clang-format off
  const char* const cases[] = {
      "", " ", ".", "-", "+.", "e5", "1e", "1e+", "- 1", "++1",  // missing digits
      "1.2.3", "1..2", "1e5.5", "1 e5", "1e 5", "1.5x", "\t1", "1\t",
      "1,5", "1 000", "1,000.5",                                 // only the set separator
      "inf", "nan", "INF", "-Infinity", "0x1p3", "$10",          // no special forms
      "1e400", "-1e400", "1.7976931348623159e308", "1e99999999999999999999",  // too large
  };
  // clang-format on
  for (const char* text : cases) {
    EXPECT_EQ(ConvertErrorOf(FloatOf, text), Message(text, "is not a valid floating point value"));
  }
  // Too large although the exponent is negative (1e309), without any
  // exponent, or with its digits behind the point.
  for (const std::string& large :
       {"1" + std::string(349, '0') + "e-40", std::string(400, '9'), std::string("0.001e312")}) {
    EXPECT_EQ(ConvertErrorOf(FloatOf, large),
              Message(large, "is not a valid floating point value"));
  }
}

// Short fields take a quicker path than long ones; both must give the
// correctly rounded double, which the standard conversion gives.
TEST_F(NumberConversion, RealsAreCorrectlyRounded) {
  std::mt19937 random(7);
  for (int round = 0; round < 100000; ++round) {
    std::string text = random() % 2 ? "-" : "";
    const size_t digits = 1 + random() % 22;
    const size_t point = random() % (digits + 1);
    for (size_t i = 0; i < digits; ++i) {
      if (i == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (random() % 2) text.append("e").append(std::to_string(static_cast<int>(random() % 61) - 30));
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_EQ(StrToFloat(text), expected) << text;
  }
}

TEST_F(NumberConversion, CommaSeparatorReplacesPoint) {
  SetDecimalSeparator(',');
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_EQ(StrToFloat(" -,5e2 "), -50.0);
  EXPECT_EQ(StrToFloat("42"), 42.0);
  // Longer than any ordinary field: still exact.
  const std::string longField = "0," + std::string(100, '0') + "1e101";
  EXPECT_EQ(StrToFloat(longField), 1.0);
  // Too many digits for the quick conversion: the field is copied with "."
  // in place of the comma, on either side of the copy's 64 characters.
  for (size_t length : {63, 64, 65, 300}) {
    std::string digits;
    for (size_t i = 0; digits.size() + 2 < length; ++i) digits += static_cast<char>('1' + i % 9);
    double expected = 0;
    const std::string pointed = "0." + digits;
    std::from_chars(pointed.data(), pointed.data() + pointed.size(), expected);
    EXPECT_EQ(StrToFloat("0," + digits), expected) << length;
  }
  EXPECT_EQ(ConvertErrorOf(FloatOf, "1.5"), "'1.5' is not a valid floating point value");
  EXPECT_EQ(ConvertErrorOf(FloatOf, "1,e999"), "'1,e999' is not a valid floating point value");
  SetDecimalSeparator('.');
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_EQ(ConvertErrorOf(FloatOf, "1,5"), "'1,5' is not a valid floating point value");
}

}  // namespace
