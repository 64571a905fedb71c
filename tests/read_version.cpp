// Prints the version strings of a Windows library as KEY=VALUE lines, read
// through the same calls an installer or the Explorer uses:
//   read_version PATH
// Works on a library of either word size, since the resource is read as data.
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

const char* const kKeys[] = {"FileVersion",      "ProductVersion",  "InternalName",
                             "OriginalFilename", "FileDescription", "ProductName"};

// The language and code page of the first string table, as "040904E4".
bool FirstTranslation(const void* block, char (&out)[9]) {
  struct Translation {
    WORD language;
    WORD codePage;
  };
  void* value = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &value, &size) ||
      size < sizeof(Translation)) {
    return false;
  }
  const auto* first = static_cast<const Translation*>(value);
  std::snprintf(out, sizeof out, "%04X%04X", first->language, first->codePage);
  return true;
}

// Prints a version number held as two 32-bit halves, as "1.0.0.1".
void PrintVersion(const char* key, DWORD high, DWORD low) {
  std::printf("%s=%u.%u.%u.%u\n", key, unsigned{HIWORD(high)}, unsigned{LOWORD(high)},
              unsigned{HIWORD(low)}, unsigned{LOWORD(low)});
}

void PrintFixedVersion(const void* block) {
  void* value = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block, "\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) return;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  PrintVersion("FixedFileVersion", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  PrintVersion("FixedProductVersion", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_version PATH\n");
    return 2;
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  if (size == 0) {
    std::fprintf(stderr, "%s: no version resource (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(argv[1], 0, size, block.data())) {
    std::fprintf(stderr, "%s: version resource unreadable (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  PrintFixedVersion(block.data());
  char translation[9];
  if (!FirstTranslation(block.data(), translation)) {
    std::fprintf(stderr, "%s: no translation table\n", argv[1]);
    return 1;
  }
  for (const char* key : kKeys) {
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%s\\%s", translation, key);
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), path, &value, &length) && length > 0) {
      std::printf("%s=%s\n", key, static_cast<const char*>(value));
    }
  }
  return 0;
}
