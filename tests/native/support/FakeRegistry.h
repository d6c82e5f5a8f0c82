// An in-memory registry under HKEY_USERS for tests: keys enumerate in the order they were
// added, values can have any type and size, and a value's second read can be made to fail.
// It rejects what the real registry rejects (a path with an empty part, a short buffer) and
// keeps count of the handles still open.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/Ansi.h"
#include "sys/Registry.h"

namespace support {

class FakeRegistry final : public sys::Registry {
 public:
  struct Value {
    uint32_t type = sys::kRegSz;
    std::string data;
    long readResult = sys::kRegSuccess;  // result of the read that fetches the data
  };

  // Adds the key at `path` (parts separated by "\") and its parents.
  void AddKey(const std::string& path) {
    std::string parent;
    for (const std::string& part : Split(path)) {
      std::string key = parent.empty() ? part : parent + "\\" + part;
      if (!keys_.count(Id(key))) {
        keys_[Id(key)] = {};
        keys_[Id(parent)].children.push_back(part);
      }
      parent = key;
    }
  }
  void SetValue(const std::string& path, const std::string& name, Value value) {
    AddKey(path);
    keys_[Id(path)].values[Id(name)] = std::move(value);
  }
  void SetString(const std::string& path, const std::string& name, const std::string& text) {
    SetValue(path, name, {sys::kRegSz, text + '\0'});
  }
  void SetRootOpenable(bool openable) { rootOpenable_ = openable; }

  std::size_t OpenHandles() const { return open_.size(); }
  // Whether every open asked for KEY_ALL_ACCESS and every close named an open handle.
  bool CallsWereWellFormed() const { return wellFormed_; }
  // Value names in the order their first (size) query came.
  const std::vector<std::string>& ValueQueries() const { return valueQueries_; }

  long OpenKey(sys::RegKey parent, const std::string& subKey, uint32_t access, sys::RegKey& key) override {
    key = sys::kNoKey;
    if (access != sys::kKeyAllAccess) wellFormed_ = false;
    std::string path;
    if (parent == sys::kHkeyUsers) {
      if (subKey.empty() && !rootOpenable_) return sys::kRegAccessDenied;
    } else if (open_.count(parent)) {
      path = open_[parent];
    } else {
      return kInvalidHandle;
    }
    if (!subKey.empty()) {
      // The registry refuses a path with an empty part, a leading "\" included.
      for (const std::string& part : Split(subKey))
        if (part.empty()) return kBadPathname;
      path = path.empty() ? subKey : path + "\\" + subKey;
    }
    if (!keys_.count(Id(path))) return sys::kRegFileNotFound;
    key = nextHandle_++;
    open_[key] = path;
    return sys::kRegSuccess;
  }

  long QueryInfoKey(sys::RegKey key, uint32_t& subKeys, uint32_t& maxSubKeyLength) override {
    const Key* k = Find(key);
    if (!k) return kInvalidHandle;
    subKeys = static_cast<uint32_t>(k->children.size());
    maxSubKeyLength = 0;
    for (const std::string& c : k->children)
      maxSubKeyLength = std::max(maxSubKeyLength, static_cast<uint32_t>(c.size()));
    return sys::kRegSuccess;
  }

  long EnumKey(sys::RegKey key, uint32_t index, char* name, uint32_t& length) override {
    const Key* k = Find(key);
    if (!k) return kInvalidHandle;
    if (index >= k->children.size()) return sys::kRegNoMoreItems;
    const std::string& child = k->children[index];
    if (child.size() + 1 > length) return sys::kRegMoreData;
    std::memcpy(name, child.c_str(), child.size() + 1);
    length = static_cast<uint32_t>(child.size());
    return sys::kRegSuccess;
  }

  long QueryValue(sys::RegKey key, const std::string& valueName, uint32_t& type, void* data, uint32_t& size) override {
    const Key* k = Find(key);
    if (!k) return kInvalidHandle;
    if (!data) valueQueries_.push_back(valueName);
    auto v = k->values.find(Id(valueName));
    if (v == k->values.end()) return sys::kRegFileNotFound;
    if (data && v->second.readResult != sys::kRegSuccess) return v->second.readResult;
    uint32_t needed = static_cast<uint32_t>(v->second.data.size());
    type = v->second.type;
    if (data) {
      if (size < needed) {
        size = needed;
        return sys::kRegMoreData;
      }
      std::memcpy(data, v->second.data.data(), needed);
    }
    size = needed;
    return sys::kRegSuccess;
  }

  long CloseKey(sys::RegKey key) override {
    if (open_.erase(key) == 0) {
      wellFormed_ = false;
      return kInvalidHandle;
    }
    return sys::kRegSuccess;
  }

 private:
  static constexpr long kInvalidHandle = 6;
  static constexpr long kBadPathname = 161;

  struct Key {
    std::vector<std::string> children;  // enumeration order
    std::map<std::string, Value> values;
  };

  // Registry names compare without regard to ASCII letter case.
  static std::string Id(const std::string& name) { return base::UpperAscii(name); }
  static std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
      // A GBK trail byte of 0x5C is part of its character, not a separator.
      if (base::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
        parts.back() += path.substr(i++, 2);
      else if (path[i] == '\\')
        parts.emplace_back();
      else
        parts.back() += path[i];
    }
    return parts;
  }
  const Key* Find(sys::RegKey key) const {
    auto h = open_.find(key);
    if (h == open_.end()) return nullptr;
    return &keys_.at(Id(h->second));
  }

  std::map<std::string, Key> keys_{{"", {}}};
  std::map<sys::RegKey, std::string> open_;
  sys::RegKey nextHandle_ = 0x100;
  bool rootOpenable_ = true;
  bool wellFormed_ = true;
  std::vector<std::string> valueQueries_;
};

}  // namespace support
