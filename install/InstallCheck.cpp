// The check before the first write: paths, files in the way, room on the drive.
#include "install/InstallCheck.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/Backup.h"
#include "install/Installer.h"
#include "install/SafeFiles.h"
#include "install/Texts.h"
#include "zip/ZipExtractor.h"

namespace install {
namespace {

// A list names this many files; the count says the rest.
constexpr size_t kFilesNamed = 10;

constexpr const char kArchivePath[] = "report.zip";

// The archive payload as a read-only file of its own, so the extractor can read its
// directory before anything is on the disk.
class ArchiveBytes final : public sys::File {
 public:
  ArchiveBytes(const void* data, uint32_t size) : data_(static_cast<const char*>(data)), size_(size) {}
  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = static_cast<uint32_t>(std::min<uint64_t>(count, pos_ < size_ ? size_ - pos_ : 0));
    if (done) std::memcpy(buffer, data_ + pos_, done);
    pos_ += done;
    return true;
  }
  bool Write(const void*, uint32_t, uint32_t& done) override { return (done = 0), false; }
  bool Seek(int64_t offset, sys::SeekOrigin origin, int64_t& position) override {
    int64_t from = origin == sys::SeekOrigin::begin     ? 0
                   : origin == sys::SeekOrigin::current ? static_cast<int64_t>(pos_)
                                                        : static_cast<int64_t>(size_);
    if (from + offset < 0) return false;
    pos_ = static_cast<uint64_t>(from + offset);
    position = from + offset;
    return true;
  }
  bool Size(int64_t& size) override { return (size = size_), true; }
  bool Flush() override { return true; }
  bool GetLastWriteTime(sys::LocalTime& time) override { return (time = {1980, 1, 1, 0, 0, 0, 0}), true; }
  bool SetLastWriteTime(const sys::LocalTime&) override { return false; }

 private:
  const char* data_;
  uint64_t size_;
  uint64_t pos_ = 0;
};

class ArchiveOnly final : public sys::FileSystem {
 public:
  ArchiveOnly(const void* data, uint32_t size) : data_(data), size_(size) {}
  uint32_t GetAttributes(const std::string& path) override {
    return path == kArchivePath ? sys::kAttrArchive : sys::kInvalidAttributes;
  }
  bool SetAttributes(const std::string&, uint32_t) override { return false; }
  bool CreateDirectory(const std::string&) override { return false; }
  std::unique_ptr<sys::File> Open(const std::string& path, sys::Access access, sys::Share,
                                  sys::Disposition disposition) override {
    if (path != kArchivePath || access != sys::Access::read || disposition != sys::Disposition::openExisting)
      return nullptr;
    return std::make_unique<ArchiveBytes>(data_, size_);
  }
  bool Copy(const std::string&, const std::string&, bool) override { return false; }
  bool Delete(const std::string&) override { return false; }
  bool Rename(const std::string&, const std::string&, bool) override { return false; }
  uint32_t LastError() override { return sys::kErrorFileNotFound; }
  std::string ErrorText(uint32_t) override { return {}; }
  std::string FullPath(const std::string& path) override { return path; }

 private:
  const void* data_;
  uint32_t size_;
};

// Asks nothing and shows nothing; names are converted as the window's extractor converts
// them, so the templates are named here as they will be on the disk.
class Unattended final : public sys::UserInterface {
 public:
  void ProcessMessages() override {}
  int ShowMessageBox(const std::string&, const std::string&, uint32_t) override { return sys::kIdCancel; }
  sys::Cursor SetCursor(sys::Cursor cursor) override { return cursor; }
  bool OpenFileDialog(const sys::OpenFileRequest&, std::string&) override { return false; }
  bool SelectDirectory(std::string&) override { return false; }
  std::string OemToAnsi(const std::string& text) override { return sys::RealUserInterface().OemToAnsi(text); }
  uint32_t DriveType(const std::string&) override { return sys::kDriveFixed; }
  bool VolumeLabel(const std::string&, std::string&) override { return false; }
};

const Payload& PayloadOf(const char* file) {
  return *std::find_if(std::begin(kPayloads), std::end(kPayloads),
                       [&](const Payload& p) { return std::strcmp(p.file, file) == 0; });
}

uint64_t PayloadSize(sys::Resources& resources, const Payload& payload) {
  const void* data = nullptr;
  uint32_t size = 0;
  return resources.Load(payload.name, payload.type, data, size) ? size : 0;
}

// 0 for a file that is not there or cannot be opened: nothing of it is counted as freed.
uint64_t ExistingSize(sys::FileSystem& files, const std::string& path) {
  if (!sys::FileExists(files, path)) return 0;
  auto file = files.Open(path, sys::Access::read, sys::Share::readWrite, sys::Disposition::openExisting);
  int64_t size = 0;
  return file && file->Size(size) && size > 0 ? static_cast<uint64_t>(size) : 0;
}

std::string QuotedList(sys::FileSystem& files, const std::vector<std::string>& paths) {
  std::string list;
  for (size_t i = 0; i < paths.size() && i < kFilesNamed; ++i)
    list += (i ? "、\"" : "\"") + files.FullPath(paths[i]) + "\"";
  if (paths.size() > kFilesNamed) list += base::Format(text::kMoreFiles, static_cast<int>(paths.size()));
  return list;
}

// Sizes as a person reads them; the needed rounded up and the free down, so that what is
// shown never looks enough when it is not.
std::string Amount(uint64_t bytes, bool up) {
  if (bytes < 1024) return base::Format("%u 字节", static_cast<unsigned>(bytes));
  const uint64_t unit = bytes < (uint64_t{1} << 20) ? 1024 : uint64_t{1} << 20;
  const uint64_t tenths = (bytes * 10 + (up ? unit - 1 : 0)) / unit;
  return base::Format(unit == 1024 ? "%llu.%llu KB" : "%llu.%llu MB", static_cast<unsigned long long>(tenths / 10),
                      static_cast<unsigned long long>(tenths % 10));
}

}  // namespace

std::vector<ReportTemplate> ListReportTemplates(sys::Resources& resources) {
  const Payload& archive = PayloadOf("report.zip");
  const void* data = nullptr;
  uint32_t size = 0;
  if (!resources.Load(archive.name, archive.type, data, size)) return {};
  ArchiveOnly files(data, size);
  Unattended ui;
  zip::TZipExtractor reader(files, ui);
  reader.SetIncompleteZipMode(zip::izAssumeBad);
  std::vector<ReportTemplate> templates;
  try {
    reader.SetZipName(kArchivePath);
    reader.ReadZip();
    for (int i = 0; i < reader.Count(); ++i) {
      const zip::TZipEntryInfo& entry = reader.Entry(i);
      if (!entry.FileName().empty())
        templates.push_back({entry.FileName(), static_cast<uint32_t>(entry.UncompressedSize)});
    }
  } catch (const base::Exception&) {
    return {};  // the templates step meets the same archive and names its fault
  }
  return templates;
}

void CheckPathsFit(sys::FileSystem& files, const std::string& dir, const std::vector<ReportTemplate>& templates) {
  // Stamps have a fixed width, so any moment's names stand for all; so do the temporaries'.
  const std::string stamp = BackupTimeStamp(sys::LocalTime{});
  const std::string report = InFolder(dir, "report");
  std::vector<std::pair<std::string, bool>> paths = {
      {InFolder(dir, stamp + "db.mdb"), false},       {InFolder(dir, stamp + "login.dat"), false},
      {InFolder(dir, TemporaryName(0)), false},       {report, true},
      {InFolder(report, kExtractorTemporary), false},
  };
  for (const Payload& p : kPayloads) paths.push_back({InFolder(dir, p.file), false});
  for (const ReportTemplate& t : templates) paths.push_back({InFolder(report, t.name), false});
  for (const auto& [path, directory] : paths)
    if (!files.PathFits(path, directory)) throw base::EInstallCheck(base::Format(text::kDirectoryTooLong, dir.c_str()));
}

void CheckReplaceable(sys::FileSystem& files, const std::string& dir, const std::vector<ReportTemplate>& templates) {
  std::vector<std::string> targets;
  for (const Payload& p : kPayloads) targets.push_back(InFolder(dir, p.file));
  const size_t payloads = targets.size();
  for (const ReportTemplate& t : templates) targets.push_back(InFolder(InFolder(dir, "report"), t.name));

  std::vector<std::string> folders, readOnly, held;
  std::string refused;
  for (size_t i = 0; i < targets.size(); ++i) {
    const std::string& path = targets[i];
    uint32_t a = files.GetAttributes(path);
    if (a == sys::kInvalidAttributes) continue;
    if (a & sys::kAttrDirectory) {
      folders.push_back(path);
    } else if (a & sys::kAttrReadOnly) {
      if (i < payloads) readOnly.push_back(path);
    } else if (!files.Open(path, sys::Access::write, sys::Share::none, sys::Disposition::openExisting)) {
      // Opening it as the replacing will is refused for the same reasons, and changes nothing.
      uint32_t code = files.LastError();
      if (code == sys::kErrorSharingViolation || code == sys::kErrorLockViolation)
        held.push_back(path);
      else if (refused.empty())
        refused = base::Format(text::kFileRefused, files.FullPath(path).c_str(),
                               base::SystemReason(files.ErrorText(code)).c_str());
    }
  }
  std::string message;
  auto add = [&](const char* format, const std::vector<std::string>& paths) {
    if (!paths.empty())
      message += (message.empty() ? "" : "\n") + base::Format(format, QuotedList(files, paths).c_str());
  };
  add(text::kFilesHeld, held);
  add(text::kFilesReadOnly, readOnly);
  add(text::kFoldersInTheWay, folders);
  if (!refused.empty()) message += (message.empty() ? "" : "\n") + refused;
  if (!message.empty()) throw base::EInstallCheck(message);
}

void CheckRoom(sys::FileSystem& files, sys::Resources& resources, const std::string& dir,
               const std::vector<ReportTemplate>& templates) {
  sys::DiskSpace space;
  if (!files.FreeSpace(dir, space)) return;  // the writes will tell
  const uint64_t cluster = space.clusterBytes ? space.clusterBytes : 1;
  auto onDisk = [&](uint64_t bytes) { return (bytes + cluster - 1) / cluster * cluster; };
  // The install's use of the drive, step by step, and the most it reaches.
  uint64_t used = 0, most = 0;
  auto take = [&](uint64_t bytes) { most = std::max(most, used += onDisk(bytes)); };
  auto give = [&](uint64_t bytes) { used -= std::min(used, onDisk(bytes)); };
  auto replace = [&](const std::string& path, uint64_t bytes) {
    take(bytes);  // the new file whole under its temporary, then over the old one
    give(ExistingSize(files, path));
  };
  for (const Payload& p : kPayloads) {
    const std::string target = InFolder(dir, p.file);
    // The backups of the user's own files, made just before they are replaced.
    if (std::strcmp(p.file, "db.mdb") == 0 || std::strcmp(p.file, "login.dat") == 0) take(ExistingSize(files, target));
    replace(target, PayloadSize(resources, p));
  }
  const std::string report = InFolder(dir, "report");
  for (const ReportTemplate& t : templates) {
    const std::string target = InFolder(report, t.name);
    uint32_t a = files.GetAttributes(target);
    if (a != sys::kInvalidAttributes && (a & sys::kAttrReadOnly)) continue;  // left as it is
    replace(target, t.size);
  }
  if (most > space.freeBytes)
    throw base::EInstallCheck(base::Format(text::kDiskTooSmall, files.FullPath(dir).c_str(), Amount(most, true).c_str(),
                                           Amount(space.freeBytes, false).c_str()));
}

}  // namespace install
