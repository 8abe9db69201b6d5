// The vendor GUID of the variables the UEFI standard itself defines
// ("BootOrder", "Boot####", "PlatformLang" and the like).
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_GLOBAL_VARIABLE =
    EFI_GUID_LITERAL(0x8BE4DF61, 0x93CA, 0x11D2, 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C);
