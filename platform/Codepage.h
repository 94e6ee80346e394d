// Texts that the camera libraries hand over in UTF-16, as the program's own 8-bit texts: the
// system's code page, in which the programs read and write names and paths.
#pragma once

#include <string>

namespace rt {

// Units, up to the first zero or the end, as text in the system's code page; a character the
// code page cannot show becomes '?'. Windows: the ANSI code page of the system, a single-byte
// one or UTF-8 (which shows every character). POSIX: a unit up to 0xFF is the byte of that value
// (the Latin-1 characters), anything above it '?'.
std::string AnsiFromUtf16(const std::u16string& Units);

}  // namespace rt
