// Fuzz target for the archive reader and the whole extraction: byte 0 picks the settings
// (sort order, recovery mode, paths, password), the rest is the archive file. Every entry is
// decoded into an in-memory file system; built with ZORVIK_FUZZING the CRC check is skipped
// so that the success path (rename, attributes, events) is reached as well.
#include <cstring>
#include <map>
#include <string>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "tests/fuzz/QuietUi.h"
#include "zip/ZipExtractor.h"

namespace {

constexpr char kArchive[] = "c:\\in.zip";

class MemoryFile final : public sys::File {
 public:
  MemoryFile(std::string* data, bool readOnly) : data_(data), readOnly_(readOnly) {}
  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    size_t left = pos_ < data_->size() ? data_->size() - pos_ : 0;
    done = static_cast<uint32_t>(count < left ? count : left);
    std::memcpy(buffer, data_->data() + pos_, done);
    pos_ += done;
    return true;
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    // Keep memory bounded: outputs are counted, not kept past 1 MB.
    if (readOnly_ || data_->size() > (1u << 20)) return !readOnly_ && (done = count, true);
    if (data_->size() < pos_ + count) data_->resize(pos_ + count);
    std::memcpy(data_->data() + pos_, buffer, count);
    pos_ += count;
    done = count;
    return true;
  }
  bool Seek(int64_t offset, sys::SeekOrigin origin, int64_t& position) override {
    int64_t base = origin == sys::SeekOrigin::begin ? 0
                   : origin == sys::SeekOrigin::current ? static_cast<int64_t>(pos_)
                                                        : static_cast<int64_t>(data_->size());
    if (base + offset < 0) return false;
    pos_ = static_cast<size_t>(base + offset);
    position = base + offset;
    return true;
  }
  bool Size(int64_t& size) override {
    size = static_cast<int64_t>(data_->size());
    return true;
  }
  bool Flush() override { return true; }
  bool GetLastWriteTime(sys::LocalTime& t) override {
    t = {2020, 1, 1, 0, 0, 0, 0};
    return true;
  }
  bool SetLastWriteTime(const sys::LocalTime&) override { return true; }

 private:
  std::string* data_;
  bool readOnly_;
  size_t pos_ = 0;
};

class MemoryFileSystem final : public sys::FileSystem {
 public:
  std::map<std::string, std::string> files;
  uint32_t GetAttributes(const std::string& path) override {
    if (files.count(path)) return sys::kAttrArchive;
    return path.rfind("c:\\out", 0) == 0 && path.find('.') == std::string::npos ? sys::kAttrDirectory
                                                                                 : sys::kInvalidAttributes;
  }
  bool SetAttributes(const std::string&, uint32_t) override { return true; }
  bool CreateDirectory(const std::string&) override { return true; }
  std::unique_ptr<sys::File> Open(const std::string& path, sys::Access access, sys::Share,
                                  sys::Disposition disposition) override {
    if (access == sys::Access::read) {
      auto it = files.find(path);
      if (it == files.end()) return nullptr;
      return std::make_unique<MemoryFile>(&it->second, true);
    }
    if (disposition == sys::Disposition::createNew && files.count(path)) return nullptr;
    files[path].clear();
    return std::make_unique<MemoryFile>(&files[path], false);
  }
  bool Copy(const std::string&, const std::string&, bool) override { return false; }
  bool Delete(const std::string& path) override { return files.erase(path) > 0; }
  bool Rename(const std::string& from, const std::string& to, bool) override {
    auto it = files.find(from);
    if (it == files.end()) return false;
    files[to] = std::move(it->second);
    files.erase(from);
    return true;
  }
  uint32_t LastError() override { return sys::kErrorFileNotFound; }
  std::string ErrorText(uint32_t) override { return "not found"; }
  std::string FullPath(const std::string& path) override { return path; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t options = data[0];
  MemoryFileSystem fs;
  fs.files[kArchive] = std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  fuzz::QuietUi ui;
  zip::TZipExtractor z(fs, ui);
  z.SetZipName(kArchive);
  z.SetDestDir("c:\\out");
  z.SetSortMode(static_cast<zip::TZipSortMode>(options & 7));
  z.SetIncompleteZipMode((options & 8) ? zip::izAssumeBad : zip::izAssumeNotAZip);
  z.SetRecreateDirs((options & 16) != 0);
  z.SetPassword((options & 32) ? "Secret42" : "");
  z.SetOverwriteMode(zip::Always);
  z.SetDoAll(true);
  // A split set would ask for files that are not there; the refusal is a normal outcome.
  z.OnGetNextDisk = [](zip::TZipExtractor&, int, std::string& name) { name.clear(); };
  try {
    z.OpenZip();
    for (int i = 0; i < z.Count(); ++i) {
      (void)z.FileComment(i);
      (void)z.Filename(i);
    }
    (void)z.ZipComment();
    z.UnZip();
  } catch (const base::Exception&) {
  }
  return 0;
}
