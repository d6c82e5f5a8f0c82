// The install sequence: a table of contents, one line per step.
#include "install/Installer.h"

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/Backup.h"
#include "install/ComServer.h"
#include "install/DatabaseDriver.h"
#include "install/InstallCheck.h"
#include "install/ReportTemplates.h"
#include "install/SafeFiles.h"
#include "install/Texts.h"

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
  RemoveStaleTemporaries(sys_.files, dir);  // a killed run's, before the room is reckoned
  CheckBeforeWriting(dir);
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
  install::CheckPathsFit(sys_.files, dir, ListReportTemplates(sys_.resources));
}

void Installer::CheckBeforeWriting(const std::string& dir) {
  const std::vector<ReportTemplate> templates = ListReportTemplates(sys_.resources);
  CheckReplaceable(sys_.files, dir, templates);
  CheckRoom(sys_.files, sys_.resources, dir, templates);
}

void Installer::WritePayload(const std::string& dir, const Payload& payload, const std::string& note) {
  window_.SetStatus(std::string("正在复制文件:") + payload.file + "....");
  std::string target = InFolder(dir, payload.file);
  const void* data = nullptr;
  uint32_t size = 0;
  if (!sys_.resources.Load(payload.name, payload.type, data, size))
    throw base::EResNotFound(base::Format("资源 %s 没找到", payload.name));
  // The bytes go straight from the loaded image to a temporary, which replaces the target
  // only when whole: a full disk or a kill leaves the old file as it was.
  Outcome written = WriteWhole(sys_.files, target, data, size);
  if (written) return;
  const std::string full = sys_.files.FullPath(target);
  std::string reason = sys_.files.ErrorText(written.error);
  if (written.stage == Outcome::notWritten) {
    std::string message = IsDiskFull(written.error)
                              ? base::Format(text::kDiskFull, full.c_str())
                              : base::Format(text::kNotWritten, full.c_str(), base::SystemReason(reason).c_str());
    throw base::EWriteError(message + note);
  }
  // Neither the temporary beside it nor the move over it went: the file cannot be created.
  throw base::EFCreateError(
      base::Format("Cannot create file \"%s\". %s", full.c_str(), base::TrimSystemErrorText(reason).c_str()));
}

void Installer::WriteAllPayloads(const std::string& dir) {
  for (const Payload& p : kSystemFiles) {
    // The user's own connection settings, when they are not the ones about to be written.
    if (std::string(p.file) == "login.dat") BackupChangedLogin(sys_.files, sys_.clock, dir, PayloadBytes(p));
    WritePayload(dir, p);
  }
  window_.ShowMark(kSystemFilesRow);
  window_.RepaintNow();
  // Before the fresh database replaces the user's one.
  const std::string backup = BackupDatabase(sys_.files, sys_.clock, dir);
  WritePayload(
      dir, kDatabase,
      backup.empty() ? std::string() : base::Format(text::kDatabaseBackupAt, sys_.files.FullPath(backup).c_str()));
  window_.ShowMark(kDatabaseRow);
  window_.RepaintNow();
  WritePayload(dir, kDriverInstaller);
}

std::string Installer::PayloadBytes(const Payload& payload) {
  const void* data = nullptr;
  uint32_t size = 0;
  if (!sys_.resources.Load(payload.name, payload.type, data, size)) return {};
  return std::string(static_cast<const char*>(data), size);
}

void Installer::InstallDatabaseDriver(const std::string& dir) {
  install::InstallDatabaseDriver(window_, sys_.files, sys_.processes, dir);
}

void Installer::MakeShortcuts(const std::string& dir) {
  window_.SetStatus("正在建立快捷方式....");
  sys_.shortcut1.Setexefile(InFolder(dir, "kestrum.exe"));
  sys_.shortcut1.Setexepath(dir);
  sys_.shortcut1.Setexetitle("Zorvik电子帐本");
  try {
    sys_.shortcut1.Make();
  } catch (const shell::ELinkNotSaved& e) {
    // The system's text alone names no file; the person needs the link and the step.
    throw shell::EOleSysError(
        base::Format(text::kLinkNotSaved, e.LinkFile().c_str(), base::SystemReason(e.Message()).c_str()),
        e.ErrorCode());
  }
  window_.ShowMark(kGroupRow);
  window_.ShowMark(kShortcutRow);
  window_.RepaintNow();
}

void Installer::DeleteReportArchive(const std::string& dir) { /* result not examined */
  sys_.files.Delete(InFolder(dir, "report.zip"));
}

}  // namespace install
