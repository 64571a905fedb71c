// Keeps a 32-bit library's exception frame tables with the unwinder linked
// into it, whatever else the host's process has loaded.
//
// When the library loads, the toolchain's start-up code registers the
// library's frame tables for unwinding. It first asks GetModuleHandleA
// whether the shared runtime library libgcc_s_dw2-1.dll is in the process,
// and if so registers the tables with that library's unwinder instead of
// the one linked into this library. Any module of the host built with the
// same kind of toolchain but linked against the shared runtime brings that
// library in. Our own unwinder then finds no frame of ours, and every error
// we raise ends the host's process in std::terminate instead of reaching
// the import command's error box.
//
// The linker points the library's import of GetModuleHandleA at the
// function below (--wrap), which answers "not loaded" for that one name and
// hands every other name to the system. 64-bit libraries unwind through
// their own tables, so this is built into 32-bit libraries only.
#include <windows.h>

#include "ImportEntries.h"

namespace {

using GetModuleHandleFunction = HMODULE(WINAPI*)(LPCSTR);

/// The shared runtime library whose unwinder the start-up code prefers.
constexpr char kSharedUnwinder[] = "libgcc_s_dw2-1.dll";

/// Module names compare without regard to ASCII letter case; the C
/// library's case folding follows the locale, which must not matter here.
bool IsSameModuleName(const char* a, const char* b) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (fold(*a) != fold(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

// The library's own import entry.
extern "C" GetModuleHandleFunction realGetModuleHandle __asm__(
    KELVADO_IMPORT_ENTRY("__real_", "GetModuleHandleA", "4"));

namespace {

HMODULE WINAPI OwnUnwinderGetModuleHandle(LPCSTR name) {
  if (name != nullptr && IsSameModuleName(name, kSharedUnwinder)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return realGetModuleHandle(name);
}

}  // namespace

// What the library's code calls through instead of its import entry.
extern "C" {
extern const GetModuleHandleFunction wrappedGetModuleHandle __asm__(
    KELVADO_IMPORT_ENTRY("__wrap_", "GetModuleHandleA", "4"));
const GetModuleHandleFunction wrappedGetModuleHandle __asm__(
    KELVADO_IMPORT_ENTRY("__wrap_", "GetModuleHandleA", "4")) = &OwnUnwinderGetModuleHandle;
}
