#include "simcam/core/Names.h"

#include <algorithm>
#include <cstring>

namespace simcam {

void FillNameField(char* field, std::size_t size, std::string_view name, bool unterminated) {
  if (size == 0) return;
  const std::size_t length = std::min(name.size(), unterminated ? size : size - 1);
  std::memcpy(field, name.data(), length);
  std::memset(field + length, unterminated ? kNamePad : 0, size - length);
}

void FillNameField(std::uint16_t* field, std::size_t units, std::string_view name,
                   bool unterminated) {
  if (units == 0) return;
  const std::u16string wide = Utf8ToUtf16(name);
  const std::size_t length = std::min(wide.size(), unterminated ? units : units - 1);
  for (std::size_t i = 0; i < units; ++i) {
    field[i] = i < length ? wide[i] : (unterminated ? std::uint16_t{kNamePad} : 0);
  }
}

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string result;
  for (const std::string_view part : parts) result.append(part);
  return result;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string result;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t code = 0xFFFD;
    if (byte < 0x80) {
      code = byte;
    } else if ((byte & 0xE0) == 0xC0) {
      extra = 1, code = byte & 0x1F;
    } else if ((byte & 0xF0) == 0xE0) {
      extra = 2, code = byte & 0x0F;
    } else if ((byte & 0xF8) == 0xF0) {
      extra = 3, code = byte & 0x07;
    }
    ++i;
    for (std::size_t k = 0; k < extra; ++k, ++i) {
      if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
        code = 0xFFFD;
        break;
      }
      code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    if ((byte & 0xC0) == 0x80 || byte >= 0xF8 || code > 0x10FFFF) code = 0xFFFD;
    if (code >= 0x10000) {
      code -= 0x10000;
      result += static_cast<char16_t>(0xD800 + (code >> 10));
      result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      result += static_cast<char16_t>(code);
    }
  }
  return result;
}

}  // namespace simcam
