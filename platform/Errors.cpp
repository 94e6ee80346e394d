#include "platform/Errors.h"

namespace rt {

std::string IoErrorText(int code) {
  switch (code) {
    case kIoFileNotFound:
      return "File not found";
    case kIoPathNotFound:
      return "Invalid filename";
    case kIoTooManyOpenFiles:
      return "Too many open files";
    case kIoAccessDenied:
      return "File access denied";
    case kIoReadBeyondEof:
      return "Read beyond end of file";
    case kIoDiskFull:
      return "Disk full";
    default:
      return "I/O error " + std::to_string(code);
  }
}

EInOutError::EInOutError(int code) : Exception(IoErrorText(code)), ErrorCode(code) {}

void CheckIo(int code) {
  if (code != kIoOk) throw EInOutError(code);
}

void AssertionFailure(const char* module, int line) {
  throw EAssertionFailed("Assertion failure (" + std::string(module) + ", line " +
                         std::to_string(line) + ")");
}

void ListIndexError(long long index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::string ExceptionMessage(const std::exception& e) {
  if (auto* ex = dynamic_cast<const Exception*>(&e)) return ex->Message();
  return e.what();
}

}  // namespace rt
