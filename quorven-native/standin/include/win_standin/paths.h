// Stand-in for the kernel's path and string services on Linux (fileapi.h, stringapiset.h,
// errhandlingapi.h): full paths against a scripted current folder, ordinal comparison, and the
// thread's last error.
#pragma once
#pragma GCC system_header

#include "win_standin/base_types.h"

#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INVALID_NAME 123L

extern "C" {
DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer,
                              LPWSTR* lpFilePart);
int WINAPI CompareStringOrdinal(const WCHAR* lpString1, int cchCount1, const WCHAR* lpString2,
                                int cchCount2, BOOL bIgnoreCase);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);
}
