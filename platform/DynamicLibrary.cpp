// Libraries on Linux under the Windows names: "X.dll" is the platform's
// "libX.so", and a bare name is searched where Windows would find the
// plug-in's own libraries.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <string_view>

#include "Win32Api.h"

namespace {

constexpr std::string_view kWindowsSuffix = ".dll";

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] + 32) : tail[i];
    if (c != suffix[i]) return false;
  }
  return true;
}

// "dir/X.dll" becomes "dir/libX.so"; other names stay as they are.
std::string PlatformName(std::string_view name) {
  if (!EndsWithIgnoringCase(name, kWindowsSuffix)) return std::string(name);
  const size_t slash = name.find_last_of('/');
  const size_t fileStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::string_view stem =
      name.substr(fileStart, name.size() - fileStart - kWindowsSuffix.size());
  return std::string(name.substr(0, fileStart)) + "lib" + std::string(stem) + ".so";
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ExecutableDirectory() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  return DirectoryOf(std::string(path, static_cast<size_t>(length)));
}

// The folder of the library (or program) that holds `address`.
std::string DirectoryOfCode(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
  // The program itself goes by an empty name in the loader's list.
  if (map == nullptr || map->l_name == nullptr || map->l_name[0] == 0) {
    return ExecutableDirectory();
  }
  return DirectoryOf(map->l_name);
}

HMODULE OpenFile(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

// The first of the caller's folder and the executable's folder that holds
// the file decides; a file there that fails to load is a failure, as on
// Windows, where the search also stops at the first file found.
HMODULE SearchByBareName(const std::string& name, const void* caller) {
  // A library of that name that is already loaded is used wherever it came
  // from, again as on Windows.
  if (HMODULE loaded = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) return loaded;
  for (const std::string& directory : {DirectoryOfCode(caller), ExecutableDirectory()}) {
    if (directory.empty()) continue;
    const std::string path = directory + "/" + name;
    if (access(path.c_str(), F_OK) == 0) return OpenFile(path);
  }
  return OpenFile(name);
}

}  // namespace

extern "C" {

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || fileName[0] == 0) return nullptr;
  const std::string name = PlatformName(fileName);
  if (name.find('/') != std::string::npos) return OpenFile(name);
  return SearchByBareName(name, __builtin_return_address(0));
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (module == nullptr || procName == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, procName));
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) return FALSE;
  return dlclose(module) == 0 ? TRUE : FALSE;
}

}  // extern "C"
