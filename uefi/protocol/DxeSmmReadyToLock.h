// Installed by the platform, with no interface, just before it locks the
// system-management side; drivers that must hand it data first watch for it.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_DXE_SMM_READY_TO_LOCK_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x60FF8964, 0xE906, 0x41D0, 0xAF, 0xED, 0xF2, 0x41, 0xE9, 0x74, 0xE0, 0x8E);
