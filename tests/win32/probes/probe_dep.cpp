// A library that a control needs and finds in its own folder, as real controls do.
#include <windows.h>

extern "C" __declspec(dllexport) long ProbeAnswer() { return S_OK; }
