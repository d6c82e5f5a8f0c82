// An install run started from the command line: what it logs, which boxes it still shows,
// and the exit code that tells a deployment tool how it ended.
#pragma once

#include <functional>
#include <string>

#include "install/InstallLog.h"
#include "install/Window.h"
#include "sys/Files.h"
#include "sys/UserInterface.h"

namespace install {

enum ExitCode : int {
  kExitInstalled = 0,
  kExitCommandLine = 1,  // a wrong command line, or the run could not start
  kExitCheckFailed = 3,  // the check before writing found a problem; nothing was written
  kExitStepFailed = 4,
  kExitAlreadyRunning = 5,
};

// MessageBoxA's stop icon.
constexpr uint32_t kMbIconStop = 0x10;

class Unattended {
 public:
  // `log` may be null (no /LOG); `rowCaptions` name the window's five rows; `boxes` shows
  // what is not suppressed, under `title`.
  Unattended(InstallLog* log, const char* const (&rowCaptions)[5], sys::UserInterface& boxes, sys::FileSystem& files,
             std::string title, bool suppressMsgBoxes);

  // Lines of the log alone, also written while a person works the window.
  void Log(const std::string& text);
  void Status(const std::string& text);
  void Mark(int row);
  void LogError(const std::string& message);
  // The system's last error, to be taken before any other call can replace it.
  uint32_t LastError() { return files_.LastError(); }
  void LogDirectoryFailure(const std::string& text, const std::string& dir, uint32_t error);

  // Runs the sequence once and tells how it ended. An error is logged and shown as the
  // error display shows it, unless boxes are suppressed; it ends the run, as no one is
  // there to press install again.
  int Run(const std::function<void()>& sequence);
  // The directory could not be made (the system's `error`): logged with the reason, shown
  // unless boxes are suppressed.
  void DirectoryMessage(const std::string& text, const std::string& caption, const std::string& dir, uint32_t error);
  // The message that ends a complete install goes to the log: no one is there to close it.
  void Completed(const std::string& text);

 private:
  void Box(const std::string& text, const std::string& caption, uint32_t flags);

  InstallLog* log_;
  const char* const (&rowCaptions_)[5];
  sys::UserInterface& boxes_;
  sys::FileSystem& files_;
  std::string title_;
  bool suppressMsgBoxes_;
  std::string status_;
  bool completed_ = false;
};

// The window of /VERYSILENT: none. The sequence talks to it as to the real one, so the
// steps, their texts and their marks are the same; what would be seen goes to the log.
class LoggingWindow final : public Window {
 public:
  // `dir` is the directory the sequence is given, named when it cannot be made.
  LoggingWindow(std::string dir, Unattended& run) : dir_(std::move(dir)), run_(run) {}

  void SetStatus(const std::string& text) override { run_.Status(text); }
  void ShowMark(int row) override { run_.Mark(row); }
  void RepaintNow() override {}
  void SetBusyCursor(bool) override {}
  void EnableControls(bool) override {}
  void DirectoryMessage(const std::string& text, const std::string& caption) override {
    run_.DirectoryMessage(text, caption, dir_, run_.LastError());
  }
  void ShowMessage(const std::string& text) override { run_.Completed(text); }
  void Close() override {}

 private:
  std::string dir_;
  Unattended& run_;
};

// The user interface of a run whose boxes are suppressed: a box the extractor would show
// goes to the log and is answered with its first button, as Enter would; everything else
// is the real interface's.
class SuppressedBoxes final : public sys::UserInterface {
 public:
  SuppressedBoxes(sys::UserInterface& inner, Unattended& run) : inner_(inner), run_(run) {}

  void ProcessMessages() override { inner_.ProcessMessages(); }
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  sys::Cursor SetCursor(sys::Cursor cursor) override { return inner_.SetCursor(cursor); }
  bool OpenFileDialog(const sys::OpenFileRequest& request, std::string& fileName) override {
    return inner_.OpenFileDialog(request, fileName);
  }
  bool SelectDirectory(std::string& dir) override { return inner_.SelectDirectory(dir); }
  std::string OemToAnsi(const std::string& text) override { return inner_.OemToAnsi(text); }
  uint32_t DriveType(const std::string& root) override { return inner_.DriveType(root); }
  bool VolumeLabel(const std::string& root, std::string& label) override { return inner_.VolumeLabel(root, label); }

 private:
  sys::UserInterface& inner_;
  Unattended& run_;
};

}  // namespace install
