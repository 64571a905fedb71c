// What the running process holds of the resources a plug-in can fail to give
// back when it is unloaded: private memory, open handles and thread-local
// storage slots. The stand-in host samples them around repeated imports.
#pragma once

#include <cstdint>
#include <string>

/// One reading of the process's resources. A field whose reading failed is -1.
struct ProcessResources {
  int64_t privateBytes = -1;  ///< Private memory in bytes.
  int64_t handles = -1;       ///< Open handles (file descriptors on Linux).
  int64_t freeTlsSlots = -1;  ///< Thread-local storage slots still to be had.
};

/// Reads the process's resources now, the private memory last (the other
/// two readings use some memory of their own).
ProcessResources SampleProcessResources();

/// Reads the process's private memory in bytes alone; -1 when it fails.
int64_t ReadPrivateBytes();

/// Names, for a report, where each reading of SampleProcessResources comes
/// from on this target, in the order: private memory, handles, slots.
struct ProcessResourceSources {
  std::string privateBytes;  ///< e.g. "PrivateUsage of GetProcessMemoryInfo".
  std::string handles;       ///< e.g. "GetProcessHandleCount".
  std::string freeTlsSlots;  ///< e.g. "TlsAlloc until it fails".
};

/// Where this target's readings come from.
ProcessResourceSources DescribeProcessResources();
