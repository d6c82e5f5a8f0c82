// The database driver step, in the order the user sees it: status, hourglass, start, wait,
// cursor back, deletion, mark.
#include "install/DatabaseDriver.h"

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"

namespace install {
namespace {

constexpr const char* kDriverFile = "MDAC_TYP2.7.EXE";

// Shows the hourglass until Restore() or the end of the scope, so an error on the way does
// not leave the window busy.
class BusyCursor {
 public:
  explicit BusyCursor(Window& window) : window_(window) { window_.SetBusyCursor(true); }
  ~BusyCursor() { Restore(); }
  void Restore() {
    if (busy_) window_.SetBusyCursor(false);
    busy_ = false;
  }

 private:
  Window& window_;
  bool busy_ = true;
};

}  // namespace

std::string DriverCommandLine(const std::string& dir) {
  std::string program = InFolder(dir, kDriverFile);
  if (dir.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return program + " /q";
}

void InstallDatabaseDriver(Window& window, sys::FileSystem& files, sys::Processes& processes, const std::string& dir) {
  window.SetStatus("正在安装数据库驱动程序....");
  BusyCursor busy(window);
  std::string commandLine = DriverCommandLine(dir);
  sys::StartupInfo startup;
  startup.size = sys::kStartupInfoSize;
  startup.flags = sys::kStartfUseShowWindow | sys::kStartfUseStdHandles;
  startup.showWindow = sys::kSwHide;
  {
    auto driver = processes.Start(commandLine, /*inheritHandles=*/true, startup, /*creationFlags=*/0);
    if (!driver) {
      std::string program = files.FullPath(InFolder(dir, kDriverFile));
      throw EDriverStartError(base::WithReason(base::Format("启动数据库驱动程序 \"%s\" 失败", program.c_str()),
                                               base::SystemReason(files.ErrorText(processes.LastError()))));
    }
    /* result not examined */ driver->Wait(sys::kInfinite);
  }  // the process and thread handles are closed here, once the driver has ended
  busy.Restore();
  /* result not examined */ files.Delete(InFolder(dir, kDriverFile));
  window.ShowMark(kDriverRow);
  window.RepaintNow();
}

}  // namespace install
