// Resources of the running executable, found by name and type as the payload table gives them.
#include <windows.h>

#include "sys/Resources.h"

namespace sys {
namespace {

class Win32Resources final : public Resources {
 public:
  bool Load(const std::string& name, const std::string& type, const void*& data, uint32_t& size) override {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(self, name.c_str(), type.c_str());
    if (!info) return false;
    HGLOBAL loaded = LoadResource(self, info);
    if (!loaded) return false;
    data = LockResource(loaded);
    size = SizeofResource(self, info);
    return data != nullptr || size == 0;
  }
};

}  // namespace

Resources& OwnResources() {
  static Win32Resources resources;
  return resources;
}

}  // namespace sys
