// The main window TForm1: it owns every control for the program's lifetime and serves the
// install sequence as its window.
#pragma once

#include <windows.h>

#include <string>

#include "install/Installer.h"
#include "shell/Shortcut.h"
#include "sys/win32/Handle.h"
#include "ui/Application.h"
#include "zip/ZipExtractor.h"

namespace app {

class TForm1 final : public install::Window {
 public:
  explicit TForm1(ui::Application& application);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const { return hwnd_; }
  void Show();

  // Published handlers.
  void BitBtn1Click();
  void BitBtn2Click();

  bool EnsureInstallDir() { return installer_.EnsureInstallDir(); }
  void WriteAllPayloads() { installer_.WriteAllPayloads(); }
  void InstallDatabaseDriver() { installer_.InstallDatabaseDriver(); }

  // install::Window
  std::string DirectoryText() override;
  void SetStatus(const std::string& text) override;
  void ShowMark(int row) override;
  void RepaintNow() override;
  void SetBusyCursor(bool busy) override;
  void EnableControls(bool enabled) override;
  void DirectoryMessage(const std::string& text, const std::string& caption) override;
  void ShowMessage(const std::string& text) override;
  void Close() override;

 private:
  void PlaceStatusBar();
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void CreateControls();
  void OnPaint(HDC dc);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnCommand(int id, int code);
  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  RECT ScaledRect(int left, int top, int width, int height) const;

  ui::Application& app_;
  // The window's non-visual components, with their stored settings applied at creation.
  shell::TShortcut Shortcut1;
  zip::TZipExtractor ZipExtractor1;
  install::Installer installer_;
  int dpi_ = 96;
  HWND hwnd_ = nullptr;
  HWND directoryEdit1_ = nullptr;
  HWND bitBtn1_ = nullptr;
  HWND bitBtn2_ = nullptr;
  HWND sb_ = nullptr;
  sys::win32::GdiObject font_, titleFont_, statusFont_;
  sys::win32::GdiObject checkMark_, door_;
  bool marks_[5] = {};
  // While the sequence runs the window refuses to close but from the sequence itself:
  // steps after a close would read the field of a window that is gone.
  bool sequenceRunning_ = false;
  bool closingItself_ = false;
  HWND focusBeforeSequence_ = nullptr;
  std::string status_;
};

}  // namespace app
