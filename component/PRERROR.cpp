#include "PRERROR.h"

#include "SdkErrorRows.h"

namespace PRERROR {
namespace {

using SdkErrorRows::Row;

// After the general failures 0x0001..0x000B, the PowerShot SDK gives its own meanings to codes
// that mean other things in the other libraries.
constexpr Row PowerShotRows[] = {
    {0x0021, "Invalid parameter"},
    {0x0022, "Invalid handle"},
    {0x0061, "Invalid function call"},
    {0x0062, "Wait timeout error"},
    {0x0063, "Insufficient buffer"},
    {0x0064, "Event callback exists"},
    {0x2000, "Undefined"},
    {0x2002, "General error"},
    {0x2003, "Session not ppen"},
    {0x2004, "Invalid transaction ID"},
    {0x2005, "Operation not supported"},
    {0x2006, "Parameter not supported"},
    {0x2007, "Incomplete transfer"},
    {0x2008, "Invalid storage ID"},
    {0x2009, "Invalid object handle"},
    {0x200A, "Device property not supported"},
    {0x200B, "Invalid object format code"},
    {0x200C, "Store full"},
    {0x200D, "Object write protected"},
    {0x200E, "Store read only"},
    {0x200F, "Access denied"},
    {0x2010, "No thumbnail present"},
    {0x2011, "Self test failed"},
    {0x2012, "Partial deletion"},
    {0x2013, "Store not available"},
    {0x2014, "Specification by format unsupported"},
    {0x2015, "No valid object info"},
    {0x2016, "Invalid code format"},
    {0x2017, "Unknown vendor code"},
    {0x2018, "Capture already terminated"},
    {0x2019, "Device busy"},
    {0x201A, "Invalid parent object"},
    {0x201B, "Invalid device property format"},
    {0x201C, "Invalid device property value"},
    {0x201D, "Invalid parameter"},
    {0x201E, "Session already open"},
    {0x201F, "Transaction cancelled"},
    {0x2020, "Specification of destination unsupported"},
    {0xA000, "Extension undefined"},
    {0xA001, "Extension unknown command received"},
    {0xA002, "Extension memoey allocation failed"},
    {0xA003, "Extension internal error"},
    {0xA004, "Extension dir IO error"},
    {0xA005, "Extension refused by other process"},
    {0xA006, "Extension cover closed"},
    {0xA007, "Extension no release"},
    {0xA008, "Extension device is hot"},
    {0xA009, "Extension low battery"},
    {0xA00A, "Extension already exit"},
};

constexpr auto Rows = SdkErrorRows::Concat<60>({SdkErrorRows::GenericBasic, PowerShotRows});
static_assert(SdkErrorRows::CodesUnique(Rows));

}  // namespace

void GetErrorText(std::uint32_t Code, std::string& Text) {
  SdkErrorRows::Lookup(Rows, Code, Text);
}

std::size_t RowCount() {
  return Rows.size();
}

}  // namespace PRERROR
