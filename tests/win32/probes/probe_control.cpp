// A control whose registration answers what its library probe_dep.dll answers: S_OK from
// the copy in the control's folder, E_FAIL from a planted one.
#include <windows.h>

extern "C" __declspec(dllimport) long ProbeAnswer();

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return ProbeAnswer(); }
