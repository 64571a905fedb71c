// What the answering ends of the scripted user share: the platform's
// stand-ins on Linux and the import-table hooks on Windows hand each call
// to these, together with the function that shows the real thing.
#pragma once

#include "Win32Api.h"

/// A function that shows a message box for real.
using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
/// A function that shows an open-file dialog for real.
using OpenFileNameFunction = BOOL(WINAPI*)(LPOPENFILENAMEA request);
/// A function that reads a file for real.
using ReadFileFunction = decltype(&::ReadFile);

/// Records the box, then answers it by the script: IDOK, or `real`'s answer
/// under pass-through.
int UserScript_ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style,
                              MessageBoxFunction real);

/// Records the request, then answers it with the next queued answer, or,
/// when nothing is queued, cancels it or hands it to `real` under
/// pass-through.
BOOL UserScript_ShowOpenFileName(LPOPENFILENAMEA request, OpenFileNameFunction real);

/// Counts the read; the one that UserScript_FailRead picked fails, reading
/// nothing, with a read fault as the last error. Every other goes to `real`.
BOOL UserScript_ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                         LPOVERLAPPED overlapped, ReadFileFunction real);

/// A function that queries a file's size for real.
using FileSizeFunction = decltype(&::GetFileSize);
/// A function that allocates pages for real.
using VirtualAllocFunction = decltype(&::VirtualAlloc);

/// Counts the query; the one that UserScript_FailCall picked fails. Every
/// other goes to `real`, its size raised by UserScript_OverstateFileSize.
DWORD UserScript_GetFileSize(HANDLE file, LPDWORD sizeHigh, FileSizeFunction real);

/// Counts the allocation; the one that UserScript_FailCall picked fails.
/// Every other goes to `real`.
LPVOID UserScript_VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect,
                               VirtualAllocFunction real);

#ifndef _WIN32
/// True once a module has been attached: the stand-ins then consult the script.
bool UserScript_IsOn();
#endif
