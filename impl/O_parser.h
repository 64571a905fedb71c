// A forward-only scanner over a NUL-terminated 8-bit text, with the
// primitive steps the 3DO reader is built from.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

#include "Errors.h"

/// A set of 8-bit character codes.
using TCharSet = std::bitset<256>;

/// The set holding exactly the characters of `chars`.
TCharSet MakeCharSet(std::string_view chars);

/// Forward-only scanner. Fill CommentChars and set Cursor to the first
/// character of a NUL-terminated text before calling any operation; the text
/// must stay unchanged and alive while the scanner is used. No operation
/// moves the cursor past the NUL, and after an EParserError the cursor rests
/// on it.
class TQnParser {
 public:
  /// A member starts a comment (to the end of its line) where Advance steps
  /// onto it.
  TCharSet CommentChars;
  /// The current character. Precondition of every operation: not null.
  const char* Cursor = nullptr;

  /// Steps one character, then past a comment that starts there, resting on
  /// the line break that ends it. Precondition: the cursor is not on the
  /// NUL. Raises "Chars not found" when the comment reaches the NUL.
  void Advance();

  /// Whether the text at the cursor begins with `token`, comparing ASCII
  /// letters without case. False on the NUL, also for an empty token.
  bool Matches(std::string_view token) const;

  /// Matches(token); when true, moves the cursor past the token.
  bool SkipToken(std::string_view token);

  /// Collects characters into `out` (emptied first) up to the first member
  /// of `stopSet`, on which the cursor stays. Raises "Chars not found" when
  /// the NUL comes first.
  void ReadUntilChars(TCharSet stopSet, std::string& out);

  /// As ReadUntilChars, but returns the characters without copying them: a
  /// view into the text, or, when a comment interrupts them, a view of
  /// `scratch`, where they are collected then. The view lasts until the
  /// text or `scratch` changes.
  std::string_view ReadFieldUntilChars(const TCharSet& stopSet, std::string& scratch);

  /// Collects characters into `out` (emptied first) up to the next
  /// occurrence of `token`, on whose first character the cursor stays.
  /// Raises "Token '<token>' not found" when the NUL comes first.
  void ReadUntilToken(std::string_view token, std::string& out);

  /// ReadUntilToken without collecting what is passed over.
  void SkipUntilToken(std::string_view token);

  /// Passes over TAB, LF, CR and SPACE, and the comments met among them.
  void SkipBlanks();

 private:
  /// Passes over the comment that starts at the cursor, as Advance does.
  void SkipCommentAtCursor();
  /// ReadFieldUntilChars for any field, comments and the end included.
  std::string_view ReadFieldInPieces(TCharSet stopSet, std::string& scratch);
};

// The two steps below run for nearly every byte of a file, so their common
// case is inline; comments and the end of the text take the general way.

inline std::string_view TQnParser::ReadFieldUntilChars(const TCharSet& stopSet,
                                                       std::string& scratch) {
  const auto at = [](const char* p) { return static_cast<unsigned char>(*p); };
  const char* p = Cursor;
  if (*p != 0 && !stopSet[at(p)]) {
    // The character at the cursor has passed the comment test already.
    do {
      ++p;
    } while (!stopSet[at(p)] && !CommentChars[at(p)] && *p != 0);
    if (CommentChars[at(p)]) return ReadFieldInPieces(stopSet, scratch);
  }
  if (*p == 0) return ReadFieldInPieces(stopSet, scratch);
  const std::string_view field(Cursor, static_cast<size_t>(p - Cursor));
  Cursor = p;
  return field;
}

inline void TQnParser::SkipBlanks() {
  for (;;) {
    const char c = *Cursor;
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
    ++Cursor;
    if (CommentChars[static_cast<unsigned char>(*Cursor)]) SkipCommentAtCursor();
  }
}
