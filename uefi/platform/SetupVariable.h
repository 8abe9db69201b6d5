// The platform's configuration store: the "Setup" variable, read only. Its
// layout belongs to the platform; the drivers read single bytes by offset.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID SETUP_VARIABLE_GUID =
    EFI_GUID_LITERAL(0xA04A27F4, 0xDF00, 0x4D42, 0xB5, 0x52, 0x39, 0x51, 0x13, 0x02, 0x11, 0x3D);
#define SETUP_VARIABLE_NAME u"Setup"
