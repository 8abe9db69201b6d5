// Identifiers of the UEFI and PI standards that the platform itself signals,
// installs or publishes, and the open-protocol attributes.
#pragma once
#include "uefi/Base.h"

namespace sim {

// Event groups.
inline constexpr EFI_GUID kEventGroupReadyToBoot =
    EFI_GUID_LITERAL(0x7CE88FB3, 0x4BD7, 0x4679, 0x87, 0xA8, 0xA8, 0xD8, 0xDE, 0xE5, 0x0D, 0x2B);
inline constexpr EFI_GUID kEventGroupExitBootServices =
    EFI_GUID_LITERAL(0x27ABF055, 0xB1B8, 0x4C26, 0x80, 0x48, 0x74, 0x8F, 0x37, 0xBA, 0xA2, 0xDF);
inline constexpr EFI_GUID kEventGroupBeforeExitBootServices =
    EFI_GUID_LITERAL(0x8BE0E274, 0x3970, 0x4B44, 0x80, 0xC5, 0x1A, 0xB9, 0x50, 0x2F, 0x3B, 0xFC);
inline constexpr EFI_GUID kEventGroupVirtualAddressChange =
    EFI_GUID_LITERAL(0x13FA7698, 0xC831, 0x49C7, 0x87, 0xEA, 0x8F, 0x43, 0xFC, 0xC2, 0x51, 0x96);
inline constexpr EFI_GUID kEventGroupMemoryMapChange =
    EFI_GUID_LITERAL(0x78BEE926, 0x692F, 0x48FD, 0x9E, 0xDB, 0x01, 0x42, 0x2E, 0xF0, 0xD7, 0xAB);
inline constexpr EFI_GUID kEventGroupEndOfDxe =
    EFI_GUID_LITERAL(0x02CE967A, 0xDD7E, 0x4FFC, 0x9E, 0xE7, 0x81, 0x0C, 0xF0, 0x47, 0x08, 0x80);

// The hand-off block list in the configuration table.
inline constexpr EFI_GUID kHobListGuid =
    EFI_GUID_LITERAL(0x7739F24C, 0x93D7, 0x11D4, 0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D);
// Installed by the platform after the end of DXE, before boot options run.
inline constexpr EFI_GUID kDxeSmmReadyToLockProtocolGuid =
    EFI_GUID_LITERAL(0x60FF8964, 0xE906, 0x41D0, 0xAF, 0xED, 0xF2, 0x41, 0xE9, 0x74, 0xE0, 0x8E);

// OpenProtocol attributes.
inline constexpr UINT32 kOpenByHandleProtocol = 0x01;
inline constexpr UINT32 kOpenGetProtocol = 0x02;
inline constexpr UINT32 kOpenTestProtocol = 0x04;
inline constexpr UINT32 kOpenByChildController = 0x08;
inline constexpr UINT32 kOpenByDriver = 0x10;
inline constexpr UINT32 kOpenExclusive = 0x20;

}  // namespace sim
