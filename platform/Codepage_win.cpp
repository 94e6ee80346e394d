#include <windows.h>

#include "platform/Codepage.h"

namespace rt {

std::string AnsiFromUtf16(const std::u16string& Units) {
  const std::size_t zero = Units.find(u'\0');
  const std::u16string_view units(Units.data(), zero == std::u16string::npos ? Units.size() : zero);
  if (units.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  // No best fit: a character the code page does not have is '?', not a look-alike.
  constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
  const int size = WideCharToMultiByte(CP_ACP, kFlags, wide, count, nullptr, 0, "?", nullptr);
  if (size <= 0) return std::string(units.size(), '?');
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, kFlags, wide, count, text.data(), size, "?", nullptr);
  return text;
}

}  // namespace rt
