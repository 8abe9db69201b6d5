// Installed by the platform once its setup configuration can be read; only
// its presence matters, it has no interface.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID SETUP_PRESENCE_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0xFE3542FE, 0xC1D3, 0x4EF8, 0x65, 0x7C, 0x80, 0x48, 0x60, 0x6F, 0xF6, 0x70);
