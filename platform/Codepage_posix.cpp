#include "platform/Codepage.h"

namespace rt {

std::string AnsiFromUtf16(const std::u16string& Units) {
  std::string text;
  for (const char16_t unit : Units) {
    if (unit == 0) break;
    text.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
  }
  return text;
}

}  // namespace rt
