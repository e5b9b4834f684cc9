// Stand-in for the process queries on Linux (processthreadsapi.h, winbase.h, handleapi.h).
#pragma once
#pragma GCC system_header

#include "win_standin/base_types.h"

typedef DWORD* PDWORD;

#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000

extern "C" {
HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);
BOOL WINAPI QueryFullProcessImageNameW(HANDLE hProcess, DWORD dwFlags, LPWSTR lpExeName,
                                       PDWORD lpdwSize);
BOOL WINAPI CloseHandle(HANDLE hObject);
}
