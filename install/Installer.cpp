// The install sequence: a table of contents, one line per step.
#include "install/Installer.h"

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/Backup.h"
#include "install/ComServer.h"
#include "install/DatabaseDriver.h"
#include "install/ReportTemplates.h"

#include <utility>
#include <vector>

namespace install {
namespace {

// Re-enables the window's controls on every way out except a completed install, which
// closes the window instead.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(Window& w) : w_(w) { w_.EnableControls(false); }
  ~ControlsDisabled() {
    if (!completed_) w_.EnableControls(true);
  }
  void Completed() { completed_ = true; }

 private:
  Window& w_;
  bool completed_ = false;
};

}  // namespace

void Installer::BitBtn1Click(const std::string& typed) {
  // Every path but the creation's is taken from the text without its surrounding blanks.
  const std::string dir = base::Trim(typed);
  CheckPathsFit(dir);
  if (!EnsureInstallDir(typed)) return;
  ControlsDisabled disabled(window_);
  WriteAllPayloads(dir);
  InstallDatabaseDriver(dir);
  UnpackReportTemplates(window_, sys_.files, sys_.zipExtractor1, dir);
  RegisterControl(window_, sys_.libraries, sys_.files, dir);
  MakeShortcuts(dir);
  DeleteReportArchive(dir);
  window_.ShowMessage("安装完成，请重新启动电脑！");
  disabled.Completed();
  window_.Close();
}

bool Installer::EnsureInstallDir(const std::string& typed) {
  // The field's text as typed, blanks and all: the system decides what they mean.
  if (sys::DirectoryExists(sys_.files, typed)) return true;
  if (sys::ForceDirectories(sys_.files, typed)) return true;
  window_.DirectoryMessage("创建目录失败!", "信息");
  return false;
}

void Installer::CheckPathsFit(const std::string& dir) {
  // The backup's time stamp has a fixed width, so any moment's name stands for all.
  std::vector<std::pair<std::string, bool>> paths = {
      {InFolder(dir, BackupTimeStamp(sys::LocalTime{}) + "db.mdb"), false}, {InFolder(dir, "report"), true}};
  for (const Payload& p : kPayloads) paths.push_back({InFolder(dir, p.file), false});
  for (const auto& [path, directory] : paths)
    if (!sys_.files.PathFits(path, directory))
      throw base::Exception(base::Format("安装目录 \"%s\" 太长: 其中的文件路径超出系统的限制", dir.c_str()));
}

void Installer::WritePayload(const std::string& dir, const Payload& payload) {
  window_.SetStatus(std::string("正在复制文件:") + payload.file + "....");
  std::string target = InFolder(dir, payload.file);
  const void* data = nullptr;
  uint32_t size = 0;
  if (!sys_.resources.Load(payload.name, payload.type, data, size))
    throw base::EResNotFound(base::Format("资源 %s 没找到", payload.name));
  auto file = sys_.files.Open(target, sys::Access::readWrite, sys::Share::none, sys::Disposition::createAlways);
  if (!file) {
    std::string reason = base::TrimSystemErrorText(sys_.files.ErrorText(sys_.files.LastError()));
    throw base::EFCreateError(
        base::Format("Cannot create file \"%s\". %s", sys_.files.FullPath(target).c_str(), reason.c_str()));
  }
  if (size == 0) return;
  // One write straight from the loaded image: no copy of several megabytes in memory.
  uint32_t written = 0;
  if (!file->Write(data, size, written) || written != size) throw base::EWriteError("写流出错");
}

void Installer::WriteAllPayloads(const std::string& dir) {
  for (const Payload& p : kSystemFiles) WritePayload(dir, p);
  window_.ShowMark(kSystemFilesRow);
  window_.RepaintNow();
  // Before the fresh database replaces the user's one.
  BackupDatabase(sys_.files, sys_.clock, dir);
  WritePayload(dir, kDatabase);
  window_.ShowMark(kDatabaseRow);
  window_.RepaintNow();
  WritePayload(dir, kDriverInstaller);
}

void Installer::InstallDatabaseDriver(const std::string& dir) {
  install::InstallDatabaseDriver(window_, sys_.files, sys_.processes, dir);
}

void Installer::MakeShortcuts(const std::string& dir) {
  window_.SetStatus("正在建立快捷方式....");
  sys_.shortcut1.Setexefile(InFolder(dir, "kestrum.exe"));
  sys_.shortcut1.Setexepath(dir);
  sys_.shortcut1.Setexetitle("Zorvik电子帐本");
  sys_.shortcut1.Make();
  window_.ShowMark(kGroupRow);
  window_.ShowMark(kShortcutRow);
  window_.RepaintNow();
}

void Installer::DeleteReportArchive(const std::string& dir) { /* result not examined */
  sys_.files.Delete(InFolder(dir, "report.zip"));
}

}  // namespace install
