// Libraries loaded with LoadLibraryA and freed with FreeLibrary when their owner goes;
// entry points found with GetProcAddress.
#include <windows.h>

#include "sys/Library.h"
#include "sys/win32/Handle.h"

namespace sys {
namespace {

using RawEntryPoint = HRESULT(WINAPI*)();

class Win32Library final : public Library {
 public:
  explicit Win32Library(win32::LibraryHandle module) : module_(std::move(module)) {}
  EntryPoint Find(const std::string& name) override {
    FARPROC address = GetProcAddress(module_.Get(), name.c_str());
    if (!address) return {};
    // Through the generic function pointer type: FARPROC's own signature is not the export's.
    auto entry = reinterpret_cast<RawEntryPoint>(reinterpret_cast<void (*)()>(address));
    return [entry] { return static_cast<HResult>(entry()); };
  }

 private:
  win32::LibraryHandle module_;
};

class Win32Libraries final : public Libraries {
 public:
  std::unique_ptr<Library> Load(const std::string& path) override {
    win32::LibraryHandle module(LoadLibraryA(path.c_str()));
    if (!module) return nullptr;
    return std::make_unique<Win32Library>(std::move(module));
  }
};

}  // namespace

Libraries& RealLibraries() {
  static Win32Libraries libraries;
  return libraries;
}

}  // namespace sys
