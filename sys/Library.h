// Loading a library by path and calling an entry point of the self-registration shape
// (LoadLibraryA, GetProcAddress, FreeLibrary). Loaded libraries are owned objects, so every
// way out of a caller frees them.
#pragma once

#include "sys/HResult.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sys {

// A 32-bit HRESULT and the two success codes a registration entry point gives.

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
  // The path is passed on unchanged, in the ANSI code page. Null when the file cannot be
  // found or loaded.
  virtual std::unique_ptr<Library> Load(const std::string& path) = 0;
};

// The system's loader.
Libraries& RealLibraries();

}  // namespace sys
