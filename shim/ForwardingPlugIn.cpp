#include "ForwardingPlugIn.h"

namespace {

constexpr char kImplementationName[] = "KelvadoImpl.dll";
constexpr char kEmptyTitle[] = "";

// GetProcAddress's untyped address, as the export's own type.
template <typename Function>
Function Bind(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

ForwardingPlugIn::ForwardingPlugIn() {
  // A bare name: the platform's standard search decides where it is found.
  Module = LoadLibraryA(kImplementationName);
  if (Module == nullptr) {
    MessageBoxA(nullptr, "Implementation module 'KelvadoImpl.dll' not found",
                "Jedi Knight 3DO Import module", MB_ICONERROR);
    return;
  }
  GetTypeProc = Bind<GetTypeFunction>(Module, "plugin_GetType");
  GetTitleProc = Bind<GetTitleFunction>(Module, "plugin_GetTitle");
  ExecuteProc = Bind<ExecuteFunction>(Module, "plugin_Execute");
}

ForwardingPlugIn::~ForwardingPlugIn() {
  if (Module != nullptr) FreeLibrary(Module);
}

#ifdef _WIN32
void* ForwardingPlugIn::Destroy(unsigned flags) {
  if (flags & 1u) {
    delete this;
  } else {
    this->~ForwardingPlugIn();
  }
  return this;
}
#endif

// A library that loads but lacks an export leaves its entry null; that
// entry answers as if the library were missing instead of calling null.
int32_t ForwardingPlugIn::GetType() { return GetTypeProc != nullptr ? GetTypeProc() : 0; }

const char* ForwardingPlugIn::GetTitle() {
  return GetTitleProc != nullptr ? GetTitleProc() : kEmptyTitle;
}

int32_t ForwardingPlugIn::Execute(void* model) {
  return ExecuteProc != nullptr ? ExecuteProc(model) : -1;
}
