// Writing camera names into the fixed-size text fields of the libraries' records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace simcam {

// The character that fills a name field to its end when names are written unterminated.
constexpr char kNamePad = '#';

// Writes `name` into a field of `size` bytes. Normally the name is cut to size - 1 bytes and
// the rest of the field is zero. `unterminated`: the whole field holds text, the name cut to
// the field or padded with kNamePad, with no terminating zero.
void FillNameField(char* field, std::size_t size, std::string_view name, bool unterminated);

// The same for a field of `units` UTF-16 code units; `name` is UTF-8.
void FillNameField(std::uint16_t* field, std::size_t units, std::string_view name,
                   bool unterminated);

// The parts one after the other. (Used in place of chains of operator+, which GCC 12 at -O3
// warns about wrongly.)
std::string Join(std::initializer_list<std::string_view> parts);

// UTF-8 to UTF-16; a malformed byte becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace simcam
