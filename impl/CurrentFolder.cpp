#include "CurrentFolder.h"

TCurrentFolderScope::TCurrentFolderScope() noexcept {
  const DWORD length = GetCurrentDirectoryA(sizeof folder_, folder_);
  // 0 is a failure, and a length that does not fit is the size it would
  // need: either way there is no whole folder to go back to.
  if (length == 0 || length >= sizeof folder_) folder_[0] = 0;
}

TCurrentFolderScope::~TCurrentFolderScope() {
  if (folder_[0] != 0) SetCurrentDirectoryA(folder_);
}
