#include "EDSDKERRORS.h"

#include "SdkErrorRows.h"

namespace EDSDKERRORS {
namespace {

using SdkErrorRows::Row;

// The PTP-level failures that only the EOS SDK reports.
constexpr Row EosRows[] = {
    {0x00F5, "PTP last generic error plus one"},
    {0x2003, "PTP session not open"},
    {0x2004, "PTP invalid transaction id"},
    {0x2007, "PTP incomplete transfer"},
    {0x2008, "PTP invalid strage id"},
    {0x200A, "PTP device property not supported"},
    {0x200B, "PTP invalid object format code"},
    {0x2011, "PTP self test failed"},
    {0x2012, "PTP partial deletion"},
    {0x2014, "PTP specification by format unsupported"},
    {0x2015, "PTP no valid object info"},
    {0x2016, "PTP invalid code format"},
    {0x2017, "PTP unknown vender code"},
    {0x2018, "PTP capture already terminated"},
    {0x201A, "PTP invalid parent object"},
    {0x201B, "PTP invalid device prop format"},
    {0x201C, "PTP invalid device prop value"},
    {0x201E, "PTP session already open"},
    {0x201F, "PTP transaction cancelled"},
    {0x2020, "PTP specification of destination unsupported"},
    {0xA001, "PTP unknown command"},
    {0xA005, "PTP operation refused"},
    {0xA006, "PTP lenc cover close"},
};

constexpr auto Rows = SdkErrorRows::Concat<108>({SdkErrorRows::Generic, EosRows});
static_assert(SdkErrorRows::CodesUnique(Rows));

}  // namespace

void GetErrorText(std::uint32_t Code, std::string& Text) {
  SdkErrorRows::Lookup(Rows, Code, Text);
}

std::size_t RowCount() {
  return Rows.size();
}

}  // namespace EDSDKERRORS
