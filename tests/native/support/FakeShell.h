// Fakes of the folder and shell link services for the shortcut maker's tests. Both write
// what happens to one shared journal, so a test can check the order of folder creations,
// link saves and link releases.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Ansi.h"
#include "sys/Files.h"
#include "sys/ShellLink.h"

namespace support {

using Journal = std::vector<std::string>;

// Folders only: a creation makes one level and fails when the folder exists or its parent
// does not, as CreateDirectoryA does.
class FakeFolderDisk final : public sys::FileSystem {
 public:
  explicit FakeFolderDisk(Journal& journal) : journal_(journal) {}
  void AddFolder(const std::string& path) { folders_.insert(path); }
  bool Has(const std::string& path) const { return folders_.count(path) != 0; }

  uint32_t GetAttributes(const std::string& path) override {
    return Has(path) ? sys::kAttrDirectory : sys::kInvalidAttributes;
  }
  bool CreateDirectory(const std::string& path) override {
    journal_.push_back("mkdir " + path);
    std::string parent = base::ExcludeTrailingBackslash(base::ExtractFilePath(path));
    if (path.empty() || Has(path) || (!parent.empty() && !Has(parent))) return false;
    folders_.insert(path);
    return true;
  }
  bool SetAttributes(const std::string&, uint32_t) override { return false; }
  std::unique_ptr<sys::File> Open(const std::string&, sys::Access, sys::Share, sys::Disposition) override {
    return nullptr;
  }
  bool Copy(const std::string&, const std::string&, bool) override { return false; }
  bool Delete(const std::string&) override { return false; }
  bool Rename(const std::string&, const std::string&, bool) override { return false; }
  uint32_t LastError() override { return sys::kErrorPathNotFound; }
  std::string ErrorText(uint32_t) override { return std::string(); }
  std::string FullPath(const std::string& path) override { return path; }

 private:
  Journal& journal_;
  std::set<std::string> folders_;
};

struct SavedLink {
  std::string path;
  std::optional<std::string> target, arguments, workingDirectory;
};

class FakeShellLinks final : public sys::ShellLinks {
 public:
  explicit FakeShellLinks(Journal& journal) : journal_(journal) {}

  // Failures to give: the creation with this 1-based number, the interface queries of
  // every link, the saves.
  int failCreationNumber = 0;
  sys::HResult creationResult = sys::kClassNotRegistered;
  sys::HResult queryResult = sys::kSOk;
  sys::HResult saveResult = sys::kSOk;
  std::string errorText;

  std::vector<SavedLink> saved;
  int live = 0;
  // Set when a link was used without both interfaces in hand, which would crash the real one.
  bool misused = false;

  sys::HResult Create(std::unique_ptr<sys::ShellLink>& link) override {
    if (++creations_ == failCreationNumber) return creationResult;
    link = std::make_unique<Link>(*this);
    return sys::kSOk;
  }
  std::string ErrorText(sys::HResult) override { return errorText; }

 private:
  class Link final : public sys::ShellLink {
   public:
    explicit Link(FakeShellLinks& owner) : owner_(owner) { ++owner_.live; }
    ~Link() override {
      --owner_.live;
      owner_.journal_.push_back("release " + link_.path);
    }
    sys::HResult QueryInterfaces() override {
      ready_ = !sys::Failed(owner_.queryResult);
      return owner_.queryResult;
    }
    sys::HResult SetPath(const std::string& s) override { return Set(link_.target, s); }
    sys::HResult SetArguments(const std::string& s) override { return Set(link_.arguments, s); }
    sys::HResult SetWorkingDirectory(const std::string& s) override { return Set(link_.workingDirectory, s); }
    sys::HResult Save(const std::string& path) override {
      if (!Ready()) return sys::kEFail;
      link_.path = path;
      owner_.journal_.push_back("save " + path);
      if (sys::Failed(owner_.saveResult)) return owner_.saveResult;
      owner_.saved.push_back(link_);
      return sys::kSOk;
    }

   private:
    bool Ready() {
      if (!ready_) owner_.misused = true;
      return ready_;
    }
    sys::HResult Set(std::optional<std::string>& field, const std::string& s) {
      if (!Ready()) return sys::kEFail;
      field = s;
      return sys::kSOk;
    }
    FakeShellLinks& owner_;
    SavedLink link_;
    bool ready_ = false;
  };

  Journal& journal_;
  int creations_ = 0;
};

}  // namespace support
