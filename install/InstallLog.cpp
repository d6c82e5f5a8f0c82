// The install log's file and its lines.
#include "install/InstallLog.h"

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "install/CommandLine.h"
#include "sys/CodePage.h"

namespace install {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::unique_ptr<sys::File> OpenLog(sys::FileSystem& files, const std::string& path, sys::Disposition disposition) {
  return files.Open(path, sys::Access::write, sys::Share::read, disposition);
}

std::string Reason(sys::FileSystem& files) { return base::SystemReason(files.ErrorText(files.LastError())); }

}  // namespace

InstallLog::InstallLog(std::unique_ptr<sys::File> file, sys::Clock& clock, std::string path)
    : file_(std::move(file)), clock_(clock), path_(std::move(path)) {
  Write(kByteOrderMark);
}

std::unique_ptr<InstallLog> InstallLog::Create(sys::FileSystem& files, sys::Clock& clock, const std::string& path,
                                               std::string& reason) {
  auto file = OpenLog(files, path, sys::Disposition::createAlways);
  if (!file) {
    reason = Reason(files);
    return nullptr;
  }
  return std::unique_ptr<InstallLog>(new InstallLog(std::move(file), clock, path));
}

std::unique_ptr<InstallLog> InstallLog::CreateDefault(sys::FileSystem& files, sys::Clock& clock, const std::string& dir,
                                                      const std::string& programPath, std::string& reason) {
  std::string name = DefaultLogName(programPath, clock.Now());
  std::string stem = name.substr(0, name.size() - 4);
  for (int n = 1; n <= 99; ++n) {
    std::string path =
        base::ExcludeTrailingBackslash(dir) + "\\" + (n == 1 ? name : stem + "-" + std::to_string(n) + ".log");
    if (auto file = OpenLog(files, path, sys::Disposition::createNew))
      return std::unique_ptr<InstallLog>(new InstallLog(std::move(file), clock, path));
    // Taken, by a finished run or one still writing it.
    uint32_t error = files.LastError();
    if (error != sys::kErrorFileExists && error != sys::kErrorAlreadyExists && error != sys::kErrorSharingViolation)
      break;
  }
  reason = Reason(files);
  return nullptr;
}

void InstallLog::Line(const std::string& text) {
  sys::LocalTime t = clock_.Now();
  std::string stamp =
      base::Format("%04d-%02d-%02d %02d:%02d:%02d ", t.year, t.month, t.day, t.hour, t.minute, t.second);
  size_t start = 0;
  do {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Write(sys::AnsiToUtf8(stamp + line) + "\r\n");
    start = end == std::string::npos ? std::string::npos : end + 1;
  } while (start != std::string::npos);
}

void InstallLog::Write(const std::string& bytes) {
  uint32_t done = 0;
  /* results not examined */ file_->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), done);
  file_->Flush();
}

}  // namespace install
