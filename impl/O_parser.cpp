#include "O_parser.h"

#include <cstddef>
#include <cstring>

// Every operation below gives exactly the result of stepping one character at
// a time with Advance, testing the stop condition at each place the cursor
// rests. The speed comes from how the next place of interest is found: a
// single bit test per character covers "stop here", "a comment starts here"
// and "the text ends here" at once, and runs of ordinary characters are
// appended to the output in one piece instead of one character at a time.

namespace {

using Byte = unsigned char;

Byte At(const char* p) { return static_cast<Byte>(*p); }

bool IsLineEnd(Byte c) { return c == 0 || c == '\n' || c == '\r'; }

// Only "a".."z" fold; accented letters of any code page stay as they are, so
// the result never depends on a locale.
Byte FoldCase(Byte c) { return (c >= 'a' && c <= 'z') ? static_cast<Byte>(c - ('a' - 'A')) : c; }

[[noreturn]] void RaiseCharsNotFound() { throw EParserError("Chars not found"); }

// The token appears as the caller wrote it, not case-folded.
[[noreturn]] void RaiseTokenNotFound(std::string_view token) {
  std::string message = "Token '";
  message.append(token).append("' not found");
  throw EParserError(message);
}

// Compares the token at `p` (which is not the NUL) without moving anything.
bool TokenAt(const char* p, std::string_view token) {
  for (size_t i = 0; i < token.size(); ++i) {
    const Byte c = At(p + i);
    if (c == 0 || FoldCase(c) != FoldCase(static_cast<Byte>(token[i]))) return false;
  }
  return true;
}

// The characters at which a scan for the token must stop and look closer:
// either letter case of its first character. The NUL and the comment
// characters are added by the caller.
void AddFirstLetter(TCharSet& set, std::string_view token) {
  const Byte first = static_cast<Byte>(token.front());
  set[first] = true;
  set[FoldCase(first)] = true;
  if (first >= 'A' && first <= 'Z') set[first + ('a' - 'A')] = true;
}

// Finds the next character of a set that always holds the NUL, so that no
// scan can leave the text. The bit test per character suits the short runs
// inside a field.
class TBitFinder {
 public:
  explicit TBitFinder(const TCharSet& set) : set_(set) {}
  const char* Next(const char* p) const {
    while (!set_[At(p)]) ++p;
    return p;
  }

 private:
  const TCharSet& set_;
};

// The same for searches, which mostly find their token within a line but
// now and then pass over whole sections: after the first stretch, the C
// library's strcspn compares many characters at once. The set's characters
// other than the NUL, which ends every C string anyway, become its list of
// stops; that list is made only when a long stretch comes.
class TStretchFinder {
 public:
  explicit TStretchFinder(const TCharSet& set) : set_(set) {}
  const char* Next(const char* p) const {
    // Counted, so that no pointer beyond the text's NUL is ever formed.
    for (int step = 0; step < kShortStretch; ++step, ++p) {
      if (set_[At(p)]) return p;
    }
    if (stops_[0] == '\0') MakeStops();
    return p + std::strcspn(p, stops_);
  }

 private:
  static constexpr int kShortStretch = 64;

  void MakeStops() const {
    size_t count = 0;
    for (size_t c = 1; c < set_.size(); ++c) {
      if (set_[c]) stops_[count++] = static_cast<char>(c);
    }
    stops_[count] = '\0';
  }

  const TCharSet& set_;
  mutable char stops_[256] = {};
};

}  // namespace

TCharSet MakeCharSet(std::string_view chars) {
  TCharSet set;
  for (const char c : chars) set[static_cast<Byte>(c)] = true;
  return set;
}

// Passes over the comment whose first character the cursor has just stepped
// onto, leaving the cursor on the line break that ends it (the LF of a CR LF
// pair). The cursor is left on the NUL when the comment runs to the end.
static void SkipComment(const char*& cursor) {
  const char* p = cursor;
  while (!IsLineEnd(At(p))) ++p;
  cursor = p;
  if (*p == 0) RaiseCharsNotFound();
  if (p[0] == '\r' && p[1] == '\n') cursor = p + 1;
}

// Moves the cursor past ordinary characters to the next one in `interesting`
// and, when a comment starts there, past the comment. The text passed over
// goes to `out` (where there is one), except the comment; `runStart` marks
// where the next piece of collected text begins.
template <class Finder>
static void StepToCandidate(const char*& cursor, const TCharSet& commentChars,
                            const Finder& interesting, const char*& runStart, std::string* out) {
  cursor = interesting.Next(cursor + 1);
  if (!commentChars[At(cursor)]) return;
  if (out) out->append(runStart, cursor);
  SkipComment(cursor);
  runStart = cursor;
}

void TQnParser::Advance() {
  // Stepping past the NUL would leave the text, so a misplaced call does
  // nothing instead.
  if (*Cursor == 0) return;
  ++Cursor;
  if (CommentChars[At(Cursor)]) SkipComment(Cursor);
}

bool TQnParser::Matches(std::string_view token) const {
  return *Cursor != 0 && TokenAt(Cursor, token);
}

bool TQnParser::SkipToken(std::string_view token) {
  if (!Matches(token)) return false;
  Cursor += token.size();
  return true;
}

void TQnParser::ReadUntilChars(TCharSet stopSet, std::string& out) {
  const std::string_view field = ReadFieldUntilChars(stopSet, out);
  if (field.data() != out.data()) out.assign(field);
}

std::string_view TQnParser::ReadFieldInPieces(TCharSet stopSet, std::string& scratch) {
  scratch.clear();
  TCharSet interesting = stopSet | CommentChars;
  interesting[0] = true;
  stopSet[0] = true;
  const char* const start = Cursor;
  const char* runStart = Cursor;
  // Cursor always rests on a place that has passed the comment test (the
  // start, or the line break that ends a comment): only the stop test is due.
  while (!stopSet[At(Cursor)]) {
    StepToCandidate(Cursor, CommentChars, TBitFinder(interesting), runStart, &scratch);
  }
  if (*Cursor == 0) RaiseCharsNotFound();
  // Most fields hold no comment and are their own stretch of the text.
  if (runStart == start) return std::string_view(start, static_cast<size_t>(Cursor - start));
  scratch.append(runStart, Cursor);
  return scratch;
}

// Finds `token` from the cursor on; the text passed over goes to `out` where
// there is one.
static void FindToken(const char*& cursor, const TCharSet& commentChars, std::string_view token,
                      std::string* out) {
  if (out) out->clear();
  TCharSet interesting = commentChars;
  interesting[0] = true;
  if (!token.empty()) AddFirstLetter(interesting, token);
  const TStretchFinder finder(interesting);
  const char* runStart = cursor;
  // As in ReadUntilChars, the cursor rests only where the comment test has
  // already been made; the token is tried at each such place.
  while (*cursor != 0 && !TokenAt(cursor, token)) {
    StepToCandidate(cursor, commentChars, finder, runStart, out);
  }
  if (out) out->append(runStart, cursor);
  if (*cursor == 0) RaiseTokenNotFound(token);
}

void TQnParser::ReadUntilToken(std::string_view token, std::string& out) {
  FindToken(Cursor, CommentChars, token, &out);
}

void TQnParser::SkipUntilToken(std::string_view token) {
  FindToken(Cursor, CommentChars, token, nullptr);
}

void TQnParser::SkipCommentAtCursor() { SkipComment(Cursor); }
