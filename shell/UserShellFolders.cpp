// The user shell folder lookup over the registry interface; every key it opens is closed
// on the way out, an exception included.
#include "shell/UserShellFolders.h"

#include <algorithm>
#include <vector>

#include "base/Ansi.h"

namespace shell {
namespace {

// Shorter names are the well-known accounts (.DEFAULT, S-1-5-18, ...), not a user's hive.
constexpr std::size_t kMaxSkippedNameLength = 15;

// The user's "_Classes" hive sits beside the user's own and must not be taken for it.
constexpr const char* kExcludedText = "class";

constexpr const char* kShellFoldersPath = "\\Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::vector<std::string> SubKeyNames(sys::Registry& registry, sys::RegKey key) {
  std::vector<std::string> names;
  uint32_t count = 0, longest = 0;
  if (registry.QueryInfoKey(key, count, longest) != sys::kRegSuccess) return names;
  std::vector<char> buffer(std::size_t{longest} + 1);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = static_cast<uint32_t>(buffer.size());
    long r = registry.EnumKey(key, i, buffer.data(), length);
    // A key removed since the count was taken ends the list early.
    if (r == sys::kRegNoMoreItems) break;
    if (r != sys::kRegSuccess) continue;
    names.emplace_back(buffer.data(), std::min<std::size_t>(length, buffer.size()));
  }
  return names;
}

bool IsUserKeyName(const std::string& name) {
  if (name.size() <= kMaxSkippedNameLength) return false;
  return base::UpperAscii(name).find(base::UpperAscii(kExcludedText)) == std::string::npos;
}

}  // namespace

std::string FindUserKeyName(sys::Registry& registry) {
  sys::RegKey users = sys::kNoKey;
  if (registry.OpenKey(sys::kHkeyUsers, "", sys::kKeyAllAccess, users) != sys::kRegSuccess) return std::string();
  sys::ScopedKey usersKey(registry, users);
  for (const std::string& name : SubKeyNames(registry, usersKey.Get()))
    if (IsUserKeyName(name)) return name;
  return std::string();
}

std::string ReadRegistryString(sys::Registry& registry, sys::RegKey root, const std::string& keyPath,
                               const std::string& valueName) {
  std::string path = !keyPath.empty() && keyPath[0] == '\\' ? keyPath.substr(1) : keyPath;
  sys::RegKey opened = sys::kNoKey;
  if (registry.OpenKey(root, path, sys::kKeyAllAccess, opened) != sys::kRegSuccess) return std::string();
  sys::ScopedKey key(registry, opened);

  uint32_t type = sys::kRegNone, size = 0;
  if (registry.QueryValue(key.Get(), valueName, type, nullptr, size) != sys::kRegSuccess || size == 0)
    return std::string();

  std::vector<char> data(size);
  uint32_t stored = size;
  if (registry.QueryValue(key.Get(), valueName, type, data.data(), stored) != sys::kRegSuccess)
    throw ERegistryException(base::Format("从 '%s' 获得数据失败", valueName.c_str()));
  // The type is judged on what the read returned, not on the first query's answer.
  if (type != sys::kRegSz && type != sys::kRegExpandSz)
    throw ERegistryException(base::Format("'%s' 的数据类型是无效的", valueName.c_str()));

  std::size_t length = std::min<std::size_t>(stored, data.size());
  std::string text(data.data(), length);
  return text.substr(0, text.find('\0'));
}

std::string ReadUserShellFolder(sys::Registry& registry, const std::string& valueName) {
  return ReadRegistryString(registry, sys::kHkeyUsers, FindUserKeyName(registry) + kShellFoldersPath, valueName);
}

}  // namespace shell
