// The Windows calls the system makes. On Windows this is the real API; on
// Linux the platform library provides the same names and signatures, with
// the behaviour the system relies on.
#pragma once

#ifdef _WIN32
#include <windows.h>
// The dialog declarations build on windows.h, so they come after it.
#include <commdlg.h>
#else
#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef uint16_t WORD;
typedef long LONG;
typedef void* HANDLE;
typedef void* HWND;
typedef void* HMENU;
typedef void* HINSTANCE;
typedef void* HMODULE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* LPOVERLAPPED;
typedef size_t SIZE_T;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef intptr_t LPARAM;
typedef void (*FARPROC)();
typedef BOOL (*WNDENUMPROC)(HWND window, LPARAM param);

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0

#define WS_OVERLAPPEDWINDOW 0x00CF0000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define GW_OWNER 4u
#define CW_USEDEFAULT (static_cast<int>(0x80000000u))

#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define MB_TASKMODAL 0x00002000u
#define IDOK 1

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_BEGIN 0u
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu

#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_DECOMMIT 0x00004000u
#define MEM_RELEASE 0x00008000u
#define PAGE_READWRITE 0x04u

#define MAX_PATH 260

#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u

typedef struct tagOFNA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  void* lpfnHook;
  LPCSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;

extern "C" {
// kernel32: libraries. Names ending in ".dll" are mapped to the platform's
// own naming ("X.dll" -> "libX.so"); a bare name is searched next to the
// calling library first, then next to the executable, then as dlopen does.
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

// kernel32: files and errors.
HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void* security, DWORD creation,
                   DWORD flags, HANDLE templateFile);
// A size query that the scripted user was told to fail fails, and one it
// was told to overstate reports more (UserScript_FailCall,
// UserScript_OverstateFileSize).
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
// A read that the scripted user was told to fail fails as a failing medium
// would (UserScript_FailRead).
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);
DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart);
// The process's current folder, as Windows answers: its length without the
// NUL; the size needed, NUL included, when `size` is too small; 0 on failure.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
DWORD GetLastError();
void SetLastError(DWORD error);
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, void* arguments);

// kernel32: memory pages. Pages given back with MEM_DECOMMIT fault when
// touched, as on Windows. An allocation that the scripted user was told to
// fail fails (UserScript_FailCall).
LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect);
BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);

// user32 and comdlg32: a terminal message box and a terminal file chooser.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL GetOpenFileNameA(LPOPENFILENAMEA request);

// kernel32 and user32: top-level windows that exist only as records (no
// drawing, no messages), with the activation rules of Windows' window
// manager: each window belongs to the thread that made it, may have an
// owner, is visible or hidden, enabled or disabled; one window per thread is
// active, and one window of all is in the foreground. Destroying the active
// window activates its owner if that is enabled and visible, and otherwise
// the topmost enabled, visible window, which may be another program's
// (StandInWindows.h makes one). Calls that enumerate, enable or activate are
// logged (StandInWindows.h). Child windows are not provided: WS_CHILD makes
// CreateWindowExA fail.
DWORD GetCurrentThreadId();
// `parent` is the owner, as for any top-level window; WS_DISABLED makes it
// disabled; WS_VISIBLE shows it, which activates it (and brings it to the
// foreground if its thread holds the foreground, or nothing does).
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND window);
// The thread's windows in the order made, until `callback` returns FALSE;
// FALSE then, or when the thread has none.
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param);
// Nonzero when the window was disabled before the call (not a success flag).
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL IsWindowVisible(HWND window);
// GW_OWNER alone: the owner, or null.
HWND GetWindow(HWND window, UINT command);
// The thread that made the window, 0 for no window; `processId` gets this
// process's id for its own windows.
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
HWND GetActiveWindow();
HWND GetForegroundWindow();
// Only a window of the calling thread becomes active; any other makes no
// window of the thread active. The foreground follows only when the thread
// holds it already: a thread in the background cannot take it this way.
// Returns the one active before.
HWND SetActiveWindow(HWND window);
}
#endif
