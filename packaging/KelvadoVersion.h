// The version of both plug-in libraries, their version resources and the
// package. Raise it here only: the resource scripts and the package script
// read it from this file.
#pragma once

#define KELVADO_VERSION_MAJOR 1
#define KELVADO_VERSION_MINOR 0
#define KELVADO_VERSION_PATCH 0
#define KELVADO_VERSION_BUILD 1

#define KELVADO_VERSION_QUOTE(x) #x
#define KELVADO_VERSION_STRING(x) KELVADO_VERSION_QUOTE(x)
/// The four numbers as a resource script's FILEVERSION takes them.
#define KELVADO_VERSION_NUMBERS \
  KELVADO_VERSION_MAJOR, KELVADO_VERSION_MINOR, KELVADO_VERSION_PATCH, KELVADO_VERSION_BUILD
/// The version as text, "MAJOR.MINOR.PATCH.BUILD", NUL-terminated as
/// version resources keep their strings.
// clang-format off
#define KELVADO_VERSION_TEXT \
  KELVADO_VERSION_STRING(KELVADO_VERSION_MAJOR) "." \
  KELVADO_VERSION_STRING(KELVADO_VERSION_MINOR) "." \
  KELVADO_VERSION_STRING(KELVADO_VERSION_PATCH) "." \
  KELVADO_VERSION_STRING(KELVADO_VERSION_BUILD) "\0"
// clang-format on
