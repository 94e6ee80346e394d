// Rows shared by the error-text tables of the camera libraries, and the one lookup they all use.
//
// The generic rows are the result codes common to the Canon libraries; the EOS table holds them
// all, the CD table is exactly them, and the PowerShot table begins with their first eleven.
// Each module composes its table from these rows at compile time, so no text is written twice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace SdkErrorRows {

struct Row {
  std::uint16_t Code;
  std::string_view Text;
};

// The text for a code that its table does not hold (spelled as the users of these texts expect).
inline constexpr std::string_view UnknownText = "Unkown error";

inline constexpr Row Generic[] = {
    {0x0001, "Unimplemented"},
    {0x0002, "Internal error"},
    {0x0003, "Memory allocation failed"},
    {0x0004, "Memory free failed"},
    {0x0005, "Operation cancelled"},
    {0x0006, "Incompatible version"},
    {0x0007, "Not supported"},
    {0x0008, "Unexpected exception"},
    {0x0009, "Protection violation"},
    {0x000A, "Mission subcomponent"},
    {0x000B, "Selection unavailable"},
    {0x0020, "File IO error"},
    {0x0021, "File too many open"},
    {0x0022, "File not found"},
    {0x0023, "File open error"},
    {0x0024, "File close error"},
    {0x0025, "File seek error"},
    {0x0026, "File tell error"},
    {0x0027, "File read error"},
    {0x0028, "File write error"},
    {0x0029, "File permission error"},
    {0x002A, "File disk full error"},
    {0x002B, "File already exists"},
    {0x002C, "File format unrecognized"},
    {0x002D, "File data corrupt"},
    {0x002E, "File naming not applicable"},
    {0x0040, "Directory not found"},
    {0x0041, "Directory IO error"},
    {0x0042, "Directory entry not found"},
    {0x0043, "Directory entry exists"},
    {0x0044, "Directory not empty"},
    {0x0050, "Properties unavailable"},
    {0x0051, "Properties mismatch"},
    {0x0053, "Properties not loaded"},
    {0x0060, "Invalid parameter"},
    {0x0061, "Invalid handle"},
    {0x0062, "Invalid pointer"},
    {0x0063, "Invalid index"},
    {0x0064, "Invalid length"},
    {0x0065, "Invalid function pointer"},
    {0x0066, "Invalid sort function"},
    {0x0080, "Device not found"},
    {0x0081, "Device busy"},
    {0x0082, "Device invalid"},
    {0x0083, "Device emergency"},
    {0x0084, "Device memory full"},
    {0x0085, "Device internal error"},
    {0x0086, "Device invalid parameter"},
    {0x0087, "Device no disk"},
    {0x0088, "Device disk error"},
    {0x0089, "Device CompactFlash gate changed"},
    {0x008A, "Device dial changed"},
    {0x008B, "Device not installed"},
    {0x008C, "Device stay awake"},
    {0x008D, "Device not released"},
    {0x00A0, "Stream IO error"},
    {0x00A1, "Stream not open"},
    {0x00A2, "Stream already open"},
    {0x00A3, "Stream open error"},
    {0x00A4, "Stream close error"},
    {0x00A5, "Stream seek error"},
    {0x00A6, "Stream tell error"},
    {0x00A7, "Stream read error"},
    {0x00A8, "Stream write error"},
    {0x00A9, "Stream permission error"},
    {0x00AA, "Stream could not begin thread"},
    {0x00AB, "Stream bad options"},
    {0x00AC, "Stream end of stream"},
    {0x00C0, "Communication port in use"},
    {0x00C1, "Communication disconnected"},
    {0x00C2, "Communication device incompatible"},
    {0x00C3, "Communication buffer full"},
    {0x00C4, "Communication USB bus error"},
    {0x00D0, "USB device lock error"},
    {0x00D1, "USB device unlock error"},
    {0x00E0, "STI unknown error"},
    {0x00E1, "STI internal error"},
    {0x00E2, "STI device create error"},
    {0x00E3, "STI device release error"},
    {0x00E4, "STI device not launched"},
    {0x00F0, "Enum not applicable"},
    {0x00F1, "Invalid function call"},
    {0x00F2, "Handle not found"},
    {0x00F3, "Invalid ID"},
    {0x00F4, "Wait timeout error"},
};

// The rows 0x0001..0x000B, the general failures that every library reports alike.
inline constexpr std::span<const Row> GenericBasic{Generic, 11};
static_assert(GenericBasic.back().Code == 0x000B);

// The parts laid end to end; N must be their total row count.
template <std::size_t N>
constexpr std::array<Row, N> Concat(std::initializer_list<std::span<const Row>> Parts) {
  std::array<Row, N> Out{};
  std::size_t At = 0;
  for (std::span<const Row> Part : Parts) {
    for (const Row& R : Part) Out.at(At++) = R;  // at() makes an overflow a compile error
  }
  if (At != N) throw "row count mismatch";  // not a constant expression: a compile error
  return Out;
}

// True when no two rows share a code.
constexpr bool CodesUnique(std::span<const Row> Rows) {
  for (std::size_t I = 0; I < Rows.size(); ++I) {
    for (std::size_t J = I + 1; J < Rows.size(); ++J) {
      if (Rows[I].Code == Rows[J].Code) return false;
    }
  }
  return true;
}

// Text := the text of the row whose code is the low 16 bits of Code, else UnknownText.
void Lookup(std::span<const Row> Rows, std::uint32_t Code, std::string& Text);

}  // namespace SdkErrorRows
