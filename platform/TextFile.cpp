#include "platform/TextFile.h"

#include <cstring>

#include "platform/Errors.h"
#include "platform/OsFile.h"

namespace rt {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

TextFile::~TextFile() {
  if (IsOpen()) Close();
}

int TextFile::OpenRead(const std::string& path) {
  if (IsOpen()) Close();
  std::intptr_t handle = kNoHandle;
  int code = os::OpenFile(path, false, handle);
  if (code != kIoOk) return code;
  handle_ = handle;
  writing_ = false;
  eof_ = false;
  buffer_.resize(kBufferSize);
  pos_ = end_ = 0;
  return kIoOk;
}

int TextFile::OpenWrite(const std::string& path) {
  if (IsOpen()) Close();
  std::intptr_t handle = kNoHandle;
  int code = os::OpenFile(path, true, handle);
  if (code != kIoOk) return code;
  handle_ = handle;
  writing_ = true;
  buffer_.resize(kBufferSize);
  pos_ = end_ = 0;
  return kIoOk;
}

int TextFile::Fill() {
  pos_ = end_ = 0;
  if (eof_) return kIoOk;
  std::size_t got = 0;
  int code = os::ReadFile(handle_, buffer_.data(), buffer_.size(), got);
  if (code != kIoOk) return code;
  if (got == 0) eof_ = true;
  end_ = got;
  return kIoOk;
}

int TextFile::ReadLine(std::string& line) {
  line.clear();
  if (!IsOpen() || writing_) return 103;  // file not open for input
  for (;;) {
    if (pos_ == end_) {
      int code = Fill();
      if (code != kIoOk) return code;
      if (end_ == 0) return kIoOk;  // end of file ends the line too
    }
    const char* start = buffer_.data() + pos_;
    const void* lf = std::memchr(start, '\n', end_ - pos_);
    if (lf) {
      std::size_t n = static_cast<const char*>(lf) - start;
      line.append(start, n);
      pos_ += n + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return kIoOk;
    }
    line.append(start, end_ - pos_);
    pos_ = end_;
  }
}

bool TextFile::AtEof() {
  if (!IsOpen() || writing_) return true;
  if (pos_ < end_) return false;
  if (Fill() != kIoOk) return true;
  return end_ == 0;
}

int TextFile::Flush() {
  if (pos_ == 0) return kIoOk;
  std::size_t pending = pos_;
  pos_ = 0;
  return os::WriteFile(handle_, buffer_.data(), pending);
}

int TextFile::WriteLine(std::string_view text) {
  if (!IsOpen() || !writing_) return 105;  // file not open for output
  auto put = [this](const char* data, std::size_t size) {
    while (size > 0) {
      if (pos_ == buffer_.size()) {
        int code = Flush();
        if (code != kIoOk) return code;
      }
      std::size_t n = std::min(size, buffer_.size() - pos_);
      std::memcpy(buffer_.data() + pos_, data, n);
      pos_ += n;
      data += n;
      size -= n;
    }
    return static_cast<int>(kIoOk);
  };
  int code = put(text.data(), text.size());
  if (code == kIoOk) code = put("\r\n", 2);
  return code;
}

int TextFile::Close() {
  if (!IsOpen()) return 103;
  int code = writing_ ? Flush() : kIoOk;
  int close_code = os::CloseFile(handle_);
  handle_ = kNoHandle;
  buffer_.clear();
  buffer_.shrink_to_fit();
  pos_ = end_ = 0;
  return code != kIoOk ? code : close_code;
}

}  // namespace rt
