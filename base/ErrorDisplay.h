// The text the application's error display shows for an error message.
#pragma once

#include <string>

namespace base {

// Appends a full stop when the last character (one- or two-byte GBK) compares greater
// than "."; so letters, digits and Chinese characters get one, ")" and "." do not.
std::string ErrorDisplayText(const std::string& message);

// The system's error text as file errors quote it: trailing blanks, control characters
// and full stops removed.
std::string TrimSystemErrorText(const std::string& text);

}  // namespace base
