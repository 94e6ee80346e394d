// The pictures that the stand-in libraries deliver. Tests that check a delivered file link
// simcam_core and compare it with MakePicture.
#pragma once

#include <cstdint>
#include <string>

namespace simcam {

// Below this size a picture cannot hold the whole JPEG structure.
constexpr std::uint32_t kMinimumJpegBytes = 256;

// The picture of release `number`, exactly `size` bytes, the same bytes for the same arguments.
// From kMinimumJpegBytes on it is a valid 8 x 8 grey baseline JPEG: SOI, a JFIF APP0, comment
// segments that fill it to the size (the first starts with "simcam picture <number>\n", the rest
// is a byte sequence seeded by the number), the tables, one scan and EOI as its last two bytes.
// Smaller sizes give FF D8, zero bytes and FF D9 (below 4 bytes: the first bytes of FF D8 FF D9).
std::string MakePicture(std::uint32_t number, std::uint32_t size);

}  // namespace simcam
