// The Windows half of the code-page service, open to its tests: the conversion for a given code
// page, so that a test can ask for a code page other than the system's own.
#pragma once

#include <string>

namespace rt {

// Units, up to the first zero or the end, as text in `code_page`: a single-byte or double-byte
// code page with '?' for what it cannot show (no look-alike), or UTF-8 (65001), which shows every
// character. When the system refuses the conversion, one '?' per unit.
std::string TextFromUtf16(const std::u16string& Units, unsigned code_page);

}  // namespace rt
