// The platform's HDD password service: an outside component that enumerates
// the ATA and NVMe drives and carries their security commands. Its function
// positions and its 160-byte device entries are a fixed interface between
// separately built drivers.
#pragma once
#include "uefi/Base.h"

constexpr EFI_GUID HDD_PASSWORD_SERVICE_GUID =
    EFI_GUID_LITERAL(0x9C28BE0C, 0xEE32, 0x43D8, 0xA2, 0x23, 0xE7, 0xC1, 0x61, 0x4E, 0xF7, 0xCA);
// Installed (with any interface) once the service's drives can be reached.
constexpr EFI_GUID HDD_PASSWORD_READY_PROTOCOL_GUID =
    EFI_GUID_LITERAL(0x9C0C75AB, 0x0FA5, 0x436C, 0x85, 0x0C, 0xF0, 0x73, 0xCD, 0x8E, 0x1B, 0x17);

// Password selectors of the service's password functions.
#define HDD_PASSWORD_MODE_USER ((UINT8)0)
#define HDD_PASSWORD_MODE_MASTER ((UINT8)1)
// Every drive password crosses the interface as 32 bytes.
#define HDD_PASSWORD_LENGTH 32u
#define HDD_IDENTIFY_DATA_SIZE 512u
// Port of a drive that has no controller port (NVMe).
#define HDD_PORT_NONE ((UINT16)0xFF)

// One drive as the service lists it. Only the named fields are shared; the
// rest of the 160 bytes belongs to the service.
struct HDD_SERVICE_ENTRY {
  UINT8 ServicePrivate0[84];
  UINT8 AuxByte1;
  UINT8 ServicePrivate1;
  UINT8 AuxByte2;
  UINT8 ServicePrivate2;
  UINT16 Port;
  UINT16 AuxWord1;
  UINT16 AuxWord2;
  UINT8 ServicePrivate3[10];
  UINT64 PciBus;
  UINT64 PciDevice;
  UINT64 PciFunction;
  EFI_HANDLE DeviceHandle;
  UINT8 ServicePrivate4[24];
};
static_assert(sizeof(HDD_SERVICE_ENTRY) == 160);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, AuxByte1) == 84);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, AuxByte2) == 86);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, Port) == 88);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, AuxWord1) == 90);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, AuxWord2) == 92);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, PciBus) == 104);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, PciDevice) == 112);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, PciFunction) == 120);
static_assert(__builtin_offsetof(HDD_SERVICE_ENTRY, DeviceHandle) == 128);

struct HDD_PASSWORD_SERVICE;

typedef EFI_STATUS(EFIAPI* HDD_SERVICE_PASSWORD_FUNCTION)(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry,
                                                          UINT8 Mode, VOID* Password, UINTN Length);

struct HDD_PASSWORD_SERVICE {
  HDD_SERVICE_PASSWORD_FUNCTION SetPassword;
  HDD_SERVICE_PASSWORD_FUNCTION UnlockPassword;
  HDD_SERVICE_PASSWORD_FUNCTION DisablePassword;
  EFI_STATUS(EFIAPI* ReadIdentifyData)(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry, VOID* Buffer);
  // Returns the service's own array; the caller reads it and never frees it.
  EFI_STATUS(EFIAPI* GetDevices)(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY** List, UINTN* Count);
  // Positions 5 to 7 belong to the service's other clients.
  VOID* ServiceFunction5;
  VOID* ServiceFunction6;
  VOID* ServiceFunction7;
  EFI_STATUS(EFIAPI* PrepareDrive)(HDD_PASSWORD_SERVICE* This, HDD_SERVICE_ENTRY* Entry);
};
static_assert(__builtin_offsetof(HDD_PASSWORD_SERVICE, UnlockPassword) == 8);
static_assert(__builtin_offsetof(HDD_PASSWORD_SERVICE, DisablePassword) == 16);
static_assert(__builtin_offsetof(HDD_PASSWORD_SERVICE, ReadIdentifyData) == 24);
static_assert(__builtin_offsetof(HDD_PASSWORD_SERVICE, GetDevices) == 32);
static_assert(__builtin_offsetof(HDD_PASSWORD_SERVICE, PrepareDrive) == 64);
static_assert(sizeof(HDD_PASSWORD_SERVICE) == 72);
