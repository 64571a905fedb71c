// Reading a whole file into memory through the platform's file calls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Win32Api.h"

/// A file's text, NUL-terminated, in memory pages of its own. A reader that
/// never looks back can hand the pages behind it back while it reads, so
/// that a large file is not held whole next to the model made from it.
class TFileText {
 public:
  /// Takes over `pages` from VirtualAlloc, holding `length` characters and
  /// then the NUL.
  TFileText(char* pages, size_t length) : pages_(pages), length_(length) {}
  ~TFileText();
  TFileText(TFileText&& other) noexcept;
  TFileText(const TFileText&) = delete;
  TFileText& operator=(const TFileText&) = delete;
  TFileText& operator=(TFileText&&) = delete;

  /// The text, ending at its NUL.
  const char* Text() const { return pages_; }

  /// Gives back the whole pages that end at least one page before
  /// `position`, a place in the text. Precondition: nothing before
  /// `position` is read any more; the page just before it stays, for a
  /// reader that looks one character back.
  void ReleaseBefore(const char* position);

 private:
  char* pages_;
  size_t length_;
  size_t released_ = 0;  // bytes from the start already given back
};

/// A file opened for reading, shared with everybody (others may read and
/// write it meanwhile); closed when the object goes.
class TReadOnlyFile {
 public:
  /// Opens `fileName`. Raises EFOpenError "Cannot open file "<full path>".
  /// <system text>" when it cannot be opened, a directory included.
  explicit TReadOnlyFile(const std::string& fileName);
  ~TReadOnlyFile();
  TReadOnlyFile(const TReadOnlyFile&) = delete;
  TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

  /// The file's bytes from position 0, followed by a NUL: as many as the
  /// file yields up to the size it had when asked, fewer when it shrank
  /// meanwhile. Raises EFOpenError "File "<full path>" is too large to
  /// import (<size> bytes)" for a file of 4 GiB or more, before reading
  /// anything; EFOpenError "Cannot read file "<full path>". <system text>"
  /// when a read fails; std::bad_alloc when there is no memory for the text.
  TFileText ReadAll();

 private:
  std::string fileName_;  // as given, for messages
  HANDLE handle_;
};
