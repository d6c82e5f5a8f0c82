// What the install sequence needs of the main window: status, marks, messages. The real
// window serves it under Windows; tests use a recording fake.
#pragma once

#include <string>

namespace install {

class Window {
 public:
  virtual ~Window() = default;
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

// Every file the sequence writes is named inside the install directory the same way,
// whether or not the directory already ends in "\".
inline std::string InFolder(const std::string& dir, const std::string& name) { return dir + "\\" + name; }

}  // namespace install
