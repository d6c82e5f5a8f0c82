// The report templates step: status, archive and destination, one run of UnZip, and a
// list of the templates that did not arrive, gathered from the extractor's events.
#include "install/ReportTemplates.h"

#include <string>
#include <vector>

#include "base/Ansi.h"
#include "install/Texts.h"

namespace install {
namespace {

// More names than this make a message box taller than the screen; the count says the rest.
constexpr size_t kNamesShown = 10;

const char* SkipReasonText(zip::TSkipReason reason) {
  switch (reason) {
    case zip::srBadPassword: return "密码错误";
    case zip::srNoOverwrite: return "未覆盖";
    case zip::srFileOpenError: return "无法打开";
    case zip::srCreateError: break;
  }
  return "无法创建";
}

// The extractor belongs to the window: its reporting events serve this one run and are
// then put back, also when the run ends in an error.
class RunEvents {
 public:
  explicit RunEvents(zip::TZipExtractor& z)
      : z_(z), starting_(z.OnStartUnZip), skipping_(z.OnSkippingFile), badCrc_(z.OnBadCRC) {}
  ~RunEvents() {
    z_.OnStartUnZip = starting_;
    z_.OnSkippingFile = skipping_;
    z_.OnBadCRC = badCrc_;
  }
  RunEvents(const RunEvents&) = delete;
  RunEvents& operator=(const RunEvents&) = delete;

 private:
  zip::TZipExtractor& z_;
  decltype(zip::TZipExtractor::OnStartUnZip) starting_;
  decltype(zip::TZipExtractor::OnSkippingFile) skipping_;
  decltype(zip::TZipExtractor::OnBadCRC) badCrc_;
};

bool IsReadOnlyFile(sys::FileSystem& files, const std::string& path) {
  uint32_t a = files.GetAttributes(path);
  return a != sys::kInvalidAttributes && !(a & sys::kAttrDirectory) && (a & sys::kAttrReadOnly);
}

std::string FailureMessage(const std::vector<std::string>& failed) {
  std::string list;
  for (size_t i = 0; i < failed.size() && i < kNamesShown; ++i) list += (i ? "、" : "") + failed[i];
  if (failed.size() > kNamesShown) list += base::Format(" 等 %d 个", static_cast<int>(failed.size()));
  return "解压报表文件失败: " + list;
}

// The template being written when its writing failed: a full disk shows as an error of the
// run or of the entry's check, so the drive is asked whether the template had room.
struct Writing {
  std::string path;
  uint64_t size = 0;
};

bool NoRoomFor(sys::FileSystem& files, const std::string& dir, const Writing& w) {
  sys::DiskSpace space;
  if (w.path.empty() || !files.FreeSpace(dir, space)) return false;
  const uint64_t cluster = space.clusterBytes ? space.clusterBytes : 1;
  return space.freeBytes < (w.size + cluster - 1) / cluster * cluster;
}

}  // namespace

void UnpackReportTemplates(Window& window, sys::FileSystem& files, zip::TZipExtractor& zipExtractor,
                           const std::string& dir) {
  window.SetStatus("正在安装报表文件....");
  zipExtractor.SetZipName(InFolder(dir, "report.zip"));
  zipExtractor.SetDestDir(InFolder(dir, "report"));

  std::vector<std::string> failed;  // "name(reason)", in the archive's order
  Writing current, firstFailed;
  RunEvents events(zipExtractor);
  zipExtractor.OnStartUnZip = [&](zip::TZipExtractor& z, int index, std::string& target, bool&) {
    current = {target, static_cast<uint32_t>(z.Entry(index).UncompressedSize)};
  };
  zipExtractor.OnSkippingFile = [&](zip::TZipExtractor& z, zip::TSkipReason reason, const std::string& target,
                                    int index, bool&) {
    if (reason == zip::srCreateError && !z.ReplaceReadOnly() && IsReadOnlyFile(files, target)) return;
    const zip::TZipEntryInfo& entry = z.Entry(index);
    if (failed.empty()) firstFailed = {target, static_cast<uint32_t>(entry.UncompressedSize)};
    failed.push_back(entry.Directory() + entry.FileName() + "(" + SkipReasonText(reason) + ")");
  };
  zipExtractor.OnBadCRC = [&](zip::TZipExtractor& z, int, int, int index) {
    const zip::TZipEntryInfo& entry = z.Entry(index);
    if (failed.empty()) firstFailed = current;
    failed.push_back(entry.Directory() + entry.FileName() + "(校验出错)");
  };
  const std::string report = InFolder(dir, "report");
  auto diskFull = [&](const Writing& w) {
    return EReportTemplatesError(base::Format(text::kTemplateDiskFull, files.FullPath(w.path).c_str()));
  };
  try {
    /* count not examined: the events name every template that did not arrive */ zipExtractor.UnZip();
  } catch (const base::Exception&) {
    if (NoRoomFor(files, report, current)) throw diskFull(current);
    throw;
  }
  if (failed.empty()) return;
  if (NoRoomFor(files, report, firstFailed)) throw diskFull(firstFailed);
  throw EReportTemplatesError(FailureMessage(failed));
}

}  // namespace install
