// The EDID protocols of a video output: the EDID read from the monitor
// (discovered) and the one the output actually uses (active). Both share one
// record shape; the detailed timing descriptors start at byte 54.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_EDID_DISCOVERED_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x1C0C34F6, 0xD380, 0x41FA, 0xA0, 0x49, 0x8A, 0xD0, 0x6C, 0x1A, 0x66, 0xAA);
constexpr EFI_GUID EFI_EDID_ACTIVE_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xBD8C1056, 0x9F36, 0x44EC, 0x92, 0xA8, 0xA6, 0x33, 0x7F, 0x81, 0x79, 0x86);

// SizeOfEdid 0 and Edid NULL when the monitor gave none.
struct EFI_EDID_DISCOVERED_PROTOCOL {
  UINT32 SizeOfEdid;
  UINT8* Edid;
};
static_assert(__builtin_offsetof(EFI_EDID_DISCOVERED_PROTOCOL, Edid) == 8);
static_assert(sizeof(EFI_EDID_DISCOVERED_PROTOCOL) == 16);

struct EFI_EDID_ACTIVE_PROTOCOL {
  UINT32 SizeOfEdid;
  UINT8* Edid;
};
static_assert(__builtin_offsetof(EFI_EDID_ACTIVE_PROTOCOL, Edid) == 8);
static_assert(sizeof(EFI_EDID_ACTIVE_PROTOCOL) == 16);
