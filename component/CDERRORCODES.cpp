#include "CDERRORCODES.h"

#include "SdkErrorRows.h"

namespace CDERRORCODES {
namespace {

// The CD SDK reports exactly the generic codes.
constexpr std::span<const SdkErrorRows::Row> Rows{SdkErrorRows::Generic};
static_assert(Rows.size() == 85);
static_assert(SdkErrorRows::CodesUnique(Rows));

}  // namespace

void GetErrorText(std::uint32_t Code, std::string& Text) {
  SdkErrorRows::Lookup(Rows, Code, Text);
}

std::size_t RowCount() {
  return Rows.size();
}

}  // namespace CDERRORCODES
