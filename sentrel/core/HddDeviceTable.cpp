// The HDD device table: the service's device list matched against the slot
// map, the per-drive preparation, and the hand-off of the drives' records to
// the system-management side.
#include "sentrel/core/HddDeviceTable.h"

#include "sentrel/core/ModuleState.h"
#include "support/Cpu.h"
#include "support/Library.h"
#include "support/Memory.h"
#include "support/Pool.h"
#include "support/PoolBuffer.h"
#include "uefi/protocol/DiskInfo.h"

const HDD_PORT_MAP_ENTRY BuiltInHddPortMap[HDD_SLOT_COUNT] = {
    {0, 0x00, 0x00, 0x00, 0xFF},  // slot 0: the NVMe drive, wherever it sits
    {1, 0x00, 0x17, 0x00, 0x01},  // slot 1: SATA controller 00:17.0, port 1
    {2, 0x00, 0x17, 0x00, 0x02},  // slot 2: SATA controller 00:17.0, port 2
};

namespace {

// The service's current device list; every lookup asks for it anew because
// the service may have replaced its array since the last call.
EFI_STATUS GetServiceList(HDD_SERVICE_ENTRY** List, UINTN* Count) {
  HDD_PASSWORD_SERVICE* Service = gSentrel.HddService;
  if (Service == NULL) {
    return EFI_UNSUPPORTED;
  }
  *List = NULL;
  *Count = 0;
  EFI_STATUS Status = Service->GetDevices(Service, List, Count);
  if (EFI_ERROR(Status) || *List == NULL || *Count == 0) {
    return EFI_UNSUPPORTED;
  }
  return EFI_SUCCESS;
}

BOOLEAN EntryBelongsTo(const HDD_SERVICE_ENTRY* Entry, const HDD_DEVICE_RECORD* Record) {
  return (BOOLEAN)(Entry->PciBus == Record->PciBus && Entry->PciDevice == Record->PciDevice &&
                   Entry->PciFunction == Record->PciFunction && Entry->Port == Record->Port);
}

// The entry's fields as a list record; the record's IDENTIFY buffer, if it
// has one from an entry that could not be read, is kept for reuse.
VOID FillRecordFromEntry(HDD_DEVICE_RECORD* Record, const HDD_SERVICE_ENTRY* Entry) {
  Record->AuxByte1 = Entry->AuxByte1;
  Record->AuxByte2 = Entry->AuxByte2;
  Record->Port = Entry->Port;
  Record->AuxWord1 = Entry->AuxWord1;
  Record->AuxWord2 = Entry->AuxWord2;
  Record->PciBus = Entry->PciBus;
  Record->PciDevice = Entry->PciDevice;
  Record->PciFunction = Entry->PciFunction;
  Record->IsNvme = 0;
}

BOOLEAN IsNvmeDrive(EFI_HANDLE Handle) {
  EFI_DISK_INFO_PROTOCOL* DiskInfo = NULL;
  (VOID) gBS->HandleProtocol(Handle, (EFI_GUID*)&EFI_DISK_INFO_PROTOCOL_GUID, (VOID**)&DiskInfo);
  return (BOOLEAN)(DiskInfo != NULL && GuidEqual(&DiskInfo->Interface, &EFI_DISK_INFO_NVME_INTERFACE_GUID));
}

// A drive fills a slot at the slot's exact location and port, or, for the
// slot whose port is 0xFF, as an NVMe drive without a port anywhere.
BOOLEAN RecordFitsSlot(const HDD_PORT_MAP_ENTRY* Map, const HDD_DEVICE_RECORD* Record) {
  if (Map->PciBus == Record->PciBus && Map->PciDevice == Record->PciDevice && Map->PciFunction == Record->PciFunction &&
      Map->Port == Record->Port) {
    return TRUE;
  }
  return (BOOLEAN)(Map->Port == HDD_PORT_NONE && Record->Port == HDD_PORT_NONE && Record->IsNvme == 1);
}

BOOLEAN TableHoldsBuffer(const HDD_DEVICE_RECORD* Table, const UINT8* Buffer) {
  for (UINTN Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    if (Table[Slot].Present && Table[Slot].IdentifyData == Buffer) {
      return TRUE;
    }
  }
  return FALSE;
}

// The table keeps the IDENTIFY buffers of the records it took; the list and
// the buffers of drives that no slot took are of no further use.
VOID ReleaseDeviceList(HDD_DEVICE_RECORD* List, const HDD_DEVICE_RECORD* Table) {
  for (UINT64 Index = 0; Index < List[0].ListCount; Index++) {
    if (!TableHoldsBuffer(Table, List[Index].IdentifyData)) {
      PoolFree(List[Index].IdentifyData);
    }
  }
  PoolFree(List);
}

VOID BuildTableFromService(HDD_DEVICE_RECORD* Table) {
  HDD_DEVICE_RECORD* List = NULL;
  (VOID) BuildDeviceList(&List);
  if (List == NULL) {
    return;
  }
  const HDD_PORT_MAP_ENTRY* Map = (const HDD_PORT_MAP_ENTRY*)gSentrel.HddPortMap;
  for (UINTN Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    gSentrel.HddUnlockRecords[Slot].Unlocked = 0;
    // Later matches overwrite earlier ones: the last matching drive wins.
    for (UINT64 Index = 0; Index < List[0].ListCount; Index++) {
      if (RecordFitsSlot(&Map[Slot], &List[Index])) {
        MemCopy(&Table[Slot], &List[Index], sizeof(HDD_DEVICE_RECORD));
        Table[Slot].Present = 1;
      }
    }
  }
  ReleaseDeviceList(List, Table);
}

// A copy of the driver's table with IDENTIFY copies of its own; a record
// whose IDENTIFY data is missing (or cannot be copied) gets none.
VOID CopyDriverTable(HDD_DEVICE_RECORD* Copy) {
  const HDD_DEVICE_RECORD* Live = gSentrel.HddDeviceTable;
  MemCopy(Copy, Live, HDD_DEVICE_TABLE_SIZE);
  for (UINTN Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    Copy[Slot].IdentifyData = NULL;
    if (!Live[Slot].Present || Live[Slot].IdentifyData == NULL) {
      continue;
    }
    UINT8* Identify = (UINT8*)PoolAllocZeroed(HDD_IDENTIFY_DATA_SIZE);
    if (Identify != NULL) {
      MemCopy(Identify, Live[Slot].IdentifyData, HDD_IDENTIFY_DATA_SIZE);
    }
    Copy[Slot].IdentifyData = Identify;
  }
}

}  // namespace

EFI_STATUS LocateHddPasswordService() {
  VOID* Ready = NULL;
  EFI_STATUS Status = gBS->LocateProtocol((EFI_GUID*)&HDD_PASSWORD_READY_PROTOCOL_GUID, NULL, &Ready);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return gBS->LocateProtocol((EFI_GUID*)&HDD_PASSWORD_SERVICE_GUID, NULL, (VOID**)&gSentrel.HddService);
}

EFI_STATUS FindServiceEntry(const HDD_DEVICE_RECORD* Record, HDD_SERVICE_ENTRY** Entry) {
  *Entry = NULL;
  if (Record == NULL) {
    return EFI_UNSUPPORTED;
  }
  HDD_SERVICE_ENTRY* List = NULL;
  UINTN Count = 0;
  if (EFI_ERROR(GetServiceList(&List, &Count))) {
    return EFI_UNSUPPORTED;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    if (EntryBelongsTo(&List[Index], Record)) {
      *Entry = &List[Index];
      return EFI_SUCCESS;
    }
  }
  return EFI_UNSUPPORTED;
}

EFI_STATUS BuildDeviceList(HDD_DEVICE_RECORD** List) {
  HDD_SERVICE_ENTRY* Entries = NULL;
  UINTN Count = 0;
  if (EFI_ERROR(GetServiceList(&Entries, &Count))) {
    return EFI_UNSUPPORTED;
  }
  if (Count > ~(UINTN)0 / sizeof(HDD_SERVICE_ENTRY)) {
    return EFI_UNSUPPORTED;
  }
  // Every IDENTIFY read below asks the service for its list again, which may
  // replace the array: walk a private copy of the entries instead.
  PoolBuffer ServiceEntries(Count * sizeof(HDD_SERVICE_ENTRY));
  PoolBuffer Records(Count * sizeof(HDD_DEVICE_RECORD));
  if (ServiceEntries.IsNull() || Records.IsNull()) {
    return EFI_OUT_OF_RESOURCES;
  }
  MemCopy(ServiceEntries.Get(), Entries, Count * sizeof(HDD_SERVICE_ENTRY));
  const HDD_SERVICE_ENTRY* Entry = ServiceEntries.As<HDD_SERVICE_ENTRY>();
  HDD_DEVICE_RECORD* Record = Records.As<HDD_DEVICE_RECORD>();

  UINTN Filled = 0;
  for (UINTN Index = 0; Index < Count; Index++) {
    FillRecordFromEntry(&Record[Filled], &Entry[Index]);
    // An unreadable drive is left out: the next entry takes its record.
    if (EFI_ERROR(RefreshIdentifyData(&Record[Filled]))) {
      continue;
    }
    Record[Filled].IsNvme = IsNvmeDrive(Entry[Index].DeviceHandle);
    Filled++;
  }
  // A buffer left by unreadable drives at the end has no record to go with.
  if (Filled < Count && Record[Filled].IdentifyData != NULL) {
    PoolFree(Record[Filled].IdentifyData);
    Record[Filled].IdentifyData = NULL;
  }
  if (Filled == 0) {
    return EFI_SUCCESS;
  }
  Record[0].ListCount = Filled;
  *List = (HDD_DEVICE_RECORD*)Records.Detach();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetDeviceTable(HDD_DEVICE_RECORD** Table) {
  if (Table == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  if (gSentrel.HddPortMap == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  HDD_DEVICE_RECORD* NewTable = (HDD_DEVICE_RECORD*)PoolAllocZeroed(HDD_DEVICE_TABLE_SIZE);
  if (NewTable == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (gSentrel.HddDeviceTable == NULL) {
    BuildTableFromService(NewTable);
  } else {
    CopyDriverTable(NewTable);
  }
  *Table = NewTable;
  return EFI_SUCCESS;
}

EFI_STATUS RefreshIdentifyData(HDD_DEVICE_RECORD* Record) {
  HDD_PASSWORD_SERVICE* Service = gSentrel.HddService;
  if (Service == NULL || Record == NULL) {
    return EFI_UNSUPPORTED;
  }
  HDD_SERVICE_ENTRY* Entry = NULL;
  if (EFI_ERROR(FindServiceEntry(Record, &Entry))) {
    return EFI_UNSUPPORTED;
  }
  if (Record->IdentifyData == NULL) {
    Record->IdentifyData = (UINT8*)PoolAllocZeroed(HDD_IDENTIFY_DATA_SIZE);
    if (Record->IdentifyData == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
  }
  return Service->ReadIdentifyData(Service, Entry, Record->IdentifyData);
}

EFI_STATUS PrepareDrives() {
  HDD_DEVICE_RECORD* Table = gSentrel.HddDeviceTable;
  EFI_STATUS Status = EFI_SUCCESS;
  if (Table == NULL) {
    return Status;
  }
  for (UINTN Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    if (!Table[Slot].Present) {
      continue;
    }
    HDD_SERVICE_ENTRY* Entry = NULL;
    if (!EFI_ERROR(FindServiceEntry(&Table[Slot], &Entry))) {
      (VOID) gSentrel.HddService->PrepareDrive(gSentrel.HddService, Entry);
    }
    Status = RefreshIdentifyData(&Table[Slot]);
  }
  return Status;
}

VOID HandOffDeviceSnapshot() {
  SENTREL_PASSWORD_PROTOCOL* Protocol = gSentrel.Protocol;
  if (Protocol == NULL || Protocol->DeviceSnapshot == NULL) {
    return;
  }
  HDD_DEVICE_RECORD* Snapshot = Protocol->DeviceSnapshot;
  HDD_DEVICE_RECORD* Live = gSentrel.HddDeviceTable;
  // Without a table there is nothing to hand over; the snapshot stays empty.
  if (Live != NULL) {
    MemCopy(Snapshot, Live, HDD_DEVICE_TABLE_SIZE);
  }
  for (UINTN Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    Snapshot[Slot].IdentifyData = NULL;
    if (Live == NULL || !Live[Slot].Present) {
      continue;
    }
    // The system-management side reads its copies after boot services end.
    if (Live[Slot].IdentifyData != NULL) {
      Snapshot[Slot].IdentifyData = (UINT8*)PoolAllocRuntimeZeroed(HDD_IDENTIFY_DATA_SIZE);
      if (Snapshot[Slot].IdentifyData != NULL) {
        MemCopy(Snapshot[Slot].IdentifyData, Live[Slot].IdentifyData, HDD_IDENTIFY_DATA_SIZE);
      }
    }
    SecureZero(Live[Slot].MasterPasswordHash, DRIVE_HASH_SIZE);
    SecureZero(Live[Slot].UserPasswordHash, DRIVE_HASH_SIZE);
  }

  // The handler has finished with the snapshot when the port write returns.
  IoWrite8(SMI_COMMAND_PORT, HDD_SNAPSHOT_SMI_COMMAND);

  for (UINTN Slot = 0; Slot < HDD_SLOT_COUNT; Slot++) {
    if (Snapshot[Slot].Present && Snapshot[Slot].IdentifyData != NULL) {
      PoolFree(Snapshot[Slot].IdentifyData);
      Snapshot[Slot].IdentifyData = NULL;
    }
  }
  PoolFreeWiped(Snapshot, HDD_DEVICE_TABLE_SIZE);
  Protocol->DeviceSnapshot = NULL;
}

HDD_DEVICE_RECORD* PresentHddRecord(UINT8 Slot) {
  HDD_DEVICE_RECORD* Table = gSentrel.HddDeviceTable;
  if (Table == NULL || Slot >= HDD_SLOT_COUNT || !Table[Slot].Present) {
    return NULL;
  }
  return &Table[Slot];
}

UINT16 HddSecurityStatus(const HDD_DEVICE_RECORD* Record) {
  if (Record == NULL || Record->IdentifyData == NULL) {
    return 0;
  }
  const UINT8* Word = Record->IdentifyData + IDENTIFY_SECURITY_STATUS_OFFSET;
  return (UINT16)(Word[0] | (Word[1] << 8));
}
