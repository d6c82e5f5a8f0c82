// The native build's user interface: no windows, so message boxes go to standard error and
// take their first button, and every answer can be replaced through settable hooks.
#include <cstdio>

#include "sys/UserInterface.h"

namespace sys {
namespace {

class NativeUserInterface final : public UserInterface {
 public:
  void ProcessMessages() override {
    if (hooks_.processMessages) hooks_.processMessages();
  }
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    if (hooks_.messageBox) return hooks_.messageBox(text, caption, flags);
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    return (flags & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  }
  Cursor SetCursor(Cursor cursor) override {
    Cursor previous = cursor_;
    cursor_ = cursor;
    return previous;
  }
  bool OpenFileDialog(const OpenFileRequest& request, std::string& fileName) override {
    return hooks_.openFile ? hooks_.openFile(request, fileName) : false;
  }
  bool SelectDirectory(std::string& dir) override {
    return hooks_.selectDirectory ? hooks_.selectDirectory(dir) : false;
  }
  // The native build has no OEM code page of its own; the names stay as stored.
  std::string OemToAnsi(const std::string& text) override { return text; }
  uint32_t DriveType(const std::string& root) override {
    return hooks_.driveType ? hooks_.driveType(root) : kDriveFixed;
  }
  bool VolumeLabel(const std::string& root, std::string& label) override {
    if (hooks_.volumeLabel) return hooks_.volumeLabel(root, label);
    label.clear();
    return false;
  }

  NativeUiHooks hooks_;

 private:
  Cursor cursor_ = Cursor::normal;
};

NativeUserInterface& Instance() {
  static NativeUserInterface ui;
  return ui;
}

}  // namespace

UserInterface& RealUserInterface() { return Instance(); }
NativeUiHooks& NativeUserInterfaceHooks() { return Instance().hooks_; }

}  // namespace sys
