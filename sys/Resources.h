// Resources of the program's own module: the payload travels inside the executable.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

class Resources {
 public:
  virtual ~Resources() = default;
  // Finds and loads a resource by name and type (case-insensitive, as the resource
  // directory stores both upper-cased). The bytes stay valid for the module's lifetime.
  virtual bool Load(const std::string& name, const std::string& type, const void*& data, uint32_t& size) = 0;
};

// The running program's own resources (the Windows build only).
Resources& OwnResources();

}  // namespace sys
