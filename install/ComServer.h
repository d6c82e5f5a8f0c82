// Self-registration of a COM server library (a DLL or an ActiveX control file), and the
// install step that registers the control the payload step wrote.
#pragma once

#include <string>

#include "install/Window.h"
#include "sys/Library.h"

namespace install {

// Loads the library and calls "DllRegisterServer" (or "DllUnregisterServer" when
// `registerServer` is false). True only when that entry point ran and returned S_OK. The
// library is freed on every way out once loaded; an error raised by the entry point travels
// on to the caller.
bool RegisterComServer(sys::Libraries& libraries, const std::string& path, bool registerServer);

// The registration step: dir\ttf16.ocx, registered; the outcome is not looked at and no row
// is marked.
void RegisterControl(Window& window, sys::Libraries& libraries);

}  // namespace install
