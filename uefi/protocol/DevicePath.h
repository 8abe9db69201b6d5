// The device-path protocol: its GUID and the node that ends a path. The node
// header itself is a base type (uefi/Base.h).
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID EFI_DEVICE_PATH_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x09576E91, 0x6D3F, 0x11D2, 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B);

#define HARDWARE_DEVICE_PATH 0x01
#define ACPI_DEVICE_PATH 0x02
#define MESSAGING_DEVICE_PATH 0x03
#define MEDIA_DEVICE_PATH 0x04
#define BBS_DEVICE_PATH 0x05
#define END_DEVICE_PATH_TYPE 0x7F

#define END_INSTANCE_DEVICE_PATH_SUBTYPE 0x01
#define END_ENTIRE_DEVICE_PATH_SUBTYPE 0xFF

// An end node is the bare four-byte header.
#define END_DEVICE_PATH_LENGTH ((UINT16)sizeof(EFI_DEVICE_PATH_PROTOCOL))
