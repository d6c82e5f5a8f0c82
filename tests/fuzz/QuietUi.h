// The user interface of the extraction fuzz targets: every question is cancelled, no
// dialog opens, and on request an OEM table that turns high bytes into path punctuation.
#pragma once

#include <cstdint>
#include <string>

#include "sys/UserInterface.h"

namespace fuzz {

class QuietUi final : public sys::UserInterface {
 public:
  bool oemTable = false;
  void ProcessMessages() override {}
  int ShowMessageBox(const std::string&, const std::string&, uint32_t) override { return sys::kIdCancel; }
  sys::Cursor SetCursor(sys::Cursor c) override { return c; }
  bool OpenFileDialog(const sys::OpenFileRequest&, std::string&) override { return false; }
  bool SelectDirectory(std::string&) override { return false; }
  // A code page whose table makes path punctuation out of high bytes.
  std::string OemToAnsi(const std::string& text) override {
    std::string r = text;
    if (oemTable)
      for (char& c : r) {
        if (c == '\x9f')
          c = '/';
        else if (c == '\x9e')
          c = ':';
        else if (c == '\x9d')
          c = '.';
        else if (c == '\x9c')
          c = '\\';
      }
    return r;
  }
  uint32_t DriveType(const std::string&) override { return sys::kDriveFixed; }
  bool VolumeLabel(const std::string&, std::string&) override { return false; }
};

}  // namespace fuzz
