// Drives setup.exe as a person would, through window messages: finds its window and
// controls by their texts, types into the field, presses buttons, reads and answers
// message boxes, and watches the process end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/common/Checks.h"

namespace e2e {

// The read-back helpers shared with the Windows tests are the driver's own vocabulary.
using namespace common;

// The path of setup.exe under test (set by main from the command line).
extern std::string setupPath;
// Where screenshots go (a Windows path), empty for none.
extern std::string screensDir;
// The pixels per inch of the screen the programs started from now on see: Wine reads the
// prefix's LogPixels when a program starts. 0 until set; the driver's own screen then.
void SetScreenDpi(int dpi);
int ScreenDpi();

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
  bool hasIcon = false;
};

class RunningSetup {
 public:
  // Starts setup.exe (or a copy of it elsewhere) with these arguments and waits for its
  // main window, unless told that the run shows none.
  explicit RunningSetup(const std::string& program = setupPath, const std::string& arguments = "",
                        bool waitForWindow = true);
  ~RunningSetup();
  RunningSetup(const RunningSetup&) = delete;
  RunningSetup& operator=(const RunningSetup&) = delete;

  HWND Main() const { return main_; }
  // Looks for the main window until it shows, the time is out or the program has ended.
  HWND WaitMain(DWORD timeoutMs);
  HWND Button(const std::string& caption) const;
  HWND DirectoryField() const;
  void SetDirectory(const std::string& text);
  void Press(const std::string& caption);
  void CloseBox();
  // Waits for a visible top-level window of this process with this caption; null on time-out.
  HWND WaitWindow(const std::string& caption, DWORD timeoutMs = 15000);
  // Waits for a message box of this process; null hwnd on time-out.
  MessageBoxInfo WaitMessageBox(DWORD timeoutMs = 60000);
  void Answer(const MessageBoxInfo& box);
  // True when the process ended within the time; its exit code goes to `code`.
  bool WaitExit(DWORD timeoutMs, DWORD* code = nullptr);
  bool Running();
  // True when a top-level window of this process is visible now, a message box included.
  bool AnyWindowShown();
  bool ControlsEnabled() const;
  // True when row k's check mark can be seen on the screen.
  bool MarkShown(int row);
  void Screenshot(const std::string& name);
  // The pixels of a rectangle of the main window's client area, as on the screen.
  struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> colors;  // rows top to bottom
    COLORREF At(int x, int y) const { return colors[static_cast<size_t>(y) * width + x]; }
  };
  Pixels ClientPixels(const RECT& client);

 private:
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr;
};

std::string WindowText(HWND h);
// The first descendant of a class (and text, unless empty) in window order.
HWND ChildWindow(HWND parent, const std::string& cls, const std::string& text = "");
// Waits until a window is gone or hidden.
bool WaitGone(HWND hwnd, DWORD timeoutMs = 10000);

// A fresh, empty directory for one scenario (deleted first if it exists).
std::string FreshDirectory(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// The bytes of a payload resource inside setup.exe.
std::string SetupResource(const char* name, const char* type);

}  // namespace e2e
