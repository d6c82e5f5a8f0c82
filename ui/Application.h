// The application object: title, COM for the window thread, the message loop, the error
// display and the few process-wide window services (pending messages, screen cursor).
#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "ui/WindowBase.h"

namespace ui {

class Application final : public WindowBase {
 public:
  // Initialises COM for this thread as a single-threaded apartment.
  Application();
  // Uninitialises COM.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const std::string& Title() const { return title_; }
  // Also the text of the task-bar entry.
  void SetTitle(const std::string& title);

  // The application's own window: never seen itself (it has no size), it carries the
  // task-bar entry under the title and owns the main window, which therefore has none.
  using WindowBase::Handle;

  // Shows the task-bar entry with the main window.
  void SetMainWindow(HWND hwnd);
  HWND MainWindow() const { return main_; }
  // The main window's minimise box minimises the application: the entry stays, the
  // window hides until the entry is restored.
  void Minimize();

  // Runs the message loop until the main window has closed.
  int Run();
  // Shows an error that a handler did not handle itself; the silent kind is not shown. The
  // box belongs to the window the person works in: a dialog open over the main window
  // owns it, so the dialog stays behind it, disabled, and gets the focus back after it.
  void HandleException(const std::exception& e);
  void HandleUnknownException();

  // The hourglass over the application's windows while busy; also true while the zip
  // component shows it.
  void SetBusyCursor(bool busy);
  bool Busy() const;

  // The plain message dialog: caption the title, no icon, one button "确定".
  void ShowMessage(const std::string& text);

 private:
  bool OnSysCommand(WPARAM command) override;
  bool OnSetFocus() override;
  bool OnClose() override;
  void Restore();
  void ActivateMainWindow();
  HWND BoxOwner() const;

  std::string title_;
  HWND main_ = nullptr;
  bool comInitialised_ = false;
};

Application& App();

// Runs a handler, sending anything it throws to the error display: exceptions must never
// unwind through the window system's frames.
template <typename F>
void Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    App().HandleException(e);
  } catch (...) {
    App().HandleUnknownException();
  }
}

}  // namespace ui
