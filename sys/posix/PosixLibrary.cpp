// Shared objects loaded with dlopen and closed with dlclose when their owner goes; the
// self-registration shape is a plain function returning a 32-bit code here.
#include <dlfcn.h>

#include "sys/Library.h"

namespace sys {
namespace {

constexpr uint32_t kErrorModNotFound = 126;

using RawEntryPoint = HResult (*)();

class PosixLibrary final : public Library {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle) {}
  PosixLibrary(const PosixLibrary&) = delete;
  PosixLibrary& operator=(const PosixLibrary&) = delete;
  ~PosixLibrary() override { dlclose(handle_); }
  EntryPoint Find(const std::string& name) override {
    void* address = dlsym(handle_, name.c_str());
    if (!address) return {};
    auto entry = reinterpret_cast<RawEntryPoint>(address);
    return [entry] { return entry(); };
  }

 private:
  void* handle_;
};

class PosixLibraries final : public Libraries {
 public:
  std::unique_ptr<Library> Load(const std::string& path) override {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    return std::make_unique<PosixLibrary>(handle);
  }
  // dlopen gives no code; this is the one the Windows loader gives for a missing module.
  uint32_t LastError() override { return kErrorModNotFound; }
};

}  // namespace

Libraries& RealLibraries() {
  static PosixLibraries libraries;
  return libraries;
}

}  // namespace sys
