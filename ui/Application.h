// The application object: title, COM for the window thread, the message loop, the error
// display and the few process-wide window services (pending messages, screen cursor).
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace ui {

class Application {
 public:
  // Initialises COM for this thread as a single-threaded apartment.
  Application();
  // Uninitialises COM.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  void SetMainWindow(HWND hwnd) { main_ = hwnd; }
  HWND MainWindow() const { return main_; }

  // Runs the message loop until the main window has closed.
  int Run();
  // Shows an error that a handler did not handle itself; the silent kind is not shown.
  void HandleException(const std::exception& e);
  void HandleUnknownException();

  // The hourglass over the application's windows while busy.
  void SetBusyCursor(bool busy);
  bool Busy() const { return busy_; }

  // The plain message dialog: caption the title, no icon, one button "确定".
  void ShowMessage(const std::string& text);

 private:
  std::string title_;
  HWND main_ = nullptr;
  bool busy_ = false;
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
