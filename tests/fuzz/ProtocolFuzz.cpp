// libFuzzer target for the protocol's readers: the bytes are parsed as a number and, written to
// a file, read back as the first line (checked and unchecked) and as two lines. Checked reads
// may raise the input/output error; any other exception, a sanitizer report or a first line that
// differs from the bytes up to the first line end is a fault.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "platform/Errors.h"
#include "protocol/Protocol.h"

namespace {

const std::string& scratch_file() {
  static const std::string path = [] {
    std::random_device random;
    return (std::filesystem::temp_directory_path() / ("protocol_fuzz_" + std::to_string(random())))
        .string();
  }();
  return path;
}

void expect(bool condition) {
  if (!condition) std::abort();
}

// The first line as the protocol defines it: up to the first LF, without a CR right before it.
std::string first_line(std::string_view bytes) {
  std::string_view line = bytes.substr(0, bytes.find('\n'));
  if (line.size() < bytes.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  return std::string(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string& path = scratch_file();

  (void)protocol::parse_number(bytes);
  (void)protocol::error_log_name(bytes, bytes, bytes);

  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
  const std::string expected = first_line(bytes);
  try {
    protocol::Value checked = protocol::read_value(path, protocol::Check::Checked);
    expect(checked.ok && checked.text == expected);
  } catch (const rt::EInOutError&) {
  }
  protocol::Value unchecked = protocol::read_value(path, protocol::Check::Unchecked);
  expect(unchecked.ok ? unchecked.text == expected : unchecked.text.empty());
  protocol::TwoValues two = protocol::read_two_values(path, protocol::Check::Unchecked);
  expect(!two.ok || two.first == expected);
  try {
    (void)protocol::read_two_values(path, protocol::Check::Checked);
  } catch (const rt::EInOutError&) {
  }

  // A text without LF comes back unchanged from a write and a read.
  if (bytes.find('\n') == std::string_view::npos) {
    expect(protocol::write_value(path, bytes, protocol::Check::Unchecked));
    expect(protocol::read_value(path, protocol::Check::Unchecked).text == bytes);
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return 0;
}
