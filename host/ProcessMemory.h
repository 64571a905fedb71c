// What the running process holds of the resources a plug-in can fail to give
// back when it is unloaded: private memory, open handles and thread-local
// storage slots. The stand-in host samples them around repeated imports.
#pragma once

#include <cstdint>
#include <string>

/// One reading of the process's resources. A field whose reading failed is -1.
struct ProcessResources {
  int64_t privateBytes = -1;   ///< Private memory in bytes.
  int64_t handles = -1;        ///< Open handles (file descriptors on Linux).
  int64_t firstFreeSlot = -1;  ///< The thread-local storage slot a new request gets.
};

/// Reads the process's resources now.
ProcessResources SampleProcessResources();

/// Names, for a report, where each reading of SampleProcessResources comes
/// from on this target, in the order: private memory, handles, slots.
struct ProcessResourceSources {
  std::string privateBytes;   ///< e.g. "PrivateUsage of GetProcessMemoryInfo".
  std::string handles;        ///< e.g. "GetProcessHandleCount".
  std::string firstFreeSlot;  ///< e.g. "TlsAlloc".
};

/// Where this target's readings come from.
ProcessResourceSources DescribeProcessResources();
