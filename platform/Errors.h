// Exceptions of the runtime layer. Every error the programs report is one of these (or derives
// from Exception), carrying the message text that ends up in a log file or a message box.
#pragma once

#include <exception>
#include <string>

namespace rt {

// Base of every error the system raises; carries only a message.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Input/output error of a file step, with the numeric code it stands for.
class EInOutError : public Exception {
 public:
  EInOutError(int code, std::string message) : Exception(std::move(message)), ErrorCode(code) {}
  explicit EInOutError(int code);  // message from IoErrorText(code)
  int ErrorCode;
};

// Failed internal check: "Assertion failure (MODULE, line N)".
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// Index outside a list: "List index out of bounds (N)".
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Well-known input/output error codes.
enum IoCode : int {
  kIoOk = 0,
  kIoFileNotFound = 2,
  kIoPathNotFound = 3,
  kIoTooManyOpenFiles = 4,
  kIoAccessDenied = 5,
  kIoReadBeyondEof = 100,
  kIoDiskFull = 101,
};

// The system text for an input/output error code ("File not found", ... "I/O error %d").
std::string IoErrorText(int code);

// Raises EInOutError for a non-zero code; does nothing for 0.
void CheckIo(int code);

// Raises the assertion failure for a check in `module` at source line `line`.
[[noreturn]] void AssertionFailure(const char* module, int line);

// Raises the list error for `index`.
[[noreturn]] void ListIndexError(long long index);

// Message of any exception object: Exception's message, else what().
std::string ExceptionMessage(const std::exception& e);

}  // namespace rt
