// Feeds arbitrary bytes to the 3DO reader. Every input must either read or
// fail with an error of the system's own family; anything else (a crash, a
// leak, a hang, a huge allocation) is a fault the fuzzer reports.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Errors.h"
#include "NumberConversion.h"
#include "O_3do.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetDecimalSeparator('.');
  T3DOModel model;
  try {
    model.ParseText(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    // Malformed input is expected to fail exactly like this.
  }
  return 0;
}
