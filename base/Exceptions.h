// Errors travel as exceptions that carry only a message; one class per documented name,
// so handlers and tests can tell them apart while the display needs only the text.
#pragma once

#include <exception>
#include <string>

namespace base {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define ZORVIK_EXCEPTION(Name, Base)                                 \
  class Name : public Base {                                         \
   public:                                                           \
    explicit Name(std::string message) : Base(std::move(message)) {} \
  }

// The silent kind: it ends a handler but is never shown.
ZORVIK_EXCEPTION(EAbort, Exception);
ZORVIK_EXCEPTION(EStreamError, Exception);
ZORVIK_EXCEPTION(EResNotFound, Exception);
ZORVIK_EXCEPTION(EFCreateError, EStreamError);
ZORVIK_EXCEPTION(EFOpenError, EStreamError);
ZORVIK_EXCEPTION(EWriteError, EStreamError);
ZORVIK_EXCEPTION(EReadError, EStreamError);
ZORVIK_EXCEPTION(EListError, Exception);
// A failed change of the current folder, or another file-system call that must succeed.
ZORVIK_EXCEPTION(EInOutError, Exception);
// The check before the first write found what would stop the install halfway.
ZORVIK_EXCEPTION(EInstallCheck, Exception);

}  // namespace base
