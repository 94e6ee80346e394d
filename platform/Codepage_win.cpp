#include "platform/Codepage_win.h"

#include <windows.h>

#include "platform/Codepage.h"

namespace rt {

std::string TextFromUtf16(const std::u16string& Units, unsigned code_page) {
  const std::size_t zero = Units.find(u'\0');
  const std::u16string_view units(Units.data(), zero == std::u16string::npos ? Units.size() : zero);
  if (units.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  // No best fit: a character the code page does not have is '?', not a look-alike. UTF-8 has
  // every character, and the system refuses the conversion to it with either of these.
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = utf8 ? nullptr : "?";
  const int size =
      WideCharToMultiByte(code_page, flags, wide, count, nullptr, 0, fallback, nullptr);
  if (size <= 0) return std::string(units.size(), '?');
  std::string text(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(code_page, flags, wide, count, text.data(), size, fallback, nullptr) !=
      size) {
    return std::string(units.size(), '?');
  }
  return text;
}

std::string AnsiFromUtf16(const std::u16string& Units) {
  return TextFromUtf16(Units, GetACP());
}

}  // namespace rt
