// Program entry: the application, its title, the main window and the message loop; from the
// command line, the same install with less to see or none, a log and an exit code.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/Components.h"
#include "app/Layout.h"
#include "app/Unit1.h"
#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "install/CommandLine.h"
#include "install/InstallLog.h"
#include "install/Unattended.h"
#include "sys/Clock.h"
#include "sys/Files.h"
#include "sys/Library.h"
#include "sys/Process.h"
#include "sys/Registry.h"
#include "sys/Resources.h"
#include "sys/ShellLink.h"
#include "sys/UserInterface.h"
#include "sys/win32/ComPtr.h"
#include "sys/win32/Handle.h"
#include "sys/win32/LibrarySearch.h"
#include "ui/Application.h"

namespace {

// One setup at a time, in every session of the machine: two would write the same files.
constexpr char kSetupMutex[] = "Global\\ZorvikSetup";
constexpr char kAlreadyRunning[] = "Zorvik电子帐本安装程序已经在运行。请等它结束后再安装。";
constexpr char kVersion[] = "4.4";

std::string ProgramPath() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n < sizeof path ? n : 0);
}

std::string TempFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(sizeof path, path);
  return std::string(path, n < sizeof path ? n : 0);
}

void InitControls() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

// /VERYSILENT: the window's components and the sequence, with the log for a window.
int InstallWithoutWindow(const std::string& dir, install::Unattended& run, sys::UserInterface& ui) {
  sys::win32::ComScope com;
  shell::TShortcut Shortcut1(sys::RealRegistry(), sys::RealFileSystem(), sys::RealShellLinks());
  zip::TZipExtractor ZipExtractor1(sys::RealFileSystem(), ui);
  app::ApplyStoredSettings(Shortcut1, ZipExtractor1);
  install::LoggingWindow window(dir, run);
  install::Installer installer(window, {sys::RealFileSystem(), sys::OwnResources(), sys::RealClock(),
                                        sys::RealProcesses(), sys::RealLibraries(), ZipExtractor1, Shortcut1});
  return run.Run([&installer, &dir] { installer.BitBtn1Click(dir); });
}

int RunWindow(app::StartOptions options) {
  InitControls();
  ui::Application application;
  application.SetTitle(app::layout::kTitle);
  // The task-bar entry is the application's window: it shows the program's own picture.
  SendMessageA(application.Handle(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr), "APPICON")));
  app::TForm1 form1(application, std::move(options));
  application.SetMainWindow(form1.Handle());
  form1.Show();
  application.Run();
  return form1.ExitCode();
}

// A start with arguments: checked, then logged from its first line to its exit code.
int RunCommandLine(const std::string& arguments, bool anotherRunning) {
  const install::CommandLine cl = install::ParseCommandLine(arguments);
  const std::string program = ProgramPath();
  auto box = [&cl](const std::string& text, UINT icon) {
    if (!cl.suppressMsgBoxes) MessageBoxA(nullptr, text.c_str(), app::layout::kTitle, MB_OK | icon);
  };

  std::unique_ptr<install::InstallLog> log;
  std::string reason;
  if (cl.log)
    log = cl.logFile.empty() ? install::InstallLog::CreateDefault(sys::RealFileSystem(), sys::RealClock(), TempFolder(),
                                                                  program, reason)
                             : install::InstallLog::Create(sys::RealFileSystem(), sys::RealClock(), cl.logFile, reason);
  install::Unattended run(log.get(), app::layout::kRowCaptions, sys::RealUserInterface(), sys::RealFileSystem(),
                          app::layout::kTitle, cl.suppressMsgBoxes);
  run.Log(std::string(app::layout::kTitle) + " " + kVersion + ": " + program + " " + arguments);
  auto end = [&run](int code) {
    run.Log("退出代码: " + std::to_string(code));
    return code;
  };

  if (cl.log && !log && anotherRunning) {
    // Most likely held by the setup that runs, given the same log.
    box(kAlreadyRunning, MB_ICONEXCLAMATION);
    return install::kExitAlreadyRunning;
  }
  if (cl.log && !log) {
    std::string path = cl.logFile.empty() ? TempFolder() : cl.logFile;
    box(base::WithReason(base::Format("无法建立日志文件 \"%s\"", path.c_str()), reason), MB_ICONSTOP);
    return install::kExitCommandLine;
  }
  const std::string name = base::ExtractFileName(program);
  if (!cl.wrong.empty()) {
    std::string text = install::WrongArgumentText(cl.wrong, name);
    run.Log(text);
    box(text, MB_ICONSTOP);
    return end(install::kExitCommandLine);
  }
  if (cl.help) {
    box(install::UsageText(name), MB_ICONINFORMATION);
    return end(install::kExitInstalled);
  }
  if (anotherRunning) {
    run.Log(kAlreadyRunning);
    box(kAlreadyRunning, MB_ICONEXCLAMATION);
    return end(install::kExitAlreadyRunning);
  }

  install::SuppressedBoxes suppressed(sys::RealUserInterface(), run);
  app::StartOptions options;
  if (cl.dirGiven) options.directory = cl.dir;
  options.run = &run;
  if (cl.suppressMsgBoxes && cl.display != install::Display::window) options.ui = &suppressed;
  run.Log("安装目录: " + base::Trim(options.directory));
  if (cl.display == install::Display::verySilent)
    return end(InstallWithoutWindow(options.directory, run, options.ui ? *options.ui : sys::RealUserInterface()));
  options.installAtOnce = cl.display == install::Display::silent;
  return end(RunWindow(std::move(options)));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  // Before anything can load a library: none may come from the folder setup.exe runs in.
  /* result not examined: an old system offers less, and the install works all the same */
  sys::win32::SearchSystemFolderOnly();
  // Taken before anything is written. A mutex another user's setup made and this one may
  // not open is a setup running all the same.
  sys::win32::KernelHandle mutex(CreateMutexA(nullptr, FALSE, kSetupMutex));
  DWORD error = GetLastError();
  bool anotherRunning = mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
  std::string line = arguments ? base::Trim(arguments) : std::string();
  if (!line.empty()) return RunCommandLine(line, anotherRunning);
  if (anotherRunning) {
    MessageBoxA(nullptr, kAlreadyRunning, app::layout::kTitle, MB_OK | MB_ICONEXCLAMATION);
    return install::kExitAlreadyRunning;
  }
  return RunWindow({});
}
