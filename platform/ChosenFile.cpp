#include "ChosenFile.h"

#include "Win32Api.h"

std::string TakeAsChosenFile(const std::string& path) {
  if (path.empty()) return path;
  std::string full(MAX_PATH, '\0');
  DWORD length =
      GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  // Too small, the answer is the size needed.
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameA(path.c_str(), length, full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  // Up to and with the last separator, so that a file at a drive's root
  // moves to the root itself rather than to the drive's current folder.
  const size_t slash = full.find_last_of("\\/");
  if (slash != std::string::npos) WalkIntoFolder(full.substr(0, slash + 1));
  return full;
}

void WalkIntoFolder(const std::string& folder) {
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
}
