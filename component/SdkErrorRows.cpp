#include "SdkErrorRows.h"

namespace SdkErrorRows {

void Lookup(std::span<const Row> Rows, std::uint32_t Code, std::string& Text) {
  const auto Key = static_cast<std::uint16_t>(Code & 0xFFFFu);
  for (const Row& R : Rows) {
    if (R.Code == Key) {
      Text = R.Text;
      return;
    }
  }
  Text = UnknownText;
}

}  // namespace SdkErrorRows
