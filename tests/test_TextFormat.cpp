#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "TextFormat.h"

namespace {

TEST(QuoteText, EscapesQuotesBackslashesAndEveryByteOutsidePrintableAscii) {
  struct Case {
    std::string text, quoted;
  } cases[] = {
      {"", R"("")"},
      {"plain text ~!", R"("plain text ~!")"},
      {"Error while importing:\nChars not found", R"("Error while importing:\x0aChars not found")"},
      {"say \"hi\"", R"("say \"hi\"")"},
      {"C:\\dir\\a.3do", R"("C:\\dir\\a.3do")"},
      {std::string("a\0b", 3), R"("a\x00b")"},
      {"\t\r\x1f", R"("\x09\x0d\x1f")"},
      {"\x7f\x80\xe9\xff", R"("\x7f\x80\xe9\xff")"},
      {" ~", R"(" ~")"},  // 32 and 126 stay as they are
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteText(c.text), c.quoted) << c.quoted;
}

TEST(ShortestFloat, PrintsTheFewestDigitsThatReadBackAsTheSameSingle) {
  struct Case {
    float value;
    const char* text;
  } cases[] = {
      {0.3f, "0.3"},
      {-0.1f, "-0.1"},
      {64.0f, "64"},
      {1.0f / 3.0f, "0.33333334"},
      {16777217.0f, "16777216"},
      {1e10f, "1e+10"},
      {-0.0f, "-0"},
      {std::numeric_limits<float>::infinity(), "inf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortestFloat(c.value), c.text) << c.text;
    EXPECT_EQ(std::strtof(ShortestFloat(c.value).c_str(), nullptr), c.value) << c.text;
  }
}

TEST(IndentedText, BreaksLinesWhereTheTextDoesAndEscapesNothingAPersonCanRead) {
  struct Case {
    std::string text, shown;
  } cases[] = {
      {"Error while importing:\nChars not found", "> Error while importing:\n> Chars not found"},
      {"a\r\nb\rc", "> a\n> b\n> c"},
      {"'\"C:\\a.3do\"'\tcaf\xe9", "> '\"C:\\a.3do\"'\tcaf\xe9"},
      {std::string("a\0\x1b", 3), "> a\\x00\\x1b"},
  };
  for (const Case& c : cases) EXPECT_EQ(IndentedText(c.text, "> "), c.shown) << c.shown;
}

TEST(FormatFloat, PrintsLikePercentNineGOfTheWidenedValue) {
  struct Case {
    float value;
    const char* text;
  } cases[] = {
      {0.0f, "0"},
      {-0.0f, "-0"},
      {1.0f, "1"},
      {-2.5f, "-2.5"},
      {0.1f, "0.100000001"},
      {64.0f, "64"},
      {123456789.0f, "123456792"},
      {1e10f, "1e+10"},  // two exponent digits on every target
      {1.5e-7f, "1.50000005e-07"},
      {std::numeric_limits<float>::infinity(), "inf"},
      {-std::numeric_limits<float>::infinity(), "-inf"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.value), c.text) << c.text;
}

TEST(FormatFloat, AgreesWithTheCLibraryOnTheseTargetsWhereItUsesTwoExponentDigits) {
  const float values[] = {3.14159265f, -1e-30f, 7e37f, 0.000123f, 16777217.0f, 1.0f / 3.0f};
  for (float value : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.9g", static_cast<double>(value));
    std::string text = expected;
#ifdef _WIN32
    // Older Windows C runtimes print three exponent digits ("1e+010").
    const size_t e = text.find("e+0") != std::string::npos ? text.find("e+0") : text.find("e-0");
    if (e != std::string::npos && text.size() - e == 5) text.erase(e + 2, 1);
#endif
    EXPECT_EQ(FormatFloat(value), text);
  }
}

}  // namespace
