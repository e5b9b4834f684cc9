// Stand-in for the process heap on Linux (heapapi.h).
#pragma once
#pragma GCC system_header

#include "win_standin/base_types.h"

#define HEAP_ZERO_MEMORY 0x00000008

extern "C" {
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
}
