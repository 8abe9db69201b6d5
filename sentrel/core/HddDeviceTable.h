// The three-slot HDD device table, filled from the HDD password service's
// device list by the built-in slot map, and the lookups every service call
// makes.
#pragma once
#include "sentrel/core/SentrelProtocol.h"
#include "uefi/platform/HddPasswordService.h"

#pragma pack(push, 1)
// One slot of the slot map. Only the location bytes are matched; SlotNumber
// is informational (entry i describes slot i).
struct HDD_PORT_MAP_ENTRY {
  UINT16 SlotNumber;
  UINT8 PciBus;
  UINT8 PciDevice;
  UINT8 PciFunction;
  UINT8 Port;
};
#pragma pack(pop)
static_assert(sizeof(HDD_PORT_MAP_ENTRY) == 6);
static_assert(__builtin_offsetof(HDD_PORT_MAP_ENTRY, PciBus) == 2);
static_assert(__builtin_offsetof(HDD_PORT_MAP_ENTRY, Port) == 5);

#define HDD_PORT_MAP_SIZE (HDD_SLOT_COUNT * sizeof(HDD_PORT_MAP_ENTRY))
static_assert(HDD_PORT_MAP_SIZE == 18);

// The software SMI that hands the device snapshot to the system-management
// side.
#define HDD_SNAPSHOT_SMI_COMMAND ((UINT8)0xD4)

// The built-in slot map, copied into pool at entry.
extern const HDD_PORT_MAP_ENTRY BuiltInHddPortMap[HDD_SLOT_COUNT];

[[nodiscard]] EFI_STATUS LocateHddPasswordService();
// The entry of the service's current device list that belongs to Record (same
// PCI location and port). EFI_UNSUPPORTED when the service, its list or the
// drive cannot be found.
[[nodiscard]] EFI_STATUS FindServiceEntry(const HDD_DEVICE_RECORD* Record, HDD_SERVICE_ENTRY** Entry);
// A pool list of one record per readable drive of the service, each with its
// own IDENTIFY buffer; ListCount in the first record. *List is left as it was
// when no drive could be read.
[[nodiscard]] EFI_STATUS BuildDeviceList(HDD_DEVICE_RECORD** List);
// Builds the table from the service (while the driver has none yet) or
// hands out a copy of the driver's table. The caller owns the 348-byte table
// and every IdentifyData buffer in it.
[[nodiscard]] EFI_STATUS EFIAPI GetDeviceTable(HDD_DEVICE_RECORD** Table);
[[nodiscard]] EFI_STATUS RefreshIdentifyData(HDD_DEVICE_RECORD* Record);
[[nodiscard]] EFI_STATUS PrepareDrives();
VOID HandOffDeviceSnapshot();

// The live record of Slot when the table exists, Slot is in range and a
// drive is present there; NULL otherwise. Every slot index that comes from
// outside the driver goes through here before it indexes anything.
HDD_DEVICE_RECORD* PresentHddRecord(UINT8 Slot);
// IDENTIFY word 128, the drive's security status (0 without IDENTIFY data).
UINT16 HddSecurityStatus(const HDD_DEVICE_RECORD* Record);
