// The text the application's error display shows for an error message.
#pragma once

#include <string>

namespace base {

// Appends a full stop when the last character (one- or two-byte GBK) compares greater
// than "." and is not the Chinese full stop "。"; so letters, digits and other Chinese
// characters get one, ")", "." and "。" do not.
std::string ErrorDisplayText(const std::string& message);

// The system's error text as file errors quote it: trailing blanks, control characters
// and full stops removed.
std::string TrimSystemErrorText(const std::string& text);

// The system's error text as our own sentences quote it after a ":": trimmed as above and
// without its closing Chinese full stop either, since the sentence goes on or the display
// adds the stop.
std::string SystemReason(const std::string& text);

// "what: reason", or just `what` when the system gave no reason.
std::string WithReason(const std::string& what, const std::string& reason);

}  // namespace base
