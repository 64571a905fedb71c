#include "WholeFile.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "Errors.h"

namespace {

// The size of a memory page on every Windows that runs 32-bit code.
constexpr size_t kPageSize = 4096;

// The most that one read call asks for.
constexpr DWORD kMostBytesPerRead = 8u << 20;

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

// Reads up to `size` bytes into `buffer`, one piece after another: a single
// read of many megabytes over a network share can fail on older Windows.
// `read` gets the bytes read, fewer than `size` when the file ended early.
// False, with the system's error code in `error`, when a read failed: the
// medium or the share went away, or a page could not be read.
bool ReadInPieces(HANDLE file, char* buffer, DWORD size, DWORD& read, DWORD& error) {
  read = 0;
  while (read < size) {
    const DWORD piece = std::min<DWORD>(size - read, kMostBytesPerRead);
    DWORD got = 0;
    if (!ReadFile(file, buffer + read, piece, &got, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (got == 0) break;  // the end of a file that shrank since its size was taken
    read += got;
  }
  return true;
}

}  // namespace

TReadOnlyFile::TReadOnlyFile(const std::string& fileName) : fileName_(fileName) {
  handle_ = CreateFileA(fileName.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ != INVALID_HANDLE_VALUE) return;
  DWORD error = GetLastError();
  throw EFOpenError("Cannot open file \"" + FullPathOf(fileName) + "\". " + SystemErrorText(error));
}

TReadOnlyFile::~TReadOnlyFile() { CloseHandle(handle_); }

TFileText TReadOnlyFile::ReadAll() {
  DWORD sizeHigh = 0;
  DWORD size = GetFileSize(handle_, &sizeHigh);
  // A file of 4 GiB or more could never be held in memory by a 32-bit host;
  // the user is told so rather than that memory ran out.
  if (sizeHigh != 0) {
    const uint64_t fullSize = (uint64_t{sizeHigh} << 32) | size;
    throw EFOpenError("File \"" + FullPathOf(fileName_) + "\" is too large to import (" +
                      std::to_string(fullSize) + " bytes)");
  }
  // A size query that failed, or a file one byte short of 4 GiB, which
  // leaves no room for the NUL.
  if (size == INVALID_FILE_SIZE) throw std::bad_alloc();
  SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
  // Fresh pages, which the reads fill; they can be given back one by one.
  auto* pages = static_cast<char*>(
      VirtualAlloc(nullptr, size_t{size} + 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (pages == nullptr) throw std::bad_alloc();
  DWORD read = 0;
  DWORD error = 0;
  if (!ReadInPieces(handle_, pages, size, read, error)) {
    VirtualFree(pages, 0, MEM_RELEASE);
    throw EFOpenError("Cannot read file \"" + FullPathOf(fileName_) + "\". " +
                      SystemErrorText(error));
  }
  // A file that shrank while being read yields only the bytes actually
  // read; nothing beyond them is parsed.
  pages[read] = '\0';
  return TFileText(pages, read);
}

TFileText::~TFileText() {
  if (pages_ != nullptr) VirtualFree(pages_, 0, MEM_RELEASE);
}

TFileText::TFileText(TFileText&& other) noexcept
    : pages_(other.pages_), length_(other.length_), released_(other.released_) {
  other.pages_ = nullptr;
}

void TFileText::ReleaseBefore(const char* position) {
  // Whole pages only, and not the one just before the position.
  const auto offset = static_cast<size_t>(position - pages_);
  if (offset > length_ || offset < kPageSize) return;
  const size_t end = (offset / kPageSize - 1) * kPageSize;
  if (end <= released_) return;
  VirtualFree(pages_ + released_, end - released_, MEM_DECOMMIT);
  released_ = end;
}
