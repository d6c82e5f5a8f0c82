// A user interface for tests: message boxes written down and answered from a script, drive
// types and volume labels as set, open-file requests answered by a test's function.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sys/UserInterface.h"

namespace support {

// Records message boxes and answers them from a script; drive queries as set.
class ScriptedUi : public sys::UserInterface {
 public:
  struct Box {
    std::string text, caption;
    uint32_t flags;
  };
  std::vector<Box> boxes;
  std::vector<int> answers;  // taken in order; when used up, the first button
  int processed = 0;
  uint32_t driveType = sys::kDriveFixed;
  std::vector<std::string> labels;  // taken in order; the last one repeats
  std::function<bool(const sys::OpenFileRequest&, std::string&)> openFile;
  std::vector<sys::OpenFileRequest> openRequests;
  sys::Cursor cursor = sys::Cursor::normal;
  std::vector<sys::Cursor> cursorLog;

  void ProcessMessages() override { ++processed; }
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  sys::Cursor SetCursor(sys::Cursor c) override {
    cursorLog.push_back(c);
    return std::exchange(cursor, c);
  }
  bool OpenFileDialog(const sys::OpenFileRequest& request, std::string& fileName) override {
    openRequests.push_back(request);
    return openFile ? openFile(request, fileName) : false;
  }
  bool SelectDirectory(std::string&) override { return false; }
  bool markOem = true;  // OEM names come back marked, so tests can see the conversion
  std::string OemToAnsi(const std::string& text) override { return markOem ? "oem:" + text : text; }
  uint32_t DriveType(const std::string&) override { return driveType; }
  bool VolumeLabel(const std::string&, std::string& label) override;

 private:
  size_t answerAt_ = 0, labelAt_ = 0;
};

}  // namespace support
