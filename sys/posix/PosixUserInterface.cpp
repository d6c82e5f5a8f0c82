// The native build's user interface: no windows, so message boxes go to standard error and
// take their first button; the dialogs are cancelled, drives are fixed and unlabelled.
#include <cstdio>

#include "sys/UserInterface.h"

namespace sys {
namespace {

class NativeUserInterface final : public UserInterface {
 public:
  void ProcessMessages() override {}
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    return (flags & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  }
  Cursor SetCursor(Cursor cursor) override {
    Cursor previous = cursor_;
    cursor_ = cursor;
    return previous;
  }
  bool OpenFileDialog(const OpenFileRequest&, std::string&) override { return false; }
  bool SelectDirectory(std::string&) override { return false; }
  // The native build has no OEM code page of its own; the names stay as stored.
  std::string OemToAnsi(const std::string& text) override { return text; }
  uint32_t DriveType(const std::string&) override { return kDriveFixed; }
  bool VolumeLabel(const std::string&, std::string& label) override {
    label.clear();
    return false;
  }

 private:
  Cursor cursor_ = Cursor::normal;
};

NativeUserInterface& Instance() {
  static NativeUserInterface ui;
  return ui;
}

}  // namespace

UserInterface& RealUserInterface() { return Instance(); }

}  // namespace sys
