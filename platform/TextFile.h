// Line-oriented text files, the way every protocol file is read and written. Each step returns
// an input/output code (0 = success) so callers decide whether a failure raises (CheckIo) or
// is merely noted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

class TextFile {
 public:
  TextFile() = default;
  ~TextFile();  // closes without reporting
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  int OpenRead(const std::string& path);
  int OpenWrite(const std::string& path);  // creates, or truncates an existing file

  // Reads the next line without its line end. A line ends at LF or CR LF; a CR that no LF
  // follows stays in the text, and so do NUL and character 26 (they are ordinary bytes here).
  // At end of file the line is empty and the result is still 0.
  int ReadLine(std::string& line);
  bool AtEof();

  // Writes the text and CR LF. Output is buffered: a failure may surface on a later write or
  // on Close.
  int WriteLine(std::string_view text);

  // Flushes and closes; the result reports a failed flush or close.
  int Close();
  bool IsOpen() const { return handle_ != kNoHandle; }

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  int Fill();
  int Flush();

  std::intptr_t handle_ = kNoHandle;
  bool writing_ = false;
  bool eof_ = false;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;  // reading: next unread byte; writing: bytes pending
  std::size_t end_ = 0;  // reading: bytes in the buffer
};

}  // namespace rt
