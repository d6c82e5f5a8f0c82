// The shell link boundary: creating the system's shell link object and the few calls made
// on it, with their results as HRESULTs, so a fake can give every outcome.
#pragma once

#include "sys/HResult.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sys {

constexpr bool Failed(HResult hr) { return hr < 0; }

// One shell link object. It stays alive as long as this owner does.
class ShellLink {
 public:
  virtual ~ShellLink() = default;
  // QueryInterface for IShellLinkA, then for IPersistFile; the first failure is returned.
  virtual HResult QueryInterfaces() = 0;
  // IShellLinkA calls; strings in the ANSI code page.
  virtual HResult SetPath(const std::string& target) = 0;
  virtual HResult SetArguments(const std::string& arguments) = 0;
  virtual HResult SetWorkingDirectory(const std::string& directory) = 0;
  // IPersistFile::Save with the path converted to UTF-16, not remembered as the object's file.
  virtual HResult Save(const std::string& linkPath) = 0;
};

class ShellLinks {
 public:
  virtual ~ShellLinks() = default;
  // CoCreateInstance of the shell link class (in-process or local server) asking for
  // IUnknown; `link` is set only on success.
  virtual HResult Create(std::unique_ptr<ShellLink>& link) = 0;
  // The system's message text for a failure code, or empty when it has none.
  virtual std::string ErrorText(HResult hr) = 0;
};

// The system's shell (Windows build only). COM must be initialised on the calling thread.
ShellLinks& RealShellLinks();

}  // namespace sys
