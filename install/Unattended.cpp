// The exit codes of a run from the command line, and its log lines.
#include "install/Unattended.h"

#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"

namespace install {

Unattended::Unattended(InstallLog* log, const char* const (&rowCaptions)[5], sys::UserInterface& boxes,
                       sys::FileSystem& files, std::string title, bool suppressMsgBoxes)
    : log_(log),
      rowCaptions_(rowCaptions),
      boxes_(boxes),
      files_(files),
      title_(std::move(title)),
      suppressMsgBoxes_(suppressMsgBoxes) {}

void Unattended::Log(const std::string& text) {
  if (log_) log_->Line(text);
}

// The status bar shows a text set twice once; so does the log.
void Unattended::Status(const std::string& text) {
  if (text == status_) return;
  status_ = text;
  Log(text);
}

void Unattended::Mark(int row) {
  if (row >= 1 && row <= 5) Log(std::string("完成: ") + rowCaptions_[row - 1]);
}

int Unattended::Run(const std::function<void()>& sequence) {
  int code = kExitStepFailed;
  std::string error;
  try {
    sequence();
    if (completed_) code = kExitInstalled;
  } catch (const base::EAbort& e) {
    // Never shown, but the log still tells where the run stopped.
    Log("安装已中止: " + e.Message());
  } catch (const base::EInstallCheck& e) {
    code = kExitCheckFailed;
    error = e.Message();
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "未知错误";
  }
  if (code != kExitInstalled && !error.empty()) {
    LogError(error);
    Box(base::ErrorDisplayText(error), title_, sys::kMbOk | kMbIconStop);
  }
  return code;
}

void Unattended::LogError(const std::string& message) { Log("错误: " + base::ErrorDisplayText(message)); }

void Unattended::LogDirectoryFailure(const std::string& text, const std::string& dir, uint32_t error) {
  std::string reason = base::SystemReason(files_.ErrorText(error));
  Log("错误: " + base::WithReason(text + " \"" + dir + "\"", reason));
}

void Unattended::DirectoryMessage(const std::string& text, const std::string& caption, const std::string& dir,
                                  uint32_t error) {
  LogDirectoryFailure(text, dir, error);
  Box(text, caption, sys::kMbOk);
}

void Unattended::Completed(const std::string& text) {
  completed_ = true;
  Log(text);
}

void Unattended::Box(const std::string& text, const std::string& caption, uint32_t flags) {
  if (!suppressMsgBoxes_) boxes_.ShowMessageBox(text, caption, flags);
}

int SuppressedBoxes::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  run_.Log(caption.empty() ? text : caption + ": " + text);
  return (flags & 0xF) == sys::kMbYesNo ? sys::kIdYes : sys::kIdOk;
}

}  // namespace install
