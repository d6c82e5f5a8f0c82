// Where the current user's Start Menu and Desktop folders are: found in the user's own
// hive under HKEY_USERS, picked out by its name, and its "Shell Folders" key.
#pragma once

#include <string>

#include "base/Exceptions.h"
#include "sys/Registry.h"

namespace shell {

ZORVIK_EXCEPTION(ERegistryException, base::Exception);

// The first subkey of HKEY_USERS whose name is longer than 15 bytes and does not contain
// "CLASS" in any letter case, or the empty string.
std::string FindUserKeyName(sys::Registry& registry);

// The string value `valueName` of the key `keyPath` under `root` (one leading "\" of the
// path is dropped), as stored: unexpanded, cut at its first zero byte. Empty when the key
// cannot be opened or the value is missing or empty; ERegistryException when the value
// cannot be read or is not a string.
std::string ReadRegistryString(sys::Registry& registry, sys::RegKey root, const std::string& keyPath,
                               const std::string& valueName);

// The folder stored under `valueName` ("Start Menu", "Desktop", "Programs") in the user's
// "Shell Folders" key, or the empty string.
std::string ReadUserShellFolder(sys::Registry& registry, const std::string& valueName);

}  // namespace shell
