// The user-interface services that portable logic needs (pending messages, message boxes,
// the screen cursor, the open-file dialog, code-page conversion, drive queries), Win32-shaped.
#pragma once

#include <cstdint>
#include <string>

#include "sys/Folders.h"

namespace sys {

// MessageBoxA button sets and answers, by their Win32 values.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbYesNo = 0x4;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

enum class Cursor { normal, wait };

struct OpenFileRequest {
  std::string title;
  // Pairs of description and pattern separated by "|", as the dialog's filter is written.
  std::string filter;
  std::string initialDir;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Lets the window system handle what is waiting, then returns.
  virtual void ProcessMessages() = 0;
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
  // Sets the screen cursor and returns the one it replaces, for restoring.
  virtual Cursor SetCursor(Cursor cursor) = 0;
  // False when the user cancels; fileName receives the chosen path.
  virtual bool OpenFileDialog(const OpenFileRequest& request, std::string& fileName) = 0;
  // Directory selection starting at dir, where a new directory may be typed and made; false
  // when the user cancels.
  virtual bool SelectDirectory(std::string& dir) = 0;
  virtual std::string OemToAnsi(const std::string& text) = 0;
  // root is a drive root such as "A:\".
  virtual uint32_t DriveType(const std::string& root) = 0;
  virtual bool VolumeLabel(const std::string& root, std::string& label) = 0;
};

// The process's own user interface: the real one on Windows; on the native build a console
// stand-in that writes message boxes to standard error and cancels the dialogs.
UserInterface& RealUserInterface();

}  // namespace sys
