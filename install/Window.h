// What the install sequence needs of the main window. The real window serves it under
// Windows; tests use a recording fake.
#pragma once

#include <string>

#include "base/Ansi.h"

namespace install {

class Window {
 public:
  virtual ~Window() = default;
  // The directory field's text exactly as typed.
  virtual std::string DirectoryText() = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // Rows are numbered 1 to 5 (see Row); a shown mark is never hidden again.
  virtual void ShowMark(int row) = 0;
  // Paints the window's own surface now, before returning.
  virtual void RepaintNow() = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  // Disables the buttons and the field while a sequence runs, so none starts inside it.
  virtual void EnableControls(bool enabled) = 0;
  // A message box owned by the window with the keyboard focus: text, caption, one OK button.
  virtual void DirectoryMessage(const std::string& text, const std::string& caption) = 0;
  // The application's plain message dialog: caption the title, one button "确定".
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void Close() = 0;
};

// The window's rows of steps, top to bottom, as ShowMark numbers them.
enum Row : int { kSystemFilesRow = 1, kDatabaseRow, kDriverRow, kGroupRow, kShortcutRow };

// The install directory is the field's text without its surrounding blanks; every file the
// sequence writes is named inside it the same way.
inline std::string InFolder(const std::string& dir, const std::string& name) { return dir + "\\" + name; }
inline std::string InstallDir(Window& window) { return base::Trim(window.DirectoryText()); }
inline std::string InstallPath(Window& window, const std::string& name) { return InFolder(InstallDir(window), name); }

}  // namespace install
