// How the Linux stand-ins number handles: a file handle, and a file
// mapping's handle, is its descriptor plus one, so that descriptor 0 is not
// the null handle.
#pragma once

#include <cstdint>

#include "Win32Api.h"

/// The descriptor behind a handle that a stand-in gave out.
inline int DescriptorOf(HANDLE handle) {
  return static_cast<int>(reinterpret_cast<intptr_t>(handle)) - 1;
}

/// The handle that stands for `descriptor`.
inline HANDLE HandleOf(int descriptor) {
  return reinterpret_cast<HANDLE>(intptr_t{descriptor} + 1);
}
