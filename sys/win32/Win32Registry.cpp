// The real Win32 registry behind the sys::Registry interface (ANSI calls).
#include <windows.h>

#include "sys/Registry.h"

namespace sys {
namespace {

HKEY ToHkey(RegKey k) { return reinterpret_cast<HKEY>(k); }

class Win32Registry final : public Registry {
 public:
  long OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) override {
    HKEY h = nullptr;
    LONG r = RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &h);
    key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : kNoKey;
    return r;
  }
  long QueryInfoKey(RegKey key, uint32_t& subKeys, uint32_t& maxSubKeyLength) override {
    DWORD count = 0, longest = 0;
    LONG r = RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr);
    subKeys = count;
    maxSubKeyLength = longest;
    return r;
  }
  long EnumKey(RegKey key, uint32_t index, char* name, uint32_t& length) override {
    DWORD n = length;
    LONG r = RegEnumKeyExA(ToHkey(key), index, name, &n, nullptr, nullptr, nullptr, nullptr);
    length = n;
    return r;
  }
  long QueryValue(RegKey key, const std::string& valueName, uint32_t& type, void* data, uint32_t& size) override {
    DWORD t = REG_NONE, n = size;
    LONG r = RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &t, static_cast<BYTE*>(data), &n);
    type = t;
    size = n;
    return r;
  }
  long CloseKey(RegKey key) override { return RegCloseKey(ToHkey(key)); }
};

}  // namespace

Registry& RealRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace sys
