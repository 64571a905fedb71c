#include "PlugInLoader.h"

#ifdef _WIN32
#include <cstring>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "PlugIn.h"
#endif

namespace {

#ifdef _WIN32
// A host compiled by Microsoft's compiler sees a plug-in object as a pointer
// to a table of four entries: the scalar deleting destructor, which takes a
// flags word (bit 0: free the memory too), then GetType, GetTitle and
// Execute. On 32-bit Windows all four use thiscall (the object in ECX, the
// callee pops the arguments); 64-bit Windows has a single convention.
#ifdef _WIN64
#define HOST_THISCALL
#else
#define HOST_THISCALL __attribute__((thiscall))
#endif

struct MsvcPlugInTable {
  void*(HOST_THISCALL* scalarDeletingDestructor)(void* self, unsigned flags);
  int32_t(HOST_THISCALL* getType)(void* self);
  const char*(HOST_THISCALL* getTitle)(void* self);
  int32_t(HOST_THISCALL* execute)(void* self, void* model);
};

struct MsvcPlugInObject {
  const MsvcPlugInTable* table;
};

const MsvcPlugInTable& TableOf(void* object) {
  return *static_cast<MsvcPlugInObject*>(object)->table;
}

using CreatePlugInFunction = void* (*)();

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) text = "system error " + std::to_string(code);
  return text;
}

HMODULE OpenLibrary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) error = LastErrorText();
  return module;
}

void* FindExport(HMODULE module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

void CloseLibrary(HMODULE module) { FreeLibrary(module); }
#else
using CreatePlugInFunction = PlugIn* (*)();

PlugIn* AsPlugIn(void* object) { return static_cast<PlugIn*>(object); }

HMODULE OpenLibrary(const std::string& path, std::string& error) {
  // A path without a slash would make dlopen search the system's folders;
  // the user means the file, as on Windows.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) error = dlerror();
  return handle;
}

void* FindExport(HMODULE module, const char* name) { return dlsym(module, name); }

void CloseLibrary(HMODULE module) { dlclose(module); }
#endif

}  // namespace

std::string DefaultPlugInPath() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string program(path, length < sizeof path ? length : 0);
  const size_t slash = program.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : program.substr(0, slash + 1)) +
         "Kelvado.dll";
#else
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string program(path, length > 0 ? static_cast<size_t>(length) : 0);
  const size_t slash = program.rfind('/');
  return (slash == std::string::npos ? std::string(".") : program.substr(0, slash)) +
         "/libKelvado.so";
#endif
}

std::unique_ptr<LoadedPlugIn> LoadedPlugIn::Load(const std::string& path, std::string& error) {
  std::string why;
  HMODULE module = OpenLibrary(path, why);
  if (module == nullptr) {
    error = "cannot load the plug-in library '" + path + "': " + why;
    return nullptr;
  }
  void* create = FindExport(module, "CreatePlugIn");
  if (create == nullptr) {
    CloseLibrary(module);
    error = "the plug-in library '" + path + "' has no export CreatePlugIn";
    return nullptr;
  }
  return std::unique_ptr<LoadedPlugIn>(new LoadedPlugIn(module, create));
}

LoadedPlugIn::~LoadedPlugIn() {
  DestroyObject();
  CloseLibrary(module_);
}

bool LoadedPlugIn::CreateObject() {
  DestroyObject();
  object_ = reinterpret_cast<CreatePlugInFunction>(create_)();
  return object_ != nullptr;
}

#ifdef _WIN32
int32_t LoadedPlugIn::GetType() { return TableOf(object_).getType(object_); }

const char* LoadedPlugIn::GetTitle() { return TableOf(object_).getTitle(object_); }

int32_t LoadedPlugIn::Execute(void* model) { return TableOf(object_).execute(object_, model); }

void LoadedPlugIn::DestroyObject() {
  if (object_ == nullptr) return;
  TableOf(object_).scalarDeletingDestructor(object_, 1);
  object_ = nullptr;
}
#else
int32_t LoadedPlugIn::GetType() { return AsPlugIn(object_)->GetType(); }

const char* LoadedPlugIn::GetTitle() { return AsPlugIn(object_)->GetTitle(); }

int32_t LoadedPlugIn::Execute(void* model) { return AsPlugIn(object_)->Execute(model); }

void LoadedPlugIn::DestroyObject() {
  if (object_ == nullptr) return;
  delete AsPlugIn(object_);  // the deleting destructor: the plug-in frees its own memory
  object_ = nullptr;
}
#endif
