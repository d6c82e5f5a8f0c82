// Self-registration of a COM server library (a DLL or an ActiveX control file), and the
// install step that registers the control the payload step wrote.
#pragma once

#include <string>

#include "base/Exceptions.h"
#include "install/Window.h"
#include "sys/Files.h"
#include "sys/Library.h"

namespace install {

// The control could not be loaded or did not register itself: the application would not
// work, so the install stops here.
ZORVIK_EXCEPTION(ERegistrationError, base::Exception);

// How one call of a registration entry point ended.
struct Registration {
  enum Outcome { done, notLoaded, noEntryPoint, refused } outcome = notLoaded;
  sys::HResult result = 0;  // what the entry point returned (refused)
  uint32_t loadError = 0;   // the loader's error code (notLoaded)
};

// Loads the library and calls "DllRegisterServer" (or "DllUnregisterServer" when
// `registerServer` is false); only S_OK counts as done. The library is freed on every way
// out once loaded; an error raised by the entry point travels on to the caller.
Registration CallRegistrationEntry(sys::Libraries& libraries, const std::string& path, bool registerServer);

// True only when that entry point ran and returned S_OK.
bool RegisterComServer(sys::Libraries& libraries, const std::string& path, bool registerServer);

// The registration step: the control dir\ttf16.ocx, by its full path, registered. Anything
// short of S_OK from "DllRegisterServer" raises ERegistrationError naming the file; no row
// is marked either way.
void RegisterControl(Window& window, sys::Libraries& libraries, sys::FileSystem& files, const std::string& dir);

}  // namespace install
