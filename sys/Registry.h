// The registry boundary: the handful of Win32 registry calls the shell folder lookup relies
// on, with their results as Win32 error codes, so a fake can give every outcome.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

// A key handle as the registry gives it; predefined roots have fixed values.
using RegKey = uintptr_t;
constexpr RegKey kNoKey = 0;
constexpr RegKey kHkeyUsers = 0x80000003u;

constexpr uint32_t kKeyAllAccess = 0xF003F;

constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// Results of the calls, by value as Win32 defines them.
constexpr long kRegSuccess = 0;
constexpr long kRegFileNotFound = 2;
constexpr long kRegAccessDenied = 5;
constexpr long kRegMoreData = 234;
constexpr long kRegNoMoreItems = 259;

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA with options 0; an empty sub-key opens a new handle to `parent` itself.
  virtual long OpenKey(RegKey parent, const std::string& subKey, uint32_t access, RegKey& key) = 0;
  // RegQueryInfoKeyA: the number of subkeys and the longest subkey name, in bytes without
  // its terminating zero.
  virtual long QueryInfoKey(RegKey key, uint32_t& subKeys, uint32_t& maxSubKeyLength) = 0;
  // RegEnumKeyExA: `length` holds the buffer size (terminating zero included) on entry and
  // the name's length (without it) on success; kRegMoreData when the buffer is too small.
  virtual long EnumKey(RegKey key, uint32_t index, char* name, uint32_t& length) = 0;
  // RegQueryValueExA: with `data` null only `type` and `size` are given; otherwise `size`
  // holds the buffer size on entry and the bytes stored on success.
  virtual long QueryValue(RegKey key, const std::string& valueName, uint32_t& type, void* data, uint32_t& size) = 0;
  virtual long CloseKey(RegKey key) = 0;
};

// Owns one opened key and closes it on every way out.
class ScopedKey {
 public:
  ScopedKey(Registry& registry, RegKey key) : registry_(registry), key_(key) {}
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() { /* result not examined */
    registry_.CloseKey(key_);
  }
  RegKey Get() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_;
};

// The system registry (Windows build only: a native host has none).
Registry& RealRegistry();

}  // namespace sys
