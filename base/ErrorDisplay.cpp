// Text rules of the error display.
#include "base/ErrorDisplay.h"

#include "base/Ansi.h"

namespace base {

std::string ErrorDisplayText(const std::string& message) {
  std::size_t last = LastCharStart(message);
  if (last == std::string::npos) return message;
  if (message.compare(last, std::string::npos, ".") > 0) return message + ".";
  return message;
}

std::string TrimSystemErrorText(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && (static_cast<unsigned char>(text[end - 1]) <= 32 || text[end - 1] == '.')) --end;
  return text.substr(0, end);
}

}  // namespace base
