// Loading a library by path and calling an entry point of the self-registration shape
// (LoadLibraryExA, GetProcAddress, FreeLibrary). Loaded libraries are owned objects, so every
// way out of a caller frees them.
#pragma once

#include "sys/HResult.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sys {

// An exported function taking no arguments and returning an HRESULT (stdcall on Windows).
// Whatever the call raises travels on to the caller.
using EntryPoint = std::function<HResult()>;

// A loaded library; destroying it frees it.
class Library {
 public:
  virtual ~Library() = default;
  // The exported function of that name, or an empty EntryPoint when there is none. Valid
  // only while the library stays loaded.
  virtual EntryPoint Find(const std::string& name) = 0;
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  // A full path, in the ANSI code page: the library's own folder is searched for the
  // libraries it needs, then the system folder. Null when the file cannot be found or loaded,
  // the reason in LastError().
  virtual std::unique_ptr<Library> Load(const std::string& path) = 0;
  virtual uint32_t LastError() = 0;
};

// The system's loader.
Libraries& RealLibraries();

}  // namespace sys
