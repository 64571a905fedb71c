// The Windows end of the scripted user: a module's import address table
// entries for MessageBoxA, GetOpenFileNameA, LoadLibraryA, ReadFile,
// GetFileSize and VirtualAlloc are
// pointed at hooks in this program, which is the usual way to stand in for
// the user (and for a failing medium) without touching the system's
// libraries.
#include <cstring>

#include "UserScript.h"
#include "UserScriptHooks.h"

namespace {

// The system's own function, by its library's export: a hook in a module
// that is attached itself would reach itself again through that module's
// import entry. Looked up at each call, not kept: the library that holds it
// (comdlg32.dll, say) may have been unloaded with the plug-in since the last
// call and loaded again elsewhere.
template <class Function>
Function SystemFunction(const char* library, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(library), name)));
}

int WINAPI HookMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  const auto real = SystemFunction<MessageBoxFunction>("user32.dll", "MessageBoxA");
  return UserScript_ShowMessageBox(owner, text, caption, style, real);
}

BOOL WINAPI HookGetOpenFileNameA(LPOPENFILENAMEA request) {
  const auto real = SystemFunction<OpenFileNameFunction>("comdlg32.dll", "GetOpenFileNameA");
  return UserScript_ShowOpenFileName(request, real);
}

BOOL WINAPI HookReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                         LPOVERLAPPED overlapped) {
  const auto real = SystemFunction<ReadFileFunction>("kernel32.dll", "ReadFile");
  return UserScript_ReadFile(file, buffer, toRead, read, overlapped, real);
}

DWORD WINAPI HookGetFileSize(HANDLE file, LPDWORD sizeHigh) {
  const auto real = SystemFunction<FileSizeFunction>("kernel32.dll", "GetFileSize");
  return UserScript_GetFileSize(file, sizeHigh, real);
}

LPVOID WINAPI HookVirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  const auto real = SystemFunction<VirtualAllocFunction>("kernel32.dll", "VirtualAlloc");
  return UserScript_VirtualAlloc(address, size, allocationType, protect, real);
}

// A library loaded by a scripted module is scripted too, before its loader
// sees it: this is how the implementation library that the plug-in object
// loads comes under the script.
HMODULE WINAPI HookLoadLibraryA(LPCSTR fileName) {
  const auto real = SystemFunction<decltype(&::LoadLibraryA)>("kernel32.dll", "LoadLibraryA");
  HMODULE module = real(fileName);
  if (module != nullptr) UserScript_Attach(module);
  return module;
}

struct Hook {
  const char* name;
  ULONG_PTR address;
};

const Hook kHooks[] = {
    {"MessageBoxA", reinterpret_cast<ULONG_PTR>(&HookMessageBoxA)},
    {"GetOpenFileNameA", reinterpret_cast<ULONG_PTR>(&HookGetOpenFileNameA)},
    {"LoadLibraryA", reinterpret_cast<ULONG_PTR>(&HookLoadLibraryA)},
    {"ReadFile", reinterpret_cast<ULONG_PTR>(&HookReadFile)},
    {"GetFileSize", reinterpret_cast<ULONG_PTR>(&HookGetFileSize)},
    {"VirtualAlloc", reinterpret_cast<ULONG_PTR>(&HookVirtualAlloc)},
};

ULONG_PTR HookFor(const char* importName) {
  for (const Hook& hook : kHooks) {
    if (std::strcmp(hook.name, importName) == 0) return hook.address;
  }
  return 0;
}

void WriteSlot(ULONG_PTR* slot, ULONG_PTR value) {
  if (*slot == value) return;
  DWORD oldProtection = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection)) return;
  *slot = value;
  VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
}

// Walks one imported library's entries by name. Entries imported by
// ordinal, and tables without the name list, are left alone.
void PatchDescriptor(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR& descriptor) {
  if (descriptor.OriginalFirstThunk == 0 || descriptor.FirstThunk == 0) return;
  auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor.OriginalFirstThunk);
  auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor.FirstThunk);
  for (; names->u1.AddressOfData != 0; ++names, ++slots) {
    if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
    auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
    const ULONG_PTR hook = HookFor(reinterpret_cast<const char*>(byName->Name));
    if (hook != 0) WriteSlot(reinterpret_cast<ULONG_PTR*>(&slots->u1.Function), hook);
  }
}

const IMAGE_NT_HEADERS* HeadersOf(BYTE* base) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return headers->Signature == IMAGE_NT_SIGNATURE ? headers : nullptr;
}

}  // namespace

bool UserScript_Attach(HMODULE module) {
  if (module == nullptr) return false;
  auto* base = reinterpret_cast<BYTE*>(module);
  const IMAGE_NT_HEADERS* headers = HeadersOf(base);
  if (headers == nullptr) return false;
  const IMAGE_DATA_DIRECTORY& imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return true;
  auto* descriptor =
      reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; descriptor->Name != 0; ++descriptor) PatchDescriptor(base, *descriptor);
  return true;
}
