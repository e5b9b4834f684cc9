// Entry point of the DLLs. They have no static constructors and no runtime to start, so
// attaching and detaching need no work.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI quorven_dll_entry(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
