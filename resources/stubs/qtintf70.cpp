// Stand-in for the application's interface library: a real DLL with one export.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall QtIntfVersion() { return 70; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
