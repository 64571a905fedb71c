#include "WholeFile.h"

#include <new>
#include <string>

#include "Errors.h"

namespace {

// The full path the user will recognise in the error message; the name as
// given when the system cannot make one.
std::string FullPathOf(const std::string& fileName) {
  char buffer[1024];
  DWORD length = GetFullPathNameA(fileName.c_str(), sizeof buffer, buffer, nullptr);
  if (length == 0 || length >= sizeof buffer) return fileName;
  return std::string(buffer, length);
}

// The system's own text for an error code, without the full stop and line
// break that it usually ends with, since the message supplies its own.
std::string SystemErrorText(DWORD error) {
  char buffer[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

TReadOnlyFile::TReadOnlyFile(const std::string& fileName) {
  handle_ = CreateFileA(fileName.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ != INVALID_HANDLE_VALUE) return;
  DWORD error = GetLastError();
  throw EFOpenError("Cannot open file \"" + FullPathOf(fileName) + "\". " + SystemErrorText(error));
}

TReadOnlyFile::~TReadOnlyFile() { CloseHandle(handle_); }

std::unique_ptr<char[]> TReadOnlyFile::ReadAll() {
  DWORD sizeHigh = 0;
  DWORD size = GetFileSize(handle_, &sizeHigh);
  // A file of 4 GiB or more could never be held in memory by a 32-bit host.
  if (sizeHigh != 0 || size == INVALID_FILE_SIZE) throw std::bad_alloc();
  SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
  // Not filled first: the read writes it, and filling a large file's worth of
  // memory twice is a noticeable part of reading it.
  auto text = std::make_unique_for_overwrite<char[]>(size_t{size} + 1);
  DWORD read = 0;
  if (size > 0) ReadFile(handle_, text.get(), size, &read, nullptr);
  // A file that shrank while being read, or a read that failed, yields only
  // the bytes actually read; nothing beyond them is parsed.
  text[read] = '\0';
  return text;
}
