#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "O_parser.h"

namespace {

// What an operation did: its boolean result, the text it collected, where it
// left the cursor and the message of the error it raised (empty if none).
struct TOutcome {
  bool result = false;
  std::string out;
  ptrdiff_t cursor = 0;
  std::string error;

  bool operator==(const TOutcome&) const = default;
};

void PrintTo(const TOutcome& o, std::ostream* os) {
  *os << "{result " << o.result << ", out '" << testing::PrintToString(o.out) << "', cursor "
      << o.cursor << ", error '" << o.error << "'}";
}

enum class TOp { Advance, Matches, SkipToken, ReadUntilChars, ReadUntilToken, SkipBlanks };

// Runs one operation on `parser`, whose text starts at `text`.
template <typename TParser>
TOutcome RunOp(TParser& parser, const char* text, TOp op, const std::string& arg) {
  TOutcome outcome;
  try {
    switch (op) {
      case TOp::Advance:
        parser.Advance();
        break;
      case TOp::Matches:
        outcome.result = parser.Matches(arg);
        break;
      case TOp::SkipToken:
        outcome.result = parser.SkipToken(arg);
        break;
      case TOp::ReadUntilChars:
        parser.ReadUntilChars(MakeCharSet(arg), outcome.out);
        break;
      case TOp::ReadUntilToken:
        parser.ReadUntilToken(arg, outcome.out);
        break;
      case TOp::SkipBlanks:
        parser.SkipBlanks();
        break;
    }
  } catch (const EParserError& error) {
    outcome.error = error.Message();
    outcome.out.clear();  // what a failed read collected is of no use to anyone
  }
  outcome.cursor = parser.Cursor - text;
  return outcome;
}

struct TScannerCase {
  const char* name;
  std::string text;
  size_t start;  // the cursor is placed here directly, without a comment test
  TOp op;
  std::string arg;
  TOutcome expected;  // cursor -1: on the NUL
};

const std::string kCharsNotFound = "Chars not found";

class ScannerTable : public testing::TestWithParam<TScannerCase> {};

TEST_P(ScannerTable, Outcome) {
  const TScannerCase& c = GetParam();
  TQnParser parser;
  parser.CommentChars = MakeCharSet("#");
  parser.Cursor = c.text.c_str() + c.start;
  TOutcome expected = c.expected;
  if (expected.cursor < 0) expected.cursor = static_cast<ptrdiff_t>(c.text.size());
  const TOutcome actual = RunOp(parser, c.text.c_str(), c.op, c.arg);
  EXPECT_EQ(actual.result, expected.result);
  EXPECT_EQ(actual.out, expected.out);
  EXPECT_EQ(actual.cursor, expected.cursor);
  EXPECT_EQ(actual.error, expected.error);
}

const TScannerCase kScannerCases[] = {
    // On the NUL nothing matches and every read fails there.
    {"NulMatchesNothing", "", 0, TOp::Matches, "", {false, "", 0, ""}},
    {"NulSkipTokenStays", "", 0, TOp::SkipToken, "", {false, "", 0, ""}},
    {"NulReadChars", "", 0, TOp::ReadUntilChars, " ", {false, "", 0, kCharsNotFound}},
    {"NulReadCharsNulInSet",
     std::string("a", 1),
     1,
     TOp::ReadUntilChars,
     std::string(1, '\0'),
     {false, "", 1, kCharsNotFound}},
    {"NulReadToken",
     "ab",
     2,
     TOp::ReadUntilToken,
     "Mesh",
     {false, "", 2, "Token 'Mesh' not found"}},
    {"NulReadEmptyToken", "", 0, TOp::ReadUntilToken, "", {false, "", 0, "Token '' not found"}},
    {"NulSkipBlanks", "", 0, TOp::SkipBlanks, "", {false, "", 0, ""}},
    {"NulAdvanceStays", "", 0, TOp::Advance, "", {false, "", 0, ""}},
    // Empty and overlong tokens.
    {"EmptyTokenMatches", "a", 0, TOp::Matches, "", {true, "", 0, ""}},
    {"EmptyTokenSkipStays", "a", 0, TOp::SkipToken, "", {true, "", 0, ""}},
    {"EmptyTokenFoundAtOnce", "a", 0, TOp::ReadUntilToken, "", {false, "", 0, ""}},
    {"TokenBeyondText", "abc", 0, TOp::Matches, "abcd", {false, "", 0, ""}},
    // Only ASCII letters fold.
    {"UpperTokenLowerText", "vertices", 0, TOp::Matches, "VERTICES", {true, "", 0, ""}},
    {"LowerTokenUpperText", "VERTICES", 0, TOp::SkipToken, "vertices", {true, "", 8, ""}},
    {"AccentDoesNotFold", "\xE9", 0, TOp::Matches, "\xC9", {false, "", 0, ""}},
    {"AtSignIsNotBacktick", "@", 0, TOp::Matches, "`", {false, "", 0, ""}},
    {"BracketIsNotBrace", "[", 0, TOp::Matches, "{", {false, "", 0, ""}},
    {"MixedCaseFound", "x mEsH 1", 0, TOp::ReadUntilToken, "MESH ", {false, "x ", 2, ""}},
    {"TokenInsideWord",
     "TEXTURE VERTICES",
     0,
     TOp::ReadUntilToken,
     "VERTICES",
     {false, "TEXTURE ", 8, ""}},
    // Reads that stop at once.
    {"StopCharAtCursor", " a", 0, TOp::ReadUntilChars, " ", {false, "", 0, ""}},
    {"TokenAtCursor", "FACES 2", 0, TOp::ReadUntilToken, "faces", {false, "", 0, ""}},
    // A comment ends on a CR LF pair's LF, a lone LF or a lone CR, and its
    // line break is examined like any character.
    {"CommentCrLf", "ab#c d\r\nef gh", 0, TOp::ReadUntilChars, " ", {false, "ab\nef", 10, ""}},
    {"CommentLf", "ab#c d\nef gh", 0, TOp::ReadUntilChars, " ", {false, "ab\nef", 9, ""}},
    {"CommentCr", "ab#c d\ref gh", 0, TOp::ReadUntilChars, " ", {false, "ab\ref", 9, ""}},
    {"CommentCrThenCrLf",
     "ab#c\r\r\nx y",
     0,
     TOp::ReadUntilChars,
     " ",
     {false, "ab\r\r\nx", 8, ""}},
    {"SecondHashInComment", "ab#c#d\nef gh", 0, TOp::ReadUntilChars, " ", {false, "ab\nef", 9, ""}},
    {"StopOnLfAfterComment", "12#note\r\n34", 0, TOp::ReadUntilChars, "\r\n", {false, "12", 8, ""}},
    {"HashInStopSetStillComment", "ab#c\nd", 0, TOp::ReadUntilChars, "#\n", {false, "ab", 4, ""}},
    {"CommentToEndInRead", "ab#cd", 0, TOp::ReadUntilChars, " ", {false, "", -1, kCharsNotFound}},
    {"CommentToEndInAdvance", "ab#cd", 1, TOp::Advance, "", {false, "", -1, kCharsNotFound}},
    {"AdvanceOverComment", "a#b\r\nc", 0, TOp::Advance, "", {false, "", 4, ""}},
    // A "#" the cursor already rests on is ordinary.
    {"HashAtStartRead", "#A B", 0, TOp::ReadUntilChars, " ", {false, "#A", 2, ""}},
    {"HashAtStartStops", "#A B", 0, TOp::ReadUntilChars, "#", {false, "", 0, ""}},
    {"HashAtStartMatches", "#A B", 0, TOp::Matches, "#a", {true, "", 0, ""}},
    {"HashWhereSkipTokenLanded", "KEY#x y\nz", 3, TOp::ReadUntilChars, " ", {false, "#x", 5, ""}},
    {"SearchStartedInComment",
     "#x MESH\nMESH",
     0,
     TOp::ReadUntilToken,
     "MESH",
     {false, "#x ", 3, ""}},
    // Occurrences inside a comment are not found.
    {"TokenInCommentSkipped",
     "a #MESH\nMESH",
     0,
     TOp::ReadUntilToken,
     "mesh",
     {false, "a \n", 8, ""}},
    {"TokenOnlyInComment",
     "a #MESH\n",
     0,
     TOp::ReadUntilToken,
     "Mesh",
     {false, "", -1, "Token 'Mesh' not found"}},
    {"TokenSearchCommentToEnd",
     "a #MESH",
     0,
     TOp::ReadUntilToken,
     "MESH",
     {false, "", -1, kCharsNotFound}},
    // Blanks and the comments among them.
    {"SkipBlanksOnHash", "#x\n a", 0, TOp::SkipBlanks, "", {false, "", 0, ""}},
    {"SkipBlanksOverComments", " #c\r\n \t# d\n\nX", 0, TOp::SkipBlanks, "", {false, "", 12, ""}},
    {"SkipBlanksTab", "\t\r\n x", 0, TOp::SkipBlanks, "", {false, "", 4, ""}},
    {"SkipBlanksCommentToEnd", " #abc", 0, TOp::SkipBlanks, "", {false, "", -1, kCharsNotFound}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ScannerTable, testing::ValuesIn(kScannerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Scanner, MakeCharSetHoldsExactlyTheGivenCodes) {
  const TCharSet set = MakeCharSet(std::string("\0a\xFF", 3));
  EXPECT_EQ(set.count(), 3u);
  EXPECT_TRUE(set[0] && set['a'] && set[0xFF]);
}

// The scanner as the plain character-by-character rule describes it, to hold
// the fast implementation against.
struct TReferenceParser {
  TCharSet CommentChars;
  const char* Cursor = nullptr;

  static unsigned char Fold(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
  unsigned char Here() const { return static_cast<unsigned char>(*Cursor); }

  void Advance() {
    ++Cursor;
    if (!CommentChars[Here()]) return;
    while (Here() != 0 && Here() != '\n' && Here() != '\r') ++Cursor;
    if (Here() == 0) throw EParserError("Chars not found");
    if (Cursor[0] == '\r' && Cursor[1] == '\n') ++Cursor;
  }
  bool Matches(std::string_view token) const {
    if (Here() == 0) return false;
    for (size_t i = 0; i < token.size(); ++i) {
      const auto c = static_cast<unsigned char>(Cursor[i]);
      if (c == 0 || Fold(c) != Fold(static_cast<unsigned char>(token[i]))) return false;
    }
    return true;
  }
  bool SkipToken(std::string_view token) {
    if (!Matches(token)) return false;
    Cursor += token.size();
    return true;
  }
  void ReadUntilChars(TCharSet stop, std::string& out) {
    out.clear();
    while (!stop[Here()] && Here() != 0) out += *Cursor, Advance();
    if (Here() == 0) throw EParserError("Chars not found");
  }
  void ReadUntilToken(std::string_view token, std::string& out) {
    out.clear();
    while (!Matches(token) && Here() != 0) out += *Cursor, Advance();
    if (Here() == 0) throw EParserError("Token '" + std::string(token) + "' not found");
  }
  void SkipBlanks() {
    while (Here() == '\t' || Here() == '\n' || Here() == '\r' || Here() == ' ') Advance();
  }
};

std::string RandomString(std::mt19937& random, std::string_view alphabet, size_t maxLength) {
  std::string s(random() % (maxLength + 1), ' ');
  for (char& c : s) c = alphabet[random() % alphabet.size()];
  return s;
}

// Random texts, comment sets and operation sequences: the fast scanner must
// agree with the reference on every result, collected text, cursor position
// and error, including after errors (both then rest on the NUL).
TEST(Scanner, AgreesWithCharacterByCharacterRule) {
  std::mt19937 random(20240611);
  const std::string alphabet = "aAbB#  \t\r\n\r\n1:\xE9\xC9x";
  for (int round = 0; round < 6000; ++round) {
    const std::string text = RandomString(random, alphabet, 40);
    const int kind = static_cast<int>(random() % 8);
    const TCharSet comments = kind == 0   ? TCharSet()
                              : kind == 1 ? MakeCharSet(RandomString(random, alphabet, 3))
                              : kind == 2 ? MakeCharSet(std::string("#\0", 2))
                                          : MakeCharSet("#");
    TQnParser fast;
    TReferenceParser reference;
    fast.CommentChars = reference.CommentChars = comments;
    fast.Cursor = reference.Cursor = text.c_str() + random() % (text.size() + 1);
    for (int step = 0; step < 12; ++step) {
      const auto op = static_cast<TOp>(random() % 6);
      if (op == TOp::Advance && *reference.Cursor == 0) continue;  // outside its contract
      const std::string arg = RandomString(random, alphabet, op == TOp::ReadUntilChars ? 4 : 3);
      const TOutcome expected = RunOp(reference, text.c_str(), op, arg);
      const TOutcome actual = RunOp(fast, text.c_str(), op, arg);
      ASSERT_EQ(actual, expected) << "round " << round << " step " << step << " op "
                                  << static_cast<int>(op) << " arg '" << arg << "' text '" << text
                                  << "'";
    }
  }
}

}  // namespace
