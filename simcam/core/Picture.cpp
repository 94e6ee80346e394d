#include "simcam/core/Picture.h"

#include <algorithm>

namespace simcam {

namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

void PutBytes(std::string& out, std::initializer_list<int> bytes) {
  for (const int byte : bytes) out += static_cast<char>(byte);
}

// Everything after the comment segments: quantization table, frame header, two Huffman tables
// of one code each, the scan header, one block (DC difference 0, end of block) and EOI.
std::string Tail() {
  std::string out;
  PutBytes(out, {0xFF, 0xDB, 0x00, 0x43, 0x00});
  out.append(64, '\x01');
  PutBytes(out, {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00});
  for (const int tableClass : {0x00, 0x10}) {
    PutBytes(out, {0xFF, 0xC4, 0x00, 0x14, tableClass, 0x01});
    out.append(15, '\0');
    out += '\0';  // the one symbol: DC category 0, AC end of block
  }
  PutBytes(out, {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
  PutBytes(out, {0x3F});  // two 1-bit codes "0", filled with ones
  PutBytes(out, {0xFF, 0xD9});
  return out;
}

}  // namespace

std::string MakePicture(std::uint32_t number, std::uint32_t size) {
  static const std::string kEnd = "\xFF\xD9";
  if (size < 4) return std::string("\xFF\xD8\xFF\xD9", size);
  if (size < kMinimumJpegBytes) {
    return "\xFF\xD8" + std::string(size - 4, '\0') + kEnd;
  }
  std::string out;
  out.reserve(size);
  PutBytes(out, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',
                 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00});
  const std::string tail = Tail();
  // The padding goes into comment segments of at most 65535 length bytes (2 + 65533).
  std::uint32_t padding = size - static_cast<std::uint32_t>(out.size() + tail.size());
  std::string payload = "simcam picture " + std::to_string(number) + "\n";
  std::uint32_t seed = number * 2654435761u + 0x9E3779B9u;
  while (padding > 0) {
    std::uint32_t segment = std::min<std::uint32_t>(padding, 4 + 65533);
    // Leave no remainder too short for a segment of its own.
    if (padding - segment > 0 && padding - segment < 4) segment -= 4;
    const std::uint32_t length = segment - 2;  // the length field counts itself
    PutBytes(out, {0xFF, 0xFE});
    Put16(out, length);
    std::uint32_t filled = 0;
    for (; filled < length - 2 && filled < payload.size(); ++filled) out += payload[filled];
    payload.clear();
    for (; filled < length - 2; ++filled) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      out += static_cast<char>(seed & 0xFF);
    }
    padding -= segment;
  }
  out += tail;
  return out;
}

}  // namespace simcam
