// Identifiers of the UEFI and PI standards that the platform itself signals,
// installs or publishes, and the open-protocol attributes.
#pragma once
#include "uefi/Base.h"
#include "uefi/EventGroup.h"
#include "uefi/Hob.h"
#include "uefi/protocol/DxeSmmReadyToLock.h"

namespace sim {

// The standard identifiers the platform itself signals or installs, under
// the names the platform code uses.
inline constexpr const EFI_GUID& kEventGroupReadyToBoot = EFI_EVENT_GROUP_READY_TO_BOOT;
inline constexpr const EFI_GUID& kEventGroupExitBootServices = EFI_EVENT_GROUP_EXIT_BOOT_SERVICES;
inline constexpr const EFI_GUID& kEventGroupBeforeExitBootServices = EFI_EVENT_GROUP_BEFORE_EXIT_BOOT_SERVICES;
inline constexpr const EFI_GUID& kEventGroupVirtualAddressChange = EFI_EVENT_GROUP_VIRTUAL_ADDRESS_CHANGE;
inline constexpr const EFI_GUID& kEventGroupMemoryMapChange = EFI_EVENT_GROUP_MEMORY_MAP_CHANGE;
inline constexpr const EFI_GUID& kEventGroupEndOfDxe = EFI_END_OF_DXE_EVENT_GROUP_GUID;
// The hand-off block list in the configuration table.
inline constexpr const EFI_GUID& kHobListGuid = EFI_HOB_LIST_GUID;
// Installed by the platform after the end of DXE, before boot options run.
inline constexpr const EFI_GUID& kDxeSmmReadyToLockProtocolGuid = EFI_DXE_SMM_READY_TO_LOCK_PROTOCOL_GUID;

// OpenProtocol attributes.
inline constexpr UINT32 kOpenByHandleProtocol = 0x01;
inline constexpr UINT32 kOpenGetProtocol = 0x02;
inline constexpr UINT32 kOpenTestProtocol = 0x04;
inline constexpr UINT32 kOpenByChildController = 0x08;
inline constexpr UINT32 kOpenByDriver = 0x10;
inline constexpr UINT32 kOpenExclusive = 0x20;

}  // namespace sim
