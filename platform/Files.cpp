// POSIX stand-ins for the file calls the reader makes: open for reading,
// size, seek, read, close, the full path, and the system's text for the
// last failure. Error codes are errno values.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "FileHandles.h"
#include "UserScriptHooks.h"
#include "Win32Api.h"

namespace {

thread_local DWORD lastError = 0;

// Records the failure for GetLastError and gives back the call's failure value.
template <class Result>
Result Fail(int error, Result result) {
  lastError = static_cast<DWORD>(error);
  return result;
}

// Only a regular file can be read; Windows refuses to open a directory as a
// file, and so does the stand-in.
bool IsOpenableFile(int descriptor) {
  struct stat info;
  if (fstat(descriptor, &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) errno = EACCES;
  return !S_ISDIR(info.st_mode);
}

// Like ReadFile on a disk file, one call delivers everything up to the end of
// the file, so short reads of the descriptor are continued here.
BOOL ReadDescriptor(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
  DWORD total = 0;
  while (total < toRead) {
    ssize_t got = ::read(DescriptorOf(file), static_cast<char*>(buffer) + total, toRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *read = total;
      return Fail(errno, FALSE);
    }
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  *read = total;
  return TRUE;
}

DWORD FileSizeOf(HANDLE file, LPDWORD sizeHigh) {
  struct stat info;
  if (fstat(DescriptorOf(file), &info) != 0) return Fail(errno, INVALID_FILE_SIZE);
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

}  // namespace

extern "C" {

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
  int descriptor = open(fileName, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return Fail(errno, INVALID_HANDLE_VALUE);
  if (!IsOpenableFile(descriptor)) {
    int error = errno;
    close(descriptor);
    return Fail(error, INVALID_HANDLE_VALUE);
  }
  return HandleOf(descriptor);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  if (UserScript_IsOn()) return UserScript_GetFileSize(file, sizeHigh, &FileSizeOf);
  return FileSizeOf(file, sizeHigh);
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG*, DWORD) {
  off_t position = lseek(DescriptorOf(file), distance, SEEK_SET);
  if (position < 0) return Fail(errno, INVALID_SET_FILE_POINTER);
  return static_cast<DWORD>(position);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
  if (!UserScript_IsOn()) return ReadDescriptor(file, buffer, toRead, read, overlapped);
  return UserScript_ReadFile(file, buffer, toRead, read, overlapped, &ReadDescriptor);
}

BOOL CloseHandle(HANDLE object) {
  return close(DescriptorOf(object)) == 0 ? TRUE : Fail(errno, FALSE);
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart) {
  std::string path = fileName;
  if (path.empty() || path[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) return Fail(errno, DWORD{0});
    path = std::string(cwd) + "/" + path;
  }
  if (filePart != nullptr) *filePart = nullptr;
  if (path.size() + 1 > size) return static_cast<DWORD>(path.size() + 1);
  memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) return Fail(errno, DWORD{0});
  const size_t length = strlen(cwd);
  if (buffer == nullptr || length + 1 > size) return static_cast<DWORD>(length + 1);
  memcpy(buffer, cwd, length + 1);
  return static_cast<DWORD>(length);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  if (path == nullptr) return Fail(EFAULT, FALSE);
  return chdir(path) == 0 ? TRUE : Fail(errno, FALSE);
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

// The system's text ends in a full stop and a line break, as on Windows.
DWORD FormatMessageA(DWORD, const void*, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*) {
  std::string text = std::string(strerror(static_cast<int>(messageId))) + ".\r\n";
  if (size == 0 || text.size() + 1 > size) return 0;
  memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

}  // extern "C"
