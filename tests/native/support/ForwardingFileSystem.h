// A file system, and a file, that hand every call to another one, so a test or a fuzz target
// overrides only the calls it watches. Header only, ASCII only: the fuzz targets build it
// with clang.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sys/Files.h"

namespace support {

class ForwardingFile : public sys::File {
 public:
  explicit ForwardingFile(std::unique_ptr<sys::File> inner) : inner_(std::move(inner)) {}
  bool Read(void* b, uint32_t n, uint32_t& done) override { return inner_->Read(b, n, done); }
  bool Write(const void* b, uint32_t n, uint32_t& done) override { return inner_->Write(b, n, done); }
  bool Seek(int64_t o, sys::SeekOrigin from, int64_t& p) override { return inner_->Seek(o, from, p); }
  bool Size(int64_t& size) override { return inner_->Size(size); }
  bool Flush() override { return inner_->Flush(); }
  bool GetLastWriteTime(sys::LocalTime& t) override { return inner_->GetLastWriteTime(t); }
  bool SetLastWriteTime(const sys::LocalTime& t) override { return inner_->SetLastWriteTime(t); }

 private:
  std::unique_ptr<sys::File> inner_;
};

class ForwardingFileSystem : public sys::FileSystem {
 public:
  explicit ForwardingFileSystem(sys::FileSystem& inner = sys::RealFileSystem()) : inner_(inner) {}
  uint32_t GetAttributes(const std::string& p) override { return inner_.GetAttributes(p); }
  bool SetAttributes(const std::string& p, uint32_t a) override { return inner_.SetAttributes(p, a); }
  bool CreateDirectory(const std::string& p) override { return inner_.CreateDirectory(p); }
  std::unique_ptr<sys::File> Open(const std::string& p, sys::Access a, sys::Share s, sys::Disposition d) override {
    return inner_.Open(p, a, s, d);
  }
  bool Copy(const std::string& f, const std::string& t, bool e) override { return inner_.Copy(f, t, e); }
  bool Delete(const std::string& p) override { return inner_.Delete(p); }
  bool Rename(const std::string& f, const std::string& t, bool r) override { return inner_.Rename(f, t, r); }
  bool CommitFile(const std::string& f, const std::string& t, bool r) override { return inner_.CommitFile(f, t, r); }
  bool FreeSpace(const std::string& dir, sys::DiskSpace& space) override { return inner_.FreeSpace(dir, space); }
  uint32_t LastError() override { return inner_.LastError(); }
  std::string ErrorText(uint32_t c) override { return inner_.ErrorText(c); }
  std::string FullPath(const std::string& p) override { return inner_.FullPath(p); }
  bool PathFits(const std::string& p, bool d) override { return inner_.PathFits(p, d); }
  std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override {
    return inner_.FindFiles(dir, pattern);
  }

 private:
  sys::FileSystem& inner_;
};

}  // namespace support
