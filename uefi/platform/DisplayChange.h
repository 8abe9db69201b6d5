// A signal with no interface: reinstalled (NULL interface, new handle) after
// the console's mode changed, so that listeners registered for it redraw.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID DISPLAY_CHANGE_SIGNAL_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x301DC83E, 0xB533, 0x4E1F, 0x83, 0xCC, 0xF3, 0xA6, 0x19, 0x64, 0x57, 0xAA);
