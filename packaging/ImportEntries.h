// The symbols by which a library's code reaches its import entries, for
// modules that put their own function in front of one with the linker's
// --wrap=IMPORT_ENTRY: the library's calls then go through __wrap_ENTRY,
// which the module defines, and __real_ENTRY is the import entry itself.
#pragma once

/// The symbol of the import entry of `name` with --wrap's `prefix`
/// ("__real_" or "__wrap_"): 32-bit names carry a leading underscore and the
/// argument bytes of the stdcall function, `bytes`.
#ifdef _WIN64
#define KELVADO_IMPORT_ENTRY(prefix, name, bytes) prefix "__imp_" name
#else
#define KELVADO_IMPORT_ENTRY(prefix, name, bytes) "_" prefix "_imp__" name "@" bytes
#endif
