// Libraries loaded by full path with LoadLibraryExA, their own folder searched for their
// dependencies, and freed with FreeLibrary when their owner goes; entry points found with
// GetProcAddress. Also the process's search order for libraries named without a path.
#include <windows.h>

#include "sys/Library.h"
#include "sys/win32/Handle.h"
#include "sys/win32/LibrarySearch.h"

namespace sys {
namespace {

using RawEntryPoint = HRESULT(WINAPI*)();

// An export of kernel32 that older systems lack, so it is looked up rather than imported:
// an import would keep the program from starting there.
template <typename Function>
Function Kernel32Export(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  FARPROC address = kernel ? GetProcAddress(kernel, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

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
    // The library's folder, then the system folder; not the default directories, which
    // include the program's own folder.
    win32::LibraryHandle module(
        LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    // A loader without those flags refuses them as an invalid parameter; the older flag
    // still puts the library's folder in place of the program's.
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
      module = win32::LibraryHandle(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
      lastError_ = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32Library>(std::move(module));
  }
  uint32_t LastError() override { return lastError_; }

 private:
  uint32_t lastError_ = 0;
};

}  // namespace

Libraries& RealLibraries() {
  static Win32Libraries libraries;
  return libraries;
}

namespace win32 {

bool SearchSystemFolderOnly() {
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  using SetDirectory = BOOL(WINAPI*)(LPCSTR);
  if (auto set = Kernel32Export<SetDefaultDirectories>("SetDefaultDllDirectories"))
    if (set(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  // An empty string takes the current directory out of the search order.
  if (auto set = Kernel32Export<SetDirectory>("SetDllDirectoryA")) return set("") != FALSE;
  return false;
}

}  // namespace win32
}  // namespace sys
