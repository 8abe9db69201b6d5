// Printable names of status values: success and the warnings by value, the
// errors by value with the top bit set.
#include "support/Format.h"
#include "uefi/Status.h"

namespace {

constexpr const CHAR8* kWarningNames[] = {
    "Success",                   // 0
    "Warning Unknown Glyph",     // 1
    "Warning Delete Failure",    // 2
    "Warning Write Failure",     // 3
    "Warning Buffer Too Small",  // 4
    "Warning Stale Data",        // 5
};

constexpr const CHAR8* kErrorNames[] = {
    NULL,                    // 0: no error has this value
    "Load Error",            // 1
    "Invalid Parameter",     // 2
    "Unsupported",           // 3
    "Bad Buffer Size",       // 4
    "Buffer Too Small",      // 5
    "Not Ready",             // 6
    "Device Error",          // 7
    "Write Protected",       // 8
    "Out of Resources",      // 9
    "Volume Corrupt",        // 10
    "Volume Full",           // 11
    "No Media",              // 12
    "Media changed",         // 13
    "Not Found",             // 14
    "Access Denied",         // 15
    "No Response",           // 16
    "No mapping",            // 17
    "Time out",              // 18
    "Not started",           // 19
    "Already started",       // 20
    "Aborted",               // 21
    "ICMP Error",            // 22
    "TFTP Error",            // 23
    "Protocol Error",        // 24
    "Incompatible Version",  // 25
    "Security Violation",    // 26
    "CRC Error",             // 27
    "End of Media",          // 28
    "Reserved (29)",         // 29
    "Reserved (30)",         // 30
    "End of File",           // 31
    "Invalid Language",      // 32
    "Compromised Data",      // 33
};

static_assert(sizeof(kWarningNames) / sizeof(kWarningNames[0]) == 6);
static_assert(sizeof(kErrorNames) / sizeof(kErrorNames[0]) == 34);

}  // namespace

const CHAR8* StatusName(EFI_STATUS Status) {
  if (EFI_ERROR(Status)) {
    const EFI_STATUS Code = Status & ~EFI_ERROR_BIT;
    return Code < sizeof(kErrorNames) / sizeof(kErrorNames[0]) ? kErrorNames[Code] : NULL;
  }
  return Status < sizeof(kWarningNames) / sizeof(kWarningNames[0]) ? kWarningNames[Status] : NULL;
}
