// Reading a whole file into memory through the platform's file calls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Win32Api.h"

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

  /// The file's bytes from position 0, as many as one read of the file's
  /// size yields, followed by a NUL.
  std::unique_ptr<char[]> ReadAll();

 private:
  HANDLE handle_;
};
