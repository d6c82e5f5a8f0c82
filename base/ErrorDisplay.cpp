// Text rules of the error display.
#include "base/ErrorDisplay.h"

#include "base/Ansi.h"

namespace base {

std::string ErrorDisplayText(const std::string& message) {
  std::size_t last = LastCharStart(message);
  if (last == std::string::npos) return message;
  // The Chinese full stop ends the system's own texts ("共享冲突。") and ours: a second
  // stop after it would read as a fault.
  if (message.compare(last, std::string::npos, "。") == 0) return message;
  if (message.compare(last, std::string::npos, ".") > 0) return message + ".";
  return message;
}

std::string TrimSystemErrorText(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && (static_cast<unsigned char>(text[end - 1]) <= 32 || text[end - 1] == '.')) --end;
  return text.substr(0, end);
}

std::string SystemReason(const std::string& text) {
  static const std::string chineseStop = "。";
  std::string reason = TrimSystemErrorText(text);
  while (reason.size() >= chineseStop.size() && LastCharStart(reason) == reason.size() - chineseStop.size() &&
         reason.compare(reason.size() - chineseStop.size(), std::string::npos, chineseStop) == 0)
    reason = TrimSystemErrorText(reason.substr(0, reason.size() - chineseStop.size()));
  return reason;
}

std::string WithReason(const std::string& what, const std::string& reason) {
  return reason.empty() ? what : what + ": " + reason;
}

}  // namespace base
