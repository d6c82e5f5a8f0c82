// The main window TForm1: it owns every control for the program's lifetime and serves the
// install sequence as its window.
#pragma once

#include <windows.h>

#include <string>

#include "app/Layout.h"
#include "controls/ShadowLabel.h"
#include "controls/win32/ComboEdit.h"
#include "controls/win32/GdiCanvas.h"
#include "install/Installer.h"
#include "install/Unattended.h"
#include "shell/Shortcut.h"
#include "sys/win32/Handle.h"
#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/WindowBase.h"
#include "zip/ZipExtractor.h"

namespace app {

// How the window was started; the defaults are a start without arguments.
struct StartOptions {
  std::string directory = layout::kDefaultDirectory;
  // /SILENT: the install runs at once, its end and its errors are the run's to report
  // (see install::Unattended), and the window closes itself however it ends.
  bool installAtOnce = false;
  // The run from the command line; null for a start without arguments.
  install::Unattended* run = nullptr;
  // The extractor's boxes, when not the real ones.
  sys::UserInterface* ui = nullptr;
};

class TForm1 final : public ui::Form, public install::Window {
 public:
  explicit TForm1(ui::Application& application, StartOptions options = {});
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  using ui::WindowBase::Handle;
  void Show();
  // How an install started at once ended; 0 for a start without arguments.
  int ExitCode() const { return exitCode_; }

  // Published handlers.
  void BitBtn1Click();
  void BitBtn2Click();

  // install::Window
  void SetStatus(const std::string& text) override;
  void ShowMark(int row) override;
  void RepaintNow() override;
  void SetBusyCursor(bool busy) override;
  void EnableControls(bool enabled) override;
  void DirectoryMessage(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text) override;
  void Close() override;

 private:
  void CreateControls();
  bool OnSysCommand(WPARAM command) override;
  bool OnClose() override;
  void OnPaint(HDC dc, const RECT& dirty) override;
  void OnSize() override;
  bool OnSetCursor() override;
  void OnMouseMove(POINT client) override;
  void OnMouseLeave() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroy() override;
  void CreateShadowLabel1();
  void InstallAtOnce();
  RECT Bounds(int left, int top, int width, int height) const { return scale_.Rect(left, top, width, height); }

  ui::Application& app_;
  StartOptions options_;
  int exitCode_ = 0;
  // The window's non-visual components, with their stored settings applied at creation.
  shell::TShortcut Shortcut1;
  zip::TZipExtractor ZipExtractor1;
  install::Installer installer_;
  ui::Scaler scale_;
  controls::win32::WindowlessHost windowless_;
  controls::TShadowLabel ShadowLabel1{windowless_};
  controls::win32::TDirectoryEdit DirectoryEdit1;
  ui::PictureButton BitBtn1, BitBtn2;
  ui::StatusBar sb;
  sys::win32::GdiObject font_, statusFont_;
  sys::win32::GdiObject checkMark_, door_;
  bool marks_[5] = {};
  // While the sequence runs the window refuses to close but from the sequence itself:
  // steps after a close would read the field of a window that is gone.
  bool sequenceRunning_ = false;
  bool closingItself_ = false;
};

}  // namespace app
