// A library loader for tests: libraries are paths with a table of exported entry points;
// loading, look-ups, calls and freeing are logged, and the libraries still loaded counted.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sys/Library.h"

namespace support {

class FakeLibraries : public sys::Libraries {
 public:
  explicit FakeLibraries(std::vector<std::string>& log) : log_(log) {}

  // path -> exported name -> what calling it does (it may throw)
  std::map<std::string, std::map<std::string, sys::EntryPoint>> files;
  int loaded = 0;

  std::unique_ptr<sys::Library> Load(const std::string& path) override {
    log_.push_back("load " + path);
    auto it = files.find(path);
    if (it == files.end()) return nullptr;
    return std::make_unique<Library>(*this, path, it->second);
  }
  // ERROR_MOD_NOT_FOUND, as for a file that is missing or needs a library that is.
  uint32_t LastError() override { return 126; }

 private:
  class Library : public sys::Library {
   public:
    Library(FakeLibraries& owner, std::string path, const std::map<std::string, sys::EntryPoint>& exports)
        : owner_(owner), path_(std::move(path)), exports_(exports) {
      ++owner_.loaded;
    }
    ~Library() override {
      --owner_.loaded;
      owner_.log_.push_back("free " + path_);
    }
    sys::EntryPoint Find(const std::string& name) override {
      owner_.log_.push_back("find " + name);
      auto it = exports_.find(name);
      if (it == exports_.end()) return {};
      return [this, name, entry = it->second] {
        owner_.log_.push_back("call " + name);
        return entry();
      };
    }

   private:
    FakeLibraries& owner_;
    std::string path_;
    std::map<std::string, sys::EntryPoint> exports_;
  };

  std::vector<std::string>& log_;
};

}  // namespace support
