// Readable texts for the result codes of the CD SDK (CDSDK.DLL).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace CDERRORCODES {

// Text := the text of the row whose code equals the low 16 bits of Code (the upper 16 bits are
// ignored), or "Unkown error" when the table has no such row. Whatever Text held is replaced.
void GetErrorText(std::uint32_t Code, std::string& Text);

// The number of rows in the table.
std::size_t RowCount();

}  // namespace CDERRORCODES
