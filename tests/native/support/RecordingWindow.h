// A main window for tests: one line per call made on it, in order, in a log that other
// fakes may share.
#pragma once

#include <string>
#include <vector>

#include "install/Window.h"

namespace support {

class RecordingWindow : public install::Window {
 public:
  explicit RecordingWindow(std::vector<std::string>& log) : log_(log) {}

  void SetStatus(const std::string& t) override { log_.push_back("status " + t); }
  void ShowMark(int row) override { log_.push_back("mark " + std::to_string(row)); }
  void RepaintNow() override { log_.push_back("repaint"); }
  void SetBusyCursor(bool busy) override { log_.push_back(busy ? "busy" : "idle"); }
  void EnableControls(bool on) override { log_.push_back(on ? "enable" : "disable"); }
  void DirectoryMessage(const std::string& t, const std::string& c) override {
    log_.push_back("dirbox " + t + "|" + c);
  }
  void ShowMessage(const std::string& t) override { log_.push_back("message " + t); }
  void Close() override { log_.push_back("close"); }

 private:
  std::vector<std::string>& log_;
};

}  // namespace support
