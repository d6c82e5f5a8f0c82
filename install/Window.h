// What the install sequence needs of the main window. The real window serves it under
// Windows; tests use a recording fake.
#pragma once

#include <string>

namespace install {

class Window {
 public:
  virtual ~Window() = default;
  // The directory field's text exactly as typed.
  virtual std::string DirectoryText() = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // Rows are numbered 1 to 5; a shown mark is never hidden again.
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

}  // namespace install
